// The battle's flow without files or a device: the advantage roll, the gauges and the turns, the
// enemies' decisions, the hand-over to the action scripts, the end check, the battle script's
// commands, the opening's wait, the walk-in, the commands that reach the battle from any script,
// and the state dump.
#include "battle/battle_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "battle/battle.h"
#include "battle/battle_scenes.h"
#include "battle/battle_scripts.h"
#include "battle/battle_seams.h"
#include "battle/battle_state.h"
#include "battle/transitions.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/random.h"
#include "event/actors.h"
#include "event/battle_link.h"
#include "event/message_window.h"
#include "event/runners.h"
#include "gfx/camera.h"
#include "null_device.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

class BattleFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages.push_back(text); });
    seedRandom(5);
    setUpActors(kBattleSlots);
    battle = &makeBattle();
    for (int s = 0; s < kBattleSlots; ++s) {
      battle->present[s] = 1;
      speed(s, 10);
      SchrRecord& r = slotRecord(*battle, s);
      r.effectiveHp = r.effectiveMaxHp = 100;
    }
    battle->battleScript.script.commands = &battleRunnerCommands();
    battle->battleScript.script.runner = {RunnerKind::Battle, 0};
    battle->view.script.commands = &viewRunnerCommands();
    battle->view.script.runner = {RunnerKind::View, 0};
    for (int s = 0; s < kBattleSlots; ++s) {
      battle->actionScripts[s].script.commands = &actionRunnerCommands();
      battle->actionScripts[s].script.runner = {RunnerKind::Action, s};
    }
    gOverlay1 = NoOverlay;
    gFrameTime = 22;
  }
  void TearDown() override {
    resetBattle();
    resetActors();
    messageReset();
    gTechniques.clear();
    gItems.clear();
    gOverlay1 = NoOverlay;
    for (int32_t& key : gKeySlots) key = KEY_UP;
    plat::SetMessageBoxHandler(nullptr);
  }

  void speed(int slot, int value) { fighter::effective(slotRecord(*battle, slot), ATTR_SPEED) = static_cast<uint8_t>(value); }
  // One frame of the battle's phase.
  void phase() { gOverlay1(); }

  Battle* battle = nullptr;
  std::vector<std::string> messages;
};

TEST_F(BattleFlowTest, EqualSpeedsGiveNoHeadStart) {
  for (int random : {0, 7, 32767}) EXPECT_EQ(advantageRoll(*battle, random), 0);
  applyAdvantage(*battle, 0);
  EXPECT_EQ(gStepCounter, 0);
  EXPECT_TRUE(battle->help.text.empty());
  for (int32_t gauge : battle->gauge) EXPECT_EQ(gauge, 0);
}

TEST_F(BattleFlowTest, AFasterPartyGetsTheFirstStrikeButNotItsFallenMember) {
  for (int k = 0; k < 3; ++k) speed(k, 60);
  battle->present[2] = 0;  // 60 and 60 against 10: d = 50 / (r mod 20 + 10)
  EXPECT_EQ(advantageRoll(*battle, 0), 5);
  EXPECT_EQ(advantageRoll(*battle, 19), 1);
  applyAdvantage(*battle, 1);
  EXPECT_EQ(battle->help.text, sjis("先制攻撃のチャンスだ！"));
  EXPECT_EQ(battle->help.time, 2048);
  EXPECT_EQ(battle->help.halfWidth, 288);
  EXPECT_EQ(gStepCounter, 128);
  EXPECT_EQ(battle->gauge[0], 5160);
  EXPECT_EQ(battle->gauge[2], 0);
  EXPECT_EQ(battle->gauge[3], 0);
}

