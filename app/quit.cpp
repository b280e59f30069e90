#include "app/quit.h"

#include "app/capture.h"
#include "app/graphics.h"
#include "data/database.h"

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
  // In the quit path's order; the actors, the field and the battle join as they land.
  freeDatabase();
  if (gDevice && gPixelShader != 0) gDevice->DeletePixelShader(gPixelShader);
  gPixelShader = 0;
  releaseCaptureResources();
}
