#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/sound.h"
#include "audio_test_support.h"

using namespace audiotest;

namespace {

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SelectAudioOutput(plat::AudioOutput::Offline);
    ASSERT_TRUE(soundSetup());
  }
  void TearDown() override {
    soundShutdown();
    plat::SelectAudioOutput(plat::AudioOutput::Device);
  }

  // Loads a mono 16-bit sound holding one constant sample value.
  void loadConstant(int slot, int16_t value, size_t frames = 4410) {
    const auto file = makeWave({.pcm = pcm16(std::vector<int16_t>(frames, value))});
    ASSERT_TRUE(loadWaveIntoSlot(&file, slot));
  }

  MessageCapture messages;
};

TEST_F(SoundTest, PlayedSlotIsHeardAtFullLevelOnBothSidesWhenCentred) {
  loadConstant(0, 16384);
  EXPECT_NEAR(render(16).left(0), 0.0f, 1e-6f);  // nothing plays before the play
  playSound(0);
  const Mix mix = render(100);
  EXPECT_NEAR(mix.left(50), 0.5f, 1e-4f);
  EXPECT_NEAR(mix.right(50), 0.5f, 1e-4f);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SoundTest, PanAttenuatesOnlyTheFarSide) {
  loadConstant(8, 16384);
  setSoundPan(8, 10000);  // full right: the left is silent
  playSound(8);
  Mix mix = render(10);
  EXPECT_EQ(mix.left(5), 0.0f);
  EXPECT_NEAR(mix.right(5), 0.5f, 1e-4f);

  setSoundPan(8, -600);  // 6 dB towards the left: the right drops to about half
  mix = render(10);
  EXPECT_NEAR(mix.left(5), 0.5f, 1e-4f);
  EXPECT_NEAR(mix.right(5), 0.5f * std::pow(10.0f, -0.3f), 1e-4f);

  setSoundPan(8, -30000);  // beyond the end counts as the end
  mix = render(10);
  EXPECT_NEAR(mix.left(5), 0.5f, 1e-4f);
  EXPECT_EQ(mix.right(5), 0.0f);
}

TEST_F(SoundTest, PlayingAgainRestartsFromTheBeginning) {
  std::vector<int16_t> ramp(2000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 10);
  const auto file = makeWave({.pcm = pcm16(ramp)});
  ASSERT_TRUE(loadWaveIntoSlot(&file, 0));
  playSound(0);
  const Mix first = render(500);
  EXPECT_NEAR(first.left(499), 4990 / 32768.0f, 1e-5f);
  playSound(0);  // still playing: starts over instead of overlapping
  const Mix again = render(3);
  EXPECT_NEAR(again.left(0), 0.0f, 1e-6f);
  EXPECT_NEAR(again.left(2), 20 / 32768.0f, 1e-6f);
}

TEST_F(SoundTest, SoundPlaysOnceThenStopsAndCanBePlayedAgain) {
  loadConstant(1, 8192, 300);
  playSound(1);
  EXPECT_TRUE(soundIsPlaying(1));
  const Mix mix = render(400);
  EXPECT_GT(mix.left(299), 0.2f);
  EXPECT_EQ(mix.left(300), 0.0f);
  EXPECT_FALSE(soundIsPlaying(1));
  playSound(1);
  EXPECT_GT(render(1).left(0), 0.2f);
}

TEST_F(SoundTest, SampleRateAndFrequencySetTheSpeed) {
  // 100 frames at 22050 Hz last 200 mixed frames.
  const auto file = makeWave({.rate = 22050, .pcm = pcm16(std::vector<int16_t>(100, 16384))});
  ASSERT_TRUE(loadWaveIntoSlot(&file, 2));
  playSound(2);
  Mix mix = render(300);
  EXPECT_GT(mix.left(195), 0.4f);
  EXPECT_EQ(mix.left(205), 0.0f);

  setSoundFrequency(2, 88200);  // four times as fast: 50 mixed frames
  playSound(2);
  mix = render(100);
  EXPECT_GT(mix.left(45), 0.4f);
  EXPECT_EQ(mix.left(55), 0.0f);
}

TEST_F(SoundTest, EightBitStereoIsUnsignedAndKeepsItsSides) {
  const auto file = makeWave({.channels = 2, .bits = 8, .pcm = {255, 0, 255, 0, 255, 0, 255, 0}});
  ASSERT_TRUE(loadWaveIntoSlot(&file, 3));
  playSound(3);
  const Mix mix = render(2);
  EXPECT_NEAR(mix.left(0), 127 / 128.0f, 1e-6f);
  EXPECT_NEAR(mix.right(0), -1.0f, 1e-6f);
}

