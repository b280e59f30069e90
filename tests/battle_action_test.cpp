// The battle's action rules and "w" commands without files or a device: the damage formula with
// pinned random numbers, the evasion roll, applying results with popups, downs, revivals and
// tension, the MP cost, and the commands that skip targets or check their slots.
#include "battle/action_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_scripts.h"
#include "core/frame.h"
#include "core/random.h"
#include "event/actors.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

constexpr int kExactSpread = 31;  // 31 mod 64 + 481 = 512: the spread factor is exactly 1

class BattleActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages.push_back(text); });
    seedRandom(7);
    setUpActors(kBattleSlots);
    battle = &makeBattle();
    for (int s = 0; s < kBattleSlots; ++s) {
      battle->present[s] = 1;
      SchrRecord& r = slotRecord(*battle, s);
      r.effectiveHp = r.effectiveMaxHp = 200;
      r.effectiveMp = r.effectiveMaxMp = 40;
      battle->actionScripts[s].script.commands = &actionRunnerCommands();
      battle->actionScripts[s].script.runner = {RunnerKind::Action, s};
    }
    attacker.baseAttributes[ATTR_ATTACK] = 20;
    attacker.baseAttributes[ATTR_LEVEL] = 16;
    attacker.baseAttributes[ATTR_INTELLECT] = 30;
    target.effectiveHp = 200;
    gFrameTime = 22;
  }
  void TearDown() override {
    destroyBattle();
    resetActors();
    gItems.clear();
    gTechniques.clear();
    plat::SetMessageBoxHandler(nullptr);
  }

  int damage(int type, int power, bool guard = false, bool targetBack = false, bool attackerBack = false,
             int attribute = -1) {
    DamageInput in;
    in.attacker = &attacker;
    in.target = &target;
    in.type = type;
    in.power = power;
    in.attribute = attribute;
    in.targetGuard = guard;
    in.targetBackRow = targetBack;
    in.attackerBackRow = attackerBack;
    in.random = kExactSpread;
    return damageResult(in).value_or(12345);
  }
  // Runs an action script of slot s at once.
  void run(int s, const std::string& text) {
    Script& script = battle->actionScripts[s].script;
    script.setText(text);
    script.active = 1;
    script.Step();
  }

  Battle* battle = nullptr;
  SchrRecord attacker, target;
  std::vector<std::string> messages;
};

TEST_F(BattleActionTest, GuardBackRowAndRangeHalveTheRightTypes) {
  // h = 16 / 8 + 20 = 22; u = trunc(100 * 0.0625 * 484 * 0.08) = 242.
  EXPECT_EQ(damage(kDamageRightHand, 100), -242);
  EXPECT_EQ(damage(kDamageLeftHand, 100), -242);
  for (const int type : {kDamageRightHand, kDamageLeftHand}) {
    EXPECT_EQ(damage(type, 100, true), -121) << "guard, type " << type;
    EXPECT_EQ(damage(type, 100, false, true), -121) << "back-row target, type " << type;
    EXPECT_EQ(damage(type, 100, false, false, true), -121) << "back-row attacker, type " << type;
    EXPECT_EQ(damage(type, 100, true, true), -60);
  }
  const int magic = damage(kDamageMagic, 40);
  ASSERT_LT(magic, 0);
  EXPECT_EQ(damage(kDamageMagic, 40, true), -((-magic) >> 1));
  EXPECT_EQ(damage(kDamageMagic, 40, false, true, true), magic) << "rows do not touch magic";
  EXPECT_EQ(damage(kDamageProportional, 50), -100);
  EXPECT_EQ(damage(kDamageProportional, 50, true), -50);
  EXPECT_EQ(damage(kDamageFixed, 30, true, true), -30);
  // A ranged weapon in the right hand keeps the back-row attacker's full damage.
  gItems.resize(2);
  gItems[1].kindWord = static_cast<uint16_t>(kItemRanged | 5u << 8);
  attacker.items[0] = 1;
  attacker.equipped[0] = 0;
  const int ranged = damage(kDamageRightHand, 100);
  EXPECT_EQ(damage(kDamageRightHand, 100, false, false, true), ranged);
  EXPECT_LT(ranged, -242) << "the item's power adds to the attack";
}

