// orvane-replay: the game run headless from a script of key presses, with a simulated clock,
// message boxes answered at once, and pictures and state dumps at chosen frames.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

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
  // The random source's seed: the simulated clock's monotonic reading, which the boot seeds
  // from. One fixed default keeps runs reproducible.
  uint32_t seed = 1;
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

// Runs the game; returns the process exit code.
int run(const Options& options);

}  // namespace replay
