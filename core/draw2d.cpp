#include "core/draw2d.h"

#include <cmath>


namespace {
// The window colours at start (the boot sets the same).
constexpr uint32_t kStartWindowColours[4] = {0xA000C000, 0xA00000C0, 0xA0C00000, 0xA0C0C000};
}  // namespace

SpriteState gSprite;
uint32_t gWindowColours[4] = {kStartWindowColours[0], kStartWindowColours[1], kStartWindowColours[2],
                              kStartWindowColours[3]};

namespace {

using namespace plat;

void drawStrip(const ScreenVertex (&quad)[4]) {
  gDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
}

// An untextured quad with one colour per corner, in strip order.
void drawColouredStrip(const ScreenVertex (&quad)[4]) {
  gDevice->SetTexture(0, nullptr);
  gDevice->SetVertexShader(kScreenVertexFormat);
  drawStrip(quad);
}

void drawRect(float x, float y, float width, float height, Texture* texture, uint32_t colour) {
  const ScreenVertex quad[4] = {
      {x, y, 0.0f, 0.0f, 0.0f, colour},
      {x + width, y, 0.0f, 1.0f, 0.0f, colour},
      {x, y + height, 0.0f, 0.0f, 1.0f, colour},
      {x + width, y + height, 0.0f, 1.0f, 1.0f, colour},
  };
  gDevice->SetTexture(0, texture);
  gDevice->SetVertexShader(kScreenVertexFormat);
  drawStrip(quad);
}

}  // namespace

void resetSpriteState() {
  gSprite = SpriteState{};
}

void resetDrawState() {
  resetSpriteState();
  for (int i = 0; i < 4; ++i) gWindowColours[i] = kStartWindowColours[i];
}

void setSpriteColour(uint32_t colour) {
  gSprite.colour = colour;
}

void setSpriteScale(float scaleX, float scaleY) {
  gSprite.scaleX = scaleX;
  gSprite.scaleY = scaleY;
}

void drawSprite(float x, float y, const TexRecord& texture, int sourceX, int sourceY, int width, int height) {
  if (!gDevice) return;
  // A record without a size (nothing loaded) maps its whole texture.
  const float texWidth = texture.width ? float(texture.width) : 1.0f;
  const float texHeight = texture.height ? float(texture.height) : 1.0f;
  const float uL = float(sourceX) / texWidth, vT = float(sourceY) / texHeight;
  const float uR = uL + float(width) / texWidth, vB = vT + float(height) / texHeight;

  const float w = float(width), h = float(height);
  const float corners[4][2] = {{x, y}, {x + w, y}, {x, y + h}, {x + w, y + h}};
  const float uv[4][2] = {{uL, vT}, {uR, vT}, {uL, vB}, {uR, vB}};
  const float qx = x + gSprite.pivotX, qy = y + gSprite.pivotY;
  const float c = std::cos(gSprite.angle), s = std::sin(gSprite.angle);
  ScreenVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    const float dx = (corners[i][0] - qx) * gSprite.scaleX;
    const float dy = (corners[i][1] - qy) * gSprite.scaleY;
    quad[i] = ScreenVertex(qx + dx * c - dy * s, qy + dx * s + dy * c, 0.0f, uv[i][0], uv[i][1], gSprite.colour);
  }
  gDevice->SetTexture(0, texture.texture.get());
  gDevice->SetVertexShader(kScreenVertexFormat);
  drawStrip(quad);
}

namespace {
// The four corners of a glyph cell in strip order.
void glyphQuad(ScreenVertex (&quad)[4], float x, float y, float u, float v) {
  const float cell = 1.0f / 32.0f;
  const uint32_t colour = gSprite.colour;
  quad[0] = {x, y, 0.0f, u, v, colour};
  quad[1] = {x + 16.0f, y, 0.0f, u + cell, v, colour};
  quad[2] = {x, y + 16.0f, 0.0f, u, v + cell, colour};
  quad[3] = {x + 16.0f, y + 16.0f, 0.0f, u + cell, v + cell, colour};
}
}  // namespace

void drawGlyphCell(float x, float y, float u, float v) {
  if (!gDevice) return;
  ScreenVertex quad[4];
  glyphQuad(quad, x, y, u, v);
  drawStrip(quad);
}

