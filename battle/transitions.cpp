#include "battle/transitions.h"

#include <cstring>
#include <vector>

#include "core/capture.h"
#include "core/draw2d.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "battle/battle_scenes.h"
#include "gfx/math.h"


namespace {

const SlotName kBattleSlotNames[] = {
    {EncounterEffect, "EncounterEffect"},
    {BattleEntryScene, "BattleEntryScene"},
    {BattleExitScene, "BattleExitScene"},
    {BattleReturnFlash, "BattleReturnFlash"},
    {BattleEndFade, "BattleEndFade"},
};

constexpr int kEncounterSoundSlot = 2;
constexpr int32_t kBreakUpFrames = 64;

// One frame of the break-up: the captured frame cut into a 21 x 23 grid of cells, each split
// into two triangles that fly apart, turn and grow, over black that closes in from frame 49.
void drawBreakUp(int32_t n) {
  using namespace plat;
  drawFadeQuad(0xFF000000u);
  if (captureReady()) {
    gDevice->SetRenderState(D3DRS_ZENABLE, false);
    gDevice->SetTexture(0, captureTexture(0));
    gDevice->SetVertexShader(kScreenVertexFormat);
    gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    const float s = 1.0f + 0.03f * static_cast<float>(n);
    float theta = static_cast<float>(n) * 4.2f * 0.0174533f;
    const float spread = 0.4f * static_cast<float>(n);
    // Every triangle goes in one list, in the order they overlap.
    static std::vector<ScreenVertex> triangles;
    triangles.clear();
    for (int r = 0; r <= 20; ++r) {
      const int a = 2 * r - 20;
      for (int j = 0; j <= 22; ++j) {
        const int b = 2 * j - 24;
        for (int t = 0; t <= 1; ++t) {
          theta += static_cast<float>(r + j + t) * 3.4f;
          const float x0 = 32.0f * static_cast<float>(r) + spread * static_cast<float>(a + t);
          const float y0 = 24.0f * static_cast<float>(j) + spread * static_cast<float>(b + t);
          const float c = fastCos(theta);
          const float sn = fastSin(theta);
          auto corner = [&](float x, float y, float u, float v) {
            const float dx = (x - x0) * s;
            const float dy = (y - y0) * s;
            return ScreenVertex(x0 + (dx - dy) * c, y0 + dy * sn + (dx - dy) * sn * c, 1.0f, u, v, 0x80FFFFFFu);
          };
          const float uL = static_cast<float>(r) / 32.0f;
          const float uR = uL + 1.0f / 32.0f;
          const float vT = static_cast<float>(j) / 24.0f;
          const float vB = vT + 1.0f / 24.0f;
          const ScreenVertex k0 = corner(x0, y0, uL, vT);
          const ScreenVertex k1 = corner(x0 + 32.0f, y0, uR, vT);
          const ScreenVertex k2 = corner(x0 + 32.0f, y0 + 24.0f, uR, vB);
          const ScreenVertex k3 = corner(x0, y0 + 24.0f, uL, vB);
          triangles.insert(triangles.end(), {k0, t == 0 ? k1 : k2, t == 0 ? k2 : k3});
        }
      }
    }
    gDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<unsigned>(triangles.size() / 3), triangles.data(),
                             sizeof(ScreenVertex));
  }
  if (n > 48) {
    const uint32_t alpha = static_cast<uint32_t>(static_cast<float>(n - 48) * 15.9375f);
    drawFadeQuad(alpha << 24);
  }
  gDevice->SetRenderState(plat::D3DRS_CULLMODE, plat::D3DCULL_CCW);
  gDevice->SetRenderState(plat::D3DRS_ZENABLE, true);
}

}  // namespace

void startEncounter() {
  clearCaptureTargets();
  setCaptureTarget(0);
  playSound(kEncounterSoundSlot);
  gStepCounter = 0;
  gOverlay1 = EncounterEffect;
}

void EncounterEffect() {
  const int32_t n = ++gStepCounter;
  if (n == 1) return;  // the scene of this frame still renders into capture target 0
  if (n == 2) {
    restoreBackBuffer();
    gScene = NoOverlay;
  }
  if (n <= kBreakUpFrames) {
    drawBreakUp(n);
    return;
  }
  gOverlay1 = NoOverlay;
  gScene = BattleEntryScene;
  if (std::strcmp(gBattleMusicName, gFieldMusicName) != 0) {
    stopMusic();
    playMusic(gBattleMusicName);
  }
}

void BattleReturnFlash() {
  const int32_t n = --gStepCounter;
  if (n >= 1) {
    drawFadeQuad(static_cast<uint32_t>(n) << 27);
  } else {
    gOverlay1 = NoOverlay;
  }
}

void BattleEndFade() {
  const int32_t n = ++gStepCounter;
  drawFadeQuad(static_cast<uint32_t>(n) << 26);
  if (n > 62) {
    gOverlay1 = NoOverlay;
    gScene = BattleExitScene;
  }
}

std::span<const SlotName> battleSlotNames() {
  return kBattleSlotNames;
}
