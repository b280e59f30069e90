// The game program as a player starts it and the player's conveniences around the game: the
// command line, the data directory, the pad in a replay, and F9's screenshot.
#include <gtest/gtest.h>

#include <cstdlib>

#include "program_run.h"
#include "replay_fixture.h"

namespace {

class GameProgram : public ReplayTest {
 protected:
  std::string game() const { return std::string(ORVANE_BIN_DIR) + "/Orvane"; }

  // The state after frame 100 of the opening with these keys.
  std::string openingState(const std::string& keys, const std::string& name) {
    write(name + ".txt", keys);
    const std::string state = (dir / (name + ".json")).string();
    EXPECT_EQ(replay("--frames 100 --keys " + (dir / (name + ".txt")).string() + " --state 100:" + state), 0)
        << read("out.txt");
    return read(name + ".json");
  }
};

}  // namespace

TEST_F(GameProgram, PadAAnswersTheOpeningsMessageAsShiftDoes) {
  const std::string untouched = openingState("", "none");
  const std::string byPad = openingState("80 PAD_A down\n84 PAD_A up\n", "pad");
  const std::string byKey = openingState("80 SHIFT down\n84 SHIFT up\n", "key");
  EXPECT_NE(byPad, untouched);
  EXPECT_EQ(byPad, byKey);
}

TEST_F(GameProgram, F9WritesThePictureOfTheReplaysShotOfTheSameFrame) {
  const std::string pictures = (dir / "pictures").string();
  setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
  write("keys.txt", "40 F9 down\n41 F9 up\n");
  const std::string shot = (dir / "shot.png").string();
  ASSERT_EQ(replay("--frames 45 --keys " + (dir / "keys.txt").string() + " --shot 40:" + shot), 0) << read("out.txt");
  unsetenv("XDG_PICTURES_DIR");
  // The path on standard error, in the pictures directory's folder Orvane.
  const std::string out = read("out.txt");
  const std::string said = "Orvane: screenshot ";
  const size_t at = out.find(said);
  ASSERT_NE(at, std::string::npos) << out;
  const std::string path = out.substr(at + said.size(), out.find('\n', at) - at - said.size());
  EXPECT_EQ(path.rfind(pictures + "/Orvane/Orvane_", 0), 0u) << path;
  EXPECT_EQ(out.find(said, at + 1), std::string::npos) << "one screenshot only";
  const std::string picture = fileText(path);
  ASSERT_GT(picture.size(), 100u);
  EXPECT_TRUE(picture == read("shot.png"));
}

TEST_F(GameProgram, DataOptionPlaysTheDemoFromAnotherDirectory) {
  // Started from an empty directory; the demo's tree is elsewhere.
  const ProgramRun run = runProgram(game(), {"--windowed", "--data", ORVANE_BIN_DIR}, dir.path());
  EXPECT_TRUE(run.exited) << run.output;
  EXPECT_EQ(run.exitCode, 1) << run.output;  // the loop ended by the close request
  EXPECT_EQ(messageBoxes(run.output), 0u) << run.output;
}

TEST_F(GameProgram, WithoutGameDataOneMessageAndTheEnd) {
  const ProgramRun run = runProgram(game(), {"--data", (dir / "data").string()}, dir.path());
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(messageBoxes(run.output), 1u) << run.output;
  EXPECT_NE(run.output.find((dir / "data").string() + "/"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("./dev run"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("--data DIR"), std::string::npos) << run.output;
}

TEST_F(GameProgram, DataDirectoryTooLongForTheDataRootIsRefusedWithOneMessage) {
  // Cut to fit, the root would name another directory and every file would go missing.
  const std::string data = (dir / "data" / std::string(250, 'd')).string();
  const ProgramRun run = runProgram(game(), {"--data", data}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(messageBoxes(run.output), 1u) << run.output;
  EXPECT_NE(run.output.find("longer than 255 characters"), std::string::npos) << run.output;
}

TEST_F(GameProgram, HelpVersionAndBadArguments) {
  ProgramRun run = runProgram(game(), {"--help"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("ORVANE_SCALE=integer"), std::string::npos) << run.output;
  run = runProgram(game(), {"--version"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output.rfind("Orvane ", 0), 0u) << run.output;
  run = runProgram(game(), {"--speed", "2"}, dir.path());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("--speed"), std::string::npos) << run.output;
}