TEST_F(BattleFlowTest, AnAmbushPutsEveryPresentEnemyAboveTheThresholdAndTheLargestActsFirst) {
  for (int s = 3; s < kBattleSlots; ++s) speed(s, 40);
  speed(4, 60);
  speed(5, 60);
  battle->present[6] = 0;
  EXPECT_LT(advantageRoll(*battle, 0), 0);
  applyAdvantage(*battle, -1);
  EXPECT_EQ(battle->help.text, sjis("ふいうちである"));
  for (int s = 3; s < kBattleSlots; ++s) EXPECT_EQ(battle->gauge[s] > kTurnThreshold, s != 6) << s;
  const std::vector<int32_t> before(std::begin(battle->gauge), std::end(battle->gauge));
  // The first turn: the largest gauge, the lower slot of two equal ones, and no tick is added.
  EXPECT_EQ(runTurnGauge(*battle), 4);
  EXPECT_EQ(std::vector<int32_t>(std::begin(battle->gauge), std::end(battle->gauge)), before);
  gOverlay1 = TurnGaugeOverlay;
  phase();
  EXPECT_EQ(battle->actor, 4);
  EXPECT_EQ(gOverlay1, ActorTurnOverlay) << "a battle script without text goes on at once";
}

TEST_F(BattleFlowTest, TurnOrderIsLargestFirstAndLowerSlotOnTies) {
  const int32_t gauge[kBattleSlots] = {5, 9, 9, 0, 7, 9, 0, 0, 1};
  const std::array<int, kBattleSlots> expected = {1, 2, 5, 4, 0, 8, 3, 6, 7};
  EXPECT_EQ(turnOrder(gauge), expected);
}

TEST_F(BattleFlowTest, GaugesGrowBySpeedWithTheRandomSpreadUntilOneIsAboveTheThreshold) {
  for (int s = 1; s < kBattleSlots; ++s) battle->present[s] = 0;
  speed(0, 100);
  seedRandom(11);
  int32_t expected = 0;
  for (int tick = 0; tick < kTicksPerFrame; ++tick)
    expected = static_cast<int32_t>(expected + (100 + nextRandom() % 24) * 0.01 * 100);
  seedRandom(11);
  EXPECT_EQ(runTurnGauge(*battle), -1);
  EXPECT_EQ(battle->gauge[0], expected);
  while (runTurnGauge(*battle) < 0) {
  }
  // The ticks stop at the first one that passes the threshold.
  EXPECT_GT(battle->gauge[0], kTurnThreshold);
  EXPECT_LE(battle->gauge[0], kTurnThreshold + 124);
}

TEST_F(BattleFlowTest, AFallenPartyMemberNeverGetsGaugeOrATurn) {
  battle->present[1] = 0;
  battle->gauge[1] = 9000;
  speed(1, 250);
  for (int frame = 0; frame < 200; ++frame) {
    const int slot = runTurnGauge(*battle);
    EXPECT_NE(slot, 1);
    EXPECT_EQ(battle->gauge[1], 0);
    if (slot >= 0) battle->gauge[slot] = 0;
  }
}

TEST_F(BattleFlowTest, AnEnemyDrawsItsActionByWeight) {
  const std::vector<uint32_t> table = {packEnemyAction(0, 3, 1), packEnemyAction(5, 3, 2), packEnemyAction(5, 3, 3)};
  EXPECT_EQ(drawEnemyAction(table, 0), 0) << "r = 0 takes the first entry, weight 0 or not";
  EXPECT_EQ(drawEnemyAction(table, 1), 1);
  EXPECT_EQ(drawEnemyAction(table, 5), 1);
  EXPECT_EQ(drawEnemyAction(table, 6), 2);

  // Weights that sum to 0 give the first entry; the target is still drawn (a party slot).
  battle->actionTable[5] = {packEnemyAction(0, 3, 4), packEnemyAction(0, 3, 2)};
  seedRandom(3);
  const int target = nextRandom() % 3;
  seedRandom(3);
  decideEnemyAction(*battle, 5);
  EXPECT_EQ(battle->chosen[5], actionCode(kActionTk, 4));
  EXPECT_EQ(battle->target[5], target);
  EXPECT_EQ(battle->actionReady, 1);
}

