// The battle's script runners: the battle script ("EV\BTL\be%d"), the view script
// ("EV\VIEW\View%d", run by the event script's rules) and the action scripts ("wz"), one per
// slot. Each is a Script with its runner context (kind Battle, View or Action; owner the slot)
// and a command set; their handlers reach the battle through gBattle and the owner, never by
// casting the script.
//
// Battle script commands ("b", then a number, then ";"):
//   b0;  stop: continue and active := 0
//   b1;  the battle phase := the script's next function
//   b2;  V0 = 0 the view script stops; V0 = 1 it goes to its label "RC1" and runs
//   b3;  the help label shows "全滅した" for 4096 ms
// and, so that a story can carry on after a lost battle or lead out of a won one:
//   b4;  the battle is left as an escape leaves it (BattleEndFade)
//   b5;  every party member recovers: HP and MP of its record := their maxima
//   b6;  once the battle has been left, the field changes to the scene script named S
// Action script commands: w0 (the action ends) and w12 (the end check); the action issue adds
// the others to the "w" table.
#pragma once
#include <span>
#include <string>

#include "event/script.h"

// The labels the battle runs its battle script at.
std::string beginLabel();    // "始"
std::string turnLabel();     // "回"
std::string wonLabel();      // "勝"
std::string lostLabel();     // "負"

// Command sets of the three runners.
const ScriptCommands& battleRunnerCommands();
const ScriptCommands& viewRunnerCommands();
const ScriptCommands& actionRunnerCommands();

// Topic lists of their tables.
std::span<const CommandEntry> battleScriptCommands();  // b0 … b6
std::span<const CommandEntry> actionFlowCommands();    // w0, w12
std::span<const CommandEntry> actionScriptCommands();  // the other "w" commands (action_commands.cpp)

// The view script's "|": the frame's step ends.
void endViewStep(const ScriptCall& call);