TEST_F(SoundTest, EmptyAndOutOfRangeSlotsAreIgnored) {
  playSound(5);
  playSound(-1);
  playSound(kSoundSlotCount);
  setSoundPan(40, 100);
  setSoundFrequency(-3, 100);
  const auto file = makeWave({.pcm = pcm16({1, 2, 3, 4})});
  EXPECT_FALSE(loadWaveIntoSlot(&file, kSoundSlotCount));
  EXPECT_FALSE(loadWaveIntoSlot(&file, -1));
  EXPECT_EQ(render(10).left(0), 0.0f);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SoundTest, LoadingIntoAnOccupiedSlotReplacesTheOldSound) {
  loadConstant(9, 8192);
  playSound(9);
  loadConstant(9, -16384);
  EXPECT_EQ(render(1).left(0), 0.0f);  // the old sound is gone, the new one waits for its play
  playSound(9);
  EXPECT_NEAR(render(1).left(0), -0.5f, 1e-4f);

  const std::vector<uint8_t> broken = {'R', 'I', 'F', 'F'};
  EXPECT_FALSE(loadWaveIntoSlot(&broken, 9));
  EXPECT_FALSE(soundSlotLoaded(9));  // a failed load leaves the slot empty
}

TEST_F(SoundTest, FreeingOnDemandSlotsKeepsTheBootSounds) {
  for (int slot : {0, 3, 7, 8, 20, 31}) loadConstant(slot, 100, 10);
  freeOnDemandSounds();
  EXPECT_TRUE(soundSlotLoaded(0));
  EXPECT_TRUE(soundSlotLoaded(3));
  EXPECT_TRUE(soundSlotLoaded(7));
  EXPECT_FALSE(soundSlotLoaded(8));
  EXPECT_FALSE(soundSlotLoaded(20));
  EXPECT_FALSE(soundSlotLoaded(31));
  freeSound(0);
  EXPECT_FALSE(soundSlotLoaded(0));
}

TEST_F(SoundTest, ShutdownReleasesEverySlot) {
  loadConstant(0, 100, 10);
  loadConstant(31, 100, 10);
  soundShutdown();
  EXPECT_FALSE(soundSlotLoaded(0));
  EXPECT_FALSE(soundSlotLoaded(31));
  EXPECT_FALSE(plat::AudioIsOpen());
  ASSERT_TRUE(soundSetup());
}

// --- the WAV reader ---

std::vector<uint8_t> chunk(const char* tag, std::vector<uint8_t> body) {
  std::vector<uint8_t> out(tag, tag + 4);
  put32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2 == 1) out.push_back(0);
  return out;
}

std::vector<uint8_t> riffWave(const std::vector<std::vector<uint8_t>>& chunks) {
  std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
  for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return chunk("RIFF", body);
}

std::vector<uint8_t> pcmFormat(uint16_t tag = 1, uint16_t channels = 1, uint16_t bits = 16, bool withExtra = true) {
  std::vector<uint8_t> f;
  put16(f, tag);
  put16(f, channels);
  put32(f, 44100);
  put32(f, 44100 * channels * bits / 8);
  put16(f, static_cast<uint16_t>(channels * bits / 8));
  put16(f, bits);
  if (withExtra) put16(f, 0);
  return f;
}

