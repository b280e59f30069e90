#include "app/boot.h"
#include "app/main_loop.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "app/quit.h"
#include "app/startup.h"
#include "app/window_proc.h"
#include "platform/system.h"
#include "platform/window.h"


namespace {

// The class name of the original window doubles as the key of the single-instance lock.
constexpr const char* kInstanceKey = "RE_RUZ DX8 VERSION";
constexpr const char* kWindowTitle = "sample";

void closeMainWindow() {
  plat::ShowCursor(true);
  shutdownGraphicsAndMusic();
  shutdownSound();
  plat::DestroyMainWindow();
  plat::PostMessage({plat::MessageKind::Quit, 0});
}

}  // namespace

void windowProcedure(const plat::Message& message) {
  switch (message.kind) {
    case plat::MessageKind::KeyDown: handleKeyDown(message.key); break;
    case plat::MessageKind::Close:
      if (plat::MainWindowExists()) closeMainWindow();
      break;
    case plat::MessageKind::Quit: break;
  }
}

int WinMain() {
  gScene = BootScene;  // the scene function until the boot installs the field
  if (!plat::AcquireInstanceLock(kInstanceKey)) return 0;
  if (!plat::CreateMainWindow(kWindowTitle)) return 0;
  if (!setUpGraphicsAndMusic()) {
    showMessage(sjis("ダイレクト３Ｄの初期化に失敗しました"), "");
    return 0;
  }
  if (!setUpSound()) {
    showMessage(sjis("ダイレクトサウンドの初期化に失敗しました"), "");
    return 0;
  }
  gFrameStart = plat::GetTickCount();
  plat::ShowCursor(false);
  gDevice->Clear(0, nullptr, plat::D3DCLEAR_TARGET | plat::D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  BootScene();
  return runMainLoop();
}
