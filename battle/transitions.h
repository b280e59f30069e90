// The timed transition overlays between the field and the battle. They share the frame loop's
// step counter; whoever installs one sets the counter first.
#pragma once
#include <span>

#include "core/frame.h"

#include "event/game_state.h"

// Starts an encounter: the rest of this frame renders into capture target 0, the encounter
// sound plays and `EncounterEffect` takes overlay 1.
void startEncounter();
// Overlay 1: breaks the captured frame apart over 64 frames, then enters the battle.
void EncounterEffect();
// Overlay 1 after a battle: a black flash that thins out over 31 frames (counter set to 32).
void BattleReturnFlash();
// Overlay 1 at a battle's end: the screen darkens over 63 frames, then the battle is left.
void BattleEndFade();


// The slot functions of battle/: the transitions and the one-frame battle scenes.
std::span<const SlotName> battleSlotNames();
