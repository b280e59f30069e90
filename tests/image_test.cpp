// DDS and BMP decoding, pixel conversion, resizing and the texture levels made from an image.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3dx.h"
#include "platform/image.h"
#include "tests/image_files.h"

using namespace plat;
using namespace testimg;

namespace {

std::vector<uint32_t> decodePixels(const std::vector<uint8_t>& file, D3DFORMAT* format = nullptr,
                                   size_t level = 0) {
  Image image;
  EXPECT_TRUE(DecodeImage(file.data(), file.size(), &image));
  if (format) *format = image.format;
  Pixels pixels;
  EXPECT_TRUE(LevelToPixels(image, level, &pixels));
  return pixels.argb;
}

bool decodes(const std::vector<uint8_t>& file) {
  Image image;
  return DecodeImage(file.data(), file.size(), &image);
}

// 16-bit values as little-endian bytes.
std::vector<uint8_t> words(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> out;
  for (uint16_t v : values) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  return out;
}

// A DXT1 block: colours c0, c1 and 2-bit indices for the 16 texels (row by row).
std::vector<uint8_t> dxt1Block(uint16_t c0, uint16_t c1, const std::vector<int>& indices) {
  std::vector<uint8_t> block = words({c0, c1});
  uint32_t bits = 0;
  for (size_t i = 0; i < indices.size(); ++i) bits |= static_cast<uint32_t>(indices[i]) << (2 * i);
  append32(block, bits);
  return block;
}

}  // namespace

// --- DDS ---