TEST_F(BattleFlowTest, ASupportActionTargetsTheMostHurtEnemyItselfIncluded) {
  gTechniques.resize(3);
  gTechniques[2].packed = kWazaForAllies;
  battle->actionTable[5] = {packEnemyAction(10, kActionTechnique, 2)};
  slotRecord(*battle, 3).effectiveHp = 90;
  slotRecord(*battle, 5).effectiveHp = 10;                                           // missing 90: the most hurt
  slotRecord(*battle, 0).effectiveHp = 1;                                            // the party does not count
  battle->present[4] = 0;
  slotRecord(*battle, 4).effectiveMaxHp = 5000;                                      // absent: counts -1
  decideEnemyAction(*battle, 5);
  EXPECT_EQ(battle->target[5], 5);
  slotRecord(*battle, 7).effectiveHp = 10;
  EXPECT_EQ(mostHurtEnemy(*battle), 5) << "equal: the lower slot";
  EXPECT_TRUE(actionForOwnSide(actionCode(kActionItem, 0)));
  EXPECT_FALSE(actionForOwnSide(actionCode(kActionTechnique, 1)));
  EXPECT_FALSE(actionForOwnSide(actionCode(kActionTechnique, 99)));
}

TEST_F(BattleFlowTest, TheTargetCheckDrawsAPresentSlotOfTheSameSide) {
  battle->present[1] = 0;
  seedRandom(9);
  const int r = nextRandom() % 2;
  seedRandom(9);
  EXPECT_EQ(checkTarget(*battle, 1), r == 0 ? 0 : 2);
  EXPECT_EQ(checkTarget(*battle, 4), 4) << "a present target stays";
  // A side with nobody present keeps the target (nothing to draw from).
  for (int s = 3; s < kBattleSlots; ++s) battle->present[s] = 0;
  EXPECT_EQ(checkTarget(*battle, 6), 6);
}

TEST_F(BattleFlowTest, AnEnemyWithoutActionsLetsItsTurnPass) {
  battle->actor = 4;
  battle->gauge[4] = 5200;
  gOverlay1 = ActorTurnOverlay;
  phase();
  EXPECT_EQ(battle->gauge[4], 0);
  EXPECT_EQ(battle->actor, -1);
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  EXPECT_EQ(battle->actionReady, 0);
}

TEST_F(BattleFlowTest, TheTurnWaitsForTheActorsScriptAndWalk) {
  battle->actor = 3;
  battle->actionTable[3] = {packEnemyAction(1, kActionTechnique, 999)};
  battle->guard[3] = 1;
  battle->entering[3] = 1;
  gOverlay1 = ActorTurnOverlay;
  phase();
  EXPECT_EQ(gOverlay1, ActorTurnOverlay);
  battle->entering[3] = 0;
  phase();
  EXPECT_EQ(battle->guard[3], 0);
  EXPECT_EQ(gOverlay1, ActionWaitOverlay);
  EXPECT_EQ(battle->actionReady, 1);
  // The decided action waits while any present slot's action script runs.
  battle->actionScripts[1].script.setText("#");
  battle->actionScripts[1].script.active = 1;
  phase();
  EXPECT_EQ(gOverlay1, ActionWaitOverlay);
  battle->actionScripts[1].script.active = 0;
  phase();
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay) << "a missing action script ends the action at once";
  EXPECT_EQ(battle->actor, -1);
  EXPECT_EQ(battle->runningSlot, 3);
  EXPECT_EQ(battle->gauge[3], 0);
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.front().find("wz999"), std::string::npos) << messages.front();
}

