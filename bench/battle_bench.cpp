// The battle frame on the demo game: the whole frame (sky, fogged battle map, stencil shadows,
// the fighters, the battle's 2D layer) as the main loop runs it, with the party of three against
// one enemy and against the six-enemy group. Besides the mean, the counters give the median and
// the 99th percentile of the frame work in microseconds, as the replay runner's report does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/boot.h"
#include "app/main_loop.h"
#include "audio/sound.h"
#include "battle/battle.h"
#include "battle/battle_scenes.h"
#include "bench_device.h"
#include "core/frame.h"
#include "event/game_state.h"
#include "platform/system.h"
#include "tests/battle_support.h"

namespace {

uint32_t gBenchClock = 1000;

// The demo game booted once, in a data directory that adds a fogged battle map of its own.
bool bootDemo() {
  static std::unique_ptr<battle_test::DataDir> data;
  static const bool ready = [] {
    if (!openBenchDevice()) return false;
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    plat::SetClock({[] { return gBenchClock; }, [](int ms) { gBenchClock += static_cast<uint32_t>(ms); }});
    soundSetup();
    data = std::make_unique<battle_test::DataDir>("bench", std::vector<std::string>{"Mat"});
    data->write("Mat/btl90.mp", battle_test::testMap("0;\nff6c8aa0;\n1800;\n7000;\n", true));
    data->write("Mat/btltest.zgr", battle_test::checkerTexture());
    gFrameStart = plat::GetTickCount();
    BootScene();
    return true;
  }();
  return ready;
}

long long percentile(std::vector<long long> samples, int p) {
  std::sort(samples.begin(), samples.end());
  const size_t rank = (samples.size() * static_cast<size_t>(p) + 99) / 100;
  return samples[std::min(samples.size(), std::max<size_t>(rank, 1)) - 1];
}

void BM_BattleFrame(benchmark::State& state) {
  if (!bootDemo()) {
    state.SkipWithError("no device");
    return;
  }
  gGame.formation = static_cast<int32_t>(state.range(0));
  gGame.battleStage = 90;
  gOverlay1 = NoOverlay;
  gScene = BattleEntryScene;
  for (int i = 0; i < 200; ++i) runOneFrame();  // the opening and the walk-in
  std::vector<long long> work;
  for (auto _ : state) {
    runOneFrame();
    work.push_back(gFrameWorkMicros);
  }
  state.counters["median_us"] = static_cast<double>(percentile(work, 50));
  state.counters["p99_us"] = static_cast<double>(percentile(work, 99));
  int enemies = 0;
  if (gBattle)
    for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) enemies += gBattle->present[s];
  state.counters["enemies"] = enemies;
  gScene = BattleExitScene;
  runOneFrame();
}
// Group 0: one wolf; group 3: six enemies in two rows.
BENCHMARK(BM_BattleFrame)->Arg(0)->Arg(3)->Iterations(400)->Unit(benchmark::kMicrosecond);

}  // namespace
