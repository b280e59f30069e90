#include "app/quit.h"

#include "battle/battle_state.h"
#include "core/capture.h"
#include "core/message_box.h"
#include "platform/window.h"
#include "core/graphics.h"
#include "data/database.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "field/field.h"

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
  // In the quit path's order: a running battle first (its fighters refer to the database).
  resetBattle();
  freeDatabase();
  resetActors();
  resetField();
  resetEventScript();
  if (gDevice && gPixelShader != 0) gDevice->DeletePixelShader(gPixelShader);
  gPixelShader = 0;
  releaseCaptureResources();
}

void handleKeyDown(int virtualKey) {
  if (virtualKey != plat::VK_F12) return;
  // F12 may arrive several times before the window has closed; the game ends once.
  if (quitInProgress()) return;
  beginQuit();
  releaseGameState();
  showStandardMessage(sjis("正常終了"));
  plat::PostMessage({plat::MessageKind::Close, 0});
}
