// The texture loads of scrambled files (data/scrambled.h).
#include "app/message_box.h"
#include "data/scrambled.h"

namespace data {
namespace {

uint32_t headerValue(const std::vector<uint8_t>& file, size_t offset) {
  if (offset > file.size() || file.size() - offset < 4) return 0;  // a header cut short reads as 0
  return static_cast<uint32_t>(file[offset]) | static_cast<uint32_t>(file[offset + 1]) << 8 |
         static_cast<uint32_t>(file[offset + 2]) << 16 | static_cast<uint32_t>(file[offset + 3]) << 24;
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
  } else {  // BMP header: width at 18, height at 22
    record.width = headerValue(*plain, 18);
    record.height = headerValue(*plain, 22);
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
