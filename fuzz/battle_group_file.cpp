// Group and formation files: any bytes, read at lines near the start and far beyond the end, give
// at most six enemies and never more than the six homes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "battle/battle_files.h"
#include "data/text_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string text = data::textModeBytes(std::span<const uint8_t>(bytes, size));
  for (const int64_t line : {int64_t{0}, int64_t{1}, int64_t{3}, int64_t{1} << 40, int64_t{-5}}) {
    const GroupLine group = parseGroupLine(text, line);
    if (group.enemies.size() > static_cast<size_t>(kMaxGroupEnemies)) __builtin_trap();
    float x[6] = {}, z[6] = {};
    readFormationLine(text, line, x, z);
  }
  return 0;
}
