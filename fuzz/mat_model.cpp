// Loads Mat models from memory: the chunk line, the tokenizer, the material block, every object
// keyword (binary vertex blocks included), merging and normals; then draws the result on a
// recording device, so that every stored index is used.
#include <cstddef>
#include <cstdint>
#include <span>

#include "gfx/mat_model.h"
#include "platform/system.h"
#include "tests/recording_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)quiet;
  recording::ScopedRecordingDevice device;
  MakeMat model;
  // Texture names lead nowhere: the directory below the data root does not exist, so no name
  // (however it climbs with "..") reaches a real file.
  model.setDirectory("orvane-fuzz-no-such-directory\\");
  model.LoadFromMemory(gDevice, std::span<const uint8_t>(data, size), "fuzz.mp", 10.0f, 1);
  model.draw(gDevice);
  model.drawPlain(gDevice);
  for (size_t i = 0; i < model.objects.size(); ++i) model.drawObject(gDevice, i);
  return 0;
}
