// The item table.
#include <cstddef>
#include <cstdint>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  data::parseItems({bytes, size});
  return 0;
}
