// Function commands of the field: followers, camera, map, sky, encounters and the scripted
// battle start (f9, f19, f24, f30, f31, f32, f43, f45, f51, f57).
#include <algorithm>
#include <string>

#include "battle/sky.h"
#include "battle/transitions.h"
#include "core/keyboard.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "field/commands.h"
#include "field/field.h"
#include "gfx/camera.h"

namespace {

constexpr float kDegree = 0.017453277f;
constexpr int kMaxEncounterEntries = 256;

// f9: V0 = 0 makes actors 1 and 2 the followers.
void followers(const ScriptCall& call) {
  if (call.script.v[0] != 0) return;
  const int32_t defaults[kFollowerSlots] = {1, 2, 0, 0};
  std::copy(std::begin(defaults), std::end(defaults), gField.followers);
}

// f19: a battle with formation V0; the script ends and input stays off until the battle is
// over.
void startBattle(const ScriptCall& call) {
  gGame.formation = call.script.v[0];
  startEncounter();
  call.script.continueFlag = 0;
  call.script.active = 0;
  gInputEnabled = 0;
}

// f24: the field camera: orbit angle V0 degrees, distance V1, height V2 above the leader.
void fieldCamera(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  gCamera.angle = static_cast<float>(v[0]) * kDegree;
  gCamera.distance = static_cast<float>(v[1]);
  gField.cameraHeight = static_cast<float>(v[2]);
}

// f30: the camera follow step.
void follow(const ScriptCall&) {
  cameraFollow();
}

// f31: the map S.
void loadMap(const ScriptCall& call) {
  LoadMap(std::string(call.script.str()), true);
}

// f32: a scene change (as f12) that also restarts the encounter counter.
void changeSceneAndRestartEncounters(const ScriptCall& call) {
  startSceneChange(call.script);
  gField.encounter.counter = 0;
}

// f43: the followers' trail starts at the actors' places.
void trailReset(const ScriptCall&) {
  resetTrail();
}

// f45: the sky box S.
void sky(const ScriptCall& call) {
  loadSky(std::string(call.script.str()));
}

// f51: the followers placed along the trail once.
void placeOnTrail(const ScriptCall&) {
  placeFollowers();
}

// f57: the encounter table: 0 threshold := V1; 1 V1 empty entries; 2 entry V1 := formation V2
// with weight V3; 3 step counter := V1.
void encounterTable(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  EncounterTable& table = gField.encounter;
  switch (v[0]) {
    case 0: table.threshold = v[1]; break;
    case 1: table.entries.assign(static_cast<size_t>(std::clamp(v[1], 0, kMaxEncounterEntries)), EncounterEntry{}); break;
    case 2:
      if (v[1] >= 0 && static_cast<size_t>(v[1]) < table.entries.size())
        table.entries[static_cast<size_t>(v[1])] = {v[2], v[3]};
      break;
    case 3: table.counter = v[1]; break;
    default: break;
  }
}

constexpr CommandEntry kCommands[] = {
    {9, followers},     {19, startBattle}, {24, fieldCamera},  {30, follow},         {31, loadMap},
    {32, changeSceneAndRestartEncounters}, {43, trailReset},   {45, sky},            {51, placeOnTrail},
    {57, encounterTable},
};

}  // namespace

std::span<const CommandEntry> fieldCommands() {
  return kCommands;
}