TEST_F(BattleFlowTest, EveryChosenActionNamesItsScript) {
  gItems.resize(6);
  gItems[5].kindWord = kItemUsableInBattle;
  SchrRecord& r = slotRecord(*battle, 1);
  r.items[0] = 5;
  r.items[1] = 4;  // not usable in battle
  r.magicNumber = 7;
  const struct {
    int32_t code;
    const char* name;
    bool exceptional;
  } cases[] = {
      {actionCode(kActionTechnique, 3), "wz3", false}, {actionCode(kActionTk, 2), "tk2", false},
      {actionCode(kActionItem, 0), "itm5", false},     {actionCode(kActionItem, 1), "NonBtGz", false},
      {actionCode(kActionItem, 2), "NonBtGz", false},  {actionCode(kActionItem, 40), "NonBtGz", false},
      {actionCode(kActionCommand, 4), "mg7", false},   {actionCode(kActionCommand, 2), "wz0", true},
      {actionCode(9, 1), "wz0", true},
  };
  for (const auto& c : cases) {
    battle->chosen[1] = c.code;
    bool exceptional = false;
    EXPECT_EQ(actionScriptName(*battle, 1, exceptional), c.name) << c.code;
    EXPECT_EQ(exceptional, c.exceptional) << c.code;
  }
  battle->chosen[1] = actionCode(kActionCommand, 2);
  loadActionScript(*battle, 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), "例外技術だ！");
}

TEST_F(BattleFlowTest, TheEndCheckDecidesVictoryDefeatOrTheNextTurn) {
  battle->continues = 1;
  battle->ready = 1;
  battle->allTarget = 1;
  battle->hitFlags[4] = HIT_RESULT | HIT_CRITICAL;
  battle->gauge[2] = 7000;
  battleEndCheck(*battle, 2);
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  EXPECT_EQ(battle->gauge[2], 0);
  EXPECT_EQ(battle->allTarget, 0);
  EXPECT_EQ(battle->hitFlags[4], 0);

  battle->battleScript.script.setText(sjis("@:始// # @:回// # @:勝// c0 0,1,= # @:負// c0 0,2,= #"));
  for (int s = 0; s < 3; ++s) battle->present[s] = 0;
  gTrail.active = 1;
  battleEndCheck(*battle, 5);
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);
  EXPECT_EQ(battle->battleScript.nextFunction, NoOverlay);
  EXPECT_EQ(battle->continues, 0);
  EXPECT_EQ(battle->ready, 1);
  EXPECT_EQ(gTrail.active, 0);
  phase();
  EXPECT_EQ(battle->battleScript.script.v[0], 2) << "the script ran at 負";

  for (int s = 0; s < 3; ++s) battle->present[s] = 1;
  for (int s = 3; s < kBattleSlots; ++s) battle->present[s] = 0;
  battleEndCheck(*battle, 0);
  EXPECT_EQ(battle->battleScript.nextFunction, VictoryOverlay);
  EXPECT_EQ(battle->ready, 0);
  phase();
  EXPECT_EQ(battle->battleScript.script.v[0], 1) << "the script ran at 勝";
}

TEST_F(BattleFlowTest, TheBattleScriptsCommandsSteerTheBattle) {
  gCharacters.assign(2, SchrRecord{});
  gCharacters[1].maxHp = 80;
  gCharacters[1].effectiveMaxHp = 90;
  battle->record[0] = &gCharacters[1];
  battle->view.script.setText("@:RC1// c0 0,5,= f0; #");
  battle->battleScript.script.setText(
      sjis("@:始// c0 0,1,= b2; c1 ST_next//= b6; b5; b3; b1; b0; c0 1,1,= #"));
  runBattleScriptAt(*battle, beginLabel(), TurnGaugeOverlay);
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);
  phase();
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  EXPECT_FALSE(battle->battleScript.script.active);
  EXPECT_EQ(battle->battleScript.script.v[1], 0) << "b0 stopped the script";
  EXPECT_TRUE(battle->view.script.active) << "b2 with V0 = 1 sent the view to RC1";
  battle->view.script.Step();
  EXPECT_EQ(battle->view.script.v[0], 5);
  EXPECT_EQ(battle->sceneAfter, "ST_next");
  EXPECT_EQ(gCharacters[1].effectiveHp, 90);
  EXPECT_EQ(gCharacters[1].hp, 80);
  EXPECT_EQ(battle->help.text, sjis("全滅した"));
  EXPECT_EQ(battle->help.time, 4096);

  battle->battleScript.script.setText("c0 0,0,= b2; b4;");
  battle->view.script.active = 1;
  battle->battleScript.script.Step();
  EXPECT_FALSE(battle->view.script.active);
  EXPECT_EQ(gOverlay1, BattleEndFade);
  EXPECT_EQ(gStepCounter, 0);
  gCharacters.clear();
}

