#include "core/random.h"

namespace {
uint32_t gRandomState = kDefaultRandomSeed;
}

void seedRandom(uint32_t seed) {
  gRandomState = seed;
}

int nextRandom() {
  gRandomState = gRandomState * 214013u + 2531011u;
  return static_cast<int>((gRandomState >> 16) & 0x7FFFu);
}

uint32_t randomState() {
  return gRandomState;
}

void resetRandom() {
  gRandomState = kDefaultRandomSeed;
}

std::string randomStateJson() {
  return std::to_string(gRandomState);
}
