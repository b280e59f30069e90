// The sky box: five textured faces of an open cube around the viewer, turning slowly about the
// vertical axis. It is the first thing the field and the battle draw each frame.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "gfx/math.h"
#include "platform/device.h"

// One corner of a sky face: position, colour, texture coordinates.
struct SkyVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(SkyVertex) == 24);

constexpr int kSkyFaces = 5;

struct SkyBox {
  int32_t enabled = 0;  // 0: no sky; the frame is cleared to black instead
  std::unique_ptr<plat::Texture> textures[kSkyFaces];
  float spinSpeed = 0.0f;  // degrees a frame
  float angle = 0.0f;      // degrees
  // A cube of half-size 256 without its bottom, seen from inside; texture coordinates that are
  // not 0 hold the tiling value.
  SkyVertex faces[kSkyFaces][4];
};

extern SkyBox gSky;

// Reads "Mat\SKY\<name>.zd" under the data root: the sky on or off, its texture base name, the
// tiling value and the spin. A missing file shows "SB:Load Error!" and leaves the sky as it was.
void loadSky(std::string_view name);
// The boot's sky: the five "sb0" faces, switched on, with the tiling and spin as they are.
void loadDefaultSky();
// Draws the sky around the eye position (or clears the frame to black when there is none).
void drawSky(const VECTOR& eye);

// Back to the state at start: no sky, no textures, no spin.
void resetSky();
