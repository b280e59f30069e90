#include "platform/pad.h"

#include "platform/window.h"

namespace plat {

bool PadHoldsKey(const PadState& pad, int virtualKey) {
  switch (virtualKey) {
    case VK_SHIFT: return pad.button(PAD_A);
    case VK_CONTROL: return pad.button(PAD_B);
    case VK_RETURN: return pad.button(PAD_START);
    case VK_SPACE: return pad.button(PAD_BACK);
    case VK_UP: return pad.button(PAD_UP) || pad.stickY <= -kStickThreshold;
    case VK_DOWN: return pad.button(PAD_DOWN) || pad.stickY >= kStickThreshold;
    case VK_LEFT: return pad.button(PAD_LEFT) || pad.stickX <= -kStickThreshold;
    case VK_RIGHT: return pad.button(PAD_RIGHT) || pad.stickX >= kStickThreshold;
    default: return false;
  }
}

bool KeyHeld(bool keyboardDown, std::span<const PadState> pads, int virtualKey) {
  if (keyboardDown) return true;
  for (const PadState& pad : pads) {
    if (PadHoldsKey(pad, virtualKey)) return true;
  }
  return false;
}

}  // namespace plat
