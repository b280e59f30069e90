// The field's one scene script: the script that marked places of the map jump into, and the
// one that changes scenes behind a fade.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "event/script.h"

constexpr int kSceneFadeFrames = 64;  // out for 31 frames, load at 32, in until 64

struct EventScript {
  Script script;
  int32_t transition = 0;       // 1 while a scene change runs
  int32_t transitionFrame = 0;  // frames of the scene change so far
  int32_t runEnabled = 0;       // 0: "|" and a running fade-in hold the script
  std::string sceneName;        // the loaded scene script's name
};
extern EventScript gEvent;

// Makes the event script empty (no text, no transition) with its runner set.
void resetEventScript();
// Loads scene script name from "ev\" as the current scene (boot and scene changes).
void loadSceneScript(std::string_view name);
// One frame: the scene change's fade and load, then the script when it may run.
void stepEventScript();
// Starts a scene change to the scene script named name (f12, f32): input off, the script
// stops for this frame.
void startSceneChange(Script& script);
// The field trigger of place n: rewind, search "場<n>" forward, active.
void triggerPlaceEvent(int n);
// The fade alpha of frame k of a scene change: k × 8 up to 31, then (64 − k) × 8, in 0 … 255.
int sceneFadeAlpha(int frame);

// The "event" member of the state dump.
std::string eventStateJson();
