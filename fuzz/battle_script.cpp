// Runs battle-script and camera-script text from the input for a few frames with the battle
// runner's and the view runner's commands (the "b" commands and the shared "f" table), in a
// battle whose fighters are present as the input says. The input's first 28 bytes are the
// variables V0 … V6, the next 9 bytes the slots' presence; the rest is split in two halves, the
// battle script's text and the camera script's.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "battle/battle.h"
#include "battle/battle_scripts.h"
#include "battle/battle_setup.h"
#include "core/frame.h"
#include "event/actors.h"
#include "fuzz/fuzz_setup.h"
#include "platform/system.h"

namespace {

constexpr int kFrames = 8;

void check(const Script& script) {
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
    battle.present[s] = at < size ? data[at] & 1 : 0;
    if (at < size) ++at;
    SchrRecord& r = slotRecord(battle, s);
    fighter::maxHp(r) = 100;
    fighter::hp(r) = battle.present[s] ? 50 : 0;
  }
  const std::string_view text(reinterpret_cast<const char*>(data) + at, size - at);
  Script& script = battle.battleScript.script;
  Script& view = battle.view.script;
  script.commands = &battleRunnerCommands();
  script.runner = {RunnerKind::Battle, 0};
  view.commands = &viewRunnerCommands();
  view.runner = {RunnerKind::View, 0};
  script.setText(text.substr(0, text.size() / 2));
  view.setText(text.substr(text.size() / 2));
  std::memcpy(script.v, variables, sizeof variables);
  std::memcpy(view.v, variables, sizeof variables);
  script.stepBudget = view.stepBudget = 1024;
  script.active = view.active = 1;
  gFrameTime = 22;
  for (int frame = 0; frame < kFrames && gBattle; ++frame) {
    if (script.active) script.Step();
    if (gBattle && view.active) view.Step();
    if (!gBattle) break;
    check(script);
    check(view);
  }
  if (gBattle) destroyBattle();
  // Actor arrays the script made anew (f18, f22) go as at the next frame's step.
  resetActors();
  setUpActors(kBattleSlots);
  return 0;
}
