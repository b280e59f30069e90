// The parts of the battle that its flow calls at fixed places, built beside it:
//
//   openCommandMenu    the turn of a party member (ActorTurnOverlay): the command menu opens on
//                      a page; the menus then set the actor's chosen action, target and action
//                      ready, or load GUARD, CHANGE or ESCAPE themselves (battle_menus.cpp).
//   drawTargetCursor   BattleScene step 6, while the command menu is shown (battle_hud.cpp).
//   drawStatusDisplay  BattleScene step 10, before the help label and the battle message: the
//                      status rows, their header, the unfolded menus, the MP-cost box and the
//                      target tags (battle_hud.cpp).
//   drawPopups         BattleScene step 10, after the battle message (battle_hud.cpp).
//   stepBattleObjectTasks  BattleScene step 7, after the action scripts (alpha test on): the
//                      object tasks' per-frame step (battle_hud.cpp).
//   VictoryOverlay     the battle phase after "勝" (victory.cpp).
// The "w" commands join the action scripts' table (battle/command_tables.cpp).
#pragma once
#include "battle/battle.h"

void openCommandMenu(Battle& battle, int page);
void drawTargetCursor(Battle& battle);
void drawStatusDisplay(Battle& battle);
void drawPopups(Battle& battle);
void stepBattleObjectTasks();
void VictoryOverlay();
