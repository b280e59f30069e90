#include <gtest/gtest.h>

#include "platform/window.h"
#include "tools/replay/replay.h"

using replay::Options;
using replay::ScriptedKey;

TEST(ReplayArguments, ReadsEveryOption) {
  Options o;
  std::string error;
  ASSERT_TRUE(replay::parseArguments({"--data", "d", "--keys", "k.txt", "--frames", "60", "--shot", "30:a.png",
                                      "--shot", "40:b.png", "--state", "30:a.json", "--messages", "m.log",
                                      "--seed", "4294967295", "--report"},
                                     o, error))
      << error;
  EXPECT_EQ(o.dataDir, "d");
  EXPECT_EQ(o.keysFile, "k.txt");
  EXPECT_EQ(o.frames, 60);
  EXPECT_EQ(o.shots.size(), 2u);
  EXPECT_EQ(o.shots.find(40)->second, "b.png");
  EXPECT_EQ(o.states.find(30)->second, "a.json");
  EXPECT_EQ(o.messagesFile, "m.log");
  EXPECT_EQ(o.seed, 4294967295u);
  EXPECT_TRUE(o.report);
  // Without --seed a run takes the one fixed default.
  Options defaults;
  ASSERT_TRUE(replay::parseArguments({"--data", "d"}, defaults, error));
  EXPECT_EQ(defaults.seed, 1u);
}

TEST(ReplayArguments, RefusesWhatItCannotUse) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"--frames", "10"},
           {"--data"},
           {"--data", "d", "--frames", "0"},
           {"--data", "d", "--frames", "-3"},
           {"--data", "d", "--shot", "a.png"},
           {"--data", "d", "--state", "x:a.json"},
           {"--data", "d", "--bogus"},
           {"--data", "d", "--seed"},
           {"--data", "d", "--seed", "-1"},
           {"--data", "d", "--seed", "4294967296"},
       }) {
    Options o;
    std::string error;
    EXPECT_FALSE(replay::parseArguments(args, o, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(ReplayKeyScript, ReadsEventsAndSkipsComments) {
  std::vector<ScriptedKey> keys;
  std::string error;
  ASSERT_TRUE(replay::parseKeyScript("# walk up\n10 UP down\n\n  20 UP up   # let go\n30 F12 down\n", keys, error));
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].frame, 10);
  EXPECT_EQ(keys[0].event.key, plat::VK_UP);
  EXPECT_TRUE(keys[0].event.down);
  EXPECT_FALSE(keys[1].event.down);
  EXPECT_EQ(keys[2].event.key, plat::VK_F12);
}

TEST(ReplayKeyScript, NamesTheBadLine) {
  std::vector<ScriptedKey> keys;
  std::string error;
  EXPECT_FALSE(replay::parseKeyScript("1 UP down\n2 JUMP down\n", keys, error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(replay::parseKeyScript("1 UP sideways\n", keys, error));
  EXPECT_FALSE(replay::parseKeyScript("0 UP down\n", keys, error));
  EXPECT_FALSE(replay::parseKeyScript("1 UP down extra\n", keys, error));
}

TEST(ReplaySummary, MedianPercentileAndMaximum) {
  std::vector<long long> samples;
  for (int i = 100; i >= 1; --i) samples.push_back(i);
  const replay::Summary s = replay::summarize(samples);
  EXPECT_EQ(s.median, 50);  // (50 + 51) / 2 truncated
  EXPECT_EQ(s.p99, 99);
  EXPECT_EQ(s.max, 100);
  EXPECT_EQ(replay::summarize({}).max, 0);
  EXPECT_EQ(replay::summarize({7}).p99, 7);
}
