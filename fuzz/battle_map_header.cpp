// The battle map's header: any bytes give four values (or leave them 0) without reading past the
// file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "battle/battle_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const BattleMapHeader header = parseBattleMapHeader(std::string_view(reinterpret_cast<const char*>(bytes), size));
  (void)header;
  return 0;
}
