// The capture machinery on the real device: the cross-fade's timing and alpha, the zoom blur's
// composite and its end, and the effects skipped when the capture targets could not be made.
#include <gtest/gtest.h>

#include "app/capture.h"
#include "app/draw2d.h"
#include "app/frame.h"
#include "device_fixture.h"

using namespace plat;

namespace {

// The real device, except that render-target textures cannot be made.
class NoRenderTargetDevice final : public Device {
 public:
  explicit NoRenderTargetDevice(Device* real) : d(real) {}
  HRESULT CreateTexture(unsigned w, unsigned h, unsigned levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::unique_ptr<Texture>* texture) override {
    if (usage & D3DUSAGE_RENDERTARGET) return D3DERR_OUTOFVIDEOMEMORY;
    return d->CreateTexture(w, h, levels, usage, format, pool, texture);
  }
  HRESULT BeginScene() override { return d->BeginScene(); }
  HRESULT EndScene() override { return d->EndScene(); }
  HRESULT Present() override { return d->Present(); }
  HRESULT Clear(DWORD n, const D3DRECT* r, DWORD f, D3DCOLOR c, float z, DWORD s) override {
    return d->Clear(n, r, f, c, z, s);
  }
  HRESULT SetViewport(const D3DVIEWPORT8& v) override { return d->SetViewport(v); }
  HRESULT GetViewport(D3DVIEWPORT8* v) override { return d->GetViewport(v); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override { return d->SetRenderState(s, v); }
  HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override { return d->GetRenderState(s, v); }
  HRESULT SetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD v) override {
    return d->SetTextureStageState(st, t, v);
  }
  HRESULT GetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override {
    return d->GetTextureStageState(st, t, v);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override { return d->SetTransform(t, m); }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) override { return d->GetTransform(t, m); }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override {
    return d->MultiplyTransform(t, m);
  }
  HRESULT SetLight(DWORD i, const D3DLIGHT8* l) override { return d->SetLight(i, l); }
  HRESULT GetLight(DWORD i, D3DLIGHT8* l) override { return d->GetLight(i, l); }
  HRESULT LightEnable(DWORD i, bool e) override { return d->LightEnable(i, e); }
  HRESULT SetMaterial(const D3DMATERIAL8* m) override { return d->SetMaterial(m); }
  HRESULT GetMaterial(D3DMATERIAL8* m) override { return d->GetMaterial(m); }
  HRESULT SetTexture(DWORD s, Texture* t) override { return d->SetTexture(s, t); }
  HRESULT CreateVertexBuffer(unsigned l, DWORD u, DWORD f, D3DPOOL p, std::unique_ptr<VertexBuffer>* b) override {
    return d->CreateVertexBuffer(l, u, f, p, b);
  }
  HRESULT SetStreamSource(unsigned s, VertexBuffer* b, unsigned stride) override {
    return d->SetStreamSource(s, b, stride);
  }
  HRESULT SetVertexShader(DWORD f) override { return d->SetVertexShader(f); }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE t, unsigned s, unsigned n) override { return d->DrawPrimitive(t, s, n); }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE t, unsigned n, const void* v, unsigned s) override {
    return d->DrawPrimitiveUP(t, n, v, s);
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE t, unsigned m, unsigned c, unsigned n, const uint16_t* i,
                                 const void* v, unsigned s) override {
    return d->DrawIndexedPrimitiveUP(t, m, c, n, i, v, s);
  }
  HRESULT CreateDepthStencilSurface(unsigned w, unsigned h, D3DFORMAT f, D3DMULTISAMPLE_TYPE m,
                                    std::unique_ptr<Surface>* s) override {
    return d->CreateDepthStencilSurface(w, h, f, m, s);
  }
  HRESULT GetRenderTarget(Surface** s) override { return d->GetRenderTarget(s); }
  HRESULT GetDepthStencilSurface(Surface** s) override { return d->GetDepthStencilSurface(s); }
  HRESULT SetRenderTarget(Surface* c, Surface* z) override { return d->SetRenderTarget(c, z); }
  HRESULT CreatePixelShader(const PixelShaderCode& c, PixelShaderHandle* h) override {
    return d->CreatePixelShader(c, h);
  }
  HRESULT SetPixelShader(PixelShaderHandle h) override { return d->SetPixelShader(h); }
  HRESULT DeletePixelShader(PixelShaderHandle h) override { return d->DeletePixelShader(h); }
  HRESULT SetPixelShaderConstant(DWORD r, const float* v, DWORD n) override {
    return d->SetPixelShaderConstant(r, v, n);
  }
  std::vector<uint8_t> ReadBackBuffer() override { return d->ReadBackBuffer(); }
  std::vector<uint8_t> ReadSurface(Surface* s) override { return d->ReadSurface(s); }

 private:
  Device* d;
};

class CaptureTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    gOverlay2 = NoOverlay;
    gStepCounter = 0;
    // The boot's blend factors.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  void TearDown() override {
    releaseCaptureResources();
    gOverlay2 = NoOverlay;
    DeviceTest::TearDown();
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
