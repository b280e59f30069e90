// The scroll table.
#include <cstddef>
#include <cstdint>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  data::parseScrolls({bytes, size}, 6);
  return 0;
}
