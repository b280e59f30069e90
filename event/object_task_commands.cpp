// The object-task "o" commands and the runner's command set. Every handler reaches its task
// through the runner context and checks the numbers that come from the variables.
#include <algorithm>
#include <string>

#include "audio/sound.h"
#include "core/data_root.h"
#include "core/error_text.h"
#include "data/scrambled.h"
#include "event/battle_link.h"
#include "event/object_task.h"
#include "event/runners.h"
#include "gfx/camera.h"

namespace {

using namespace plat;

ObjTask* taskOf(const ScriptCall& call) {
  if (call.runner.kind != RunnerKind::ObjectTask) return nullptr;
  return objectTaskAt(call.runner.owner);
}

ObjPart* partAt(ObjTask& task, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= task.parts.size()) return nullptr;
  return &task.parts[static_cast<size_t>(index)];
}

TexRecord* recordAt(ObjTask& task, int32_t index) {
  if (index < 0 || index >= kObjectTaskTextures) return nullptr;
  return &task.textures[static_cast<size_t>(index)];
}

// The sound table entry of own sound index, or -1 when it is unused or out of range.
int ownSound(const ObjTask& task, int32_t index) {
  if (index < 0 || index >= kObjectTaskSounds) return -1;
  return task.sounds[static_cast<size_t>(index)];
}

void clampAddressing() {
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}

// o0: the task ends itself.
void endTask(const ScriptCall& call) {
  if (ObjTask* task = taskOf(call)) endObjectTask(*task);
}

// o1: every part with a texture as a camera-facing sprite at the object's position.
void drawSprites(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task || !gDevice) return;
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  clampAddressing();
  MATRIX world;
  world.translation(task->position);
  drawPartSprites(*task, world);
}

// o2: V0 default parts in place of the old ones.
void makeParts(const ScriptCall& call) {
  if (ObjTask* task = taskOf(call)) task->parts.assign(static_cast<size_t>(std::clamp(call.script.v[0], 0, kMaxObjectParts)), ObjPart{});
}

// o3: the parts are freed.
void freeParts(const ScriptCall& call) {
  if (ObjTask* task = taskOf(call)) task->parts.clear();
}

// o4: V0 = 0 the mesh model "OTSK\<S>.ZDX"; otherwise the texture "OTSK\<S>.AU" into record V4.
void load(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  const std::string name(call.script.str());
  if (call.script.v[0] == 0) {
    auto model = std::make_unique<MakeMat>();
    model->setDirectory("OTSK\\");
    const bool loaded = model->Load(gDevice, "OTSK\\" + name + ".ZDX", nullptr, 1.0f, 0) != 0;
    task->model = loaded ? std::move(model) : nullptr;
    return;
  }
  if (TexRecord* record = recordAt(*task, call.script.v[4]))
    data::loadScrambledTexture(std::string(dataRoot()) + "OTSK\\" + name + ".AU", *record);
}

// o5: part V4 uses texture record V0 (-1: none).
void partTexture(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  ObjPart* part = partAt(*task, call.script.v[4]);
  const int32_t record = call.script.v[0];
  if (part && (record == -1 || recordAt(*task, record))) part->texture = record;
}

// o6: a property of part V4 changes.
void changeProperty(const ScriptCall& call) {
  if (ObjTask* task = taskOf(call)) changePart(task->parts, call.script.v);
}

// o7: texture record V4 is released.
void releaseTexture(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  if (TexRecord* record = recordAt(*task, call.script.v[4])) {
    record->release();
    record->width = record->height = 2;
  }
}

// o8: shape V0 with V1, V2 and V3 segments.
void shape(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task || !gDevice) return;
  const int32_t* v = call.script.v;
  drawShape(*task, v[0], v[1], v[2], v[3]);
}

// o9: texture record V0 (0 when V0 < 0) becomes the current texture.
void selectTexture(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task || !gDevice) return;
  if (TexRecord* record = recordAt(*task, std::max(call.script.v[0], 0))) gDevice->SetTexture(0, record->texture.get());
}

// o10: part 0's alpha recomputed from itself.
void recomputeAlpha(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  if (ObjPart* part = partAt(*task, 0)) part->alpha = static_cast<uint8_t>(part->argb() >> 24);
}

