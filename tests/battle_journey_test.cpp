// A journey on the demo game: boot into the field, meet the six-enemy group through the encounter
// effect, and follow the battle frame by frame through its opening, the walk-in and the battle
// script's "始" to the first turn. Pictures of the opening and of the battle ground go to
// build/previews.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/boot.h"
#include "app/main_loop.h"
#include "app/game_state.h"
#include "app/quit.h"
#include "app/slot_names.h"
#include "audio/sound.h"
#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_scenes.h"
#include "battle/battle_state.h"
#include "battle/transitions.h"
#include "battle/victory.h"
#include "core/message_box.h"
#include "data/database.h"
#include "battle_game_fixture.h"
#include "battle_support.h"
#include "core/capture.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "event/actors.h"
#include "event/game_state.h"
#include "event/event_script.h"
#include "event/message_window.h"
#include "field/field.h"
#include "game_fixture.h"
#include "platform/png.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;

class BattleJourney : public BattleGameTest {
 protected:
  BattleJourney() : BattleGameTest("journey", {"Enem", "EV", "Mat", "wz"}) {}
  void prepareData() override {
    data.lend("Enem");
    data.lend("EV");
    // The action scripts of the demo's enemies and of the party's first tk entry, each ending the
    // action at once.
    for (const char* name : {"tk0", "tk3", "tk5", "tk6", "tk7", "wz5", "wz8", "wz9", "wz10", "mg3", "mg4"})
      data.write(std::string("wz/") + name + ".zd", "w12; w0;");
  }
};

