#include "app/main_loop.h"

#include "app/quit.h"
#include "app/window_proc.h"
#include "audio/sound.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "platform/system.h"
#include "platform/window.h"

int runOneFrame() {
  const uint32_t now = plat::GetTickCount();
  gFrameTime = static_cast<int32_t>(now - gFrameStart);
  gFrameStart = plat::GetTickCount();

  gFrameWorkStartMicros = steadyClockMicros();
  gFrameScene = gScene;
  beginSoundFrame();
  gDevice->BeginScene();
  frameFunction();
  gDevice->EndScene();
  gFrameWorkMicros = steadyClockMicros() - gFrameWorkStartMicros;
  gDevice->Present();

  const int32_t wait = static_cast<int32_t>(gFrameStart + kFramePeriodMs - plat::GetTickCount());
  const int sleep = wait > 0 ? wait : 0;
  plat::Sleep(sleep);
  return sleep;
}

int runMainLoop() {
  for (;;) {
    plat::Message message;
    if (plat::PeekMessage(message)) {
      if (message.kind == plat::MessageKind::Quit) return 1;
      windowProcedure(message);
      continue;
    }
    // No frame may run on the state the quit path has freed.
    if (quitInProgress()) {
      plat::Sleep(1);
      continue;
    }
    runOneFrame();
  }
}