TEST(DdsDecode, UncompressedFormatsKeepTheirOwnFormatAndDecodeToKnownPixels) {
  const std::vector<uint32_t> argb = {0xFF102030, 0x80FF0000, 0x0000FF00, 0xFF0000FF};
  D3DFORMAT format;
  EXPECT_EQ(decodePixels(makeDds(2, 2, kDdsArgb8, 1, argbBytes(argb)), &format), argb);
  EXPECT_EQ(format, D3DFMT_A8R8G8B8);

  EXPECT_EQ(decodePixels(makeDds(3, 1, kDdsRgb565, 1, words({0xF800, 0x07E0, 0x001F})), &format),
            (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
  EXPECT_EQ(format, D3DFMT_R5G6B5);

  const DdsFormat a1r5g5b5 = {kPfRgb | kPfAlphaPixels, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000};
  EXPECT_EQ(decodePixels(makeDds(2, 1, a1r5g5b5, 1, words({0xFC00, 0x001F})), &format),
            (std::vector<uint32_t>{0xFFFF0000, 0x000000FF}));
  EXPECT_EQ(format, D3DFMT_A1R5G5B5);

  const DdsFormat a4r4g4b4 = {kPfRgb | kPfAlphaPixels, 0, 16, 0xF00, 0xF0, 0xF, 0xF000};
  EXPECT_EQ(decodePixels(makeDds(1, 1, a4r4g4b4, 1, words({0x8F21})), &format), (std::vector<uint32_t>{0x88FF2211}));
  EXPECT_EQ(format, D3DFMT_A4R4G4B4);

  const DdsFormat r8g8b8 = {kPfRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
  EXPECT_EQ(decodePixels(makeDds(2, 1, r8g8b8, 1, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}), &format),
            (std::vector<uint32_t>{0xFF030201, 0xFF060504}));
  EXPECT_EQ(format, D3DFMT_R8G8B8);
}

TEST(DdsDecode, OtherMaskLayoutsBecomeA8R8G8B8OrX8R8G8B8) {
  D3DFORMAT format;
  const DdsFormat abgr = {kPfRgb | kPfAlphaPixels, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000};
  EXPECT_EQ(decodePixels(makeDds(1, 1, abgr, 1, argbBytes({0x80112233})), &format),
            (std::vector<uint32_t>{0x80332211}));
  EXPECT_EQ(format, D3DFMT_A8R8G8B8);

  const DdsFormat luminance = {kPfLuminance, 0, 8, 0xFF, 0, 0, 0};
  EXPECT_EQ(decodePixels(makeDds(2, 1, luminance, 1, {0x00, 0x7F}), &format),
            (std::vector<uint32_t>{0xFF000000, 0xFF7F7F7F}));
  EXPECT_EQ(format, D3DFMT_X8R8G8B8);
}

TEST(DdsDecode, DxtBlocksDecodeToTheirPalettesAndAlpha) {
  // Four-colour DXT1 (c0 > c1): red, blue, 2/3 red + 1/3 blue, 1/3 red + 2/3 blue.
  const auto four = dxt1Block(0xF800, 0x001F, {0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  D3DFORMAT format;
  auto pixels = decodePixels(makeDds(4, 4, dxt("DXT1"), 1, four), &format);
  EXPECT_EQ(format, D3DFMT_DXT1);
  EXPECT_EQ(pixels[0], 0xFFFF0000u);
  EXPECT_EQ(pixels[1], 0xFF0000FFu);
  EXPECT_EQ(pixels[2], 0xFFAA0055u);
  EXPECT_EQ(pixels[3], 0xFF5500AAu);

  // Three-colour DXT1 (c0 <= c1): index 2 is the mean, index 3 transparent black.
  const auto three = dxt1Block(0x001F, 0xF800, {2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  pixels = decodePixels(makeDds(4, 4, dxt("DXT1"), 1, three));
  EXPECT_EQ(pixels[0], 0xFF7F007Fu);
  EXPECT_EQ(pixels[1], 0x00000000u);

  // DXT3: explicit 4-bit alpha; the colour half always has four colours.
  std::vector<uint8_t> dxt3 = {0xF0, 0x00, 0, 0, 0, 0, 0, 0};  // texel 0 alpha 0, texel 1 alpha 15
  const auto colour = dxt1Block(0x001F, 0xF800, {3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  dxt3.insert(dxt3.end(), colour.begin(), colour.end());
  pixels = decodePixels(makeDds(4, 4, dxt("DXT3"), 1, dxt3), &format);
  EXPECT_EQ(format, D3DFMT_DXT3);
  EXPECT_EQ(pixels[0], 0x00AA0055u);
  EXPECT_EQ(pixels[1], 0xFFAA0055u);
  EXPECT_EQ(pixels[2], 0x000000FFu);

  // DXT5: a0 = 200 > a1 = 100 gives eight steps; texel 0 index 0, texel 1 index 2 = (6*200+100)/7.
  std::vector<uint8_t> dxt5 = {200, 100, 0x10, 0, 0, 0, 0, 0};
  dxt5.insert(dxt5.end(), colour.begin(), colour.end());
  pixels = decodePixels(makeDds(4, 4, dxt("DXT5"), 1, dxt5), &format);
  EXPECT_EQ(format, D3DFMT_DXT5);
  EXPECT_EQ(pixels[0] >> 24, 200u);
  EXPECT_EQ(pixels[1] >> 24, 185u);
  // a0 <= a1: indices 6 and 7 are 0 and 255.
  std::vector<uint8_t> dxt5b = {10, 20, 6 | 7 << 3, 0, 0, 0, 0, 0};  // texel 0 -> index 6, texel 1 -> 7
  dxt5b.insert(dxt5b.end(), colour.begin(), colour.end());
  pixels = decodePixels(makeDds(4, 4, dxt("DXT5"), 1, dxt5b));
  EXPECT_EQ(pixels[0] >> 24, 0u);
  EXPECT_EQ(pixels[1] >> 24, 255u);
}

TEST(DdsDecode, SmallDxtLevelsUseWholeBlocksAndCropThem) {
  const auto block = dxt1Block(0xF800, 0x001F, {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  std::vector<uint8_t> levels = block;
  levels.insert(levels.end(), block.begin(), block.end());  // the 1 x 1 level is a whole block too
  Image image;
  const auto file = makeDds(2, 1, dxt("DXT1"), 2, levels);
  ASSERT_TRUE(DecodeDds(file.data(), file.size(), &image));
  ASSERT_EQ(image.levels.size(), 2u);
  Pixels pixels;
  ASSERT_TRUE(LevelToPixels(image, 1, &pixels));
  EXPECT_EQ(pixels.argb, std::vector<uint32_t>{0xFFFF0000});
}

TEST(DdsDecode, MipLevelsOfTheFileAreKeptAndACutChainKeepsItsCompleteLevels) {
  // 4 x 2 with three levels: 8 + 2 + 1 pixels.
  std::vector<uint32_t> all(11, 0xFF000000);
  all[8] = 0xFF00FF00;
  all[10] = 0xFF0000FF;
  const auto file = makeDds(4, 2, kDdsArgb8, 3, argbBytes(all));
  Image image;
  ASSERT_TRUE(DecodeDds(file.data(), file.size(), &image));
  ASSERT_EQ(image.levels.size(), 3u);
  EXPECT_EQ(image.levels[1].width, 2u);
  EXPECT_EQ(image.levels[1].height, 1u);
  EXPECT_EQ(image.levels[2].width, 1u);
  EXPECT_EQ(decodePixels(file, nullptr, 2), std::vector<uint32_t>{0xFF0000FF});

  const std::vector<uint8_t> cut(file.begin(), file.end() - 2);
  ASSERT_TRUE(DecodeDds(cut.data(), cut.size(), &image));
  EXPECT_EQ(image.levels.size(), 2u);

  // A count beyond the full chain is limited to it.
  auto tooMany = makeDds(1, 1, kDdsArgb8, 9, argbBytes(std::vector<uint32_t>(9, 0)));
  ASSERT_TRUE(DecodeDds(tooMany.data(), tooMany.size(), &image));
  EXPECT_EQ(image.levels.size(), 1u);
}

TEST(DdsDecode, DamagedHeadersAreRefused) {
  const auto good = makeDds(2, 2, kDdsArgb8, 1, argbBytes({1, 2, 3, 4}));
  Image image;
  for (size_t size = 0; size < good.size(); ++size) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_FALSE(DecodeDds(cut.data(), cut.size(), &image)) << size;
    EXPECT_TRUE(image.levels.empty());
  }
  auto bad = good;
  bad[0] = 'X';
  EXPECT_FALSE(decodes(bad));
  EXPECT_FALSE(decodes(makeDds(0, 2, kDdsArgb8, 1, argbBytes({1, 2}))));
  EXPECT_FALSE(decodes(makeDds(kMaxImageSide + 1, 1, kDdsArgb8, 1, std::vector<uint8_t>((kMaxImageSide + 1) * 4))));
  EXPECT_FALSE(decodes(makeDds(0xFFFFFFFF, 0xFFFFFFFF, kDdsArgb8, 1, {})));
  EXPECT_FALSE(decodes(makeDds(4, 4, dxt("ATI2"), 1, std::vector<uint8_t>(16))));
  EXPECT_FALSE(decodes(makeDds(1, 1, {kPfRgb, 0, 12, 0xF00, 0xF0, 0xF, 0}, 1, {0, 0})));
  EXPECT_FALSE(decodes(makeDds(1, 1, {0, 0, 32, 0, 0, 0, 0}, 1, {0, 0, 0, 0})));
}

// --- BMP ---

TEST(BmpDecode, TrueColourRowsBottomUpAndTopDown) {
  // 3 x 2, 24 bits: rows of 9 bytes padded to 12; the first stored row is the bottom one.
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.pixels = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,
                 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0, 0, 0};
  D3DFORMAT format;
  const std::vector<uint32_t> bottomUp = {0xFF302010, 0xFF605040, 0xFF908070, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  EXPECT_EQ(decodePixels(makeBmp(spec), &format), bottomUp);
  EXPECT_EQ(format, D3DFMT_X8R8G8B8);

  spec.height = -2;
  const std::vector<uint32_t> topDown = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF302010, 0xFF605040, 0xFF908070};
  EXPECT_EQ(decodePixels(makeBmp(spec)), topDown);

  // The last row may come without its padding.
  spec.pixels.resize(spec.pixels.size() - 3);
  EXPECT_EQ(decodePixels(makeBmp(spec)), topDown);

  // 32 bits without bit fields: the fourth byte is not alpha.
  BmpSpec wide;
  wide.bits = 32;
  wide.pixels = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(decodePixels(makeBmp(wide), &format), std::vector<uint32_t>{0xFF030201});
  EXPECT_EQ(format, D3DFMT_X8R8G8B8);
}

TEST(BmpDecode, SixteenBitsDefaultTo555AndBitFieldsGiveTheirMasks) {
  BmpSpec spec;
  spec.width = 2;
  spec.bits = 16;
  spec.pixels = words({0x7C00, 0x001F});
  EXPECT_EQ(decodePixels(makeBmp(spec)), (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));

  spec.compression = 3;  // BI_BITFIELDS, 5-6-5
  spec.masks = {0xF800, 0x07E0, 0x001F};
  spec.pixels = words({0x07E0, 0xF800});
  EXPECT_EQ(decodePixels(makeBmp(spec)), (std::vector<uint32_t>{0xFF00FF00, 0xFFFF0000}));

  // A version 4 header with an alpha mask: the image keeps its alpha.
  BmpSpec alpha;
  alpha.headerSize = 108;
  alpha.bits = 32;
  alpha.compression = 3;
  alpha.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  alpha.pixels = argbBytes({0x40112233});
  D3DFORMAT format;
  EXPECT_EQ(decodePixels(makeBmp(alpha), &format), std::vector<uint32_t>{0x40112233});
  EXPECT_EQ(format, D3DFMT_A8R8G8B8);
}

TEST(BmpDecode, PalettedImagesOfOneFourAndEightBits) {
  BmpSpec mono;
  mono.width = 10;
  mono.bits = 1;
  mono.palette = {0x000000, 0xFFFFFF};
  mono.pixels = {0xA0, 0x40, 0, 0};  // 1010 0000 01
  std::vector<uint32_t> expected(10, 0xFF000000);
  expected[0] = expected[2] = expected[9] = 0xFFFFFFFF;
  EXPECT_EQ(decodePixels(makeBmp(mono)), expected);

  BmpSpec nibbles;
  nibbles.width = 3;
  nibbles.bits = 4;
  nibbles.palette = {0x000000, 0x112233, 0x445566};
  nibbles.pixels = {0x12, 0xF0, 0, 0};  // index 15 lies beyond the palette: black
  EXPECT_EQ(decodePixels(makeBmp(nibbles)), (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF000000}));

  BmpSpec bytes;
  bytes.width = 2;
  bytes.height = 2;
  bytes.bits = 8;
  bytes.palette = {0xFF0000, 0x00FF00};
  bytes.pixels = {1, 0, 0, 0, 0, 1, 0, 0};
  EXPECT_EQ(decodePixels(makeBmp(bytes)), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}));

  // The old 12-byte header with three-byte palette entries.
  BmpSpec core = bytes;
  core.headerSize = 12;
  EXPECT_EQ(decodePixels(makeBmp(core)), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}));
}

TEST(BmpDecode, RunLengthEncodedImages) {
  BmpSpec rle8;
  rle8.width = 4;
  rle8.height = 3;
  rle8.bits = 8;
  rle8.compression = 1;
  rle8.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  rle8.pixels = {
      3, 1, 0, 0,           // bottom row: three of index 1, end of line
      0, 3, 2, 3, 2, 0,     // absolute run of three (padded), then
      0, 0,                 // end of line
      0, 2, 1, 0,           // delta: one to the right, same row
      2, 3, 0, 1,           // top row: two of index 3 from x = 1, end of bitmap
      9, 9,                 // never read
  };
  const uint32_t k = 0xFF000000, r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
  EXPECT_EQ(decodePixels(makeBmp(rle8)), (std::vector<uint32_t>{k, b, b, k, g, b, g, k, r, r, r, k}));

  BmpSpec rle4 = rle8;
  rle4.width = 5;
  rle4.height = 1;
  rle4.bits = 4;
  rle4.compression = 2;
  rle4.pixels = {3, 0x12, 0, 3, 0x30, 0, 0, 1};  // 1 2 1, then absolute 3 0 0 (cut at the row end)
  EXPECT_EQ(decodePixels(makeBmp(rle4)), (std::vector<uint32_t>{r, g, r, b, k}));

  // Runs and deltas beyond the image are cut; data that ends early leaves the rest at index 0.
  BmpSpec wild = rle8;
  wild.pixels = {255, 2, 0, 2, 200, 200, 5, 1};
  EXPECT_EQ(decodePixels(makeBmp(wild)), (std::vector<uint32_t>{k, k, k, k, k, k, k, k, g, g, g, g}));
}

TEST(BmpDecode, DamagedFilesAreRefused) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.pixels = std::vector<uint8_t>(16, 0x55);
  const auto good = makeBmp(spec);
  ASSERT_TRUE(decodes(good));
  Image image;
  for (size_t size = 0; size + 2 < good.size(); ++size) {  // the last row needs 6 of its 8 bytes
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_FALSE(DecodeBmp(cut.data(), cut.size(), &image)) << size;
  }
  auto mutate = [&](size_t at, uint32_t value) {
    auto bad = good;
    put32(bad, at, value);
    return decodes(bad);
  };
  EXPECT_FALSE(mutate(14, 20));             // unknown header size
  EXPECT_FALSE(mutate(14, 0xFFFFFFF0));     // header beyond the file
  EXPECT_FALSE(mutate(18, 0));              // no width
  EXPECT_FALSE(mutate(18, 0x80000000));     // negative width
  EXPECT_FALSE(mutate(22, 0x80000000));     // most negative height
  EXPECT_FALSE(mutate(22, 100000));         // taller than any texture
  EXPECT_FALSE(mutate(10, 0));              // no pixel data
  EXPECT_FALSE(mutate(10, 0xFFFFFFFF));     // pixel data beyond the file
  EXPECT_FALSE(mutate(30, 4));              // JPEG inside
  EXPECT_FALSE(mutate(28, 0x00020007));     // 7 bits per pixel
}

// --- pixel work ---

TEST(ImagePixels, ConversionToDeviceFormats) {
  const Pixels pixels{2, 1, {0xFFFF8040, 0x00123456}};
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_R5G6B5), words({0xFC08, 0x11AA}));
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_A1R5G5B5), words({0xFE08, 0x08CA}));
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_R8G8B8), (std::vector<uint8_t>{0x40, 0x80, 0xFF, 0x56, 0x34, 0x12}));
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_X8R8G8B8), argbBytes({0xFFFF8040, 0xFF123456}));
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_A8R8G8B8), argbBytes({0xFFFF8040, 0x00123456}));
  EXPECT_EQ(PixelsToFormat(pixels, D3DFMT_A4R4G4B4), words({0xFF84, 0x0135}));
  EXPECT_TRUE(PixelsToFormat(pixels, D3DFMT_DXT1).empty());
}