TEST_F(BattleFlowTest, TheDecideKeyEndsTheOpeningsWaitAtTheNextFrameEvenWhileHeld) {
  battle->battleScript.script.setText(sjis("@:始// c0 0,3,= b1; b0; #"));
  gStepCounter = 128;
  gOverlay1 = BattleMessageWait;
  phase();
  EXPECT_EQ(gStepCounter, 127);
  gKeySlots[SLOT_SHIFT] = KEY_PRESSED;
  phase();
  EXPECT_EQ(gOverlay1, BattleMessageWait);
  gKeySlots[SLOT_SHIFT] = KEY_HELD;
  phase();
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);
  phase();
  EXPECT_EQ(battle->battleScript.script.v[0], 3);
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
}

TEST_F(BattleFlowTest, AShownBattleMessageWaitsForShift) {
  battle->battleScript.script.setText(sjis("@:始// c1 てすと//= f1; f6; f0; f4; f36; b1; b0; #"));
  runBattleScriptAt(*battle, beginLabel(), TurnGaugeOverlay);
  gInputEnabled = 1;
  gKeyGate = 0;
  NullDevice device;  // the message window reveals its text as it draws
  gDevice = &device;
  auto frame = [] {
    BattleScene();
    gOverlay1();
  };
  for (int i = 0; i < 40; ++i) frame();
  EXPECT_TRUE(messageHasText());
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);
  EXPECT_FALSE(battle->battleScript.script.active) << "f0 waits for the player";
  plat::InjectKeyEvent({plat::VK_SHIFT, true});
  frame();
  frame();
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  for (int i = 0; i < 30; ++i) frame();
  EXPECT_FALSE(messageHasText());
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  plat::Message message;
  while (plat::PeekMessage(message)) {
  }
  gInputEnabled = 0;
  gDevice = nullptr;
}

TEST_F(BattleFlowTest, AWalkingFighterArrivesExactlyAtHomeAndTakesItsStance) {
  battle->home[0] = {-640, 0, 740};
  battle->homeHeading[0] = kPi;
  slotChara(0)->position = {0, 0, 1440};
  battle->entering[0] = 1;
  battle->entering[4] = 1;
  battle->present[4] = 0;
  walkInStep(*battle);
  EXPECT_EQ(battle->entering[4], 0) << "one who takes no part just stops";
  EXPECT_EQ(battle->entering[0], 1);
  const float toHome = heading(-640, 740, 0, 1440);
  EXPECT_NEAR(slotChara(0)->rotation.y, toHome, 1e-6f);
  EXPECT_NEAR(slotChara(0)->position.x, fastSin(toHome) * 44.0f, 1e-3f);
  int frames = 1;
  while (battle->entering[0] && frames < 100) {
    walkInStep(*battle);
    ++frames;
  }
  EXPECT_EQ(frames, 20);  // 948 units at 44 a frame: within 64 on both axes after 20
  EXPECT_EQ(slotChara(0)->position.x, -640.0f);
  EXPECT_EQ(slotChara(0)->position.z, 740.0f);
  EXPECT_EQ(slotChara(0)->rotation.y, kPi);
}

