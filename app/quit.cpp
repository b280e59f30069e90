#include "app/quit.h"

namespace {
bool gQuitting = false;
}

void beginQuit() {
  gQuitting = true;
}

bool quitInProgress() {
  return gQuitting;
}

void releaseGameState() {
  // Each subsystem's release joins this list, in the quit path's order, as the subsystem lands.
}
