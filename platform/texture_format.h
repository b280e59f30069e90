// Pixel formats of the device's textures: sizes of a locked level and the conversion of a level
// from its own format to RGBA bytes (the form the textures are uploaded in). No OpenGL here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/device.h"

namespace plat {

bool IsSupportedTextureFormat(D3DFORMAT format);
bool IsBlockCompressed(D3DFORMAT format);
// Bytes per 4 x 4 block of a compressed format (0 for the others).
int BlockBytes(D3DFORMAT format);
// Bytes of one row of a locked level: pixels, or 4 x 4 blocks of a compressed format.
unsigned LevelPitch(D3DFORMAT format, unsigned width);
// Rows of a locked level: pixel rows, or block rows of a compressed format.
unsigned LevelRows(D3DFORMAT format, unsigned height);
inline size_t LevelBytes(D3DFORMAT format, unsigned width, unsigned height) {
  return size_t(LevelPitch(format, width)) * LevelRows(format, height);
}
// Size of a mip level (never below 1).
inline unsigned MipSize(unsigned size, unsigned level) {
  unsigned s = level < 32 ? size >> level : 0;
  return s ? s : 1;
}
// Number of levels of the full chain down to 1 x 1.
unsigned FullMipCount(unsigned width, unsigned height);

// Converts a width x height level stored with the given pitch into RGBA bytes, top row first,
// 4 * width * height bytes. Formats without alpha give alpha 255.
void DecodeToRgba(D3DFORMAT format, const uint8_t* src, unsigned pitch, unsigned width, unsigned height,
                  uint8_t* rgba);

}  // namespace plat
