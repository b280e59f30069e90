#include "field/field.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <span>

#include "audio/sound.h"
#include "battle/scene_passes.h"
#include "battle/sky.h"
#include "battle/transitions.h"
#include "core/data_root.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/random.h"
#include "data/text_scanner.h"
#include "event/actors.h"
#include "event/choice.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "core/state_json.h"
#include "event/object_task.h"
#include "field/menu.h"
#include "gfx/camera.h"
#include "platform/system.h"

Field gField;
void (*gFieldSceneHook)() = nullptr;

namespace {

constexpr float kHalfTurn = 3.14159f;  // as the arrow keys add it
constexpr float kQuarterTurn = 1.570795f;
constexpr float kEighthTurn = 0.785375f;
constexpr float kFullTurn = 6.28318f;
constexpr float kBehindCamera = 1.4141355f;  // half-width of the band of faces not drawn
constexpr float kFieldDrawDistance = 15000.0f;
constexpr float kMapScale = 10.0f;  // maps are stored at a tenth of their size
constexpr int32_t kActionGate = 86;
constexpr float kTalkReach = 24.0f;
constexpr int kTalkRadiusGain = 16;
constexpr float kFollowerNear = 320.0f;
constexpr float kStillDistance = 0.0005f;

using namespace plat;

// ---- the walk grid and the ground query ----

int cellOf(const WalkGrid& grid, float x, float z) {
  if (grid.width <= 0 || grid.depth <= 0 || !std::isfinite(x) || !std::isfinite(z)) return -1;
  const double column = grid.width / 2 - std::trunc(-static_cast<double>(x) / kWalkCell);
  const double row = grid.depth / 2 - std::trunc(-static_cast<double>(z) / kWalkCell);
  if (column < 0 || column >= grid.width || row < 0 || row >= grid.depth) return -1;
  return static_cast<int>(row) * grid.width + static_cast<int>(column);
}

// The y of the vertical line through (x, z) on the triangle a, b, c, when it passes through it.
bool lineHitsTriangle(const VECTOR& a, const VECTOR& b, const VECTOR& c, float x, float z, float& y) {
  const double d = (static_cast<double>(b.z) - c.z) * (a.x - c.x) + (static_cast<double>(c.x) - b.x) * (a.z - c.z);
  if (std::fabs(d) < 1e-9) return false;  // a face seen edge-on from above
  const double wa = ((static_cast<double>(b.z) - c.z) * (x - c.x) + (static_cast<double>(c.x) - b.x) * (z - c.z)) / d;
  const double wb = ((static_cast<double>(c.z) - a.z) * (x - c.x) + (static_cast<double>(a.x) - c.x) * (z - c.z)) / d;
  const double wc = 1.0 - wa - wb;
  constexpr double kEdge = -1e-6;
  if (wa < kEdge || wb < kEdge || wc < kEdge) return false;
  y = static_cast<float>(wa * a.y + wb * b.y + wc * c.y);
  return true;
}

bool faceHit(const MakeMat& map, const MatPolygon& polygon, float x, float z, float top, float bottom, float& y) {
  if (polygon.corners < 3) return false;
  const VECTOR& a = map.vertices[polygon.vertex[0]];
  const VECTOR& b = map.vertices[polygon.vertex[1]];
  const VECTOR& c = map.vertices[polygon.vertex[2]];
  float hit = 0;
  bool found = lineHitsTriangle(a, b, c, x, z, hit);
  if (!found && polygon.corners >= 4) found = lineHitsTriangle(a, c, map.vertices[polygon.vertex[3]], x, z, hit);
  if (!found || hit > top || hit < bottom) return false;
  y = hit;
  return true;
}

const std::vector<MatPolygon>* groundFaces() {
  if (!gField.mapLoaded || gField.map.objects.empty()) return nullptr;
  return &gField.map.objects[0].polygons;
}

// ---- the map file's header ----

struct MapHeader {
  float radius = 0;
  int fog = 0;
  float fogStart = 0, fogEnd = 0;
};

MapHeader readMapHeader(const std::vector<uint8_t>& bytes) {
  const std::string text = data::binaryModeBytes(bytes);
  data::TextScanner scanner(text);
  MapHeader header;
  scanner.scan("%f;", {header.radius});
  scanner.scan(" %x;", {header.fog});
  scanner.scan(" %f;", {header.fogStart});
  scanner.scan(" %f;", {header.fogEnd});
  return header;
}

void setFog(uint32_t colour, float start, float end) {
  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_FOGCOLOR, colour);
  gDevice->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(start));
  gDevice->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(end));
}