TEST_F(BattleActionTest, TheSpreadAttributeAndClampShapeTheResult) {
  DamageInput in{&attacker, &target, kDamageFixed, 20000};
  EXPECT_EQ(damageResult(in), -9999);
  in.power = -20000;
  EXPECT_EQ(damageResult(in), 9999);
  in = DamageInput{&attacker, &target, kDamageRightHand, 100};
  in.random = 0;  // 481 / 512
  EXPECT_EQ(damageResult(in), -227);
  in.targetPresent = false;
  EXPECT_FALSE(damageResult(in)) << "no result against a fallen target";
  in.type = 9;
  EXPECT_FALSE(damageResult(in));
  // Attribute power 0 gives 0; a negative power turns damage into healing and healing into damage.
  attacker.effectiveSetA[3] = 0;
  EXPECT_EQ(damage(kDamageRightHand, 100, false, false, false, 3), 0);
  attacker.effectiveSetA[3] = static_cast<uint8_t>(-10);
  EXPECT_EQ(damage(kDamageRightHand, 100, false, false, false, 3), 242);
  EXPECT_LT(damage(kDamageHealing, 20, false, false, false, 3), 0);
  EXPECT_GT(damage(kDamageHealing, 20), 0);
  // Above 7 the formula reads attribute 7.
  attacker.effectiveSetA[7] = 20;
  EXPECT_EQ(damage(kDamageProportional, 10, false, false, false, 12), -40);
  // Evaded gives 0, critical one and a half times.
  in = DamageInput{&attacker, &target, kDamageFixed, 101};
  in.targetHitFlags = HIT_CRITICAL;
  EXPECT_EQ(damageResult(in), -101 + (-101 >> 1));
  in.targetHitFlags = HIT_EVADED | HIT_CRITICAL;
  EXPECT_EQ(damageResult(in), 0);
}

TEST_F(BattleActionTest, TheEvasionRoll) {
  attacker.effectiveAttributes[ATTR_ACCURACY] = 100;
  target.effectiveAttributes[ATTR_EVASION] = 20;
  EXPECT_FALSE(evasionRoll(attacker, target, false, 100, 0)) << "a sure hit";
  EXPECT_TRUE(evasionRoll(attacker, target, false, 99, 0)) << "80 * 0.99 is below 100: the roll decides";
  attacker.effectiveAttributes[ATTR_ACCURACY] = 150;
  EXPECT_FALSE(evasionRoll(attacker, target, false, 80, 0)) << "130 * 0.8 is at least 100";
  attacker.effectiveAttributes[ATTR_ACCURACY] = 100;
  // d = 80; at 99 the roll decides: random mod 156 < 20 evades.
  EXPECT_TRUE(evasionRoll(attacker, target, false, 99, 19));
  EXPECT_FALSE(evasionRoll(attacker, target, false, 99, 20));
  EXPECT_TRUE(evasionRoll(attacker, target, true, 99, 35)) << "the back row adds 16";
}

TEST_F(BattleActionTest, AnEvadedHitShowsTheWordAndACriticalHitASecondPopup) {
  Battle& b = *battle;
  b.runningSlot = 3;
  b.hitFlags[0] = HIT_EVADED;
  runDamage(b, 3, 0, kDamageFixed, 50, -1);
  b.hitFlags[1] = HIT_CRITICAL;
  runDamage(b, 3, 1, kDamageFixed, 50, -1);
  EXPECT_EQ(b.result[0], 0);
  EXPECT_EQ(b.hitFlags[0], HIT_RESULT | HIT_EVADED);
  EXPECT_EQ(b.result[1], -75);
  applyResults(b);
  EXPECT_EQ(b.popups[0].kind, kEvadedWord);
  EXPECT_EQ(b.popups[0].timer, kPopupFrames);
  EXPECT_EQ(b.popups[1].kind, 0);
  EXPECT_EQ(b.popups[1].text, "75");
  EXPECT_EQ(b.popups[1].colour, 0xFFFFFFu);
  EXPECT_EQ(b.popups[2].kind, kCriticalWord);
  EXPECT_EQ(slotRecord(b, 1).effectiveHp, 125);
  EXPECT_EQ(popupBounce(43), 14);
  EXPECT_EQ(popupBounce(48), 6);
  EXPECT_EQ(popupBounce(29), 0);
}

