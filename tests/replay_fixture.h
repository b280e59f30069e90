// Whole runs of the game through orvane-replay in a scratch directory: the runner's output,
// its files, and the key scripts written for it.
#pragma once
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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