// ---- walking ----

bool overlapsAnother(int a) {
  return CHARA::hitAny(a) != 0;
}

float distanceXZ(const VECTOR& p, const VECTOR& q) {
  const float dx = p.x - q.x, dz = p.z - q.z;
  return std::sqrt(dx * dx + dz * dz);
}

void advanceTrail(const CHARA& leader) {
  if (++gField.trailStep < kTrailStepFrames) return;
  gField.trailStep = 0;
  gField.trailX[gField.trailIndex] = leader.position.x;
  gField.trailZ[gField.trailIndex] = leader.position.z;
  gField.trailIndex = (gField.trailIndex + 1) % kTrailLength;
}

// ---- input ----

bool held(int slot) {
  return gKeySlots[slot] == KEY_HELD;
}

void setAnimation(CHARA& chara, int animation) {
  if (chara.getAnim() != animation) chara.setAnm(animation);
}

// Step 1: the message window and the choice own the keys while the window has text.
void messageKeys() {
  if (messageScrolling()) return;
  if ((!messageAllShown() && messageOpen()) || gKeyGate < kActionGate) return;
  Script* talker = &gEvent.script;
  if (Actor* actor = actorAt(gTalkingActor); actor && gTalkingActor != 0) talker = &actor->runner.script;
  if (gChoice.pending) {
    if (choiceBusy()) return;
    if (held(SLOT_SHIFT)) {
      talker->v[0] = choiceAnswer();
      talker->active = 1;
      gKeyGate = 0;
    } else {
      listKeys(gChoice.list);
    }
    return;
  }
  if (held(SLOT_SHIFT)) {
    talker->active = 1;
    gKeyGate = 0;
  }
}

void walkKeys() {
  CHARA* leader = actorChara(0);
  if (!leader) return;
  const bool slow = held(SLOT_CTRL);
  float direction = 0;
  bool moved = false;
  if (arrowHeading(gCamera.angle, held(SLOT_UP), held(SLOT_DOWN), held(SLOT_LEFT), held(SLOT_RIGHT), direction)) {
    leader->rotation.y = direction;
    moved = Walk(0, slow ? kWalkStep / 2 : kWalkStep, direction, true) != 0;
    if (moved) {
      setAnimation(*leader, slow ? 2 : 1);
      EncounterStep(slow ? 1 : 2);
    }
  }
  if (!moved && leader->getAnim() != 0) {
    for (int i = 0; i <= 4; ++i)
      if (CHARA* chara = actorChara(i)) chara->setAnm(0);
  }
}

void fieldInput() {
  if (!gInputEnabled) return;
  pollFieldKeys();
  gKeyGate += gFrameTime;
  if (messageHasText()) {
    messageKeys();
  } else if (held(SLOT_SHIFT)) {
    if (gKeyGate >= kActionGate && messageClosed() && Talk()) gKeyGate = 0;
  } else if (!held(SLOT_6)) {
    walkKeys();
  } else if (gKeyGate >= kActionGate) {
    OpenMenu();
  }
}

// ---- drawing ----

void drawMap() {
  if (!gField.mapLoaded || !gDevice) return;
  const HeadingBand behindCamera(gCamera.eye, gCamera.angle, kBehindCamera);
  const MakeMat& map = gField.map;
  MATRIX world;
  world.identity();
  gDevice->SetTransform(D3DTS_WORLD, &world);
  D3DMATERIAL8 material{};
  material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Ambient = {1.5f, 1.5f, 1.5f, 1.0f};
  gDevice->SetMaterial(&material);
  const ViewVolume view = deviceViewVolume(gDevice);
  gField.map.drawObject(
      gDevice, 0,
      [&](const MatPolygon& polygon) {
        const int corners = std::min<int>(std::max<int>(polygon.corners, 1), 3);
        for (int k = 0; k < corners; ++k)
          if (!behindCamera.contains(map.vertices[polygon.vertex[k]])) return true;
        return false;
      },
      [&](const MatBlock& block) { return mapBlockDraw(block, view, behindCamera); });
}

}  // namespace

