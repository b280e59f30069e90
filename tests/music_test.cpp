#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "audio/music.h"
#include "audio/sound.h"
#include "audio_test_support.h"
#include "temp_data_root.h"

using namespace audiotest;
namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for the life of the object.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    if (hadValue_) oldValue_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvironmentOverride() {
    if (hadValue_) {
      setenv(name_, oldValue_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool hadValue_ = false;
  std::string oldValue_;
};

const char* kSystemSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SelectAudioOutput(plat::AudioOutput::Offline); }
  void TearDown() override {
    musicShutdown();
    plat::SelectAudioOutput(plat::AudioOutput::Device);
  }

  void writePiece(const std::string& name, const std::vector<uint8_t>& bytes) {
    directory_.write(name + ".zms", bytes);
  }

  // Music set-up in the test's own directory, written the game's way (backslash at the end).
  bool setup() { return musicSetupIn(directory_.path().string() + "\\"); }

  // Set-up with the system soundfont; skips the test when the machine has none.
  void setupWithSoundfont() {
    if (!fs::exists(kSystemSoundfont)) GTEST_SKIP() << "no General MIDI soundfont installed";
    ASSERT_TRUE(setup());
    ASSERT_TRUE(messages.shown.empty());
  }

  TempDataRoot directory_;
  EnvironmentOverride soundfont_{"ORVANE_SOUNDFONT", nullptr};
  MessageCapture messages;
};

// Start times (in seconds) of the notes heard in the mix: 10 ms windows whose level jumps well
// above the window before.
std::vector<double> noteStarts(const Mix& mix) {
  constexpr double kWindow = 0.01;
  std::vector<double> starts;
  double previous = rms(mix, 0, kWindow);
  if (previous > 0.01) starts.push_back(0);
  const double total = static_cast<double>(mix.frames()) / plat::kMixRate;
  for (double t = kWindow; t + kWindow <= total; t += kWindow) {
    const double level = rms(mix, t, t + kWindow);
    if (level > 0.01 && level > 3 * previous) starts.push_back(t);
    previous = level;
  }
  return starts;
}

// A short note at the start of every second, the piece lasting `seconds` (96 ticks a beat at
// 120 beats a minute: 192 ticks a second).
std::vector<uint8_t> notesEverySecond(int seconds) {
  std::vector<MidiNote> notes;
  for (int i = 0; i < seconds; ++i) notes.push_back({static_cast<uint32_t>(192 * i), 20, 72});
  return makeMidi(notes, static_cast<uint32_t>(192 * seconds));
}

TEST_F(MusicTest, SetupPlaysInitAndTheMusicIsHeard) {
  writePiece("init", notesEverySecond(1));
  setupWithSoundfont();
  EXPECT_TRUE(plat::MidiIsPlaying());
  EXPECT_EQ(musicMasterVolume(), 500);
  const Mix mix = render(framesOf(0.5));
  EXPECT_GT(rms(mix, 0, 0.1), 0.01);
}

TEST_F(MusicTest, PieceLoopsPastItsEnd) {
  writePiece("loop", notesEverySecond(1));
  setupWithSoundfont();
  playMusic("loop");
  const Mix mix = render(framesOf(3.5));
  const std::vector<double> starts = noteStarts(mix);
  ASSERT_EQ(starts.size(), 4u);
  for (size_t i = 0; i < starts.size(); ++i) EXPECT_NEAR(starts[i], static_cast<double>(i), 0.03);
  EXPECT_TRUE(plat::MidiIsPlaying());
}

TEST_F(MusicTest, TempoFactorSetsHowFastNotesCome) {
  writePiece("beat", notesEverySecond(4));
  setupWithSoundfont();
  playMusic("beat");
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterTempo, 0, 2), 200);
  std::vector<double> starts = noteStarts(render(framesOf(1.9)));
  ASSERT_EQ(starts.size(), 4u);
  for (size_t i = 0; i < starts.size(); ++i) EXPECT_NEAR(starts[i], 0.5 * static_cast<double>(i), 0.03);

  // Scaling by 50 hundredths halves the tempo: back to one note a second.
  stopMusic();
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterTempo, 2, 50), 100);
  EXPECT_FLOAT_EQ(musicTempo(), 1.0f);
  playMusic("beat");
  starts = noteStarts(render(framesOf(2.5)));
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_NEAR(starts[2], 2.0, 0.03);
}

TEST_F(MusicTest, MasterVolumeFollowsTheParameterRules) {
  ASSERT_TRUE(setup());
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 0, 500), 500);
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 1, -100), 400);
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 2, 50), 200);
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 7, -33), -66);  // truncated toward zero
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 0, std::numeric_limits<int32_t>::max()),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterVolume, 1, 1), std::numeric_limits<int32_t>::max());  // no overflow
  EXPECT_EQ(musicMasterVolume(), std::numeric_limits<int32_t>::max());

  // The tempo stays within its limits whatever a script asks.
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterTempo, 0, 0), 1);
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterTempo, 1, 1000), 10000);
}

