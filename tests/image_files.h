// Small DDS and BMP files written byte by byte, for the image and texture loader tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace testimg {

inline void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void append32(std::vector<uint8_t>& out, uint32_t v) {
  out.resize(out.size() + 4);
  put32(out, out.size() - 4, v);
}

constexpr uint32_t kPfAlphaPixels = 0x1;
constexpr uint32_t kPfFourCc = 0x4;
constexpr uint32_t kPfRgb = 0x40;
constexpr uint32_t kPfLuminance = 0x20000;

struct DdsFormat {
  uint32_t flags;
  uint32_t fourCc;
  uint32_t bits;
  uint32_t r, g, b, a;
};
constexpr DdsFormat kDdsArgb8 = {kPfRgb | kPfAlphaPixels, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr DdsFormat kDdsRgb565 = {kPfRgb, 0, 16, 0xF800, 0x7E0, 0x1F, 0};
constexpr uint32_t fourCc(const char* s) {
  return static_cast<uint32_t>(s[0]) | static_cast<uint32_t>(s[1]) << 8 | static_cast<uint32_t>(s[2]) << 16 |
         static_cast<uint32_t>(s[3]) << 24;
}
inline DdsFormat dxt(const char* name) { return {kPfFourCc, fourCc(name), 0, 0, 0, 0, 0}; }

// A DDS file: the 128-byte header followed by the level data as given.
inline std::vector<uint8_t> makeDds(unsigned width, unsigned height, const DdsFormat& format, unsigned mipCount,
                                    const std::vector<uint8_t>& levels) {
  std::vector<uint8_t> out(128, 0);
  std::memcpy(out.data(), "DDS ", 4);
  put32(out, 4, 124);
  put32(out, 8, 0x1 | 0x2 | 0x4 | 0x1000 | (mipCount > 1 ? 0x20000 : 0));
  put32(out, 12, height);
  put32(out, 16, width);
  put32(out, 28, mipCount);
  put32(out, 76, 32);
  put32(out, 80, format.flags);
  put32(out, 84, format.fourCc);
  put32(out, 88, format.bits);
  put32(out, 92, format.r);
  put32(out, 96, format.g);
  put32(out, 100, format.b);
  put32(out, 104, format.a);
  put32(out, 108, 0x1000 | (mipCount > 1 ? 0x400008 : 0));
  out.insert(out.end(), levels.begin(), levels.end());
  return out;
}

// 32-bit pixels as little-endian bytes (the layout of A8R8G8B8 / X8R8G8B8).
inline std::vector<uint8_t> argbBytes(const std::vector<uint32_t>& pixels) {
  std::vector<uint8_t> out;
  for (uint32_t p : pixels) append32(out, p);
  return out;
}

struct BmpSpec {
  int width = 1;
  int height = 1;  // negative: top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> masks;    // written after a 40-byte header, or into a longer one
  std::vector<uint8_t> pixels;    // the pixel data exactly as stored
};

inline std::vector<uint8_t> makeBmp(const BmpSpec& spec) {
  const size_t header = 14 + spec.headerSize;
  const size_t masksAfter = spec.headerSize == 40 ? spec.masks.size() * 4 : 0;
  const size_t paletteBytes = spec.palette.size() * (spec.headerSize == 12 ? 3 : 4);
  const size_t offset = header + masksAfter + paletteBytes;
  std::vector<uint8_t> out(offset, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<uint32_t>(offset + spec.pixels.size()));
  put32(out, 10, static_cast<uint32_t>(offset));
  put32(out, 14, spec.headerSize);
  if (spec.headerSize == 12) {
    put16(out, 18, static_cast<uint32_t>(spec.width));
    put16(out, 20, static_cast<uint32_t>(spec.height));
    put16(out, 22, 1);
    put16(out, 24, spec.bits);
  } else {
    put32(out, 18, static_cast<uint32_t>(spec.width));
    put32(out, 22, static_cast<uint32_t>(spec.height));
    put16(out, 26, 1);
    put16(out, 28, spec.bits);
    put32(out, 30, spec.compression);
    put32(out, 34, static_cast<uint32_t>(spec.pixels.size()));
    put32(out, 46, static_cast<uint32_t>(spec.palette.size()));
    for (size_t i = 0; i < spec.masks.size(); ++i) put32(out, 54 + 4 * i, spec.masks[i]);
  }
  size_t at = header + masksAfter;
  for (uint32_t colour : spec.palette) {
    out[at] = static_cast<uint8_t>(colour);
    out[at + 1] = static_cast<uint8_t>(colour >> 8);
    out[at + 2] = static_cast<uint8_t>(colour >> 16);
    at += spec.headerSize == 12 ? 3 : 4;
  }
  out.insert(out.end(), spec.pixels.begin(), spec.pixels.end());
  return out;
}

}  // namespace testimg
