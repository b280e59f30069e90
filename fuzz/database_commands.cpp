// The first-command, technique and tk tables.
#include <cstddef>
#include <cstdint>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  data::parseFirstCommands({bytes, size});
  data::parseWaza({bytes, size});
  return 0;
}
