// The display-name file, converted with a small font table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static const std::string fontBytes = "\x82\x4f\x82\x50\n\x81\x40\x82\xa0";
  static const FontText font = data::parseFontText(
      {reinterpret_cast<const uint8_t*>(fontBytes.data()), fontBytes.size()});
  data::parseDataNames({bytes, size}, font);
  return 0;
}
