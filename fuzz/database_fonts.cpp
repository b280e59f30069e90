// The font table, and text converted with it (the input is both table and text).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const FontText font = data::parseFontText({bytes, size});
  const size_t textSize = size < 64 ? size : 64;
  data::glyphStringOf(font, std::string_view(reinterpret_cast<const char*>(bytes), textSize));
  return 0;
}
