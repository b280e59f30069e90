// The battle menus: the command menu (two pages of four commands), the sub-menu (items,
// techniques or tk entries) and the target menu, each a LISTWIN the battle slides open and
// closed itself, with the key rules of the menu functions; and the texts they put into the help
// label.
#pragma once
#include <string>
#include <vector>

#include "battle/battle.h"

constexpr int kGuardCommand = 0;
constexpr int kChangeCommand = 1;
constexpr int kItemCommand = 2;
constexpr int kTechniqueCommand = 5;
constexpr int kEscapeCommand = 7;
constexpr int kRefusalSound = 3;
constexpr int kMenuSlide = 2;
constexpr int kMenuKeyPause = -48;

enum BattleMenu : int { kCommandMenu = 0, kSubMenu = 1, kTargetMenu = 2 };

// The menu functions (the battle's input step calls the active one).
void CommandMenuFunction();
void SubMenuFunction();
void TargetMenuFunction();

// The entries of the sub-menu of command k for slot s: (text, value) in list order.
struct MenuEntry {
  std::string text;
  int value;
};
std::vector<MenuEntry> subMenuEntries(Battle& battle, int slot, int command);
// Opens the sub-menu of command k; false (sound 3, the command menu stays) when it is empty.
bool openSubMenu(Battle& battle, int command);
// Builds and opens the target menu on battle.targetSide.
void openTargetMenu(Battle& battle);
// One frame of the menu slide of every unfolded list.
void slideMenus(Battle& battle);
// The help text of the current selection.
void updateMenuHelp(Battle& battle);
// The MP cost the sub-menu shows for a technique or tk entry value of slot s.
int shownMpCost(Battle& battle, int slot, int value);
