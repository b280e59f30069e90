#include <gtest/gtest.h>

#include "core/capture.h"
#include "core/frame.h"
#include "battle/transitions.h"
#include "battle/battle_scenes.h"
#include "game_fixture.h"
#include "gfx/math.h"
#include "recording_device.h"

namespace {

class TransitionTest : public GameDeviceTest {
 protected:
  void SetUp() override {
    GameDeviceTest::SetUp();
    gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
    gDevice->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_SRCALPHA);
    gDevice->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_INVSRCALPHA);
  }
  void whiteScreen() {
    gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  }
};

int red(uint32_t rgba) {
  return static_cast<int>(rgba >> 24);
}

// The first n - 1 calls of the encounter effect, then call n recorded on the real device.
std::vector<recording::Draw> recordBreakUpFrame(int n) {
  startEncounter();
  for (int call = 1; call < n; ++call) EncounterEffect();
  recording::ScopedRecordingDevice recorder(gDevice);
  EncounterEffect();
  return recorder.device.draws;
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

TEST_F(TransitionTest, BreakUpCutsColumnsOuterRowsInnerAndTurnsEachTriangleFurther) {
  ASSERT_TRUE(captureSetup());
  const auto draws = recordBreakUpFrame(3);
  // The black quad, then 21 columns x 23 rows x 2 triangles in one list; no closing quad yet.
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].type, plat::D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(draws[0].vertices[0].diffuse, 0xFF000000u);

  const float n = 3.0f, s = 1.0f + 0.03f * n, spread = 0.4f * n;
  const float theta0 = n * 4.2f * 0.0174533f;
  const auto& list = draws[1];
  ASSERT_EQ(list.type, plat::D3DPT_TRIANGLELIST);
  ASSERT_EQ(list.primitives, 21u * 23 * 2);
  ASSERT_EQ(list.vertices.size(), 21u * 23 * 2 * 3);
  struct Case {
    int triangle, r, j, t;
    float theta;
  };
  // theta grows by (r + j + t) x 3.4 before each triangle: after column 0 (sum of 2j + 1 over
  // 23 rows = 529) the first triangle of column 1 adds 1 more.
  const Case cases[] = {{0, 0, 0, 0, theta0}, {1, 0, 0, 1, theta0 + 3.4f}, {46, 1, 0, 0, theta0 + 3.4f * 530}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.triangle);
    const ScreenVertex* d = &list.vertices[3 * static_cast<size_t>(c.triangle)];
    const float x0 = 32.0f * c.r + spread * (2 * c.r - 20 + c.t);
    const float y0 = 24.0f * c.j + spread * (2 * c.j - 24 + c.t);
    // The cell corner stays where it is; the others turn and stretch about it.
    EXPECT_NEAR(d[0].x, x0, 1e-3);
    EXPECT_NEAR(d[0].y, y0, 1e-3);
    const float cosT = fastCos(c.theta), sinT = fastSin(c.theta);
    // Triangle 0 goes on with k1 = (x0 + 32, y0); triangle 1 with k2 = (x0 + 32, y0 + 24).
    const float dx = 32.0f * s, dy = c.t == 0 ? 0.0f : 24.0f * s;
    EXPECT_NEAR(d[1].x, x0 + (dx - dy) * cosT, 0.02);
    EXPECT_NEAR(d[1].y, y0 + dy * sinT + (dx - dy) * sinT * cosT, 0.02);
    const float uL = c.r / 32.0f, vT = c.j / 24.0f;
    EXPECT_FLOAT_EQ(d[0].u, uL);
    EXPECT_FLOAT_EQ(d[0].v, vT);
    EXPECT_FLOAT_EQ(d[1].u, uL + 1.0f / 32.0f);
    EXPECT_FLOAT_EQ(d[2].v, vT + 1.0f / 24.0f);
    for (int k = 0; k < 3; ++k) {
      const ScreenVertex& v = d[k];
      EXPECT_EQ(v.diffuse, 0x80FFFFFFu);
      EXPECT_EQ(v.z, 1.0f);
      EXPECT_EQ(v.rhw, 1.0f);
    }
  }
  plat::DWORD cull = 0, z = 0;
  gDevice->GetRenderState(plat::D3DRS_CULLMODE, &cull);
  gDevice->GetRenderState(plat::D3DRS_ZENABLE, &z);
  EXPECT_EQ(cull, static_cast<plat::DWORD>(plat::D3DCULL_CCW));
  EXPECT_EQ(z, 1u);
}

TEST_F(TransitionTest, BreakUpClosesInWithBlackFromFrame49) {
  ASSERT_TRUE(captureSetup());
  for (const auto& [n, alpha] : {std::pair{48, -1}, {49, 15}, {56, 127}, {64, 255}}) {
    SCOPED_TRACE(n);
    const auto draws = recordBreakUpFrame(n);
    const auto& last = draws.back();
    if (alpha < 0) {
      EXPECT_EQ(last.type, plat::D3DPT_TRIANGLELIST);
    } else {
      ASSERT_EQ(last.type, plat::D3DPT_TRIANGLESTRIP);
      EXPECT_EQ(last.vertices[0].diffuse, static_cast<uint32_t>(alpha) << 24);
    }
  }
}