// ---- the field object ----

void resetField() {
  gField.map.release();
  gField.mapName.clear();
  gField.mapLoaded = false;
  gField.gatheringRadius = 0;
  gField.fogColour = 0;
  gField.fogStart = gField.fogEnd = 0;
  gField.grid = WalkGrid{};
  gField.lastValidFace = -1;
  gField.encounter = EncounterTable{};
  const int32_t followers[kFollowerSlots] = {1, 2, 0, 0};
  std::copy(std::begin(followers), std::end(followers), gField.followers);
  std::fill(std::begin(gField.trailX), std::end(gField.trailX), 0.0f);
  std::fill(std::begin(gField.trailZ), std::end(gField.trailZ), 0.0f);
  gField.trailIndex = gField.trailStep = 0;
  gField.cameraHeight = 0;
}

void LoadMap(std::string_view name, bool buildGrid) {
  name = name.substr(0, name.find('\0'));
  const auto bytes = plat::ReadFile(std::string(dataRoot()) + "Mat\\" + std::string(name) + ".mp");
  if (!bytes) {
    showStandardMessage("MakeMat::Load Error!");
    return;
  }
  const MapHeader header = readMapHeader(*bytes);
  gField.fogColour = static_cast<uint32_t>(header.fog);
  gField.fogStart = header.fogStart;
  gField.fogEnd = header.fogEnd;
  setFog(gField.fogColour, gField.fogStart, gField.fogEnd);
  gField.map.release();
  gField.mapLoaded = gField.map.Load(gDevice, "mat\\" + std::string(name) + ".mp", nullptr, kMapScale, 0) != 0;
  gField.mapName = std::string(name);
  gField.lastValidFace = -1;
  if (buildGrid) {
    gField.gatheringRadius = header.radius;
    buildWalkGrid(header.radius);
  }
}

