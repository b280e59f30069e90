// Feeds arbitrary bytes to the Standard MIDI File check that guards the music stream; files it
// accepts are played for a moment through the synthesiser (when a soundfont is installed), so
// that the synthesiser's own reading of them is exercised too.
#include <cstddef>
#include <cstdint>

#include "platform/audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool synthReady = [] {
    plat::SelectAudioOutput(plat::AudioOutput::Offline);
    return plat::OpenMusic() == plat::MusicSynth::Ready;
  }();
  if (!plat::IsPlayableMidi(data, size) || !synthReady) return 0;
  if (plat::PlayMidi(data, size)) {
    float mix[2 * 1024];
    plat::RenderAudio(mix, 1024);
    plat::RenderAudio(mix, 1024);
  }
  plat::StopMidi();
  return 0;
}
