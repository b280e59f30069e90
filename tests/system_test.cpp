#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/data_root.h"
#include "platform/system.h"
#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

class TempTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root.write("Mat/SKY/sb0.zd", "sky");
    root.write("Mat/Field.mp", "map");
  }
  TempDataRoot root;
};

}  // namespace

TEST_F(TempTree, ResolverTurnsBackslashesAndMatchesCaselessly) {
  const std::string base = root.root();
  EXPECT_EQ(plat::ResolvePath(base + "Mat\\SKY\\sb0.zd"), base + "Mat/SKY/sb0.zd");
  EXPECT_EQ(plat::ResolvePath(base + "mat\\sky\\SB0.ZD"), base + "Mat/SKY/sb0.zd");
  EXPECT_EQ(plat::ResolvePath(base + "MAT/field.MP"), base + "Mat/Field.mp");
  // What does not exist comes back with only its separators changed.
  EXPECT_EQ(plat::ResolvePath(base + "mat\\nothing.mp"), base + "mat/nothing.mp");

  FILE* f = plat::OpenFile(base + "MAT\\SKY\\SB0.zd", "rb");
  ASSERT_NE(f, nullptr);
  char text[4] = {};
  EXPECT_EQ(std::fread(text, 1, 3, f), 3u);
  std::fclose(f);
  EXPECT_STREQ(text, "sky");
}

TEST_F(TempTree, CaselessLookupsSeeFilesAddedAndRemovedAfterThem) {
  const std::string base = root.root();
  // A directory last changed long ago: its listing is kept between lookups.
  const std::string sky = base + "Mat/SKY";
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(sky, longAgo);
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/SB1.ZD"), base + "mat/sky/SB1.ZD");  // missing
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/SB0.ZD"), base + "Mat/SKY/sb0.zd");
  root.write("Mat/SKY/sb1.zd", "new");
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/SB1.ZD"), base + "Mat/SKY/sb1.zd");
  fs::last_write_time(sky, longAgo);
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/SB0.ZD"), base + "Mat/SKY/sb0.zd");
  fs::remove(sky + "/sb0.zd");
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/SB0.ZD"), base + "mat/sky/SB0.ZD");
  // A directory changed a moment ago is read at every lookup.
  root.write("Mat/SKY/Sb2.zd", "two");
  EXPECT_EQ(plat::ResolvePath(base + "mat/sky/sb2.zd"), base + "Mat/SKY/Sb2.zd");
}

TEST_F(TempTree, WholeFilesAreReadUpToTheLimitAndDirectoriesAreNotFiles) {
  const std::string base = root.root();
  EXPECT_EQ(plat::ReadFile(base + "MAT\\SKY\\SB0.ZD"), (std::vector<uint8_t>{'s', 'k', 'y'}));
  EXPECT_EQ(plat::ReadFile(base + "Mat/Field.mp", 2), (std::vector<uint8_t>{'m', 'a'}));
  EXPECT_FALSE(plat::ReadFile(base + "Mat/SKY").has_value());
  EXPECT_FALSE(plat::ReadFile(base + "Mat/none.mp").has_value());
}

TEST_F(TempTree, RelativePathsResolveAgainstTheCurrentDirectory) {
  root.enter();
  EXPECT_EQ(plat::ResolvePath("mat\\sky\\sb0.zd"), "Mat/SKY/sb0.zd");
}

TEST(DataRoot, IsTheProgramDirectoryWithATrailingSeparator) {
  plat::SetProgramDirectory("");
  const std::string root = dataRoot();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.back(), '/');
  EXPECT_TRUE(fs::exists(root + "orvane_tests"));

  plat::SetProgramDirectory("/some/where");
  EXPECT_STREQ(dataRoot(), "/some/where/");
  plat::SetProgramDirectory("");
}

TEST(CodePage, ConvertsBothWaysIncludingTheWaveDash) {
  const std::string sjis = plat::Cp932FromUtf8("トホホ～");
  EXPECT_EQ(sjis, std::string("\x83\x67\x83\x7a\x83\x7a\x81\x60"));
  EXPECT_EQ(plat::Utf8FromCp932(sjis), "トホホ～");
  EXPECT_EQ(plat::Utf8FromCp932("abc"), "abc");
  // A lone lead byte cannot be converted: it becomes '?' and the rest survives.
  EXPECT_EQ(plat::Utf8FromCp932(std::string("a\x83", 2)), "a?");
}

TEST(MessageBoxes, GoToTheInstalledHandlerInUtf8) {
  std::string got;
  plat::SetMessageBoxHandler([&](const std::string& text, const std::string& caption) { got = caption + "|" + text; });
  plat::MessageBox(plat::Cp932FromUtf8("正常終了"), plat::Cp932FromUtf8("トホホ～"));
  plat::SetMessageBoxHandler(nullptr);
  EXPECT_EQ(got, "トホホ～|正常終了");
}
