// Fuzzes the image decoders behind the scrambled texture loads (the plain copy of a ".au" file is a
// DDS image, of a ".zgr" file a BMP image) and the making of texture levels from what they decode.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dx.h"
#include "platform/image.h"

namespace {

// Keeps the level work small: the decoders themselves see every input.
constexpr size_t kMaxPixelsForLevels = 64 * 64;

void makeLevels(const plat::Image& image) {
  const plat::ImageLevel& top = image.levels.at(0);
  if (static_cast<size_t>(top.width) * top.height > kMaxPixelsForLevels) return;
  for (size_t level = 0; level < image.levels.size(); ++level) {
    plat::Pixels pixels;
    plat::LevelToPixels(image, level, &pixels);
  }
  plat::Image texture;
  // The loads of the game: DDS defaults, BMP in R5G6B5 unfiltered, and the formats callers pass.
  plat::PrepareTextureImage(image, plat::TextureFromFileOptions{}, &texture);
  const struct {
    plat::D3DFORMAT format;
    plat::DWORD filter;
  } asks[] = {
      {plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_NONE},
      {plat::D3DFMT_A1R5G5B5, plat::D3DX_FILTER_LINEAR},
      {plat::D3DFMT_R8G8B8, plat::D3DX_FILTER_LINEAR},
  };
  for (const auto& ask : asks) {
    plat::TextureFromFileOptions options;
    options.format = ask.format;
    options.filter = options.mipFilter = ask.filter;
    plat::PrepareTextureImage(image, options, &texture);
  }
}

void decodeAs(const char* signature, size_t signatureSize, const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  if (file.size() < signatureSize) file.resize(signatureSize);
  std::memcpy(file.data(), signature, signatureSize);
  plat::Image image;
  if (plat::DecodeImage(file.data(), file.size(), &image)) makeLevels(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::Image image;
  if (plat::DecodeImage(data, size, &image)) makeLevels(image);
  // Most inputs lack a signature; give them each one so both decoders see their bodies.
  decodeAs("DDS ", 4, data, size);
  decodeAs("BM", 2, data, size);
  return 0;
}
