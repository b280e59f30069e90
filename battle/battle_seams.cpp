// Stand-ins for the seams of battle_seams.h, until the menus, the status display, the popups,
// the object tasks and the victory are built.
#include "battle/battle_seams.h"

#include "battle/transitions.h"

void openCommandMenu(Battle&, int) {}

void drawTargetCursor(Battle&) {}

void drawStatusDisplay(Battle&) {}

void drawPopups(Battle&) {}

void stepBattleObjectTasks() {}
