// The parts of the battle that later work fills in, called by the battle at the places named
// here. Until then each has a stand-in (battle_seams.cpp) that does what is noted; whoever builds
// the real one replaces that file's definition.
//
//   openCommandMenu    the turn of a party member (ActorTurnOverlay): the command menu opens on
//                      a page; the menus then set the actor's chosen action and target and
//                      action ready, or load GUARD, CHANGE or ESCAPE themselves. Stand-in:
//                      nothing opens, the battle waits.
//   drawTargetCursor   BattleScene step 6, while the command menu is shown. Stand-in: nothing.
//   drawStatusDisplay  BattleScene step 10, before the help label and the battle message: the
//                      status rows, their header, the unfolded menus, the MP-cost box and the
//                      target tags. Stand-in: nothing.
//   drawPopups         BattleScene step 10, after the battle message. Stand-in: nothing.
//   stepBattleObjectTasks  BattleScene step 7, after the action scripts (alpha test on): the
//                      object tasks' per-frame step. Stand-in: nothing.
//   VictoryOverlay     the battle phase after "勝". Stand-in: once no party action script runs
//                      and nobody walks, the battle is left through BattleEndFade.
// The "w" commands beyond w0 and w12 join the action scripts' table (battle/command_tables.cpp).
#pragma once
#include "battle/battle.h"

void openCommandMenu(Battle& battle, int page);
void drawTargetCursor(Battle& battle);
void drawStatusDisplay(Battle& battle);
void drawPopups(Battle& battle);
void stepBattleObjectTasks();
void VictoryOverlay();
