#include "field/scroll_progress.h"

ScrollProgress progressScrolls(std::span<const int16_t> scrollSlots, std::span<const uint8_t> levels,
                               std::span<const MkmnRecord> scrolls, int sp) {
  ScrollProgress result{std::vector<uint8_t>(levels.begin(), levels.end()), {}};
  if (sp <= 0) return result;
  for (const int16_t number : scrollSlots) {
    if (number < 0 || static_cast<size_t>(number) >= scrolls.size()) continue;
    int p = sp;
    for (const uint16_t technique : scrolls[static_cast<size_t>(number)].techniques) {
      if (technique >= result.levels.size()) continue;
      uint8_t& level = result.levels[technique];
      if (level >= kMasteredLevel) continue;
      const int old = level;
      if (p < kMasteredLevel - old) {
        level = static_cast<uint8_t>(old + p);
        continue;
      }
      level = kMasteredLevel;
      result.learned.push_back(technique);
      p = kMasteredLevel - old;
    }
  }
  return result;
}
