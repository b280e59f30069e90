#include "event/object_task.h"

#include <algorithm>
#include <cmath>

#include "audio/sound.h"
#include "core/error_text.h"
#include "core/message_box.h"
#include "core/state_json.h"

std::array<ObjTask, kObjectTaskSlots> gObjectTasks;

namespace {

void releaseTextures(ObjTask& task) {
  for (TexRecord& record : task.textures) {
    record.release();
    record.width = record.height = 0;
  }
}

// The script state that every ending shares: sounds, flags, parts and text.
void clearScript(ObjTask& task) {
  releaseTaskSounds(task);
  task.script.Free();  // text, position and both flags
  task.parts.assign(1, ObjPart{});
}

void makeSlot(ObjTask& task, int slot) {
  clearScript(task);
  releaseTextures(task);
  task.model.reset();
  task.text.clear();
  task.position = {};
  task.rotation = {};
  task.scale = {1, 1, 1};
  std::fill(std::begin(task.script.v), std::end(task.script.v), 0);
  task.script.setStr("");
  task.script.commands = &objectTaskRunnerCommands();
  task.script.runner = {RunnerKind::ObjectTask, slot};
  task.slot = slot;
}

float applyOperation(float x, int operation, int32_t value) {
  const float v = static_cast<float>(value);
  switch (operation) {
    case 0: return v;
    case 1: return x + v;
    case 2: return x * v;
    case 3: return value != 0 ? x / v : x;  // a divisor 0 changes nothing
    case 4: return x * (v / 100.0f);
    case 5: return x + v / 100.0f;
    default: return x;
  }
}

// The byte arithmetic of the alpha property.
uint8_t alphaOperation(uint8_t alpha, int operation, int32_t value) {
  switch (operation) {
    case 0: return static_cast<uint8_t>(value);
    case 1: return static_cast<uint8_t>(alpha + value);
    case 2: return static_cast<uint8_t>(static_cast<int64_t>(alpha) * value);
    case 3: return value != 0 ? static_cast<uint8_t>(alpha / value) : alpha;
    default: return alpha;
  }
}

float* vectorField(ObjPart& part, int property) {
  VECTOR* fields[3] = {&part.position, &part.motion, &part.scale};
  VECTOR& v = *fields[property / 3];
  float* axes[3] = {&v.x, &v.y, &v.z};
  return axes[property % 3];
}

std::string vectorJson(const VECTOR& v) {
  const float xyz[3] = {v.x, v.y, v.z};
  return state_json::floatArray(xyz, 3);
}

}  // namespace

void releaseTaskSounds(ObjTask& task) {
  for (int32_t& entry : task.sounds) {
    if (entry >= 0) freeSound(entry);
    entry = -1;
  }
}

GlyphString sceneTextGlyphs(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  GlyphString glyphs;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool doubleByte = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'N' || text[i + 1] == 'n')) {
      glyphs.push_back(kSceneTextLineBreak);
      i += 2;
    } else if (c == '\n') {
      glyphs.push_back(kSceneTextLineBreak);
      ++i;
    } else {
      // A single-byte character has no cell: it takes the blank one.
      const size_t length = doubleByte && i + 1 < text.size() ? 2 : 1;
      glyphs.push_back(toGlyphString(text.substr(i, length)).front());
      i += length;
    }
  }
  glyphs.push_back(kGlyphEnd);
  return glyphs;
}

void setUpObjectTasks() {
  for (int slot = 0; slot < kObjectTaskSlots; ++slot) makeSlot(gObjectTasks[static_cast<size_t>(slot)], slot);
}

void resetObjectTasks() {
  setUpObjectTasks();
}

ObjTask* objectTaskAt(int slot) {
  if (slot < 0 || slot >= kObjectTaskSlots) return nullptr;
  return &gObjectTasks[static_cast<size_t>(slot)];
}

void loadObjectTask(int slot, std::string_view name) {
  ObjTask* task = objectTaskAt(slot);
  if (!task) return;
  if (task->script.active) {
    showStandardMessage("f46:ouch");
    return;
  }
  task->script.Load(kScriptDirObjTask, name);
}

void runObjectTask(int slot) {
  ObjTask* task = objectTaskAt(slot);
  if (!task) return;
  task->script.active = 1;
  task->script.Step();
}

void activateObjectTask(int slot) {
  ObjTask* task = objectTaskAt(slot);
  if (!task) return;
  if (!task->script.hasText()) showErrorNumber(slot);
  task->script.active = 1;
}

void freeObjectTask(int slot) {
  ObjTask* task = objectTaskAt(slot);
  if (!task) return;
  clearScript(*task);
  task->rotation = {};
  task->scale = {1, 1, 1};
  task->model.reset();
}

