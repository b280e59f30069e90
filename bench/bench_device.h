// The benchmarks' device: the game's graphics set-up on a window of the offscreen video driver,
// made once per benchmark program.
#pragma once
#include <cstdlib>

#include "core/graphics.h"
#include "platform/window.h"

inline bool openBenchDevice() {
  static const bool ready = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    return plat::CreateMainWindow("orvane bench") && graphicsSetup();
  }();
  return ready;
}
