// Scrambled files: the plain copy, the texture kind by path, and the error text buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/error_text.h"
#include "core/message_box.h"
#include "audio/sound.h"
#include "audio_test_support.h"
#include "game_state.h"
#include "data/scramble.h"
#include "data/scrambled.h"
#include "image_files.h"
#include "platform/image.h"
#include "platform/system.h"
#include "platform/window.h"
#include "temp_data_root.h"

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
    dir_.makeDirectories("Tex");
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      shown_.push_back({text, caption});
    });
    workingEntries_ = entriesOf(fs::current_path());
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    // No plain copy may stay behind, here or in the working directory.
    EXPECT_EQ(entriesOf(fs::current_path()), workingEntries_);
  }

  // Writes the scrambled form of plain bytes; returns the path as the game would give it.
  std::string writeScrambled(const std::string& relative, std::vector<uint8_t> plain) {
    data::scrambleBytes(plain.data(), plain.size());
    return dir_.write(relative, plain);
  }

  TempDataRoot dir_;
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
  const std::string gamePath = dir_.path().string() + "\\tex\\CUR.AU";
  const auto copy = data::unscrambleToPlainCopy(gamePath);
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(*copy, plain);
}

TEST_F(ScrambledFiles, MissingOrUnreadableFileShowsTheOpenErrorWithItsPath) {
  const std::string missing = dir_.path().string() + "/nothing.au";
  EXPECT_FALSE(data::unscrambleToPlainCopy(missing).has_value());
  const std::string directory = (dir_ / "Tex").string();
  EXPECT_FALSE(data::unscrambleToPlainCopy(directory).has_value());
  const std::vector<Shown> expected = {
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + missing, "トホホ～"},
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + directory, "トホホ～"},
  };
  EXPECT_EQ(shown_, expected);
}

// Files longer than one read block (70000 bytes above) are measured before they are read.
TEST_F(ScrambledFiles, FileBeyondTheLimitIsRefusedUnread) {
  const fs::path huge = dir_ / "huge.zgr";
  std::ofstream(huge, std::ios::binary) << std::string(70000, 'x');
  fs::resize_file(huge, data::kMaxScrambledFileBytes + 1);  // sparse: nothing is written
  EXPECT_FALSE(data::unscrambleToPlainCopy(huge.string()).has_value());
  const std::vector<Shown> expected = {{"ZCV_ZSFmt::書き出しエラーなのさ", "トホホ～"}};
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
  const std::string missing = dir_.path().string() + "/se/none.zse";
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

class ErrorTextBuffer : public GameStateTest {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      shown_.push_back({text, caption});
    });
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  std::vector<Shown> shown_;
};

TEST_F(ErrorTextBuffer, TextAndNumberShowUnderHollinErrorThenTheBufferIsEmpty) {
  appendErrorText("o11:SE loading error!:");
  appendErrorNumber(7);
  showErrorText();
  appendErrorNumber(-12);
  showErrorText();
  const std::vector<Shown> expected = {{"o11:SE loading error!:7", "HollinERROR"}, {"-12", "HollinERROR"}};
  EXPECT_EQ(shown_, expected);
  EXPECT_TRUE(errorText().empty());
}

TEST_F(ErrorTextBuffer, ShowNumberUsesTheStandardBoxAndLeavesTheBufferAlone) {
  appendErrorText("kept");
  showErrorNumber(-2147483647 - 1);
  const std::vector<Shown> expected = {{"-2147483648", "トホホ～"}};
  EXPECT_EQ(shown_, expected);
  EXPECT_EQ(errorText(), "kept");
}

TEST_F(ErrorTextBuffer, OverflowIsCutAtTheLastWholeCharacter) {
  const std::string chunk(100, 'x');
  appendErrorText(chunk);
  appendErrorText(chunk);
  appendErrorText(chunk);
  EXPECT_EQ(errorText(), std::string(kErrorTextSize - 1, 'x'));
  appendErrorNumber(5);
  EXPECT_EQ(errorText().size(), kErrorTextSize - 1);
  showErrorText();

  // One byte of room left must not take the first half of a double-byte character.
  appendErrorText(std::string(kErrorTextSize - 2, 'y'));
  appendErrorText(sjis("あ"));
  EXPECT_EQ(errorText(), std::string(kErrorTextSize - 2, 'y'));
  appendErrorText("z");
  EXPECT_EQ(errorText().back(), 'z');
  showErrorText();
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].text.size(), kErrorTextSize - 1);
}

