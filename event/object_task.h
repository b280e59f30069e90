// Object tasks: the 16 slots of scripted effects. Each slot is a script from "oTsk" with a
// transform, up to 8 textures of its own, a list of sprite parts, up to 4 sounds of the sound
// table and an optional mesh model. The script both animates and draws: every active slot is
// stepped once per frame, in slot order, inside the scene's drawing.
//
// Arguments of the "o" commands are the variables V0 … V6 and the string register S; "part V4"
// is the part numbered V4. Numbers that come from variables are checked: a part outside the
// task's parts, a texture record outside 0 … 7, an own sound outside 0 … 3 or unused (−1), a
// divisor 0 and a shape of fewer than 3 segments change nothing and draw nothing.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/graphics.h"
#include "data/database.h"
#include "event/script.h"
#include "gfx/mat_model.h"
#include "gfx/math.h"

constexpr int kObjectTaskSlots = 16;
constexpr int kObjectTaskTextures = 8;
constexpr int kObjectTaskSounds = 4;
// The most parts a task may make (o2); a larger count is cut to it.
constexpr int kMaxObjectParts = 1024;
// A sprite part at scale 1 is this many units wide and high.
constexpr float kPartSpriteSize = 256.0f;
// The glyph that breaks a line of a prepared scene text.
constexpr int16_t kSceneTextLineBreak = -2;
// Whole degrees of the scripts to radians.
constexpr float kScriptDegree = 0.017453277f;

// One sprite of a task.
struct ObjPart {
  uint8_t alpha = 255;
  uint32_t colour = 0xFFFFFF;  // RGB in the low 24 bits
  VECTOR position;             // in the object's space
  VECTOR scale{1, 1, 1};
  // x speed, y direction (radians), z a third angle; the mesh model's rotation angles (o21).
  VECTOR motion;
  uint32_t cellSize = 64 | 64u << 16;  // cell width in texels (low 16 bits), height (high 16 bits)
  uint32_t cell = 0;                   // column (low 16 bits), row (high 16 bits)
  int32_t counter = 0;                 // vertical speed counter of o20
  int32_t spare = 0;
  int32_t texture = -1;  // texture record 0 … 7; −1 draws nothing

  // The ARGB colour of the sprite.
  uint32_t argb() const { return static_cast<uint32_t>(alpha) << 24 | (colour & 0xFFFFFF); }
};

struct ObjTask {
  Script script;
  VECTOR position;
  VECTOR scale{1, 1, 1};  // also the second point of o17
  VECTOR rotation;        // radians; also the first point of o17 and the end of the o8 band
  std::vector<ObjPart> parts = std::vector<ObjPart>(1);
  std::array<int32_t, kObjectTaskSounds> sounds{-1, -1, -1, -1};  // sound table entries
  std::unique_ptr<MakeMat> model;
  std::array<TexRecord, kObjectTaskTextures> textures;
  GlyphString text;  // prepared by o19 −1
  int slot = 0;
};

extern std::array<ObjTask, kObjectTaskSlots> gObjectTasks;

// Makes the 16 slots anew (the boot): one default part each, no script, nothing loaded.
void setUpObjectTasks();
// Frees every slot with its sounds, textures, model and text (the quit path and the tests).
void resetObjectTasks();
// The task in slot, or null outside 0 … 15.
ObjTask* objectTaskAt(int slot);

// Loads the script name from "oTsk" into slot; an active slot refuses with "f46:ouch".
void loadObjectTask(int slot, std::string_view name);
// Makes slot active and steps it once at once.
void runObjectTask(int slot);
// Makes slot active; a slot without text shows its number first.
void activateObjectTask(int slot);
// Frees slot: sounds released, both flags 0, one default part, text freed, model freed,
// rotation (0, 0, 0) and scale (1, 1, 1); the position stays.
void freeObjectTask(int slot);
// The task ends itself (o0): sounds released, both flags 0, one default part, text freed,
// position (0, 0, 0).
void endObjectTask(ObjTask& task);

// Releases the task's sounds from the sound table; every own sound becomes unused (-1).
void releaseTaskSounds(ObjTask& task);
// o19 −1: the glyphs of a scene text (code page 932); "\N", "\n" and a line feed break the
// line, a single-byte character takes the blank cell.
GlyphString sceneTextGlyphs(std::string_view text);

// One frame of every active slot in slot order, then the texture addressing back to wrap.
void stepObjectTasks();

// The runner's command set: the shared "f" table, the "o" table below and "!".
const ScriptCommands& objectTaskRunnerCommands();
// The "o" commands of the object tasks.
std::span<const CommandEntry> objectTaskCommands();
// f46, the object-task function command.
std::span<const CommandEntry> objectTaskFunctionCommands();

// ---- the rules of the commands, on plain values ----

// o6: changes part v[4] as v[0] (property), v[1] (operation, or the radius of 13, or the
// other part of 15), v[2] (value), v[3] (the word of 11) and v[6] (the angle of 13) say.
void changePart(std::vector<ObjPart>& parts, const int32_t (&v)[kScriptVariableCount]);
// o20: the counter and height of a part after one frame of vertical motion; returns the new V2
// (1 while the part is below 0).
int32_t verticalMotion(ObjPart& part);
// o14/o18: a part moves by its speed along its direction in the x–y plane.
void movePart(ObjPart& part);
// o17: position := A + (B − A) × (numerator ÷ denominator) of the rotation field A and the
// scale field B; a denominator 0 changes nothing.
void interpolatePlacement(ObjTask& task, int32_t numerator, int32_t denominator);
// o12: the pan of a sound whose object stands at screen x.
int32_t panForScreenX(float screenX);
// o23: a falling offset brought to at most 4096.
int32_t wrapFallingOffset(int32_t offset);

// ---- drawing (the device must exist) ----

// o1 and o18: every part with a texture as a camera-facing sprite placed by world.
void drawPartSprites(const ObjTask& task, const MATRIX& world);
// o14: every part with a texture as a 2D sprite on the screen.
void drawScreenSprites(const ObjTask& task);
// o8: shape 0 ring, 1 cylinder, 2 cross, 3 band; fewer than 3 segments draw nothing.
void drawShape(const ObjTask& task, int shape, int32_t a, int32_t b, int32_t segments);
// o19 0: the prepared text at screen (x, y) in part 0's colour and alpha.
void drawSceneText(const ObjTask& task, float x, float y);
// o21: the mesh model, if one is loaded.
void drawTaskModel(const ObjTask& task);
// o23 0: the particle field around the camera with part 0's sprite.
void drawParticleField(const ObjTask& task, int32_t fallingOffset, int32_t gridHalf);

// The world matrix of the object: scale, then rotation, then translation.
MATRIX objectWorld(const ObjTask& task);

// The "object_tasks" member of the state dump: one object per slot that has text or is active.
std::string objectTasksStateJson();