TEST_F(SoundTest, ReaderFindsChunksPastOthersAndAcceptsTheShortFormatChunk) {
  const auto file = riffWave({chunk("LIST", {'I', 'N', 'F', 'O', 1}),  // odd size: padded
                              chunk("fmt ", pcmFormat(1, 1, 16, false)), chunk("fact", {0, 0, 0, 0}),
                              chunk("data", pcm16({16384, 16384, 16384}))});
  ASSERT_TRUE(loadWaveIntoSlot(&file, 4));
  playSound(4);
  EXPECT_NEAR(render(1).left(0), 0.5f, 1e-4f);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SoundTest, EveryReaderFailureShowsItsMessageAndLeavesTheSlotEmpty) {
  const auto goodData = chunk("data", pcm16({1, 2, 3, 4}));
  std::vector<uint8_t> formatOnly = riffWave({chunk("fmt ", pcmFormat())});
  std::vector<uint8_t> hugeFormat = riffWave({chunk("fmt ", pcmFormat()), goodData});
  hugeFormat[16] = 0xFF;  // the "fmt " size claims more than the file holds
  std::vector<uint8_t> hugeData = riffWave({chunk("fmt ", pcmFormat()), goodData});
  hugeData[hugeData.size() - 8 - 4] = 0xFF;  // the "data" size, likewise
  std::vector<uint8_t> shortFormat = {'R', 'I', 'F', 'F', 20, 0, 0, 0, 'W', 'A', 'V', 'E',
                                      'f', 'm', 't', ' ', 18, 0, 0, 0, 1, 0, 1, 0};
  std::vector<uint8_t> notRiff = riffWave({chunk("fmt ", pcmFormat()), goodData});
  notRiff[3] = 'X';
  std::vector<uint8_t> notWave = riffWave({chunk("fmt ", pcmFormat()), goodData});
  notWave[8] = 'A';

  const struct {
    const char* name;
    std::vector<uint8_t> file;
    const char* message;
  } cases[] = {
      {"not RIFF", notRiff, "ウエイブファイルが見つかりません"},
      {"not WAVE", notWave, "ウエイブファイルが見つかりません"},
      {"no format", riffWave({goodData}), "ウエイブファイルが見つかりません"},
      {"empty", {}, "ウエイブファイルが見つかりません"},
      {"format cut short", shortFormat, "ウエイブフォーマットを読み込めません"},
      {"float samples", riffWave({chunk("fmt ", pcmFormat(3, 1, 32)), goodData}), "不正なウエイブフォーマットです"},
      {"format beyond the file", hugeFormat, "ウエイブファイルにアクセスできません"},
      {"no data", formatOnly, "ウエイブファイルにデータがありません"},
      {"data beyond the file", hugeData, "ウエイブデータ読み込みに失敗しました"},
      {"three channels", riffWave({chunk("fmt ", pcmFormat(1, 3, 16)), goodData}), "サウンドバッファの生成に失敗しました"},
      {"24-bit", riffWave({chunk("fmt ", pcmFormat(1, 1, 24)), chunk("data", {1, 2, 3, 4, 5, 6})}),
       "サウンドバッファの生成に失敗しました"},
      {"empty data", riffWave({chunk("fmt ", pcmFormat()), chunk("data", {})}), "サウンドバッファの生成に失敗しました"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    loadConstant(10, 100, 10);
    messages.shown.clear();
    EXPECT_FALSE(loadWaveIntoSlot(&c.file, 10));
    EXPECT_FALSE(soundSlotLoaded(10));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, c.message);
    EXPECT_EQ(messages.shown[0].caption, "トホホ～");
  }
}

TEST_F(SoundTest, UnopenedFileShowsTheOpenMessageWithoutCaption) {
  EXPECT_FALSE(loadWaveIntoSlot(nullptr, 0));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "ファイルオープンに失敗しました");
  EXPECT_EQ(messages.shown[0].caption, "");
}

// --- running without an audio device ---

TEST(SoundOutput, NullOutputAcceptsEverythingAndStaysSilent) {
  MessageCapture messages;
  plat::SelectAudioOutput(plat::AudioOutput::Null);
  ASSERT_TRUE(soundSetup());
  const auto file = makeWave({.pcm = pcm16(std::vector<int16_t>(100, 16384))});
  EXPECT_TRUE(loadWaveIntoSlot(&file, 0));
  playSound(0);
  EXPECT_EQ(render(10).left(5), 0.0f);
  soundShutdown();
  plat::SelectAudioOutput(plat::AudioOutput::Device);
  EXPECT_TRUE(messages.shown.empty());
}

TEST(SoundOutput, MissingAudioDeviceFallsBackToSilence) {
  MessageCapture messages;
  const char* saved = std::getenv("SDL_AUDIODRIVER");
  const std::string savedDriver = saved ? saved : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  plat::SelectAudioOutput(plat::AudioOutput::Device);
  EXPECT_TRUE(soundSetup());
  EXPECT_EQ(plat::ActiveAudioOutput(), plat::AudioOutput::Null);
  const auto file = makeWave({.pcm = pcm16({1, 2, 3, 4})});
  EXPECT_TRUE(loadWaveIntoSlot(&file, 0));
  playSound(0);
  soundShutdown();
  if (saved) {
    setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST(SoundOutput, DeviceOutputPlaysThroughSdl) {
  // The test environment's SDL_AUDIODRIVER=dummy stands for a real device.
  MessageCapture messages;
  plat::SelectAudioOutput(plat::AudioOutput::Device);
  ASSERT_TRUE(soundSetup());
  const auto file = makeWave({.pcm = pcm16(std::vector<int16_t>(100, 16384))});
  EXPECT_TRUE(loadWaveIntoSlot(&file, 0));
  playSound(0);
  soundShutdown();
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