TEST(ImagePixels, PointAndLinearResizing) {
  const Pixels row{2, 1, {0xFF000000, 0xFFFFFFFF}};
  EXPECT_EQ(ResizePixels(row, 4, 1, ImageFilter::Point).argb,
            (std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}));
  // Bilinear between pixel centres: 0, 1/4, 3/4, 1 of the way.
  EXPECT_EQ(ResizePixels(row, 4, 1, ImageFilter::Linear).argb,
            (std::vector<uint32_t>{0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF}));

  const Pixels square{2, 2, {0x00000000, 0xFF000000, 0x00FF0000, 0xFF00FF00}};
  EXPECT_EQ(NextMipLevel(square, ImageFilter::Linear).argb, std::vector<uint32_t>{0x80404000});
  const auto point = NextMipLevel(square, ImageFilter::Point);
  ASSERT_EQ(point.argb.size(), 1u);
  EXPECT_EQ(point.width, 1u);

  // A 1-pixel-high image halves only its width.
  const Pixels line{4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}};
  const auto half = NextMipLevel(line, ImageFilter::Linear);
  EXPECT_EQ(half.width, 2u);
  EXPECT_EQ(half.height, 1u);
  EXPECT_EQ(half.argb, (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF}));
}

TEST(TextureLevels, ImagesGrowToPowersOfTwoWithTheFullChainInTheAskedFormat) {
  BmpSpec spec;
  spec.width = 5;
  spec.height = -3;
  spec.bits = 24;
  spec.pixels = std::vector<uint8_t>(16 * 3, 0xFF);
  const auto file = makeBmp(spec);
  Image source;
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));

  TextureFromFileOptions options;
  options.format = D3DFMT_R5G6B5;
  options.filter = options.mipFilter = D3DX_FILTER_NONE;
  Image texture;
  ASSERT_TRUE(PrepareTextureImage(source, options, &texture));
  EXPECT_EQ(texture.format, D3DFMT_R5G6B5);
  const unsigned sizes[][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
  ASSERT_EQ(texture.levels.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(texture.levels[i].width, sizes[i][0]);
    EXPECT_EQ(texture.levels[i].height, sizes[i][1]);
    EXPECT_EQ(texture.levels[i].bytes, std::vector<uint8_t>(sizes[i][0] * sizes[i][1] * 2, 0xFF));
  }

  options.mipLevels = 2;
  options.format = D3DFMT_UNKNOWN;  // the image's own: X8R8G8B8 for a BMP
  ASSERT_TRUE(PrepareTextureImage(source, options, &texture));
  EXPECT_EQ(texture.format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(texture.levels.size(), 2u);

  options.format = D3DFMT_D24S8;
  EXPECT_FALSE(PrepareTextureImage(source, options, &texture));
  EXPECT_FALSE(PrepareTextureImage(Image{}, TextureFromFileOptions{}, &texture));
}

TEST(TextureLevels, TheFilesOwnMipLevelsAreUsedAndMissingOnesMade) {
  // 2 x 2 black with a red 1 x 1 level of its own: the file's level wins over a made one.
  std::vector<uint32_t> levels = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFF0000};
  Image source;
  auto file = makeDds(2, 2, kDdsArgb8, 2, argbBytes(levels));
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));
  Image texture;
  ASSERT_TRUE(PrepareTextureImage(source, TextureFromFileOptions{}, &texture));
  ASSERT_EQ(texture.levels.size(), 2u);
  EXPECT_EQ(texture.levels[1].bytes, argbBytes({0xFFFF0000}));

  // Without it the level is the box average.
  levels = {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF};
  file = makeDds(2, 2, kDdsArgb8, 1, argbBytes(levels));
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));
  TextureFromFileOptions options;
  options.format = D3DFMT_R8G8B8;
  ASSERT_TRUE(PrepareTextureImage(source, options, &texture));
  ASSERT_EQ(texture.levels.size(), 2u);
  EXPECT_EQ(texture.levels[1].bytes, (std::vector<uint8_t>{0x80, 0x80, 0x80}));
}

