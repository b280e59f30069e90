// The demo game on damaged data: for every file that a fixed journey reads, the journey is played
// again on a data directory where that file is missing, cut in half, or has 16 bytes flipped. The
// game must go on (in the sanitizer build: without touching memory it does not own), no frame may
// hang, every message must come through the game's own message box, and a missing file must
// never go unreported. The journey: the opening, a few steps in the village, then a battle with
// the six-enemy group fought with random keys, 600 frames in all. One test per folder of the
// data tree, so that the folders run side by side.
//
// A run takes about a second in the plain build and ten in the sanitizer build, so the suite
// damages each file one way (the three ways in turn), and the sanitizer build every third file;
// ORVANE_DAMAGED_DATA=all runs every file every way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "battle/transitions.h"
#include "battle_support.h"
#include "core/frame.h"
#include "demo_keys.h"
#include "event/game_state.h"
#include "field/field.h"
#include "headless_game.h"
#include "tools/replay/replay.h"

namespace {

namespace fs = std::filesystem;

constexpr int kJourneyFrames = 600;
constexpr int kEncounterFrame = 300;
// A frame that takes this long is taken for a hang (a loaded machine stretches frames, and a
// real endless loop never ends at all).
constexpr long long kHangMicros = 10000000;

struct Journey {
  std::vector<std::string> messages;
  std::set<std::string> read;  // paths below the data directory
  long long longestFrameMicros = 0;
};

// The path below the data directory of a path the game opened.
std::string belowRoot(std::string path, const std::string& root) {
  if (path.rfind(root, 0) == 0) path = path.substr(root.size());
  if (path.rfind("./", 0) == 0) path = path.substr(2);
  return path;
}

// Plays the journey on the demo tree after damage has had its way with the test's copy.
Journey play(const std::function<void(const battle_test::DataDir&)>& damage) {
  battle_test::DataDir data("damaged", {"Mat"});
  damage(data);
  Journey journey;
  const std::string root = data.root().string() + "/";
  plat::SetFileOpenObserver([&](const std::string& path) { journey.read.insert(belowRoot(path, root)); });
  std::vector<replay::ScriptedKey> script;
  std::string error;
  replay::parseKeyScript(std::string(demo_keys::kOpening) + "250 UP down\n262 UP up\n", script, error);
  {
    HeadlessGame game(journey.messages);
    replay::RandomKeys random(5);
    for (int frame = 1; frame <= kJourneyFrames; ++frame) {
      std::vector<plat::KeyEvent> keys;
      for (const replay::ScriptedKey& k : script)
        if (k.frame == frame) keys.push_back(k.event);
      if (frame > kEncounterFrame) random.frame([&keys](plat::KeyEvent e) { keys.push_back(e); });
      // The encounter comes as the field's own would: only while the field runs undisturbed.
      if (frame == kEncounterFrame && gScene == FieldScene && gOverlay1 == NoOverlay) {
        gGame.formation = 3;
        startEncounter();
      }
      game.frame(keys);
      journey.longestFrameMicros = std::max(journey.longestFrameMicros, static_cast<long long>(gFrameWorkMicros));
    }
  }
  plat::SetFileOpenObserver(nullptr);
  return journey;
}

std::vector<uint8_t> bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 16 bytes at places drawn from the file's number, each changed by a non-zero pattern.
std::vector<uint8_t> flipped(std::vector<uint8_t> bytes, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int i = 0; i < 16 && !bytes.empty(); ++i) {
    const size_t at = next() % bytes.size();
    bytes[at] ^= static_cast<uint8_t>(1 + next() % 255);
  }
  return bytes;
}

// The files the undamaged journey reads; it must read them without a word.
const std::set<std::string>& filesTheJourneyReads() {
  static const std::set<std::string> read = [] {
    const Journey intact = play([](const battle_test::DataDir&) {});
    for (const std::string& m : intact.messages) ADD_FAILURE() << "the intact journey said: " << m;
    return intact.read;
  }();
  return read;
}

