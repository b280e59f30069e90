#include "platform/image.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace plat {
namespace {

// --- reading little-endian values with bounds checks ---

struct ByteView {
  const uint8_t* data;
  size_t size;

  bool has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
  uint16_t u16(size_t offset) const {
    if (!has(offset, 2)) return 0;
    return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
  }
  uint32_t u32(size_t offset) const {
    if (!has(offset, 4)) return 0;
    return static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
           static_cast<uint32_t>(data[offset + 2]) << 16 | static_cast<uint32_t>(data[offset + 3]) << 24;
  }
};

// Reads a pixel of 1 to 4 bytes, little-endian.
uint32_t readPixel(const uint8_t* p, unsigned bytes) {
  uint32_t value = 0;
  for (unsigned i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(p[i]) << (8 * i);
  return value;
}

void writePixel(uint8_t* p, unsigned bytes, uint32_t value) {
  for (unsigned i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// --- pixel layouts given by bit masks ---

struct PixelMasks {
  unsigned bytes;  // bytes per pixel
  uint32_t r, g, b, a;
};

// The uncompressed formats and their layouts. `fill` holds the bits that X formats set.
struct MaskedFormat {
  D3DFORMAT format;
  PixelMasks masks;
  uint32_t fill;
};
constexpr MaskedFormat kMaskedFormats[] = {
    {D3DFMT_A8R8G8B8, {4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0},
    {D3DFMT_X8R8G8B8, {4, 0xFF0000, 0xFF00, 0xFF, 0}, 0xFF000000},
    {D3DFMT_R8G8B8, {3, 0xFF0000, 0xFF00, 0xFF, 0}, 0},
    {D3DFMT_R5G6B5, {2, 0xF800, 0x7E0, 0x1F, 0}, 0},
    {D3DFMT_A1R5G5B5, {2, 0x7C00, 0x3E0, 0x1F, 0x8000}, 0},
    {D3DFMT_X1R5G5B5, {2, 0x7C00, 0x3E0, 0x1F, 0}, 0x8000},
    {D3DFMT_A4R4G4B4, {2, 0xF00, 0xF0, 0xF, 0xF000}, 0},
};

const MaskedFormat* findMaskedFormat(D3DFORMAT format) {
  for (const MaskedFormat& entry : kMaskedFormats)
    if (entry.format == format) return &entry;
  return nullptr;
}

const MaskedFormat* findMaskedFormat(const PixelMasks& masks) {
  for (const MaskedFormat& entry : kMaskedFormats) {
    const PixelMasks& m = entry.masks;
    if (m.bytes == masks.bytes && m.r == masks.r && m.g == masks.g && m.b == masks.b && m.a == masks.a) return &entry;
  }
  return nullptr;
}

// A channel of a masked pixel scaled to 0..255.
uint32_t expandChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint64_t max = mask >> shift;
  const uint64_t value = (pixel & mask) >> shift;
  return static_cast<uint32_t>((value * 255 + max / 2) / max);
}

// Packs a 0..255 channel into a mask (truncating the low bits); the mask's place and width are
// worked out once, not for every pixel.
class ChannelPacker {
 public:
  explicit ChannelPacker(uint32_t mask)
      : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), bits_(std::popcount(mask)) {}
  uint32_t operator()(uint32_t value) const {
    if (mask_ == 0) return 0;
    if (bits_ >= 8) return (value << (bits_ - 8) << shift_) & mask_;
    return ((value >> (8 - bits_)) << shift_) & mask_;
  }

 private:
  uint32_t mask_;
  int shift_, bits_;
};

// expandChannel for every pixel of a layout: a channel of up to 8 bits is looked up in a table
// made once.
class ChannelExpander {
 public:
  explicit ChannelExpander(uint32_t mask) : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0) {
    if (mask != 0 && (mask >> shift_) <= 0xFF)
      for (uint32_t v = 0; v <= (mask >> shift_); ++v)
        table_.push_back(static_cast<uint8_t>(expandChannel(v << shift_, mask)));
  }
  uint32_t operator()(uint32_t pixel) const {
    if (table_.empty()) return expandChannel(pixel, mask_);
    return table_[(pixel & mask_) >> shift_];
  }

 private:
  uint32_t mask_;
  int shift_;
  std::vector<uint8_t> table_;
};

// Decodes masked pixels. Luminance layouts carry their luminance mask in r.
void maskedToPixels(const uint8_t* bytes, const PixelMasks& masks, bool luminance, Pixels* pixels) {
  const size_t count = static_cast<size_t>(pixels->width) * pixels->height;
  pixels->argb.resize(count);
  const ChannelExpander alpha(masks.a), red(masks.r), green(masks.g), blue(masks.b);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t value = readPixel(bytes + i * masks.bytes, masks.bytes);
    const uint32_t a = masks.a ? alpha(value) : 255;
    const uint32_t r = red(value);
    const uint32_t g = luminance ? r : green(value);
    const uint32_t b = luminance ? r : blue(value);
    pixels->argb[i] = argb(a, r, g, b);
  }
}

// --- DXT blocks ---

uint32_t expand565(uint16_t c) {
  return argb(255, expandChannel(c, 0xF800), expandChannel(c, 0x7E0), expandChannel(c, 0x1F));
}

uint32_t mixChannels(uint32_t c0, uint32_t c1, uint32_t w0, uint32_t w1) {
  uint32_t result = 0xFF000000;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t v = (((c0 >> shift) & 0xFF) * w0 + ((c1 >> shift) & 0xFF) * w1) / (w0 + w1);
    result |= v << shift;
  }
  return result;
}