TEST_F(ScrambledFiles, MissingTextureShowsOpenErrorThenBangAndKeepsTheRecord) {
  TexRecord record;
  record.width = 7;
  record.height = 9;
  const std::string missing = dir_.path().string() + "/tex/none.au";
  data::loadScrambledTexture(missing, record);
  const std::vector<Shown> expected = {
      {"ZCV_ZSFmt::オープンエラーなのさ\n" + missing, "トホホ～"},
      {"!", "トホホ～"},
  };
  EXPECT_EQ(shown_, expected);
  EXPECT_EQ(record.width, 7u);
  EXPECT_EQ(record.height, 9u);

  // With a format: the open error alone, and the destination is empty.
  shown_.clear();
  std::unique_ptr<plat::Texture> texture;
  data::loadScrambledTextureWithFormat(missing, texture, plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_LINEAR);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "ZCV_ZSFmt::オープンエラーなのさ\n" + missing);
  EXPECT_EQ(texture, nullptr);
}


// --- with a device: textures from scrambled files ---

namespace {

// Reads every level of a texture back through LockRect.
std::vector<std::vector<uint8_t>> textureLevels(plat::Texture& texture) {
  std::vector<std::vector<uint8_t>> levels;
  for (unsigned level = 0; level < texture.GetLevelCount(); ++level) {
    const plat::D3DSURFACE_DESC desc = texture.GetLevelDesc(level);
    const size_t rowSize = plat::ImageRowSize(desc.Format, desc.Width);
    const unsigned rows = plat::ImageRowCount(desc.Format, desc.Height);
    plat::D3DLOCKED_RECT locked{};
    if (plat::FAILED(texture.LockRect(level, &locked, plat::D3DLOCK_READONLY))) return {};
    std::vector<uint8_t> bytes;
    for (unsigned row = 0; row < rows; ++row) {
      const auto* p = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch;
      bytes.insert(bytes.end(), p, p + rowSize);
    }
    texture.UnlockRect(level);
    levels.push_back(std::move(bytes));
  }
  return levels;
}

class ScrambledTextures : public ScrambledFiles {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(plat::CreateMainWindow("scrambled textures"));
    device_ = plat::CreateDevice();
    ASSERT_NE(device_, nullptr);
    gDevice = device_.get();
  }
  static void TearDownTestSuite() {
    gDevice = nullptr;
    device_.reset();
    plat::DestroyMainWindow();
  }

  // The texture the plain file gives when created directly from memory.
  static std::unique_ptr<plat::Texture> fromPlain(const std::vector<uint8_t>& plain, plat::D3DFORMAT format,
                                                  plat::DWORD filter) {
    std::unique_ptr<plat::Texture> texture;
    plat::D3DXCreateTextureFromFileInMemoryEx(gDevice, plain.data(), plain.size(), 0, 0, 0, 0, format,
                                              plat::D3DPOOL_MANAGED, filter, filter, 0, &texture);
    return texture;
  }

  static inline std::unique_ptr<plat::Device> device_;
};

std::vector<uint8_t> smallDds() {
  std::vector<uint32_t> pixels;
  for (uint32_t i = 0; i < 4 * 2 + 2 + 1; ++i) pixels.push_back(0xFF000000 | i * 0x151515);
  return testimg::makeDds(4, 2, testimg::kDdsArgb8, 3, testimg::argbBytes(pixels));
}

std::vector<uint8_t> smallBmp() {
  testimg::BmpSpec spec;
  spec.width = 3;  // not a power of two: the texture is 4 x 2
  spec.height = 2;
  spec.pixels = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,
                 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0, 0, 0};
  return testimg::makeBmp(spec);
}

}  // namespace

