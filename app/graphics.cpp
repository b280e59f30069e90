#include "app/graphics.h"

#include <cmath>

#include "app/capture.h"

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

plat::D3DMATRIX gameProjection() {
  const float fov = 0.7853982f, aspect = 1.3333334f, nearPlane = 64.0f, farPlane = 15000.0f;
  const float yScale = 1.0f / std::tan(fov / 2.0f);
  const float xScale = yScale / aspect;
  const float zScale = farPlane / (farPlane - nearPlane);
  plat::D3DMATRIX m{};
  m.m[0][0] = xScale;
  m.m[1][1] = yScale;
  m.m[2][2] = zScale;
  m.m[2][3] = 1.0f;
  m.m[3][2] = -nearPlane * zScale;
  return m;
}