// The colour half of a DXT block. DXT1 blocks with c0 <= c1 have three colours and a transparent
// black; DXT3 and DXT5 always use four colours.
void decodeColourBlock(const uint8_t* block, bool dxt1, uint32_t out[16]) {
  const uint16_t raw0 = static_cast<uint16_t>(block[0] | block[1] << 8);
  const uint16_t raw1 = static_cast<uint16_t>(block[2] | block[3] << 8);
  const uint32_t c0 = expand565(raw0);
  const uint32_t c1 = expand565(raw1);
  uint32_t colours[4] = {c0, c1, 0, 0};
  if (!dxt1 || raw0 > raw1) {
    colours[2] = mixChannels(c0, c1, 2, 1);
    colours[3] = mixChannels(c0, c1, 1, 2);
  } else {
    colours[2] = mixChannels(c0, c1, 1, 1);
    colours[3] = 0;
  }
  const uint32_t indices = readPixel(block + 4, 4);
  for (int i = 0; i < 16; ++i) out[i] = colours[(indices >> (2 * i)) & 3];
}

void applyExplicitAlpha(const uint8_t* block, uint32_t pixels[16]) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t nibble = (block[i / 2] >> (4 * (i & 1))) & 0xF;
    pixels[i] = (pixels[i] & 0xFFFFFF) | (nibble * 17) << 24;
  }
}

