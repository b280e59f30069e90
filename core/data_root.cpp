#include "core/data_root.h"

#include <cstring>

#include "platform/system.h"

const char* dataRoot() {
  static char buffer[plat::kDataRootMaxLength + 1];
  const std::string dir = plat::ProgramDirectory();
  // The program's directory always fits in practice; a longer one is cut back to its last
  // separator so the result still ends with one.
  size_t n = dir.size() < sizeof buffer - 1 ? dir.size() : sizeof buffer - 1;
  std::memcpy(buffer, dir.data(), n);
  buffer[n] = 0;
  while (n > 0 && buffer[n - 1] != '/') buffer[--n] = 0;
  return buffer;
}
