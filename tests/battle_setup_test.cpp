// Setting up a battle from files: the party from its records, the enemies of a group with their
// formation and scripts, the battle map and its fog, the messages of missing or damaged files, and
// the pose rule on the demo's figures.
#include "battle/battle_setup.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_scenes.h"
#include "battle/battle_state.h"
#include "battle/transitions.h"
#include "core/keyboard.h"
#include "battle_support.h"
#include "event/actors.h"
#include "event/battle_link.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "field/field.h"
#include "gfx/camera.h"
#include "recording_device.h"

namespace {

// An enemy file of the demo's wolf figure with the given action table, right-hand weapon and turn
// direction.
std::string enemyFile(const std::string& name, int speed, const std::string& table = "2{\r\n70:3_5\r\n30:3_6\r\n}\r\n",
                      int weapon = 0, int turn = 0) {
  return name + "\r\n60,0\r\n2,12," + std::to_string(speed) + ",8,3,4,10,10,\r\nOOKAMI\r\n" + std::to_string(weapon) +
         ",0\r\n0," + std::to_string(turn) + "\r\n" +
         "10,10,10,10,10,10,10,10,\r\n50,50,50,50,50,50,50,50,\r\n1.0,\r\n1:0\r\n12,8,2,\r\n" + table;
}

class BattleSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The test device makes no textures: the texture paths that models name are not counted.
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) {
      if (!text.ends_with(".zgr")) messages.push_back(text);
    });
    gDevice = &device;
    data.write("Enem/e0.zd", enemyFile("Wolf", 14));
    data.write("Enem/e1.zd", enemyFile("Short", 9, "3{\r\n50:3_5\r\n}\r\n"));
    data.write("Enem/e2.zd", enemyFile("Club", 11, "1{\r\n1:3_3\r\n}\r\n", 20, 1));
    data.write("Enem/Group.zd",
               "6:0,0,0,0,0,0,;0_0_0_0\r\n2:0,0,;0_1_0_0\r\n7:0,0,0,0,0,2,1,;0_0_0_0\r\n1:9,;5_0_0_0\r\n");
    data.write("Enem/Form.zd", "-500,-300;0,-360;500,-300;-720,-780;0,-840;720,-780;\r\n");
    data.write("EV/BTL/be0.zd", "@:始// b1; b0; #");
    data.write("EV/VIEW/View0.zd", "c0 0,7,= f0; # @:RC1// c0 0,1,= f0; #", true);
    data.write("Mat/btl5.mp", battle_test::testMap("0;\nff102030;\n1500;\n6500;\n"));
    resetGameProgress();
    gCharacters.assign(4, SchrRecord{});
    const char* scripts[4] = {"", "NAGI", "SUZU", "TOBI"};
    for (int m = 1; m < 4; ++m) {
      SchrRecord& r = gCharacters[static_cast<size_t>(m)];
      std::snprintf(r.scriptName, sizeof r.scriptName, "%s", scripts[m]);
      r.maxHp = r.hp = r.effectiveMaxHp = r.effectiveHp = 100;
      r.baseAttributes[ATTR_SPEED] = 10;
      r.items[0] = static_cast<int16_t>(3 + m);  // weapons "wea4", "wea5", "wea6"
      r.equipped[0] = 0;
    }
    gGame.battleStage = 5;
    setUpActors(kBattleSlots);
  }
  void TearDown() override {
    resetBattle();
    resetActors();
    gCharacters.clear();
    gDevice = nullptr;
    plat::SetMessageBoxHandler(nullptr);
  }

  Battle& setUp(int group, std::vector<int> party) {
    for (int k = 0; k < 3; ++k) gGame.party[k] = party[static_cast<size_t>(k)];
    gGame.formation = group;
    Battle& battle = makeBattle();
    setUpBattle(battle);
    return battle;
  }
  int count(const std::string& message) const {
    int n = 0;
    for (const std::string& m : messages) n += m == message ? 1 : 0;
    return n;
  }

  battle_test::DataDir data{"setup"};
  recording::RecordingDevice device;
  std::vector<std::string> messages;
};

