#include "core/random.h"

namespace {
uint32_t gRandomState = 1;
}

void seedRandom(uint32_t seed) {
  gRandomState = seed;
}

int gameRandom() {
  gRandomState = gRandomState * 214013u + 2531011u;
  return static_cast<int>((gRandomState >> 16) & 0x7FFFu);
}