void buildWalkGrid(float gatheringRadius) {
  WalkGrid& grid = gField.grid;
  grid = WalkGrid{};
  const std::vector<MatPolygon>* faces = groundFaces();
  if (!faces) return;
  float largestX = 0, largestZ = 0;
  for (const VECTOR& v : gField.map.vertices) {
    if (!std::isfinite(v.x) || !std::isfinite(v.z)) continue;
    largestX = std::max(largestX, std::fabs(v.x));
    largestZ = std::max(largestZ, std::fabs(v.z));
  }
  // A map reaching beyond 262144 units (a field is a few ten thousand across) has no grid: one
  // stray vertex of a damaged file would otherwise ask for millions of cells and seconds of work.
  constexpr float kLargestMap = 262144.0f;
  if (largestX > kLargestMap || largestZ > kLargestMap) return;
  grid.width = 2 * static_cast<int>(largestX / kWalkCell) + 2;
  grid.depth = 2 * static_cast<int>(largestZ / kWalkCell) + 2;
  grid.cells.assign(static_cast<size_t>(grid.width) * static_cast<size_t>(grid.depth), {});
  const double radius2 = static_cast<double>(gatheringRadius) * gatheringRadius;
  const int reach = static_cast<int>(std::min(std::fabs(gatheringRadius) / kWalkCell + 1.0f, 1.0e4f));
  // A gathering radius far beyond a field's few thousand units on a map of many faces would ask
  // for billions of steps and gigabytes of lists: past these bounds the map gets no grid.
  constexpr int64_t kMostCellVisits = 64 << 20;
  constexpr int64_t kMostEntries = 8 << 20;
  int64_t visits = 0, entries = 0;
  // The cells that gather a vertex, found the first time one of its faces asks (a vertex is
  // shared by several faces); the run of `gathering` in `gatheringRun` of the vertex holds them
  // (its end UINT32_MAX until found).
  const std::vector<VECTOR>& vertices = gField.map.vertices;
  std::vector<uint32_t> gathering;
  std::vector<std::pair<uint32_t, uint32_t>> gatheringRun(vertices.size(), {0, UINT32_MAX});
  auto cellsGathering = [&](uint16_t vertex, int firstRow, int lastRow, int firstColumn, int lastColumn) {
    auto& [first, end] = gatheringRun[vertex];
    if (end == UINT32_MAX) {
      first = static_cast<uint32_t>(gathering.size());
      const VECTOR& v = vertices[vertex];
      for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
          const double rx = static_cast<double>(column - grid.width / 2) * kWalkCell;
          const double rz = static_cast<double>(row - grid.depth / 2) * kWalkCell;
          const double dx = v.x - rx, dz = v.z - rz;
          if (dx * dx + dz * dz < radius2) gathering.push_back(static_cast<uint32_t>(row) * grid.width + column);
        }
      }
      end = static_cast<uint32_t>(gathering.size());
    }
    return std::span<const uint32_t>(gathering.data() + first, end - first);
  };
  for (size_t f = 0; f < faces->size() && f <= 0xFFFF; ++f) {
    const MatPolygon& polygon = (*faces)[f];
    const int corners = std::clamp<int>(polygon.corners, 1, 3);
    // Only the cells near the corners can gather them.
    for (int k = 0; k < corners; ++k) {
      const VECTOR& v = vertices[polygon.vertex[k]];
      if (!std::isfinite(v.x) || !std::isfinite(v.z)) continue;
      const int cx = static_cast<int>(std::lround(v.x / kWalkCell)) + grid.width / 2;
      const int cz = static_cast<int>(std::lround(v.z / kWalkCell)) + grid.depth / 2;
      const int firstRow = std::max(0, cz - reach), lastRow = std::min(grid.depth - 1, cz + reach);
      const int firstColumn = std::max(0, cx - reach), lastColumn = std::min(grid.width - 1, cx + reach);
      if (lastRow >= firstRow && lastColumn >= firstColumn)
        visits += int64_t(lastRow - firstRow + 1) * (lastColumn - firstColumn + 1);
      if (visits > kMostCellVisits || entries > kMostEntries || static_cast<int64_t>(gathering.size()) > kMostEntries) {
        grid = WalkGrid{};
        return;
      }
      for (const uint32_t c : cellsGathering(polygon.vertex[k], firstRow, lastRow, firstColumn, lastColumn)) {
        std::vector<uint16_t>& cell = grid.cells[c];
        if (cell.empty() || cell.back() != f) {
          cell.push_back(static_cast<uint16_t>(f));
          ++entries;
        }
      }
    }
  }
  // Faces are taken in order and listed once a cell, so every list is already in order; the
  // check keeps it so should that ever change.
  for (std::vector<uint16_t>& cell : grid.cells) {
    if (std::adjacent_find(cell.begin(), cell.end(), std::greater_equal<uint16_t>()) == cell.end()) continue;
    std::sort(cell.begin(), cell.end());
    cell.erase(std::unique(cell.begin(), cell.end()), cell.end());
  }
}

int groundQuery(VECTOR& point, int mode) {
  const std::vector<MatPolygon>* faces = groundFaces();
  if (!faces) return 0;
  const int cell = cellOf(gField.grid, point.x, point.z);
  if (cell < 0) return -1;
  const float top = mode == 0 ? point.y + 512.0f : 65535.0f;
  const float bottom = mode == 0 ? point.y - 256.0f : -65535.0f;
  for (const uint16_t f : gField.grid.cells[static_cast<size_t>(cell)]) {
    float y = 0;
    if (faceHit(gField.map, (*faces)[f], point.x, point.z, top, bottom, y)) {
      point.y = y;
      return f;
    }
  }
  return -1;
}

FaceAttribute faceAttribute(int face) {
  FaceAttribute attribute;
  const std::vector<MatPolygon>* faces = groundFaces();
  if (!faces || face < 0 || static_cast<size_t>(face) >= faces->size()) return attribute;
  const MatMaterial& material = gField.map.materials[(*faces)[static_cast<size_t>(face)].fileMaterial % MakeMat::kMaxMaterials];
  attribute.walkable = (material.red & 1) == 0;
  attribute.event = static_cast<int>(material.green) - 1;
  return attribute;
}

