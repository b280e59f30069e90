// Topic lists of the field's script commands (see event/runners.h).
#pragma once
#include <span>

#include "event/script.h"

// "f" commands of the actors.
std::span<const CommandEntry> actorCommands();
// "f" commands of the field, its camera, map, sky and encounters.
std::span<const CommandEntry> fieldCommands();
// The actor command o3 (walk one step).
std::span<const CommandEntry> actorWalkCommands();
