// The cost of an RB Object format model of a few hundred polygons: the skinning and normal pass
// alone, and the whole draw (skinning, normals, one device call per polygon) on the real device.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/graphics.h"
#include "gfx/camera.h"
#include "bench_device.h"
#include "gfx/rb_model.h"
#include "platform/window.h"
#include "tests/rb_model_files.h"

namespace {

// A tube of kRings rings of kSides quads along +Y (kRings - 1 times kSides quads), each ring
// bound half and half to a chain of four bones that bend through a 30-frame animation.
constexpr int kSides = 16;
constexpr int kRings = 25;
constexpr int kBones = 5;

std::vector<uint8_t> tubeModel(int rings = kRings) {
  rbfiles::Model m;
  m.bones.clear();
  for (int b = 0; b < kBones; ++b) {
    m.bones.push_back({b, b == 0 ? "r" : "b" + std::to_string(b), {0, b == 0 ? 0.0f : float(b - 1) * 60, 0},
                       b <= 1 ? 0 : b - 1});
    if (b + 1 < kBones) m.bones.back().children = {{0, b + 1}};
  }
  for (int ring = 0; ring < rings; ++ring) {
    const float y = float(ring) * 10;
    const int lower = 1 + std::min(ring / 6, kBones - 2);
    const int upper = std::min(lower + 1, kBones - 1);
    for (int side = 0; side < kSides; ++side) {
      const float angle = float(side) * 6.2831853f / kSides;
      m.vertices.push_back({{std::cos(angle) * 20, y, std::sin(angle) * 20}, lower, upper, 1.0f - float(ring % 6) / 6});
    }
  }
  m.groups = {{0, 1, {}, "tube"}};
  for (int ring = 0; ring + 1 < rings; ++ring) {
    for (int side = 0; side < kSides; ++side) {
      const int next = (side + 1) % kSides;
      rbfiles::Polygon quad;
      for (int v : {ring * kSides + side, (ring + 1) * kSides + side, (ring + 1) * kSides + next, ring * kSides + next})
        quad.corners.push_back({v, 0});
      m.groups[0].polygons.push_back(quad);
    }
  }
  m.materials = {{1, {}}};
  rbfiles::Anim bend{0, "bend", {}};
  for (int b = 0; b < kBones; ++b) {
    rbfiles::Track track{b, {}};
    for (int k = 0; b != 0 && k < 2; ++k) {
      const float half = k == 0 ? 0.0f : 0.2f;
      QUAT turn;
      turn.set(std::sin(half), 0, 0, std::cos(half));
      track.keys.push_back({k * 30, {0, 0, 0}, turn, {1, 1, 1}});
    }
    bend.tracks.push_back(track);
  }
  m.anims = {bend};
  return m.bytes();
}

void loadTube(OBJMODEL& model, int rings = kRings) {
  model.reset();
  model.loadFromMemory(tubeModel(rings), "tube", 0.01f);
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

// Skinning alone per vertex, for tubes of 5, 25 and 100 rings of 16 vertices.
void BM_SkinPerVertex(benchmark::State& state) {
  OBJMODEL model;
  loadTube(model, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    model.skin();
    benchmark::DoNotOptimize(model.skinnedPositions().data());
  }
  state.SetItemsProcessed(state.iterations() * model.vertexCount());
}
BENCHMARK(BM_SkinPerVertex)->Arg(5)->Arg(25)->Arg(100);

// Baseline: the same vertices copied, without bones.
void BM_CopyPerVertex(benchmark::State& state) {
  OBJMODEL model;
  loadTube(model, static_cast<int>(state.range(0)));
  model.skin();
  std::vector<VECTOR> copy(model.skinnedPositions().begin(), model.skinnedPositions().end());
  for (auto _ : state) {
    std::copy(model.skinnedPositions().begin(), model.skinnedPositions().end(), copy.begin());
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations() * model.vertexCount());
}
BENCHMARK(BM_CopyPerVertex)->Arg(5)->Arg(25)->Arg(100);

void BM_DrawModel(benchmark::State& state) {
  if (!openBenchDevice()) {
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
