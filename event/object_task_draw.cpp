// What the object tasks draw: camera-facing sprites in the scene, sprites and text on the
// screen, the four shapes, the mesh model and the particle field around the camera. Every
// drawer builds its vertices anew from the task's state each time it is called.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/draw2d.h"
#include "event/object_task.h"
#include "gfx/camera.h"
#include "gfx/text.h"

namespace {

using namespace plat;

// Shapes have at most this many segments; more would look no different.
constexpr int32_t kMaxSegments = 1024;
constexpr float kFullTurn = 6.28318f;
// Shapes go round with the library sine and cosine and a whole turn, so that they close up
// round (the polynomial ones stray by a few hundredths towards half a turn).
constexpr float kRoundTurn = 6.28318531f;

// Particle field: cells of 2048 units, seen within 4096 of the eye, four sprites a cell.
constexpr float kFieldCell = 2048.0f;
constexpr float kFieldReach = 4096.0f;
constexpr int kFieldColumns = 4;
constexpr float kFieldColumnStep = 1024.0f;
constexpr int32_t kFieldFall = 4096;
constexpr float kFieldFloor = -512.0f;   // where the falling columns start again from the top
constexpr float kFieldLowest = -64.0f;   // sprites lower than this are not drawn
constexpr float kFieldViewHalf = 0.9f;   // the horizontal view (0.51 radians) with room for a cell

// Texture u and v of a sprite's cell.
struct CellRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

bool cellRect(const ObjPart& part, const TexRecord& record, CellRect& rect) {
  if (!record.texture || record.width == 0 || record.height == 0) return false;
  const float width = static_cast<float>(part.cellSize & 0xFFFF), height = static_cast<float>(part.cellSize >> 16);
  const float column = static_cast<float>(part.cell & 0xFFFF), row = static_cast<float>(part.cell >> 16);
  const float texW = static_cast<float>(record.width), texH = static_cast<float>(record.height);
  rect = {column * width / texW, row * height / texH, (column + 1) * width / texW, (row + 1) * height / texH};
  return true;
}

const TexRecord* partTexture(const ObjTask& task, const ObjPart& part) {
  if (part.texture < 0 || part.texture >= kObjectTaskTextures) return nullptr;
  return &task.textures[static_cast<size_t>(part.texture)];
}

// The camera's right and up directions in the world, for sprites that face it.
struct Billboard {
  VECTOR right{1, 0, 0};
  VECTOR up{0, 1, 0};
};

Billboard cameraBillboard() {
  const auto& m = gViewMatrix.m;
  return {{m[0][0], m[1][0], m[2][0]}, {m[0][1], m[1][1], m[2][1]}};
}

std::vector<WorldVertex>& spriteBatch() {
  static std::vector<WorldVertex> batch;
  return batch;
}

void appendSprite(std::vector<WorldVertex>& batch, const Billboard& b, const VECTOR& c, float halfWidth,
                  float halfHeight, const CellRect& r, uint32_t colour) {
  auto corner = [&](float sx, float sy, float u, float v) {
    return WorldVertex(c.x + b.right.x * sx * halfWidth + b.up.x * sy * halfHeight,
                       c.y + b.right.y * sx * halfWidth + b.up.y * sy * halfHeight,
                       c.z + b.right.z * sx * halfWidth + b.up.z * sy * halfHeight, u, v, colour);
  };
  const WorldVertex topLeft = corner(-1, 1, r.u0, r.v0), topRight = corner(1, 1, r.u1, r.v0);
  const WorldVertex bottomLeft = corner(-1, -1, r.u0, r.v1), bottomRight = corner(1, -1, r.u1, r.v1);
  batch.insert(batch.end(), {topLeft, topRight, bottomLeft, bottomLeft, topRight, bottomRight});
}

void flushSprites(std::vector<WorldVertex>& batch, const TexRecord* record) {
  if (batch.empty() || !record) return;
  gDevice->SetTexture(0, record->texture.get());
  gDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<unsigned>(batch.size() / 3), batch.data(), sizeof(WorldVertex));
  batch.clear();
}