bool everyWay() {
  const char* all = std::getenv("ORVANE_DAMAGED_DATA");
  return all && std::string(all) == "all";
}

// Files the game counts by trying them in turn (character sheets c0, c1, …; eye textures
// _e0, _e1, …): a missing one ends the count without a word, by the format's rule.
bool countedByExistence(const std::string& file) {
  return file.rfind("SCHR/c", 0) == 0 || file.rfind("Mdl/eyes/", 0) == 0;
}

// The game's captions: the standard one, the error text buffer's, and none at all for a sound
// file that cannot be opened ("ファイルオープンに失敗しました").
bool isGameCaption(const std::string& message) {
  return message.rfind("トホホ～\t", 0) == 0 || message.rfind("HollinERROR\t", 0) == 0 ||
         message == "\tファイルオープンに失敗しました";
}

class DamagedData : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedData, TheGameGoesOnAndSaysWhatIsWrong) {
  const fs::path folder = battle_test::kGeneratedTree / GetParam();
  ASSERT_TRUE(fs::is_directory(folder)) << folder;
  const std::set<std::string>& read = filesTheJourneyReads();
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), battle_test::kGeneratedTree).string());
  std::sort(files.begin(), files.end());

  int runs = 0, unread = 0, readFiles = 0;
  std::map<std::string, int> seen;
  for (size_t n = 0; n < files.size(); ++n) {
    const std::string& file = files[n];
    if (!read.count(file)) {
      ++unread;  // the journey never opens it: damage cannot change the run
      continue;
    }
    const int turn = readFiles++ + static_cast<int>(folder.string().size());
    if (!everyWay() && kSanitizerBuild && turn % 3 != 0) continue;
    const std::vector<uint8_t> bytes = bytesOf(battle_test::kGeneratedTree / file);
    const std::vector<std::pair<const char*, std::function<void(const battle_test::DataDir&)>>> damages = {
        {"missing", [&](const battle_test::DataDir& d) { d.remove(file); }},
        {"cut in half",
         [&](const battle_test::DataDir& d) {
           d.write(file, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)));
         }},
        {"flipped", [&](const battle_test::DataDir& d) { d.write(file, flipped(bytes, static_cast<uint32_t>(n))); }},
    };
    for (size_t way = 0; way < damages.size(); ++way) {
      if (!everyWay() && way != static_cast<size_t>(turn / (kSanitizerBuild ? 3 : 1)) % damages.size()) continue;
      const auto& [kind, damage] = damages[way];
      const Journey journey = play(damage);
      ++runs;
      EXPECT_LT(journey.longestFrameMicros, kHangMicros) << file << " " << kind;
      for (const std::string& m : journey.messages) {
        EXPECT_TRUE(isGameCaption(m)) << file << " " << kind << ": " << m;
        ++seen[m];
      }
      if (std::string(kind) == "missing" && !countedByExistence(file)) {
        EXPECT_FALSE(journey.messages.empty()) << file << " went missing unnoticed";
      }
    }
  }
  std::printf("%s: %zu files, %d read by the journey, %d runs\n", GetParam(), files.size(),
              static_cast<int>(files.size()) - unread, runs);
  for (const auto& [message, count] : seen) std::printf("  %4d x %s\n", count, message.c_str());
}

INSTANTIATE_TEST_SUITE_P(Folders, DamagedData,
                         ::testing::Values("Db", "EV", "Enem", "Mat", "Mdl", "OTSK", "RES", "SCHR", "Wea", "Zms", "ev",
                                           "oTsk", "se", "tex", "wz"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           // "ev" and "EV", "oTsk" and "OTSK" differ only in case.
                           std::string name = param.param;
                           if (name == "ev" || name == "oTsk") name += "_scripts";
                           return name;
                         });

}  // namespace