TEST_F(BattleSetupTest, ASixEnemyGroupFillsSlotsThreeToEightAtTheirFormation) {
  Battle& battle = setUp(0, {1, 2, 3});
  EXPECT_TRUE(messages.empty()) << messages.front();
  const float xs[6] = {-500, 0, 500, -720, 0, 720};
  for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) {
    CHARA& chara = *slotChara(s);
    EXPECT_EQ(battle.present[s], 1) << s;
    EXPECT_STREQ(slotRecord(battle, s).name, "Wolf");
    EXPECT_GT(chara.vertexCount(), 0);
    EXPECT_EQ(chara.alpha, 1.0f);
    EXPECT_EQ(chara.position.x, xs[s - 3]);
    EXPECT_EQ(battle.home[s].x, xs[s - 3]);
    EXPECT_EQ(chara.rotation.y, kTwoPi);
    EXPECT_EQ(chara.getAnim(), kActStance);
    // The stances start 24 frames apart, folded into the stance's length.
    EXPECT_EQ(chara.getFrame(), staggeredFrame(s - 3, chara.getAnimLength())) << s;
    // Full, without items: the weapons are models only.
    EXPECT_EQ(fighter::hp(slotRecord(battle, s)), 60);
    EXPECT_EQ(slotRecord(battle, s).items[0], kNoItem);
    EXPECT_EQ(battle.actionCount[s], 2);
  }
  EXPECT_EQ(battle.escapeAllowed, 1);
  EXPECT_EQ(battle.view.script.v[0], 7) << "the view script ran once at once";
  EXPECT_FALSE(battle.view.script.active) << "and stopped itself";
  EXPECT_EQ(device.renderStates[plat::D3DRS_FOGCOLOR], 0xFF102030u);
  EXPECT_EQ(std::bit_cast<float>(device.renderStates[plat::D3DRS_FOGEND]), 6500.0f);
}

TEST_F(BattleSetupTest, StaggeredStancesFoldIntoTheirLength) {
  EXPECT_EQ(staggeredFrame(0, 40), 0);
  EXPECT_EQ(staggeredFrame(1, 40), 24);
  EXPECT_EQ(staggeredFrame(2, 40), 24);   // 48 is past 40: 48 - 24
  EXPECT_EQ(staggeredFrame(5, 40), 24);   // 120 - 24 * 4
  EXPECT_EQ(staggeredFrame(1, 10), 0);
  EXPECT_EQ(staggeredFrame(3, -1), 0);    // no stance at all
}

TEST_F(BattleSetupTest, AGroupOfTwoLeavesTheOtherEnemySlotsAbsentAndInvisible) {
  Battle& battle = setUp(1, {1, 0, 0});
  for (int s = 3; s < 5; ++s) EXPECT_EQ(battle.present[s], 1);
  for (int s = 5; s < kBattleSlots; ++s) {
    EXPECT_EQ(battle.present[s], 0) << s;
    EXPECT_EQ(slotChara(s)->alpha, 0.0f);
  }
  EXPECT_EQ(battle.escapeAllowed, 0);
}

TEST_F(BattleSetupTest, TwoMembersWalkInToHomesAtMinusAndPlus320) {
  Battle& battle = setUp(0, {1, 3, 0});
  EXPECT_EQ(battle.home[0].x, -320.0f);
  EXPECT_EQ(battle.home[1].x, 320.0f);
  EXPECT_EQ(battle.home[0].z, 740.0f);
  EXPECT_EQ(battle.present[2], 0);
  EXPECT_EQ(battle.record[2]->effectiveMaxHp, 0) << "an empty slot shows nothing";
  for (int k = 0; k < 2; ++k) {
    const CHARA& chara = *slotChara(k);
    EXPECT_EQ(battle.present[k], 1);
    EXPECT_EQ(battle.entering[k], 1);
    EXPECT_EQ(battle.homeHeading[k], kPi);
    EXPECT_EQ(chara.getAnim(), kActWalk);
    EXPECT_FLOAT_EQ(chara.alpha, 0.05f);
    EXPECT_EQ(chara.position.x, 0.0f);
    EXPECT_EQ(chara.position.z, 1440.0f + 200.0f * static_cast<float>(k));
    EXPECT_NE(chara.weaponModel(), nullptr) << "the weapon in the right hand";
  }
  EXPECT_NEAR(slotChara(0)->rotation.y, kPi + 30.0f * 0.0174532775f, 1e-5f);
  EXPECT_FLOAT_EQ(slotChara(1)->rotation.y, kPi);
  EXPECT_EQ(battle.record[0], &gCharacters[1]) << "the party's own record";

  // A member in the back row stands 384 further back.
  gCharacters[3].backRow = 1;
  Battle& again = setUp(0, {1, 0, 3});
  EXPECT_EQ(again.home[2].x, 960.0f);
  EXPECT_EQ(again.home[2].z, 1124.0f);
}

TEST_F(BattleSetupTest, ADownMemberLiesAtItsHomeAndTakesNoPart) {
  gCharacters[2].effectiveHp = 0;
  Battle& battle = setUp(0, {1, 2, 3});
  const CHARA& down = *slotChara(1);
  EXPECT_EQ(battle.present[1], 0);
  EXPECT_EQ(battle.entering[1], 0);
  EXPECT_EQ(down.position.x, battle.home[1].x);
  EXPECT_EQ(down.position.z, battle.home[1].z);
  EXPECT_EQ(down.rotation.y, kPi);
  EXPECT_EQ(down.getAnim(), kActDown);
  EXPECT_TRUE(down.playFlags & kPlayHold);
  EXPECT_EQ(down.getFrame(), down.getAnimLength());
}

