// The cost of an RB Object format model of a few hundred polygons: the skinning and normal pass
// alone, and the whole draw (skinning, normals, one device call per polygon) on the real device.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/graphics.h"
#include "gfx/rb_model.h"
#include "platform/window.h"

namespace {

bool openDevice() {
  static const bool ready = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    return plat::CreateMainWindow("orvane bench") && graphicsSetup();
  }();
  return ready;
}

class Writer {
 public:
  std::vector<uint8_t> bytes;
  void u8(int v) { bytes.push_back(static_cast<uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) u8(bits >> (8 * i) & 0xFF);
  }
  void str(const std::string& s) {
    u8(static_cast<int>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
  }
};

// A tube of kRings rings of kSides quads along +Y (kRings - 1 times kSides quads), each ring
// bound half and half to a chain of four bones that bend through a 30-frame animation.
constexpr int kSides = 16;
constexpr int kRings = 25;
constexpr int kBones = 5;

std::vector<uint8_t> tubeModel() {
  Writer w;
  std::string header = "RB Object format V1.0 BINARY";
  header.resize(kRbHeaderSize, '\0');
  w.bytes.assign(header.begin(), header.end());
  w.u8(kBones);
  w.u8(0);
  for (int b = 0; b < kBones; ++b) {
    w.u8(b);
    w.str(b == 0 ? "r" : "b" + std::to_string(b));
    w.f32(0);
    w.f32(b == 0 ? 0.0f : float(b - 1) * 60);
    w.f32(0);
    w.f32(0);
    w.u8(b <= 1 ? 0 : b - 1);
    w.u8(b + 1 < kBones ? 1 : 0);
    if (b + 1 < kBones) {
      w.u8(0);
      w.u8(b + 1);
    }
  }
  w.u16(kRings * kSides);
  for (int ring = 0; ring < kRings; ++ring) {
    const float y = float(ring) * 10;
    const int lower = 1 + std::min(ring / 6, kBones - 2);
    const int upper = std::min(lower + 1, kBones - 1);
    for (int side = 0; side < kSides; ++side) {
      const float angle = float(side) * 6.2831853f / kSides;
      w.f32(std::cos(angle) * 20);
      w.f32(y);
      w.f32(std::sin(angle) * 20);
      w.u8(lower);
      w.u8(upper);
      w.f32(1.0f - float(ring % 6) / 6);
    }
  }
  w.u16(1);
  w.f32(0);
  w.f32(0);
  w.u16(1);
  w.u16(0);
  w.u8(1);
  w.str("tube");
  w.u16((kRings - 1) * kSides);
  for (int ring = 0; ring + 1 < kRings; ++ring) {
    for (int side = 0; side < kSides; ++side) {
      const int next = (side + 1) % kSides;
      w.u16(4);
      for (int v : {ring * kSides + side, (ring + 1) * kSides + side, (ring + 1) * kSides + next, ring * kSides + next}) {
        w.u16(v);
        w.u16(0);
      }
      w.u8(0);
    }
  }
  w.u8(1);
  w.u8(1);
  w.u8(0);
  w.u8(0);
  w.u8(0);
  w.u8(1);
  w.u8(0);
  w.str("bend");
  for (int b = 0; b < kBones; ++b) {
    w.u8(b);
    w.u16(b == 0 ? 0 : 2);
    if (b == 0) continue;
    for (int k = 0; k < 2; ++k) {
      const float half = k == 0 ? 0.0f : 0.2f;
      w.u16(k * 30);
      for (int i = 0; i < 3; ++i) w.f32(0);
      w.f32(std::sin(half));
      w.f32(0);
      w.f32(0);
      w.f32(std::cos(half));
      for (int i = 0; i < 3; ++i) w.f32(1);
    }
  }
  return w.bytes;
}

void loadTube(OBJMODEL& model) {
  model.reset();
  model.loadFromMemory(tubeModel(), "tube", 0.01f);
  model.setAnim(0);
  model.rewind();
}

void BM_SkinAndNormals(benchmark::State& state) {
  OBJMODEL model;
  loadTube(model);
  for (auto _ : state) {
    if (model.advance(1)) model.rewind();
    model.skin();
    model.computeNormals();
    benchmark::DoNotOptimize(model.skinnedPositions().data());
  }
  state.SetItemsProcessed(state.iterations() * model.vertexCount());
}
BENCHMARK(BM_SkinAndNormals);

void BM_DrawModel(benchmark::State& state) {
  if (!openDevice()) {
    state.SkipWithError("no device");
    return;
  }
  OBJMODEL model;
  loadTube(model);
  const MATRIX projection = gameProjection();
  MATRIX view;
  view.identity();
  gDevice->SetTransform(plat::D3DTS_PROJECTION, &projection);
  gDevice->SetTransform(plat::D3DTS_VIEW, &view);
  gDevice->SetRenderState(plat::D3DRS_ZENABLE, true);
  lightSetup();
  model.position.set(0, -120, 600);
  for (auto _ : state) {
    if (model.advance(1)) model.rewind();
    model.draw(gDevice, 1.0f);
    gDevice->ReadBackBuffer();  // waits for the drawing to finish
  }
  state.SetItemsProcessed(state.iterations() * (kRings - 1) * kSides);
}
BENCHMARK(BM_DrawModel);

}  // namespace