void applyInterpolatedAlpha(const uint8_t* block, uint32_t pixels[16]) {
  const uint32_t a0 = block[0];
  const uint32_t a1 = block[1];
  uint32_t alphas[8] = {a0, a1};
  if (a0 > a1) {
    for (uint32_t i = 1; i < 7; ++i) alphas[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (uint32_t i = 1; i < 5; ++i) alphas[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    alphas[6] = 0;
    alphas[7] = 255;
  }
  const uint64_t indices = readPixel(block + 2, 4) | static_cast<uint64_t>(readPixel(block + 6, 2)) << 32;
  for (int i = 0; i < 16; ++i) {
    const uint32_t alpha = alphas[(indices >> (3 * i)) & 7];
    pixels[i] = (pixels[i] & 0xFFFFFF) | alpha << 24;
  }
}

void dxtToPixels(const uint8_t* bytes, D3DFORMAT format, Pixels* pixels) {
  const unsigned w = pixels->width;
  const unsigned h = pixels->height;
  pixels->argb.assign(static_cast<size_t>(w) * h, 0);
  const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
  const unsigned blocksWide = std::max(1u, (w + 3) / 4);
  const unsigned blocksHigh = std::max(1u, (h + 3) / 4);
  for (unsigned by = 0; by < blocksHigh; ++by) {
    for (unsigned bx = 0; bx < blocksWide; ++bx) {
      const uint8_t* block = bytes + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes;
      uint32_t texels[16];
      if (format == D3DFMT_DXT1) {
        decodeColourBlock(block, true, texels);
      } else {
        decodeColourBlock(block + 8, false, texels);
        if (format == D3DFMT_DXT3)
          applyExplicitAlpha(block, texels);
        else
          applyInterpolatedAlpha(block, texels);
      }
      for (unsigned ty = 0; ty < 4; ++ty) {
        for (unsigned tx = 0; tx < 4; ++tx) {
          const unsigned x = bx * 4 + tx;
          const unsigned y = by * 4 + ty;
          if (x < w && y < h) pixels->argb[static_cast<size_t>(y) * w + x] = texels[ty * 4 + tx];
        }
      }
    }
  }
}

bool sideAccepted(uint64_t side) { return side >= 1 && side <= kMaxImageSide; }

// --- DDS ---

constexpr size_t kDdsHeaderEnd = 128;  // magic + 124-byte header
constexpr uint32_t kDdsMipMapCount = 0x20000;
constexpr uint32_t kDdsPfAlphaPixels = 0x1;
constexpr uint32_t kDdsPfAlpha = 0x2;
constexpr uint32_t kDdsPfFourCc = 0x4;
constexpr uint32_t kDdsPfRgb = 0x40;
constexpr uint32_t kDdsPfLuminance = 0x20000;
constexpr uint32_t kDdsCaps2Volume = 0x200000;

constexpr uint32_t fourCc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 8 | static_cast<uint32_t>(c) << 16 |
         static_cast<uint32_t>(d) << 24;
}

// How the levels of a DDS file are laid out, and the format they become.
struct DdsLayout {
  D3DFORMAT stored = D3DFMT_UNKNOWN;  // a device format the data is already in, or UNKNOWN
  PixelMasks masks{};                 // for other uncompressed layouts
  bool luminance = false;
};

bool readDdsLayout(const ByteView& file, DdsLayout* layout) {
  const uint32_t flags = file.u32(80);
  const uint32_t bitCount = file.u32(88);
  if (flags & kDdsPfFourCc) {
    switch (file.u32(84)) {
      case fourCc('D', 'X', 'T', '1'): layout->stored = D3DFMT_DXT1; return true;
      case fourCc('D', 'X', 'T', '2'):  // premultiplied alpha, same blocks
      case fourCc('D', 'X', 'T', '3'): layout->stored = D3DFMT_DXT3; return true;
      case fourCc('D', 'X', 'T', '4'):
      case fourCc('D', 'X', 'T', '5'): layout->stored = D3DFMT_DXT5; return true;
      default: return false;
    }
  }
  if (!(flags & (kDdsPfRgb | kDdsPfLuminance | kDdsPfAlpha))) return false;
  if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
  PixelMasks& masks = layout->masks;
  masks.bytes = bitCount / 8;
  const uint32_t valueMask = bitCount == 32 ? 0xFFFFFFFF : (1u << bitCount) - 1;
  masks.r = (flags & (kDdsPfRgb | kDdsPfLuminance)) ? file.u32(92) & valueMask : 0;
  masks.g = (flags & kDdsPfRgb) ? file.u32(96) & valueMask : 0;
  masks.b = (flags & kDdsPfRgb) ? file.u32(100) & valueMask : 0;
  masks.a = (flags & (kDdsPfAlphaPixels | kDdsPfAlpha)) ? file.u32(104) & valueMask : 0;
  layout->luminance = (flags & kDdsPfLuminance) != 0;
  if (!layout->luminance) {
    if (const MaskedFormat* known = findMaskedFormat(masks)) layout->stored = known->format;
  }
  return true;
}

// --- BMP ---

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

struct BmpInfo {
  unsigned width = 0;
  unsigned height = 0;
  bool topDown = false;
  unsigned bitCount = 0;
  uint32_t compression = kBiRgb;
  PixelMasks masks{};
  std::vector<uint32_t> palette;
  size_t pixelOffset = 0;
};

bool readBmpInfo(const ByteView& file, BmpInfo* info) {
  if (!file.has(0, 18) || file.data[0] != 'B' || file.data[1] != 'M') return false;
  const uint32_t headerSize = file.u32(14);
  if (!file.has(14, headerSize)) return false;
  int64_t width = 0;
  int64_t height = 0;
  uint32_t coloursUsed = 0;
  size_t paletteEntryBytes = 4;
  if (headerSize == 12) {  // BITMAPCOREHEADER
    width = file.u16(18);
    height = static_cast<int16_t>(file.u16(20));
    info->bitCount = file.u16(24);
    paletteEntryBytes = 3;
  } else if (headerSize >= 40) {
    width = static_cast<int32_t>(file.u32(18));
    height = static_cast<int32_t>(file.u32(22));
    info->bitCount = file.u16(28);
    info->compression = file.u32(30);
    coloursUsed = file.u32(46);
  } else {
    return false;
  }
  info->topDown = height < 0;
  height = std::abs(height);
  if (!sideAccepted(static_cast<uint64_t>(std::max<int64_t>(width, 0))) || !sideAccepted(static_cast<uint64_t>(height)))
    return false;
  info->width = static_cast<unsigned>(width);
  info->height = static_cast<unsigned>(height);

  const unsigned bits = info->bitCount;
  switch (info->compression) {
    case kBiRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
      break;
    case kBiRle8:
      if (bits != 8 || info->topDown) return false;
      break;
    case kBiRle4:
      if (bits != 4 || info->topDown) return false;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (bits != 16 && bits != 32) return false;
      break;
    default:
      return false;
  }

  size_t paletteOffset = 14 + static_cast<size_t>(headerSize);
  PixelMasks& masks = info->masks;
  masks.bytes = bits / 8;
  if (info->compression == kBiBitfields || info->compression == kBiAlphaBitfields) {
    // The masks follow a 40-byte header, or are part of a longer one: at offset 54 either way.
    const bool withAlpha = info->compression == kBiAlphaBitfields || headerSize >= 56;
    if (!file.has(54, withAlpha ? 16 : 12)) return false;
    masks.r = file.u32(54);
    masks.g = file.u32(58);
    masks.b = file.u32(62);
    masks.a = withAlpha ? file.u32(66) : 0;
    if (headerSize == 40) paletteOffset += info->compression == kBiAlphaBitfields ? 16 : 12;
  } else if (bits == 16) {
    masks = {2, 0x7C00, 0x3E0, 0x1F, 0};
  } else if (bits == 32) {
    masks = {4, 0xFF0000, 0xFF00, 0xFF, 0};
  }
  if (bits == 16) {  // a mask may not reach beyond the pixel
    masks.r &= 0xFFFF;
    masks.g &= 0xFFFF;
    masks.b &= 0xFFFF;
    masks.a &= 0xFFFF;
  }

  info->pixelOffset = file.u32(10);
  if (info->pixelOffset == 0 || info->pixelOffset >= file.size) return false;

  if (bits <= 8) {
    size_t entries = size_t{1} << bits;
    if (coloursUsed != 0 && coloursUsed < entries) entries = coloursUsed;
    // The palette ends where the pixels begin, or with the file.
    const size_t paletteEnd = info->pixelOffset > paletteOffset ? info->pixelOffset : file.size;
    entries = paletteOffset < paletteEnd ? std::min(entries, (paletteEnd - paletteOffset) / paletteEntryBytes) : 0;
    info->palette.resize(entries);
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* p = file.data + paletteOffset + i * paletteEntryBytes;
      info->palette[i] = argb(255, p[2], p[1], p[0]);
    }
  }

  return true;
}

