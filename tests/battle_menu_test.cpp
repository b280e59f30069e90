// The battle menus without a device: the command menu's pages and keys, the sub-menu's contents,
// the target menu's sides, the refusals, the slide and the help texts.
#include "battle/battle_menus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "battle/battle.h"
#include "battle/battle_scripts.h"
#include "battle/battle_seams.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "event/actors.h"
#include "event/game_state.h"
#include "platform/system.h"

namespace {

class BattleMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    setUpActors(kBattleSlots);
    gCharacters.assign(3, SchrRecord{});
    gCharacterTables.assign(3, CharacterTables{});
    gGame.party[0] = 1;
    gGame.party[1] = 2;
    gGame.party[2] = 0;
    const char* labels[] = {"防御", "隊列", "道具", "攻撃", "魔法", "技術", "集中", "逃げる"};
    const int flags[] = {0, 0, 3, 1, 0, 3, 0, 0};
    for (int k = 0; k < 8; ++k) gFirstCommands.push_back({sjis(labels[k]), sjis("help") + std::to_string(k), static_cast<int8_t>(flags[k])});
    gTechniques = {{sjis("斬撃"), "", 0}, {sjis("癒しの風"), "", 5 | kWazaForAllies}, {sjis("烈風"), "", 10 | kWazaWholeSide}};
    gItems.resize(2);
    gItems[0].name = sjis("薬草");
    gItems[1].name = sjis("霊水");
    battle = &makeBattle();
    for (int s = 0; s < kBattleSlots; ++s) {
      battle->present[s] = s != 5 && s != 2;
      if (isEnemySlot(s)) std::snprintf(slotRecord(*battle, s).name, kNameBytes, "wolf%d", s);
      battle->actionScripts[s].script.commands = &actionRunnerCommands();
      battle->actionScripts[s].script.runner = {RunnerKind::Action, s};
    }
    battle->record[0] = &gCharacters[1];
    battle->record[1] = &gCharacters[2];
    const uint8_t commands[] = {3, 5, 2, 4, 0};
    std::copy(std::begin(commands), std::end(commands), gCharacterTables[1].firstCommands);
    gCharacterTables[1].techniqueLevels = {100, 100, 40};
    battle->actor = 0;
  }
  void TearDown() override {
    destroyBattle();
    resetActors();
    gCharacters.clear();
    gCharacterTables.clear();
    gFirstCommands.clear();
    gTechniques.clear();
    gItems.clear();
    gGame.party[0] = gGame.party[1] = 0;
    for (int32_t& key : gKeySlots) key = KEY_UP;
    plat::SetMessageBoxHandler(nullptr);
  }
  // One press of a key taken by the active menu function.
  void press(KeySlot slot) {
    for (int32_t& key : gKeySlots) key = KEY_UP;
    gKeySlots[slot] = slot == SLOT_SHIFT || slot == SLOT_CTRL ? KEY_HELD : KEY_PRESSED;
    gKeyGate = 100;
    battle->menuFunction();
    gKeySlots[slot] = KEY_UP;
  }
  void settle() {
    for (int i = 0; i < 8; ++i) slideMenus(*battle);
  }
  int firstValue(int menu) const { return battle->menus[menu].entries[0].value; }

  Battle* battle = nullptr;
};

TEST_F(BattleMenuTest, TheCommandPagesAndTheirLeftAndRight) {
  openCommandMenu(*battle, 0);
  EXPECT_EQ(battle->menuSlide, 2);
  EXPECT_EQ(gInputEnabled, 0);
  settle();
  EXPECT_EQ(battle->menus[kCommandMenu].openAmount, kListFullyOpen);
  EXPECT_EQ(gInputEnabled, 1);
  EXPECT_EQ(battle->help.text, "help3");
  EXPECT_EQ(battle->help.halfWidth, 288);
  ASSERT_EQ(battle->menuTexts[kCommandMenu].size(), 4u);
  EXPECT_EQ(battle->menuTexts[kCommandMenu][0], sjis("攻撃"));
  press(SLOT_LEFT);
  EXPECT_EQ(firstValue(kCommandMenu), 3) << "Left on page 0 does nothing";
  press(SLOT_RIGHT);
  EXPECT_EQ(firstValue(kCommandMenu), 0);
  EXPECT_EQ(battle->menus[kCommandMenu].entries[3].value, 0) << "GUARD first and last";
  EXPECT_EQ(battle->menus[kCommandMenu].entries[2].value, 7);
  press(SLOT_RIGHT);
  EXPECT_EQ(firstValue(kCommandMenu), 0) << "Right on page 1 does nothing";
  press(SLOT_LEFT);
  EXPECT_EQ(firstValue(kCommandMenu), 3);
  // A member whose first command is 0 behaves as on page 1.
  gCharacterTables[1].firstCommands[0] = 0;
  openCommandMenu(*battle, 0);
  press(SLOT_RIGHT);
  EXPECT_EQ(battle->menus[kCommandMenu].entries[1].value, 5) << "still its own page 0";
}

