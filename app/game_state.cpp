#include "app/game_state.h"

#include "core/capture.h"
#include "core/draw2d.h"
#include "core/error_text.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/random.h"
#include "core/test_pattern.h"
#include "data/database.h"
#include "gfx/camera.h"
#include "gfx/chara.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "battle/scene_passes.h"
#include "battle/sky.h"
#include "battle/transitions.h"

void resetGameState() {
  // The quit path's frees; the actor scripts, the field and the battle join as they land.
  freeDatabase();
  releasePixelShader();
  releaseCaptureResources();
  resetCharaTable();
  // Everything else.
  resetScenePasses();
  resetSky();
  resetCameraState();
  messageReset();
  choiceReset();
  resetTransitionState();
  resetDrawState();
  resetTestPattern();
  resetKeyboardState();
  resetFrameState();
  resetRandom();
  clearErrorText();
}
