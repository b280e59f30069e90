#include "platform/d3dx.h"

#include <algorithm>
#include <cstring>

namespace plat {
namespace {

unsigned nextPowerOfTwo(unsigned value) {
  unsigned result = 1;
  while (result < value && result < kMaxImageSide) result <<= 1;
  return result;
}

bool fromImage(unsigned requested) { return requested == 0 || requested == D3DX_DEFAULT; }

ImageFilter imageFilter(DWORD d3dxFilter) {
  if (d3dxFilter == D3DX_DEFAULT) return ImageFilter::Linear;
  const DWORD kind = d3dxFilter & 0xFF;
  return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT ? ImageFilter::Point : ImageFilter::Linear;
}

void applyColorKey(Pixels& pixels, D3DCOLOR key) {
  if (key == 0) return;
  for (uint32_t& p : pixels.argb)
    if (p == key) p = 0;
}

}  // namespace

bool PrepareTextureImage(const Image& source, const TextureFromFileOptions& options, Image* texture) {
  *texture = Image{};
  if (source.levels.empty()) return false;
  const ImageLevel& top = source.levels[0];
  if (top.width == 0 || top.height == 0) return false;

  const unsigned width = nextPowerOfTwo(fromImage(options.width) ? top.width : options.width);
  const unsigned height = nextPowerOfTwo(fromImage(options.height) ? top.height : options.height);
  const unsigned fullChain = FullChainLength(width, height);
  const unsigned levels = fromImage(options.mipLevels) ? fullChain : std::min(options.mipLevels, fullChain);
  const bool resized = width != top.width || height != top.height;
  const bool keyed = options.colorKey != 0;

  D3DFORMAT format = options.format == D3DFMT_UNKNOWN ? source.format : options.format;
  if (!IsSupportedImageFormat(format)) return false;
  // Compressed levels can only be copied as they are; anything else is made as A8R8G8B8.
  if (IsCompressedFormat(format) &&
      (format != source.format || resized || keyed || source.levels.size() < levels))
    format = D3DFMT_A8R8G8B8;

  texture->format = format;
  const ImageFilter filter = imageFilter(options.filter);
  const ImageFilter mipFilter = imageFilter(options.mipFilter);
  Pixels previous;  // the last level as pixels, when the next one may need making from it
  unsigned w = width;
  unsigned h = height;
  for (unsigned level = 0; level < levels; ++level) {
    // The file's own level serves when the image was not resized and the level has the right size.
    const bool fromFile = !resized && level < source.levels.size() && source.levels[level].width == w &&
                          source.levels[level].height == h;
    if (fromFile && format == source.format && !keyed) {
      texture->levels.push_back(source.levels[level]);
      previous = Pixels{};  // decoded only if a following level has to be made from it
    } else {
      Pixels pixels;
      if (fromFile) {
        if (!LevelToPixels(source, level, &pixels)) return false;
        applyColorKey(pixels, options.colorKey);
      } else if (level == 0) {
        Pixels original;
        if (!LevelToPixels(source, 0, &original)) return false;
        applyColorKey(original, options.colorKey);
        pixels = ResizePixels(original, w, h, filter);
      } else {
        if (previous.argb.empty() && !LevelToPixels(source, level - 1, &previous)) return false;
        pixels = NextMipLevel(previous, mipFilter);
      }
      texture->levels.push_back({w, h, PixelsToFormat(pixels, format)});
      previous = std::move(pixels);
    }
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  return true;
}

HRESULT CreateTextureFromImage(Device* device, const Image& image, DWORD usage, D3DPOOL pool,
                               std::unique_ptr<Texture>* texture) {
  texture->reset();
  if (!device || image.levels.empty()) return D3DERR_INVALIDCALL;
  const ImageLevel& top = image.levels[0];
  std::unique_ptr<Texture> created;
  HRESULT hr = device->CreateTexture(top.width, top.height, static_cast<unsigned>(image.levels.size()), usage,
                                     image.format, pool, &created);
  if (FAILED(hr) || !created) return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
  const unsigned levels = std::min<unsigned>(created->GetLevelCount(), static_cast<unsigned>(image.levels.size()));
  for (unsigned level = 0; level < levels; ++level) {
    const ImageLevel& source = image.levels[level];
    const size_t rowSize = ImageRowSize(image.format, source.width);
    const unsigned rows = ImageRowCount(image.format, source.height);
    if (source.bytes.size() < rowSize * rows) return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    hr = created->LockRect(level, &locked, 0);
    if (FAILED(hr)) return hr;
    if (!locked.pBits || locked.Pitch < 0 || static_cast<size_t>(locked.Pitch) < rowSize) {
      created->UnlockRect(level);
      return D3DERR_INVALIDCALL;
    }
    auto* destination = static_cast<uint8_t*>(locked.pBits);
    for (unsigned row = 0; row < rows; ++row)
      std::memcpy(destination + static_cast<size_t>(row) * locked.Pitch, source.bytes.data() + row * rowSize, rowSize);
    hr = created->UnlockRect(level);
    if (FAILED(hr)) return hr;
  }
  *texture = std::move(created);
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size, unsigned width,
                                            unsigned height, unsigned mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            std::unique_ptr<Texture>* texture) {
  texture->reset();
  if (!device || !data) return D3DERR_INVALIDCALL;
  Image decoded;
  if (!DecodeImage(static_cast<const uint8_t*>(data), size, &decoded)) return D3DERR_INVALIDCALL;
  TextureFromFileOptions options{width, height, mipLevels, format, filter, mipFilter, colorKey};
  Image levels;
  if (!PrepareTextureImage(decoded, options, &levels)) return D3DERR_INVALIDCALL;
  HRESULT hr = CreateTextureFromImage(device, levels, usage, pool, texture);
  if (FAILED(hr) && levels.format != D3DFMT_A8R8G8B8) {
    // A format the device does not have: the nearest one it always has.
    options.format = D3DFMT_A8R8G8B8;
    if (!PrepareTextureImage(decoded, options, &levels)) return D3DERR_INVALIDCALL;
    hr = CreateTextureFromImage(device, levels, usage, pool, texture);
  }
  return hr;
}

HRESULT D3DXCreateTextureFromFileInMemory(Device* device, const void* data, size_t size,
                                          std::unique_ptr<Texture>* texture) {
  return D3DXCreateTextureFromFileInMemoryEx(device, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                             D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, texture);
}

}  // namespace plat
