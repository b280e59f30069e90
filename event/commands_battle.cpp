// Function commands that steer a battle: f27, f40, f53.
#include "event/battle_link.h"
#include "event/game_state.h"
#include "event/runners.h"

BattleLink gBattleLink;

namespace {

// f27: the battle's view script to "RC<V0>", or inactive for -1.
void viewScript(const ScriptCall& call) {
  if (battleRunning() && gBattleLink.viewScript) gBattleLink.viewScript(call.script.v[0]);
}

// f40: the battle stage number (16 bits).
void battleStage(const ScriptCall& call) {
  gGame.battleStage = static_cast<int16_t>(call.script.v[0]);
}

// f53: V0 = 0 toggles battle switch V3; V0 = 1 marks battle slot V3 as f54 0 does at its end.
void battleSwitch(const ScriptCall& call) {
  if (!battleRunning()) return;
  const int32_t* v = call.script.v;
  if (v[0] == 0 && gBattleLink.toggleSwitch) gBattleLink.toggleSwitch(v[3]);
  if (v[0] == 1 && gBattleLink.markSlot) gBattleLink.markSlot(v[3]);
}

constexpr CommandEntry kCommands[] = {
    {27, viewScript}, {40, battleStage}, {53, battleSwitch},
};

}  // namespace

std::span<const CommandEntry> battleCommands() {
  return kCommands;
}
