// Immediate-mode 2D drawing: every menu, window, text and status display is made of these.
// Each drawer builds four pre-transformed vertices and draws them as one triangle strip, leaving
// depth testing and blending as the caller set them (the masked window also leaves the stencil
// test on).
#pragma once
#include <cstdint>
#include <vector>

#include "core/graphics.h"

// The one 2D vertex (32 bytes): screen position, rhw, diffuse, specular (unused), u, v.
struct ScreenVertex {
  float x = 0, y = 0, z = 0, rhw = 1;
  uint32_t diffuse = 0;
  uint32_t specular = 0;
  float u = 0, v = 0;
  ScreenVertex() = default;
  // Textured, rhw 1.
  ScreenVertex(float x_, float y_, float z_, float u_, float v_, uint32_t colour)
      : x(x_), y(y_), z(z_), rhw(1.0f), diffuse(colour), u(u_), v(v_) {}
  // Coloured, z 1 and rhw 1, without texture coordinates.
  ScreenVertex(float x_, float y_, uint32_t colour) : x(x_), y(y_), z(1.0f), rhw(1.0f), diffuse(colour) {}
};
static_assert(sizeof(ScreenVertex) == 32);
constexpr plat::DWORD kScreenVertexFormat =
    plat::D3DFVF_XYZRHW | plat::D3DFVF_DIFFUSE | plat::D3DFVF_SPECULAR | plat::D3DFVF_TEX1;

// The vertex of effects drawn in the world (28 bytes): position, diffuse, an unused value, u, v.
struct WorldVertex {
  float x = 0, y = 0, z = 0;
  uint32_t diffuse = 0;
  uint32_t unused = 0;
  float u = 0, v = 0;
  WorldVertex() = default;
  WorldVertex(float x_, float y_, float z_, float u_, float v_, uint32_t colour)
      : x(x_), y(y_), z(z_), diffuse(colour), u(u_), v(v_) {}
};
static_assert(sizeof(WorldVertex) == 28);
constexpr plat::DWORD kWorldVertexFormat =
    plat::D3DFVF_XYZ | plat::D3DFVF_DIFFUSE | plat::D3DFVF_SPECULAR | plat::D3DFVF_TEX1;

// What the sprite and glyph drawers turn, scale and tint by.
struct SpriteState {
  float angle = 0.0f;  // radians; positive turns clockwise on the screen
  float pivotX = 0.0f, pivotY = 0.0f;  // from the sprite's top-left corner
  float scaleX = 1.0f, scaleY = 1.0f;
  uint32_t colour = 0xFFFFFFFF;
};
extern SpriteState gSprite;

// Corner colours of every window background: top left, top right, bottom left, bottom right.
extern uint32_t gWindowColours[4];

void resetSpriteState();
// The sprite state and the window colours back to their start values.
void resetDrawState();
void setSpriteColour(uint32_t colour);
void setSpriteScale(float scaleX, float scaleY);

// A width x height part of the texture, from (sourceX, sourceY), at (x, y), turned, scaled and
// tinted by the sprite state.
void drawSprite(float x, float y, const TexRecord& texture, int sourceX, int sourceY, int width, int height);
// A 16 x 16 quad showing the 1/32 x 1/32 cell at (u, v) of the texture already set, in the
// sprite colour; the caller has set the screen vertex format.
void drawGlyphCell(float x, float y, float u, float v);
// Glyph cells collected and drawn as one triangle list in the order added: the same picture as
// one drawGlyphCell each, in one draw. The texture and vertex format are the caller's, as there.
class GlyphRun {
 public:
  // The cell at (u, v) at (x, y), in the sprite colour of now.
  void add(float x, float y, float u, float v);
  // Draws what was added and empties the run.
  void draw();

 private:
  std::vector<ScreenVertex> vertices_;
};
void drawColourRect(float x, float y, float width, float height, uint32_t colour);
// The whole texture stretched over the rectangle, in white.
void drawTextureRect(float x, float y, float width, float height, const TexRecord& texture);
void drawGradientRect(float x, float y, float width, float height, uint32_t topLeft, uint32_t topRight,
                      uint32_t bottomLeft, uint32_t bottomRight);
// The gradient in the window colours, 4 pixels inside the rectangle.
void drawWindowBackground(float x, float y, float width, float height);
// The 4-pixel border inside the rectangle: orange to purple outside, green to white inside.
void drawWindowFrame(float x, float y, float width, float height);
void drawWindowBox(float x, float y, float width, float height);
// Frame and background, leaving the stencil test on so that later drawing lands only inside the
// background; the caller turns the stencil test off when done.
void drawMaskedWindow(float x, float y, float width, float height);

// The angle moved into 0 ... 6.28318.
float wrapAngle(float angle);
int sign(int value);
