// Filling a new battle: the party from its records, the enemies of the group the field chose
// (gGame.formation) with their files, formation and scripts, and the battle map of gGame.battleStage.
#pragma once
#include <cstdint>
#include <string>

#include "battle/battle.h"

constexpr float kPartyHomeZ = 740.0f;
constexpr float kBackRowDepth = 384.0f;
constexpr float kWalkInStartZ = 1440.0f;
constexpr float kWalkInSpacing = 200.0f;
constexpr int kEnemyAnimationStagger = 24;  // frames between the stances of a group's enemies

// The whole set-up, in its order: the slots emptied, the enemy records made, the party, its
// homes, the group (enemies, formation, scripts) and the battle map with its fog.
void setUpBattle(Battle& battle);

// The parts of the set-up.
void setUpParty(Battle& battle);
// Reads enemy file number into enemy slot s ("Failed to Loading Enemy's datas!" when missing).
void loadEnemy(Battle& battle, int slot, int number);
// Reads group g: its enemies into slots 3 …, the rest absent; then the formation, the escape
// flag and the two scripts ("Failed to Loading group datas!" when the file is missing: then
// every enemy slot is absent).
void loadGroup(Battle& battle, int64_t group);
// Puts enemy slots 3 … 8 at the homes of formation f ("Failed to Loading formation datas!").
void loadFormation(Battle& battle, int64_t formation);
// Loads "mat\btl<n>.mp" and sets the fog from its header ("MakeMat::Load Error!").
void loadBattleMap(Battle& battle, int stage);

// The frame at which the stance of the i-th enemy of a group starts, for a stance of the
// given length, so that the enemies of one group do not move in step.
int staggeredFrame(int i, int length);
// The homes of the party: x = 320 - 320 m + 640 k for m members, z = 740 + 384 back row.
VECTOR partyHome(int k, int members, int backRow);
