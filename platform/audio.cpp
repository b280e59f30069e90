#include "platform/audio.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace plat {

// The mixer's view of one sound buffer. Guarded by the mixer's lock.
struct Voice {
  std::vector<float> samples;  // interleaved, `channels` values per frame, in [-1, 1]
  int channels = 1;
  size_t frames = 0;
  uint32_t nativeRate = kMixRate;
  uint32_t blockAlign = 1;
  double position = 0;  // in source frames
  double step = 1;      // source frames per mixed frame
  bool playing = false;
  int32_t volume = DSBVOLUME_MAX;
  int32_t pan = 0;
  uint32_t frequency = DSBFREQUENCY_ORIGINAL;
  float gainLeft = 1;
  float gainRight = 1;
};

namespace {

constexpr size_t kMixBlockFrames = 1024;
constexpr int32_t kMusicVolumeMax = 2000;  // +20 dB, the top of DirectMusic's master volume

struct Mixer {
  std::mutex lock;  // guards everything below that the audio thread touches
  AudioOutput selected = AudioOutput::Device;
  AudioOutput active = AudioOutput::Null;
  int users = 0;
  SDL_AudioDeviceID device = 0;
  std::vector<Voice*> voices;

  bool musicOpen = false;
  MusicSynth musicState = MusicSynth::Ready;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  float musicGain = 1;
  float tempo = 1;
  std::string soundfontDescription;
  std::vector<float> musicScratch;
};

// Never destroyed, so that buffers released during the program's exit still find it.
Mixer& mixer() {
  static Mixer& instance = *new Mixer;
  return instance;
}

// Hundredths of a decibel to an amplitude factor; -10000 and below is silence.
float gainFromHundredthsOfDb(int32_t hundredths) {
  if (hundredths <= DSBVOLUME_MIN) return 0.0f;
  return std::pow(10.0f, static_cast<float>(hundredths) / 2000.0f);
}

void updateVoiceGains(Voice& v) {
  const float level = gainFromHundredthsOfDb(v.volume);
  v.gainLeft = level * (v.pan > 0 ? gainFromHundredthsOfDb(-v.pan) : 1.0f);
  v.gainRight = level * (v.pan < 0 ? gainFromHundredthsOfDb(v.pan) : 1.0f);
}

void updateVoiceStep(Voice& v) {
  const uint32_t rate = v.frequency == DSBFREQUENCY_ORIGINAL ? v.nativeRate : v.frequency;
  v.step = static_cast<double>(rate) / kMixRate;
}

// Adds the voice into out, resampling linearly; a voice that reaches its end stops and goes
// back to its beginning.
void mixVoice(Voice& v, float* out, size_t frames) {
  const float* s = v.samples.data();
  for (size_t i = 0; i < frames; ++i) {
    const size_t index = static_cast<size_t>(v.position);
    if (index >= v.frames) {
      v.playing = false;
      v.position = 0;
      return;
    }
    const float frac = static_cast<float>(v.position - static_cast<double>(index));
    const size_t next = index + 1 < v.frames ? index + 1 : index;
    float left;
    float right;
    if (v.channels == 1) {
      left = right = s[index] + (s[next] - s[index]) * frac;
    } else {
      left = s[2 * index] + (s[2 * next] - s[2 * index]) * frac;
      right = s[2 * index + 1] + (s[2 * next + 1] - s[2 * index + 1]) * frac;
    }
    out[2 * i] += left * v.gainLeft;
    out[2 * i + 1] += right * v.gainRight;
    v.position += v.step;
  }
}

void mixMusic(Mixer& m, float* out, size_t frames) {
  if (!m.synth) return;
  m.musicScratch.assign(2 * frames, 0.0f);
  float* scratch = m.musicScratch.data();
  fluid_synth_write_float(m.synth, static_cast<int>(frames), scratch, 0, 2, scratch, 1, 2);
  for (size_t i = 0; i < 2 * frames; ++i) out[i] += scratch[i] * m.musicGain;
}

// Mixes one block (at most kMixBlockFrames) with the lock held.
void mixBlockLocked(Mixer& m, float* out, size_t frames) {
  std::fill(out, out + 2 * frames, 0.0f);
  for (Voice* v : m.voices) {
    if (v->playing) mixVoice(*v, out, frames);
  }
  mixMusic(m, out, frames);
  for (size_t i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void mixLocked(Mixer& m, float* out, size_t frames) {
  while (frames > 0) {
    const size_t block = std::min(frames, kMixBlockFrames);
    mixBlockLocked(m, out, block);
    out += 2 * block;
    frames -= block;
  }
}

void fillDevice(void*, Uint8* stream, int len) {
  Mixer& m = mixer();
  const size_t frames = static_cast<size_t>(len) / (2 * sizeof(float));
  std::lock_guard<std::mutex> hold(m.lock);
  mixLocked(m, reinterpret_cast<float*>(stream), frames);
}

bool openDevice(Mixer& m) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kMixRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = fillDevice;
  SDL_AudioSpec have{};
  m.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (m.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void closeDevice(Mixer& m) {
  if (m.device == 0) return;
  SDL_CloseAudioDevice(m.device);  // waits for the callback to finish
  m.device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace

// --- mixer ---

void SelectAudioOutput(AudioOutput output) {
  mixer().selected = output;
}

bool OpenAudio() {
  Mixer& m = mixer();
  if (m.users > 0) {
    ++m.users;
    return true;
  }
  AudioOutput active = m.selected;
  if (active == AudioOutput::Device && !openDevice(m)) active = AudioOutput::Null;
  m.active = active;
  m.users = 1;
  if (m.device != 0) SDL_PauseAudioDevice(m.device, 0);
  return true;
}

void CloseAudio() {
  Mixer& m = mixer();
  if (m.users == 0 || --m.users > 0) return;
  closeDevice(m);
  m.active = AudioOutput::Null;
}

bool AudioIsOpen() {
  return mixer().users > 0;
}

AudioOutput ActiveAudioOutput() {
  return mixer().active;
}

void RenderAudio(float* out, size_t frames) {
  Mixer& m = mixer();
  if (m.users == 0 || m.active != AudioOutput::Offline) {
    std::fill(out, out + 2 * frames, 0.0f);
    return;
  }
  std::lock_guard<std::mutex> hold(m.lock);
  mixLocked(m, out, frames);
}

// --- sound buffers ---

bool IsSupportedWaveFormat(const WaveFormat& f, size_t bytes) {
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.samplesPerSec < DSBFREQUENCY_MIN || f.samplesPerSec > DSBFREQUENCY_MAX) return false;
  if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
  return bytes >= DSBSIZE_MIN && bytes <= DSBSIZE_MAX;
}

std::unique_ptr<SoundBuffer> CreateSoundBuffer(const WaveFormat& format, const uint8_t* pcm,
                                               size_t bytes) {
  if (!AudioIsOpen() || pcm == nullptr || !IsSupportedWaveFormat(format, bytes)) return nullptr;
  auto v = std::make_unique<Voice>();
  v->channels = format.channels;
  v->nativeRate = format.samplesPerSec;
  v->blockAlign = format.blockAlign;
  v->frames = bytes / format.blockAlign;
  const size_t count = v->frames * format.channels;
  v->samples.resize(count);
  if (format.bitsPerSample == 8) {
    for (size_t i = 0; i < count; ++i) v->samples[i] = (static_cast<float>(pcm[i]) - 128.0f) / 128.0f;
  } else {
    for (size_t i = 0; i < count; ++i) {
      const auto value = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
      v->samples[i] = static_cast<float>(value) / 32768.0f;
    }
  }
  updateVoiceGains(*v);
  updateVoiceStep(*v);
  return std::make_unique<SoundBuffer>(std::move(v));
}

SoundBuffer::SoundBuffer(std::unique_ptr<Voice> voice) : voice_(std::move(voice)) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  m.voices.push_back(voice_.get());
}

SoundBuffer::~SoundBuffer() {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  m.voices.erase(std::remove(m.voices.begin(), m.voices.end(), voice_.get()), m.voices.end());
}

void SoundBuffer::Play() {
  std::lock_guard<std::mutex> hold(mixer().lock);
  voice_->playing = true;
}

void SoundBuffer::Stop() {
  std::lock_guard<std::mutex> hold(mixer().lock);
  voice_->playing = false;
}

void SoundBuffer::SetCurrentPosition(uint32_t byteOffset) {
  std::lock_guard<std::mutex> hold(mixer().lock);
  const size_t frame = byteOffset / voice_->blockAlign;
  voice_->position = static_cast<double>(std::min(frame, voice_->frames));
}

void SoundBuffer::SetVolume(int32_t hundredthsOfDb) {
  std::lock_guard<std::mutex> hold(mixer().lock);
  voice_->volume = std::clamp(hundredthsOfDb, DSBVOLUME_MIN, DSBVOLUME_MAX);
  updateVoiceGains(*voice_);
}

void SoundBuffer::SetPan(int32_t pan) {
  std::lock_guard<std::mutex> hold(mixer().lock);
  voice_->pan = std::clamp(pan, DSBPAN_LEFT, DSBPAN_RIGHT);
  updateVoiceGains(*voice_);
}

void SoundBuffer::SetFrequency(uint32_t samplesPerSec) {
  std::lock_guard<std::mutex> hold(mixer().lock);
  voice_->frequency = samplesPerSec == DSBFREQUENCY_ORIGINAL
                          ? DSBFREQUENCY_ORIGINAL
                          : std::clamp(samplesPerSec, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX);
  updateVoiceStep(*voice_);
}

bool SoundBuffer::IsPlaying() const {
  std::lock_guard<std::mutex> hold(mixer().lock);
  return voice_->playing;
}

uint32_t SoundBuffer::CurrentPosition() const {
  std::lock_guard<std::mutex> hold(mixer().lock);
  return static_cast<uint32_t>(static_cast<size_t>(voice_->position) * voice_->blockAlign);
}

// --- Standard MIDI File check ---

namespace {

// Reads big-endian fields and variable-length quantities without ever passing the end.
struct MidiReader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;

  size_t remaining() const { return size - pos; }
  bool byte(uint8_t& out) {
    if (pos >= size) return false;
    out = data[pos++];
    return true;
  }
  bool be16(uint32_t& out) {
    if (remaining() < 2) return false;
    out = (data[pos] << 8) | data[pos + 1];
    pos += 2;
    return true;
  }
  bool be32(uint32_t& out) {
    if (remaining() < 4) return false;
    out = (uint32_t{data[pos]} << 24) | (data[pos + 1] << 16) | (data[pos + 2] << 8) | data[pos + 3];
    pos += 4;
    return true;
  }
  bool tag(const char* fourcc) {
    if (remaining() < 4 || std::memcmp(data + pos, fourcc, 4) != 0) return false;
    pos += 4;
    return true;
  }
  bool skip(size_t n) {
    if (remaining() < n) return false;
    pos += n;
    return true;
  }
  // At most four bytes, as a Standard MIDI File allows.
  bool varlen(uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!byte(b)) return false;
      out = (out << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
};

constexpr int kAnyLength = -1;

// The fixed lengths the synthesiser insists on for some meta events. A file it refuses would
// be loaded again and again by its looping player, so they are refused here.
int requiredMetaLength(uint8_t type) {
  switch (type) {
    case 0x2F: return 0;  // end of track
    case 0x51: return 3;  // tempo
    case 0x54: return 5;  // SMPTE offset
    case 0x58: return 4;  // time signature
    case 0x59: return 2;  // key signature
    default: return kAnyLength;
  }
}

// Walks one track's events; gives the tick of its end.
bool checkTrack(const uint8_t* data, size_t size, uint64_t& length) {
  MidiReader r{data, size};
  uint8_t running = 0;
  length = 0;
  while (r.remaining() > 0) {
    uint32_t delta;
    uint8_t status;
    if (!r.varlen(delta) || !r.byte(status)) return false;
    length += delta;
    if (status < 0x80) {  // running status: this byte is the first data byte
      if (running == 0) return false;
      status = running;
      --r.pos;
    }
    if (status < 0xF0) {
      running = status;
      const int dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change, channel pressure
      for (int i = 0; i < dataBytes; ++i) {
        uint8_t value;
        if (!r.byte(value) || value >= 0x80) return false;
      }
    } else if (status == 0xF0) {
      running = 0;
      uint32_t n;
      if (!r.varlen(n) || !r.skip(n)) return false;
    } else if (status == 0xFF) {
      running = 0;
      uint8_t type;
      uint32_t n;
      if (!r.byte(type) || !r.varlen(n) || r.remaining() < n) return false;
      const int required = requiredMetaLength(type);
      if (required != kAnyLength && n != static_cast<uint32_t>(required)) return false;
      if (type == 0x51) {
        const uint32_t microsPerQuarter = (r.data[r.pos] << 16) | (r.data[r.pos + 1] << 8) | r.data[r.pos + 2];
        if (microsPerQuarter == 0) return false;
      }
      r.pos += n;
      if (type == 0x2F) break;  // end of track
    } else {
      return false;  // system messages and escaped bytes (0xF7): the synthesiser reads no such event
    }
  }
  return true;
}

}  // namespace

bool IsPlayableMidi(const uint8_t* data, size_t size) {
  if (data == nullptr) return false;
  MidiReader r{data, size};
  uint32_t headerLength, format, tracks, division;
  if (!r.tag("MThd") || !r.be32(headerLength) || headerLength != 6) return false;
  if (!r.be16(format) || !r.be16(tracks) || !r.be16(division)) return false;
  // The synthesiser counts the tracks from the low byte and the high byte moved by 16 bits.
  if (format > 1 || tracks == 0 || tracks > 255 || division == 0 || (division & 0x8000) != 0) return false;
  uint64_t longest = 0;
  for (uint32_t t = 0; t < tracks; ++t) {
    // The synthesiser's reader does not find a track behind a chunk of another kind.
    uint32_t length;
    if (!r.tag("MTrk") || !r.be32(length) || r.remaining() < length) return false;
    uint64_t trackLength;
    if (!checkTrack(r.data + r.pos, length, trackLength)) return false;
    longest = std::max(longest, trackLength);
    r.pos += length;
  }
  return longest > 0;
}

// --- music ---

namespace {

void silenceSynthLog() {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, nullptr, nullptr);
  }
}

bool fileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

std::string gChosenSoundfont;

constexpr const char* kSystemSf2Directory = "/usr/share/sounds/sf2";

std::vector<std::string> systemSf2Files() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kSystemSf2Directory, ec)) {
    if (entry.path().extension() == ".sf2") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> soundfontCandidates() {
  const char* environment = std::getenv("ORVANE_SOUNDFONT");
  return SoundfontCandidates(gChosenSoundfont, environment ? environment : "", systemSf2Files());
}

void stopPlayerLocked(Mixer& m) {
  if (m.player != nullptr) {
    fluid_player_stop(m.player);
    delete_fluid_player(m.player);
    m.player = nullptr;
  }
  if (m.synth != nullptr) fluid_synth_system_reset(m.synth);
}

}  // namespace

