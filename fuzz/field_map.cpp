// Field maps: any bytes are loaded as "Mat\<name>.mp" the way a scene's f31 loads them (the fog
// header, the Mat model, the walk grid from the header's radius), then the ground is asked for
// points across the map and every face's attribute is read. A device that draws nothing holds
// the textures.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/graphics.h"
#include "field/field.h"
#include "platform/system.h"
#include "fuzz/fuzz_setup.h"

namespace {

// A directory of its own as data root, with the map file in it. The current directory stays, so
// that the corpus paths given on the command line keep working.
const std::filesystem::path& workDirectory() {
  static const std::filesystem::path dir = [] {
    const auto path = std::filesystem::temp_directory_path() / ("orvane_fuzz_field_map_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "Mat");
    plat::SetProgramDirectory(path.string() + "/");
    return path;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  useNullDevice();
  std::ofstream(workDirectory() / "Mat" / "fz.mp", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  resetField();
  LoadMap("fz", true);
  const WalkGrid& grid = gField.grid;
  if (grid.cells.size() != static_cast<size_t>(grid.width) * static_cast<size_t>(grid.depth)) std::abort();
  for (int i = -4; i <= 4; ++i) {
    for (int j = -4; j <= 4; ++j) {
      VECTOR point{i * 700.0f, 0.0f, j * 700.0f};
      const int face = groundQuery(point, (i + j) & 1);
      faceAttribute(face);
    }
  }
  for (int face = -1; face < 64; ++face) faceAttribute(face);
  resetField();
  return 0;
}
