// Long random play on the demo game, in process without pictures: the opening, the road to the
// forest, then random keys (walking, confirming, going back, the menu) for many frames. In the
// sanitizer build every fault the sanitizers know ends the run; here a frame must never take a
// second, the game must say nothing, and play must reach battles, menus and other maps.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "battle_support.h"
#include "demo_keys.h"
#include "headless_game.h"
#include "tools/replay/replay.h"

namespace {

// 20000 frames in the sanitizer build, a shorter run in the plain build; ORVANE_SOAK_FRAMES sets
// another length for a long run by hand.
int soakFrames() {
  const char* frames = std::getenv("ORVANE_SOAK_FRAMES");
  if (frames && std::atoi(frames) > 0) return std::atoi(frames);
  return kSanitizerBuild ? 20000 : 4000;
}
// No frame's work may reach a second; the sanitizer build, a debug build with checked memory,
// loads a map about ten times slower, so there the bound is ten.
constexpr long long kLongestFrameMicros = kSanitizerBuild ? 10000000 : 1000000;

TEST(Soak, RandomPlayThroughTheDemo) {
  battle_test::DataDir data("soak", {"Mat"});
  std::vector<replay::ScriptedKey> script;
  std::string error;
  ASSERT_TRUE(replay::parseKeyScript(std::string(demo_keys::kOpening) + demo_keys::kToTheNorthRoad, script, error))
      << error;
  const int lastScripted = script.back().frame;

  std::vector<std::string> messages;
  HeadlessGame game(messages);
  replay::RandomKeys random(20240518);
  replay::PlayCounts play;
  const int frames = soakFrames();
  for (int frame = 1; frame <= frames; ++frame) {
    std::vector<plat::KeyEvent> keys;
    for (const replay::ScriptedKey& k : script)
      if (k.frame == frame) keys.push_back(k.event);
    if (frame > lastScripted) random.frame([&keys](plat::KeyEvent e) { keys.push_back(e); });
    game.frame(keys);
    play.afterFrame();
    ASSERT_LT(gFrameWorkMicros, kLongestFrameMicros) << "frame " << frame;
    ASSERT_TRUE(messages.empty()) << "frame " << frame << ": " << messages.front();
  }
  std::printf("soak: %d frames, %d battles, %d menus, %d map changes, longest frame work %lld us\n", play.frames,
              play.battles, play.menus, play.mapChanges, play.longestWorkMicros);
  EXPECT_GT(play.battles, 0);
  EXPECT_GT(play.menus, 0);
  EXPECT_GT(play.mapChanges, 0);
}

// The same seed presses the same keys; the presses are the game's keys only and every key that
// goes down comes up again.
TEST(Soak, RandomKeysAreRepeatableAndNeverQuit) {
  auto presses = [](uint32_t seed) {
    replay::RandomKeys random(seed);
    std::vector<std::pair<int, bool>> events;
    for (int frame = 0; frame < 5000; ++frame) random.frame([&](plat::KeyEvent e) { events.emplace_back(e.key, e.down); });
    return events;
  };
  const auto a = presses(7);
  EXPECT_EQ(a, presses(7));
  EXPECT_NE(a, presses(8));
  int held = 0, shift = 0, ret = 0, arrows = 0;
  for (const auto& [key, down] : a) {
    EXPECT_NE(key, plat::VK_F12);
    EXPECT_NE(key, plat::VK_ESCAPE);
    held += down ? 1 : -1;
    EXPECT_GE(held, 0);
    if (down) {
      shift += key == plat::VK_SHIFT;
      ret += key == plat::VK_RETURN;
      arrows += key >= plat::VK_LEFT && key <= plat::VK_DOWN;
    }
  }
  EXPECT_LE(held, 2);
  EXPECT_GT(arrows, shift);
  EXPECT_GT(shift, ret);
  EXPECT_GT(ret, 0);
}

}  // namespace
