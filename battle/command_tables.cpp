// The command sets of the battle's runners: the shared "f" table with the battle script's "b"
// commands, the view script's "|", and the action scripts' "w" commands (topic lists; the
// action commands of the next work join the "w" table here).
#include "battle/battle_scripts.h"
#include "event/runners.h"

const ScriptCommands& battleRunnerCommands() {
  static const CommandTable battle({battleScriptCommands()});
  static const ScriptCommands commands{&functionCommands(), nullptr, &battle, nullptr, nullptr, nullptr};
  return commands;
}

const ScriptCommands& viewRunnerCommands() {
  static const ScriptCommands commands{&functionCommands(), nullptr, nullptr, nullptr, endViewStep, nullptr};
  return commands;
}

const ScriptCommands& actionRunnerCommands() {
  static const CommandTable action({actionFlowCommands(), actionScriptCommands()});
  static const ScriptCommands commands{&functionCommands(), nullptr, nullptr, &action, nullptr, nullptr};
  return commands;
}
