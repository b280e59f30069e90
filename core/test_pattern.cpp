#include "core/test_pattern.h"

#include <cstdint>

#include "core/graphics.h"

namespace {

struct PatternVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};

void rect(float x, float y, float w, float h, uint32_t colour) {
  const PatternVertex quad[4] = {
      {x, y, 0.0f, 1.0f, colour},
      {x + w, y, 0.0f, 1.0f, colour},
      {x, y + h, 0.0f, 1.0f, colour},
      {x + w, y + h, 0.0f, 1.0f, colour},
  };
  gDevice->DrawPrimitiveUP(plat::D3DPT_TRIANGLESTRIP, 2, quad, sizeof(PatternVertex));
}

int gPatternFrame = 0;

}  // namespace

void TestPatternScene() {
  using namespace plat;
  constexpr uint32_t kBars[8] = {0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00,
                                 0xFFFF00FF, 0xFFFF0000, 0xFF0000FF, 0xFF000000};
  gDevice->SetTexture(0, nullptr);
  gDevice->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  for (int i = 0; i < 8; ++i) rect(80.0f * i, 0.0f, 80.0f, 320.0f, kBars[i]);
  for (int i = 0; i < 16; ++i) {
    const uint32_t g = static_cast<uint32_t>(i * 17);
    rect(40.0f * i, 320.0f, 40.0f, 160.0f, 0xFF000000u | g << 16 | g << 8 | g);
  }
  const float x = static_cast<float>(gPatternFrame % 600);
  rect(x, 380.0f, 40.0f, 40.0f, 0xFFFF8000);
  ++gPatternFrame;
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
}

void resetTestPattern() {
  gPatternFrame = 0;
}
