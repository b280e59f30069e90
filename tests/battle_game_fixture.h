// Whole-game battle tests in process: the game booted on a data directory of the test's own
// (lending the demo tree) with a simulated clock and sound, run frame by frame.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/boot.h"
#include "app/game_state.h"
#include "app/main_loop.h"
#include "audio/sound.h"
#include "battle_support.h"
#include "core/frame.h"
#include "game_fixture.h"
#include "platform/png.h"
#include "previews.h"

inline uint32_t gBattleTestClock = 1000;

class BattleGameTest : public GameDeviceTest {
 protected:
  BattleGameTest(const std::string& name, std::vector<std::string> own) : data(name, std::move(own)) {}

  // The test's own files, written before the boot (the small fogged battle map is always there).
  virtual void prepareData() {}

  void SetUp() override {
    GameDeviceTest::SetUp();
    // The boot seeds the random source from the monotonic clock: a pinned one makes every run
    // of a test the same fight.
    plat::SetClock({[] { return gBattleTestClock; }, [](int ms) { gBattleTestClock += static_cast<uint32_t>(ms); },
                    [] { return uint64_t{1}; }});
    ASSERT_TRUE(soundSetup());
    data.write("Mat/btl90.mp", battle_test::testMap("0;\nff6c8aa0;\n1800;\n7000;\n", true));
    data.write("Mat/btltest.zgr", battle_test::checkerTexture());
    prepareData();
    gFrameStart = plat::GetTickCount();
    BootScene();
  }
  void TearDown() override {
    resetGameState();
    soundShutdown();
    GameDeviceTest::TearDown();
  }

  // Runs frames until the condition holds (at most limit frames); the number of frames run, or
  // -1 when it never held.
  int runUntil(const std::function<bool()>& condition, int limit) {
    for (int n = 0; n < limit; ++n) {
      if (condition()) return n;
      runOneFrame();
    }
    return condition() ? limit : -1;
  }
  void picture(const std::string& name) {
    EXPECT_TRUE(plat::WritePng(previewPath(name), 640, 480, gDevice->ReadBackBuffer()));
  }

  battle_test::DataDir data;
};
