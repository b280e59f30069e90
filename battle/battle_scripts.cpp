#include "battle/battle_scripts.h"

#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/transitions.h"
#include "core/frame.h"
#include "core/message_box.h"

namespace {

constexpr int32_t kWipedOutTime = 4096;

// The battle and the slot a call belongs to; null outside a battle.
Battle* battleOf(const ScriptCall&) {
  return gBattle;
}

// b0: the battle script stops.
void stopScript(const ScriptCall& call) {
  call.script.continueFlag = 0;
  call.script.active = 0;
}

// b1: the battle phase := the script's next function.
void installNext(const ScriptCall& call) {
  if (Battle* battle = battleOf(call)) gOverlay1 = battle->battleScript.nextFunction;
}

// b2: V0 = 0 stops the view script, V0 = 1 sends it to "RC1".
void viewControl(const ScriptCall& call) {
  Battle* battle = battleOf(call);
  if (!battle) return;
  if (call.script.v[0] == 0) battle->view.script.active = 0;
  if (call.script.v[0] == 1) viewScriptTo(*battle, 1);
}

// b3: "全滅した" in the help label.
void wipedOut(const ScriptCall& call) {
  if (Battle* battle = battleOf(call)) showHelp(*battle, sjis("全滅した"), kWipedOutTime, true);
}

// b4: the battle is left as an escape leaves it.
void leaveBattle(const ScriptCall& call) {
  if (!battleOf(call)) return;
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
}

// b5: the party recovers in full.
void partyRecovers(const ScriptCall& call) {
  Battle* battle = battleOf(call);
  if (!battle) return;
  for (int s = 0; s < kPartySlotCount; ++s) restoreFull(slotRecord(*battle, s));
}

// b6: the scene script S follows the battle.
void sceneAfterBattle(const ScriptCall& call) {
  if (Battle* battle = battleOf(call)) battle->sceneAfter = std::string(call.script.str());
}

constexpr CommandEntry kBattleCommands[] = {
    {0, stopScript},   {1, installNext},    {2, viewControl},      {3, wipedOut},
    {4, leaveBattle},  {5, partyRecovers},  {6, sceneAfterBattle},
};

// w0: the action ends; the camera goes back to its resting view while the battle goes on, and
// the weapon trail follows the slot's own hand, switched off.
void endAction(const ScriptCall& call) {
  call.script.continueFlag = 0;
  call.script.active = 0;
  call.script.Free();
  Battle* battle = battleOf(call);
  if (!battle) return;
  if (!battle->view.script.active && battle->continues == 1) viewScriptTo(*battle, 1);
  if (isBattleSlot(call.runner.owner)) gTrail.chara = call.runner.owner;
  gTrail.active = 0;
}

// w12: the end check for the script's own slot.
void endCheck(const ScriptCall& call) {
  Battle* battle = battleOf(call);
  if (battle && call.runner.kind == RunnerKind::Action && isBattleSlot(call.runner.owner))
    battleEndCheck(*battle, call.runner.owner);
}

constexpr CommandEntry kActionFlowCommands[] = {{0, endAction}, {12, endCheck}};

}  // namespace

std::string beginLabel() {
  return sjis("始");
}
std::string turnLabel() {
  return sjis("回");
}
std::string wonLabel() {
  return sjis("勝");
}
std::string lostLabel() {
  return sjis("負");
}

std::span<const CommandEntry> battleScriptCommands() {
  return kBattleCommands;
}

std::span<const CommandEntry> actionFlowCommands() {
  return kActionFlowCommands;
}

void endViewStep(const ScriptCall& call) {
  call.script.continueFlag = 0;
}
