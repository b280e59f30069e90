// The eight polled key slots, the key repeat gate and the input-enabled flag.
#pragma once
#include <cstdint>
#include <string>

// Key states of a slot.
enum KeyState : int32_t { KEY_UP = 0, KEY_RELEASED = 1, KEY_PRESSED = 2, KEY_HELD = 3 };

// Slots: 0 up, 1 down, 2 left, 3 right, 4 shift, 5 control, 6 and 7 the confirm keys (RETURN
// and SPACE in the field and menus, SPACE and RETURN in battle and on the results screen).
enum KeySlot { SLOT_UP, SLOT_DOWN, SLOT_LEFT, SLOT_RIGHT, SLOT_SHIFT, SLOT_CTRL, SLOT_6, SLOT_7, kKeySlotCount };

extern int32_t gKeySlots[kKeySlotCount];
// Milliseconds; input is acted on only while it is above 85.
extern int32_t gKeyGate;
extern int32_t gInputEnabled;

// Updates one slot from the key's current up/down state.
void updateKeyState(int virtualKey, int32_t& slot);
// Polls all eight slots, with the field/menu mapping of slots 6 and 7 or the battle one.
void pollFieldKeys();
void pollBattleKeys();
// The results screen's poll: nothing while input is off; otherwise the gate takes the frame
// time and, above 85, the slots are polled (battle mapping), else cleared.
void gatedPoll();

// Back to the state at start: every slot up, the gate 0, input off.
void resetKeyboardState();

// State dump members: the eight slots as an array, the gate, the input-enabled flag.
std::string keySlotsJson();
std::string keyGateJson();
std::string inputEnabledJson();
