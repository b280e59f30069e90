// The capture machinery on the real device: the cross-fade's timing and alpha, the zoom blur's
// composite and its end, and the effects skipped when the capture targets could not be made.
#include <gtest/gtest.h>

#include "core/capture.h"
#include "core/draw2d.h"
#include "core/frame.h"
#include "device_fixture.h"
#include "forwarding_device.h"

using namespace plat;

namespace {

// The real device, except that render-target textures cannot be made.
class NoRenderTargetDevice final : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  HRESULT CreateTexture(unsigned w, unsigned h, unsigned levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::unique_ptr<Texture>* texture) override {
    if (usage & D3DUSAGE_RENDERTARGET) return D3DERR_OUTOFVIDEOMEMORY;
    return d->CreateTexture(w, h, levels, usage, format, pool, texture);
  }
};

class CaptureTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    // The boot's blend factors.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  Surface* renderTarget() {
    Surface* s = nullptr;
    device->GetRenderTarget(&s);
    return s;
  }
};

}  // namespace

TEST_F(CaptureTest, SetUpLeavesTheBackBufferAsTarget) {
  Surface* backBuffer = renderTarget();
  ASSERT_TRUE(captureSetup());
  EXPECT_TRUE(captureReady());
  EXPECT_EQ(renderTarget(), backBuffer);
  ASSERT_NE(captureTexture(0), nullptr);
  EXPECT_EQ(captureTexture(0)->GetLevelDesc(0).Width, 1024u);
  EXPECT_EQ(captureTexture(1)->GetLevelDesc(0).Height, 512u);
  clearCaptureTargets();
  EXPECT_EQ(renderTarget(), captureTexture(1)->GetSurfaceLevel(0));
  restoreBackBuffer();
  EXPECT_EQ(renderTarget(), backBuffer);
}

TEST_F(CaptureTest, CrossFadeDrawsFrom247AndEndsOnCall64) {
  ASSERT_TRUE(captureSetup());
  Surface* backBuffer = renderTarget();
  gOverlay2 = CrossFadeOverlay;

  // Call 1 draws nothing and makes the next frame render into capture target 0.
  const auto before = frame();
  gOverlay2();
  EXPECT_EQ(frame(), before);
  EXPECT_EQ(renderTarget(), captureTexture(0)->GetSurfaceLevel(0));
  device->SetViewport({0, 0, 640, 480, 0.0f, 1.0f});
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);  // the captured frame: white

  // Call 2 goes back to the back buffer and lays the capture over it at alpha 247.
  gOverlay2();
  EXPECT_EQ(renderTarget(), backBuffer);
  EXPECT_TRUE(near(at(320, 240), {247, 247, 247, 255}, 1));
  EXPECT_TRUE(near(at(0, 0), {247, 247, 247, 255}, 1));
  for (int n = 3; n < 64; ++n) {
    gOverlay2();
    ASSERT_EQ(gOverlay2, CrossFadeOverlay) << n;
  }
  gOverlay2();
  EXPECT_EQ(gOverlay2, NoOverlay);
  EXPECT_EQ(gStepCounter, 64);
}

TEST_F(CaptureTest, ZoomBlurCompositesAndStopsOnTheBackBuffer) {
  ASSERT_TRUE(captureSetup());
  Surface* backBuffer = renderTarget();
  Surface* depth = nullptr;
  device->GetDepthStencilSurface(&depth);
  clearCaptureTargets();
  gOverlay2 = ZoomBlurOverlay;

  // The first frame's scene: green, with a red mark in its top-left corner.
  device->SetViewport({0, 0, 640, 480, 0.0f, 1.0f});
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  const D3DRECT mark{0, 0, 100, 100};
  device->Clear(1, &mark, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  gOverlay2();
  EXPECT_EQ(renderTarget(), captureTexture(0)->GetSurfaceLevel(0));
  // The black previous composite at alpha 0xD0 over the scene leaves 255 - 208 of it.
  EXPECT_TRUE(near(at(320, 240), {0, 47, 0, 255}, 2));
  EXPECT_TRUE(near(at(30, 30), {47, 0, 0, 255}, 2));

  for (int frameNumber = 0; frameNumber < 5; ++frameNumber) {
    device->SetViewport({0, 0, 640, 480, 0.0f, 1.0f});
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawColourRect(200, 200, 40, 40, 0xFF0000FF);
    gOverlay2();
  }
  stopZoomBlur();
  EXPECT_EQ(gOverlay2, NoOverlay);
  Surface* currentDepth = nullptr;
  device->GetDepthStencilSurface(&currentDepth);
  EXPECT_EQ(renderTarget(), backBuffer);
  EXPECT_EQ(currentDepth, depth);

  // Another battle opening, whatever the counter's parity: the first frame draws into target 1
  // and the blur reads target 0, so the next frame goes to target 0.
  for (int battle = 0; battle < 2; ++battle) {
    clearCaptureTargets();
    gOverlay2 = ZoomBlurOverlay;
    gOverlay2();
    EXPECT_EQ(renderTarget(), captureTexture(0)->GetSurfaceLevel(0)) << battle;
    if (battle == 0) gOverlay2();  // one frame more flips the counter's parity
    stopZoomBlur();
  }
}

TEST_F(CaptureTest, EffectsAreSkippedWhenCaptureCouldNotBeMade) {
  NoRenderTargetDevice faulty(device);
  gDevice = &faulty;
  Surface* backBuffer = renderTarget();
  EXPECT_FALSE(captureSetup());
  EXPECT_FALSE(captureReady());
  EXPECT_EQ(captureTexture(0), nullptr);
  EXPECT_EQ(renderTarget(), backBuffer);

  const auto before = frame();
  gOverlay2 = ZoomBlurOverlay;
  for (int i = 0; i < 3; ++i) gOverlay2();
  stopZoomBlur();
  EXPECT_EQ(gOverlay2, NoOverlay);
  gOverlay2 = CrossFadeOverlay;
  for (int n = 1; n < 64; ++n) gOverlay2();
  EXPECT_EQ(gOverlay2, CrossFadeOverlay);
  gOverlay2();
  EXPECT_EQ(gOverlay2, NoOverlay);
  EXPECT_EQ(frame(), before);
  EXPECT_EQ(renderTarget(), backBuffer);
  gDevice = device;
}
