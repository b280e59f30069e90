// The game's one random source: every rule that draws a random number draws it here. Values
// lie in 0 … 32767, made by the classic linear congruential rule:
//   state := state * 214013 + 2531011 (mod 2^32); value := (state >> 16) & 0x7FFF.
#pragma once
#include <cstdint>
#include <string>

constexpr int kRandomMax = 32767;
// The seed in force before anything seeds the source.
constexpr uint32_t kDefaultRandomSeed = 1;

// Starts the sequence again from a seed.
void seedRandom(uint32_t seed);
// The next value, 0 … kRandomMax.
int nextRandom();
// The current state (the seed while nothing has been drawn).
uint32_t randomState();
// Back to the default seed.
void resetRandom();

// The state dump member: the current state as a JSON number.
std::string randomStateJson();
