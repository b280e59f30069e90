// Scrambled data files: textures (".au", ".zgr") and sounds (".zse") are ordinary image and WAV
// files whose first 96 bytes are bit-inverted (data/scramble.h). A load unscrambles the file into
// a plain copy held in memory for the duration of that one load and hands it to the image or WAV
// reader.
//
// Also the error text buffer, with which script and battle code build messages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/graphics.h"
#include "platform/d3dx.h"

namespace data {

// The largest scrambled file that is read: above the largest sound buffer (256 MiB) and far
// above the largest texture a file may hold.
constexpr size_t kMaxScrambledFileBytes = size_t{320} << 20;

// Reads the scrambled file at path (game code page, '\' separators allowed) and returns its plain
// bytes. When the file cannot be opened or read: shows "ZCV_ZSFmt::オープンエラーなのさ\n<path>" with
// the standard box and returns nothing; when there is no room for the copy (no memory, or a file
// larger than kMaxScrambledFileBytes): shows "ZCV_ZSFmt::書き出しエラーなのさ" and returns nothing.
std::optional<std::vector<uint8_t>> unscrambleToPlainCopy(std::string_view path);

// Whether a texture path names a DDS image: its text after the last '.' is "au" in any case.
// Anything else, or no '.', is a BMP image.
bool isDdsTexturePath(std::string_view path);

// Loads a scrambled DDS (".au") or BMP texture into a texture record: width and height from the
// file's header, the texture in the file's own format (DDS) or R5G6B5 without filtering (BMP),
// with the full mip chain. Shows "!" when there is no plain copy, leaving the record as it was.
// A file that cannot be decoded leaves the record's texture empty.
void loadScrambledTexture(std::string_view path, TexRecord& record);

// Loads a scrambled texture in the given format with the given filter for resizing and for the
// mip levels (plat::D3DX_FILTER_LINEAR or plat::D3DX_FILTER_NONE). The destination is emptied
// first and stays empty when the file is missing or cannot be decoded.
void loadScrambledTextureWithFormat(std::string_view path, std::unique_ptr<plat::Texture>& texture,
                                    plat::D3DFORMAT format, plat::DWORD filter);

// Loads a scrambled WAV file (".zse") into a sound slot. A missing file shows the open error,
// then the WAV reader's own open message. Returns whether the slot now holds the sound.
bool loadScrambledSound(std::string_view path, int slot);


}  // namespace data
