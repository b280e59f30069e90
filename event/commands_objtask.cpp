// Function command f46: object tasks are loaded, started and freed from any script.
#include <string>

#include "event/object_task.h"

namespace {

// f46: V0 = 0 loads the script S into slot V4 (refused with "f46:ouch" while the slot is
// active); 1 makes the slot active and runs it once at once; 2 makes it active; 3 frees it.
// A slot outside 0 … 15 changes nothing.
void objectTask(const ScriptCall& call) {
  const int slot = call.script.v[4];
  switch (call.script.v[0]) {
    case 0: loadObjectTask(slot, std::string(call.script.str())); break;
    case 1: runObjectTask(slot); break;
    case 2: activateObjectTask(slot); break;
    case 3: freeObjectTask(slot); break;
    default: break;
  }
}

constexpr CommandEntry kCommands[] = {{46, objectTask}};

}  // namespace

std::span<const CommandEntry> objectTaskFunctionCommands() {
  return kCommands;
}
