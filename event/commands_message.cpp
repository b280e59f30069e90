// Function commands of the message and choice windows: f0, f1, f2, f4, f5, f6, f36.
#include "event/choice.h"
#include "event/message_window.h"
#include "event/runners.h"

namespace {

// f0: stop and wait until the field resumes the script (the player confirms a message).
void stopAndWait(const ScriptCall& call) {
  call.script.continueFlag = 0;
  call.script.active = 0;
}

// f1: adds S to the message window.
void addMessage(const ScriptCall& call) {
  messageAppend(call.script.str());
}

// f2: V0 = -2 reveal speed V1; V0 = -1 every option bit (the window closes); otherwise the
// background is shown when V1 != 0.
void messageOptions(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (v[0] == -2) {
    messageSetSpeed(v[1]);
  } else if (v[0] == -1) {
    messageSetAllOptions();
  } else {
    messageShowBox(v[1] != 0);
  }
}

// f4: closes the message window.
void closeMessage(const ScriptCall&) {
  messageClose();
}

// f5: builds and shows a choice (V0: 0 begin, 1 V2 empty entries, 2 add S with value V1,
// 3 show, 4 fit to V2 rows).
void choiceCommand(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  switch (v[0]) {
    case 0: choiceBegin(); break;
    case 1: choiceMake(v[2]); break;
    case 2: choiceAdd(call.script.str(), v[1]); break;
    case 3: choiceShow(); break;
    case 4: choiceFit(v[2]); break;
    default: break;
  }
}

// f6: waits until the message is fully shown (or the window closed).
void waitForMessage(const ScriptCall& call) {
  if (!messageWaitShown()) call.script.waitHere(call.start);
}

// f36: waits until the message window is closed.
void waitForClosedWindow(const ScriptCall& call) {
  if (!messageClosed()) call.script.waitHere(call.start);
}

constexpr CommandEntry kCommands[] = {
    {0, stopAndWait},  {1, addMessage},     {2, messageOptions},      {4, closeMessage},
    {5, choiceCommand}, {6, waitForMessage}, {36, waitForClosedWindow},
};

}  // namespace

std::span<const CommandEntry> messageCommands() {
  return kCommands;
}
