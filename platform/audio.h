// Audio output in place of DirectSound and DirectMusic: one mixer in float stereo at 44100 Hz
// that plays static PCM buffers and one looping Standard MIDI File stream rendered by
// FluidSynth.
//
// The mixer runs in one of three ways, chosen before it is opened:
//  - Device:  an SDL audio device pulls the mix on SDL's audio thread. When no device can be
//             opened the mixer quietly runs as Null instead.
//  - Null:    no device at all; everything is accepted and nothing is heard.
//  - Offline: no device and no thread; the caller pulls the mix with RenderAudio (tests).
//
// All functions are called from the game thread; the mixer guards its state against the audio
// thread itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

constexpr int kMixRate = 44100;

enum class AudioOutput { Device, Null, Offline };

// Chooses how the next OpenAudio runs the mixer (Device unless told otherwise). Has no effect
// on a mixer that is already open.
void SelectAudioOutput(AudioOutput output);

// Opens the mixer for one user; every OpenAudio is matched by a CloseAudio, and the mixer
// closes when its last user closes it. Returns false only when the mixer cannot run at all.
bool OpenAudio();
void CloseAudio();
bool AudioIsOpen();
// How the open mixer actually runs (Null after a failed Device open).
AudioOutput ActiveAudioOutput();

// Offline mode only: mixes the next `frames` stereo frames into out (interleaved left, right,
// 2 * frames floats). In any other mode, or with the mixer closed, out is filled with silence.
void RenderAudio(float* out, size_t frames);

// --- static sound buffers (DirectSound's secondary buffers) ---

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;
constexpr size_t DSBSIZE_MIN = 4;
constexpr size_t DSBSIZE_MAX = 0x0FFFFFFF;

// A PCM format as a WAV file's "fmt " chunk gives it.
struct WaveFormat {
  uint16_t channels = 0;        // 1 or 2
  uint32_t samplesPerSec = 0;   // DSBFREQUENCY_MIN to DSBFREQUENCY_MAX
  uint16_t bitsPerSample = 0;   // 8 (unsigned) or 16 (signed little-endian)
  uint16_t blockAlign = 0;      // channels * bitsPerSample / 8
};

// True when a buffer of this format and size can be created.
bool IsSupportedWaveFormat(const WaveFormat& format, size_t bytes);

struct Voice;

// One static buffer: the whole sound in memory, played once from its position. Pan, volume and
// frequency follow DirectSound: volume and pan in hundredths of a decibel; centre pan is full
// level on both sides, a pan of p attenuates the far side by |p| / 100 dB (p > 0 the left) and
// ±10000 silences it; frequency in samples per second, 0 meaning the file's own rate. Values
// out of range are clamped to it.
class SoundBuffer {
 public:
  explicit SoundBuffer(std::unique_ptr<Voice> voice);
  ~SoundBuffer();
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  // Starts playing once from the current position; a buffer that has played to its end starts
  // again from its beginning.
  void Play();
  void Stop();
  // Moves the play position to a byte offset of the PCM data (rounded down to a whole frame).
  void SetCurrentPosition(uint32_t byteOffset);
  void SetVolume(int32_t hundredthsOfDb);
  void SetPan(int32_t pan);
  void SetFrequency(uint32_t samplesPerSec);
  bool IsPlaying() const;
  // The play position as a byte offset of the PCM data.
  uint32_t CurrentPosition() const;

 private:
  std::unique_ptr<Voice> voice_;
};

// Copies the PCM bytes into a new buffer (a trailing partial frame is dropped). Returns nullptr
// when the mixer is not open or the format or size is not supported.
std::unique_ptr<SoundBuffer> CreateSoundBuffer(const WaveFormat& format, const uint8_t* pcm,
                                               size_t bytes);

// --- the music stream (DirectMusic's performance) ---

enum class MusicSynth { Ready, NoSoundfont, Failed };

// The soundfonts to try, in order. A soundfont chosen on the command line, else the one the
// environment variable ORVANE_SOUNDFONT names, is the only one tried; otherwise the system's:
// the files of the timgm6mb and fluid-soundfont-gm packages, the other files of
// /usr/share/sounds/sf2 (sf2Files, in name order), /usr/share/soundfonts/default.sf2.
std::vector<std::string> SoundfontCandidates(const std::string& chosen, const std::string& environment,
                                             const std::vector<std::string>& sf2Files);
// The soundfont chosen on the command line (empty: none).
void ChooseSoundfont(std::string path);

// Opens the mixer (as OpenAudio) and the synthesiser with the first soundfont of
// SoundfontCandidates that loads, and names it once on standard error. Without a soundfont the
// stream stays silent and every call below still works.
// Under the Null output no synthesiser is made at all (nothing would be heard) and the result
// is Ready. Failed means the mixer or synthesiser could not be created at all.
MusicSynth OpenMusic();
void CloseMusic();
// The soundfont in use, or the places that were tried when none was found.
std::string MusicSoundfontDescription();

// True when the bytes form a Standard MIDI File that the stream can play: format 0 or 1, at
// most 255 tracks, each track chunk (no chunks of other kinds before them) within the file,
// every event complete and of a kind the synthesiser reads (no 0xF7 escapes, meta events of
// fixed size with that size), and a length of at least one tick. The synthesiser's looping
// player would load a file it cannot read again and again without end.
bool IsPlayableMidi(const uint8_t* data, size_t size);

// Replaces whatever plays with this Standard MIDI File, looped forever. Returns false (and
// plays nothing) when the file is not playable or the synthesiser cannot take it.
bool PlayMidi(const uint8_t* data, size_t size);
void StopMidi();
bool MidiIsPlaying();
// Master volume in hundredths of a decibel (0 = the synthesiser's own level).
void SetMidiVolume(int32_t hundredthsOfDb);
// Tempo factor: 1 plays at the file's tempo, 2 twice as fast; held between these limits.
constexpr float kMidiTempoMin = 0.01f;
constexpr float kMidiTempoMax = 100.0f;
void SetMidiTempo(float factor);

}  // namespace plat
