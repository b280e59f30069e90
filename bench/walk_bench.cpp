// The cost of one step of the field's walking rule (Walk with the ground query, the probe, the
// overlap test and the follow step) on the largest demo map, and how the ground query grows with
// the faces listed in a cell.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <span>
#include <string>

#include "event/actors.h"
#include "event/event_script.h"
#include "field/field.h"
#include "platform/system.h"

#include "flat_map.h"

namespace {

void setUpWalkers() {
  resetEventScript();
  setUpActors(5);
  for (int i = 0; i < actorCount(); ++i) {
    CHARA& c = *actorChara(i);
    c.radius = 40;
    c.alpha = 1;
    c.present = i == 0 ? 1 : 0;
  }
}

// One step a frame round a wide circle, as a player walks.
void walkInCircles(benchmark::State& state) {
  float heading = 0;
  for (auto _ : state) {
    heading += 0.01f;
    benchmark::DoNotOptimize(Walk(0, 32, heading, true));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_WalkOnTheVillageMap(benchmark::State& state) {
  // The map's model is read relative to the current directory, as the game does from its own.
  std::filesystem::current_path(ORVANE_BIN_DIR);
  plat::SetProgramDirectory(std::string(ORVANE_BIN_DIR) + "/");
  plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
  resetField();
  LoadMap("kazami", true);
  setUpWalkers();
  if (!gField.mapLoaded) {
    state.SkipWithError("the demo map Mat\\kazami.mp is missing");
    return;
  }
  VECTOR start{0, 0, 0};
  groundQuery(start, 1);
  actorChara(0)->position = start;
  walkInCircles(state);
  state.counters["faces"] = static_cast<double>(gField.map.objects[0].polygons.size());
  resetActors();
  resetField();
}
BENCHMARK(BM_WalkOnTheVillageMap);

void BM_GroundQueryByFacesPerCell(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  resetField();
  const std::string map = flatMap(n);
  gField.map.LoadFromMemory(nullptr, std::span(reinterpret_cast<const uint8_t*>(map.data()), map.size()), "flat.mp",
                            1.0f, 0);
  gField.mapLoaded = true;
  buildWalkGrid(static_cast<float>(state.range(1)));
  size_t listed = 0;
  for (const auto& cell : gField.grid.cells) listed += cell.size();
  float x = 0;
  for (auto _ : state) {
    x = std::fmod(x + 37.0f, 1000.0f);
    VECTOR p{x - 500.0f, 0, 300.0f};
    benchmark::DoNotOptimize(groundQuery(p, 0));
  }
  state.counters["faces_per_cell"] = static_cast<double>(listed) / static_cast<double>(gField.grid.cells.size());
  resetField();
}
BENCHMARK(BM_GroundQueryByFacesPerCell)->Args({64, 256})->Args({64, 512})->Args({64, 1024})->Args({64, 2048});

// Baseline: the same points made, without the query.
void BM_GroundQueryPointsOnly(benchmark::State& state) {
  float x = 0;
  for (auto _ : state) {
    x = std::fmod(x + 37.0f, 1000.0f);
    VECTOR p{x - 500.0f, 0, 300.0f};
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_GroundQueryPointsOnly);

}  // namespace