TEST_F(MusicTest, MasterVolumeScalesTheMusic) {
  writePiece("tone", makeMidi({{0, 180, 72}}, 192));
  setupWithSoundfont();
  playMusic("tone");
  const double loud = rms(render(framesOf(0.5)), 0.05, 0.45);
  stopMusic();
  playMusic("tone");
  setGlobalParam(GUID_PerfMasterVolume, 1, -600);  // 6 dB down: half the amplitude
  const double soft = rms(render(framesOf(0.5)), 0.05, 0.45);
  EXPECT_NEAR(soft / loud, 0.5, 0.05);
  setGlobalParam(GUID_PerfMasterVolume, 0, -10000);
  EXPECT_EQ(rms(render(framesOf(0.2)), 0, 0.2), 0.0);
}

TEST_F(MusicTest, MissingPieceIsSilentWithoutMessage) {
  setupWithSoundfont();
  playMusic("nothing-here");
  EXPECT_FALSE(plat::MidiIsPlaying());
  EXPECT_LT(rms(render(framesOf(0.2)), 0, 0.2), 1e-6);
  EXPECT_EQ(musicMasterVolume(), 0);  // the +5 dB belongs to a piece that plays
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MusicTest, StopSilencesAndNextPlayReplacesThePiece) {
  writePiece("a", notesEverySecond(1));
  setupWithSoundfont();
  playMusic("a");
  render(framesOf(0.1));
  stopMusic();
  EXPECT_FALSE(plat::MidiIsPlaying());
  const Mix after = render(framesOf(0.5));
  EXPECT_LT(rms(after, 0.3, 0.5), 0.001);  // at most a short tail of reverb
  playMusic("a");
  playMusic("a");  // playing over a piece replaces it
  EXPECT_TRUE(plat::MidiIsPlaying());
}

// The lines of standard error that the music wrote.
std::vector<std::string> musicLines(const std::string& captured) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = captured.find('\n', start)) != std::string::npos; start = end + 1) {
    if (captured.compare(start, 14, "Orvane: music:") == 0) lines.push_back(captured.substr(start, end - start));
  }
  return lines;
}

TEST_F(MusicTest, DamagedPieceIsSilentWithOneLineOnStandardError) {
  std::vector<uint8_t> damaged = notesEverySecond(1);
  damaged.resize(damaged.size() - 5);  // the track is cut short
  writePiece("bad", damaged);
  ASSERT_TRUE(setup());
  messages.shown.clear();
  testing::internal::CaptureStderr();
  playMusic("bad");
  const auto lines = musicLines(testing::internal::GetCapturedStderr());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("bad.zms"), std::string::npos);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(plat::MidiIsPlaying());
}

TEST_F(MusicTest, WithoutSoundfontOneLineOnStandardErrorThenSilentMusic) {
  EnvironmentOverride missing("ORVANE_SOUNDFONT", (directory_ / "missing.sf2").c_str());
  writePiece("init", notesEverySecond(1));
  testing::internal::CaptureStderr();
  EXPECT_TRUE(setup());
  playMusic("init");
  playMusic("init");
  setGlobalParam(GUID_PerfMasterTempo, 0, 2);
  const auto lines = musicLines(testing::internal::GetCapturedStderr());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("missing.sf2"), std::string::npos);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(rms(render(framesOf(0.5)), 0, 0.5), 0.0);
  musicShutdown();
  EXPECT_FALSE(plat::AudioIsOpen());
}

TEST_F(MusicTest, SoundsAndMusicShareOneMixWithIndependentLifetimes) {
  ASSERT_TRUE(soundSetup());
  ASSERT_TRUE(setup());
  const auto wave = makeWave({.pcm = pcm16(std::vector<int16_t>(1000, 16384))});
  ASSERT_TRUE(loadWaveIntoSlot(&wave, 0));
  musicShutdown();  // the music goes first at shutdown; sounds still play
  playSound(0);
  EXPECT_NEAR(render(10).left(5), 0.5f, 1e-4f);
  soundShutdown();
  EXPECT_FALSE(plat::AudioIsOpen());
}

TEST_F(MusicTest, NullOutputRunsWithoutSynthesiserOrMessage) {
  plat::SelectAudioOutput(plat::AudioOutput::Null);
  writePiece("init", notesEverySecond(1));
  EXPECT_TRUE(setup());
  playMusic("init");
  EXPECT_EQ(setGlobalParam(GUID_PerfMasterTempo, 2, 50), 50);
  stopMusic();
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MusicTest, PlayAndStopWhileTheDeviceThreadMixes) {
  // The test environment's SDL_AUDIODRIVER=dummy runs a real device thread that pulls the mix.
  plat::SelectAudioOutput(plat::AudioOutput::Device);
  writePiece("init", notesEverySecond(1));
  setupWithSoundfont();
  ASSERT_TRUE(soundSetup());
  const auto wave = makeWave({.pcm = pcm16(std::vector<int16_t>(4410, 8000))});
  ASSERT_TRUE(loadWaveIntoSlot(&wave, 0));
  for (int i = 0; i < 20; ++i) {
    playMusic("init");
    playSound(0);
    setGlobalParam(GUID_PerfMasterTempo, 0, 1 + i % 3);
    stopMusic();
  }
  soundShutdown();
  EXPECT_TRUE(messages.shown.empty());
}

