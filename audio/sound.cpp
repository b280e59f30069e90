#include "audio/sound.h"

#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/message_box.h"
#include "platform/audio.h"

namespace {

std::array<std::unique_ptr<plat::SoundBuffer>, kSoundSlotCount> gSlots;
bool gSoundOpen = false;
std::vector<int> gPlayedThisFrame;

bool validSlot(int slot) {
  return slot >= 0 && slot < kSoundSlotCount;
}

plat::SoundBuffer* slotBuffer(int slot) {
  return validSlot(slot) ? gSlots[slot].get() : nullptr;
}

// --- RIFF reading over bytes in memory, in the manner of mmioDescend / mmioAscend ---

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct Chunk {
  size_t dataStart = 0;  // first byte after the chunk header (after the form type of a RIFF)
  uint32_t size = 0;     // as the header gives it
};

// Searches the chunks that follow one another from `from` to the end of the file for one with
// the given identifier (and, when formType is given, that form type). A chunk header that does
// not fit in the file ends the search.
bool findChunk(const std::vector<uint8_t>& file, size_t from, const char* id, const char* formType,
               Chunk& out) {
  const size_t headerSize = formType != nullptr ? 12 : 8;
  size_t pos = from;
  while (pos <= file.size() && file.size() - pos >= headerSize) {
    const uint8_t* header = file.data() + pos;
    const uint32_t size = le32(header + 4);
    if (std::memcmp(header, id, 4) == 0 &&
        (formType == nullptr || std::memcmp(header + 8, formType, 4) == 0)) {
      out.dataStart = pos + headerSize;
      out.size = size;
      return true;
    }
    pos += 8 + size_t{size} + (size & 1);  // chunks are padded to an even length
  }
  return false;
}

// The 18 bytes of a WAVEFORMATEX.
struct FormatBytes {
  uint16_t formatTag;
  plat::WaveFormat wave;
};

constexpr size_t kFormatBytes = 18;
constexpr uint16_t kWaveFormatPcm = 1;

FormatBytes parseFormat(const uint8_t* p) {
  FormatBytes f;
  f.formatTag = le16(p);
  f.wave.channels = le16(p + 2);
  f.wave.samplesPerSec = le32(p + 4);
  // p + 8: average bytes per second, not needed to play
  f.wave.blockAlign = le16(p + 12);
  f.wave.bitsPerSample = le16(p + 14);
  // p + 16: size of the extra format bytes, always taken as 0
  return f;
}

bool refuse(const char* utf8Message) {
  showStandardMessage(sjis(utf8Message));
  return false;
}

}  // namespace

bool soundSetup() {
  if (gSoundOpen) return true;
  if (!plat::OpenAudio()) {
    showStandardMessage(sjis("DirectSoundが生成できませんDirectSoundの使用が不可能です"));
    return false;
  }
  gSoundOpen = true;
  for (auto& slot : gSlots) slot.reset();
  return true;
}

void soundShutdown() {
  for (auto& slot : gSlots) slot.reset();
  if (!gSoundOpen) return;
  gSoundOpen = false;
  plat::CloseAudio();
}

bool loadWaveIntoSlot(const std::vector<uint8_t>* plainCopy, int slot) {
  if (!validSlot(slot)) return false;
  gSlots[slot].reset();
  if (plainCopy == nullptr) {
    showMessage(sjis("ファイルオープンに失敗しました"), "");
    return false;
  }
  const std::vector<uint8_t>& file = *plainCopy;

  Chunk riff;
  Chunk fmt;
  if (!findChunk(file, 0, "RIFF", "WAVE", riff) || !findChunk(file, riff.dataStart, "fmt ", nullptr, fmt)) {
    return refuse("ウエイブファイルが見つかりません");
  }
  // Like mmioRead, the format is read from the file, not bounded by the chunk: a 16-byte
  // "fmt " chunk is read together with the next chunk's first two bytes.
  if (file.size() - fmt.dataStart < kFormatBytes) return refuse("ウエイブフォーマットを読み込めません");
  const FormatBytes format = parseFormat(file.data() + fmt.dataStart);
  if (format.formatTag != kWaveFormatPcm) return refuse("不正なウエイブフォーマットです");

  // Leaving "fmt " means going to its end, which must lie within the file.
  if (file.size() - fmt.dataStart < fmt.size) return refuse("ウエイブファイルにアクセスできません");
  const size_t afterFormat = fmt.dataStart + fmt.size + (fmt.size & 1);

  Chunk data;
  if (!findChunk(file, afterFormat, "data", nullptr, data)) return refuse("ウエイブファイルにデータがありません");
  if (file.size() - data.dataStart < data.size) return refuse("ウエイブデータ読み込みに失敗しました");

  gSlots[slot] = plat::CreateSoundBuffer(format.wave, file.data() + data.dataStart, data.size);
  if (!gSlots[slot]) return refuse("サウンドバッファの生成に失敗しました");
  return true;
}

void playSound(int slot) {
  plat::SoundBuffer* buffer = slotBuffer(slot);
  if (buffer == nullptr) return;
  buffer->Stop();
  buffer->SetCurrentPosition(0);
  buffer->Play();
  gPlayedThisFrame.push_back(slot);
}

void beginSoundFrame() {
  gPlayedThisFrame.clear();
}

const std::vector<int>& soundsPlayedThisFrame() {
  return gPlayedThisFrame;
}

void freeOnDemandSounds() {
  for (int slot = kFirstOnDemandSoundSlot; slot < kSoundSlotCount; ++slot) gSlots[slot].reset();
}

void freeSound(int slot) {
  if (validSlot(slot)) gSlots[slot].reset();
}

bool soundSlotLoaded(int slot) {
  return slotBuffer(slot) != nullptr;
}

bool soundIsPlaying(int slot) {
  plat::SoundBuffer* buffer = slotBuffer(slot);
  return buffer != nullptr && buffer->IsPlaying();
}

void setSoundPan(int slot, int32_t pan) {
  if (plat::SoundBuffer* buffer = slotBuffer(slot)) buffer->SetPan(pan);
}

void setSoundFrequency(int slot, uint32_t samplesPerSec) {
  if (plat::SoundBuffer* buffer = slotBuffer(slot)) buffer->SetFrequency(samplesPerSec);
}
