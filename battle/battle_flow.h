// The battle's flow: the phases that stand in overlay 1 while a battle runs (the battle phase),
// the initiative gauges, the enemies' decisions, the hand-over of a chosen action to its action
// script, the end check and the rules that keep a fighter's pose and walk.
//
// Phases, in the order a battle goes through them:
//   BattleIntroOverlay    the opening: fade from black, the party fades in and walks in, then
//                         the advantage roll ("先制攻撃のチャンスだ！" / "ふいうちである")
//   BattleMessageWait     the opening's wait (Shift ends it), then the battle script at "始"
//   BattleMessageOverlay  the battle script runs until it installs the next phase (b1)
//   TurnGaugeOverlay      the gauges fill; the first slot above 5100 gets its turn ("回")
//   ActorTurnOverlay      the turn starts: an enemy decides, a party member gets its menu
//   ActionWaitOverlay     when the action is chosen, its action script is loaded
//   NoOverlay             while the action script runs; its w12 runs the end check
//   VictoryOverlay        after "勝" (victory.cpp); BattleEndFade to leave at once
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "battle/battle.h"

constexpr int32_t kOpeningFrames = 26;
constexpr int32_t kAdvantageWaitFrames = 128;
constexpr int kTicksPerFrame = 16;
constexpr int32_t kHelpMessageTime = 2048;  // ms of the advantage messages
constexpr int32_t kDecideGate = 86;         // the key repeat gate a key needs

void BattleIntroOverlay();
void BattleMessageWait();
void BattleMessageOverlay();
void TurnGaugeOverlay();
void ActorTurnOverlay();
void ActionWaitOverlay();

// Runs the battle script at a label: rewound, the label searched forward, next function := next,
// active, and the phase becomes BattleMessageOverlay. A battle script without text installs next
// at once (as a script of "b1;" would), so that a battle without its script goes on.
void runBattleScriptAt(Battle& battle, std::string_view label, SlotFunction next);

// ---- the opening ----

// The advantage roll: d = (P - E) / (random mod 20 + 10), P and E the average effective speeds
// of the present party and enemies (0 for a side without anybody present).
int advantageRoll(Battle& battle, int random);
// Applies d: first strike (d > 0) or ambush (d < 0) with their help texts, gauges and wait.
void applyAdvantage(Battle& battle, int d);

// ---- initiative ----

// The slots by gauge, largest first; among equal gauges the lower slot first.
std::array<int, kBattleSlots> turnOrder(const int32_t (&gauge)[kBattleSlots]);
// One frame of the gauges: up to 16 ticks; returns the slot whose turn came, or -1.
int runTurnGauge(Battle& battle);

// ---- enemy decisions ----

// The entry drawn with r (0 ... sum of weights - 1): the first whose running sum of weights is
// not below r (entry 0 for r = 0). 0 for an empty table.
int drawEnemyAction(const std::vector<uint32_t>& table, int r);
// The enemy slot with the largest missing HP (maximum HP - HP); slots not present count -1, the
// party -16; the lower slot on ties.
int mostHurtEnemy(Battle& battle);
// Whether an action is meant for the enemies' own side: a technique with flag bit 9, or an item.
bool actionForOwnSide(int32_t code);
// The target check: a target that is not present is replaced by a present slot of its side,
// drawn at random; on a side with nobody present the target stays.
int checkTarget(Battle& battle, int target);
// The whole decision of enemy slot s: action, target, target check, action ready.
void decideEnemyAction(Battle& battle, int slot);

// ---- actions ----

// The action script of slot s's chosen action ("wz%d", "itm%d", "NonBtGz", "tk%d", "mg%d");
// "wz0" for a command that has no script of its own (exceptional is then set).
std::string actionScriptName(Battle& battle, int slot, bool& exceptional);
// Loads it into the slot's action script ("例外技術だ！" first for an exceptional one) and makes
// it active; the slot becomes the running slot. An action script that could not be loaded ends
// at once through the end check, so that a missing file cannot hold the battle.
void loadActionScript(Battle& battle, int slot);
// The end check after slot a's action (w12): victory ("勝"), defeat ("負") or the next turn.
void battleEndCheck(Battle& battle, int slot);

// ---- poses and walking ----

// The pose rule: the stance that fits the slot's state (down, weak, standing up, stance).
void applyPoseRule(Battle& battle, int slot);
// Moves character s by distance toward its home (turning it that way when turn is set); true
// when it has arrived (both |dx| and |dz| below 64): it then stands exactly at home.
bool walkHomeStep(Battle& battle, int slot, float distance, bool turn);
// The walk-in of every entering slot (BattleScene's last step).
void walkInStep(Battle& battle);

// ---- battle-side commands ----

// The view script to its label "RC<n>" and active; -1 stops it.
void viewScriptTo(Battle& battle, int label);
// Battle switch n (f53 0): the slot's back row toggles; its home moves 384 units back or forward
// along its heading.
void toggleBackRow(Battle& battle, int slot);
// f53 1: the slot is marked entering and walks (action 6) to its home.
void markEntering(Battle& battle, int slot);
// f54 0: the slot steps 3200 units back along x by its home heading, then walks in.
void stepBack(Battle& battle, int slot);
// o15: the flash (which -3 step, -2 on top, -1 cleared; otherwise value ORed into byte channel).
void changeFlash(Battle& battle, int which, int channel, int value);
