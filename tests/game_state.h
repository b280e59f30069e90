// Tests of code that keeps global game state: each test starts and ends with the state as at
// start. The game's one reset runs before the fixture's members are made and after they are
// gone, so members may set up state of their own (a font table, a device) in between.
#pragma once
#include <gtest/gtest.h>

#include "app/game_state.h"

class GameStateTest : public ::testing::Test {
 protected:
  GameStateTest() { resetGameState(); }
  ~GameStateTest() override { resetGameState(); }
};