TEST_F(BattleSetupTest, AnEnemyFileEndingEarlyShowsItsMessageOncePerMissingEntry) {
  data.write("Enem/Group.zd", "1:1,;0_0_0_0\r\n");
  Battle& battle = setUp(0, {1, 0, 0});
  EXPECT_EQ(count("EnemyLoad:技数が不正なのさ"), 2);
  EXPECT_EQ(battle.actionCount[3], 3);
  EXPECT_STREQ(slotRecord(battle, 3).name, "Short");
}

TEST_F(BattleSetupTest, MoreThanSixEnemiesAreCutToSixAndAMissingEnemyKeepsAnEmptySlot) {
  Battle& battle = setUp(2, {1, 0, 0});
  EXPECT_STREQ(slotRecord(battle, 8).name, "Club") << "the sixth; the seventh has no slot";
  // The club is a model in the goblin's hand, not an item; the turn direction flag is read.
  EXPECT_NE(slotChara(8)->weaponModel(), nullptr);
  EXPECT_EQ(slotRecord(battle, 8).items[0], kNoItem);
  EXPECT_EQ(slotRecord(battle, 8).turnDirection, 1);
  for (const uint8_t index : slotRecord(battle, 8).equipped) EXPECT_EQ(index, 0);

  messages.clear();
  Battle& missing = setUp(3, {1, 0, 0});
  EXPECT_EQ(count("Failed to Loading Enemy's datas!"), 1);
  EXPECT_EQ(missing.present[3], 1);
  EXPECT_EQ(slotChara(3)->vertexCount(), 0);
  EXPECT_EQ(fighter::maxHp(slotRecord(missing, 3)), 0);
}

TEST_F(BattleSetupTest, MissingFilesShowTheirMessagesAndLeaveNoEnemyStanding) {
  std::filesystem::remove(data.root() / "Enem/Form.zd");
  std::filesystem::remove(data.root() / "Mat/btl5.mp");
  Battle& noForm = setUp(0, {1, 0, 0});
  EXPECT_EQ(count("Failed to Loading formation datas!"), 1);
  EXPECT_EQ(count("MakeMat::Load Error!"), 1);
  EXPECT_EQ(noForm.present[3], 1);

  messages.clear();
  std::filesystem::remove(data.root() / "Enem/Group.zd");
  Battle& noGroup = setUp(0, {1, 0, 0});
  EXPECT_EQ(count("Failed to Loading group datas!"), 1);
  for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) EXPECT_EQ(noGroup.present[s], 0) << s;
  EXPECT_FALSE(noGroup.battleScript.script.hasText());
  // Without a battle script the battle goes on at each label by itself.
  runBattleScriptAt(noGroup, "x", TurnGaugeOverlay);
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  gOverlay1 = NoOverlay;
}

TEST_F(BattleSetupTest, ThePoseRuleFitsTheStanceToTheFightersState) {
  Battle& battle = setUp(0, {1, 2, 0});
  CHARA& member = *slotChara(0);
  SchrRecord& record = gCharacters[1];
  // Weak (below an eighth of the maximum): kneels, then stays weak.
  record.effectiveHp = 11;
  applyPoseRule(battle, 0);
  EXPECT_EQ(member.getAnim(), kActKneel);
  EXPECT_EQ(member.queue[0], static_cast<uint32_t>(kActWeak) | kQueuedAction);
  member.setAnm(kActWeak);
  applyPoseRule(battle, 0);
  EXPECT_EQ(member.getAnim(), kActWeak);
  // Healed again: stands up (the kneel backwards from near its end), then the stance.
  record.effectiveHp = 12;
  applyPoseRule(battle, 0);
  EXPECT_EQ(member.getAnim(), kActKneel);
  EXPECT_EQ(member.playDirection, -1);
  EXPECT_EQ(member.getFrame(), member.getAnimLength() - 4);
  EXPECT_EQ(member.queue[0], static_cast<uint32_t>(kActStance) | kQueuedAction);
  // A weak enemy keeps its stance; a fallen fighter lies down and holds it.
  slotRecord(battle, 3).effectiveHp = 1;
  applyPoseRule(battle, 3);
  EXPECT_EQ(slotChara(3)->getAnim(), kActStance);
  battle.present[3] = 0;
  slotChara(3)->setAnmClear(kActHurt);
  slotChara(3)->queueAnm(0, kActStance);  // a hit reaction's follow-up, from before the fall
  applyPoseRule(battle, 3);
  EXPECT_EQ(slotChara(3)->getAnim(), kActDown);
  EXPECT_TRUE(slotChara(3)->playFlags & kPlayHold);
  for (int i = 0; i < 200; ++i) slotChara(3)->step(16, 0);
  EXPECT_EQ(slotChara(3)->getAnim(), kActDown);
}