TEST_F(BattleFlowTest, ScriptsReachTheBattleThroughItsLinks) {
  Battle& b = *battle;
  gBattleLink = BattleLink{[] { return gBattle != nullptr; },
                           [](int n) { viewScriptTo(*gBattle, n); },
                           [](int s) { toggleBackRow(*gBattle, s); },
                           [](int s) { stepBack(*gBattle, s); },
                           [](int s) { markEntering(*gBattle, s); },
                           [](int w, int c, int v) { changeFlash(*gBattle, w, c, v); }};
  b.home[1] = {0, 0, 740};
  b.homeHeading[1] = kPi;
  b.home[4] = {0, 0, -360};
  b.homeHeading[4] = kTwoPi;
  b.view.script.setText("@:RC1// # @:RC3// c0 0,9,= #");
  Script& s = b.actionScripts[1].script;
  // f27 3, f53 0 on slots 1 and 4, f53 1 on slot 4, f54 0 on slot 1.
  s.setText("c0 0,3,= f27; c0 0,0,= c0 3,1,= f53; c0 3,4,= f53; c0 0,1,= f53; c0 0,0,= c0 3,1,= f54; c0 3,99,= f53; f54;");
  s.Step();
  EXPECT_TRUE(b.view.script.active);
  b.view.script.Step();
  EXPECT_EQ(b.view.script.v[0], 9);
  EXPECT_EQ(b.backRow[1], 1);
  EXPECT_FLOAT_EQ(b.home[1].z, 740.0f + 384.0f);
  EXPECT_EQ(b.backRow[4], 1);
  EXPECT_FLOAT_EQ(b.home[4].z, -360.0f - 384.0f);
  EXPECT_EQ(b.entering[4], 1);
  EXPECT_EQ(b.entering[1], 1);
  EXPECT_NEAR(slotChara(1)->position.x, 3200.0f, 0.5f) << "stepped back by 3200 cos(pi)";
  // o15's flash: step, on top, a channel ORed in, cleared.
  gBattleLink.flash(-3, 0, -20);
  gBattleLink.flash(-2, 0, 1);
  gBattleLink.flash(0, 0, 0x80);
  gBattleLink.flash(0, 2, 0x40);
  EXPECT_EQ(b.flash.step, -20);
  EXPECT_EQ(b.flash.onTop, 1);
  EXPECT_EQ(b.flash.colour, 0x80004000u);
  gBattleLink.flash(0, 7, 0xFF);
  EXPECT_EQ(b.flash.colour, 0x80004000u);
  gBattleLink.flash(-1, 0, 0);
  EXPECT_EQ(b.flash.colour, 0u);
  gBattleLink = BattleLink{};
}

TEST_F(BattleFlowTest, TheStateDumpShowsTheBattleOrNull) {
  battle->actor = 4;
  battle->chosen[4] = actionCode(kActionTk, 5);
  std::snprintf(slotRecord(*battle, 4).name, sizeof(SchrRecord{}.name), "%s", sjis("森狼").c_str());
  showHelp(*battle, sjis("ふいうちである"), 2048, true);
  gOverlay1 = TurnGaugeOverlay;
  const std::string json = battleStateJson();
  for (const char* member : {"\"actor\": 4", "\"phase\": \"TurnGaugeOverlay\"", "\"text\": \"ふいうちである\"",
                             "\"name\": \"森狼\"", "\"chosen\": 196613", "\"battle_script\": {\"active\": 0",
                             "\"script\": {\"active\": 0, \"position\": 0}"})
    EXPECT_NE(json.find(member), std::string::npos) << member << "\n" << json;
  EXPECT_STREQ(battleSlotName(ActionWaitOverlay), "ActionWaitOverlay");
  EXPECT_EQ(battleSlotName(NoOverlay), nullptr);
  resetBattle();
  EXPECT_EQ(battleStateJson(), "null");
  EXPECT_FALSE(battleRunning());
}

}  // namespace
