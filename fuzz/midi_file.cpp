// Feeds arbitrary bytes to the Standard MIDI File check that guards the music stream.
#include <cstddef>
#include <cstdint>

#include "platform/audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::IsPlayableMidi(data, size);
  return 0;
}
