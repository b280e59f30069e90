// Learning from scrolls: each technique a member can learn has a level 0 … 100 (100 learned), and
// the scrolls a member holds raise the levels of their techniques with the SP of won battles.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "data/database.h"

struct ScrollProgress {
  std::vector<uint8_t> levels;  // the member's technique levels afterwards
  std::vector<int> learned;     // techniques that reached the learned level, in that order
};

// The member's scroll slots are taken in order with p = sp (nothing when sp is not positive).
// For each technique of a scroll in its list order: a learned one is skipped; below the learned
// level after adding p it grows by p; otherwise it becomes learned and p becomes what it lacked
// for the remaining techniques of that scroll. Empty slots, unknown scrolls and technique
// numbers beyond the levels are skipped.
ScrollProgress progressScrolls(std::span<const int16_t> scrollSlots, std::span<const uint8_t> levels,
                               std::span<const MkmnRecord> scrolls, int sp);