std::vector<std::string> SoundfontCandidates(const std::string& chosen, const std::string& environment,
                                             const std::vector<std::string>& sf2Files) {
  if (!chosen.empty()) return {chosen};
  if (!environment.empty()) return {environment};
  std::vector<std::string> places = {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/TimGM6mb.sf2",
                                     "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"};
  for (const std::string& file : sf2Files) {
    if (std::find(places.begin(), places.end(), file) == places.end()) places.push_back(file);
  }
  places.push_back("/usr/share/soundfonts/default.sf2");
  return places;
}

void ChooseSoundfont(std::string path) {
  gChosenSoundfont = std::move(path);
}

MusicSynth OpenMusic() {
  Mixer& m = mixer();
  if (m.musicOpen) return m.musicState;
  if (!OpenAudio()) return MusicSynth::Failed;
  {
    std::lock_guard<std::mutex> hold(m.lock);
    m.musicGain = 1;
    m.tempo = 1;
  }
  m.musicOpen = true;
  m.soundfontDescription.clear();
  m.musicState = MusicSynth::Ready;
  if (m.active == AudioOutput::Null) return m.musicState;  // nothing could be heard: no synthesiser

  silenceSynthLog();
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  if (settings != nullptr) {
    fluid_settings_setnum(settings, "synth.sample-rate", kMixRate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    synth = new_fluid_synth(settings);
  }
  if (synth == nullptr) {
    delete_fluid_settings(settings);
    m.musicOpen = false;
    CloseAudio();
    return MusicSynth::Failed;
  }
  std::string found;
  std::string tried;
  for (const std::string& path : soundfontCandidates()) {
    tried += (tried.empty() ? "" : ", ") + path;
    if (fileExists(path) && fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
      found = path;
      break;
    }
  }
  if (found.empty()) {
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    m.soundfontDescription = tried;
    m.musicState = MusicSynth::NoSoundfont;
    return m.musicState;
  }
  m.soundfontDescription = found;
  static bool named = false;
  if (!named) std::fprintf(stderr, "Orvane: soundfont %s\n", found.c_str());
  named = true;
  std::lock_guard<std::mutex> hold(m.lock);
  m.settings = settings;
  m.synth = synth;
  return MusicSynth::Ready;
}

void CloseMusic() {
  Mixer& m = mixer();
  if (!m.musicOpen) return;
  fluid_synth_t* synth;
  fluid_settings_t* settings;
  {
    std::lock_guard<std::mutex> hold(m.lock);
    stopPlayerLocked(m);
    synth = m.synth;
    settings = m.settings;
    m.synth = nullptr;
    m.settings = nullptr;
  }
  if (synth != nullptr) delete_fluid_synth(synth);
  if (settings != nullptr) delete_fluid_settings(settings);
  m.musicOpen = false;
  CloseAudio();
}

std::string MusicSoundfontDescription() {
  return mixer().soundfontDescription;
}

bool PlayMidi(const uint8_t* data, size_t size) {
  Mixer& m = mixer();
  if (!IsPlayableMidi(data, size)) return false;
  std::lock_guard<std::mutex> hold(m.lock);
  stopPlayerLocked(m);
  if (m.synth == nullptr) return m.musicOpen;  // no soundfont: accepted, and silent
  fluid_player_t* player = new_fluid_player(m.synth);
  if (player == nullptr) return false;
  if (fluid_player_add_mem(player, data, size) != FLUID_OK || fluid_player_set_loop(player, -1) != FLUID_OK ||
      fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, m.tempo) != FLUID_OK ||
      fluid_player_play(player) != FLUID_OK) {
    delete_fluid_player(player);
    return false;
  }
  m.player = player;
  return true;
}

void StopMidi() {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  stopPlayerLocked(m);
}

bool MidiIsPlaying() {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  return m.player != nullptr && fluid_player_get_status(m.player) == FLUID_PLAYER_PLAYING;
}

void SetMidiVolume(int32_t hundredthsOfDb) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  m.musicGain = gainFromHundredthsOfDb(std::min(hundredthsOfDb, kMusicVolumeMax));
}

void SetMidiTempo(float factor) {
  Mixer& m = mixer();
  std::lock_guard<std::mutex> hold(m.lock);
  m.tempo = std::isfinite(factor) ? std::clamp(factor, kMidiTempoMin, kMidiTempoMax) : 1.0f;
  if (m.player != nullptr) fluid_player_set_tempo(m.player, FLUID_PLAYER_TEMPO_INTERNAL, m.tempo);
}

}  // namespace plat