uint32_t paletteColour(const BmpInfo& info, unsigned index) {
  return index < info.palette.size() ? info.palette[index] : 0xFF000000;
}

unsigned outputRow(const BmpInfo& info, unsigned fileRow) {
  return info.topDown ? fileRow : info.height - 1 - fileRow;
}

bool decodeBmpRows(const ByteView& file, const BmpInfo& info, Pixels* pixels) {
  const size_t stride = (static_cast<size_t>(info.width) * info.bitCount + 31) / 32 * 4;
  const size_t lastRowBytes = (static_cast<size_t>(info.width) * info.bitCount + 7) / 8;
  if (!file.has(info.pixelOffset, stride * (info.height - 1) + lastRowBytes)) return false;
  for (unsigned row = 0; row < info.height; ++row) {
    const uint8_t* src = file.data + info.pixelOffset + row * stride;
    uint32_t* dst = pixels->argb.data() + static_cast<size_t>(outputRow(info, row)) * info.width;
    for (unsigned x = 0; x < info.width; ++x) {
      switch (info.bitCount) {
        case 1: dst[x] = paletteColour(info, (src[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: dst[x] = paletteColour(info, (src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
        case 8: dst[x] = paletteColour(info, src[x]); break;
        case 24: dst[x] = argb(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
        default: {  // 16 and 32 bits: masks
          const uint32_t value = readPixel(src + x * info.masks.bytes, info.masks.bytes);
          const uint32_t a = info.masks.a ? expandChannel(value, info.masks.a) : 255;
          dst[x] = argb(a, expandChannel(value, info.masks.r), expandChannel(value, info.masks.g),
                        expandChannel(value, info.masks.b));
        }
      }
    }
  }
  return true;
}

// RLE4 and RLE8. Pixels the data never reaches keep palette entry 0; runs beyond the row are cut.
void decodeBmpRle(const ByteView& file, const BmpInfo& info, Pixels* pixels) {
  std::vector<uint8_t> indices(static_cast<size_t>(info.width) * info.height, 0);
  const bool rle4 = info.compression == kBiRle4;
  size_t x = 0;
  size_t y = 0;
  auto put = [&](size_t px, uint8_t index) {
    if (px < info.width && y < info.height) indices[y * info.width + px] = index;
  };
  size_t p = info.pixelOffset;
  while (file.has(p, 2) && y < info.height) {
    const uint8_t count = file.data[p];
    const uint8_t code = file.data[p + 1];
    p += 2;
    if (count > 0) {  // a run of one index (RLE4: two alternating indices)
      for (size_t i = 0; i < count; ++i)
        put(x + i, rle4 ? ((i % 2) ? code & 0xF : code >> 4) : code);
      x += count;
    } else if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta
      if (!file.has(p, 2)) break;
      x += file.data[p];
      y += file.data[p + 1];
      p += 2;
    } else {  // absolute: `code` indices follow, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (code + 1) / 2 : code;
      for (size_t i = 0; i < code; ++i) {
        const size_t at = p + (rle4 ? i / 2 : i);
        if (at >= file.size) break;
        const uint8_t byte = file.data[at];
        put(x + i, rle4 ? ((i % 2) ? byte & 0xF : byte >> 4) : byte);
      }
      x += code;
      p += bytes + (bytes & 1);
    }
  }
  for (unsigned row = 0; row < info.height; ++row) {
    uint32_t* dst = pixels->argb.data() + static_cast<size_t>(outputRow(info, row)) * info.width;
    for (unsigned px = 0; px < info.width; ++px)
      dst[px] = paletteColour(info, indices[static_cast<size_t>(row) * info.width + px]);
  }
}

// --- resizing ---

struct Tap {
  unsigned index;
  float weight;
};

// For every destination position along one axis, the source positions it draws from.
std::vector<std::vector<Tap>> axisTaps(unsigned source, unsigned destination, ImageFilter filter) {
  std::vector<std::vector<Tap>> taps(destination);
  const double scale = static_cast<double>(source) / destination;
  for (unsigned d = 0; d < destination; ++d) {
    if (filter == ImageFilter::Point) {
      const auto s = static_cast<unsigned>((d + 0.5) * scale);
      taps[d].push_back({std::min(s, source - 1), 1.0f});
    } else if (destination >= source) {  // enlarging: bilinear between pixel centres
      const double centre = std::max(0.0, (d + 0.5) * scale - 0.5);
      const auto i0 = std::min(static_cast<unsigned>(centre), source - 1);
      const unsigned i1 = std::min(i0 + 1, source - 1);
      const auto f = static_cast<float>(centre - i0);
      taps[d].push_back({i0, 1.0f - f});
      if (f > 0.0f) taps[d].push_back({i1, f});
    } else {  // reducing: the area each destination pixel covers
      const double low = d * scale;
      const double high = (d + 1) * scale;
      for (auto i = static_cast<unsigned>(low); i < source && i < high; ++i) {
        const double coverage = std::min<double>(high, i + 1) - std::max<double>(low, i);
        if (coverage > 0) taps[d].push_back({i, static_cast<float>(coverage / scale)});
      }
    }
  }
  return taps;
}

struct Channels {
  float a = 0, r = 0, g = 0, b = 0;
  void add(uint32_t pixel, float weight) {
    a += static_cast<float>(pixel >> 24) * weight;
    r += static_cast<float>((pixel >> 16) & 0xFF) * weight;
    g += static_cast<float>((pixel >> 8) & 0xFF) * weight;
    b += static_cast<float>(pixel & 0xFF) * weight;
  }
  void add(const Channels& other, float weight) {
    a += other.a * weight;
    r += other.r * weight;
    g += other.g * weight;
    b += other.b * weight;
  }
  static uint32_t toByte(float v) { return static_cast<uint32_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }
  uint32_t pack() const { return argb(toByte(a), toByte(r), toByte(g), toByte(b)); }
};

}  // namespace

unsigned FullChainLength(unsigned width, unsigned height) {
  unsigned levels = 1;
  while (width > 1 || height > 1) {
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
    ++levels;
  }
  return levels;
}

bool IsCompressedFormat(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5;
}

bool IsSupportedImageFormat(D3DFORMAT format) {
  return IsCompressedFormat(format) || findMaskedFormat(format) != nullptr;
}

size_t ImageRowSize(D3DFORMAT format, unsigned width) {
  if (IsCompressedFormat(format)) return std::max(1u, (width + 3) / 4) * size_t{format == D3DFMT_DXT1 ? 8u : 16u};
  const MaskedFormat* masked = findMaskedFormat(format);
  return masked ? static_cast<size_t>(width) * masked->masks.bytes : 0;
}

unsigned ImageRowCount(D3DFORMAT format, unsigned height) {
  return IsCompressedFormat(format) ? std::max(1u, (height + 3) / 4) : height;
}

size_t ImageLevelSize(D3DFORMAT format, unsigned width, unsigned height) {
  return ImageRowSize(format, width) * ImageRowCount(format, height);
}

bool DecodeDds(const uint8_t* data, size_t size, Image* image) {
  *image = Image{};
  const ByteView file{data, size};
  if (!file.has(0, kDdsHeaderEnd) || std::memcmp(data, "DDS ", 4) != 0) return false;
  const uint32_t height = file.u32(12);
  const uint32_t width = file.u32(16);
  if (!sideAccepted(width) || !sideAccepted(height)) return false;
  DdsLayout layout;
  if (!readDdsLayout(file, &layout)) return false;

  unsigned levels = 1;
  const uint32_t mipCount = file.u32(28);
  if (((file.u32(8) & kDdsMipMapCount) != 0 || mipCount > 1) && !(file.u32(112) & kDdsCaps2Volume))
    levels = std::clamp(mipCount, 1u, FullChainLength(width, height));

  Image result;
  result.format = layout.stored != D3DFMT_UNKNOWN ? layout.stored
                  : layout.masks.a                ? D3DFMT_A8R8G8B8
                                                  : D3DFMT_X8R8G8B8;
  size_t offset = kDdsHeaderEnd;
  unsigned w = width;
  unsigned h = height;
  for (unsigned level = 0; level < levels; ++level) {
    const size_t bytes = layout.stored != D3DFMT_UNKNOWN ? ImageLevelSize(layout.stored, w, h)
                                                         : static_cast<size_t>(w) * h * layout.masks.bytes;
    if (!file.has(offset, bytes)) break;  // a cut-off chain keeps its complete levels
    ImageLevel out{w, h, {}};
    if (layout.stored != D3DFMT_UNKNOWN) {
      out.bytes.assign(data + offset, data + offset + bytes);
    } else {
      Pixels pixels{w, h, {}};
      maskedToPixels(data + offset, layout.masks, layout.luminance, &pixels);
      out.bytes = PixelsToFormat(pixels, result.format);
    }
    result.levels.push_back(std::move(out));
    offset += bytes;
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  if (result.levels.empty()) return false;
  *image = std::move(result);
  return true;
}

bool DecodeBmp(const uint8_t* data, size_t size, Image* image) {
  *image = Image{};
  const ByteView file{data, size};
  BmpInfo info;
  if (!readBmpInfo(file, &info)) return false;
  Pixels pixels{info.width, info.height, {}};
  pixels.argb.assign(static_cast<size_t>(info.width) * info.height, 0xFF000000);
  if (info.compression == kBiRle8 || info.compression == kBiRle4)
    decodeBmpRle(file, info, &pixels);
  else if (!decodeBmpRows(file, info, &pixels))
    return false;
  const bool alpha = info.bitCount >= 16 && info.masks.a != 0;
  image->format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  image->levels.push_back({info.width, info.height, PixelsToFormat(pixels, image->format)});
  return true;
}

bool DecodeImage(const uint8_t* data, size_t size, Image* image) {
  if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return DecodeDds(data, size, image);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, image);
  *image = Image{};
  return false;
}

bool LevelToPixels(const Image& image, size_t level, Pixels* pixels) {
  if (level >= image.levels.size()) return false;
  const ImageLevel& source = image.levels[level];
  if (source.bytes.size() < ImageLevelSize(image.format, source.width, source.height)) return false;
  pixels->width = source.width;
  pixels->height = source.height;
  if (IsCompressedFormat(image.format)) {
    dxtToPixels(source.bytes.data(), image.format, pixels);
    return true;
  }
  const MaskedFormat* masked = findMaskedFormat(image.format);
  if (!masked) return false;
  maskedToPixels(source.bytes.data(), masked->masks, false, pixels);
  return true;
}

std::vector<uint8_t> PixelsToFormat(const Pixels& pixels, D3DFORMAT format) {
  const MaskedFormat* masked = findMaskedFormat(format);
  if (!masked) return {};
  const PixelMasks& m = masked->masks;
  std::vector<uint8_t> bytes(pixels.argb.size() * m.bytes);
  if (m.bytes == 4 && m.r == 0xFF0000 && m.g == 0xFF00 && m.b == 0xFF && (m.a == 0xFF000000 || m.a == 0)) {
    // The layout of the pixels themselves: only the alpha byte may go, and the fill come in.
    const uint32_t keep = 0xFFFFFF | m.a;
    for (size_t i = 0; i < pixels.argb.size(); ++i)
      writePixel(bytes.data() + i * 4, 4, (pixels.argb[i] & keep) | masked->fill);
    return bytes;
  }
  const ChannelPacker a(m.a), r(m.r), g(m.g), b(m.b);
  for (size_t i = 0; i < pixels.argb.size(); ++i) {
    const uint32_t p = pixels.argb[i];
    const uint32_t value = a(p >> 24) | r((p >> 16) & 0xFF) | g((p >> 8) & 0xFF) | b(p & 0xFF) | masked->fill;
    writePixel(bytes.data() + i * m.bytes, m.bytes, value);
  }
  return bytes;
}

Pixels ResizePixels(const Pixels& source, unsigned width, unsigned height, ImageFilter filter) {
  if (source.width == width && source.height == height) return source;
  Pixels result{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  if (source.width == 0 || source.height == 0) return result;
  const auto columns = axisTaps(source.width, width, filter);
  const auto rows = axisTaps(source.height, height, filter);
  // Horizontal pass into floating-point channels, then the vertical pass.
  std::vector<Channels> across(static_cast<size_t>(width) * source.height);
  for (unsigned y = 0; y < source.height; ++y) {
    const uint32_t* src = source.argb.data() + static_cast<size_t>(y) * source.width;
    for (unsigned x = 0; x < width; ++x) {
      Channels& c = across[static_cast<size_t>(y) * width + x];
      for (const Tap& tap : columns[x]) c.add(src[tap.index], tap.weight);
    }
  }
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      Channels c;
      for (const Tap& tap : rows[y]) c.add(across[static_cast<size_t>(tap.index) * width + x], tap.weight);
      result.argb[static_cast<size_t>(y) * width + x] = c.pack();
    }
  }
  return result;
}

Pixels NextMipLevel(const Pixels& source, ImageFilter filter) {
  return ResizePixels(source, std::max(1u, source.width / 2), std::max(1u, source.height / 2), filter);
}

}  // namespace plat
