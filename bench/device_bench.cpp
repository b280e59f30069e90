// The cost of the game's usual draws: 2D quads one strip at a time and models one polygon at a
// time, each through the device's state cache.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "gfx/camera.h"
#include "bench_device.h"
#include "platform/window.h"

namespace {

void BM_ColourRects(benchmark::State& state) {
  if (!openBenchDevice()) {
    state.SkipWithError("no device");
    return;
  }
  gDevice->SetRenderState(plat::D3DRS_ZENABLE, false);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) drawColourRect(float(i % 40) * 16, float(i / 40) * 16, 16, 16, 0xFF808080);
    gDevice->ReadBackBuffer();  // waits for the drawing to finish
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ColourRects);

void BM_LitTriangles(benchmark::State& state) {
  if (!openBenchDevice()) {
    state.SkipWithError("no device");
    return;
  }
  using namespace plat;
  struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
  };
  const D3DMATRIX projection = gameProjection();
  gDevice->SetTransform(D3DTS_PROJECTION, &projection);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  gDevice->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  lightSetup();
  const uint16_t indices[3] = {0, 1, 2};
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const float x = float(i % 50) * 10 - 250, y = float(i / 50) * 10 - 100;
      const Vertex triangle[3] = {{x, y, 500, 0, 0, -1, 0, 0}, {x + 8, y, 500, 0, 0, -1, 1, 0},
                                  {x, y + 8, 500, 0, 0, -1, 0, 1}};
      gDevice->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, triangle, sizeof(Vertex));
    }
    gDevice->ReadBackBuffer();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_LitTriangles);

}  // namespace