int Walk(int a, float distance, float direction, bool withEvents) {
  CHARA* actor = actorChara(a);
  if (!actor) return 0;
  const float oldX = actor->position.x, oldZ = actor->position.z;
  const float s = fastSin(direction), c = fastCos(direction);
  actor->position.x += s * distance;
  actor->position.z += c * distance;
  if (overlapsAnother(a) || groundQuery(actor->position, 0) == -1) {
    actor->position.x = oldX;
    actor->position.z = oldZ;
  }
  if (!withEvents) return 1;

  int result = 1;
  VECTOR probe{oldX + s * static_cast<float>(actor->radius), actor->position.y, oldZ + c * static_cast<float>(actor->radius)};
  const int probed = groundQuery(probe, 0);
  if (probed >= 0) gField.lastValidFace = probed;
  const FaceAttribute attribute = faceAttribute(gField.lastValidFace);
  if (!attribute.walkable || probed < 0) {
    actor->position.x = oldX;
    actor->position.z = oldZ;
  }
  if (attribute.event >= 0 && gField.lastValidFace >= 0) {
    triggerPlaceEvent(attribute.event);
    result = 0;
  }
  cameraFollow();
  if (std::fabs(actor->position.x - oldX) <= kStillDistance && std::fabs(actor->position.z - oldZ) <= kStillDistance)
    return 0;
  // The trail follows the leader: other actors walking (o3) leave it alone.
  if (a == 0) advanceTrail(*actor);
  return result;
}

int Talk() {
  CHARA* leader = actorChara(0);
  if (!leader) return 0;
  const VECTOR home = leader->position;
  leader->position.x += fastSin(leader->rotation.y) * kTalkReach;
  leader->position.z += fastCos(leader->rotation.y) * kTalkReach;
  int chosen = 0;
  for (int i = 1; i < actorCount() && chosen == 0; ++i) {
    CHARA* other = actorChara(i);
    if (!other) continue;
    other->radius += kTalkRadiusGain;
    if (CHARA::hit(0, i) && other->present) chosen = i;
    other->radius -= kTalkRadiusGain;
  }
  leader->position = home;
  // Someone without a script has nothing to say; a conversation with it could never end.
  if (chosen == 0 || !actorAt(chosen)->runner.script.hasText()) return 0;
  for (int i = 0; i <= 4; ++i) {
    if (Actor* actor = actorAt(i)) actor->runner.savedHeading = actorChara(i)->rotation.y;
  }
  saveConversation(chosen);
  gTalkingActor = chosen;
  enterSpoken(chosen);
  return 1;
}

int drawEncounterEntry(const std::vector<EncounterEntry>& entries, int r) {
  int64_t running = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    running += entries[i].weight;
    if (running >= r) return static_cast<int>(i);
  }
  return -1;
}

void EncounterStep(int step) {
  EncounterTable& table = gField.encounter;
  if (table.threshold == 0) return;
  if (table.counter < table.threshold) table.counter += step;
  if (table.counter < table.threshold) return;
  if (nextRandom() % (32 << std::clamp(step, 0, 20)) != 5) return;
  table.counter = 0;
  int64_t sum = 0;
  for (const EncounterEntry& entry : table.entries) sum += entry.weight;
  if (sum <= 0 || sum > INT32_MAX) return;  // nothing to draw from
  const int chosen = drawEncounterEntry(table.entries, nextRandom() % static_cast<int>(sum));
  if (chosen < 0) return;
  gGame.formation = table.entries[static_cast<size_t>(chosen)].formation;
  startEncounter();
}

void cameraFollow() {
  if (CHARA* leader = actorChara(0)) {
    gCamera.target = {leader->position.x, leader->position.y + 256.0f, leader->position.z};
    gCamera.eye.y = leader->position.y + gField.cameraHeight;
    cameraUpdateEye();
  }
  placeFollowers();
}

