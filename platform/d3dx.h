// Texture creation from image files (DDS and BMP) held in memory, in place of D3DX's
// D3DXCreateTextureFromFile and D3DXCreateTextureFromFileExA.
//
// Sizes that are not powers of two are rounded up to the next power of two and the image is
// resized with the filter; mip levels are taken from the file where it has them at the right
// size and are made with the mip filter otherwise. A file that cannot be decoded creates nothing.
#pragma once
#include <cstddef>
#include <memory>

#include "platform/device.h"
#include "platform/image.h"

namespace plat {

constexpr DWORD D3DX_DEFAULT = 0xFFFFFFFF;
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;

// How a texture is made from an image: the parameters of D3DXCreateTextureFromFileExA.
struct TextureFromFileOptions {
  unsigned width = 0;      // 0 or D3DX_DEFAULT: the image's width (rounded up to a power of two)
  unsigned height = 0;     // likewise
  unsigned mipLevels = 0;  // 0 or D3DX_DEFAULT: the full chain down to 1 x 1
  D3DFORMAT format = D3DFMT_UNKNOWN;  // D3DFMT_UNKNOWN: the image's own format
  DWORD filter = D3DX_DEFAULT;        // for resizing; NONE and POINT pick the nearest pixel
  DWORD mipFilter = D3DX_DEFAULT;     // for making mip levels
  D3DCOLOR colorKey = 0;              // 0: none; else pixels of this colour become transparent black
};

// Turns a decoded image into the levels of the texture to create. The result's format is the
// one asked for, or A8R8G8B8 when a compressed format was asked for but the levels had to be
// made anew (compression is not done here). Returns false for an empty image or a format that
// textures cannot have.
bool PrepareTextureImage(const Image& source, const TextureFromFileOptions& options, Image* texture);

// Creates a texture holding the levels of an image, through CreateTexture and LockRect.
HRESULT CreateTextureFromImage(Device* device, const Image& image, DWORD usage, D3DPOOL pool,
                               std::unique_ptr<Texture>* texture);

// Decodes the file and creates the texture. When the device refuses the format, the texture is
// created as A8R8G8B8 instead. On failure *texture is left empty and an error is returned.
HRESULT D3DXCreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size, unsigned width,
                                            unsigned height, unsigned mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            std::unique_ptr<Texture>* texture);
// The defaults: size, format and levels from the file, managed pool, default filters, no key.
HRESULT D3DXCreateTextureFromFileInMemory(Device* device, const void* data, size_t size,
                                          std::unique_ptr<Texture>* texture);

}  // namespace plat
