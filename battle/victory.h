// The end of a won battle: the party's victory poses and the fade (VictoryOverlay, the battle
// phase after "勝"), then the result screen (BattleResultScene) that counts the defeated enemies'
// EXP, money and SP into the party one unit per frame, with level ups and learned scrolls shown
// per member, and leaves through BattleExitScene.
//
// VictoryOverlay, by the step counter (0 on entry):
//   0          waits until no party slot has an action script running or walks and no popup is
//              shown; then "win" music, the view script stops, slot 0 plays "win"
//   2          every present party slot plays "win0"
//   128 … 158  object tasks stopped and freed; black with alpha (counter - 128) * 8
//   159        the result screen starts (counter 0)
// BattleResultScene, by the step counter:
//   0 … 30     fade-in from black
//   31         waits for Shift held
//   32         one distribution step per frame (Shift held hands out the rest at once)
//   33         waits for Shift held
//   34 … 63    fade-out; at 64 BattleExitScene
#pragma once
#include <cstdint>
#include <string>

#include "battle/battle.h"
#include "data/database.h"

constexpr int32_t kResultStartCount = 159;  // VictoryOverlay's count at which the result screen starts
constexpr int32_t kResultWaitCount = 31;
constexpr int32_t kResultCountingCount = 32;
constexpr int32_t kResultDoneCount = 33;
constexpr int32_t kResultEndCount = 64;
constexpr int32_t kWordFrames = 64;  // frames "レベルアップ！" and the scroll word stay
constexpr int kMaxLevel = 255;
constexpr int32_t kMaxHpCap = 9999;
constexpr int32_t kMaxMpCap = 999;

void VictoryOverlay();
void BattleResultScene();

// ---- the rules ----

// EXP of the level step reached at level n: 128 * n^2.
int32_t levelStepExp(int level);
// One level up of a record's base block: the level +1 (it stops at 255), each other attribute
// +1 (+2 from 128), capped at 255; max HP and HP grow by trunc((0.005 n + 1) * vitality + n),
// capped at 9999; max MP and MP by trunc((n + 0.01 n * intellect) * 0.1 + 1), capped at 999,
// with n the new level and the new attributes.
void levelUpRecord(SchrRecord& record);
// Gives x EXP against the member's EXP to next level: every time it falls to 0 or below, the
// record levels up, the new step is added to the cumulative total and to the EXP to next.
// True when at least one level was gained.
bool giveExp(SchrRecord& record, int32_t& expToNext, int32_t& expTotal, int32_t x);
// Gives sp SP to the member's scrolls; true when a scroll's technique was learned by it.
bool giveSp(const SchrRecord& record, CharacterTables& tables, int32_t sp);

struct RewardTotals {
  int32_t exp = 0, money = 0, sp = 0;
};
// The sums over the enemy slots whose defeated byte is 1.
RewardTotals rewardTotals(const Battle& battle);

// Prepares the result screen's working values: totals, EXP to next copies, timers 0.
void prepareResult(Battle& battle);
// One distribution step (the result screen at count 32); decideHeld hands out the rest at once.
// True when every total has been handed out (all three are 0 after this step).
bool distributionStep(Battle& battle, bool decideHeld);

// The "result" member of the state dump: null outside the result screen.
std::string resultStateJson();
