#include "app/state_members.h"

#include "app/slot_names.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/random.h"
#include "core/state_json.h"
#include "event/choice.h"
#include "event/message_window.h"

namespace {

// The slots by name from the scene catalogue.
std::string sceneJson() {
  return state_json::quoted(slotFunctionName(gScene));
}
std::string overlay1Json() {
  return state_json::quoted(slotFunctionName(gOverlay1));
}
std::string overlay2Json() {
  return state_json::quoted(slotFunctionName(gOverlay2));
}

const StateMember kStateMembers[] = {
    {"scene", sceneJson},
    {"overlay1", overlay1Json},
    {"overlay2", overlay2Json},
    {"fade_colour", fadeColourJson},
    {"fade_speed", fadeSpeedJson},
    {"step_counter", stepCounterJson},
    {"keys", keySlotsJson},
    {"key_gate", keyGateJson},
    {"input_enabled", inputEnabledJson},
    {"message", messageStateJson},
    {"choice", choiceStateJson},
    {"random_state", randomStateJson},
};

}  // namespace

std::span<const StateMember> gameStateMembers() {
  return kStateMembers;
}
