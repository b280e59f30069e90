// The command sets of the field's runners, put together from every topic list.
#include "event/object_task.h"
#include "event/runners.h"
#include "field/commands.h"

const CommandTable& functionCommands() {
  static const CommandTable table({messageCommands(), flowCommands(), partyCommands(), soundCommands(),
                                   cameraCommands(), battleCommands(), actorCommands(), fieldCommands(),
                                   objectTaskFunctionCommands()},
                                  dumpCommand);
  return table;
}

const ScriptCommands& actorRunnerCommands() {
  static const CommandTable actor({actorScriptCommands(), actorWalkCommands()});
  static const ScriptCommands commands{&functionCommands(), &actor, nullptr, nullptr, nullptr, nullptr};
  return commands;
}

const ScriptCommands& eventRunnerCommands() {
  static const ScriptCommands commands{&functionCommands(), nullptr, nullptr, nullptr, waitForFadeIn, nullptr};
  return commands;
}