// Shapes and sprites are seen from both sides and do not hide each other: culling and depth
// writes are off while they draw (the depth test stays as the scene set it).
class EffectState {
 public:
  EffectState() {
    gDevice->GetRenderState(D3DRS_CULLMODE, &cull_);
    gDevice->GetRenderState(D3DRS_ZWRITEENABLE, &depthWrite_);
    gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    gDevice->SetRenderState(D3DRS_ZWRITEENABLE, false);
  }
  ~EffectState() {
    gDevice->SetRenderState(D3DRS_CULLMODE, cull_);
    gDevice->SetRenderState(D3DRS_ZWRITEENABLE, depthWrite_);
  }
  EffectState(const EffectState&) = delete;
  EffectState& operator=(const EffectState&) = delete;

 private:
  DWORD cull_ = D3DCULL_CCW;
  DWORD depthWrite_ = 1;
};

void worldVertexDrawing(const MATRIX& world) {
  gDevice->SetTransform(D3DTS_WORLD, &world);
  gDevice->SetVertexShader(kWorldVertexFormat);
}

MATRIX identityMatrix() {
  MATRIX m;
  m.identity();
  return m;
}

float rowLength(const MATRIX& m, int row) {
  return std::sqrt(m.m[row][0] * m.m[row][0] + m.m[row][1] * m.m[row][1] + m.m[row][2] * m.m[row][2]);
}

uint32_t halfAlpha(uint32_t argb) {
  return ((argb >> 24) / 2) << 24 | (argb & 0xFFFFFF);
}

void drawStrip(const std::vector<WorldVertex>& strip) {
  if (strip.size() >= 3)
    gDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, static_cast<unsigned>(strip.size() - 2), strip.data(), sizeof(WorldVertex));
}

// Shape 0: the ring between radii a and b in the x–z plane; the outer edge at half alpha.
void ring(float inner, float outer, int segments, uint32_t colour) {
  std::vector<WorldVertex> strip;
  strip.reserve(2 * static_cast<size_t>(segments) + 2);
  for (int i = 0; i <= segments; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(segments);
    const float s = std::sin(t * kRoundTurn), c = std::cos(t * kRoundTurn);
    strip.emplace_back(s * inner, 0.0f, c * inner, t, 0.0f, colour);
    strip.emplace_back(s * outer, 0.0f, c * outer, t, 1.0f, halfAlpha(colour));
  }
  drawStrip(strip);
}

// Shape 1: the open cylinder of radius r and height h; the top edge at half alpha, the texture
// once around.
void cylinder(float radius, float height, int segments, uint32_t colour) {
  std::vector<WorldVertex> strip;
  strip.reserve(2 * static_cast<size_t>(segments) + 2);
  for (int i = 0; i <= segments; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(segments);
    const float x = std::sin(t * kRoundTurn) * radius, z = std::cos(t * kRoundTurn) * radius;
    strip.emplace_back(x, 0.0f, z, t, 1.0f, colour);
    strip.emplace_back(x, height, z, t, 0.0f, halfAlpha(colour));
  }
  drawStrip(strip);
}

// Shape 2: four vertical quads from the axis outwards, a quarter turn apart, 64 wide, from
// height 32 to 256; white at the bottom, half-transparent white at the top.
void cross(const TexRecord& record) {
  constexpr float kWidth = 64.0f, kBottom = 32.0f, kTop = 256.0f;
  constexpr uint32_t kBottomColour = 0xFFFFFFFF, kTopColour = 0x80FFFFFF;
  gDevice->SetTexture(0, record.texture.get());
  for (int k = 0; k < 4; ++k) {
    const float a = static_cast<float>(k) * kRoundTurn / 4;
    const float x = std::round(std::sin(a)) * kWidth, z = std::round(std::cos(a)) * kWidth;
    const std::vector<WorldVertex> quad = {{0, kBottom, 0, 0, 1, kBottomColour},
                                           {x, kBottom, z, 1, 1, kBottomColour},
                                           {0, kTop, 0, 0, 0, kTopColour},
                                           {x, kTop, z, 1, 0, kTopColour}};
    drawStrip(quad);
  }
}

// Shape 3: the vertical band from p to q, height high.
void band(const VECTOR& p, const VECTOR& q, float height, uint32_t colour) {
  const std::vector<WorldVertex> quad = {{p.x, p.y, p.z, 0, 1, colour},
                                         {q.x, q.y, q.z, 1, 1, colour},
                                         {p.x, p.y + height, p.z, 0, 0, colour},
                                         {q.x, q.y + height, q.z, 1, 0, colour}};
  drawStrip(quad);
}

