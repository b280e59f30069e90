// Character configuration files: any bytes are read without harm, and what they give is put on
// a character (lists, offsets, actions) the way a load does, without a model.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "data/text_scanner.h"
#include "gfx/chara.h"
#include "platform/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static const bool quiet = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)quiet;
  const std::string text = data::textModeBytes(std::span<const uint8_t>(bytes, size));
  const CharaConfig config = parseCharaConfig(text);
  if (config.loops.size() != config.speeds.size() || config.speeds.size() > static_cast<size_t>(kMaxActions))
    __builtin_trap();

  // The character without its model: actions are refused, nothing is drawn or turned.
  CHARA chara;
  chara.alpha = 1;
  chara.queueAnm(0, static_cast<int>(config.speeds.size()));
  chara.setAnm(0);
  chara.step(3, 1);
  chara.lookAt(0, 1, config.radius);
  chara.setEyes(0, config.height);
  chara.deleteAnims(config.modelName);
  return 0;
}