void endObjectTask(ObjTask& task) {
  clearScript(task);
  task.position = {};
}

void stepObjectTasks() {
  for (ObjTask& task : gObjectTasks)
    if (task.script.active) task.script.Step();
  if (gDevice) {
    gDevice->SetTextureStageState(0, plat::D3DTSS_ADDRESSU, plat::D3DTADDRESS_WRAP);
    gDevice->SetTextureStageState(0, plat::D3DTSS_ADDRESSV, plat::D3DTADDRESS_WRAP);
  }
}

// ---- rules ----

void changePart(std::vector<ObjPart>& parts, const int32_t (&v)[kScriptVariableCount]) {
  const int index = v[4];
  if (index < 0 || static_cast<size_t>(index) >= parts.size()) return;
  ObjPart& part = parts[static_cast<size_t>(index)];
  const int32_t property = v[0], operation = v[1], value = v[2];
  if (property < 0) return;
  if (property <= 8) {
    float& field = *vectorField(part, property);
    field = applyOperation(field, operation, value);
    return;
  }
  switch (property) {
    case 9: part.colour = static_cast<uint32_t>(value); break;
    case 10: part.scale.x = part.scale.y = part.scale.z = static_cast<float>(value) / 100.0f; break;
    case 11: {
      const int32_t word = v[3];
      if (word == 0) part.cellSize = static_cast<uint32_t>(value);
      else if (word == 1) part.cell = static_cast<uint32_t>(value);
      else if (word == 2) part.counter = value;
      else if (word == 3) part.spare = value;
      break;
    }
    case 13: {
      const float angle = static_cast<float>(static_cast<int64_t>(v[6]) + value) * kScriptDegree;
      const float radius = static_cast<float>(v[1]);
      part.position.x = fastSin(angle) * radius;
      part.position.z = fastCos(angle) * radius;
      break;
    }
    case 14: part.cellSize = static_cast<uint32_t>(v[1]) + static_cast<uint32_t>(value) * 65536u; break;
    case 15: {
      const int other = v[1];
      if (other >= 0 && static_cast<size_t>(other) < parts.size()) part.position = parts[static_cast<size_t>(other)].position;
      break;
    }
    case 16: part.motion.y = static_cast<float>(value) * kScriptDegree; break;
    default:  // 12 and every number above 16
      part.alpha = alphaOperation(part.alpha, operation, value);
      break;
  }
}

int32_t verticalMotion(ObjPart& part) {
  if (part.counter > 0) {
    part.counter = part.counter < 2 ? -1 : static_cast<int32_t>(part.counter * 0.46);
  } else {
    part.counter = static_cast<int32_t>(std::max(part.counter * 1.01, -2147483648.0));
  }
  part.position.y += static_cast<float>(part.counter / 100);
  return part.position.y < 0 ? 1 : 0;
}

void movePart(ObjPart& part) {
  part.position.x += fastSin(part.motion.y) * part.motion.x;
  part.position.y += fastCos(part.motion.y) * part.motion.x;
}

void interpolatePlacement(ObjTask& task, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return;
  const float t = static_cast<float>(numerator) / static_cast<float>(denominator);
  const VECTOR a = task.rotation, b = task.scale;
  task.position = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

int32_t panForScreenX(float screenX) {
  const float pan = (screenX - 320.0f) * 10.0f;
  if (!std::isfinite(pan)) return 0;
  return static_cast<int32_t>(std::clamp(pan, -1.0e9f, 1.0e9f));
}

int32_t wrapFallingOffset(int32_t offset) {
  constexpr int32_t kFall = 4096;
  if (offset <= kFall) return offset;
  // Subtracting 4096 until it is at most 4096, without a loop over a hostile value.
  return offset - ((offset - 1) / kFall) * kFall;
}

MATRIX objectWorld(const ObjTask& task) {
  MATRIX world, rotation, translation;
  world.scaling(task.scale);
  rotation.rotationXYZ(task.rotation);
  world.mul(rotation);
  translation.translation(task.position);
  world.mul(translation);
  return world;
}

std::string objectTasksStateJson() {
  std::string json = "[";
  bool first = true;
  for (const ObjTask& task : gObjectTasks) {
    if (!task.script.hasText() && !task.script.active) continue;
    state_json::Object o;
    o.add("slot", task.slot);
    o.add("active", task.script.active);
    o.add("position", vectorJson(task.position));
    o.add("rotation", vectorJson(task.rotation));
    o.add("scale", vectorJson(task.scale));
    o.add("parts", static_cast<int>(task.parts.size()));
    o.add("sounds", state_json::intArray(task.sounds.data(), kObjectTaskSounds));
    json += (first ? "" : ", ") + o.text();
    first = false;
  }
  return json + "]";
}
