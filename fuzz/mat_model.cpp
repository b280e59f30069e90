// Loads Mat models from memory: the chunk line, the tokenizer, the material block, every object
// keyword (binary vertex blocks included), merging and normals; then draws the result on a
// recording device, so that every stored index is used. Each input is also read as the body of
// a material block and as the content of an object, so that short inputs reach those readers.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "gfx/mat_model.h"
#include "platform/system.h"
#include "tests/recording_device.h"

namespace {

void loadAndDraw(std::span<const uint8_t> file) {
  recording::ScopedRecordingDevice device;
  MakeMat model;
  // Texture names lead nowhere: the directory below the data root does not exist, so no name
  // (however it climbs with "..") reaches a real file.
  model.setDirectory("orvane-fuzz-no-such-directory\\");
  model.LoadFromMemory(gDevice, file, "fuzz.mp", 10.0f, 1);
  model.draw(gDevice);
  model.drawPlain(gDevice);
  for (size_t i = 0; i < model.objects.size(); ++i) model.drawObject(gDevice, i);
}

void loadAfter(const std::string& prefix, const uint8_t* data, size_t size) {
  std::string file = prefix;
  file.append(reinterpret_cast<const char*>(data), size);
  loadAndDraw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)quiet;
  loadAndDraw(std::span<const uint8_t>(data, size));
  loadAfter("ZD:\r\nMaterial 3 {\r\n", data, size);
  loadAfter("ZD:\r\nMaterial 2 {\r\n \"a\" col(1 1 1 1)\r\n \"b\"\r\n}\r\nObject \"o\" {\r\n vertex 4 {\r\n"
            "  0 0 0\r\n  1 0 0\r\n  1 1 0\r\n  0 1 0\r\n }\r\n",
            data, size);
  return 0;
}