TEST_F(BattleSetupTest, AFieldOfTwoActorsLendsNineCharactersAndGetsItsOwnBack) {
  for (int k = 0; k < 3; ++k) gGame.party[k] = k == 0 ? 1 : 0;
  gGame.formation = 1;
  setUpActors(2);
  actorChara(1)->position = {120, 5, -40};
  actorChara(1)->rotation.y = 1.25f;
  actorChara(1)->alpha = 0.5f;
  actorChara(1)->headTurnFrames = 3;
  gCamera.angle = 0.75f;
  gInputEnabled = 1;
  CHARA* fieldCharacter = actorChara(1);

  BattleEntryScene();
  ASSERT_NE(gBattle, nullptr);
  EXPECT_EQ(actorCount(), kBattleSlots);
  EXPECT_EQ(gScene, BattleScene);
  EXPECT_EQ(gOverlay1, BattleIntroOverlay);
  EXPECT_EQ(gStepCounter, kOpeningFrames);
  EXPECT_TRUE(battleRunning());
  EXPECT_NE(charaAt(1), fieldCharacter);
  gInputEnabled = 0;
  gCamera.angle = 2.0f;
  gBattle->sceneAfter = "ST_after";

  BattleExitScene();
  EXPECT_EQ(gBattle, nullptr);
  EXPECT_FALSE(battleRunning());
  EXPECT_EQ(actorCount(), 2);
  EXPECT_EQ(actorChara(1), fieldCharacter);
  EXPECT_EQ(fieldCharacter->position.x, 120.0f);
  EXPECT_EQ(fieldCharacter->rotation.y, 1.25f);
  EXPECT_EQ(fieldCharacter->alpha, 0.5f);
  EXPECT_EQ(fieldCharacter->headTurnFrames, 0);
  EXPECT_EQ(gCamera.angle, 0.75f);
  EXPECT_EQ(gScene, FieldScene);
  EXPECT_EQ(gOverlay1, BattleReturnFlash);
  EXPECT_EQ(gStepCounter, 32);
  // The scene that the battle script named follows in the field, with input off until it ends.
  EXPECT_EQ(gEvent.transition, 1);
  EXPECT_EQ(gEvent.script.str(), "ST_after");
  EXPECT_EQ(gInputEnabled, 0);
  resetEventScript();
  gOverlay1 = NoOverlay;
  gScene = NoOverlay;
}

}  // namespace

namespace {

// Every group of the demo game sets up from the generated files without a message.
TEST(BattleDemoGroups, EveryGroupSetsUpWithoutAMessage) {
  battle_test::DataDir data("demo", {"Mat"});
  data.write("Mat/btl0.mp", battle_test::testMap());
  std::vector<std::string> messages;
  plat::SetMessageBoxHandler([&](const std::string& text, const std::string&) {
    if (!text.ends_with(".zgr")) messages.push_back(text);  // no device: no textures
  });
  resetGameProgress();
  gCharacters.assign(2, SchrRecord{});
  std::snprintf(gCharacters[1].scriptName, sizeof gCharacters[1].scriptName, "NAGI");
  gCharacters[1].effectiveHp = gCharacters[1].effectiveMaxHp = 50;
  gGame.party[0] = 1;
  setUpActors(kBattleSlots);
  const int enemies[8] = {1, 2, 3, 6, 3, 2, 1, 3};
  for (int group = 0; group < 8; ++group) {
    gGame.formation = group;
    Battle& battle = makeBattle();
    setUpBattle(battle);
    int present = 0;
    for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) {
      present += battle.present[s];
      if (battle.present[s]) {
        EXPECT_GT(fighter::maxHp(slotRecord(battle, s)), 0) << group;
        EXPECT_GT(battle.actionCount[s], 0) << group;
      }
    }
    EXPECT_EQ(present, enemies[group]) << group;
    EXPECT_EQ(battle.escapeAllowed, group == 6 ? 0 : 1) << group;
    EXPECT_TRUE(battle.battleScript.script.hasText()) << group;
    for (const std::string& m : messages) ADD_FAILURE() << group << ": " << m;
    messages.clear();
  }
  resetBattle();
  resetActors();
  gCharacters.clear();
  plat::SetMessageBoxHandler(nullptr);
}

}  // namespace
