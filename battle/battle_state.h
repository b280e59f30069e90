// The battle's part of the state dump, the names of its slot functions, and its reset.
#pragma once
#include <span>
#include <string>

#include "core/frame.h"

// "null" outside a battle; inside, one object: the turn, the phase (its function's name), the
// help label, the nine slots, the battle script and the view script.
std::string battleStateJson();
// The name of a battle scene or phase function; null for any other function.
const char* battleSlotName(SlotFunction function);
// The slot functions of the battle's flow (its scene and phases).
std::span<const SlotName> battleFlowSlotNames();
// Ends a battle that is running (the quit path and the tests): its links are taken back and the
// battle is destroyed; the field's actors it kept are dropped with it.
void resetBattle();
