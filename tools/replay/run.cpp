#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "battle/transitions.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/graphics.h"
#include "app/window_proc.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "field/field.h"
#include "platform/audio.h"
#include "platform/png.h"
#include "platform/system.h"
#include "platform/window.h"
#include "tools/replay/replay.h"

namespace replay {

namespace {

bool readFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

// Paths given on the command line are relative to where the runner was started, not to the
// data directory it changes into.
std::string absolute(const std::string& path) {
  return std::filesystem::absolute(path).string();
}

// Frames that only clear and present, after the last frame of a reported run: the floor of what a
// frame costs on this renderer.
constexpr int kFloorFrames = 100;

std::vector<long long> measureFloor() {
  std::vector<long long> floor;
  for (int i = 0; i < kFloorFrames && gDevice; ++i) {
    const int64_t start = steadyClockMicros();
    gDevice->SetViewport(gFullScreenViewport);
    gDevice->Clear(0, nullptr, plat::D3DCLEAR_ZBUFFER | plat::D3DCLEAR_STENCIL, 0, 1.0f, 0);
    gDevice->BeginScene();
    gDevice->EndScene();
    gDevice->Present();
    floor.push_back(steadyClockMicros() - start);
  }
  return floor;
}

long peakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string escapeLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

int run(const Options& options) {
  const int64_t started = steadyClockMicros();
  std::error_code ec;
  const std::filesystem::path dataDir = std::filesystem::canonical(options.dataDir, ec);
  if (ec || !std::filesystem::is_directory(dataDir)) {
    std::fprintf(stderr, "orvane-replay: no data directory \"%s\"\n", options.dataDir.c_str());
    return 2;
  }
  std::vector<ScriptedKey> keys;
  if (!options.keysFile.empty()) {
    std::string text, error;
    if (!readFile(options.keysFile, text)) {
      std::fprintf(stderr, "orvane-replay: cannot read the key script \"%s\"\n", options.keysFile.c_str());
      return 2;
    }
    if (!parseKeyScript(text, keys, error)) {
      std::fprintf(stderr, "orvane-replay: %s: %s\n", options.keysFile.c_str(), error.c_str());
      return 2;
    }
  }
  std::multimap<int, std::string> shots, states;
  for (const auto& [frame, file] : options.shots) shots.emplace(frame, absolute(file));
  for (const auto& [frame, file] : options.states) states.emplace(frame, absolute(file));
  const std::string messagesFile = options.messagesFile.empty() ? "" : absolute(options.messagesFile);
  if (!messagesFile.empty()) std::ofstream(messagesFile, std::ios::trunc);

  // Headless unless the caller chose otherwise.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (chdir(dataDir.c_str()) != 0) {
    std::fprintf(stderr, "orvane-replay: cannot enter \"%s\"\n", dataDir.c_str());
    return 2;
  }
  plat::SetProgramDirectory(dataDir.string());
  plat::UseSeparateInstanceLock();
  // Nothing is heard: the mixer runs without a device, so no run depends on a sound card.
  plat::SelectAudioOutput(plat::AudioOutput::Null);

  // Every frame takes exactly 22 ms of game time: work takes none, the pacing sleep all of it.
  // The monotonic clock reads the seed, so the boot seeds the random source with it.
  static uint32_t simulatedTicks = 1000;
  const uint64_t seed = options.seed;
  plat::SetClock({[] { return simulatedTicks; }, [](int ms) { simulatedTicks += static_cast<uint32_t>(ms); },
                  [seed] { return seed; }});

  plat::SetMessageBoxHandler([messagesFile](const std::string& text, const std::string& caption) {
    if (messagesFile.empty()) return;
    std::ofstream out(messagesFile, std::ios::app | std::ios::binary);
    out << escapeLine(caption) << '\t' << escapeLine(text) << '\n';
  });

  int lastScriptedFrame = 0;
  for (const ScriptedKey& k : keys) lastScriptedFrame = std::max(lastScriptedFrame, k.frame);
  auto randomKeys = std::make_shared<RandomKeys>(options.randomKeysSeed);
  const bool random = options.randomKeys;
  plat::SetKeySource([keys, lastScriptedFrame, randomKeys, random](int frame, std::function<void(plat::KeyEvent)> emit) {
    for (const ScriptedKey& k : keys) {
      if (k.frame == frame) emit(k.event);
    }
    if (random && frame > lastScriptedFrame) randomKeys->frame(emit);
  });

  // The full cost is only known once the renderer has finished: the report waits for it.
  plat::SetWaitForRenderer(options.report);
  std::vector<FrameTiming> timings;
  std::vector<long long> floor;
  PlayCounts play;
  long long bootMicros = 0;
  bool measuringFloor = false;
  bool failed = false;
  bool battleStarted = false;
  plat::SetFrameHook([&](int frame) {
    if (measuringFloor) return;
    const int64_t now = steadyClockMicros();
    if (frame == 1) bootMicros = now - started;
    timings.push_back({gFrameScene, gFrameWorkMicros, now - gFrameWorkStartMicros});
    play.afterFrame();
    // The chosen battle starts as a scripted one would, once the player could walk.
    if (options.battleGroup >= 0 && !battleStarted && gScene == FieldScene && gOverlay1 == NoOverlay &&
        gInputEnabled && !gEvent.script.active && !messageHasText()) {
      gGame.formation = options.battleGroup;
      startEncounter();
      gInputEnabled = 0;
      battleStarted = true;
    }
    auto [shotBegin, shotEnd] = shots.equal_range(frame);
    for (auto it = shotBegin; it != shotEnd; ++it) {
      if (!gDevice || !plat::WritePng(it->second, 640, 480, gDevice->ReadBackBuffer())) {
        std::fprintf(stderr, "orvane-replay: cannot write \"%s\"\n", it->second.c_str());
        failed = true;
      }
    }
    auto [stateBegin, stateEnd] = states.equal_range(frame);
    for (auto it = stateBegin; it != stateEnd; ++it) {
      std::ofstream out(it->second, std::ios::binary);
      out << stateJson(frame);
      if (!out) {
        std::fprintf(stderr, "orvane-replay: cannot write \"%s\"\n", it->second.c_str());
        failed = true;
      }
    }
    if (frame == options.frames) {
      if (options.report) {
        measuringFloor = true;
        floor = measureFloor();
      }
      plat::PostMessage({plat::MessageKind::Close, 0});
    }
  });

  const int result = WinMain();
  if (result == 0) {
    std::fprintf(stderr, "orvane-replay: the game did not start\n");
    return 1;
  }
  if (options.report) {
    std::fputs(reportText(timings, floor, bootMicros, peakResidentKilobytes(), play).c_str(), stdout);
  }
  return failed ? 1 : 0;
}

}  // namespace replay
