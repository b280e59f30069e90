// Runs the built Tindle in a scratch directory and checks what it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

struct TindleRun {
  int status = -1;
  std::string console;
};

class TindleTest : public ::testing::Test {
 protected:
  TindleRun run() {
    const std::string command = "cd '" + dir_.path().string() + "' && '" ORVANE_BIN_DIR "/Tindle'";
    TindleRun result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[256];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.console.append(buffer, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }

  void writeInput(const std::vector<uint8_t>& bytes) { dir_.write("in", bytes); }
  std::vector<uint8_t> readOutput() {
    std::ifstream in(dir_ / "ot", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  TempDataRoot dir_;
};

std::vector<uint8_t> pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

}  // namespace

TEST_F(TindleTest, EmptyInputGivesEmptyOutput) {
  writeInput({});
  const TindleRun result = run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.console, "Hello Pimsa!\n");
  ASSERT_TRUE(fs::exists(dir_ / "ot"));
  EXPECT_EQ(fs::file_size(dir_ / "ot"), 0u);
}

TEST_F(TindleTest, InvertsTheFirst96BytesOnly) {
  for (size_t size : {size_t{10}, size_t{96}, size_t{97}, size_t{1000}}) {
    SCOPED_TRACE(size);
    const auto input = pattern(size);
    writeInput(input);
    ASSERT_EQ(run().status, 0);
    const auto output = readOutput();
    ASSERT_EQ(output.size(), input.size());
    for (size_t i = 0; i < size; ++i) {
      if (i < 96)
        ASSERT_EQ(output[i], static_cast<uint8_t>(~input[i])) << i;
      else
        ASSERT_EQ(output[i], input[i]) << i;
    }
  }
}

TEST_F(TindleTest, SecondRunRestoresTheInputAndOverwritesOt) {
  const auto input = pattern(300);
  writeInput(input);
  ASSERT_EQ(run().status, 0);
  fs::rename(dir_ / "ot", dir_ / "in");
  {
    std::ofstream stale(dir_ / "ot", std::ios::binary);
    stale << "an older, longer output that must disappear entirely; an older, longer output";
  }
  ASSERT_EQ(run().status, 0);
  EXPECT_EQ(readOutput(), input);
}

TEST_F(TindleTest, MissingInputReportsTheOpenErrorAndWritesNothing) {
  const TindleRun result = run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.console, "Hello Pimsa!\nオープンエラーなのさ");
  EXPECT_FALSE(fs::exists(dir_ / "ot"));
}

TEST_F(TindleTest, UnreadableInputIsAnOpenErrorNotAnEmptyResult) {
  fs::create_directory(dir_ / "in");  // opens, but cannot be read
  const TindleRun result = run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.console, "Hello Pimsa!\nオープンエラーなのさ");
  EXPECT_FALSE(fs::exists(dir_ / "ot"));
}

TEST_F(TindleTest, UnwritableOutputReportsTheWriteError) {
  writeInput(pattern(20));
  fs::create_directory(dir_ / "ot");  // a directory cannot be opened for writing
  const TindleRun result = run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.console, "Hello Pimsa!\n書き出しエラーなのさ");
  EXPECT_TRUE(fs::is_directory(dir_ / "ot"));
}