void GlyphRun::add(float x, float y, float u, float v) {
  ScreenVertex quad[4];
  glyphQuad(quad, x, y, u, v);
  // The strip's two triangles, 0-1-2 and 2-1-3, with the strip's winding.
  for (int corner : {0, 1, 2, 2, 1, 3}) vertices_.push_back(quad[corner]);
}

void GlyphRun::draw() {
  if (gDevice && !vertices_.empty())
    gDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<unsigned>(vertices_.size() / 3), vertices_.data(),
                             sizeof(ScreenVertex));
  vertices_.clear();
}

void drawColourRect(float x, float y, float width, float height, uint32_t colour) {
  if (!gDevice) return;
  drawRect(x, y, width, height, nullptr, colour);
}

void drawTextureRect(float x, float y, float width, float height, const TexRecord& texture) {
  if (!gDevice) return;
  drawRect(x, y, width, height, texture.texture.get(), 0xFFFFFFFF);
}

void drawGradientRect(float x, float y, float width, float height, uint32_t topLeft, uint32_t topRight,
                      uint32_t bottomLeft, uint32_t bottomRight) {
  if (!gDevice) return;
  const ScreenVertex quad[4] = {
      {x, y, topLeft},
      {x + width, y, topRight},
      {x, y + height, bottomLeft},
      {x + width, y + height, bottomRight},
  };
  drawColouredStrip(quad);
}

void drawWindowBackground(float x, float y, float width, float height) {
  drawGradientRect(x + 4.0f, y + 4.0f, width - 8.0f, height - 8.0f, gWindowColours[0], gWindowColours[1],
                   gWindowColours[2], gWindowColours[3]);
}

void drawWindowFrame(float x, float y, float width, float height) {
  if (!gDevice) return;
  constexpr uint32_t kOuterLeft = 0xFFFF8000, kOuterRight = 0xFF8000FF;
  constexpr uint32_t kInnerLeft = 0xFF00FF00, kInnerRight = 0xFFFFFFFF;
  const float x0 = x, y0 = y, x1 = x + width, y1 = y + height;
  const ScreenVertex top[4] = {
      {x0, y0, kOuterLeft}, {x1, y0, kOuterRight}, {x0 + 4, y0 + 4, kInnerLeft}, {x1 - 4, y0 + 4, kInnerRight}};
  const ScreenVertex bottom[4] = {
      {x0 + 4, y1 - 4, kInnerLeft}, {x1 - 4, y1 - 4, kInnerRight}, {x0, y1, kOuterLeft}, {x1, y1, kOuterRight}};
  const ScreenVertex left[4] = {
      {x0, y0, kOuterLeft}, {x0 + 4, y0 + 4, kInnerLeft}, {x0, y1, kOuterLeft}, {x0 + 4, y1 - 4, kInnerLeft}};
  const ScreenVertex right[4] = {
      {x1 - 4, y0 + 4, kInnerRight}, {x1, y0, kOuterRight}, {x1 - 4, y1 - 4, kInnerRight}, {x1, y1, kOuterRight}};
  drawColouredStrip(top);
  drawColouredStrip(bottom);
  drawColouredStrip(left);
  drawColouredStrip(right);
}

void drawWindowBox(float x, float y, float width, float height) {
  drawWindowBackground(x, y, width, height);
  drawWindowFrame(x, y, width, height);
}

void drawMaskedWindow(float x, float y, float width, float height) {
  if (!gDevice) return;
  gDevice->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
  drawWindowFrame(x, y, width, height);
  gDevice->SetRenderState(D3DRS_STENCILENABLE, true);
  gDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  gDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
  drawWindowBackground(x, y, width, height);  // marks its pixels with stencil 1
  gDevice->SetRenderState(D3DRS_STENCILREF, 1);
  gDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
  gDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
}

float wrapAngle(float angle) {
  constexpr float kTurn = 6.28318f;
  if (!std::isfinite(angle)) return 0.0f;
  // Far-off angles come near in one step; the loops then finish the job as always.
  if (angle < -64.0f * kTurn || angle > 64.0f * kTurn) angle = std::fmod(angle, kTurn);
  while (angle < 0.0f) angle += kTurn;
  while (angle > kTurn) angle -= kTurn;
  return angle;
}

int sign(int value) {
  return (value > 0) - (value < 0);
}
