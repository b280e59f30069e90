// The scramble transform of the game's textures and sounds: the first 96 bytes of a file are
// bit-inverted, the rest is left as it is. The transform is its own inverse.
#pragma once
#include <cstddef>
#include <cstdint>

namespace data {

constexpr size_t kScrambledBytes = 96;

// Inverts the first min(size, 96) bytes in place.
void scrambleBytes(uint8_t* bytes, size_t size);

}  // namespace data
