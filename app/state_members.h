// The members of the replay's state dump after the frame number, in their order.
#pragma once
#include <span>

#include "core/state_dump.h"

std::span<const StateMember> gameStateMembers();