TEST_F(ScrambledTextures, DdsKindByAuExtensionInAnyCase) {
  const auto plain = smallDds();
  const auto expected = fromPlain(plain, plat::D3DFMT_UNKNOWN, plat::D3DX_DEFAULT);
  ASSERT_NE(expected, nullptr);
  for (const char* name : {"Tex/a.au", "Tex/b.AU"}) {
    SCOPED_TRACE(name);
    TexRecord record;
    data::loadScrambledTexture(writeScrambled(name, plain), record);
    ASSERT_NE(record.texture, nullptr);
    EXPECT_EQ(record.width, 4u);
    EXPECT_EQ(record.height, 2u);
    EXPECT_EQ(record.texture->GetLevelDesc(0).Format, plat::D3DFMT_A8R8G8B8);
    EXPECT_EQ(record.texture->GetLevelCount(), 3u);
    EXPECT_EQ(textureLevels(*record.texture), textureLevels(*expected));
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledTextures, BmpKindForOtherExtensionsAndNoExtension) {
  const auto plain = smallBmp();
  const auto expected = fromPlain(plain, plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_NONE);
  ASSERT_NE(expected, nullptr);
  for (const char* name : {"Tex/a.bmp", "Tex/plain"}) {
    SCOPED_TRACE(name);
    TexRecord record;
    data::loadScrambledTexture(writeScrambled(name, plain), record);
    ASSERT_NE(record.texture, nullptr);
    EXPECT_EQ(record.width, 3u);  // the image's own size, not the texture's
    EXPECT_EQ(record.height, 2u);
    const plat::D3DSURFACE_DESC top = record.texture->GetLevelDesc(0);
    EXPECT_EQ(top.Format, plat::D3DFMT_R5G6B5);
    EXPECT_EQ(top.Width, 4u);
    EXPECT_EQ(top.Height, 2u);
    EXPECT_EQ(record.texture->GetLevelCount(), 3u);
    EXPECT_EQ(textureLevels(*record.texture), textureLevels(*expected));
  }
  // A BMP named ".au" has its sizes read at the DDS offsets (12 and 16), as the kind says.
  TexRecord record;
  data::loadScrambledTexture(writeScrambled("Tex/c.au", plain), record);
  EXPECT_EQ(record.height, static_cast<uint32_t>(plain[12] | plain[13] << 8 | plain[14] << 16 | plain[15] << 24));
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledTextures, BmpSizeIsTheImagesForTopDownAndCoreHeaders) {
  testimg::BmpSpec topDown;
  topDown.width = 2;
  topDown.height = -3;  // rows stored top first
  topDown.pixels.assign(8 * 3, 0x40);
  testimg::BmpSpec core;
  core.headerSize = 12;  // 16-bit width and height
  core.width = 5;
  core.height = 6;
  core.pixels.assign(16 * 6, 0x40);
  const struct {
    const char* name;
    testimg::BmpSpec spec;
    uint32_t width, height;
  } cases[] = {{"Tex/top.zgr", topDown, 2, 3}, {"Tex/core.zgr", core, 5, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TexRecord record;
    data::loadScrambledTexture(writeScrambled(c.name, testimg::makeBmp(c.spec)), record);
    ASSERT_NE(record.texture, nullptr);
    EXPECT_EQ(record.width, c.width);
    EXPECT_EQ(record.height, c.height);
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledTextures, WithFormatGivesTheAskedFormatAndFilter) {
  const auto plain = smallBmp();
  const struct {
    plat::D3DFORMAT format;
    plat::DWORD filter;
  } asks[] = {{plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_LINEAR},
              {plat::D3DFMT_A1R5G5B5, plat::D3DX_FILTER_NONE},
              {plat::D3DFMT_R8G8B8, plat::D3DX_FILTER_LINEAR}};
  const std::string path = writeScrambled("Tex/m.zgr", plain);
  for (const auto& ask : asks) {
    SCOPED_TRACE(ask.format);
    std::unique_ptr<plat::Texture> texture;
    data::loadScrambledTextureWithFormat(path, texture, ask.format, ask.filter);
    const auto expected = fromPlain(plain, ask.format, ask.filter);
    ASSERT_NE(texture, nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(texture->GetLevelDesc(0).Format, expected->GetLevelDesc(0).Format);
    EXPECT_EQ(textureLevels(*texture), textureLevels(*expected));
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledTextures, UndecodableFileLeavesTheDestinationEmpty) {
  TexRecord record;
  data::loadScrambledTexture(writeScrambled("Tex/first.au", smallDds()), record);
  ASSERT_NE(record.texture, nullptr);
  // Not an image: the old texture is released, the header's numbers still land in the record.
  std::vector<uint8_t> junk(40, 0x11);
  data::loadScrambledTexture(writeScrambled("Tex/junk.au", junk), record);
  EXPECT_EQ(record.texture, nullptr);
  EXPECT_EQ(record.width, 0x11111111u);
  // Too short even for the header: sizes read as 0.
  data::loadScrambledTexture(writeScrambled("Tex/tiny.zgr", {'B', 'M'}), record);
  EXPECT_EQ(record.texture, nullptr);
  EXPECT_EQ(record.width, 0u);
  EXPECT_EQ(record.height, 0u);

  std::unique_ptr<plat::Texture> texture = fromPlain(smallBmp(), plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_LINEAR);
  data::loadScrambledTextureWithFormat(writeScrambled("Tex/junk.zgr", junk), texture, plat::D3DFMT_R5G6B5,
                                       plat::D3DX_FILTER_LINEAR);
  EXPECT_EQ(texture, nullptr);
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ScrambledTextures, DxtTexturesKeepTheirBlocks) {
  std::vector<uint8_t> block = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};  // red
  std::vector<uint8_t> chain;
  for (int i = 0; i < 3; ++i) chain.insert(chain.end(), block.begin(), block.end());
  TexRecord record;
  data::loadScrambledTexture(writeScrambled("Tex/dxt.au", testimg::makeDds(4, 4, testimg::dxt("DXT1"), 3, chain)),
                             record);
  ASSERT_NE(record.texture, nullptr);
  const plat::D3DFORMAT format = record.texture->GetLevelDesc(0).Format;
  // The device's own DXT1 when it has it, else the decoded pixels.
  if (format == plat::D3DFMT_DXT1) {
    EXPECT_EQ(textureLevels(*record.texture)[2], block);
  } else {
    EXPECT_EQ(format, plat::D3DFMT_A8R8G8B8);
    EXPECT_EQ(textureLevels(*record.texture)[2], testimg::argbBytes({0xFFFF0000}));
  }
}
