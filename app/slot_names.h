// Names of the functions that can stand in the scene and overlay slots, for state dumps.
#pragma once
#include "core/frame.h"

// The function's name, or "unknown".
const char* slotFunctionName(SlotFunction function);
