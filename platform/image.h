// Image files in memory: DDS and BMP decoding into plain pixel levels, and the pixel work that
// texture creation needs (format conversion, resizing, mip levels). Nothing here needs a device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/device.h"

namespace plat {

// The largest image side accepted from a file; larger images are refused as undecodable.
constexpr unsigned kMaxImageSide = 4096;

// One level of an image: rows top first, tightly packed, in the image's format. Compressed
// formats hold rows of 4 x 4 blocks.
struct ImageLevel {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<uint8_t> bytes;
};

// A decoded image: level 0 first, followed by whatever smaller levels the file carried.
struct Image {
  D3DFORMAT format = D3DFMT_UNKNOWN;
  std::vector<ImageLevel> levels;
};

// 32-bit pixels, 0xAARRGGBB, rows top first: the form in which images are resized and filtered.
struct Pixels {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<uint32_t> argb;
};

// The image formats that can be decoded, converted to and uploaded.
bool IsSupportedImageFormat(D3DFORMAT format);
bool IsCompressedFormat(D3DFORMAT format);
// Bytes of one level of a supported format (0 for an unsupported one).
size_t ImageLevelSize(D3DFORMAT format, unsigned width, unsigned height);
// Bytes of one row of a level (compressed formats: one row of blocks).
size_t ImageRowSize(D3DFORMAT format, unsigned width);
// Rows of a level (compressed formats: rows of blocks).
unsigned ImageRowCount(D3DFORMAT format, unsigned height);

// DDS: uncompressed RGB, RGBA, luminance and alpha formats given by bit masks, and DXT1/3/5, with
// the file's own mip levels. Formats that match a device format keep it (A8R8G8B8, X8R8G8B8,
// R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, DXT1, DXT3, DXT5); any other is converted to
// A8R8G8B8 (X8R8G8B8 without alpha). Returns false, leaving image empty, on anything it cannot
// decode, including a truncated first level.
bool DecodeDds(const uint8_t* data, size_t size, Image* image);
// BMP: 1, 4, 8, 16, 24 and 32 bits per pixel, RLE4 and RLE8, bottom-up and top-down, bit fields.
// The result has one level in X8R8G8B8, or A8R8G8B8 when the file has an alpha mask.
bool DecodeBmp(const uint8_t* data, size_t size, Image* image);
// Either decoder, chosen by the file's signature ("DDS " or "BM").
bool DecodeImage(const uint8_t* data, size_t size, Image* image);

// One level of an image as 32-bit pixels. Returns false for a level that does not exist.
bool LevelToPixels(const Image& image, size_t level, Pixels* pixels);
// 32-bit pixels in an uncompressed supported format (rows tightly packed).
std::vector<uint8_t> PixelsToFormat(const Pixels& pixels, D3DFORMAT format);

enum class ImageFilter {
  Point,   // nearest pixel
  Linear,  // bilinear when enlarging, box (area) average when reducing
};
// Resizes to width x height (both at least 1).
Pixels ResizePixels(const Pixels& source, unsigned width, unsigned height, ImageFilter filter);
// The next smaller mip level: half of each side (at least 1).
Pixels NextMipLevel(const Pixels& source, ImageFilter filter);
// Levels of a full mip chain from width x height down to 1 x 1.
unsigned FullChainLength(unsigned width, unsigned height);

}  // namespace plat
