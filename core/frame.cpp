#include "core/frame.h"

#include <chrono>

#include "core/capture.h"
#include "core/draw2d.h"
#include "core/graphics.h"
#include "core/state_json.h"
#include "core/test_pattern.h"

SlotFunction gScene = NoOverlay;  // the start-up installs BootScene before the first frame
SlotFunction gOverlay1 = NoOverlay;
SlotFunction gOverlay2 = NoOverlay;

uint32_t gFadeColour = 0;
int32_t gFadeSpeed = 0;
int32_t gStepCounter = 0;

uint32_t gFrameStart = 0;
int32_t gFrameTime = 0;
plat::D3DVIEWPORT8 gFullScreenViewport = {};
int64_t gFrameWorkMicros = 0;
int64_t gFrameWorkStartMicros = 0;
SlotFunction gFrameScene = NoOverlay;

namespace {

const SlotName kCoreSlotNames[] = {
    {NoOverlay, "NoOverlay"},
    {TestPatternScene, "TestPatternScene"},
    {ZoomBlurOverlay, "ZoomBlurOverlay"},
    {CrossFadeOverlay, "CrossFadeOverlay"},
};

}  // namespace

void NoOverlay() {}

int64_t steadyClockMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void drawFadeQuad(uint32_t colour) {
  drawFadeRect(colour, 0.0f, 0.0f, 640.0f, 480.0f);
}

void drawFadeRect(uint32_t colour, float x0, float y0, float x1, float y1) {
  using namespace plat;
  if (!gDevice) return;
  // Untextured: the texture coordinates are not used.
  const ScreenVertex quad[4] = {
      {x0, y0, 0.0f, 0.0f, 0.0f, colour},
      {x1, y0, 0.0f, 1.0f, 0.0f, colour},
      {x0, y1, 0.0f, 0.0f, 1.0f, colour},
      {x1, y1, 0.0f, 1.0f, 1.0f, colour},
  };
  gDevice->SetTexture(0, nullptr);
  gDevice->SetVertexShader(kScreenVertexFormat);
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
}

void updateFade() {
  if (gFadeSpeed == 0) return;
  // Summed wide: a speed near the int32 limits still saturates instead of overflowing.
  const int64_t a = static_cast<int64_t>(gFadeColour >> 24) + gFadeSpeed;
  uint32_t alpha;
  if (a > 254) {
    alpha = 255;
  } else if (a < 1) {
    gFadeColour = 0;
    return;
  } else {
    alpha = static_cast<uint32_t>(a);
  }
  gFadeColour = (gFadeColour & 0x00FFFFFFu) | (alpha << 24);
}

void frameFunction() {
  using namespace plat;
  gDevice->SetViewport(gFullScreenViewport);
  gDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
  gScene();
  updateFade();
  if (gFadeColour != 0) drawFadeQuad(gFadeColour);
  gOverlay1();
  gOverlay2();
}

void resetFrameState() {
  gScene = NoOverlay;
  gOverlay1 = NoOverlay;
  gOverlay2 = NoOverlay;
  gFadeColour = 0;
  gFadeSpeed = 0;
  gStepCounter = 0;
  gFrameStart = 0;
  gFrameTime = 0;
  gFullScreenViewport = {};
  gFrameWorkMicros = 0;
  gFrameWorkStartMicros = 0;
  gFrameScene = NoOverlay;
}

std::span<const SlotName> coreSlotNames() {
  return kCoreSlotNames;
}

std::string fadeColourJson() {
  return state_json::hex32(gFadeColour);
}

std::string fadeSpeedJson() {
  return std::to_string(gFadeSpeed);
}

std::string stepCounterJson() {
  return std::to_string(gStepCounter);
}
