// Function commands of the camera, blending, the render target and the lights: f23, f39, f47,
// f52, f55.
#include "core/graphics.h"
#include "event/runners.h"
#include "gfx/camera.h"

namespace {

constexpr float kHundredth = 0.01f;
constexpr int kLightCount = 8;

// f23: a camera motion of type V3 over V4 frames with the vector (V0, V1, V2) and continue V5.
void cameraCommand(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  const VECTOR vector{static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
  cameraMotion(v[3], v[4], vector, v[5]);
}

// f39: additive blending (V0 != 0) or normal blending.
void blendCommand(const ScriptCall& call) {
  using namespace plat;
  if (!gDevice) return;
  const bool additive = call.script.v[0] != 0;
  gDevice->SetRenderState(D3DRS_SRCBLEND, additive ? D3DBLEND_ONE : D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
}

// f47: the render target cleared to black.
void clearToBlack(const ScriptCall&) {
  if (gDevice) gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0, 1.0f, 0);
}

float combined(float current, int operation, int32_t value) {
  const float amount = static_cast<float>(value) * kHundredth;
  switch (operation) {
    case 0: return amount;
    case 1: return current + amount;
    case 2: return current * amount;
    default: return current;
  }
}

// Light index: component 0 … 2 diffuse red, green, blue (the ambient follows at half), 3 the
// range, 5 switches the light on or off (V2); operation 0 set, 1 add, 2 multiply, in hundredths.
void changeLight(int index, int component, int operation, int32_t value) {
  using namespace plat;
  if (!gDevice || index < 0 || index >= kLightCount) return;
  if (component == 5) {
    gDevice->LightEnable(static_cast<DWORD>(index), value != 0);
    return;
  }
  D3DLIGHT8 light{};
  gDevice->GetLight(static_cast<DWORD>(index), &light);
  switch (component) {
    case 0: light.Diffuse.r = combined(light.Diffuse.r, operation, value); break;
    case 1: light.Diffuse.g = combined(light.Diffuse.g, operation, value); break;
    case 2: light.Diffuse.b = combined(light.Diffuse.b, operation, value); break;
    case 3: light.Range = combined(light.Range, operation, value); break;
    default: return;
  }
  if (component <= 2) {
    light.Ambient.r = light.Diffuse.r * 0.5f;
    light.Ambient.g = light.Diffuse.g * 0.5f;
    light.Ambient.b = light.Diffuse.b * 0.5f;
  }
  gDevice->SetLight(static_cast<DWORD>(index), &light);
}

// f52: light 0 (V0 component, V1 operation, V2 value).
void lightZero(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (v[0] >= 0 && v[0] <= 3) changeLight(0, v[0], v[1], v[2]);
}

// f55: light V3 (V0 component, V1 operation, V2 value).
void anyLight(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  changeLight(v[3], v[0], v[1], v[2]);
}

constexpr CommandEntry kCommands[] = {
    {23, cameraCommand}, {39, blendCommand}, {47, clearToBlack}, {52, lightZero}, {55, anyLight},
};

}  // namespace

std::span<const CommandEntry> cameraCommands() {
  return kCommands;
}
