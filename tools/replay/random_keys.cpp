#include <array>

#include "tools/replay/replay.h"

namespace replay {

namespace {

// What random play does next, with its weight out of 100.
enum class Move { Walk, Confirm, Back, Menu, Space, Idle };
constexpr std::array<std::pair<Move, int>, 6> kMoves = {{
    {Move::Walk, 52}, {Move::Confirm, 28}, {Move::Back, 8}, {Move::Menu, 4}, {Move::Space, 3}, {Move::Idle, 5}}};

// North is weighted up: the demo's roads lead on northwards.
constexpr std::array<std::pair<int, int>, 4> kArrows = {{
    {plat::VK_UP, 40}, {plat::VK_LEFT, 20}, {plat::VK_RIGHT, 20}, {plat::VK_DOWN, 20}}};

}  // namespace

RandomKeys::RandomKeys(uint32_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}

uint32_t RandomKeys::next(uint32_t range) {
  // splitmix64: a generator of its own, so the game's random source stays untouched.
  state_ += 0x9E3779B97F4A7C15ull;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<uint32_t>(z % range);
}

void RandomKeys::frame(const std::function<void(plat::KeyEvent)>& emit) {
  if (framesLeft_ > 0) {
    --framesLeft_;
    return;
  }
  for (int key : held_) emit({key, false});
  held_.clear();

  uint32_t roll = next(100);
  Move move = Move::Idle;
  for (const auto& [m, weight] : kMoves) {
    if (roll < static_cast<uint32_t>(weight)) {
      move = m;
      break;
    }
    roll -= static_cast<uint32_t>(weight);
  }
  auto press = [&](int key, int frames) {
    emit({key, true});
    held_.push_back(key);
    framesLeft_ = frames;
  };
  switch (move) {
    case Move::Walk: {
      uint32_t pick = next(100);
      int arrow = plat::VK_UP;
      for (const auto& [key, weight] : kArrows) {
        if (pick < static_cast<uint32_t>(weight)) {
          arrow = key;
          break;
        }
        pick -= static_cast<uint32_t>(weight);
      }
      press(arrow, 4 + static_cast<int>(next(57)));
      // Now and then slowly, or with a turn on the way.
      if (next(8) == 0) press(plat::VK_CONTROL, framesLeft_);
      break;
    }
    case Move::Confirm: press(plat::VK_SHIFT, 3 + static_cast<int>(next(4))); break;
    case Move::Back: press(plat::VK_CONTROL, 3 + static_cast<int>(next(4))); break;
    case Move::Menu: press(plat::VK_RETURN, 3 + static_cast<int>(next(4))); break;
    case Move::Space: press(plat::VK_SPACE, 3 + static_cast<int>(next(4))); break;
    case Move::Idle: framesLeft_ = 5 + static_cast<int>(next(26)); break;
  }
}

}  // namespace replay