// --- the Standard MIDI File check ---

TEST(MidiCheck, AcceptsWellFormedFilesAndRefusesDamagedOnes) {
  const std::vector<uint8_t> good = makeMidi({{0, 10, 60}}, 96);
  EXPECT_TRUE(plat::IsPlayableMidi(good.data(), good.size()));

  auto damaged = [&](size_t offset, uint8_t value) {
    std::vector<uint8_t> copy = good;
    copy[offset] = value;
    return plat::IsPlayableMidi(copy.data(), copy.size());
  };
  EXPECT_FALSE(damaged(0, 'X'));        // not "MThd"
  EXPECT_FALSE(damaged(7, 7));          // header length
  EXPECT_FALSE(damaged(9, 2));          // format 2
  EXPECT_FALSE(damaged(11, 0));         // no tracks
  EXPECT_FALSE(damaged(11, 2));         // fewer tracks than announced
  EXPECT_FALSE(damaged(12, 0x80));      // SMPTE time
  EXPECT_FALSE(damaged(21, 0xFF));      // track longer than the file
  EXPECT_FALSE(damaged(25, 2));         // tempo meta of the wrong length
  EXPECT_FALSE(plat::IsPlayableMidi(good.data(), 20));
  EXPECT_FALSE(plat::IsPlayableMidi(nullptr, 0));

  const std::vector<uint8_t> zeroTempo = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                          'M', 'T', 'r', 'k', 0, 0, 0, 11,
                                          0, 0xFF, 0x51, 3, 0, 0, 0, 96, 0xFF, 0x2F, 0};
  EXPECT_FALSE(plat::IsPlayableMidi(zeroTempo.data(), zeroTempo.size()));
  const std::vector<uint8_t> noLength = makeMidi({{0, 0, 60}}, 0);
  EXPECT_FALSE(plat::IsPlayableMidi(noLength.data(), noLength.size()));  // would loop without end
}

TEST(MidiCheck, FollowsRunningStatus) {
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96,
                               'M', 'T', 'r', 'k', 0, 0, 0, 12,
                               0, 0x90, 60, 100, 48, 62, 100, 48, 60, 0, 0, 0xFF, 0x2F, 0};
  // Track: a note-on, two more under running status, the end of the track.
  file[21] = static_cast<uint8_t>(file.size() - 22);
  EXPECT_TRUE(plat::IsPlayableMidi(file.data(), file.size()));

  std::vector<uint8_t> noStatus = file;
  noStatus[23] = 0x40;  // a data byte where the first status should be
  EXPECT_FALSE(plat::IsPlayableMidi(noStatus.data(), noStatus.size()));
}

// The synthesiser refuses these files when its player loads them, and its looping player would
// then load them again without end: they must not reach it.
TEST(MidiCheck, RefusesWhatTheSynthesiserWouldNotLoad) {
  const std::vector<uint8_t> header = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96};
  auto withTrack = [&](std::vector<uint8_t> events, const std::vector<uint8_t>& before = {}) {
    std::vector<uint8_t> file = header;
    file.insert(file.end(), before.begin(), before.end());
    file.insert(file.end(), {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<uint8_t>(events.size())});
    file.insert(file.end(), events.begin(), events.end());
    return file;
  };
  const std::vector<uint8_t> good = withTrack({0, 0x90, 60, 100, 48, 0xFF, 0x2F, 0});
  ASSERT_TRUE(plat::IsPlayableMidi(good.data(), good.size()));

  const std::vector<uint8_t> longEnd = withTrack({0, 0x90, 60, 100, 48, 0xFF, 0x2F, 1, 0});  // end of track with data
  EXPECT_FALSE(plat::IsPlayableMidi(longEnd.data(), longEnd.size()));
  EXPECT_FALSE(plat::PlayMidi(longEnd.data(), longEnd.size()));
  const std::vector<uint8_t> foreign = withTrack({0, 0x90, 60, 100, 48, 0xFF, 0x2F, 0}, {'X', 'T', 'R', 'A', 0, 0, 0, 2, 9, 9});
  EXPECT_FALSE(plat::IsPlayableMidi(foreign.data(), foreign.size()));  // a chunk of another kind before the track
  const std::vector<uint8_t> escaped = withTrack({0, 0xF7, 1, 0x42, 0, 0x90, 60, 100, 48, 0xFF, 0x2F, 0});
  EXPECT_FALSE(plat::IsPlayableMidi(escaped.data(), escaped.size()));
  std::vector<uint8_t> manyTracks = good;
  manyTracks[10] = 1;  // 257 tracks announced
  EXPECT_FALSE(plat::IsPlayableMidi(manyTracks.data(), manyTracks.size()));
}

}  // namespace
