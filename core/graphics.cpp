#include "core/graphics.h"

#include <cmath>

#include "core/capture.h"

plat::Device* gDevice = nullptr;
TexRecord gTextures[kTextureTableSize];

namespace {
std::unique_ptr<plat::Device> gDeviceOwner;
}

bool graphicsSetup() {
  using namespace plat;
  // Hardware and software vertex processing are the same device here: one attempt decides.
  gDeviceOwner = CreateDevice();
  if (!gDeviceOwner) return false;
  gDevice = gDeviceOwner.get();

  gDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  gDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  gDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  gDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  gDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  gDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

  for (TexRecord& record : gTextures) {
    record.release();
    record.width = record.height = 0;
  }
  return true;
}

void graphicsShutdown() {
  releaseCaptureResources();
  for (TexRecord& record : gTextures) record.release();
  gDevice = nullptr;
  gDeviceOwner.reset();
}

void lightSetup() {
  using namespace plat;
  if (!gDevice) return;
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Specular = {0.0f, 0.0f, 0.0f, 0.0f};
  light.Ambient = {0.5f, 0.5f, 0.5f, 0.0f};
  light.Position = {-20.0f, 100.0f, -20.0f};
  light.Direction = {0.4f, 0.0f, 0.6f};
  gDevice->SetLight(0, &light);
  gDevice->LightEnable(0, true);
  gDevice->SetRenderState(D3DRS_SPECULARENABLE, false);
  gDevice->SetRenderState(D3DRS_NORMALIZENORMALS, false);
  gDevice->SetRenderState(D3DRS_DITHERENABLE, true);
}

plat::PixelShaderHandle gPixelShader = 0;

void releasePixelShader() {
  if (gDevice && gPixelShader != 0) gDevice->DeletePixelShader(gPixelShader);
  gPixelShader = 0;
}