TEST_F(BattleJourney, FromTheFieldThroughTheOpeningToTheFirstTurn) {
  ASSERT_EQ(gScene, FieldScene);
  for (int i = 0; i < 3; ++i) runOneFrame();
  const int fieldActors = actorCount();
  const VECTOR leaderAt = actorChara(0)->position;

  gGame.formation = 3;  // six enemies
  gGame.battleStage = 90;
  startEncounter();
  EXPECT_EQ(gOverlay1, EncounterEffect);
  ASSERT_GT(runUntil([] { return gScene == BattleEntryScene; }, 80), 60);
  runOneFrame();
  ASSERT_EQ(gScene, BattleScene);
  ASSERT_NE(gBattle, nullptr);
  Battle& battle = *gBattle;
  EXPECT_EQ(gOverlay1, BattleIntroOverlay);
  EXPECT_EQ(gOverlay2, ZoomBlurOverlay);
  for (int s = 0; s < kBattleSlots; ++s) EXPECT_EQ(battle.present[s], 1) << s;
  EXPECT_EQ(std::string(slotFunctionName(gOverlay1)), "BattleIntroOverlay");

  // The opening: from black, the party fading in and walking to its homes.
  for (int i = 0; i < 12; ++i) runOneFrame();
  picture("battle_opening.png");
  EXPECT_GT(slotChara(0)->alpha, 0.05f);
  EXPECT_LT(slotChara(0)->alpha, 1.0f);

  const int opening = runUntil([] { return gOverlay1 != BattleIntroOverlay; }, 200);
  ASSERT_GT(opening, 0);
  EXPECT_EQ(gOverlay1, BattleMessageWait);
  EXPECT_EQ(gOverlay2, NoOverlay);
  EXPECT_EQ(battle.ready, 1);
  for (int k = 0; k < kPartySlotCount; ++k) {
    EXPECT_EQ(battle.entering[k], 0) << k;
    EXPECT_FLOAT_EQ(slotChara(k)->alpha, 1.0f);
    EXPECT_FLOAT_EQ(slotChara(k)->position.x, static_cast<float>(640 * k - 640));
    EXPECT_FLOAT_EQ(slotChara(k)->position.z, 740.0f + 384.0f * battle.backRow[k]);
    EXPECT_EQ(slotChara(k)->getAnim(), kActStance);
  }

  // The battle script at "始", then the gauges until somebody's turn.
  ASSERT_GE(runUntil([] { return gOverlay1 == ActionWaitOverlay; }, 400), 0);
  EXPECT_TRUE(isBattleSlot(battle.actor));
  const std::string state = battleStateJson();
  EXPECT_NE(state.find("\"phase\": \"ActionWaitOverlay\""), std::string::npos) << state;
  EXPECT_NE(state.find("\"actor\": " + std::to_string(battle.actor)), std::string::npos);

  // Turns go on: the enemies decide for themselves, the party's choices are made here as the
  // menus would make them (the first enemy present, with the first tk entry).
  int turns = 0;
  for (int frame = 0; frame < 160; ++frame) {
    if (gOverlay1 == ActionWaitOverlay && isPartySlot(battle.actor) && !battle.actionReady) {
      battle.chosen[battle.actor] = actionCode(kActionTk, 0);
      battle.target[battle.actor] = checkTarget(battle, kFirstEnemySlot);
      battle.actionReady = 1;
    }
    if (gOverlay1 == ActorTurnOverlay) ++turns;
    runOneFrame();
  }
  EXPECT_GT(turns, 1);
  EXPECT_EQ(battle.continues, 1);
  picture("battle_ground.png");

  // Leaving as an escape leaves: the field gets its actors, their places and its fog back.
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
  ASSERT_GT(runUntil([] { return gScene == FieldScene; }, 80), 60);
  EXPECT_EQ(gBattle, nullptr);
  EXPECT_EQ(gOverlay1, BattleReturnFlash);
  EXPECT_EQ(actorCount(), fieldActors);
  EXPECT_EQ(actorChara(0)->position.x, leaderAt.x);
  EXPECT_EQ(actorChara(0)->position.z, leaderAt.z);
  EXPECT_GT(actorChara(0)->vertexCount(), 0);
  EXPECT_EQ(battleStateJson(), "null");
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

TEST_F(BattleJourney, TheOldWindSpiritSpeaksBeforeTheFightAndWaitsForShift) {
  for (int i = 0; i < 3; ++i) runOneFrame();
  gGame.formation = 6;
  gGame.battleStage = 90;
  gInputEnabled = 0;  // as f19 leaves it
  startEncounter();
  ASSERT_GT(runUntil([] { return gScene == BattleScene; }, 80), 60);
  ASSERT_NE(gBattle, nullptr);
  EXPECT_EQ(gBattle->escapeAllowed, 0);
  EXPECT_EQ(gBattle->present[3], 1);
  EXPECT_EQ(gBattle->present[4], 0);
  ASSERT_GE(runUntil([] { return messageHasText() && messageAllShown() && messageOpen(); }, 400), 0);
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);
  EXPECT_EQ(gInputEnabled, 1) << "the script lets the player answer";
  for (int i = 0; i < 5; ++i) runOneFrame();
  picture("battle_boss_words.png");
  EXPECT_EQ(gOverlay1, BattleMessageOverlay);

  // Shift held until the words are gone: the key repeat gate lets it through after 86 ms.
  plat::InjectKeyEvent({plat::VK_SHIFT, true});
  EXPECT_GE(runUntil([] { return !messageHasText(); }, 30), 3);
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  EXPECT_GE(runUntil([] { return gOverlay1 != BattleMessageOverlay; }, 30), 0);
  EXPECT_EQ(gOverlay1, TurnGaugeOverlay);
  plat::Message message;
  while (plat::PeekMessage(message)) {
  }
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

// The boss falls: its "勝" hands over to the victory, the result screen counts the boss's 2000
// EXP (one level up for everybody: 1152 from level 3) and 500 money with Shift held, and the
// ending follows on the shrine map with the bell back on its stand and "おわり".
TEST_F(BattleJourney, TheOldWindSpiritFallsAndTheEndingFollows) {
  for (const char* name : {"win", "win0"}) data.write(std::string("wz/") + name + ".zd", "w0; #");
  for (int i = 0; i < 3; ++i) runOneFrame();
  gGame.formation = 6;
  gGame.battleStage = 90;
  gInputEnabled = 0;
  startEncounter();
  ASSERT_GE(runUntil([] { return messageHasText() && messageAllShown() && messageOpen(); }, 600), 0);
  plat::InjectKeyEvent({plat::VK_SHIFT, true});
  runUntil([] { return !messageHasText(); }, 30);
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  ASSERT_GE(runUntil([] { return gOverlay1 == TurnGaugeOverlay; }, 30), 0);
  const int32_t money = gGame.money;
  const int level = gCharacters[1].baseAttributes[ATTR_LEVEL];
  ASSERT_EQ(level, 3);
  const int32_t maxHp = gCharacters[1].maxHp, maxMp = gCharacters[1].maxMp;

  gBattle->present[3] = 0;
  gBattle->defeated[3] = 1;
  battleEndCheck(*gBattle, 0);
  ASSERT_GT(runUntil([] { return gScene == BattleResultScene; }, 400), 150);
  EXPECT_EQ(gBattle->sceneAfter, "ending");
  EXPECT_EQ(gBattle->rewards.remainingExp, 2000);
  plat::InjectKeyEvent({plat::VK_SHIFT, true});
  ASSERT_GE(runUntil([] { return gStepCounter == kResultDoneCount; }, 200), 0);
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  for (int i = 0; i < 4; ++i) runOneFrame();
  picture("result_boss_level_up.png");
  EXPECT_GT(gBattle->rewards.levelTimer[0], 0);
  EXPECT_EQ(gCharacters[1].baseAttributes[ATTR_LEVEL], 4);
  EXPECT_EQ(gCharacterTables[1].expToNext, 2048 - (2000 - 1152));
  EXPECT_EQ(gGame.money, money + 500);
  // ナギ at level 4: vitality 13 gives trunc(1.02 * 13 + 4) = 17 HP, intellect 7 one MP.
  EXPECT_EQ(gCharacters[1].maxHp, maxHp + 17);
  EXPECT_EQ(gCharacters[1].maxMp, maxMp + 1);
  EXPECT_EQ(gCharacters[1].baseAttributes[ATTR_VITALITY], 13);

  plat::InjectKeyEvent({plat::VK_SHIFT, true});
  ASSERT_GE(runUntil([] { return gScene == FieldScene; }, 200), 0);
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  // Every message of the ending confirmed until the last words stay.
  const std::string last = sjis("おわり");
  int frames = 0;
  for (; frames < 1200 && gMessage.text.find(last) == std::string::npos; ++frames) {
    if (frames % 24 == 0) plat::InjectKeyEvent({plat::VK_SHIFT, frames % 48 == 0});
    runOneFrame();
  }
  plat::InjectKeyEvent({plat::VK_SHIFT, false});
  ASSERT_LT(frames, 1200) << gField.mapName << " " << slotFunctionName(gScene) << " " << slotFunctionName(gOverlay1)
                          << " input " << gInputEnabled << " text " << gMessage.text << " event " << gEvent.script.active;
  for (int i = 0; i < 60; ++i) runOneFrame();
  picture("ending.png");
  EXPECT_EQ(gField.mapName, "yashiro");
  EXPECT_TRUE(eventFlag(10));
  EXPECT_EQ(gInputEnabled, 0);
  plat::Message message;
  while (plat::PeekMessage(message)) {
  }
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

// A lost battle: "全滅した", then the party wakes in the village (the "kazami" scene) with its HP
// and MP full.
TEST_F(BattleJourney, ALostBattleWakesThePartyInTheVillageHealed) {
  for (int i = 0; i < 3; ++i) runOneFrame();
  gGame.formation = 0;
  gGame.battleStage = 90;
  startEncounter();
  ASSERT_GE(runUntil([] { return gOverlay1 == TurnGaugeOverlay; }, 600), 0);
  for (int k = 0; k < kPartySlotCount; ++k) {
    gBattle->present[k] = 0;
    fighter::hp(slotRecord(*gBattle, k)) = 0;
    gCharacters[static_cast<size_t>(gGame.party[k])].hp = 0;
  }
  battleEndCheck(*gBattle, 3);
  ASSERT_GT(runUntil([] { return gBattle == nullptr; }, 400), 150);
  ASSERT_GE(runUntil([] { return gEvent.sceneName == "kazami" && gEvent.transition == 0; }, 200), 0);
  EXPECT_EQ(gField.mapName, "kazami");
  for (int k = 0; k < kPartySlotCount; ++k) {
    const SchrRecord& r = gCharacters[static_cast<size_t>(gGame.party[k])];
    EXPECT_GT(r.hp, 0);
    EXPECT_EQ(r.hp, r.maxHp);
    EXPECT_EQ(r.effectiveHp, r.effectiveMaxHp);
  }
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

}  // namespace
