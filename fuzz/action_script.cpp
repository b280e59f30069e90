// Runs action-script text from the input for a few frames in battle slot 0 with the action
// runner's commands, in a battle whose state comes from the input too. The input's first 28
// bytes are the variables V0 … V6, the next 9 × 8 bytes the slots (present, HP, maximum HP, MP,
// hit flags, chosen action, target, back row and guard); the rest is the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "battle/battle.h"
#include "battle/battle_scripts.h"
#include "core/frame.h"
#include "event/actors.h"
#include "fuzz/fuzz_setup.h"
#include "platform/system.h"

namespace {

constexpr size_t kSlotBytes = 8;
constexpr int kFrames = 8;

void check(Battle& battle) {
  for (int s = 0; s < kBattleSlots; ++s) {
    SchrRecord& r = slotRecord(battle, s);
    if (fighter::hp(r) < 0 || fighter::hp(r) > std::max(0, fighter::maxHp(r))) std::abort();
    if (fighter::tension(r) > 100) std::abort();
    if (battle.result[s] < -9999 || battle.result[s] > 9999) std::abort();
  }
  const Script& script = battle.actionScripts[0].script;
  if (script.position() < 0 || script.position() > script.length()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    quietMessageBoxes();
    setUpActors(kBattleSlots);
    return true;
  }();
  (void)ready;
  int32_t variables[kScriptVariableCount] = {};
  size_t at = std::min(size, sizeof variables);
  std::memcpy(variables, data, at);
  Battle& battle = makeBattle();
  for (int s = 0; s < kBattleSlots; ++s) {
    uint8_t b[kSlotBytes] = {};
    const size_t n = std::min(kSlotBytes, size - at);
    std::memcpy(b, data + at, n);
    at += n;
    SchrRecord& r = slotRecord(battle, s);
    battle.present[s] = b[0] & 1;
    fighter::maxHp(r) = b[2] * 4;
    fighter::hp(r) = std::min<int32_t>(b[1] * 4, fighter::maxHp(r));
    fighter::maxMp(r) = b[3];
    fighter::mp(r) = b[3] / 2;
    battle.hitFlags[s] = b[4];
    battle.chosen[s] = actionCode(b[5] & 3, b[6]);
    battle.target[s] = b[7] % 12 - 1;
    battle.backRow[s] = (b[0] >> 1) & 1;
    battle.guard[s] = (b[0] >> 2) & 1;
    battle.actionScripts[s].script.commands = &actionRunnerCommands();
    battle.actionScripts[s].script.runner = {RunnerKind::Action, s};
    // A step's work stays small, as in the other script targets, so that inputs run fast.
    battle.actionScripts[s].script.stepBudget = 1024;
  }
  Script& script = battle.actionScripts[0].script;
  script.setText(std::string_view(reinterpret_cast<const char*>(data) + at, size - at));
  std::memcpy(script.v, variables, sizeof variables);
  script.active = 1;
  gFrameTime = 22;
  for (int frame = 0; frame < kFrames && script.active; ++frame) {
    script.Step();
    check(battle);
  }
  destroyBattle();
  // Actor arrays the script made anew (f18, f22) go as at the next frame's step.
  resetActors();
  setUpActors(kBattleSlots);
  return 0;
}
