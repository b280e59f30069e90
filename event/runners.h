// The command sets of the script runners and the topic lists their tables are made of.
//
// Every runner shares one "f" table. Its handlers come in topic lists (messages and choices,
// actors, camera and light, party/flags/money, sound and music, scene flow, the field, the
// battle); adding a command is one handler in its topic file and one entry in that file's list.
// The sets are put together where every topic is known (field/command_tables.cpp), because the
// field's and the battle's handlers live above this folder.
#pragma once
#include <span>

#include "event/script.h"

// The shared "f" table: a number without a handler is the debugging dump.
const CommandTable& functionCommands();
// The sets of the runners.
const ScriptCommands& actorRunnerCommands();
const ScriptCommands& eventRunnerCommands();

// Topic lists of "f" handlers defined in this folder.
std::span<const CommandEntry> messageCommands();
std::span<const CommandEntry> flowCommands();
std::span<const CommandEntry> partyCommands();
std::span<const CommandEntry> soundCommands();
std::span<const CommandEntry> cameraCommands();
std::span<const CommandEntry> battleCommands();
// Actor "o" commands that need nothing of the field (o0, o1, o2).
std::span<const CommandEntry> actorScriptCommands();

// The debugging dump that every unknown "f" number runs.
void dumpCommand(const ScriptCall& call);

// The event script's "|": run-enabled := 0 and the frame's step ends.
void waitForFadeIn(const ScriptCall& call);
