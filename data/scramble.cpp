#include "data/scramble.h"

namespace data {

void scrambleBytes(uint8_t* bytes, size_t size) {
  const size_t n = size < kScrambledBytes ? size : kScrambledBytes;
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(~bytes[i]);
}

}  // namespace data
