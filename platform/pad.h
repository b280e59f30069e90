// Gamepads as the game reads them: a pad's buttons and stick stand for keys of the keyboard, so
// the key slots see a pad exactly as they see the keys.
#pragma once
#include <cstdint>
#include <span>

namespace plat {

// Pad buttons, numbered after the virtual-key codes so that key events can carry them.
enum : int {
  PAD_A = 0x100,  // south: SHIFT
  PAD_B,          // east: CONTROL
  PAD_START,      // RETURN
  PAD_BACK,       // Back/Select: SPACE
  PAD_UP,         // the d-pad: the arrows
  PAD_DOWN,
  PAD_LEFT,
  PAD_RIGHT,
  PAD_END,
};
constexpr int kPadButtonCount = PAD_END - PAD_A;

inline bool IsPadButton(int code) {
  return code >= PAD_A && code < PAD_END;
}

// How far the left stick must lean (of 32767) before it counts as an arrow held.
constexpr int kStickThreshold = 16384;

// One pad: the buttons held and the left stick's axes (-32768 … 32767; y grows downwards).
struct PadState {
  bool buttons[kPadButtonCount] = {};
  int16_t stickX = 0, stickY = 0;

  bool& button(int code) { return buttons[code - PAD_A]; }
  bool button(int code) const { return buttons[code - PAD_A]; }
};

// True when the pad holds the key: its button is down, or for an arrow the stick leans that way.
bool PadHoldsKey(const PadState& pad, int virtualKey);
// A key is held while it is down on the keyboard or held on any pad; a key and a button held
// together count once.
bool KeyHeld(bool keyboardDown, std::span<const PadState> pads, int virtualKey);

}  // namespace plat
