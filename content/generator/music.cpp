// The music: short original looping tunes written as Standard MIDI Files (format 0, General MIDI
// instruments) under "Zms" with the extension ".zms". Parts are written in a small note
// language: "C5/2" is C in octave 5 (C4 = middle C) for two eighths, "F#4+A4/8" a chord,
// "n36/1" a note by number (drums), "r/2" a rest.
#include <algorithm>
#include <cctype>

#include "content/generator/content.h"

namespace content {

namespace {

constexpr int kTicksPerQuarter = 480;
constexpr int kTicksPerEighth = kTicksPerQuarter / 2;
constexpr int kDrumChannel = 9;

struct Part {
  int channel;
  int program;  // General MIDI program (ignored on the drum channel)
  int velocity;
  std::string notes;
};

struct Tune {
  std::string name;
  int beatsPerMinute;
  std::vector<Part> parts;
};

struct Event {
  int tick;
  int order;  // note-offs before note-ons at the same tick
  std::vector<uint8_t> bytes;
};

std::optional<int> pitchOf(const std::string& text) {
  if (text.size() > 1 && text[0] == 'n') return parseNumber(text.substr(1));
  static const int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (text.empty() || text[0] < 'A' || text[0] > 'G') return std::nullopt;
  int pitch = kSemitone[text[0] - 'A'];
  size_t i = 1;
  if (i < text.size() && text[i] == '#') pitch += 1, ++i;
  else if (i < text.size() && text[i] == 'b') pitch -= 1, ++i;
  const auto octave = parseNumber(text.substr(i));
  if (!octave || *octave < 0 || *octave > 9) return std::nullopt;
  return pitch + 12 * (*octave + 1);
}

// The note and rest events of one part; its length in ticks.
int partEvents(const Part& part, std::vector<Event>& events, const std::string& where, Lint& lint) {
  int tick = 0;
  for (const std::string& token : words(part.notes)) {
    const size_t slash = token.find('/');
    const auto eighths = slash == std::string::npos ? std::nullopt : parseNumber(token.substr(slash + 1));
    if (!eighths || *eighths <= 0) {
      lint.report(where, "bad note '" + token + "'");
      continue;
    }
    const int length = *eighths * kTicksPerEighth;
    const std::string head = token.substr(0, slash);
    if (head != "r") {
      std::string rest = head;
      for (size_t plus; !rest.empty(); rest = plus == std::string::npos ? "" : rest.substr(plus + 1)) {
        plus = rest.find('+');
        const auto pitch = pitchOf(rest.substr(0, plus));
        if (!pitch || *pitch < 0 || *pitch > 127) {
          lint.report(where, "bad pitch in '" + token + "'");
          continue;
        }
        const uint8_t channel = static_cast<uint8_t>(part.channel);
        const uint8_t key = static_cast<uint8_t>(*pitch);
        events.push_back({tick, 1, {static_cast<uint8_t>(0x90 | channel), key, static_cast<uint8_t>(part.velocity)}});
        events.push_back({tick + length - 12, 0, {static_cast<uint8_t>(0x80 | channel), key, 0}});
      }
    }
    tick += length;
  }
  return tick;
}

void putVariable(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(bytes[--n] | 0x80));
  out.push_back(bytes[0]);
}

std::vector<uint8_t> midiFile(const Tune& tune, Lint& lint) {
  std::vector<Event> events;
  const uint32_t microsPerQuarter = 60000000u / static_cast<uint32_t>(tune.beatsPerMinute);
  events.push_back({0, 0, {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsPerQuarter >> 16),
                           static_cast<uint8_t>(microsPerQuarter >> 8), static_cast<uint8_t>(microsPerQuarter)}});
  int length = 0;
  for (const Part& part : tune.parts) {
    if (part.channel != kDrumChannel) {
      events.push_back({0, 0, {static_cast<uint8_t>(0xC0 | part.channel), static_cast<uint8_t>(part.program)}});
    }
    length = std::max(length, partEvents(part, events, "content/generator/music.cpp: " + tune.name, lint));
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
  std::vector<uint8_t> track;
  int now = 0;
  for (const Event& event : events) {
    putVariable(track, static_cast<uint32_t>(event.tick - now));
    track.insert(track.end(), event.bytes.begin(), event.bytes.end());
    now = event.tick;
  }
  putVariable(track, static_cast<uint32_t>(length - now));  // the loop is exactly the tune's bars
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, kTicksPerQuarter >> 8, kTicksPerQuarter & 0xFF,
                              'M', 'T', 'r', 'k'};
  const uint32_t size = static_cast<uint32_t>(track.size());
  out.insert(out.end(), {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                         static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
  out.insert(out.end(), track.begin(), track.end());
  return out;
}

// The bar written times times.
std::string repeat(const std::string& bar, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += bar + " ";
  return text;
}

const std::vector<Tune>& tunes() {
  static const std::vector<Tune> kTunes = {
      // The opening: a calm theme over strings.
      {"init", 84,
       {{0, 73, 92,
         "E5/2 G5/2 C6/3 B5/1 A5/4 E5/4 F5/2 A5/2 C6/2 A5/2 G5/6 r/2 "
         "E5/2 G5/2 C6/3 D6/1 E6/4 C6/4 D6/2 C6/2 A5/2 F5/2 G5/8"},
        {1, 48, 64,
         "C4+E4+G4/8 A3+C4+E4/8 F3+A3+C4/8 G3+B3+D4/8 C4+E4+G4/8 A3+C4+E4/8 D4+F4+A4/8 G3+B3+D4/8"},
        {2, 32, 84, "C3/4 G2/4 A2/4 E2/4 F2/4 C3/4 G2/4 D3/4 C3/4 G2/4 A2/4 E2/4 D3/4 A2/4 G2/4 B2/4"}}},
      // The field: a walking tune for flute, guitar and bass.
      {"fld0", 112,
       {{0, 73, 96,
         "D5/2 G5/2 B5/2 A5/2 G5/2 E5/2 C5/4 D5/2 G5/2 B5/2 D6/2 A5/6 r/2 "
         "B5/2 G5/2 E5/2 G5/2 C6/3 B5/1 A5/2 G5/2 F#5/2 A5/2 D5/2 F#5/2 G5/6 r/2"},
        {1, 24, 70,
         repeat("G3+B3+D4/2", 4) + repeat("C4+E4+G4/2", 4) + repeat("G3+B3+D4/2", 4) + repeat("F#3+A3+D4/2", 4) +
             repeat("E3+G3+B3/2", 4) + repeat("C4+E4+G4/2", 4) + repeat("F#3+A3+D4/2", 4) + repeat("G3+B3+D4/2", 4)},
        {2, 32, 88,
         "G2/2 D3/2 G2/2 D3/2 C3/2 G2/2 C3/2 G2/2 G2/2 D3/2 G2/2 D3/2 D3/2 A2/2 D3/2 A2/2 "
         "E2/2 B2/2 E2/2 B2/2 C3/2 G2/2 C3/2 G2/2 D3/2 A2/2 D3/2 A2/2 G2/2 D3/2 G2/4"}}},
      // The battle: driving brass, strings, synth bass and drums.
      {"btl0", 156,
       {{0, 61, 104,
         "A5/1 A5/1 C6/1 A5/1 E6/2 D6/2 C6/2 A5/2 F5/4 G5/1 G5/1 B5/1 G5/1 D6/2 C6/2 B5/2 A5/6 "
         "A5/1 C6/1 E6/2 A6/2 G6/2 F6/2 E6/2 C6/4 D6/2 B5/2 G5/2 B5/2 G#5/4 B5/4"},
        {1, 48, 66,
         "A3+C4+E4/8 F3+A3+C4/8 G3+B3+D4/8 A3+C4+E4/8 A3+C4+E4/8 F3+A3+C4/8 G3+B3+D4/8 G#3+B3+E4/8"},
        {2, 38, 100,
         repeat("A2/1", 8) + repeat("F2/1", 8) + repeat("G2/1", 8) + repeat("A2/1", 8) + repeat("A2/1", 8) +
             repeat("F2/1", 8) + repeat("G2/1", 8) + repeat("E2/1", 8)},
        {kDrumChannel, 0, 96, repeat("n36/1 n42/1 n38/1 n42/1 n36/1 n36/1 n38/1 n42/1", 8)}}},
      // The victory: a short fanfare.
      {"win", 120,
       {{0, 56, 110, "G4/1 C5/1 E5/1 G5/3 E5/2 F5/2 A5/2 G5/4 E5/1 F5/1 G5/2 C6/2 B5/2 C6/6 r/2"},
        {1, 61, 80, "E4+G4+C5/8 F4+A4+C5/8 E4+G4+C5/8 E4+G4+C5/6 r/2"},
        {2, 32, 90, "C3/8 F2/8 G2/8 C3/6 r/2"}}},
  };
  return kTunes;
}

}  // namespace

void generateMusic(Context& context) {
  for (const Tune& tune : tunes()) context.out.write("Zms/" + tune.name + ".zms", midiFile(tune, context.lint));
}

}  // namespace content
