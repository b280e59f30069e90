// Function commands of the actors (f7, f8, f14, f15, f21, f26, f28, f35, f37, f38, f42, f48,
// f54) and the actor command o3. The actor number comes in V3 unless noted; a number outside
// the actor array changes nothing.
#include <cctype>
#include <cmath>
#include <string>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "event/actors.h"
#include "event/battle_link.h"
#include "field/commands.h"
#include "field/field.h"

namespace {

constexpr float kDegree = 0.017453277f;
constexpr float kHundredth = 0.01f;
constexpr float kFieldStep = 16.0f;  // f35 and f42 move in steps of 16 units

std::string weaponName(int item) {
  return "wea" + std::to_string(item);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// Selects the first animation slot whose name begins with prefix.
void selectAnimationByPrefix(CHARA& chara, std::string_view prefix) {
  for (int slot = 0; slot < kAnimSlots; ++slot) {
    if (chara.hasAnim(slot) && startsWithIgnoringCase(chara.getAnimName(slot), prefix)) {
      chara.setAnim(slot);
      return;
    }
  }
}

float changed(float current, int operation, int32_t value) {
  const float v = static_cast<float>(value);
  switch (operation) {
    case 0: return v;
    case 1: return current + v;
    case 2: return current * v;
    case 3: return value != 0 ? current / v : current;  // a division by 0 changes nothing
    case 4: return current * v * kHundredth;
    case 5: return current + v * kHundredth;
    case 6: return current + v * kDegree;
    default: return current;
  }
}

// The float that properties 0 … 9 name.
float* floatProperty(CHARA& chara, int property) {
  switch (property) {
    case 0: return &chara.position.x;
    case 1: return &chara.position.y;
    case 2: return &chara.position.z;
    case 3: return &chara.rotation.x;
    case 4: return &chara.rotation.y;
    case 5: return &chara.rotation.z;
    case 6: return &chara.scale.x;
    case 7: return &chara.scale.y;
    case 8: return &chara.scale.z;
    case 9: return &chara.alpha;
    default: return nullptr;
  }
}

// f7: changes property V0 of actor V3 (V1 operation, V2 value, V4 a further value).
void actorProperty(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  const int i = v[3];
  Actor* actor = actorAt(i);
  CHARA* chara = actorChara(i);
  if (!actor || !chara || !actorHasModel(i)) return;
  const int property = v[0];
  if (float* value = floatProperty(*chara, property)) {
    *value = changed(*value, v[1], v[2]);
    return;
  }
  switch (property) {
    case 10:
      chara->setAnmClear(v[1]);
      if (v[2] == 0) actor->values[1] |= 2;
      break;
    case 11:
    case 12: {
      int32_t& value = actor->values[property - 11];
      value = static_cast<int32_t>(changed(static_cast<float>(value), v[1], v[2]));
      break;
    }
    case 13: chara->colour = {v[1] / 255.0f, v[2] / 255.0f, v[4] / 255.0f}; break;
    case 14: groundQuery(chara->position, v[1]); break;
    case 15: chara->queueAnm(0, v[1]); break;
    case 16: chara->rotation.y = static_cast<float>(v[2]) * kDegree; break;
    case 17: actor->values[2] = v[1]; break;
    case 18: chara->rotation.z = static_cast<float>(v[2]) * kDegree; break;
    case 19: actor->values[3] = v[1]; break;
    case 20: chara->setFrame(std::clamp(chara->getFrame(), 0, std::max(chara->getAnimLength() - 1, 0))); break;
    case 21: chara->loadWeapon(v[1], weaponName(v[2])); break;
    case 22: chara->setFrame(std::max(chara->getAnimLength() - 1 - 2, 0)); break;
    default: break;
  }
}

// f8: actor V3 becomes the character S: display name, model, shown, its "btl" animation.
void becomeCharacter(const ScriptCall& call) {
  const int i = call.script.v[3];
  Actor* actor = actorAt(i);
  CHARA* chara = actorChara(i);
  if (!actor || !chara) return;
  const std::string name(call.script.str());
  actor->name = name.substr(0, kActorNameLimit);
  chara->Load(name);
  chara->alpha = 1.0f;
  selectAnimationByPrefix(*chara, "btl");
}

// f14: the character model S into actor V4, shown at (0, 0, 0).
void loadCharacter(const ScriptCall& call) {
  CHARA* chara = actorChara(call.script.v[4]);
  if (!chara) return;
  chara->Load(std::string(call.script.str()));
  chara->alpha = 1.0f;
  chara->position = {};
}

// f15: frees actor V3's model.
void freeCharacter(const ScriptCall& call) {
  if (CHARA* chara = actorChara(call.script.v[3])) chara->release();
}

// f21: reads actor V3 into V2 (V0: 0 opacity x 255, 1 y, 2 x, 3 z); 4 copies its placement to
// actor V4.
void readActor(const ScriptCall& call) {
  int32_t* v = call.script.v;
  const CHARA* chara = actorChara(v[3]);
  if (!chara) return;
  auto whole = [](float value) {
    return std::isfinite(value) ? static_cast<int32_t>(std::clamp(value, -2.0e9f, 2.0e9f)) : 0;
  };
  switch (v[0]) {
    case 0: v[2] = whole(chara->alpha * 255.0f); break;
    case 1: v[2] = whole(chara->position.y); break;
    case 2: v[2] = whole(chara->position.x); break;
    case 3: v[2] = whole(chara->position.z); break;
    case 4:
      if (CHARA* other = actorChara(v[4])) {
        other->position = chara->position;
        other->rotation = chara->rotation;
        other->scale = chara->scale;
      }
      break;
    default: break;
  }
}

// f26: every actor on the ground, and each actor's heading saved for f28.
void groundAll(const ScriptCall&) {
  for (int i = 0; i < actorCount(); ++i) {
    CHARA* chara = actorChara(i);
    if (!chara) continue;
    groundQuery(chara->position, 1);
    actorAt(i)->runner.savedHeading = chara->rotation.y;
  }
}

// f28: a timed turn of actor V3 over V0 frames: towards actor V4 (V4 >= 0), back to the saved
// heading (V4 = -1), or by -V4 degrees (V4 <= -2).
void timedTurn(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  Actor* actor = actorAt(v[3]);
  CHARA* chara = actorChara(v[3]);
  if (!actor || !chara || actor->turnFrames > 0) return;
  float amount = 0;
  if (v[4] >= 0) {
    const CHARA* target = actorChara(v[4]);
    if (!target) return;
    amount = heading(target->position.x, target->position.z, chara->position.x, chara->position.z) - chara->rotation.y;
  } else if (v[4] == -1) {
    amount = actor->runner.savedHeading - chara->rotation.y;
  } else {
    amount = -static_cast<float>(v[4]) * kDegree;
  }
  if (!std::isfinite(amount)) return;
  amount = std::remainder(amount, 6.28318f);  // the shorter way round
  const int frames = std::max(v[0], 1);
  actor->turnStep = amount / static_cast<float>(frames);
  actor->turnFrames = frames;
}

// f35: actor V3 moves V0 steps of 16 along its heading onto the ground, through anything.
void moveForward(const ScriptCall& call) {
  CHARA* chara = actorChara(call.script.v[3]);
  if (!chara) return;
  const float distance = static_cast<float>(call.script.v[0]) * kFieldStep;
  chara->position.x += fastSin(chara->rotation.y) * distance;
  chara->position.z += fastCos(chara->rotation.y) * distance;
  groundQuery(chara->position, 0);
}

// f37: V0 != 0 selects actor V3's animation beginning with S; V0 = 0 loads the model file S
// (passing V1 and V2 to the loader).
void actorModel(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  CHARA* chara = actorChara(v[3]);
  if (!chara) return;
  const std::string name(call.script.str());
  if (v[0] != 0) {
    selectAnimationByPrefix(*chara, name);
  } else {
    chara->load(gDevice, name, v[1], static_cast<float>(v[2]));
  }
}

// f38: item model V1 on attach point V0 of actor V3.
void attachItem(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (CHARA* chara = actorChara(v[3])) chara->loadWeapon(v[0], weaponName(v[1]));
}

// f42: actor V3 walks V0 steps of 16 along its heading, stopped by the map and other actors.
void walkForward(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (CHARA* chara = actorChara(v[3])) Walk(v[3], static_cast<float>(v[0]) * kFieldStep, chara->rotation.y, false);
}

// f48: head turns of actor V3: 0 the frame count := V1; 1 towards actor V4 over that count;
// 2 the head rotation := (V1, V2, V4) degrees.
void headTurn(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  Actor* actor = actorAt(v[3]);
  CHARA* chara = actorChara(v[3]);
  if (!actor || !chara) return;
  switch (v[0]) {
    case 0: actor->lookFrames = v[1]; break;
    case 1: chara->lookAt(v[3], v[4], actor->lookFrames); break;
    case 2: chara->headTurn = {v[1] * kDegree, v[2] * kDegree, v[4] * kDegree}; break;
    default: break;
  }
}

// f54: V0 = 1 hides actor V3; V0 = 0 steps battle slot V3 back.
void hideOrStepBack(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (v[0] == 1) {
    if (CHARA* chara = actorChara(v[3])) chara->alpha = 0.0f;
  } else if (v[0] == 0 && battleRunning() && gBattleLink.stepBack) {
    gBattleLink.stepBack(v[3]);
  }
}

constexpr CommandEntry kCommands[] = {
    {7, actorProperty}, {8, becomeCharacter}, {14, loadCharacter}, {15, freeCharacter}, {21, readActor},
    {26, groundAll},    {28, timedTurn},      {35, moveForward},   {37, actorModel},    {38, attachItem},
    {42, walkForward},  {48, headTurn},       {54, hideOrStepBack},
};

// o3: actor V3 walks V0 units towards V1 degrees; V2 := 1 when it could not (or an event fired).
void walkStep(const ScriptCall& call) {
  int32_t* v = call.script.v;
  if (!actorChara(v[3])) return;
  const int moved = Walk(v[3], static_cast<float>(v[0]), static_cast<float>(v[1]) * kDegree, true);
  v[2] = moved == 1 ? 0 : 1;
}

constexpr CommandEntry kWalkCommands[] = {{3, walkStep}};

}  // namespace

std::span<const CommandEntry> actorCommands() {
  return kCommands;
}

std::span<const CommandEntry> actorWalkCommands() {
  return kWalkCommands;
}
