#include "event/event_script.h"

#include <algorithm>
#include <cstdio>

#include "core/frame.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "event/runners.h"
#include "core/state_json.h"

EventScript gEvent;

void resetEventScript() {
  gEvent = EventScript{};
  gEvent.script.commands = &eventRunnerCommands();
  gEvent.script.runner = {RunnerKind::Event, 0};
}

void loadSceneScript(std::string_view name) {
  gEvent.script.commands = &eventRunnerCommands();
  gEvent.script.runner = {RunnerKind::Event, 0};
  gEvent.script.Load(kScriptDirScene, name);
  gEvent.sceneName = std::string(name.substr(0, name.find('\0')));
}

int sceneFadeAlpha(int frame) {
  const int alpha = frame <= 31 ? frame * 8 : (kSceneFadeFrames - frame) * 8;
  return std::clamp(alpha, 0, 255);
}

void stepEventScript() {
  Script& script = gEvent.script;
  script.continueFlag = 1;
  if (gEvent.transition) {
    const int frame = ++gEvent.transitionFrame;
    drawFadeQuad(static_cast<uint32_t>(sceneFadeAlpha(frame)) << 24);
    if (frame == kSceneFadeFrames / 2) {
      loadSceneScript(std::string(script.str()));
      gEvent.runEnabled = 1;
    }
    if (frame >= kSceneFadeFrames) {
      gEvent.transition = 0;
      gEvent.runEnabled = 1;
    }
    if (!gEvent.runEnabled) return;
  }
  script.run();
}

void startSceneChange(Script& script) {
  gInputEnabled = 0;
  gEvent.transitionFrame = 0;
  gEvent.transition = 1;
  gEvent.runEnabled = 0;
  script.continueFlag = 0;
}

void triggerPlaceEvent(int n) {
  char label[32];
  std::snprintf(label, sizeof label, "%d", n);
  gEvent.script.Rewind();
  gEvent.script.FindLabelForward(sjis("場") + label);
  gEvent.script.active = 1;
}

std::string eventStateJson() {
  const Script& script = gEvent.script;
  state_json::Object json;
  json.add("loaded", script.hasText() ? 1 : 0);
  json.add("active", script.active);
  json.add("position", script.position());
  json.add("v", state_json::intArray(script.v, kScriptVariableCount));
  json.add("str", state_json::gameText(script.str()));
  json.add("transition", gEvent.transition);
  json.add("transition_frame", gEvent.transitionFrame);
  json.add("run_enabled", gEvent.runEnabled);
  return json.text();
}
