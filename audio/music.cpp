#include "audio/music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "core/data_root.h"
#include "core/message_box.h"
#include "platform/audio.h"
#include "platform/system.h"

namespace {

constexpr int32_t kPlayVolume = 500;  // +5 dB, set at every play
constexpr size_t kMaxMusicFileBytes = size_t{16} << 20;

bool gMusicOpen = false;
std::string gPlaying;  // the piece that plays; empty for silence
std::string gDirectory;
int32_t gMasterVolume = 0;
float gTempo = 1.0f;

// Reads the whole file; false on a read error or a file far beyond any piece of music.
bool readWholeFile(FILE* f, std::vector<uint8_t>& out) {
  uint8_t block[4096];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0) {
    if (out.size() + n > kMaxMusicFileBytes) return false;
    out.insert(out.end(), block, block + n);
  }
  return std::ferror(f) == 0;
}

int32_t clampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t nextMasterVolume(int mode, int32_t value) {
  if (mode == 0) return value;
  if (mode == 1) return clampToInt32(int64_t{gMasterVolume} + value);
  return clampToInt32(int64_t{gMasterVolume} * value / 100);
}

float nextTempo(int mode, int32_t value) {
  float tempo;
  if (mode == 0) {
    tempo = static_cast<float>(value);
  } else if (mode == 1) {
    tempo = gTempo + static_cast<float>(value);
  } else {
    tempo = gTempo * static_cast<float>(value) * 0.01f;
  }
  return std::clamp(tempo, plat::kMidiTempoMin, plat::kMidiTempoMax);
}

// Music problems that the game plays on through (silent music) are one line on standard error,
// not a message box.
void reportMusicProblem(const std::string& lineUtf8) {
  std::fprintf(stderr, "Orvane: music: %s\n", lineUtf8.c_str());
}

void reportNoSoundfont() {
  reportMusicProblem("no soundfont found (tried " + plat::MusicSoundfontDescription() +
                     "); set ORVANE_SOUNDFONT to a .sf2 file or install timgm6mb-soundfont; playing on without music");
}

void reportUnplayable(const std::string& path, const char* reason) {
  reportMusicProblem(plat::Utf8FromCp932(path) + ": " + reason + "; it stays silent");
}

}  // namespace

bool musicSetup() {
  return musicSetupIn(std::string(dataRoot()) + "Zms\\");
}

bool musicSetupIn(const std::string& directory) {
  if (gMusicOpen) musicShutdown();
  switch (plat::OpenMusic()) {
    case plat::MusicSynth::Failed:
      showStandardMessage(sjis("DirectMusicPerformance8オブジェクトの作成に失敗"));
      return false;
    case plat::MusicSynth::NoSoundfont:
      reportNoSoundfont();
      break;
    case plat::MusicSynth::Ready:
      break;
  }
  gMusicOpen = true;
  gDirectory = directory;
  gMasterVolume = 0;
  gTempo = 1.0f;
  plat::SetMidiVolume(gMasterVolume);
  plat::SetMidiTempo(gTempo);
  playMusic("init");
  return true;
}

void musicShutdown() {
  if (!gMusicOpen) return;
  stopMusic();
  plat::CloseMusic();
  gMusicOpen = false;
}

void playMusic(const char* name) {
  if (!gMusicOpen || name == nullptr) return;
  gPlaying.clear();
  const std::string path = gDirectory + name + ".zms";
  FILE* f = plat::OpenFile(path, "rb");
  if (f == nullptr) return;  // no such piece: silence, as intended for fields without music
  std::vector<uint8_t> file;
  const bool read = readWholeFile(f, file);
  std::fclose(f);
  if (!read || !plat::IsPlayableMidi(file.data(), file.size())) {
    reportUnplayable(path, "not a Standard MIDI File that can be played");
    return;
  }
  if (!plat::PlayMidi(file.data(), file.size())) {
    reportUnplayable(path, "the synthesiser could not start it");
    return;
  }
  setGlobalParam(GUID_PerfMasterVolume, 0, kPlayVolume);
  gPlaying = name;
}

const std::string& musicPlaying() {
  return gPlaying;
}

void stopMusic() {
  plat::StopMidi();
  gPlaying.clear();
}

int32_t setGlobalParam(GlobalParam param, int mode, int32_t value) {
  if (param == GUID_PerfMasterTempo) {
    gTempo = nextTempo(mode, value);
    plat::SetMidiTempo(gTempo);
    return static_cast<int32_t>(std::lround(gTempo * 100.0f));
  }
  gMasterVolume = nextMasterVolume(mode, value);
  plat::SetMidiVolume(gMasterVolume);
  return gMasterVolume;
}

int32_t musicMasterVolume() {
  return gMasterVolume;
}

float musicTempo() {
  return gTempo;
}
