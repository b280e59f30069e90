#include <algorithm>
#include <cstdio>

#include "core/frame.h"
#include "core/keyboard.h"
#include "app/slot_names.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "event/state_json.h"
#include "tools/replay/replay.h"

namespace replay {

namespace {

using state_json::quoted;

std::string hexColour(uint32_t colour) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", colour);
  return buffer;
}

}  // namespace

std::string stateJson(int frame) {
  std::string json = "{\n";
  auto member = [&json](const char* name, const std::string& value) {
    if (json.size() > 2) json += ",\n";
    json += "  " + quoted(name) + ": " + value;
  };
  member("frame", std::to_string(frame));
  member("scene", quoted(slotFunctionName(gScene)));
  member("overlay1", quoted(slotFunctionName(gOverlay1)));
  member("overlay2", quoted(slotFunctionName(gOverlay2)));
  member("fade_colour", quoted(hexColour(gFadeColour)));
  member("fade_speed", std::to_string(gFadeSpeed));
  member("step_counter", std::to_string(gStepCounter));
  std::string keys = "[";
  for (int i = 0; i < kKeySlotCount; ++i) keys += (i ? ", " : "") + std::to_string(gKeySlots[i]);
  member("keys", keys + "]");
  member("key_gate", std::to_string(gKeyGate));
  member("input_enabled", std::to_string(gInputEnabled));
  member("message", messageStateJson());
  member("choice", choiceStateJson());
  return json + "\n}\n";
}

Summary summarize(std::vector<long long> samples) {
  Summary s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  size_t p99 = (n * 99 + 99) / 100;  // nearest rank
  s.p99 = samples[std::min(n, std::max<size_t>(p99, 1)) - 1];
  s.max = samples.back();
  return s;
}

}  // namespace replay
