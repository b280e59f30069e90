#include <cstdlib>
#include <sstream>

#include "platform/pad.h"
#include "tools/replay/replay.h"

namespace replay {

namespace {

bool parsePositive(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::atoi(text.c_str());
  return value > 0;
}

// A seed: 0 … 4294967295 in decimal.
bool parseSeed(const std::string& text, uint32_t& seed) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return false;
  seed = static_cast<uint32_t>(value);
  return true;
}

// "N:FILE" with N a frame number.
bool parseFrameAndFile(const std::string& text, int& frame, std::string& file) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon + 1 >= text.size()) return false;
  file = text.substr(colon + 1);
  return parsePositive(text.substr(0, colon), frame);
}

const struct {
  const char* name;
  int key;
} kKeyNames[] = {
    {"UP", plat::VK_UP},       {"DOWN", plat::VK_DOWN},     {"LEFT", plat::VK_LEFT},     {"RIGHT", plat::VK_RIGHT},
    {"SHIFT", plat::VK_SHIFT}, {"CTRL", plat::VK_CONTROL},  {"RETURN", plat::VK_RETURN}, {"SPACE", plat::VK_SPACE},
    {"F12", plat::VK_F12},     {"ESCAPE", plat::VK_ESCAPE},
    {"F9", plat::VK_F9},       {"F11", plat::VK_F11},       {"ALT", plat::VK_MENU},
    {"PAD_A", plat::PAD_A},    {"PAD_B", plat::PAD_B},      {"PAD_START", plat::PAD_START},
    {"PAD_BACK", plat::PAD_BACK}, {"PAD_UP", plat::PAD_UP}, {"PAD_DOWN", plat::PAD_DOWN},
    {"PAD_LEFT", plat::PAD_LEFT}, {"PAD_RIGHT", plat::PAD_RIGHT},
};

}  // namespace

bool parseArguments(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--data") {
      if (!value(options.dataDir)) return false;
    } else if (arg == "--keys") {
      if (!value(options.keysFile)) return false;
    } else if (arg == "--frames") {
      if (!value(v)) return false;
      if (!parsePositive(v, options.frames)) {
        error = "--frames needs a positive number, not \"" + v + "\"";
        return false;
      }
    } else if (arg == "--shot" || arg == "--state") {
      if (!value(v)) return false;
      int frame = 0;
      std::string file;
      if (!parseFrameAndFile(v, frame, file)) {
        error = arg + " needs N:FILE with a frame number N, not \"" + v + "\"";
        return false;
      }
      (arg == "--shot" ? options.shots : options.states).emplace(frame, file);
    } else if (arg == "--messages") {
      if (!value(options.messagesFile)) return false;
    } else if (arg == "--seed") {
      if (!value(v)) return false;
      if (!parseSeed(v, options.seed)) {
        error = "--seed needs a number 0 ... 4294967295, not \"" + v + "\"";
        return false;
      }
    } else if (arg == "--battle") {
      if (!value(v)) return false;
      int group = 0;
      if (!(v == "0" || parsePositive(v, group)) || group > 255) {
        error = "--battle needs an enemy group 0 ... 255, not \"" + v + "\"";
        return false;
      }
      options.battleGroup = group;
    } else if (arg == "--random-keys") {
      if (!value(v)) return false;
      if (!parseSeed(v, options.randomKeysSeed)) {
        error = "--random-keys needs a seed 0 ... 4294967295, not \"" + v + "\"";
        return false;
      }
      options.randomKeys = true;
    } else if (arg == "--report") {
      options.report = true;
    } else {
      error = "unknown argument \"" + arg + "\"";
      return false;
    }
  }
  if (options.dataDir.empty()) {
    error = "--data DIR is required";
    return false;
  }
  return true;
}

bool parseKeyScript(const std::string& text, std::vector<ScriptedKey>& keys, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string frameText, keyName, direction, extra;
    if (!(words >> frameText)) continue;  // blank or comment only
    words >> keyName >> direction;
    int frame = 0;
    const bool directionOk = direction == "down" || direction == "up";
    int key = 0;
    for (const auto& entry : kKeyNames) {
      if (keyName == entry.name) key = entry.key;
    }
    if (!parsePositive(frameText, frame) || key == 0 || !directionOk || (words >> extra)) {
      error = "key script line " + std::to_string(lineNumber) + ": expected \"FRAME KEY down|up\"";
      return false;
    }
    keys.push_back({frame, {key, direction == "down"}});
  }
  return true;
}

}  // namespace replay