TEST_F(BattleMenuTest, SubMenusListItemsLearnedTechniquesAndRefuseWhenEmpty) {
  SchrRecord& r = gCharacters[1];
  r.items[1] = 0;
  r.items[4] = 1;
  r.items[7] = 0;
  auto items = subMenuEntries(*battle, 0, kItemCommand);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].value, 4);
  r.items[4] = kNoItem;  // used up
  items = subMenuEntries(*battle, 0, kItemCommand);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].value, 1);
  EXPECT_EQ(items[1].value, 7);
  const auto techniques = subMenuEntries(*battle, 0, kTechniqueCommand);
  ASSERT_EQ(techniques.size(), 2u) << "technique 2 is not learned";
  EXPECT_EQ(techniques[1].text, sjis("癒しの風"));
  // The tk list is empty: the sub-menu does not open and the command menu stays.
  openCommandMenu(*battle, 0);
  settle();
  EXPECT_FALSE(openSubMenu(*battle, 3));
  EXPECT_EQ(battle->activeMenu, kCommandMenu);
  press(SLOT_SHIFT);  // the attack command opens the empty tk list
  EXPECT_EQ(battle->menuFunction, CommandMenuFunction);
}

TEST_F(BattleMenuTest, AnAllyTechniqueTargetsThePartyAndLeftRightSwitchSides) {
  openCommandMenu(*battle, 0);
  settle();
  press(SLOT_DOWN);
  EXPECT_EQ(battle->menus[kCommandMenu].cursorValue(), 5);
  press(SLOT_SHIFT);
  ASSERT_EQ(battle->menuFunction, SubMenuFunction);
  EXPECT_EQ(actionKindOf(battle->chosen[0]), kActionTechnique);
  EXPECT_EQ(shownMpCost(*battle, 0, 1), 5);
  settle();
  press(SLOT_RIGHT);
  press(SLOT_SHIFT);
  ASSERT_EQ(battle->menuFunction, TargetMenuFunction);
  EXPECT_EQ(battle->targetSide, 0);
  EXPECT_EQ(battle->allTarget, 0);
  EXPECT_EQ(battle->menus[kTargetMenu].cursorValue(), 0) << "the actor first";
  EXPECT_EQ(battle->menuTexts[kTargetMenu][2], "") << "an empty party entry";
  settle();
  // With the first enemy fallen, the enemy side starts on the one standing and the cursor
  // passes over the fallen and absent ones.
  battle->present[3] = 0;
  press(SLOT_LEFT);
  EXPECT_EQ(battle->targetSide, 1);
  EXPECT_EQ(battle->menus[kTargetMenu].count, 6);
  EXPECT_EQ(battle->menuTexts[kTargetMenu][0], "") << "a fallen enemy";
  EXPECT_EQ(battle->menuTexts[kTargetMenu][2], "") << "an absent enemy";
  EXPECT_EQ(battle->menus[kTargetMenu].cursorValue(), 4);
  press(SLOT_DOWN);
  press(SLOT_SHIFT);
  EXPECT_EQ(battle->actionReady, 1);
  EXPECT_EQ(battle->target[0], 6);  // past the absent slot 5
  EXPECT_EQ(battle->chosen[0], actionCode(kActionTechnique, 1));
  EXPECT_EQ(battle->menus[kSubMenu].openAmount, 0);
}

TEST_F(BattleMenuTest, AWholeSideTechniqueAndCancelsGoBackStepByStep) {
  gCharacterTables[1].techniqueLevels = {100, 100, 100};
  openCommandMenu(*battle, 0);
  settle();
  press(SLOT_DOWN);
  press(SLOT_SHIFT);
  settle();
  press(SLOT_DOWN);  // two columns: technique 2 below technique 0
  press(SLOT_SHIFT);
  EXPECT_EQ(battle->allTarget, 1);
  ASSERT_EQ(battle->menuTexts[kTargetMenu].size(), 1u);
  EXPECT_EQ(battle->menuTexts[kTargetMenu][0], sjis("敵全体"));
  settle();
  press(SLOT_RIGHT);
  EXPECT_EQ(battle->menuTexts[kTargetMenu][0], sjis("味方全員"));
  press(SLOT_CTRL);
  EXPECT_EQ(battle->chosen[0], actionCode(kActionTechnique, 0)) << "only the kind stays";
  settle();
  EXPECT_EQ(battle->menuFunction, SubMenuFunction);
  press(SLOT_CTRL);
  EXPECT_EQ(battle->chosen[0], 0);
  settle();
  EXPECT_EQ(battle->menuFunction, CommandMenuFunction);
}

TEST_F(BattleMenuTest, GuardAndAForbiddenEscape) {
  openCommandMenu(*battle, 1);
  settle();
  battle->escapeAllowed = 0;
  press(SLOT_DOWN);
  press(SLOT_DOWN);
  EXPECT_EQ(battle->menus[kCommandMenu].cursorValue(), 7);
  press(SLOT_SHIFT);
  EXPECT_EQ(battle->menuFunction, CommandMenuFunction) << "the menu stays";
  EXPECT_FALSE(battle->actionScripts[0].script.active);
  press(SLOT_UP);
  press(SLOT_UP);
  press(SLOT_SHIFT);
  EXPECT_EQ(battle->guard[0], 1);
  EXPECT_TRUE(battle->actionScripts[0].script.active);
  EXPECT_EQ(battle->target[0], 0);
  EXPECT_EQ(battle->menuSlide, -2);
  EXPECT_TRUE(battle->help.text.empty());
}

}  // namespace
