// The boot sequence. It grows with the game: what exists so far is the fixed render state, the
// viewport and the first scene.
#include <cstdlib>

#include "app/frame.h"
#include "app/graphics.h"
#include "app/keyboard.h"
#include "app/test_pattern.h"
#include "platform/system.h"

void BootScene() {
  using namespace plat;
  std::srand(plat::GetTickCount());
  gScene = TestPatternScene;

  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  gDevice->SetRenderState(D3DRS_ZWRITEENABLE, true);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

  gInputEnabled = 1;
  gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
}
