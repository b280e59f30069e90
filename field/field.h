// The field: walking the party over a map, talking, marked places, random encounters, the
// followers and the field camera.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/mat_model.h"
#include "gfx/math.h"

constexpr int kWalkCell = 1024;       // walk grid cells are 1024 x 1024 units
constexpr int kFollowerSlots = 4;
constexpr int kTrailLength = 8;
constexpr int kTrailStepFrames = 16;  // moving frames between two trail entries
constexpr float kWalkStep = 32.0f;    // units a frame; half with Ctrl

struct EncounterEntry {
  int32_t formation = 0;
  int32_t weight = 0;
};

struct EncounterTable {
  int32_t threshold = 50;  // 0 switches random encounters off
  int32_t counter = 0;
  std::vector<EncounterEntry> entries{{1, 20}};
};

// The walk grid: square cells centred on the map origin, each with the ground faces near it.
struct WalkGrid {
  int width = 0;  // cells along x
  int depth = 0;  // cells along z
  std::vector<std::vector<uint16_t>> cells;  // face indices of the map's first object
};

// The attribute of a ground face: the material the face uses. Red bit 0 marks it not walkable;
// green is the event number + 1 (0: no event).
struct FaceAttribute {
  bool walkable = true;
  int event = -1;  // the "場" number, -1 for none
};

struct Field {
  MakeMat map;
  std::string mapName;
  bool mapLoaded = false;
  float gatheringRadius = 0.0f;
  uint32_t fogColour = 0;
  float fogStart = 0.0f, fogEnd = 0.0f;
  WalkGrid grid;
  int lastValidFace = -1;
  EncounterTable encounter;
  int32_t followers[kFollowerSlots] = {1, 2, 0, 0};
  float trailX[kTrailLength] = {};
  float trailZ[kTrailLength] = {};
  int trailIndex = 0;
  int trailStep = 0;
  float cameraHeight = 0.0f;
};
extern Field gField;

// The field as it is made: no map, the default encounter table, followers 1 and 2.
void resetField();

// Loads "%sMat\<name>.mp": fog values from its header, the model, and with buildGrid the
// gathering radius and the walk grid. A file that cannot be opened shows
// "MakeMat::Load Error!" and the old map stays.
void LoadMap(std::string_view name, bool buildGrid);
// Builds the walk grid of the loaded map with the given gathering radius.
void buildWalkGrid(float gatheringRadius);
// The ground under the point: with mode 0 a segment from y + 512 down to y - 256, otherwise
// from 65535 down to -65535, tested against the faces of the point's cell in face order. The
// first face hit gives the point its y; its index is returned, -1 when none is hit or the point
// lies outside the grid. Without a map the point stays and the result is 0.
int groundQuery(VECTOR& point, int mode);
// The attribute of a ground face (a walkable face without event for a number out of range).
FaceAttribute faceAttribute(int face);

// Moves actor a by distance along heading with the walking rule; with events, marked places
// fire and blocked faces stop the step. Returns 1 when it moved and no event fired.
int Walk(int a, float distance, float heading, bool withEvents);
// Tries to start a conversation with the actor in front of the leader; 1 when one started.
int Talk();
// The random-encounter counter: step 2 walking, 1 walking slowly.
void EncounterStep(int step);
// Draws a formation from the encounter table with the random number r (0 … sum of weights - 1):
// the first entry whose running sum of weights reaches r. -1 when the weights sum to 0.
int drawEncounterEntry(const std::vector<EncounterEntry>& entries, int r);

// The camera follow step: the camera target on the leader, the eye at the camera height above
// it, then the followers placed along the trail.
void cameraFollow();
void placeFollowers();
// The trail filled from actors 4 … 0 and the leader (f43).
void resetTrail();

// The heading that the arrow keys give relative to the camera angle a; false without arrows.
bool arrowHeading(float a, bool up, bool down, bool left, bool right, float& heading);

// The field's scene function.
void FieldScene();
// The field's 3D world: sky, map, shadows and characters (also f33's drawing).
void drawFieldWorld();
// The scene hook that FieldScene calls after the input (other scenes may set it).
extern void (*gFieldSceneHook)();

// The "field" member of the state dump.
std::string fieldStateJson();
