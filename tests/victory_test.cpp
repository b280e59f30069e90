// The end of a won battle: the level-up and reward rules, and the result screen counted frame by
// frame against Shift held through it. (The picture of the screen with "レベルアップ！" comes from
// the boss journey in battle_journey_test.cpp.)
#include "battle/victory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "battle/battle.h"
#include "battle/battle_scenes.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "data/database.h"
#include "event/game_state.h"
#include "platform/window.h"

namespace {

// Characters 1 and 2 in party slots 0 and 2 (slot 1 empty); character 2 is down. Character 1
// holds scroll 0, which teaches techniques 0 and 1.
void setUpParty() {
  gCharacters.assign(3, SchrRecord{});
  gCharacterTables.assign(3, CharacterTables{});
  for (int c = 1; c < 3; ++c) {
    SchrRecord& r = gCharacters[static_cast<size_t>(c)];
    std::snprintf(r.name, sizeof r.name, "%s", c == 1 ? "Nagi" : "Suzu");
    r.baseAttributes[ATTR_LEVEL] = 2;
    for (int a = 1; a < kAttributeCount; ++a) r.baseAttributes[a] = 10;
    r.hp = r.maxHp = r.effectiveHp = r.effectiveMaxHp = 50;
    gCharacterTables[static_cast<size_t>(c)].expToNext = levelStepExp(2);
    gCharacterTables[static_cast<size_t>(c)].techniqueLevels.assign(2, 0);
  }
  gCharacters[2].hp = gCharacters[2].effectiveHp = 0;
  gCharacters[1].scrolls[0] = 0;
  gScrolls = {MkmnRecord{"s", 2, {0, 1}}};
  gGame = GameProgress{};
  gGame.party[0] = 1;
  gGame.party[2] = 2;
}

// A battle whose enemies in slots 3 and 5 fell; the one in slot 4 never did.
Battle& wonBattle() {
  Battle& battle = makeBattle();
  for (int s = kFirstEnemySlot; s < kFirstEnemySlot + 3; ++s) {
    battle.rewardExp[s] = 300;
    battle.rewardMoney[s] = 40;
    battle.rewardSp[s] = 30;
    battle.defeated[s] = s != 4;
  }
  return battle;
}

class VictoryRules : public ::testing::Test {
 protected:
  void SetUp() override { setUpParty(); }
  void TearDown() override {
    destroyBattle();
    gCharacters.clear();
    gCharacterTables.clear();
    gScrolls.clear();
    gGame = GameProgress{};
  }
};

TEST_F(VictoryRules, ALevelUpGrowsByOneOrTwoAndStopsAtTheCaps) {
  SchrRecord r;
  r.baseAttributes[ATTR_LEVEL] = 9;
  const uint8_t start[] = {9, 127, 128, 254, 255, 200, 0, 100};
  std::copy(std::begin(start), std::end(start), r.baseAttributes);
  r.hp = 100, r.maxHp = 9990, r.mp = 990, r.maxMp = 10;
  levelUpRecord(r);
  const uint8_t want[] = {10, 128, 130, 255, 255, 202, 1, 101};
  for (int a = 0; a < kAttributeCount; ++a) EXPECT_EQ(r.baseAttributes[a], want[a]) << a;
  // HP: (0.05 + 1) * 255 + 10 = 277; MP: (10 + 0.1 * 255) * 0.1 + 1 = 4.55.
  EXPECT_EQ(r.hp, 377);
  EXPECT_EQ(r.maxHp, 9999);
  EXPECT_EQ(r.mp, 994);
  EXPECT_EQ(r.maxMp, 14);

  r.baseAttributes[ATTR_LEVEL] = 255;  // a byte would wrap to 0
  levelUpRecord(r);
  EXPECT_EQ(r.baseAttributes[ATTR_LEVEL], 255);
}

TEST_F(VictoryRules, OneBatchGivesSeveralLevelsEachStepAtTheLevelReached) {
  SchrRecord& r = gCharacters[1];
  CharacterTables& t = gCharacterTables[1];
  // Level 2 needs 512; then 128 * 9 = 1152 for level 3, 128 * 16 = 2048 for level 4.
  EXPECT_FALSE(giveExp(r, t.expToNext, t.expTotal, 511));
  EXPECT_EQ(t.expToNext, 1);
  EXPECT_TRUE(giveExp(r, t.expToNext, t.expTotal, 1 + 1152 + 100));
  EXPECT_EQ(r.baseAttributes[ATTR_LEVEL], 4);
  EXPECT_EQ(t.expToNext, 2048 - 100);
  EXPECT_EQ(t.expTotal, 1152 + 2048);

  r.baseAttributes[ATTR_LEVEL] = 255;
  EXPECT_TRUE(giveExp(r, t.expToNext, t.expTotal, 20000000));
  EXPECT_EQ(r.baseAttributes[ATTR_LEVEL], 255);
  EXPECT_GT(t.expToNext, 0);
}

TEST_F(VictoryRules, OnlyDefeatedEnemiesGiveRewards) {
  Battle& battle = wonBattle();
  const RewardTotals totals = rewardTotals(battle);
  EXPECT_EQ(totals.exp, 600);
  EXPECT_EQ(totals.money, 80);
  EXPECT_EQ(totals.sp, 60);
  battle.defeated[3] = battle.defeated[5] = 0;
  EXPECT_EQ(rewardTotals(battle).exp, 0);
}

TEST_F(VictoryRules, WithoutTheScrollSwitchSpCountsDownButIsNotGiven) {
  Battle& battle = wonBattle();
  gGame.scrollSwitch = 0;
  battle.rewardSp[3] = 250;  // SP outlasts EXP and money
  battle.rewardExp[3] = battle.rewardExp[5] = 10;
  prepareResult(battle);
  int steps = 1;
  while (!distributionStep(battle, false)) ++steps;
  EXPECT_EQ(steps, 280) << "the largest total (280 SP) sets the length";
  EXPECT_EQ(gCharacterTables[1].techniqueLevels, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(gGame.money, 80);
}

TEST_F(VictoryRules, EmptySlotsGetNothingAndADownedMemberStillLevelsUp) {
  Battle& battle = wonBattle();
  prepareResult(battle);
  while (!distributionStep(battle, false)) {
  }
  EXPECT_EQ(gCharacters[2].baseAttributes[ATTR_LEVEL], 3) << "600 EXP: past 512, short of 512 + 1152";
  EXPECT_EQ(gCharacterTables[2].expToNext, 512 + 1152 - 600);
  EXPECT_EQ(gCharacters[2].effectiveHp, 0) << "a level up does not raise the fallen";
  EXPECT_EQ(battle.rewards.expToNext[1], 0) << "the empty slot";
  EXPECT_EQ(gCharacterTables[1].techniqueLevels, (std::vector<uint8_t>{60, 60})) << "a scroll's techniques grow together";
  EXPECT_EQ(gCharacterTables[0].expTotal, 0);
}

// ---- the result screen, frame by frame ----

struct Outcome {
  int frames = 0;
  int32_t money = 0;
  std::vector<int> levels, expToNext;
  std::vector<uint8_t> techniqueLevels;
  bool sawLevelWord = false;
};

class ResultScreen : public VictoryRules {
 protected:
  void TearDown() override {
    plat::InjectKeyEvent({plat::VK_SHIFT, false});
    resetKeyboardState();
    gScene = NoOverlay;
    gOverlay1 = NoOverlay;
    VictoryRules::TearDown();
  }

  // From the victory's last frame to the wait after counting; Shift is held at the first wait
  // and, with holdShift, kept down through the counting.
  Outcome run(bool holdShift) {
    setUpParty();
    Battle& battle = wonBattle();
    battle.rewardSp[3] = 90;  // enough to learn technique 0 of the scroll
    gFrameTime = 22;
    gOverlay1 = VictoryOverlay;
    gStepCounter = kResultStartCount;
    VictoryOverlay();
    EXPECT_EQ(gScene, BattleResultScene);
    EXPECT_EQ(gStepCounter, 0);
    Outcome outcome;
    while (gStepCounter != kResultDoneCount && outcome.frames < 2000) {
      if (gStepCounter == kResultWaitCount) plat::InjectKeyEvent({plat::VK_SHIFT, true});
      if (gStepCounter == kResultCountingCount && !holdShift) plat::InjectKeyEvent({plat::VK_SHIFT, false});
      BattleResultScene();
      outcome.sawLevelWord = outcome.sawLevelWord || battle.rewards.levelTimer[0] > 0;
      ++outcome.frames;
    }
    outcome.money = gGame.money;
    for (int c = 1; c < 3; ++c) {
      outcome.levels.push_back(gCharacters[static_cast<size_t>(c)].baseAttributes[ATTR_LEVEL]);
      outcome.expToNext.push_back(gCharacterTables[static_cast<size_t>(c)].expToNext);
    }
    outcome.techniqueLevels = gCharacterTables[1].techniqueLevels;
    return outcome;
  }
};

TEST_F(ResultScreen, ShiftHeldHandsOutTheRestAtOnceWithTheSameTotals) {
  const Outcome counted = run(false);
  const Outcome held = run(true);
  EXPECT_EQ(counted.money, 80);
  EXPECT_EQ(counted.levels, (std::vector<int>{3, 3}));
  EXPECT_EQ(counted.expToNext, (std::vector<int>{1064, 1064}));
  EXPECT_EQ(counted.techniqueLevels, (std::vector<uint8_t>{100, 100}));
  EXPECT_TRUE(counted.sawLevelWord);
  EXPECT_EQ(held.money, counted.money);
  EXPECT_EQ(held.levels, counted.levels);
  EXPECT_EQ(held.expToNext, counted.expToNext);
  EXPECT_EQ(held.techniqueLevels, counted.techniqueLevels);
  EXPECT_TRUE(held.sawLevelWord);
  EXPECT_GT(counted.frames, 600) << "one unit per frame";
  EXPECT_LT(held.frames, 60);

  // The wait ends with Shift, the fade-out follows and the battle is left.
  for (int n = 0; n < 60 && gScene == BattleResultScene; ++n) BattleResultScene();
  EXPECT_EQ(gScene, BattleExitScene);
  EXPECT_EQ(gStepCounter, kResultEndCount);
}

TEST_F(ResultScreen, TheStateDumpShowsTheResultOnlyOnItsScreen) {
  setUpParty();
  Battle& battle = wonBattle();
  EXPECT_EQ(resultStateJson(), "null");
  gScene = BattleResultScene;
  prepareResult(battle);
  const std::string json = resultStateJson();
  EXPECT_NE(json.find("\"exp\": 600"), std::string::npos) << json;
  EXPECT_NE(json.find("\"exp_next\": 512"), std::string::npos) << json;
}

}  // namespace
