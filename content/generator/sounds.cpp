// The sound effects: short synthesised 16-bit mono PCM WAV files, scrambled as ".zse".
#include <algorithm>
#include <cmath>
#include <functional>

#include "content/generator/content.h"

namespace content {

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;

// A repeatable noise source (the same bytes on every run).
class Noise {
 public:
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }

 private:
  uint32_t state_ = 12345;
};

// Samples of signal(t) for seconds, t in seconds, clipped to -1 … 1.
std::vector<int16_t> render(double seconds, const std::function<double(double)>& signal) {
  const int count = static_cast<int>(seconds * kRate);
  std::vector<int16_t> samples(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double v = std::clamp(signal(static_cast<double>(i) / kRate), -1.0, 1.0);
    samples[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(v * 32000.0));
  }
  return samples;
}

std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> out;
  auto put16 = [&](uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  tag("RIFF");
  put32(4 + 8 + 18 + 8 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  put32(18);  // the whole WAVEFORMATEX, cbSize included
  put16(1);   // PCM
  put16(1);   // mono
  put32(kRate);
  put32(kRate * 2);
  put16(2);
  put16(16);
  put16(0);
  tag("data");
  put32(dataBytes);
  for (const int16_t s : samples) put16(static_cast<uint16_t>(s));
  return out;
}

}  // namespace

std::vector<uint8_t> waveFile(double seconds, const std::function<double(double)>& signal) {
  return wavFile(render(seconds, signal));
}

namespace {

double tone(double t, double frequency) { return std::sin(kTwoPi * frequency * t); }
double decay(double t, double rate) { return std::exp(-t * rate); }

}  // namespace

void generateSounds(Context& context) {
  Noise noise;
  // Cursor: a short bright blip.
  const auto cursor = render(0.05, [](double t) { return 0.5 * tone(t, 1320) * decay(t, 70); });
  // Command: two rising notes.
  const auto command = render(0.16, [](double t) {
    const double f = t < 0.06 ? 880 : 1318.5;
    const double local = t < 0.06 ? t : t - 0.06;
    return 0.45 * (tone(t, f) + 0.3 * tone(t, 2 * f)) * decay(local, 25);
  });
  // Encounter: a rising sweep with a shimmer, then a swish of noise.
  const auto encounter = render(0.9, [&noise](double t) {
    const double sweep = std::sin(kTwoPi * (200 * t + 900 * t * t)) * (0.5 + 0.5 * std::sin(kTwoPi * 18 * t));
    const double swish = noise.next() * std::exp(-std::pow((t - 0.6) / 0.15, 2));
    return 0.4 * sweep * decay(t, 2.0) + 0.35 * swish;
  });
  // Punch: a low thump under a short burst of noise.
  double smoothed = 0;
  const auto punch = render(0.22, [&noise, &smoothed](double t) {
    smoothed += (noise.next() - smoothed) * 0.35;
    const double thump = std::sin(kTwoPi * (150 * t - 200 * t * t)) * decay(t, 22);
    return 0.8 * thump + 0.9 * smoothed * decay(t, 35);
  });
  // Confirm: a bell-like chord.
  const auto confirm = render(0.45, [](double t) {
    return 0.3 * (tone(t, 1046.5) + 0.7 * tone(t, 1568) + 0.4 * tone(t, 2093)) * decay(t, 8);
  });
  context.out.writeScrambled("se/cur0.zse", wavFile(cursor));
  context.out.writeScrambled("se/cmd0.zse", wavFile(command));
  context.out.writeScrambled("se/enc.zse", wavFile(encounter));
  context.out.writeScrambled("se/punch0.zse", wavFile(punch));
  context.out.writeScrambled("se/fix0.zse", wavFile(confirm));
}

}  // namespace content
