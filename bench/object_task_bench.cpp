// The particle field of the object tasks (o23) around the camera: a few grid sizes show that
// its cost follows what lies within reach of the eye, not the size of the grid.
#include <benchmark/benchmark.h>

#include "bench_device.h"
#include "core/graphics.h"
#include "event/object_task.h"
#include "gfx/camera.h"

namespace {

void BM_ParticleField(benchmark::State& state) {
  if (!openBenchDevice()) {
    state.SkipWithError("no device");
    return;
  }
  using namespace plat;
  setUpObjectTasks();
  ObjTask& task = *objectTaskAt(0);
  TexRecord& record = task.textures[0];
  gDevice->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &record.texture);
  record.width = record.height = 64;
  task.parts[0].texture = 0;
  const MATRIX projection = gameProjection();
  gDevice->SetTransform(D3DTS_PROJECTION, &projection);
  gCamera.eye = {1000, 700, -1600};
  gCamera.target = {1000, 300, 0};
  cameraSetView();
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  int32_t offset = 0;
  for (auto _ : state) {
    offset = wrapFallingOffset(offset + 96);
    drawParticleField(task, offset, static_cast<int32_t>(state.range(0)));
    gDevice->ReadBackBuffer();  // waits for the drawing to finish
  }
  resetObjectTasks();
}
BENCHMARK(BM_ParticleField)->Arg(2)->Arg(8)->Arg(1 << 20);

// Baseline: the same frames without the particles, only the wait for the device.
void BM_ParticleFieldBaseline(benchmark::State& state) {
  if (!openBenchDevice()) {
    state.SkipWithError("no device");
    return;
  }
  for (auto _ : state) gDevice->ReadBackBuffer();
}
BENCHMARK(BM_ParticleFieldBaseline);

}  // namespace
