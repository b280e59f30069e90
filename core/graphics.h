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

// Creates the device, fixes the texture-stage state and empties the texture table; false when
// there is no device. The start-up runs the music set-up right after it.
bool graphicsSetup();
// Releases the capture resources if the quit path has not, the texture table, then the device.
void graphicsShutdown();
// Light 0 (the one directional light of the game) and the lighting render states.
void lightSetup();

// The program's pixel shader, made by the boot from "res\ps0.zf"; 0 when there is none.
extern plat::PixelShaderHandle gPixelShader;
// Deletes the pixel shader (when there is one and a device to delete it with); the handle is 0.
void releasePixelShader();
