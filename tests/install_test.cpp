// The installed game: cmake --install into a fresh prefix puts the programs, the data tree, the
// launcher and the desktop's files in place, and the launcher starts the game on its data from
// any directory, even after the whole tree has moved.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "program_run.h"
#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

bool executable(const fs::path& file) {
  struct stat st;
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

}  // namespace

TEST(Install, PutsEverythingInPlaceAndTheLauncherPlaysFromAnywhere) {
  TempDataRoot dir;
  const fs::path prefix = dir / "prefix";
  const std::string command = std::string(ORVANE_CMAKE) + " --install " + ORVANE_BUILD_DIR + " --prefix " +
                              prefix.string() + " > " + (dir / "install.txt").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << fileText(dir / "install.txt");

  for (const char* program : {"bin/orvane", "bin/Tindle", "bin/orvane-replay", "libexec/orvane/Orvane"}) {
    EXPECT_TRUE(executable(prefix / program)) << program;
  }
  EXPECT_TRUE(fs::is_regular_file(prefix / "share/orvane/RES/Fonts.zd"));
  EXPECT_TRUE(fs::is_regular_file(prefix / "share/orvane/Mat/kazami.mp"));
  EXPECT_FALSE(fs::exists(prefix / "share/orvane/Orvane"));  // data only
  EXPECT_TRUE(fs::is_regular_file(prefix / "share/metainfo/orvane.metainfo.xml"));
  EXPECT_TRUE(fs::is_regular_file(prefix / "share/doc/Orvane/README.md"));
  const std::string desktop = fileText(prefix / "share/applications/orvane.desktop");
  EXPECT_NE(desktop.find("\nExec=orvane\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nIcon=orvane\n"), std::string::npos) << desktop;
  const std::string icon = fileText(prefix / "share/icons/hicolor/256x256/apps/orvane.png");
  ASSERT_GT(icon.size(), 24u);
  EXPECT_EQ(icon.substr(1, 3), "PNG");
  EXPECT_EQ(static_cast<unsigned char>(icon[18]) << 8 | static_cast<unsigned char>(icon[19]), 256);
  EXPECT_EQ(static_cast<unsigned char>(icon[22]) << 8 | static_cast<unsigned char>(icon[23]), 256);

  // Moved elsewhere and started from an unrelated directory: no file is missing.
  const fs::path moved = dir / "moved";
  fs::rename(prefix, moved);
  fs::create_directories(dir / "elsewhere");
  const ProgramRun run = runProgram((moved / "bin/orvane").string(), {}, dir / "elsewhere");
  EXPECT_TRUE(run.exited) << run.output;
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(messageBoxes(run.output), 0u) << run.output;
}
