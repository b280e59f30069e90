#include <gtest/gtest.h>

#include "core/frame.h"
#include "core/keyboard.h"
#include "game_state.h"
#include "platform/window.h"

namespace {

void setKey(int key, bool down) {
  plat::InjectKeyEvent({key, down});
  plat::Message drained;
  while (plat::PeekMessage(drained)) {
  }
}

class KeyboardTest : public GameStateTest {
 protected:
  void SetUp() override {
    for (int key : {plat::VK_UP, plat::VK_DOWN, plat::VK_LEFT, plat::VK_RIGHT, plat::VK_SHIFT, plat::VK_CONTROL,
                    plat::VK_RETURN, plat::VK_SPACE}) {
      setKey(key, false);
    }
    gInputEnabled = 1;
  }
};

}  // namespace

TEST_F(KeyboardTest, HoldingAndReleasingWalksThroughTheEdgeStates) {
  int32_t slot = KEY_UP;
  setKey(plat::VK_UP, true);
  updateKeyState(plat::VK_UP, slot);
  EXPECT_EQ(slot, KEY_PRESSED);
  updateKeyState(plat::VK_UP, slot);
  EXPECT_EQ(slot, KEY_HELD);
  updateKeyState(plat::VK_UP, slot);
  EXPECT_EQ(slot, KEY_HELD);
  setKey(plat::VK_UP, false);
  updateKeyState(plat::VK_UP, slot);
  EXPECT_EQ(slot, KEY_RELEASED);
  updateKeyState(plat::VK_UP, slot);
  EXPECT_EQ(slot, KEY_UP);
}

TEST_F(KeyboardTest, PressedAgainRightAfterReleaseGoesStraightToHeld) {
  int32_t slot = KEY_HELD;
  // Released and pressed again between two polls: no new press.
  setKey(plat::VK_SPACE, false);
  setKey(plat::VK_SPACE, true);
  updateKeyState(plat::VK_SPACE, slot);
  EXPECT_EQ(slot, KEY_HELD);
  // Released in one poll, down again in the next: held, not pressed.
  setKey(plat::VK_SPACE, false);
  updateKeyState(plat::VK_SPACE, slot);
  EXPECT_EQ(slot, KEY_RELEASED);
  setKey(plat::VK_SPACE, true);
  updateKeyState(plat::VK_SPACE, slot);
  EXPECT_EQ(slot, KEY_HELD);
}

TEST_F(KeyboardTest, ShiftAndCtrlSlotsStayDownWhileEitherKeyOfThePairIsDown) {
  setKey(plat::VK_LSHIFT, true);
  setKey(plat::VK_RSHIFT, true);
  setKey(plat::VK_LSHIFT, false);  // the right key is still held
  setKey(plat::VK_RCONTROL, true);
  pollFieldKeys();
  EXPECT_EQ(gKeySlots[SLOT_SHIFT], KEY_PRESSED);
  EXPECT_EQ(gKeySlots[SLOT_CTRL], KEY_PRESSED);
  setKey(plat::VK_RSHIFT, false);
  setKey(plat::VK_RCONTROL, false);
  pollFieldKeys();
  EXPECT_EQ(gKeySlots[SLOT_SHIFT], KEY_RELEASED);
  EXPECT_EQ(gKeySlots[SLOT_CTRL], KEY_RELEASED);
  // A side key's press is reported as its pair's key.
  plat::InjectKeyEvent({plat::VK_LCONTROL, true});
  plat::Message message;
  ASSERT_TRUE(plat::PeekMessage(message));
  EXPECT_EQ(message.key, plat::VK_CONTROL);
  setKey(plat::VK_LCONTROL, false);
}

TEST_F(KeyboardTest, ConfirmSlotsSwapBetweenFieldAndBattle) {
  setKey(plat::VK_RETURN, true);
  pollFieldKeys();
  EXPECT_EQ(gKeySlots[SLOT_6], KEY_PRESSED);
  EXPECT_EQ(gKeySlots[SLOT_7], KEY_UP);
  for (int32_t& slot : gKeySlots) slot = KEY_UP;
  pollBattleKeys();
  EXPECT_EQ(gKeySlots[SLOT_6], KEY_UP);
  EXPECT_EQ(gKeySlots[SLOT_7], KEY_PRESSED);
}

TEST_F(KeyboardTest, GateClearsTheSlotsForSixFramesAfterAnAction) {
  setKey(plat::VK_DOWN, true);
  gKeyGate = -48;
  gFrameTime = 22;
  for (int frame = 1; frame <= 6; ++frame) {
    gKeySlots[SLOT_DOWN] = KEY_HELD;
    gatedPoll();
    EXPECT_EQ(gKeySlots[SLOT_DOWN], KEY_UP) << "frame " << frame;
  }
  gatedPoll();
  EXPECT_EQ(gKeyGate, 106);
  EXPECT_EQ(gKeySlots[SLOT_DOWN], KEY_PRESSED);
}

TEST_F(KeyboardTest, GatedPollDoesNothingWhileInputIsOff) {
  gInputEnabled = 0;
  gKeyGate = 0;
  gKeySlots[SLOT_UP] = KEY_HELD;
  gFrameTime = 22;
  gatedPoll();
  EXPECT_EQ(gKeyGate, 0);
  EXPECT_EQ(gKeySlots[SLOT_UP], KEY_HELD);
}
