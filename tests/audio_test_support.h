// Helpers shared by the audio tests: message capture, offline mixing and small WAV and MIDI
// files built in memory.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/system.h"

namespace audiotest {

struct ShownMessage {
  std::string text;
  std::string caption;
};

// Collects every message box shown while it lives.
class MessageCapture {
 public:
  MessageCapture() {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      shown.push_back({text, caption});
    });
  }
  ~MessageCapture() { plat::SetMessageBoxHandler(nullptr); }
  std::vector<ShownMessage> shown;
};

// Pulls frames of the offline mix.
struct Mix {
  std::vector<float> samples;  // interleaved left, right
  size_t frames() const { return samples.size() / 2; }
  float left(size_t frame) const { return samples[2 * frame]; }
  float right(size_t frame) const { return samples[2 * frame + 1]; }
};

inline Mix render(size_t frames) {
  Mix mix;
  mix.samples.resize(2 * frames);
  plat::RenderAudio(mix.samples.data(), frames);
  return mix;
}

inline size_t framesOf(double seconds) {
  return static_cast<size_t>(seconds * plat::kMixRate);
}

// Root mean square of both channels over [from, to) seconds of the mix.
inline double rms(const Mix& mix, double fromSeconds, double toSeconds) {
  const size_t from = framesOf(fromSeconds);
  const size_t to = std::min(framesOf(toSeconds), mix.frames());
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += mix.left(i) * mix.left(i) + mix.right(i) * mix.right(i);
  return to > from ? std::sqrt(sum / (2.0 * static_cast<double>(to - from))) : 0.0;
}

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
inline void putTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

struct WaveSpec {
  uint16_t formatTag = 1;
  uint16_t channels = 1;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  std::vector<uint8_t> pcm;
};

// A RIFF/WAVE file with an 18-byte "fmt " chunk and a "data" chunk.
inline std::vector<uint8_t> makeWave(const WaveSpec& spec) {
  std::vector<uint8_t> fmt;
  const uint16_t blockAlign = static_cast<uint16_t>(spec.channels * spec.bits / 8);
  put16(fmt, spec.formatTag);
  put16(fmt, spec.channels);
  put32(fmt, spec.rate);
  put32(fmt, spec.rate * blockAlign);
  put16(fmt, blockAlign);
  put16(fmt, spec.bits);
  put16(fmt, 0);
  std::vector<uint8_t> out;
  putTag(out, "RIFF");
  put32(out, static_cast<uint32_t>(4 + 8 + fmt.size() + 8 + spec.pcm.size()));
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, static_cast<uint32_t>(fmt.size()));
  out.insert(out.end(), fmt.begin(), fmt.end());
  putTag(out, "data");
  put32(out, static_cast<uint32_t>(spec.pcm.size()));
  out.insert(out.end(), spec.pcm.begin(), spec.pcm.end());
  return out;
}

// 16-bit mono samples as PCM bytes.
inline std::vector<uint8_t> pcm16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> out;
  for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
  return out;
}

struct MidiNote {
  uint32_t tick;
  uint32_t length;
  uint8_t key;
};

// A format 0 Standard MIDI File at 120 beats per minute with `division` ticks per beat: a
// xylophone playing the notes, the track ending at endTick.
inline std::vector<uint8_t> makeMidi(const std::vector<MidiNote>& notes, uint32_t endTick,
                                     uint16_t division = 96) {
  struct Event {
    uint32_t tick;
    std::vector<uint8_t> bytes;
  };
  std::vector<Event> events = {{0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}, {0, {0xC0, 13}}};
  for (const MidiNote& n : notes) {
    events.push_back({n.tick, {0x90, n.key, 100}});
    events.push_back({n.tick + n.length, {0x80, n.key, 0}});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
  events.push_back({endTick, {0xFF, 0x2F, 0x00}});
  std::vector<uint8_t> track;
  uint32_t now = 0;
  for (const Event& e : events) {
    uint32_t delta = e.tick - now;
    now = e.tick;
    uint8_t groups[4];
    int count = 0;
    do {
      groups[count++] = delta & 0x7F;
      delta >>= 7;
    } while (delta != 0);
    for (int i = count - 1; i >= 0; --i) track.push_back(static_cast<uint8_t>(groups[i] | (i > 0 ? 0x80 : 0)));
    track.insert(track.end(), e.bytes.begin(), e.bytes.end());
  }
  std::vector<uint8_t> out;
  putTag(out, "MThd");
  out.insert(out.end(), {0, 0, 0, 6, 0, 0, 0, 1});
  out.push_back(static_cast<uint8_t>(division >> 8));
  out.push_back(static_cast<uint8_t>(division));
  putTag(out, "MTrk");
  out.insert(out.end(), {static_cast<uint8_t>(track.size() >> 24), static_cast<uint8_t>(track.size() >> 16),
                         static_cast<uint8_t>(track.size() >> 8), static_cast<uint8_t>(track.size())});
  out.insert(out.end(), track.begin(), track.end());
  return out;
}

}  // namespace audiotest
