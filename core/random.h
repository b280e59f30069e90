// The game's random numbers: 0 … 32767 from the classic linear congruential rule, so that a seed
// gives the same numbers on every system.
#pragma once
#include <cstdint>

constexpr int kRandomMax = 32767;

void seedRandom(uint32_t seed);
// The next number, 0 … kRandomMax.
int gameRandom();
