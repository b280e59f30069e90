// A demo battle fought to its end with the demo's own action scripts: the party attacks, casts a
// technique on every enemy, heals with an item and guards (chosen here as the menus choose
// them), the enemies act by themselves; HP, MP, popups and the rolling shown values follow the
// rules until the end check reaches "勝".
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/boot.h"
#include "app/game_state.h"
#include "app/main_loop.h"
#include "audio/sound.h"
#include "battle/action_rules.h"
#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_menus.h"
#include "battle/battle_scenes.h"
#include "battle/battle_seams.h"
#include "battle/battle_state.h"
#include "battle/transitions.h"
#include "battle_game_fixture.h"
#include "battle_support.h"
#include "core/frame.h"
#include "core/random.h"
#include "event/game_state.h"
#include "field/field.h"
#include "game_fixture.h"
#include "platform/png.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;

class BattleFight : public BattleGameTest {
 protected:
  BattleFight() : BattleGameTest("fight", {"Mat"}) {}
};

TEST_F(BattleFight, TheDemoPartyFightsThreeEnemiesToTheEnd) {
  for (int i = 0; i < 3; ++i) runOneFrame();
  seedRandom(21);
  gGame.formation = 2;  // three enemies
  gGame.battleStage = 90;
  startEncounter();
  ASSERT_GT(runUntil([] { return gScene == BattleScene; }, 80), 60);
  ASSERT_NE(gBattle, nullptr);
  Battle& battle = *gBattle;
  // The party's choices, turn by turn: an attack (first tk entry), a technique on every enemy,
  // the healing herb of item slot 2, GUARD; then attacks.
  int partyTurns = 0, popupsSeen = 0, enemyHits = 0;
  bool sawEvadedOrNumber = false;
  int32_t mpBefore = -1;
  for (int frame = 0; frame < 6000 && battle.continues; ++frame) {
    if (gOverlay1 == ActionWaitOverlay && isPartySlot(battle.actor) && !battle.actionReady) {
      const int a = battle.actor;
      const int enemy = checkTarget(battle, kFirstEnemySlot);
      switch (partyTurns++) {
        case 0: battle.chosen[a] = actionCode(kActionTk, 0); battle.target[a] = enemy; break;
        case 1:
          mpBefore = slotRecord(battle, a).effectiveMp;
          battle.chosen[a] = actionCode(kActionTechnique, a == 1 ? 9 : a == 2 ? 8 : 9);
          battle.allTarget = 1;
          battle.target[a] = enemy;
          break;
        case 2: battle.chosen[a] = actionCode(kActionItem, 2); battle.target[a] = a; break;
        case 3:
          battle.actionScripts[a].script.Load("wz", "GUARD");
          battle.actionScripts[a].script.active = 1;
          battle.guard[a] = 1;
          battle.target[a] = a;
          gOverlay1 = NoOverlay;
          battle.actor = -1;
          break;
        default: battle.chosen[a] = actionCode(kActionTk, 0); battle.target[a] = enemy; break;
      }
      if (partyTurns != 4) battle.actionReady = 1;
      for (LISTWIN& m : battle.menus) m.openAmount = 0;
      battle.menuSlide = 0;
      battle.menuFunction = NoOverlay;
    }
    for (const Popup& p : battle.popups)
      if (p.timer == kPopupFrames - 1) {
        ++popupsSeen;
        sawEvadedOrNumber = true;
      }
    for (int s = 0; s < kPartySlotCount; ++s)
      if (battle.hitFlags[s] & HIT_RESULT && battle.result[s] < 0) ++enemyHits;
    runOneFrame();
  }
  EXPECT_EQ(battle.continues, 0) << "the battle was decided";
  EXPECT_EQ(battle.present[3] + battle.present[4] + battle.present[5], 0) << "every enemy fell";
  EXPECT_EQ(battle.defeated[3] + battle.defeated[4] + battle.defeated[5], 3);
  EXPECT_GE(partyTurns, 4);
  EXPECT_GT(popupsSeen, 2);
  EXPECT_TRUE(sawEvadedOrNumber);
  EXPECT_GE(mpBefore, 0);
  // The shown values settle on the real ones.
  runUntil([&] { return battle.shownHpStep[0] == 0 && battle.shownHpStep[1] == 0 && battle.shownHpStep[2] == 0; }, 120);
  for (int s = 0; s < kPartySlotCount; ++s) {
    EXPECT_EQ(battle.shownHp[s], slotRecord(battle, s).effectiveHp) << s;
    EXPECT_EQ(battle.shownMp[s], slotRecord(battle, s).effectiveMp) << s;
  }
  const std::string state = battleStateJson();
  EXPECT_NE(state.find("\"shown_hp\""), std::string::npos);
  picture("battle_fight_end.png");
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

TEST_F(BattleFight, TheMenusTagsAndPopupsInPictures) {
  for (int i = 0; i < 3; ++i) runOneFrame();
  seedRandom(21);
  gGame.formation = 2;
  gGame.battleStage = 90;
  startEncounter();
  ASSERT_GT(runUntil([] { return gScene == BattleScene; }, 80), 60);
  Battle& battle = *gBattle;
  ASSERT_GE(runUntil([&] { return gOverlay1 == ActionWaitOverlay && isPartySlot(battle.actor); }, 1500), 0);
  runUntil([&] { return battle.menus[kCommandMenu].openAmount == kListFullyOpen; }, 20);
  runOneFrame();
  EXPECT_EQ(battle.menuFunction, CommandMenuFunction);
  EXPECT_FALSE(battle.help.text.empty());
  picture("battle_command_menu.png");
  const int a = battle.actor;
  SchrRecord& r = slotRecord(battle, a);
  // The techniques: the sub-menu with its MP-cost box.
  battle.chosen[a] = actionCode(kActionTechnique, 0);
  ASSERT_TRUE(openSubMenu(battle, kTechniqueCommand));
  runUntil([&] { return battle.menuSlide == 0; }, 20);
  runOneFrame();
  picture("battle_sub_menu.png");
  // The target menu on the enemies with their tags.
  battle.chosen[a] = actionCode(kActionTechnique, battle.menus[kSubMenu].cursorValue());
  battle.targetSide = 1;
  openTargetMenu(battle);
  runUntil([&] { return battle.menuSlide == 0; }, 20);
  runOneFrame();
  const std::string state = battleStateJson();
  EXPECT_NE(state.find("\"menu\": {\"active\": 2"), std::string::npos) << state;
  picture("battle_target_tags.png");
  // A critical hit on the first enemy: the number and the critical word.
  for (LISTWIN& m : battle.menus) m.openAmount = 0;
  battle.menuFunction = NoOverlay;
  battle.hitFlags[3] = HIT_CRITICAL;
  runDamage(battle, a, 3, kDamageFixed, 12, -1);
  applyResults(battle);
  EXPECT_EQ(battle.result[3], -18);
  for (int i = 0; i < 6; ++i) runOneFrame();
  EXPECT_NE(battleStateJson().find("\"kind\": -2"), std::string::npos);
  picture("battle_critical_popup.png");
  (void)r;
  for (const std::string& m : messages) ADD_FAILURE() << m;
}

}  // namespace
