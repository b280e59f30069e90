#include "platform/texture_format.h"

#include <algorithm>
#include <cstring>

namespace plat {

int BytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return 2;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_D24S8:
      return 4;
    default:
      return 0;
  }
}

bool IsBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5;
}

bool IsSupportedTextureFormat(D3DFORMAT format) {
  return IsBlockCompressed(format) || (BytesPerPixel(format) != 0 && format != D3DFMT_D24S8);
}

int BlockBytes(D3DFORMAT format) {
  if (format == D3DFMT_DXT1) return 8;
  if (format == D3DFMT_DXT3 || format == D3DFMT_DXT5) return 16;
  return 0;
}

unsigned LevelPitch(D3DFORMAT format, unsigned width) {
  if (IsBlockCompressed(format)) return ((width + 3) / 4) * unsigned(BlockBytes(format));
  return width * unsigned(BytesPerPixel(format));
}

unsigned LevelRows(D3DFORMAT format, unsigned height) {
  return IsBlockCompressed(format) ? (height + 3) / 4 : height;
}

unsigned FullMipCount(unsigned width, unsigned height) {
  unsigned size = std::max(width, height);
  unsigned levels = 1;
  while (size > 1) {
    size >>= 1;
    ++levels;
  }
  return levels;
}

namespace {

uint8_t expand5(unsigned v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t expand6(unsigned v) { return uint8_t((v << 2) | (v >> 4)); }
uint8_t expand4(unsigned v) { return uint8_t((v << 4) | v); }
uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void put(uint8_t* out, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
  out[3] = a;
}

void decodePixel(D3DFORMAT format, const uint8_t* p, uint8_t* out) {
  switch (format) {
    case D3DFMT_R5G6B5: {
      unsigned v = read16(p);
      put(out, expand5(v >> 11), expand6((v >> 5) & 63), expand5(v & 31), 255);
      break;
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
      unsigned v = read16(p);
      uint8_t a = format == D3DFMT_X1R5G5B5 || (v & 0x8000) ? 255 : 0;
      put(out, expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31), a);
      break;
    }
    case D3DFMT_A4R4G4B4: {
      unsigned v = read16(p);
      put(out, expand4((v >> 8) & 15), expand4((v >> 4) & 15), expand4(v & 15), expand4(v >> 12));
      break;
    }
    case D3DFMT_R8G8B8:
      put(out, p[2], p[1], p[0], 255);
      break;
    case D3DFMT_X8R8G8B8:
      put(out, p[2], p[1], p[0], 255);
      break;
    case D3DFMT_A8R8G8B8:
      put(out, p[2], p[1], p[0], p[3]);
      break;
    default:
      put(out, 0, 0, 0, 0);
      break;
  }
}

// The four colours of a DXT colour block. A DXT1 block with c0 <= c1 has three colours and
// transparent black.
void blockPalette(const uint8_t* block, bool dxt1, uint8_t palette[4][4]) {
  unsigned c0 = read16(block), c1 = read16(block + 2);
  auto fill = [](uint8_t* out, unsigned c) { put(out, expand5(c >> 11), expand6((c >> 5) & 63), expand5(c & 31), 255); };
  fill(palette[0], c0);
  fill(palette[1], c1);
  for (int k = 0; k < 3; ++k) {
    unsigned a = palette[0][k], b = palette[1][k];
    if (c0 > c1 || !dxt1) {
      palette[2][k] = uint8_t((2 * a + b) / 3);
      palette[3][k] = uint8_t((a + 2 * b) / 3);
    } else {
      palette[2][k] = uint8_t((a + b) / 2);
      palette[3][k] = 0;
    }
  }
  palette[2][3] = 255;
  palette[3][3] = (c0 > c1 || !dxt1) ? 255 : 0;
}

// Alpha of the 16 texels of a DXT3 (explicit 4-bit) or DXT5 (interpolated) alpha block.
void blockAlpha(D3DFORMAT format, const uint8_t* block, uint8_t alpha[16]) {
  if (format == D3DFMT_DXT3) {
    for (int i = 0; i < 16; ++i) alpha[i] = expand4((block[i / 2] >> ((i & 1) * 4)) & 15);
    return;
  }
  unsigned a0 = block[0], a1 = block[1];
  uint8_t values[8] = {uint8_t(a0), uint8_t(a1)};
  if (a0 > a1) {
    for (int k = 1; k < 7; ++k) values[k + 1] = uint8_t(((7 - k) * a0 + k * a1) / 7);
  } else {
    for (int k = 1; k < 5; ++k) values[k + 1] = uint8_t(((5 - k) * a0 + k * a1) / 5);
    values[6] = 0;
    values[7] = 255;
  }
  uint64_t bits = 0;
  for (int k = 0; k < 6; ++k) bits |= uint64_t(block[2 + k]) << (8 * k);
  for (int i = 0; i < 16; ++i) alpha[i] = values[(bits >> (3 * i)) & 7];
}

void decodeBlocks(D3DFORMAT format, const uint8_t* src, unsigned pitch, unsigned width, unsigned height,
                  uint8_t* rgba) {
  const int blockBytes = BlockBytes(format);
  const bool dxt1 = format == D3DFMT_DXT1;
  for (unsigned by = 0; by < (height + 3) / 4; ++by) {
    for (unsigned bx = 0; bx < (width + 3) / 4; ++bx) {
      const uint8_t* block = src + size_t(by) * pitch + size_t(bx) * blockBytes;
      const uint8_t* colour = dxt1 ? block : block + 8;
      uint8_t palette[4][4];
      blockPalette(colour, dxt1, palette);
      uint8_t alpha[16];
      if (!dxt1) blockAlpha(format, block, alpha);
      unsigned indices = unsigned(colour[4]) | unsigned(colour[5]) << 8 | unsigned(colour[6]) << 16 |
                         unsigned(colour[7]) << 24;
      for (unsigned i = 0; i < 16; ++i) {
        unsigned x = bx * 4 + i % 4, y = by * 4 + i / 4;
        if (x >= width || y >= height) continue;
        uint8_t* out = rgba + (size_t(y) * width + x) * 4;
        std::memcpy(out, palette[(indices >> (2 * i)) & 3], 4);
        if (!dxt1) out[3] = alpha[i];
      }
    }
  }
}

}  // namespace

void DecodeToRgba(D3DFORMAT format, const uint8_t* src, unsigned pitch, unsigned width, unsigned height,
                  uint8_t* rgba) {
  if (IsBlockCompressed(format)) {
    decodeBlocks(format, src, pitch, width, height, rgba);
    return;
  }
  const int bpp = BytesPerPixel(format);
  for (unsigned y = 0; y < height; ++y) {
    const uint8_t* row = src + size_t(y) * pitch;
    uint8_t* out = rgba + size_t(y) * width * 4;
    for (unsigned x = 0; x < width; ++x) decodePixel(format, row + size_t(x) * bpp, out + size_t(x) * 4);
  }
}

}  // namespace plat