// A repeatable spread of the particle field: a value 0 … 1 of the cell, column and axis.
float fieldPattern(int32_t i, int32_t k, int column, int axis) {
  uint32_t h = static_cast<uint32_t>(i) * 0x9E3779B1u ^ static_cast<uint32_t>(k) * 0x85EBCA77u ^
               static_cast<uint32_t>(column * 4 + axis) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return static_cast<float>(h & 0xFFFF) / 65536.0f;
}

// The cells -half … half-1 along one axis whose centres may lie within reach of the eye.
bool fieldRange(float eye, float origin, int32_t half, int32_t& first, int32_t& last) {
  const double from = std::max(std::ceil((static_cast<double>(eye) - origin - kFieldReach) / kFieldCell - 0.5),
                               -static_cast<double>(half));
  const double to = std::min(std::floor((static_cast<double>(eye) - origin + kFieldReach) / kFieldCell - 0.5),
                             static_cast<double>(half) - 1);
  if (!(from <= to)) return false;  // also when the eye is not a number
  first = static_cast<int32_t>(from);
  last = static_cast<int32_t>(to);
  return true;
}

}  // namespace

void drawPartSprites(const ObjTask& task, const MATRIX& world) {
  const Billboard billboard = cameraBillboard();
  const float widthScale = rowLength(world, 0), heightScale = rowLength(world, 1);
  EffectState effectState;
  worldVertexDrawing(identityMatrix());
  std::vector<WorldVertex>& batch = spriteBatch();
  batch.clear();
  const TexRecord* current = nullptr;
  for (const ObjPart& part : task.parts) {
    const TexRecord* record = partTexture(task, part);
    CellRect rect;
    if (!record || !cellRect(part, *record, rect)) continue;
    if (record != current) {
      flushSprites(batch, current);
      current = record;
    }
    VECTOR centre = part.position;
    centre.transform(world);
    const float half = kPartSpriteSize / 2;
    appendSprite(batch, billboard, centre, half * part.scale.x * widthScale, half * part.scale.y * heightScale, rect,
                 part.argb());
  }
  flushSprites(batch, current);
}

void drawScreenSprites(const ObjTask& task) {
  const SpriteState saved = gSprite;
  for (const ObjPart& part : task.parts) {
    const TexRecord* record = partTexture(task, part);
    if (!record || !record->texture) continue;
    const int width = static_cast<int>(part.cellSize & 0xFFFF), height = static_cast<int>(part.cellSize >> 16);
    const int column = static_cast<int>(part.cell & 0xFFFF), row = static_cast<int>(part.cell >> 16);
    gSprite.pivotX = static_cast<float>(width) / 2;
    gSprite.pivotY = static_cast<float>(height) / 2;
    setSpriteScale(part.scale.x, part.scale.y);
    setSpriteColour(part.argb());
    drawSprite(part.position.x - gSprite.pivotX, part.position.y - gSprite.pivotY, *record, column * width,
               row * height, width, height);
  }
  gSprite = saved;
}

void drawShape(const ObjTask& task, int shape, int32_t a, int32_t b, int32_t segments) {
  if (task.parts.empty() || shape < 0 || shape > 3) return;
  if ((shape == 0 || shape == 1) && segments < 3) return;
  const uint32_t colour = task.parts[0].argb();
  const int n = std::min(segments, kMaxSegments);
  EffectState effectState;
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  worldVertexDrawing(shape == 3 ? identityMatrix() : objectWorld(task));
  switch (shape) {
    case 0: ring(static_cast<float>(a), static_cast<float>(b), n, colour); break;
    case 1: cylinder(static_cast<float>(a), static_cast<float>(b), n, colour); break;
    case 2: cross(task.textures[0]); break;
    case 3: band(task.position, task.rotation, static_cast<float>(a), colour); break;
    default: break;
  }
}

