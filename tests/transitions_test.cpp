#include <gtest/gtest.h>

#include "app/capture.h"
#include "app/frame.h"
#include "app/transitions.h"
#include "battle/battle_scenes.h"
#include "game_fixture.h"

namespace {

class TransitionTest : public GameDeviceTest {
 protected:
  void SetUp() override {
    GameDeviceTest::SetUp();
    gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
    gDevice->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_SRCALPHA);
    gDevice->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_INVSRCALPHA);
    gScene = NoOverlay;
    gOverlay1 = NoOverlay;
    gOverlay2 = NoOverlay;
    gFadeColour = 0;
    gFadeSpeed = 0;
  }
  void TearDown() override {
    releaseCaptureResources();
    GameDeviceTest::TearDown();
  }
  void whiteScreen() {
    gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  }
};

int red(uint32_t rgba) {
  return static_cast<int>(rgba >> 24);
}

}  // namespace

TEST_F(TransitionTest, ReturnFlashThinsOutOverThirtyOneFrames) {
  gStepCounter = 32;
  gOverlay1 = BattleReturnFlash;
  whiteScreen();
  gOverlay1();  // black at alpha 0xF8 over white
  EXPECT_NEAR(red(pixel(100, 100)), 255 - 0xF8, 1);
  for (int call = 2; call <= 31; ++call) gOverlay1();
  EXPECT_EQ(gStepCounter, 1);
  EXPECT_EQ(gOverlay1, &BattleReturnFlash);
  whiteScreen();
  gOverlay1();
  EXPECT_EQ(gOverlay1, &NoOverlay);
  EXPECT_EQ(red(pixel(100, 100)), 255);  // the last call draws nothing
}

TEST_F(TransitionTest, EndFadeLeavesTheBattleOnItsSixtyThirdCall) {
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
  for (int call = 1; call <= 62; ++call) gOverlay1();
  EXPECT_EQ(gOverlay1, &BattleEndFade);
  EXPECT_EQ(gScene, &NoOverlay);
  whiteScreen();
  gOverlay1();
  EXPECT_NEAR(red(pixel(5, 5)), 255 - 0xFC, 1);
  EXPECT_EQ(gOverlay1, &NoOverlay);
  EXPECT_EQ(gScene, &BattleExitScene);
}

TEST_F(TransitionTest, EncounterCapturesTheFrameBreaksItUpAndEntersTheBattle) {
  ASSERT_TRUE(captureSetup());
  plat::Surface* backBuffer = nullptr;
  gDevice->GetRenderTarget(&backBuffer);

  startEncounter();
  plat::Surface* target = nullptr;
  gDevice->GetRenderTarget(&target);
  EXPECT_NE(target, backBuffer);  // the rest of this frame goes into capture target 0
  EXPECT_EQ(gOverlay1, &EncounterEffect);

  gScene = NoOverlay;
  gOverlay1();  // n = 1: nothing yet
  gOverlay1();  // n = 2: back to the back buffer, the scene stops
  gDevice->GetRenderTarget(&target);
  EXPECT_EQ(target, backBuffer);
  EXPECT_EQ(gScene, &NoOverlay);
  for (int n = 3; n <= 64; ++n) gOverlay1();
  // The last frame of the break-up is black all over.
  EXPECT_EQ(pixel(320, 240) & 0xFFFFFF00u, 0u);
  EXPECT_EQ(pixel(0, 0) & 0xFFFFFF00u, 0u);
  EXPECT_EQ(gOverlay1, &EncounterEffect);
  gOverlay1();
  EXPECT_EQ(gOverlay1, &NoOverlay);
  EXPECT_EQ(gScene, &BattleEntryScene);
}

TEST_F(TransitionTest, EncounterWithoutCaptureTargetsStillReachesTheBattle) {
  // No capture set-up: the break-up is skipped, the way into the battle is not.
  startEncounter();
  for (int n = 1; n <= 65; ++n) gOverlay1();
  EXPECT_EQ(gScene, &BattleEntryScene);
  EXPECT_EQ(gOverlay1, &NoOverlay);
}
