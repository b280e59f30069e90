// The hot paths with their growth, each beside a baseline that runs the same loop without the
// work, so that the ratio of the two reads the same on any machine: Mat drawing per polygon (on
// a device that draws nothing: the game's own share), the label search per kilobyte of script
// and a frame of "f" command dispatch. Skinning per vertex is in rb_model_bench.cpp, the ground
// query per face of a cell in walk_bench.cpp, the particle field in object_task_bench.cpp.
#include <benchmark/benchmark.h>

#include <span>
#include <string>

#include "core/graphics.h"
#include "event/runners.h"
#include "event/script.h"
#include "field/field.h"
#include "flat_map.h"
#include "gfx/mat_model.h"
#include "platform/system.h"
#include "tests/null_device.h"

namespace {

NullDevice gNullDevice;

void loadFlat(MakeMat& mat, int n) {
  const std::string text = flatMap(n);
  mat.LoadFromMemory(&gNullDevice, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), "flat.mp",
                     1.0f, 0);
}

size_t polygonCount(const MakeMat& mat) {
  size_t n = 0;
  for (const MatObject& object : mat.objects) n += object.polygons.size();
  return n;
}

void BM_MatDrawPerPolygon(benchmark::State& state) {
  MakeMat mat;
  loadFlat(mat, static_cast<int>(state.range(0)));
  for (auto _ : state) mat.draw(&gNullDevice);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(polygonCount(mat)));
}
BENCHMARK(BM_MatDrawPerPolygon)->Arg(8)->Arg(32)->Arg(128);

// Baseline: every polygon's corners read, nothing drawn.
void BM_MatPolygonsReadOnly(benchmark::State& state) {
  MakeMat mat;
  loadFlat(mat, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    uint32_t sum = 0;
    for (const MatObject& object : mat.objects)
      for (const MatPolygon& p : object.polygons) sum += p.vertex[0] + p.vertex[p.corners > 0 ? p.corners - 1 : 0];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(polygonCount(mat)));
}
BENCHMARK(BM_MatPolygonsReadOnly)->Arg(8)->Arg(32)->Arg(128);

// A script of kb kilobytes of commands with the label "goal" at its end.
std::string scriptWithLabelAtTheEnd(int kb) {
  std::string text;
  while (text.size() < static_cast<size_t>(kb) * 1024) text += "c0 0,1,= c0 1,2,+ f6; ";
  return text + "@:goal// f0;";
}

void BM_LabelSearchPerKilobyte(benchmark::State& state) {
  Script script;
  script.setText(scriptWithLabelAtTheEnd(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    script.Rewind();
    script.FindLabelForward("goal");
    benchmark::DoNotOptimize(script.position());
  }
  state.SetBytesProcessed(state.iterations() * script.length());
}
BENCHMARK(BM_LabelSearchPerKilobyte)->Arg(1)->Arg(16)->Arg(256);

// Baseline: the same text searched for the same definition as plain bytes.
void BM_LabelSearchPlainFind(benchmark::State& state) {
  const std::string text = scriptWithLabelAtTheEnd(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(text.find("@:goal//"));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LabelSearchPlainFind)->Arg(1)->Arg(16)->Arg(256);

// A frame of the event runner over n "f" commands that do little (f44 with V0 = 0 sets the money
// to V1, here 0), against the same frame with the "c" commands alone.
std::string commandFrame(int n, bool withF) {
  std::string text;
  for (int i = 0; i < n; ++i) text += withF ? "c0 1,0,= f44; " : "c0 1,0,= ";
  return text + "|";
}

void runFrames(benchmark::State& state, bool withF) {
  const int n = static_cast<int>(state.range(0));
  plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
  Script script;
  script.commands = &eventRunnerCommands();
  script.runner = {RunnerKind::Event, 0};
  script.setText(commandFrame(n, withF));
  for (auto _ : state) {
    script.Rewind();
    script.Step();
  }
  state.SetItemsProcessed(state.iterations() * n);
  plat::SetMessageBoxHandler(nullptr);
}
void BM_FunctionCommandFrame(benchmark::State& state) {
  runFrames(state, true);
}
void BM_FunctionCommandFrameWithoutF(benchmark::State& state) {
  runFrames(state, false);
}
BENCHMARK(BM_FunctionCommandFrame)->Arg(16)->Arg(128);
BENCHMARK(BM_FunctionCommandFrameWithoutF)->Arg(16)->Arg(128);

}  // namespace