void placeFollowers() {
  const int index = gField.trailIndex;
  const float t = static_cast<float>(gField.trailStep) * 0.0625f;
  int ahead = 0;
  for (int k = 1; k <= kFollowerSlots; ++k) {
    const int f = gField.followers[k - 1];
    CHARA* follower = f != 0 ? actorChara(f) : nullptr;
    if (!follower) continue;
    const int newer = ((index - k) % kTrailLength + kTrailLength) % kTrailLength;
    const int older = ((index - k - 1) % kTrailLength + kTrailLength) % kTrailLength;
    const float x0 = gField.trailX[older], z0 = gField.trailZ[older];
    const float x1 = gField.trailX[newer], z1 = gField.trailZ[newer];
    follower->position.x = x0 + (x1 - x0) * t;
    follower->position.z = z0 + (z1 - z0) * t;
    follower->rotation.y = heading(x1, z1, x0, z0);
    groundQuery(follower->position, 0);
    if (CHARA* front = actorChara(ahead); front && follower->vertexCount() > 0) {
      int animation = 0;
      if (front->getAnim() != 0) animation = distanceXZ(follower->position, front->position) > kFollowerNear ? 1 : 2;
      setAnimation(*follower, animation);
    }
    ahead = f;
  }
}

void resetTrail() {
  CHARA* leader = actorChara(0);
  if (!leader) return;
  for (int e = 0; e < kTrailLength; ++e) {
    const CHARA* source = e < 5 ? actorChara(4 - e) : leader;
    if (!source) source = leader;
    gField.trailX[e] = source->position.x;
    gField.trailZ[e] = source->position.z;
  }
  gField.trailIndex = 5;
  gField.trailStep = 4;
}

bool arrowHeading(float a, bool up, bool down, bool left, bool right, float& direction) {
  if (up) {
    direction = a + kHalfTurn + (left ? -kEighthTurn : right ? kEighthTurn : 0.0f);
  } else if (down) {
    direction = a + kFullTurn + (left ? kEighthTurn : right ? -kEighthTurn : 0.0f);
  } else if (left) {
    direction = a + kQuarterTurn;
  } else if (right) {
    direction = a - kQuarterTurn;
  } else {
    return false;
  }
  return true;
}

// ---- the scene ----

void drawFieldWorld() {
  if (!gDevice) return;
  drawSky(gCamera.eye);
  gDevice->SetRenderState(D3DRS_FOGENABLE, true);
  drawMap();
  const ShadowView view = shadowViewFor(gCamera.eye, gCamera.angle, kFieldDrawDistance);
  drawShadows(view);
  drawCharacters(gCamera.eye);
  gDevice->SetRenderState(D3DRS_FOGENABLE, false);
}

void FieldScene() {
  fieldInput();
  if (gFieldSceneHook) gFieldSceneHook();
  if (gCamera.motion) gCamera.motion();
  if (!gDevice) return;
  drawFieldWorld();
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  stepActors();
  gDevice->SetRenderState(D3DRS_ALPHATESTENABLE, true);
  stepObjectTasks();
  gDevice->SetRenderState(D3DRS_ALPHATESTENABLE, false);
  gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
  gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  messageDraw();
  if (gChoice.pending) choiceDraw();
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  if (gEvent.script.active) stepEventScript();
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
}

std::string fieldStateJson() {
  state_json::Object json;
  json.add("scene", state_json::gameText(gEvent.sceneName));
  json.add("map", state_json::gameText(gField.mapName));
  json.add("talking", gTalkingActor);
  json.add("followers", state_json::intArray(gField.followers, kFollowerSlots));
  json.add("trail_index", gField.trailIndex);
  json.add("trail_step", gField.trailStep);
  json.add("camera_height", gField.cameraHeight);
  json.add("music", state_json::gameText(gFieldMusicName));
  state_json::Object encounter;
  encounter.add("threshold", gField.encounter.threshold);
  encounter.add("counter", gField.encounter.counter);
  std::string entries = "[";
  for (size_t i = 0; i < gField.encounter.entries.size(); ++i) {
    const EncounterEntry& e = gField.encounter.entries[i];
    entries += (i ? ", [" : "[") + std::to_string(e.formation) + ", " + std::to_string(e.weight) + "]";
  }
  encounter.add("entries", entries + "]");
  json.add("encounter", encounter.text());
  return json.text();
}
