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
#include "battle/battle_state.h"
#include "battle/scene_passes.h"
#include "battle/sky.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/object_task.h"
#include "event/game_state.h"
#include "field/field.h"
#include "field/menu.h"

void resetGameState() {
  // The quit path's frees: a running battle first (its fighters refer to the database).
  resetBattle();
  freeDatabase();
  resetActors();
  resetObjectTasks();
  resetField();
  resetMenu();
  resetEventScript();
  releasePixelShader();
  releaseCaptureResources();
  resetCharaTable();
  // Everything else.
  resetScenePasses();
  resetSky();
  resetCameraState();
  messageReset();
  choiceReset();
  resetGameProgress();
  resetDrawState();
  resetTestPattern();
  resetKeyboardState();
  resetFrameState();
  resetRandom();
  clearErrorText();
}
