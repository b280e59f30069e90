#include "data/scrambled.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "core/message_box.h"
#include "audio/sound.h"
#include "data/scramble.h"
#include "platform/system.h"

namespace data {
namespace {

enum class ReadResult { Read, Failed, TooLarge };

// Whether a file read up to position is, by the size the file system tells, beyond the limit;
// afterwards the file is read on from position again.
bool knownToBeTooLarge(std::FILE* file, long position) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file);
  if (std::fseek(file, position, SEEK_SET) != 0) return true;  // the rest can no longer be read
  return size > 0 && static_cast<unsigned long>(size) > kMaxScrambledFileBytes;
}

// Reads the whole of an open file, up to the limit. A file longer than its first block is
// measured first, so that a huge file is refused before it is read.
ReadResult readAll(std::FILE* file, std::vector<uint8_t>& bytes) {
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (bytes.size() + got > kMaxScrambledFileBytes) return ReadResult::TooLarge;
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) return std::ferror(file) == 0 ? ReadResult::Read : ReadResult::Failed;
    if (bytes.size() == sizeof chunk && knownToBeTooLarge(file, static_cast<long>(bytes.size()))) {
      return ReadResult::TooLarge;
    }
  }
}

void showWriteError() {
  showStandardMessage(sjis("ZCV_ZSFmt::書き出しエラーなのさ"));
}

void showOpenError(std::string_view path) {
  std::string message = sjis("ZCV_ZSFmt::オープンエラーなのさ\n");
  message += path;
  showStandardMessage(message);
}

}  // namespace

std::optional<std::vector<uint8_t>> unscrambleToPlainCopy(std::string_view path) {
  std::FILE* file = plat::OpenFile(path, "rb");
  if (!file) {
    showOpenError(path);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  ReadResult read = ReadResult::Failed;
  try {
    read = readAll(file, bytes);
  } catch (const std::bad_alloc&) {
    read = ReadResult::TooLarge;
  }
  std::fclose(file);
  if (read == ReadResult::TooLarge) {  // no room for the plain copy
    showWriteError();
    return std::nullopt;
  }
  if (read == ReadResult::Failed) {  // a directory, or a read failure: nothing usable was opened
    showOpenError(path);
    return std::nullopt;
  }
  scrambleBytes(bytes.data(), bytes.size());
  return bytes;
}

bool isDdsTexturePath(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = path.substr(dot + 1);
  return extension.size() == 2 && (extension[0] == 'a' || extension[0] == 'A') &&
         (extension[1] == 'u' || extension[1] == 'U');
}


}  // namespace data

namespace data {

bool loadScrambledSound(std::string_view path, int slot) {
  const std::optional<std::vector<uint8_t>> plain = unscrambleToPlainCopy(path);
  return loadWaveIntoSlot(plain ? &*plain : nullptr, slot);
}

}  // namespace data
