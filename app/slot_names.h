// The scene catalogue: the names of the functions that can stand in the scene and overlay slots,
// joined from the tables of the folders that define them. The state dump shows slots by name.
#pragma once
#include <string_view>

#include "core/frame.h"

// The function's name, or "unknown".
const char* slotFunctionName(SlotFunction function);
// The function of that name, or null.
SlotFunction slotFunctionByName(std::string_view name);
