// The texture loads of scrambled files (data/scrambled.h).
#include "core/message_box.h"
#include "data/scrambled.h"

namespace data {
namespace {

uint32_t headerValue(const std::vector<uint8_t>& file, size_t offset) {
  if (offset > file.size() || file.size() - offset < 4) return 0;  // a header cut short reads as 0
  return static_cast<uint32_t>(file[offset]) | static_cast<uint32_t>(file[offset + 1]) << 8 |
         static_cast<uint32_t>(file[offset + 2]) << 16 | static_cast<uint32_t>(file[offset + 3]) << 24;
}

uint16_t headerValue16(const std::vector<uint8_t>& file, size_t offset) {
  if (offset > file.size() || file.size() - offset < 2) return 0;
  return static_cast<uint16_t>(file[offset] | file[offset + 1] << 8);
}

// BMP header: width at 18, height at 22. A negative height marks an image stored top row first;
// the image is as high as its magnitude. The old 12-byte core header keeps 16-bit sizes at 18
// and 20.
void bmpSize(const std::vector<uint8_t>& file, TexRecord& record) {
  constexpr uint32_t kCoreHeaderSize = 12;
  if (headerValue(file, 14) == kCoreHeaderSize) {
    record.width = headerValue16(file, 18);
    const auto height = static_cast<int16_t>(headerValue16(file, 20));
    record.height = static_cast<uint32_t>(height < 0 ? -height : height);
    return;
  }
  record.width = headerValue(file, 18);
  const auto height = static_cast<int32_t>(headerValue(file, 22));
  record.height = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
}

}  // namespace

void loadScrambledTexture(std::string_view path, TexRecord& record) {
  const auto plain = unscrambleToPlainCopy(path);
  const bool dds = isDdsTexturePath(path);
  if (!plain) {
    showStandardMessage("!");
    return;
  }
  if (dds) {  // DDS header: height at 12, width at 16
    record.height = headerValue(*plain, 12);
    record.width = headerValue(*plain, 16);
  } else {
    bmpSize(*plain, record);
  }
  record.release();
  if (dds) {
    plat::D3DXCreateTextureFromFileInMemory(gDevice, plain->data(), plain->size(), &record.texture);
  } else {
    plat::D3DXCreateTextureFromFileInMemoryEx(gDevice, plain->data(), plain->size(), 0, 0, 0, 0, plat::D3DFMT_R5G6B5,
                                              plat::D3DPOOL_MANAGED, plat::D3DX_FILTER_NONE, plat::D3DX_FILTER_NONE, 0,
                                              &record.texture);
  }
}

void loadScrambledTextureWithFormat(std::string_view path, std::unique_ptr<plat::Texture>& texture,
                                    plat::D3DFORMAT format, plat::DWORD filter) {
  texture.reset();
  const auto plain = unscrambleToPlainCopy(path);
  if (!plain) return;
  plat::D3DXCreateTextureFromFileInMemoryEx(gDevice, plain->data(), plain->size(), 0, 0, 0, 0, format,
                                            plat::D3DPOOL_MANAGED, filter, filter, 0, &texture);
}

}  // namespace data
