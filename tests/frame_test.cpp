#include <gtest/gtest.h>

#include "core/frame.h"
#include "app/main_loop.h"
#include "app/quit.h"
#include "app/window_proc.h"
#include "game_fixture.h"

namespace {

// Runs the fade for n frames from a colour and speed; returns the colour.
uint32_t fadeAfter(uint32_t colour, int32_t speed, int frames) {
  gFadeColour = colour;
  gFadeSpeed = speed;
  for (int i = 0; i < frames; ++i) updateFade();
  return gFadeColour;
}

}  // namespace

TEST(Fade, RisingFadeCoversOnTheEleventhFrameAndStays) {
  EXPECT_EQ(fadeAfter(0, 24, 10), 0xF0000000u);
  EXPECT_EQ(fadeAfter(0, 24, 11), 0xFF000000u);
  EXPECT_EQ(fadeAfter(0, 24, 40), 0xFF000000u);
  EXPECT_EQ(gFadeSpeed, 24);
}

TEST(Fade, FallingFadeClearsToZeroOnTheEleventhFrame) {
  EXPECT_EQ(fadeAfter(0xFF000000u, -24, 1), 0xE7000000u);
  EXPECT_EQ(fadeAfter(0xFF000000u, -24, 10), 0x0F000000u);
  EXPECT_EQ(fadeAfter(0xFF000000u, -24, 11), 0u);
  // Reaching zero clears the colour's RGB too, and it stays cleared.
  EXPECT_EQ(fadeAfter(0xFF123456u, -24, 11), 0u);
  EXPECT_EQ(fadeAfter(0xFF123456u, -24, 20), 0u);
}

TEST(Fade, SpeedZeroLeavesTheColourAlone) {
  EXPECT_EQ(fadeAfter(0x00FF0000u, 0, 5), 0x00FF0000u);
}

TEST(Fade, ExtremeSpeedsSaturateInsteadOfOverflowing) {
  EXPECT_EQ(fadeAfter(0xFF000000u, INT32_MAX, 1), 0xFF000000u);
  EXPECT_EQ(fadeAfter(0x80102030u, INT32_MAX, 1), 0xFF102030u);
  EXPECT_EQ(fadeAfter(0x80102030u, INT32_MIN, 1), 0u);
}

namespace {

int gSceneCalls = 0;
int gOverlayCalls = 0;
void CountingOverlay() {
  ++gOverlayCalls;
}
void SecondScene() {
  ++gSceneCalls;
}
void SceneThatInstallsOverlay() {
  gOverlay1 = CountingOverlay;
}
void SceneThatInstallsScene() {
  gScene = SecondScene;
}

class FrameTest : public GameDeviceTest {
 protected:
  void SetUp() override {
    GameDeviceTest::SetUp();
    gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
    gSceneCalls = gOverlayCalls = 0;
  }
};

}  // namespace

TEST_F(FrameTest, OverlayInstalledByTheSceneRunsTheSameFrameAndASceneTheNext) {
  gScene = SceneThatInstallsOverlay;
  frameFunction();
  EXPECT_EQ(gOverlayCalls, 1);

  gScene = SceneThatInstallsScene;
  frameFunction();
  EXPECT_EQ(gSceneCalls, 0);
  frameFunction();
  EXPECT_EQ(gSceneCalls, 1);
}

TEST_F(FrameTest, FadeQuadIsDrawnForAnyNonZeroColourAndSkippedAtZero) {
  // With blend factors ONE/ZERO a drawn quad shows its RGB whatever its alpha.
  gDevice->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_ONE);
  gDevice->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_ZERO);
  gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  gFadeColour = 0x00FF0000u;  // alpha 0, red, speed 0: still drawn
  frameFunction();
  EXPECT_EQ(pixel(320, 240) & 0xFFFFFF00u, 0xFF000000u);

  gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  gFadeColour = 0x0F000000u;
  gFadeSpeed = -24;  // reaches zero this frame: no quad
  frameFunction();
  EXPECT_EQ(gFadeColour, 0u);
  EXPECT_EQ(pixel(320, 240) & 0xFFFFFF00u, 0x0000FF00u);
}

TEST_F(FrameTest, FadeQuadBlendsByItsAlpha) {
  gDevice->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_INVSRCALPHA);
  gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  drawFadeQuad(0x80000000u);
  const uint32_t p = pixel(10, 10);
  for (int shift : {24, 16, 8}) {
    const int c = static_cast<int>((p >> shift) & 0xFF);
    EXPECT_NEAR(c, 127, 1);
  }
}

namespace {

// A clock the test moves by hand: the scene advances it by the frame's work time.
uint32_t gFakeNow = 5000;
int gWorkMs = 0;
int gSleptMs = -1;
void WorkingScene() {
  gFakeNow += static_cast<uint32_t>(gWorkMs);
}

}  // namespace

TEST_F(FrameTest, PacingSleepsTheRestOfTwentyTwoMilliseconds) {
  plat::SetClock({[] { return gFakeNow; }, [](int ms) {
                    gSleptMs = ms;
                    gFakeNow += static_cast<uint32_t>(ms);
                  }});
  gScene = WorkingScene;
  gFrameStart = gFakeNow;

  gWorkMs = 5;
  EXPECT_EQ(runOneFrame(), 17);
  EXPECT_EQ(gSleptMs, 17);

  gWorkMs = 30;
  EXPECT_EQ(runOneFrame(), 0);
  EXPECT_EQ(gSleptMs, 0);
  // The frame time is measured from one frame start to the next.
  EXPECT_EQ(gFrameTime, 22);
  gWorkMs = 0;
  runOneFrame();
  EXPECT_EQ(gFrameTime, 30);
}

TEST(Startup, SecondCopyEndsAtOnceWithoutAWindow) {
  // This process plays the first copy.
  ASSERT_TRUE(plat::AcquireInstanceLock("RE_RUZ DX8 VERSION"));
  EXPECT_EQ(WinMain(), 0);
  EXPECT_FALSE(plat::MainWindowExists());
}
