#include "core/keyboard.h"

#include "core/frame.h"
#include "platform/window.h"

int32_t gKeySlots[kKeySlotCount] = {};
int32_t gKeyGate = 0;
int32_t gInputEnabled = 0;

namespace {

constexpr int kFieldKeys[kKeySlotCount] = {plat::VK_UP,    plat::VK_DOWN,    plat::VK_LEFT,   plat::VK_RIGHT,
                                           plat::VK_SHIFT, plat::VK_CONTROL, plat::VK_RETURN, plat::VK_SPACE};
constexpr int kBattleKeys[kKeySlotCount] = {plat::VK_UP,    plat::VK_DOWN,    plat::VK_LEFT,  plat::VK_RIGHT,
                                            plat::VK_SHIFT, plat::VK_CONTROL, plat::VK_SPACE, plat::VK_RETURN};

void pollKeys(const int (&keys)[kKeySlotCount]) {
  for (int i = 0; i < kKeySlotCount; ++i) updateKeyState(keys[i], gKeySlots[i]);
}

}  // namespace

void updateKeyState(int virtualKey, int32_t& slot) {
  const bool down = (plat::GetKeyState(virtualKey) & 0x80) != 0;
  if (down) {
    slot = slot != KEY_UP ? KEY_HELD : KEY_PRESSED;
  } else {
    slot = (slot == KEY_PRESSED || slot == KEY_HELD) ? KEY_RELEASED : KEY_UP;
  }
}

void pollFieldKeys() {
  pollKeys(kFieldKeys);
}

void pollBattleKeys() {
  pollKeys(kBattleKeys);
}

void gatedPoll() {
  if (gInputEnabled == 0) return;
  gKeyGate += gFrameTime;
  if (gKeyGate > 85) {
    pollBattleKeys();
  } else {
    for (int32_t& slot : gKeySlots) slot = KEY_UP;
  }
}

void resetKeyboardState() {
  for (int32_t& slot : gKeySlots) slot = KEY_UP;
  gKeyGate = 0;
  gInputEnabled = 0;
}

std::string keySlotsJson() {
  std::string json = "[";
  for (int i = 0; i < kKeySlotCount; ++i) json += (i ? ", " : "") + std::to_string(gKeySlots[i]);
  return json + "]";
}

std::string keyGateJson() {
  return std::to_string(gKeyGate);
}

std::string inputEnabledJson() {
  return std::to_string(gInputEnabled);
}
