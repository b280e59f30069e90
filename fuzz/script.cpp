// Runs script text from the input for a few frames with a runner that uses every family: "f6;"
// waits a frame, "f0;" stops, other "f" numbers above 90 dump the variables, "o0;" ends the
// script, "w22;" includes a small text in place of itself, "b" numbers rewind or move the
// position, "|" ends the frame and "!" ends the task.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "event/script.h"
#include "platform/system.h"

namespace {

void fCommand(const ScriptCall& c) {
  Script& s = c.script;
  const int number = c.number, start = c.start;
  if (number == 6) {
    s.waitHere(start);
  } else if (number == 0) {
    s.continueFlag = 0;
    s.active = 0;
  } else if (number > 90) {
    s.dumpVariables();
  }
}

void oCommand(const ScriptCall& c) {
  Script& s = c.script;
  const int number = c.number;
  if (number == 0) s.Free();
  if (number == 1) s.v[3] = 2;
}

void bCommand(const ScriptCall& c) {
  Script& s = c.script;
  const int number = c.number;
  if (number == 0) s.Rewind();
  if (number == 1) s.setPosition(s.v[0]);
  if (number == 2) s.FindLabelForward(s.str());
}

void wCommand(const ScriptCall& c) {
  if (c.number == 22) c.script.includeText("@:i// c0 0,1,+ c2 0,<,5, c4 i//1 ", 4);
}

void barMark(const ScriptCall& c) { c.script.continueFlag = 0; }

const CommandTable kF({}, fCommand), kO({}, oCommand), kB({}, bCommand), kW({}, wCommand);
const ScriptCommands kCommands{&kF, &kO, &kB, &kW, barMark, endScriptStep};

void check(const Script& s) {
  if (s.position() < 0 || s.position() > s.length()) std::abort();
  if (s.str().size() > static_cast<size_t>(kScriptStringLimit)) std::abort();
  if (s.hasText() && s.size() != s.length() + 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool silenced = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)silenced;
  Script script;
  script.commands = &kCommands;
  // A small budget keeps every input fast; the loop bound itself is the same at any budget.
  script.stepBudget = 1024;
  script.setText(std::string_view(reinterpret_cast<const char*>(data), size));
  check(script);
  for (int frame = 0; frame < 6 && script.hasText(); ++frame) {
    script.Step();
    check(script);
  }
  return 0;
}
