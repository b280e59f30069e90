// Scrambled files: the plain copy, the texture kind by path, and the error text buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "audio/sound.h"
#include "audio_test_support.h"
#include "data/scramble.h"
#include "data/scrambled.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

struct Shown {
  std::string text;
  std::string caption;
  bool operator==(const Shown&) const = default;
};

std::set<std::string> entriesOf(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// A scratch directory and a message box handler that records what would be shown.
class ScrambledFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("orvane_scrambled_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "Tex");
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      shown_.push_back({text, caption});
    });
    workingEntries_ = entriesOf(fs::current_path());
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    // No plain copy may stay behind, here or in the working directory.
    EXPECT_EQ(entriesOf(fs::current_path()), workingEntries_);
    fs::remove_all(dir_);
  }

  // Writes the scrambled form of plain bytes; returns the path as the game would give it.
  std::string writeScrambled(const std::string& relative, std::vector<uint8_t> plain) {
    data::scrambleBytes(plain.data(), plain.size());
    std::ofstream out(dir_ / relative, std::ios::binary);
    out.write(reinterpret_cast<const char*>(plain.data()), static_cast<std::streamsize>(plain.size()));
    return (dir_ / relative).string();
  }

  fs::path dir_;
  std::vector<Shown> shown_;
  std::set<std::string> workingEntries_;
};

std::vector<uint8_t> counting(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + 5);
  return bytes;
}

}  // namespace

TEST_F(ScrambledFiles, PlainCopyHasExactlyThePlainBytes) {
  for (size_t size : {size_t{0}, size_t{10}, size_t{96}, size_t{97}, size_t{70000}}) {
    SCOPED_TRACE(size);
    const auto plain = counting(size);
    const auto copy = data::unscrambleToPlainCopy(writeScrambled("file.zse", plain));
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(*copy, plain);
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledFiles, GamePathsResolveBackslashesAndLetterCase) {
  const auto plain = counting(40);
  writeScrambled("Tex/Cur.au", plain);
  const std::string gamePath = dir_.string() + "\\tex\\CUR.AU";
  const auto copy = data::unscrambleToPlainCopy(gamePath);
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(*copy, plain);
}

TEST_F(ScrambledFiles, MissingOrUnreadableFileShowsTheOpenErrorWithItsPath) {
  const std::string missing = dir_.string() + "/nothing.au";
  EXPECT_FALSE(data::unscrambleToPlainCopy(missing).has_value());
  const std::string directory = (dir_ / "Tex").string();
  EXPECT_FALSE(data::unscrambleToPlainCopy(directory).has_value());
  const std::vector<Shown> expected = {
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + missing, "トホホ～"},
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + directory, "トホホ～"},
  };
  EXPECT_EQ(shown_, expected);
}

TEST_F(ScrambledFiles, SoundLoadsIntoItsSlotFromTheScrambledFile) {
  plat::SelectAudioOutput(plat::AudioOutput::Offline);
  ASSERT_TRUE(soundSetup());
  audiotest::WaveSpec spec;
  spec.pcm = audiotest::pcm16(std::vector<int16_t>(441, 12000));
  const std::string path = writeScrambled("hit.zse", audiotest::makeWave(spec));
  EXPECT_TRUE(data::loadScrambledSound(path, 9));
  EXPECT_TRUE(soundSlotLoaded(9));
  EXPECT_TRUE(shown_.empty());
  soundShutdown();
}

TEST_F(ScrambledFiles, MissingSoundShowsTheOpenErrorThenTheReadersOwnMessage) {
  plat::SelectAudioOutput(plat::AudioOutput::Offline);
  ASSERT_TRUE(soundSetup());
  const std::string missing = dir_.string() + "/se/none.zse";
  EXPECT_FALSE(data::loadScrambledSound(missing, 8));
  EXPECT_FALSE(soundSlotLoaded(8));
  const std::vector<Shown> expected = {
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + missing, "トホホ～"},
      {"ファイルオープンに失敗しました", ""},
  };
  EXPECT_EQ(shown_, expected);
  soundShutdown();
}

TEST(ScrambledTexturePath, KindComesFromTheTextAfterTheLastDot) {
  EXPECT_TRUE(data::isDdsTexturePath("tex\\cur.au"));
  EXPECT_TRUE(data::isDdsTexturePath("OTSK\\Ring.AU"));
  EXPECT_TRUE(data::isDdsTexturePath("x.aU"));
  EXPECT_FALSE(data::isDdsTexturePath("Mat\\SKY\\sky_0.zgr"));
  EXPECT_FALSE(data::isDdsTexturePath("picture.bmp"));
  EXPECT_FALSE(data::isDdsTexturePath("noextension"));
  EXPECT_FALSE(data::isDdsTexturePath("dir.au\\file"));
  EXPECT_FALSE(data::isDdsTexturePath("file.auu"));
  EXPECT_FALSE(data::isDdsTexturePath("file."));
}

class ErrorTextBuffer : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      shown_.push_back({text, caption});
    });
    data::showErrorText();  // start empty
    shown_.clear();
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  std::vector<Shown> shown_;
};

TEST_F(ErrorTextBuffer, TextAndNumberShowUnderHollinErrorThenTheBufferIsEmpty) {
  data::appendErrorText("o11:SE loading error!:");
  data::appendErrorNumber(7);
  data::showErrorText();
  data::appendErrorNumber(-12);
  data::showErrorText();
  const std::vector<Shown> expected = {{"o11:SE loading error!:7", "HollinERROR"}, {"-12", "HollinERROR"}};
  EXPECT_EQ(shown_, expected);
  EXPECT_TRUE(data::errorText().empty());
}

TEST_F(ErrorTextBuffer, ShowNumberUsesTheStandardBoxAndLeavesTheBufferAlone) {
  data::appendErrorText("kept");
  data::showErrorNumber(-2147483647 - 1);
  const std::vector<Shown> expected = {{"-2147483648", "トホホ～"}};
  EXPECT_EQ(shown_, expected);
  EXPECT_EQ(data::errorText(), "kept");
}

TEST_F(ErrorTextBuffer, OverflowIsCutAtTheLastWholeCharacter) {
  const std::string chunk(100, 'x');
  data::appendErrorText(chunk);
  data::appendErrorText(chunk);
  data::appendErrorText(chunk);
  EXPECT_EQ(data::errorText(), std::string(data::kErrorTextSize - 1, 'x'));
  data::appendErrorNumber(5);
  EXPECT_EQ(data::errorText().size(), data::kErrorTextSize - 1);
  data::showErrorText();

  // One byte of room left must not take the first half of a double-byte character.
  data::appendErrorText(std::string(data::kErrorTextSize - 2, 'y'));
  data::appendErrorText(sjis("あ"));
  EXPECT_EQ(data::errorText(), std::string(data::kErrorTextSize - 2, 'y'));
  data::appendErrorText("z");
  EXPECT_EQ(data::errorText().back(), 'z');
  data::showErrorText();
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].text.size(), data::kErrorTextSize - 1);
}
