#include "core/capture.h"

#include <cstring>
#include <memory>

#include "core/draw2d.h"
#include "core/frame.h"
#include "core/graphics.h"

namespace {

using namespace plat;

constexpr unsigned kCaptureWidth = 1024;
constexpr unsigned kCaptureHeight = 512;
constexpr DWORD kScreenQuadFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The screen quad's vertex (28 bytes).
struct QuadVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 28);

// The 640 x 480 corner of a capture target, 5 pixels larger on every side, at alpha 0xD0.
constexpr QuadVertex kScreenQuad[4] = {
    {-5.0f, -5.0f, 0.5f, 1.0f, 0xD0FFFFFF, 0.0f, 0.0f},
    {645.0f, -5.0f, 0.5f, 1.0f, 0xD0FFFFFF, 0.625f, 0.0f},
    {-5.0f, 485.0f, 0.5f, 1.0f, 0xD0FFFFFF, 0.0f, 0.9375f},
    {645.0f, 485.0f, 0.5f, 1.0f, 0xD0FFFFFF, 0.625f, 0.9375f},
};

struct CaptureResources {
  Surface* backBuffer = nullptr;  // owned by the device
  Surface* backBufferDepth = nullptr;
  std::unique_ptr<Surface> depth;
  std::unique_ptr<Texture> targets[2];
  Surface* surfaces[2] = {};  // level 0 of each target, owned by the target
  std::unique_ptr<VertexBuffer> screenQuad;
};

CaptureResources gCapture;
bool gCaptureReady = false;
int32_t gZoomBlurCounter = 0;  // never reset

}  // namespace

bool captureReady() {
  return gCaptureReady && gDevice;
}

void releaseCaptureResources() {
  gCaptureReady = false;
  gCapture.screenQuad.reset();
  for (int i = 0; i < 2; ++i) {
    gCapture.surfaces[i] = nullptr;
    gCapture.targets[i].reset();
  }
  gCapture.depth.reset();
  gCapture.backBuffer = nullptr;
  gCapture.backBufferDepth = nullptr;
}

bool captureSetup() {
  releaseCaptureResources();
  if (!gDevice) return false;
  gDevice->GetRenderTarget(&gCapture.backBuffer);
  gDevice->GetDepthStencilSurface(&gCapture.backBufferDepth);
  bool ok = gCapture.backBuffer && gCapture.backBufferDepth;
  ok = ok && SUCCEEDED(gDevice->CreateDepthStencilSurface(kCaptureWidth, kCaptureHeight, D3DFMT_D24S8,
                                                           D3DMULTISAMPLE_NONE, &gCapture.depth));
  for (int i = 0; ok && i < 2; ++i) {
    ok = SUCCEEDED(gDevice->CreateTexture(kCaptureWidth, kCaptureHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                          D3DPOOL_DEFAULT, &gCapture.targets[i]));
    if (ok) gCapture.surfaces[i] = gCapture.targets[i]->GetSurfaceLevel(0);
    ok = ok && gCapture.surfaces[i] &&
         SUCCEEDED(gDevice->SetRenderTarget(gCapture.surfaces[i], gCapture.depth.get()));
    if (ok) gDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0);
  }
  ok = ok && SUCCEEDED(gDevice->CreateVertexBuffer(sizeof kScreenQuad, 0, kScreenQuadFormat, D3DPOOL_DEFAULT,
                                                   &gCapture.screenQuad));
  uint8_t* bytes = nullptr;
  if (ok && SUCCEEDED(gCapture.screenQuad->Lock(0, sizeof kScreenQuad, &bytes, 0))) {
    std::memcpy(bytes, kScreenQuad, sizeof kScreenQuad);
    gCapture.screenQuad->Unlock();
  }
  if (gCapture.backBuffer) gDevice->SetRenderTarget(gCapture.backBuffer, gCapture.backBufferDepth);
  if (!ok) {
    releaseCaptureResources();
    return false;
  }
  gCaptureReady = true;
  return true;
}

void setCaptureTarget(int which) {
  if (!captureReady() || which < 0 || which > 1) return;
  gDevice->SetRenderTarget(gCapture.surfaces[which], gCapture.depth.get());
}

void restoreBackBuffer() {
  if (!captureReady()) return;
  gDevice->SetRenderTarget(gCapture.backBuffer, gCapture.backBufferDepth);
}

Texture* captureTexture(int which) {
  if (!captureReady() || which < 0 || which > 1) return nullptr;
  return gCapture.targets[which].get();
}

void clearCaptureTargets() {
  if (!captureReady()) return;
  for (int i = 0; i < 2; ++i) {
    setCaptureTarget(i);
    gDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  }
}

void stopZoomBlur() {
  gOverlay2 = NoOverlay;
  clearCaptureTargets();
  restoreBackBuffer();
}

void ZoomBlurOverlay() {
  if (!captureReady()) return;
  gZoomBlurCounter = int32_t(uint32_t(gZoomBlurCounter) + 1u);
  // The counter runs on from battle to battle. When its parity would have the blur read the
  // target that is being drawn into, it steps once more so that the two targets alternate.
  Surface* current = nullptr;
  gDevice->GetRenderTarget(&current);
  if (current == gCapture.surfaces[(gZoomBlurCounter - 1) & 1])
    gZoomBlurCounter = int32_t(uint32_t(gZoomBlurCounter) + 1u);
  const int k = gZoomBlurCounter;
  const int a = (k - 1) & 1, b = k & 1;

  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gDevice->SetTexture(0, gCapture.targets[a].get());
  gDevice->SetStreamSource(0, gCapture.screenQuad.get(), sizeof(QuadVertex));
  gDevice->SetVertexShader(kScreenQuadFormat);
  // The previous composite, enlarged, over the frame just drawn into the current target.
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  // The new composite to the screen.
  restoreBackBuffer();
  gDevice->SetTexture(0, gCapture.targets[b].get());
  gDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  // The next frame draws into the other target.
  setCaptureTarget(a);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
}

void CrossFadeOverlay() {
  const int n = ++gStepCounter;
  if (n == 1) {
    clearCaptureTargets();
    setCaptureTarget(0);
    return;
  }
  if (n == 2) {
    restoreBackBuffer();
  } else if (n >= 64) {
    gOverlay2 = NoOverlay;
    return;
  }
  if (!captureReady()) return;

  const int v = n * 4 > 255 ? 255 : n * 4;
  const uint32_t colour = (uint32_t(255 - v) << 24) | 0xFFFFFF;
  const ScreenVertex quad[4] = {
      {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, colour},
      {640.0f, 0.0f, 1.0f, 0.625f, 0.0f, colour},
      {0.0f, 480.0f, 1.0f, 0.0f, 0.9375f, colour},
      {640.0f, 480.0f, 1.0f, 0.625f, 0.9375f, colour},
  };
  gDevice->SetTexture(0, gCapture.targets[0].get());
  gDevice->SetVertexShader(kScreenVertexFormat);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
}
