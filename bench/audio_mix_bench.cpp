// Cost of mixing: many sound buffers at once, and the music synthesiser.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/audio.h"

namespace {

void MixSoundBuffers(benchmark::State& state) {
  plat::SelectAudioOutput(plat::AudioOutput::Offline);
  plat::OpenAudio();
  const plat::WaveFormat format{.channels = 1, .samplesPerSec = 22050, .bitsPerSample = 16, .blockAlign = 2};
  std::vector<uint8_t> pcm(2 * 22050, 0x40);  // one second
  std::vector<std::unique_ptr<plat::SoundBuffer>> buffers;
  for (int i = 0; i < state.range(0); ++i) {
    buffers.push_back(plat::CreateSoundBuffer(format, pcm.data(), pcm.size()));
    buffers.back()->SetPan(i * 500 - 5000);
    buffers.back()->Play();
  }
  std::vector<float> out(2 * 1024);
  for (auto _ : state) {
    for (auto& buffer : buffers) buffer->SetCurrentPosition(0);  // keep every buffer playing
    plat::RenderAudio(out.data(), 1024);
    benchmark::DoNotOptimize(out.data());
  }
  buffers.clear();
  plat::CloseAudio();
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(MixSoundBuffers)->Arg(1)->Arg(8)->Arg(32);

void MixMusic(benchmark::State& state) {
  plat::SelectAudioOutput(plat::AudioOutput::Offline);
  if (plat::OpenMusic() != plat::MusicSynth::Ready) {
    plat::CloseMusic();
    state.SkipWithError("no soundfont");
    return;
  }
  // Four-note chords on every beat of a looped track.
  std::vector<uint8_t> track = {0, 0xC0, 0};
  for (int beat = 0; beat < 8; ++beat) {
    for (uint8_t key : {60, 64, 67, 72}) track.insert(track.end(), {0, 0x90, key, 90});
    track.insert(track.end(), {0x60, 0x80, 60, 0, 0, 0x80, 64, 0, 0, 0x80, 67, 0, 0, 0x80, 72, 0});
  }
  track.insert(track.end(), {0, 0xFF, 0x2F, 0});
  std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0,
                              static_cast<uint8_t>(track.size() >> 8), static_cast<uint8_t>(track.size())};
  smf.insert(smf.end(), track.begin(), track.end());
  plat::PlayMidi(smf.data(), smf.size());
  std::vector<float> out(2 * 1024);
  for (auto _ : state) {
    plat::RenderAudio(out.data(), 1024);
    benchmark::DoNotOptimize(out.data());
  }
  plat::CloseMusic();
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(MixMusic);

}  // namespace
