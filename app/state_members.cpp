#include "app/state_members.h"

#include "app/slot_names.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/random.h"
#include "core/state_json.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/object_task.h"
#include "event/game_state.h"
#include "field/field.h"
#include "field/menu.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "battle/battle_state.h"
#include "battle/victory.h"

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

std::string soundStateJson() {
  const std::vector<int>& played = soundsPlayedThisFrame();
  return "{\"played\": " + state_json::intArray(played.data(), static_cast<int>(played.size())) + "}";
}
std::string musicStateJson() {
  return "{\"playing\": " + state_json::gameText(musicPlaying()) + "}";
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
    {"event", eventStateJson},
    {"field", fieldStateJson},
    {"game", gameStateJson},
    {"actors", actorsStateJson},
    {"characters", charactersStateJson},
    {"sound", soundStateJson},
    {"music", musicStateJson},
    {"menu", menuStateJson},
    {"object_tasks", objectTasksStateJson},
    {"battle", battleStateJson},
    {"result", resultStateJson},
};

}  // namespace

std::span<const StateMember> gameStateMembers() {
  return kStateMembers;
}
