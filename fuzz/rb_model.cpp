// "RB Object format" models: any bytes are loaded without harm; a model that loads is animated,
// skinned and asked for its extra animations from the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "gfx/rb_model.h"
#include "platform/system.h"

namespace {

void exercise(std::span<const uint8_t> file) {
  OBJMODEL model;
  model.reset();
  // Texture names lead into a directory that does not exist, so no file outside is ever read.
  model.setTextureDir("rb-model-fuzz-no-such-directory\\");
  if (model.loadFromMemory(file, "fuzz.zdm", 0.01f) == 0) return;
  for (int index = 0; index < 4; ++index) {
    if (!model.hasAnim(index)) continue;
    model.setAnim(index);
    model.rewind();
    model.advance(7);
    model.advance(-3);
    model.advance(40);
    model.getFrame();
    model.getAnimLength();
    model.skin();
    model.computeNormals();
  }
  model.deleteAnim(0);
  model.deleteAnim(1);
  model.loadAnimsFromMemory(file, "", 0, 3);
  model.addPoseKeys(5);
  model.draw(nullptr, 1.0f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static const bool quiet = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)quiet;
  exercise({bytes, size});
  // Most inputs lack the header; give them one so that the body is read too.
  static const char kHeader[kRbHeaderSize + 1] = "RB Object format V1.0 BINARY";
  std::vector<uint8_t> withHeader(kHeader, kHeader + kRbHeaderSize);
  withHeader.insert(withHeader.end(), bytes, bytes + size);
  exercise(withHeader);
  return 0;
}
