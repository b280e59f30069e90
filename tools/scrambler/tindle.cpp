// Tindle: turns the file "in" of the current directory into the file "ot" beside it with the
// game's scramble transform (the first 96 bytes bit-inverted). The transform is its own inverse,
// so the same run also turns a scrambled file back into a plain one.
//
// Exit status: 0 when "ot" was written, 1 when "in" could not be read or "ot" not written.
#include <cstdio>
#include <vector>

#include "data/scramble.h"

namespace {

constexpr const char* kInputName = "in";
constexpr const char* kOutputName = "ot";

// Reads the whole of an open file; false on a read error.
bool readAll(std::FILE* file, std::vector<uint8_t>& bytes) {
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) return std::ferror(file) == 0;
  }
}

bool writeAll(const char* name, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::remove(name);  // never leave a cut-off file that looks like a result
  return false;
}

int fail(const char* message) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  return 1;
}

}  // namespace

int main() {
  std::fputs("Hello Pimsa!\n", stdout);

  std::FILE* input = std::fopen(kInputName, "rb");
  if (!input) return fail("オープンエラーなのさ");
  std::vector<uint8_t> bytes;
  const bool read = readAll(input, bytes);
  std::fclose(input);
  if (!read) return fail("オープンエラーなのさ");

  data::scrambleBytes(bytes.data(), bytes.size());

  if (!writeAll(kOutputName, bytes)) return fail("書き出しエラーなのさ");
  return 0;
}
