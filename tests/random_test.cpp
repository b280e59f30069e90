// The game's random source: rand()'s classic sequence, its seeding, the script's "R" and the
// boot's seed from the clock.
#include <gtest/gtest.h>

#include <vector>

#include "app/boot.h"
#include "core/random.h"
#include "event/script.h"
#include "game_state.h"
#include "platform/system.h"

namespace {

class RandomSource : public GameStateTest {
 protected:
  ~RandomSource() override { plat::SetClock({}); }

  static std::vector<int> draws(int n) {
    std::vector<int> values;
    for (int i = 0; i < n; ++i) values.push_back(nextRandom());
    return values;
  }
};

}  // namespace

TEST_F(RandomSource, SeedOneGivesTheClassicSequence) {
  EXPECT_EQ(randomState(), 1u);  // as the reset leaves it
  EXPECT_EQ(draws(5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
  seedRandom(1);
  EXPECT_EQ(draws(2), (std::vector<int>{41, 18467}));
}

TEST_F(RandomSource, ValuesStayInRangeAndTheStateWrapsModulo2To32) {
  seedRandom(0xFFFFFFFFu);
  const int first = nextRandom();
  EXPECT_EQ(randomState(), 0xFFFFFFFFu * 214013u + 2531011u);
  EXPECT_EQ(first, static_cast<int>((randomState() >> 16) & 0x7FFF));
  for (int value : draws(10000)) {
    ASSERT_GE(value, 0);
    ASSERT_LE(value, kRandomMax);
  }
  resetRandom();
  EXPECT_EQ(randomState(), kDefaultRandomSeed);
}

TEST_F(RandomSource, ScriptRandomDrawsFromTheSource) {
  static const ScriptCommands kNone;
  Script script;
  script.commands = &kNone;
  seedRandom(1);
  script.setText("c0 0,100,R c0 1,100,R #");
  script.Step();
  EXPECT_EQ(script.v[0], 41);
  EXPECT_EQ(script.v[1], 18467 % 100);
}

TEST_F(RandomSource, BootsAtDifferentClockReadingsDrawDifferentNumbers) {
  auto bootAt = [](uint64_t milliseconds) {
    plat::SetClock({{}, {}, [milliseconds] { return milliseconds; }});
    seedRandomFromClock();
    return draws(3);
  };
  const std::vector<int> first = bootAt(86'400'123);
  EXPECT_NE(bootAt(86'400'124), first);
  EXPECT_EQ(bootAt(86'400'123), first);
  // Without a simulated clock the real monotonic clock is read.
  plat::SetClock({});
  EXPECT_GT(plat::MonotonicMilliseconds(), 0u);
}