void drawSceneText(const ObjTask& task, float x, float y) {
  if (task.parts.empty()) return;
  const SpriteState saved = gSprite;
  setSpriteColour(task.parts[0].argb());
  gDevice->SetVertexShader(kScreenVertexFormat);
  float penX = x, penY = y;
  for (const int16_t glyph : task.text) {
    if (glyph == kGlyphEnd) break;
    if (glyph == kSceneTextLineBreak) {
      penX = x;
      penY += 16.0f;
      continue;
    }
    drawGlyph(penX, penY, glyph);
    penX += 17.0f;
  }
  gSprite = saved;
}

void drawTaskModel(const ObjTask& task) {
  if (!task.model || task.parts.empty()) return;
  const ObjPart& part = task.parts[0];
  gDevice->SetRenderState(D3DRS_LIGHTING, true);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
  MATRIX world, step;
  world.scaling(part.scale);
  step.rotationXYZ(part.motion);
  world.mul(step);
  step.translation(part.position);
  world.mul(step);
  world.mul(objectWorld(task));
  gDevice->SetTransform(D3DTS_WORLD, &world);
  D3DMATERIAL8 material{};
  gDevice->GetMaterial(&material);
  const D3DCOLORVALUE tint{static_cast<float>((part.colour >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((part.colour >> 8) & 0xFF) / 255.0f,
                           static_cast<float>(part.colour & 0xFF) / 255.0f, static_cast<float>(part.alpha) / 255.0f};
  material.Diffuse = material.Ambient = tint;
  gDevice->SetMaterial(&material);
  task.model->draw(gDevice);
  material.Diffuse = material.Ambient = {1, 1, 1, 1};
  gDevice->SetMaterial(&material);
}

void drawParticleField(const ObjTask& task, int32_t fallingOffset, int32_t gridHalf) {
  if (task.parts.empty() || gridHalf <= 0) return;
  const ObjPart& part = task.parts[0];
  const TexRecord* record = partTexture(task, part);
  CellRect rect;
  if (!record || !cellRect(part, *record, rect)) return;
  const VECTOR eye = gCamera.eye, origin = task.position;
  int32_t firstI = 0, lastI = 0, firstK = 0, lastK = 0;
  if (!fieldRange(eye.x, origin.x, gridHalf, firstI, lastI) || !fieldRange(eye.z, origin.z, gridHalf, firstK, lastK))
    return;
  const float view = heading(gCamera.target.x, gCamera.target.z, eye.x, eye.z);
  const Billboard billboard = cameraBillboard();
  const float halfWidth = kPartSpriteSize / 2 * part.scale.x, halfHeight = kPartSpriteSize / 2 * part.scale.y;
  const uint32_t colour = part.argb();
  std::vector<WorldVertex>& batch = spriteBatch();
  batch.clear();
  for (int32_t i = firstI; i <= lastI; ++i) {
    for (int32_t k = firstK; k <= lastK; ++k) {
      const float cx = origin.x + (static_cast<float>(i) + 0.5f) * kFieldCell;
      const float cz = origin.z + (static_cast<float>(k) + 0.5f) * kFieldCell;
      const float dx = cx - eye.x, dz = cz - eye.z;
      const float distance = std::sqrt(dx * dx + dz * dz);
      if (distance > kFieldReach) continue;
      const float turn = std::remainder(heading(cx, cz, eye.x, eye.z) - view, kFullTurn);
      if (distance > kFieldCell && std::fabs(turn) > kFieldViewHalf) continue;
      for (int column = 0; column < kFieldColumns; ++column) {
        const float rise = static_cast<float>(column) * kFieldColumnStep + fieldPattern(i, k, column, 1) * kFieldColumnStep;
        float height = std::fmod(rise - static_cast<float>(fallingOffset), static_cast<float>(kFieldFall));
        if (height < 0) height += static_cast<float>(kFieldFall);
        height += kFieldFloor;
        if (height < kFieldLowest) continue;
        const VECTOR at{cx + (fieldPattern(i, k, column, 0) - 0.5f) * kFieldCell, origin.y + height,
                        cz + (fieldPattern(i, k, column, 2) - 0.5f) * kFieldCell};
        appendSprite(batch, billboard, at, halfWidth, halfHeight, rect, colour);
      }
    }
  }
  EffectState effectState;
  worldVertexDrawing(identityMatrix());
  flushSprites(batch, record);
}
