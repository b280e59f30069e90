// Sky box files: any bytes are read as "Mat\SKY\<name>.zd" (on or off, the faces' base name, the
// tiling and the spin) and the sky is drawn a few frames, on a device that draws nothing. The
// faces a name asks for are never there, so their loads report and leave them empty.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "battle/sky.h"
#include "core/graphics.h"
#include "platform/system.h"
#include "fuzz/fuzz_setup.h"

namespace {

const std::filesystem::path& workDirectory() {
  static const std::filesystem::path dir = [] {
    const auto path = std::filesystem::temp_directory_path() / ("orvane_fuzz_sky_box_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "Mat" / "SKY");
    plat::SetProgramDirectory(path.string() + "/");
    return path;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  useNullDevice();
  std::ofstream(workDirectory() / "Mat" / "SKY" / "fz.zd", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  resetSky();
  loadSky("fz");
  for (int frame = 0; frame < 3; ++frame) drawSky(VECTOR{0.0f, 100.0f, 0.0f});
  resetSky();
  return 0;
}