// o11: "se\<S>.zse" into the first free sound entry 8 … 31, remembered as own sound V4.
void loadOwnSound(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  const int32_t index = call.script.v[4];
  if (!task || index < 0 || index >= kObjectTaskSounds) return;
  int entry = kFirstOnDemandSoundSlot;
  while (entry < kSoundSlotCount && soundSlotLoaded(entry)) ++entry;
  if (entry == kSoundSlotCount) {
    appendErrorText("o11:SE loading error!:");
    appendErrorNumber(entry);
    showErrorText();
    return;
  }
  int32_t& own = task->sounds[static_cast<size_t>(index)];
  if (own >= 0) freeSound(own);  // the sound it held before would otherwise stay loaded for good
  own = -1;
  if (data::loadScrambledSound("se\\" + std::string(call.script.str()) + ".zse", entry)) own = entry;
}

// o12: own sound V4, panned by where the object stands on the screen.
void playPanned(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  const int entry = ownSound(*task, call.script.v[4]);
  if (entry < 0) return;
  float x = 320.0f, y = 0.0f;  // a point behind the eye is heard in the centre
  projectPoint(task->position, x, y);
  setSoundPan(entry, panForScreenX(x));
  playSound(entry);
}

// o13: the task's sounds are released.
void releaseOwnSounds(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (task) releaseTaskSounds(*task);
}

// o14: parts with a texture move, then are drawn as 2D sprites on the screen.
void screenSprites(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  for (ObjPart& part : task->parts)
    if (part.texture >= 0) movePart(part);
  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  drawScreenSprites(*task);
}

// o15: the battle's flash; outside a battle nothing changes.
void battleFlash(const ScriptCall& call) {
  if (battleRunning() && gBattleLink.flash) gBattleLink.flash(call.script.v[0], call.script.v[1], call.script.v[2]);
}

// o16 and o22: V0 = 0 sets the playback rate of own sound V4 to V1 samples per second.
void soundFrequency(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task || call.script.v[0] != 0) return;
  const int entry = ownSound(*task, call.script.v[4]);
  if (entry >= 0) setSoundFrequency(entry, static_cast<uint32_t>(call.script.v[1]));
}

// o17: the position between the rotation and scale fields at V4 ÷ V5.
void placeBetween(const ScriptCall& call) {
  if (ObjTask* task = taskOf(call)) interpolatePlacement(*task, call.script.v[4], call.script.v[5]);
}

// o18: every part moves, then the parts with a texture are drawn with the object's matrix.
void movingSprites(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  for (ObjPart& part : task->parts) movePart(part);
  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  drawPartSprites(*task, objectWorld(*task));
}

// o19: V0 = -1 prepares S; V0 = 0 draws it at screen (V1, V2).
void sceneText(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  const int32_t* v = call.script.v;
  if (v[0] == -1) task->text = sceneTextGlyphs(call.script.str());
  else if (v[0] == 0 && gDevice) drawSceneText(*task, static_cast<float>(v[1]), static_cast<float>(v[2]));
}

// o20: V0 = 0 moves part V4 vertically; V2 := 1 while it is below 0.
void vertical(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task || call.script.v[0] != 0) return;
  if (ObjPart* part = partAt(*task, call.script.v[4])) call.script.v[2] = verticalMotion(*part);
}

// o21: the mesh model.
void mesh(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (task && gDevice) drawTaskModel(*task);
}

// o23: V0 = 0 draws the particle field around the camera with falling offset V4 and grid V5.
void particleField(const ScriptCall& call) {
  ObjTask* task = taskOf(call);
  if (!task) return;
  int32_t* v = call.script.v;
  if (v[0] == 0) v[4] = wrapFallingOffset(v[4]);
  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  clampAddressing();
  if (v[0] == 0) drawParticleField(*task, v[4], v[5]);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

constexpr CommandEntry kCommands[] = {
    {0, endTask},         {1, drawSprites},     {2, makeParts},        {3, freeParts},         {4, load},
    {5, partTexture},     {6, changeProperty},  {7, releaseTexture},   {8, shape},             {9, selectTexture},
    {10, recomputeAlpha}, {11, loadOwnSound},   {12, playPanned},      {13, releaseOwnSounds}, {14, screenSprites},
    {15, battleFlash},    {16, soundFrequency}, {17, placeBetween},    {18, movingSprites},    {19, sceneText},
    {20, vertical},       {21, mesh},           {22, soundFrequency},  {23, particleField},
};

}  // namespace

std::span<const CommandEntry> objectTaskCommands() {
  return kCommands;
}

const ScriptCommands& objectTaskRunnerCommands() {
  static const CommandTable table({objectTaskCommands()});
  static const ScriptCommands commands{&functionCommands(), &table, nullptr, nullptr, nullptr, endScriptStep};
  return commands;
}
