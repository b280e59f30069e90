// Function commands of script and scene flow (f3, f12, f13, f16, f17, f18, f22, f25, f33, f34,
// f50), the actor commands o0, o1 and o2, the event script's "|" and the debugging dump.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/capture.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "data/database.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/runners.h"
#include "event/scene_hooks.h"

void (*gSceneDrawing)() = nullptr;

namespace {

bool isNullName(std::string_view name) {
  constexpr std::string_view kNull = "NULL";
  if (name.size() != kNull.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != kNull[i]) return false;
  return true;
}

std::string cut(std::string_view text) {
  return std::string(text.substr(0, std::min<size_t>(text.size(), kActorNameLimit)));
}

// f3: the event ends and the player may move again.
void endEvent(const ScriptCall& call) {
  call.script.continueFlag = 0;
  call.script.active = 0;
  gInputEnabled = 1;
}

// f12: changes the scene to the scene script named S behind a fade.
void changeScene(const ScriptCall& call) {
  startSceneChange(call.script);
}

// f13: input-enabled flag := V0.
void setInput(const ScriptCall& call) {
  gInputEnabled = call.script.v[0];
}

// f16: actor V4 runs the actor script S at once, or with "NULL" (any case) stops and hides.
void actorScript(const ScriptCall& call) {
  const int i = call.script.v[4];
  Actor* actor = actorAt(i);
  if (!actor) return;
  const std::string name(call.script.str());
  if (isNullName(name)) {
    actor->scriptName.clear();
    actor->runner.script.Free();
    if (CHARA* chara = actorChara(i)) chara->alpha = 0.0f;
    return;
  }
  actor->scriptName = cut(name);
  if (CHARA* chara = actorChara(i)) chara->alpha = 1.0f;
  startActorScript(i, name);
}

// f17: every actor script's active flag as it was when the last conversation began.
void restoreActiveFlags(const ScriptCall&) {
  restoreConversation(-1);
}

// f18: the actor array anew with V0 actors.
void makeActors(const ScriptCall& call) {
  setUpActors(std::clamp(call.script.v[0], 0, kMaxActors));
}

// f22: as f18, with the conversation buffers anew.
void makeActorsAndBuffers(const ScriptCall& call) {
  makeActors(call);
  resetConversationBuffers();
}

// f25: the party members' actor scripts in actors 0 … 2.
void partyScripts(const ScriptCall&) {
  for (int slot = 0; slot < kPartySlots; ++slot) {
    const int member = gGame.party[slot];
    Actor* actor = actorAt(slot);
    CHARA* chara = actorChara(slot);
    if (!actor || !chara) continue;
    if (member == 0) {
      chara->release();
      continue;
    }
    if (member < 0 || static_cast<size_t>(member) >= gCharacters.size()) continue;
    const SchrRecord& record = gCharacters[static_cast<size_t>(member)];
    const std::string name(record.scriptName, strnlen(record.scriptName, sizeof record.scriptName));
    actor->scriptName = cut(name);
    startActorScript(slot, name);
    if (CHARA* loaded = actorChara(slot)) loaded->present = 0;
  }
}

// f33: the scene's 3D drawing, once.
void drawSceneOnce(const ScriptCall&) {
  if (gSceneDrawing) gSceneDrawing();
}

// f34: the transition overlays' counter restarts; V0 = 0 starts the cross-fade.
void startOverlay(const ScriptCall& call) {
  call.script.continueFlag = 0;
  gStepCounter = 0;
  if (call.script.v[0] == 0) gOverlay2 = CrossFadeOverlay;
}

// f50: actor script V3 moves to the label S (its active flag stays).
void actorToLabel(const ScriptCall& call) {
  Actor* actor = actorAt(call.script.v[3]);
  if (!actor) return;
  const std::string label(call.script.str());
  actor->runner.script.Rewind();
  actor->runner.script.FindLabelForward(label);
}

constexpr CommandEntry kCommands[] = {
    {3, endEvent},         {12, changeScene},        {13, setInput},      {16, actorScript},
    {17, restoreActiveFlags}, {18, makeActors},      {22, makeActorsAndBuffers}, {25, partyScripts},
    {33, drawSceneOnce},   {34, startOverlay},       {50, actorToLabel},
};

// o0: the actor script ends and its text is freed.
void endActorScript(const ScriptCall& call) {
  call.script.active = 0;
  call.script.continueFlag = 0;
  call.script.Free();
}

// o1: V3 := the script's own actor number.
void ownActorNumber(const ScriptCall& call) {
  call.script.v[3] = call.runner.owner;
}

// o2: the conversation ends: the script goes back to where it stood and the other scripts get
// their active flags back.
void endConversation(const ScriptCall& call) {
  call.script.active = 1;
  gTalkingActor = 0;
  if (const Actor* actor = actorAt(call.runner.owner); actor && call.runner.kind == RunnerKind::Actor)
    call.script.setPosition(actor->runner.savedPosition);
  restoreConversation(call.runner.kind == RunnerKind::Actor ? call.runner.owner : -1);
}

constexpr CommandEntry kActorCommands[] = {
    {0, endActorScript},
    {1, ownActorNumber},
    {2, endConversation},
};

}  // namespace

std::span<const CommandEntry> flowCommands() {
  return kCommands;
}

std::span<const CommandEntry> actorScriptCommands() {
  return kActorCommands;
}

void dumpCommand(const ScriptCall& call) {
  call.script.dumpVariables();
}

void waitForFadeIn(const ScriptCall& call) {
  gEvent.runEnabled = 0;
  call.script.continueFlag = 0;
}
