// orvane-replay: the game run headless from a script of key presses, with a simulated clock,
// message boxes answered at once, and pictures and state dumps at chosen frames.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/frame.h"
#include "platform/window.h"

namespace replay {

struct Options {
  std::string dataDir;
  std::string keysFile;
  int frames = 0;  // 0: until the game quits
  std::multimap<int, std::string> shots;   // frame -> PNG path
  std::multimap<int, std::string> states;  // frame -> JSON path
  std::string messagesFile;
  bool report = false;
  // Random play after the key script's last event (or from the first frame).
  bool randomKeys = false;
  uint32_t randomKeysSeed = 0;
  // The random source's seed: the simulated clock's monotonic reading, which the boot seeds
  // from. One fixed default keeps runs reproducible.
  uint32_t seed = 1;
  // A battle with this enemy group as soon as the field first takes input (-1: none).
  int battleGroup = -1;
};

// Parses the command line; false with a message in error on bad arguments.
bool parseArguments(const std::vector<std::string>& args, Options& options, std::string& error);

// A key script: one event per line, "FRAME KEY down" or "FRAME KEY up"; '#' starts a comment;
// KEY is one of UP DOWN LEFT RIGHT SHIFT CTRL RETURN SPACE F12 ESCAPE, the window's keys F9 F11
// ALT, or a pad button PAD_A PAD_B PAD_START PAD_BACK PAD_UP PAD_DOWN PAD_LEFT PAD_RIGHT. Frames
// count from 1.
struct ScriptedKey {
  int frame;
  plat::KeyEvent event;
};
bool parseKeyScript(const std::string& text, std::vector<ScriptedKey>& keys, std::string& error);

// The state dump after a frame: one JSON object with a member per subsystem.
std::string stateJson(int frame);

// Median, 99th percentile and maximum of a list of samples.
struct Summary {
  long long median = 0, p99 = 0, max = 0;
};
Summary summarize(std::vector<long long> samples);

// Random play for long runs: walking (northwards more often), confirming, going back, the menu,
// in turns of a few frames; never F12. The same seed gives the same presses.
class RandomKeys {
 public:
  explicit RandomKeys(uint32_t seed);
  // The key events before the next frame.
  void frame(const std::function<void(plat::KeyEvent)>& emit);

 private:
  uint32_t next(uint32_t range);
  uint64_t state_;
  std::vector<int> held_;
  int framesLeft_ = 0;
};

// What a run went through: battles begun, party menus opened, field maps changed, and the
// longest frame work.
struct PlayCounts {
  int frames = 0, battles = 0, menus = 0, mapChanges = 0;
  long long longestWorkMicros = 0;
  SlotFunction lastScene = nullptr;
  std::string lastMap;
  void afterFrame(SlotFunction scene, const std::string& map, long long workMicros);
  // From the frame just run.
  void afterFrame();
};

// One frame of the report: the scene function it ran, its own work and its full cost.
struct FrameTiming {
  SlotFunction scene;
  long long workMicros, fullMicros;
};
// The report: per scene function the own work and the full cost, the floor, boot time, peak
// memory and what the run went through.
std::string reportText(const std::vector<FrameTiming>& frames, const std::vector<long long>& floor,
                       long long bootMicros, long peakKilobytes, const PlayCounts& play);

// Runs the game; returns the process exit code.
int run(const Options& options);

}  // namespace replay
