#include "event/actors.h"

#include <memory>

#include "event/runners.h"
#include "core/state_json.h"

std::vector<Actor> gActors;
int gTalkingActor = 0;
std::vector<int32_t> gSavedActiveFlags;

namespace {

constexpr const char* kSpokenLabel = "SPOKEN";

std::vector<std::vector<Actor>> gRetiredActors;
std::vector<std::vector<std::unique_ptr<CHARA>>> gRetiredCharas;

void freeRetiredActors() {
  gRetiredActors.clear();
  gRetiredCharas.clear();
}

void stepTimedTurn(Actor& actor, CHARA& chara) {
  if (actor.turnFrames <= 0) return;
  chara.rotation.y += actor.turnStep;
  --actor.turnFrames;
}

}  // namespace

void setUpActors(int count) {
  // A script of the old array may be the one running this set-up (f18 in an actor script): the
  // old actors stay alive, stopped, until the next frame's step. A script that makes the array
  // anew over and over within one frame would keep every old array alive, 256 characters each,
  // until memory runs out: past kMostSetUpsAFrame set-ups the array stays as it is.
  if (gRetiredActors.size() >= kMostSetUpsAFrame) return;
  for (Actor& actor : gActors) actor.runner.script.continueFlag = 0;
  // Moving the vectors keeps their elements where they are.
  gRetiredActors.push_back(std::move(gActors));
  gRetiredCharas.push_back(std::move(gCharas));
  gActors.clear();
  gCharas.clear();
  if (count <= 0) return;
  gActors.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto chara = std::make_unique<CHARA>();
    chara->position = {};
    chara->alpha = 0.0f;
    gCharas.push_back(std::move(chara));
    ActorScript& runner = gActors[static_cast<size_t>(i)].runner;
    runner.actorNumber = i;
    runner.script.commands = &actorRunnerCommands();
    runner.script.runner = {RunnerKind::Actor, i};
  }
}

int actorCount() {
  return static_cast<int>(gActors.size());
}

Actor* actorAt(int i) {
  if (i < 0 || i >= actorCount()) return nullptr;
  return &gActors[static_cast<size_t>(i)];
}

CHARA* actorChara(int i) {
  return actorAt(i) ? charaAt(i) : nullptr;
}

bool actorHasModel(int i) {
  const CHARA* chara = actorChara(i);
  return chara && chara->vertexCount() > 0;
}

void stepActors() {
  freeRetiredActors();
  // A script may make the array anew (f18, f22): the count and the entries are read afresh.
  for (int i = 0; i < actorCount(); ++i) {
    Script& script = gActors[static_cast<size_t>(i)].runner.script;
    if (script.active) script.Step();
    if (Actor* actor = actorAt(i)) {
      if (CHARA* chara = actorChara(i)) stepTimedTurn(*actor, *chara);
    }
  }
}

void startActorScript(int i, std::string_view name) {
  Actor* actor = actorAt(i);
  if (!actor) return;
  Script& script = actor->runner.script;
  script.Load(kScriptDirActor, name);
  script.active = 1;
  script.Step();
}

bool enterSpoken(int i) {
  Actor* actor = actorAt(i);
  if (!actor || !actor->runner.script.hasText()) return false;
  ActorScript& runner = actor->runner;
  runner.savedPosition = runner.script.position();
  runner.script.FindLabelForward(kSpokenLabel);
  runner.script.active = 1;
  runner.script.Step();
  return true;
}

void saveConversation(int talker) {
  gSavedActiveFlags.resize(gActors.size(), 0);
  for (int i = 0; i < actorCount(); ++i) {
    Script& script = gActors[static_cast<size_t>(i)].runner.script;
    gSavedActiveFlags[static_cast<size_t>(i)] = script.active;
    if (i != talker) script.active = 0;
  }
}

void restoreConversation(int except) {
  const size_t n = std::min(gSavedActiveFlags.size(), gActors.size());
  for (size_t i = 0; i < n; ++i)
    if (static_cast<int>(i) != except) gActors[i].runner.script.active = gSavedActiveFlags[i];
}

void resetConversationBuffers() {
  gSavedActiveFlags.assign(gActors.size(), 0);
}

void resetActors() {
  freeRetiredActors();
  setUpActors(0);
  freeRetiredActors();
  gTalkingActor = 0;
  gSavedActiveFlags.clear();
}

std::string actorsStateJson() {
  std::string json = "[";
  for (int i = 0; i < actorCount(); ++i) {
    const Actor& actor = gActors[static_cast<size_t>(i)];
    const CHARA& chara = *gCharas[static_cast<size_t>(i)];
    const Script& script = actor.runner.script;
    state_json::Object o;
    o.add("x", chara.position.x);
    o.add("y", chara.position.y);
    o.add("z", chara.position.z);
    o.add("heading", chara.rotation.y);
    o.add("alpha", chara.alpha);
    o.add("anim", chara.getAnim());
    o.add("talkable", chara.present);
    o.add("script", state_json::gameText(actor.scriptName));
    o.add("active", script.active);
    o.add("position", script.position());
    o.add("v", state_json::intArray(script.v, kScriptVariableCount));
    json += (i ? ", " : "") + o.text();
  }
  return json + "]";
}
