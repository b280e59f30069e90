// The device and the texture table shared by every drawing subsystem.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/device.h"

// A texture with the width and height of its source image (from the image file's header).
struct TexRecord {
  std::unique_ptr<plat::Texture> texture;
  uint32_t width = 0;
  uint32_t height = 0;
  void release() {
    texture.reset();
  }
};

constexpr int kTextureTableSize = 32;
// Fixed entries of the texture table.
constexpr int kTexCursor = 2;       // "tex\cur.au"
constexpr int kTexLabels = 3;       // "tex\dmg.au"
constexpr int kTexMessageEdge = 4;  // "tex\MBoxEdge.au"

// The one device of the game; null before the graphics set-up and after the shutdown.
extern plat::Device* gDevice;
extern TexRecord gTextures[kTextureTableSize];

// Creates the device and fixes the texture-stage state, then runs the music set-up; false when
// either fails.
bool graphicsSetup();
// Releases the texture table, then the device.
void graphicsShutdown();
