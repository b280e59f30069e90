// Whole runs of the game through orvane-replay: on the demo game's data tree, and on an empty
// directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "replay_fixture.h"

namespace fs = std::filesystem;

namespace {

using ReplayRun = ReplayTest;

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST_F(ReplayRun, WritesThePictureAndTheStateOfTheChosenFrame) {
  ASSERT_EQ(replay("--frames 60 --shot 30:" + (dir / "a.png").string() + " --state 30:" + (dir / "a.json").string() +
                   " --report"),
            0)
      << read("out.txt");
  const std::string png = read("a.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Width and height from the header.
  EXPECT_EQ(static_cast<unsigned char>(png[18]) << 8 | static_cast<unsigned char>(png[19]), 640);
  EXPECT_EQ(static_cast<unsigned char>(png[22]) << 8 | static_cast<unsigned char>(png[23]), 480);

  const std::string json = read("a.json");
  EXPECT_NE(json.find("\"frame\": 30"), std::string::npos) << json;
  EXPECT_NE(json.find("\"overlay1\": \"NoOverlay\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"fade_colour\": \"0x00000000\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"input_enabled\": 1"), std::string::npos) << json;
  EXPECT_NE(json.find("\"message\": {\"text\": \"……風が"), std::string::npos) << json;  // the opening's first words
  EXPECT_NE(json.find("\"choice\": {\"state\": 0"), std::string::npos) << json;
  EXPECT_NE(read("out.txt").find("frames 60"), std::string::npos) << read("out.txt");
}

TEST_F(ReplayRun, HoldingF12EndsTheGameWithOneMessage) {
  // Three presses reach the window before it closes; the game ends once.
  write("keys.txt", "5 F12 down\n5 F12 up\n5 F12 down\n");
  ASSERT_EQ(replay("--keys " + (dir / "keys.txt").string() + " --messages " + (dir / "m.log").string()), 0)
      << read("out.txt");
  const std::string log = read("m.log");
  EXPECT_EQ(count(log, "正常終了"), 1u) << log;
  EXPECT_EQ(log, "トホホ～\t正常終了\n");
}

TEST_F(ReplayRun, EscapeDoesNothing) {
  write("keys.txt", "3 ESCAPE down\n4 ESCAPE up\n");
  ASSERT_EQ(replay("--frames 10 --keys " + (dir / "keys.txt").string() + " --messages " + (dir / "m.log").string()),
            0);
  EXPECT_EQ(read("m.log"), "");
}

TEST_F(ReplayRun, KeyStatesShowInTheStateDump) {
  write("keys.txt", "2 UP down\n");
  ASSERT_EQ(replay("--frames 3 --keys " + (dir / "keys.txt").string() + " --state 3:" + (dir / "s.json").string()), 0);
  // The field polls the keys every frame: pressed on frame 2, held on frame 3.
  EXPECT_NE(read("s.json").find("\"keys\": [3, 0, 0, 0, 0, 0, 0, 0]"), std::string::npos) << read("s.json");
}

TEST_F(ReplayRun, DemoGameBootsWithoutAMessage) {
  ASSERT_EQ(replay("--frames 5 --messages " + (dir / "m.log").string()), 0) << read("out.txt");
  EXPECT_EQ(read("m.log"), "");
}

TEST_F(ReplayRun, EmptyDataDirectoryReportsEveryMissingFileAndRunsOn) {
  ASSERT_EQ(replay("--frames 5 --messages " + (dir / "m.log").string(), false), 0) << read("out.txt");
  const std::string log = read("m.log");
  EXPECT_NE(log.find("トホホ～\tFonts datas are nothing!\n"), std::string::npos) << log;
  EXPECT_NE(log.find("オープンエラーなのさ\\ntex\\cur.au"), std::string::npos) << log;
  EXPECT_NE(log.find("\tファイルオープンに失敗しました\n"), std::string::npos) << log;
  EXPECT_NE(log.find("otsk\\shd.zdx"), std::string::npos) << log;
  EXPECT_NE(log.find("PxSでエラーが！"), std::string::npos) << log;
}

TEST_F(ReplayRun, BadArgumentsFailWithAMessage) {
  EXPECT_NE(replay("--frames zero"), 0);
  EXPECT_NE(read("out.txt").find("--frames"), std::string::npos);
}

TEST_F(ReplayRun, SeedStartsTheRandomSourceAndReproducesTheRun) {
  auto dumps = [&](const std::string& seed, const std::string& name) {
    const std::string first = (dir / (name + "1.json")).string(), later = (dir / (name + "9.json")).string();
    EXPECT_EQ(replay("--frames 9 " + seed + " --state 1:" + first + " --state 9:" + later), 0) << read("out.txt");
    return read(name + "1.json") + read(name + "9.json");
  };
  const std::string seeded = dumps("--seed 4242", "a");
  EXPECT_NE(seeded.find("\"random_state\": 4242,\n"), std::string::npos) << seeded;
  EXPECT_EQ(dumps("--seed 4242", "b"), seeded);
  EXPECT_NE(dumps("--seed 4243", "c"), seeded);
  // Without --seed every run starts from the same default.
  EXPECT_NE(dumps("", "d").find("\"random_state\": 1,\n"), std::string::npos);
}
