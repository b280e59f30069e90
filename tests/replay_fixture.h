// Whole runs of the game through orvane-replay in a scratch directory: the runner's output,
// its files, and the key scripts written for it.
#pragma once
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "json_reader.h"
#include "previews.h"
#include "temp_data_root.h"

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override { dir.makeDirectories("data"); }

  // Runs the replay runner on the demo game's data tree (or on the empty directory).
  int replay(const std::string& args, bool demoData = true) {
    const std::string data = demoData ? std::string(ORVANE_BIN_DIR) : (dir / "data").string();
    const std::string command = std::string(ORVANE_BIN_DIR) + "/orvane-replay --data " + data + " " + args +
                                " > " + (dir / "out.txt").string() + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string read(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void write(const std::string& name, const std::string& text) { dir.write(name, text); }

  TempDataRoot dir;
};

// A journey: a key script played with state dumps at chosen frames (and pictures for a look,
// "frame:name.png"); the run must end well and show no message box.
class JourneyTest : public ReplayTest {
 protected:
  void run(const std::string& keys, int frames, std::initializer_list<int> dumps,
           std::initializer_list<std::pair<int, const char*>> pictures = {}, const std::string& options = "") {
    write("keys.txt", keys);
    std::string args = "--frames " + std::to_string(frames) + " --keys " + (dir / "keys.txt").string() +
                       " --messages " + (dir / "m.log").string() + " " + options;
    for (int frame : dumps) args += " --state " + std::to_string(frame) + ":" + (dir / (std::to_string(frame) + ".json")).string();
    for (const auto& [frame, name] : pictures) args += " --shot " + std::to_string(frame) + ":" + previewPath(name);
    ASSERT_EQ(replay(args), 0) << read("out.txt");
    EXPECT_EQ(read("m.log"), "");
  }
  // The dump after that frame, as text and read.
  std::string at(int frame) { return read(std::to_string(frame) + ".json"); }
  Json state(int frame) { return Json::parse(at(frame)); }
};

// Key presses written short: "372 DOWN 382 SHIFT" presses each key at its frame for three frames.
inline std::string presses(const std::string& list) {
  std::istringstream words(list);
  std::string out, frame, key;
  while (words >> frame >> key)
    out += frame + " " + key + " down\n" + std::to_string(std::stoi(frame) + 3) + " " + key + " up\n";
  return out;
}
