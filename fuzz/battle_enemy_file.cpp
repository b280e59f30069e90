// Enemy files: any bytes are read without harm; the action table never holds more entries than
// its 16-bit count, and a missing entry is counted only where a "}" stands.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "battle/battle_files.h"
#include "data/text_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string text = data::textModeBytes(std::span<const uint8_t>(bytes, size));
  const EnemyFile enemy = parseEnemyFile(text);
  if (enemy.actions.size() > 0xFFFF || enemy.missingEntries > static_cast<int>(enemy.actions.size())) __builtin_trap();
  if (enemy.record.name[sizeof enemy.record.name - 1] != 0) __builtin_trap();
  return 0;
}