TEST(TextureLevels, CompressedLevelsAreCopiedOrMadeAnewAsA8R8G8B8) {
  const auto block = dxt1Block(0xF800, 0x001F, std::vector<int>(16, 0));
  std::vector<uint8_t> chain;
  for (int i = 0; i < 3; ++i) chain.insert(chain.end(), block.begin(), block.end());
  Image source;
  auto file = makeDds(4, 4, dxt("DXT1"), 3, chain);
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));
  Image texture;
  ASSERT_TRUE(PrepareTextureImage(source, TextureFromFileOptions{}, &texture));
  EXPECT_EQ(texture.format, D3DFMT_DXT1);
  ASSERT_EQ(texture.levels.size(), 3u);
  EXPECT_EQ(texture.levels[2].bytes, block);

  // Only the top level in the file: the chain is made, uncompressed.
  file = makeDds(4, 4, dxt("DXT1"), 1, block);
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));
  ASSERT_TRUE(PrepareTextureImage(source, TextureFromFileOptions{}, &texture));
  EXPECT_EQ(texture.format, D3DFMT_A8R8G8B8);
  ASSERT_EQ(texture.levels.size(), 3u);
  EXPECT_EQ(texture.levels[2].bytes, argbBytes({0xFFFF0000}));

  // Asked for a 16-bit format: converted.
  TextureFromFileOptions options;
  options.format = D3DFMT_A1R5G5B5;
  ASSERT_TRUE(PrepareTextureImage(source, options, &texture));
  EXPECT_EQ(texture.format, D3DFMT_A1R5G5B5);
  EXPECT_EQ(texture.levels[0].bytes, words({0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00,
                                            0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00, 0xFC00}));
}

TEST(TextureLevels, ColourKeyMakesMatchingPixelsTransparent) {
  const auto file = makeDds(2, 1, kDdsArgb8, 1, argbBytes({0xFF000000, 0xFF00FF00}));
  Image source;
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), &source));
  TextureFromFileOptions options;
  options.mipLevels = 1;
  options.colorKey = 0xFF000000;
  Image texture;
  ASSERT_TRUE(PrepareTextureImage(source, options, &texture));
  EXPECT_EQ(texture.levels[0].bytes, argbBytes({0x00000000, 0xFF00FF00}));
}
