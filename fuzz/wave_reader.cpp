// Feeds arbitrary bytes to the WAV reader as the plain copy of a sound file, and plays what it
// accepts through the offline mixer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/sound.h"
#include "platform/audio.h"
#include "platform/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    plat::SelectAudioOutput(plat::AudioOutput::Offline);
    return soundSetup();
  }();
  if (!ready) return 0;
  const std::vector<uint8_t> file(data, data + size);
  if (loadWaveIntoSlot(&file, 8)) {
    setSoundFrequency(8, size > 0 ? data[0] * 1000u : 0u);
    playSound(8);
    float mix[2 * 256];
    plat::RenderAudio(mix, 256);
  }
  return 0;
}
