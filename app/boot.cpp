// The boot sequence: run once by the start-up before the first frame. Steps whose subsystems
// do not exist yet (actors, field state, the opening script) join here in
// their place as those subsystems land; until the field exists the test pattern stands in for it.
#include <string>

#include "app/boot.h"
#include "core/capture.h"
#include "core/draw2d.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/random.h"
#include "battle/scene_passes.h"
#include "battle/sky.h"
#include "gfx/camera.h"
#include "data/database.h"
#include "data/scrambled.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/object_task.h"
#include "field/field.h"
#include "field/menu.h"
#include "platform/system.h"


namespace {

constexpr int kBootActors = 5;
constexpr const char* kOpeningScene = "ST_tk0";

// Translates the pixel shader source file and creates the shader; shows "PxSでエラーが！" and
// leaves the handle empty when the source cannot be read or translated.
void loadPixelShader(const char* path) {
  const std::optional<std::vector<uint8_t>> file = plat::ReadFile(path);
  const std::string source = file ? std::string(file->begin(), file->end()) : std::string();
  plat::PixelShaderCode code;
  std::string error;
  if (source.empty() || !plat::TranslatePixelShader(source, &code, &error)) {
    showStandardMessage(sjis("PxSでエラーが！"));
    return;
  }
  if (plat::FAILED(gDevice->CreatePixelShader(code, &gPixelShader))) gPixelShader = 0;
}

}  // namespace

void seedRandomFromClock() {
  seedRandom(static_cast<uint32_t>(plat::MonotonicMilliseconds()));
}

void BootScene() {
  using namespace plat;
  seedRandomFromClock();
  gScene = FieldScene;

  gWindowColours[0] = 0xA000C000;
  gWindowColours[1] = 0xA00000C0;
  gWindowColours[2] = 0xA0C00000;
  gWindowColours[3] = 0xA0C0C000;
  loadDatabase();  // counts the character sheets, then reads every table in the boot order

  const D3DMATRIX projection = gameProjection();
  gDevice->SetTransform(D3DTS_PROJECTION, &projection);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  gDevice->SetRenderState(D3DRS_ZWRITEENABLE, true);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  lightSetup();
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  gDevice->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  gDevice->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
  gDevice->SetRenderState(D3DRS_COLORVERTEX, false);
  gDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  gDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  gDevice->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  gDevice->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
  gDevice->SetRenderState(D3DRS_STENCILREF, 1);
  gDevice->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
  gDevice->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
  gDevice->SetRenderState(D3DRS_ALPHAREF, 0x3D800000);  // the float 0.0625; its low byte, 0, counts
  gDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);

  data::loadScrambledTexture("tex\\cur.au", gTextures[kTexCursor]);
  data::loadScrambledTexture("tex\\dmg.au", gTextures[kTexLabels]);
  data::loadScrambledTexture("tex\\MBoxEdge.au", gTextures[kTexMessageEdge]);
  data::loadScrambledSound("se\\cur0.zse", 0);
  data::loadScrambledSound("se\\cmd0.zse", 1);
  data::loadScrambledSound("se\\enc.zse", 2);
  data::loadScrambledSound("se\\punch0.zse", 3);
  gShadowModel.Load(gDevice, "otsk\\shd.zdx", nullptr, 1.0f, 0);
  loadDefaultSky();

  gDevice->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  gDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);

  setUpActors(kBootActors);
  setUpObjectTasks();
  resetConversationBuffers();
  resetGameProgress();
  resetField();
  resetMenu();
  resetEventScript();
  gInputEnabled = 1;
  loadSceneScript(kOpeningScene);
  gEvent.script.active = 1;
  stepEventScript();
  if (CHARA* leader = actorChara(0)) {
    leader->setAnm(0);
    leader->clearExtra();
  }

  captureSetup();
  gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
  loadPixelShader("res\\ps0.zf");
}