TEST_F(BattleActionTest, AFallenPartyMemberIsRevivedByHealingAndUntouchedByDamage) {
  Battle& b = *battle;
  b.present[1] = 0;
  slotRecord(b, 1).effectiveHp = 0;
  runDamage(b, 3, 1, kDamageFixed, 40, -1);
  EXPECT_EQ(b.hitFlags[1], 0) << "damage leaves no trace";
  runDamage(b, 3, 1, kDamageRightHand, 100, -1);
  EXPECT_EQ(b.hitFlags[1], 0);
  runDamage(b, 0, 1, kDamageFixed, -30, -1);
  applyResults(b);
  EXPECT_EQ(b.present[1], 1);
  EXPECT_EQ(slotRecord(b, 1).effectiveHp, 30);
  EXPECT_EQ(slotChara(1)->getAnim() == kActKneel || slotChara(1)->actionCount() == 0, true);
  EXPECT_EQ(b.popups[0].colour, 0x00FF40u);
  // A fallen enemy is skipped by w7 and by w37 loops.
  b.present[4] = 0;
  run(0, "c0 3,0,= c0 4,4,= c0 0,5,= c0 1,10,= w7; #");
  EXPECT_EQ(b.hitFlags[4], 0);
  run(0, "c0 4,3,= c0 5,9,= c0 6,0,= @:L// w37; c0 6,1,+ c7 L// #");
  EXPECT_EQ(b.actionScripts[0].script.v[6], 5) << "six enemies, one skipped";
}

TEST_F(BattleActionTest, TensionComesOnlyFromTheOtherSide) {
  Battle& b = *battle;
  b.runningSlot = 0;
  runDamage(b, 0, 1, kDamageFixed, 50, -1);
  applyResults(b);
  EXPECT_EQ(slotRecord(b, 1).tension, 0);
  std::fill(std::begin(b.hitFlags), std::end(b.hitFlags), uint8_t{0});
  b.runningSlot = 3;
  slotRecord(b, 2).effectiveHp = 400;
  slotRecord(b, 2).effectiveMaxHp = 400;
  runDamage(b, 3, 2, kDamageFixed, 200, -1);
  applyResults(b);
  EXPECT_EQ(slotRecord(b, 2).tension, 51) << "1 + 100 * 200 / 400";
  std::fill(std::begin(b.hitFlags), std::end(b.hitFlags), uint8_t{0});
  slotRecord(b, 0).effectiveHp = 200;
  slotRecord(b, 0).effectiveMaxHp = 100;
  runDamage(b, 3, 0, kDamageFixed, 100, -1);
  applyResults(b);
  EXPECT_EQ(slotRecord(b, 0).tension, 100) << "the whole maximum HP";
  EXPECT_NE(b.shownTensionStep[0], 0);
}

TEST_F(BattleActionTest, HpAndMpStayInRangeAndADownIsCounted) {
  Battle& b = *battle;
  b.hitFlags[4] = HIT_RESULT;
  b.result[4] = -500;
  b.hitFlags[5] = HIT_RESULT | HIT_ON_MP;
  b.result[5] = -90;
  b.hitFlags[6] = HIT_RESULT | HIT_ON_MP;
  b.result[6] = 90;
  applyResults(b);
  EXPECT_EQ(slotRecord(b, 4).effectiveHp, 0);
  EXPECT_EQ(b.present[4], 0);
  EXPECT_EQ(b.defeated[4], 1);
  EXPECT_EQ(slotRecord(b, 5).effectiveMp, 0) << "MP does not go below 0";
  EXPECT_EQ(slotRecord(b, 6).effectiveMp, 40) << "nor above its maximum";
  EXPECT_EQ(b.popups[1].colour, 0xFF8080u);
  EXPECT_EQ(b.popups[2].colour, 0x00FFFFu);
  // The shown values roll toward the real ones and settle.
  for (int frame = 0; frame < 100; ++frame) rollShownValues(b);
  EXPECT_EQ(b.shownMp[6], 40);
  EXPECT_EQ(b.shownMpStep[6], 0);
}

