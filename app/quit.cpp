#include "app/quit.h"

#include "app/game_state.h"
#include "core/message_box.h"
#include "platform/window.h"

namespace {
bool gQuitting = false;
}

void beginQuit() {
  gQuitting = true;
}

bool quitInProgress() {
  return gQuitting;
}

void handleKeyDown(int virtualKey) {
  if (virtualKey != plat::VK_F12) return;
  // F12 may arrive several times before the window has closed; the game ends once.
  if (quitInProgress()) return;
  beginQuit();
  resetGameState();
  showStandardMessage(sjis("正常終了"));
  plat::PostMessage({plat::MessageKind::Close, 0});
}
