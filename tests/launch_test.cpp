// What the platform settles before the game starts and around it: the command line, the
// soundfont search, where screenshots go, and how the frame fills the window.
#include <gtest/gtest.h>

#include "platform/audio.h"
#include "platform/device.h"
#include "platform/launch.h"
#include "platform/screenshot.h"

using namespace plat;

TEST(LaunchArguments, ReadEveryOptionAndTheLaterOneWins) {
  LaunchOptions o;
  std::string error;
  ASSERT_TRUE(ParseLaunchArguments({"--fullscreen", "--data", "a", "--soundfont", "s.sf2", "--windowed", "--data", "b"},
                                   o, error))
      << error;
  EXPECT_EQ(o.windowMode, WindowMode::Windowed);
  EXPECT_EQ(o.dataDir, "b");
  EXPECT_EQ(o.soundfont, "s.sf2");
  EXPECT_FALSE(o.help || o.version);
  LaunchOptions asked;
  ASSERT_TRUE(ParseLaunchArguments({"--version", "--help"}, asked, error));
  EXPECT_TRUE(asked.help && asked.version);
  EXPECT_EQ(asked.windowMode, WindowMode::Default);
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--data"}, {"--data", ""}, {"--fast"}}) {
    LaunchOptions refused;
    EXPECT_FALSE(ParseLaunchArguments(bad, refused, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(Soundfonts, ChosenFirstThenTheEnvironmentThenTheSystemsPlaces) {
  const std::vector<std::string> sf2 = {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                        "/usr/share/sounds/sf2/default-GM.sf2"};
  EXPECT_EQ(SoundfontCandidates("mine.sf2", "env.sf2", sf2), std::vector<std::string>{"mine.sf2"});
  EXPECT_EQ(SoundfontCandidates("", "env.sf2", sf2), std::vector<std::string>{"env.sf2"});
  // The packages' files first, every other file of the directory once, the fallback last.
  EXPECT_EQ(SoundfontCandidates("", "", sf2),
            (std::vector<std::string>{"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/TimGM6mb.sf2",
                                      "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2",
                                      "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2"}));
}

TEST(Screenshots, PicturesDirectoryFromTheUsersDirectoryList) {
  EXPECT_EQ(PicturesDirectoryFromUserDirs("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                          "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n",
                                          "/home/nagi"),
            "/home/nagi/Bilder");
  EXPECT_EQ(PicturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"/srv/pics\"", "/home/nagi"), "/srv/pics");
  // Relative, unterminated or missing entries name nothing.
  EXPECT_EQ(PicturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"pics\"\n", "/h"), "");
  EXPECT_EQ(PicturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"$HOME/Bilder\n", "/h"), "");
  EXPECT_EQ(PicturesDirectoryFromUserDirs("", "/h"), "");
  std::tm time{};
  time.tm_year = 2025 - 1900;
  time.tm_mon = 2;
  time.tm_mday = 7;
  time.tm_hour = 9;
  time.tm_min = 5;
  time.tm_sec = 3;
  EXPECT_EQ(ScreenshotFileName(time, 1), "Orvane_2025-03-07_09-05-03.png");
  EXPECT_EQ(ScreenshotFileName(time, 2), "Orvane_2025-03-07_09-05-03_2.png");
}

TEST(PresentArea, IntegerScaleTakesTheLargestWholeMultipleWithPointSampling) {
  EXPECT_EQ(PresentAreaFor(1280, 960, PresentScale::Integer), (PresentArea{{0, 0, 1280, 960}, true}));
  EXPECT_EQ(PresentAreaFor(1920, 1080, PresentScale::Integer), (PresentArea{{320, 60, 1280, 960}, true}));
  EXPECT_EQ(PresentAreaFor(1279, 959, PresentScale::Integer), (PresentArea{{319, 239, 640, 480}, true}));
  // Smaller than the frame: fitted and smoothed, never cut.
  EXPECT_EQ(PresentAreaFor(600, 480, PresentScale::Integer), (PresentArea{{0, 15, 600, 450}, false}));
  EXPECT_EQ(PresentAreaFor(0, 0, PresentScale::Integer), (PresentArea{}));
  // The default fits and smooths.
  EXPECT_EQ(PresentAreaFor(1920, 1080, PresentScale::Fit), (PresentArea{{240, 0, 1440, 1080}, false}));
}