TEST_F(BattleActionTest, TheMpCostIsPaidOrTheScriptBecomesLackMp) {
  Battle& b = *battle;
  gTechniques.resize(3);
  gTechniques[1].packed = 12;
  gTechniques[2].packed = kWazaAllMp;
  b.chosen[0] = actionCode(kActionTechnique, 1);
  run(0, "w30; c0 0,1,= #");
  EXPECT_EQ(slotRecord(b, 0).effectiveMp, 28);
  EXPECT_EQ(b.actionScripts[0].script.v[0], 1);
  b.chosen[0] = actionCode(kActionTechnique, 2);
  run(0, "w30; #");
  EXPECT_EQ(slotRecord(b, 0).effectiveMp, 0) << "all MP";
  b.chosen[0] = actionCode(kActionTechnique, 1);
  run(0, "c0 0,0,= w30; c0 0,1,= #");
  EXPECT_EQ(b.actionScripts[0].script.v[0], 0) << "the rest of the script does not run";
  EXPECT_EQ(slotRecord(b, 0).effectiveMp, 0);
}

TEST_F(BattleActionTest, SlotsAndHandlesFromVariablesAreChecked) {
  Battle& b = *battle;
  run(0, "c0 3,99,= c0 4,-3,= c0 0,1,= c0 1,50,= w7; w6; w20; w21; w25; w26; w29; w38; "
         "c0 0,40,= w16; w17; w18; c0 2,77,= w27; c0 0,9,= w22; w13; w14; w24; #");
  for (int s = 0; s < kBattleSlots; ++s) EXPECT_EQ(b.hitFlags[s], 0);
  // An attribute above 7 is reported with its number.
  run(0, "c0 3,0,= c0 4,3,= c0 0,5,= c0 1,10,= c0 2,11,= w7; #");
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "11");
  EXPECT_EQ(b.result[3], -10);
  // w2, w3, w32, w34, w35 on a non-item.
  b.target[0] = 5;
  b.allTarget = 1;
  run(0, "w2; w3; c5 6,4, w32; w34; #");
  const Script& s = b.actionScripts[0].script;
  EXPECT_EQ(s.v[3], 0);
  EXPECT_EQ(s.v[6], 5);
  EXPECT_EQ(s.v[4], 3);
  EXPECT_EQ(s.v[5], 9);
  EXPECT_EQ(s.v[2], 1);
  run(0, "w35; #");
  EXPECT_EQ(messages.back(), "w35?");
}

TEST_F(BattleActionTest, RandomCommandsOnRandomStatesKeepEveryValueInRange) {
  Battle& b = *battle;
  const std::string alphabet = "w0123456789;;;c0,=+-! #wwww";
  seedRandom(99);
  for (int round = 0; round < 300; ++round) {
    for (int s = 0; s < kBattleSlots; ++s) {
      SchrRecord& r = slotRecord(b, s);
      b.present[s] = nextRandom() % 2;
      r.effectiveMaxHp = nextRandom() % 500;
      r.effectiveHp = r.effectiveMaxHp ? nextRandom() % r.effectiveMaxHp : 0;
      b.hitFlags[s] = static_cast<uint8_t>(nextRandom() % 32);
      b.result[s] = nextRandom() % 20000 - 10000;
      b.target[s] = nextRandom() % 12 - 1;
      b.chosen[s] = actionCode(nextRandom() % 4, nextRandom() % 40);
    }
    std::string text;
    for (int i = 0; i < 80; ++i) text += alphabet[static_cast<size_t>(nextRandom()) % alphabet.size()];
    Script& script = b.actionScripts[0].script;
    script.setText(text);
    for (int32_t& v : script.v) v = nextRandom() % 40 - 10;
    script.active = 1;
    for (int frame = 0; frame < 4 && script.active; ++frame) script.Step();
    for (int s = 0; s < kBattleSlots; ++s) {
      SchrRecord& r = slotRecord(b, s);
      ASSERT_GE(r.effectiveHp, 0) << text;
      ASSERT_LE(r.effectiveHp, std::max(0, r.effectiveMaxHp)) << text;
      ASSERT_GE(r.effectiveMp, 0) << text;
      ASSERT_LE(r.tension, 100) << text;
    }
  }
}

}  // namespace
