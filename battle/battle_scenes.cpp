// The scenes of a battle: the one frame that enters it, the battle frame, and the one frame that
// leaves it and gives the field back what it had.
#include "battle/battle_scenes.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "audio/music.h"
#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_seams.h"
#include "battle/battle_setup.h"
#include "battle/sky.h"
#include "battle/transitions.h"
#include "core/capture.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "event/actors.h"
#include "event/battle_link.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "event/scene_hooks.h"
#include "field/field.h"

namespace {

constexpr float kBattleDrawDistance = 15000.0f;
constexpr float kBehindCamera = 1.4141355f;  // half-width of the band of map faces not drawn
constexpr int32_t kReturnFlashFrames = 32;
constexpr int kFieldExtraCharas = 5;  // characters 0 … 4 lose the head turns and queues of the battle

using namespace plat;

// ---- the links that let the scripts and the camera reach the battle ----

bool battleExists() {
  return gBattle != nullptr;
}

void linkViewScript(int label) {
  if (gBattle) viewScriptTo(*gBattle, label);
}
void linkToggleSwitch(int slot) {
  if (gBattle) toggleBackRow(*gBattle, slot);
}
void linkStepBack(int slot) {
  if (gBattle) stepBack(*gBattle, slot);
}
void linkMarkSlot(int slot) {
  if (gBattle) markEntering(*gBattle, slot);
}
void linkFlash(int which, int channel, int value) {
  if (gBattle) changeFlash(*gBattle, which, channel, value);
}

bool homeHeadingOf(int slot, float* out) {
  if (!gBattle || !isBattleSlot(slot)) return false;
  *out = gBattle->homeHeading[slot];
  return true;
}

// What the camera needs of a character of the table.
bool cameraSubjectOf(int index, CameraSubject* out) {
  const CHARA* chara = charaAt(index);
  if (!chara) return false;
  out->position = chara->position;
  out->yaw = chara->rotation.y;
  out->collisionRadius = static_cast<float>(chara->radius);
  out->headBone = {0.0f, static_cast<float>(chara->height), 0.0f};
  if (const BONE* head = chara->headBone()) {
    VECTOR p = head->worldPosition;
    p.transform(chara->worldMatrix());
    p.sub(chara->position);
    out->headBone = p;
  }
  return true;
}

void linkBattle(Battle& battle) {
  gBattleLink = BattleLink{battleExists, linkViewScript, linkToggleSwitch, linkStepBack, linkMarkSlot, linkFlash};
  battle.field.cameraLinks = gCameraLinks;
  gCameraLinks.battleRunning = battleExists;
  gCameraLinks.homeHeading = homeHeadingOf;
  if (!gCameraLinks.character) gCameraLinks.character = cameraSubjectOf;
  battle.field.sceneDrawing = gSceneDrawing;
}

void unlinkBattle(Battle& battle) {
  gBattleLink = BattleLink{};
  gCameraLinks = battle.field.cameraLinks;
  gSceneDrawing = battle.field.sceneDrawing;
}

// ---- the field's keep ----

// The field's actors and characters step aside for the battle's nine; their placements are kept.
void keepField(Battle& battle) {
  FieldKeep& keep = battle.field;
  keep.actorCount = actorCount();
  keep.placements.clear();
  for (const std::unique_ptr<CHARA>& chara : gCharas) {
    SavedPlacement placement;
    if (chara) placement = {chara->position, chara->rotation, chara->scale, chara->alpha};
    keep.placements.push_back(placement);
  }
  keep.actors = std::move(gActors);
  keep.charas = std::move(gCharas);
  gActors.clear();
  gCharas.clear();
  setUpActors(kBattleSlots);
  keep.camera = gCamera;
  keep.inputEnabled = gInputEnabled;
}

void setFieldFog() {
  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_FOGCOLOR, gField.fogColour);
  gDevice->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(gField.fogStart));
  gDevice->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(gField.fogEnd));
}

// The field's actors come back: their scripts start again (putting their figures back), then
// every character stands where it stood.
void restoreField(Battle& battle) {
  FieldKeep& keep = battle.field;
  gActors = std::move(keep.actors);
  gCharas = std::move(keep.charas);
  for (int i = 0; i < actorCount(); ++i) {
    Actor* actor = actorAt(i);
    if (actor && !actor->scriptName.empty()) startActorScript(i, actor->scriptName);
  }
  for (size_t i = 0; i < keep.placements.size() && i < gCharas.size(); ++i) {
    CHARA* chara = gCharas[i].get();
    if (!chara) continue;
    const SavedPlacement& placement = keep.placements[i];
    chara->position = placement.position;
    chara->rotation = placement.rotation;
    chara->scale = placement.scale;
    chara->alpha = placement.alpha;
  }
  for (int i = 0; i < kFieldExtraCharas; ++i)
    if (CHARA* chara = charaAt(i)) chara->clearExtra();
  gCamera = keep.camera;
  cameraSetView();
  gInputEnabled = keep.inputEnabled;
  setFieldFog();
  if (!battle.sceneAfter.empty()) {
    gEvent.script.setStr(battle.sceneAfter);
    gEvent.script.active = 1;
    startSceneChange(gEvent.script);
  }
}

// ---- drawing ----

// The battle map: identity world, its material, every object's faces that are not all behind
// the camera.
void drawBattleMap(Battle& battle) {
  MATRIX world;
  world.identity();
  gDevice->SetTransform(D3DTS_WORLD, &world);
  gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  D3DMATERIAL8 material{};
  material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Ambient = {1.5f, 1.5f, 1.5f, 1.0f};
  gDevice->SetMaterial(&material);
  const HeadingBand behindCamera(gCamera.eye, gCamera.angle, kBehindCamera);
  const MakeMat& map = battle.map;
  const ViewVolume view = deviceViewVolume(gDevice);
  for (size_t object = 0; object < map.objects.size(); ++object) {
    battle.map.drawObject(
        gDevice, object,
        [&](const MatPolygon& polygon) {
          const int corners = std::clamp<int>(polygon.corners, 1, 4);
          for (int k = 0; k < corners; ++k)
            if (!behindCamera.contains(map.vertices[polygon.vertex[k]])) return true;
          return false;
        },
        [&](const MatBlock& block) { return mapBlockDraw(block, view, behindCamera); });
  }
}

// Steps 3 to 6: sky, fog, map, shadows, the flash below, the characters, the cursor and trail.
void drawBattleWorld(Battle& battle) {
  drawSky(gCamera.eye);
  gDevice->SetRenderState(D3DRS_FOGENABLE, true);
  drawBattleMap(battle);
  drawShadows(shadowViewFor(gCamera.eye, gCamera.angle, kBattleDrawDistance));
  stepFlash(battle.flash);
  if (!battle.flash.onTop) drawFlash(battle.flash);
  drawCharacters(gCamera.eye);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetRenderState(D3DRS_ALPHATESTENABLE, true);
  drawTargetCursor(battle);
  updateTrail();
  drawTrail();
}

// f33 in a battle: the battle's 3D world once.
void drawBattleWorldOnce() {
  if (gBattle && gDevice) drawBattleWorld(*gBattle);
}

// Step 1: the keys; a shown battle message waits for Shift, otherwise the open menu reads them.
void battleInput(Battle& battle) {
  pollBattleKeys();
  if (!gInputEnabled) return;
  gKeyGate += gFrameTime;
  if (!messageHasText()) {
    battle.menuFunction();
    return;
  }
  if (messageScrolling() || !(messageAllShown() || !messageOpen())) return;
  if (gKeyGate < kDecideGate || gKeySlots[SLOT_SHIFT] != KEY_HELD) return;
  Script& script = battle.battleScript.script;
  script.active = 1;
  script.Step();
  gKeyGate = 0;
}

}  // namespace

void BattleEntryScene() {
  Battle& battle = makeBattle();
  keepField(battle);
  clearCaptureTargets();
  gStepCounter = kOpeningFrames;
  gScene = BattleScene;
  gOverlay1 = BattleIntroOverlay;
  gOverlay2 = ZoomBlurOverlay;
  linkBattle(battle);
  gSceneDrawing = drawBattleWorldOnce;
  setUpBattle(battle);
}

void BattleScene() {
  Battle* battle = gBattle;
  if (!battle) return;
  battleInput(*battle);
  if (gCamera.motion) gCamera.motion();
  if (gDevice) drawBattleWorld(*battle);
  if (gDevice) gDevice->SetRenderState(D3DRS_FOGENABLE, false);
  for (int s = 0; s < kBattleSlots; ++s) {
    Script& script = battle->actionScripts[s].script;
    if (script.active) script.Step();
  }
  stepBattleObjectTasks();
  if (gDevice) {
    gDevice->SetRenderState(D3DRS_LIGHTING, true);
    gDevice->SetRenderState(D3DRS_ALPHATESTENABLE, false);
    gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    if (battle->flash.onTop) {
      gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
      drawFlash(battle->flash);
    }
    gDevice->SetRenderState(D3DRS_ZENABLE, false);
  }
  drawStatusDisplay(*battle);
  drawHelpLabel(*battle);
  if (gDevice) messageDraw();
  drawPopups(*battle);
  if (battle->view.script.active) battle->view.script.Step();
  if (gDevice) {
    gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
    gDevice->SetRenderState(D3DRS_ZENABLE, true);
  }
  walkInStep(*battle);
}

void BattleExitScene() {
  if (Battle* battle = gBattle) {
    unlinkBattle(*battle);
    restoreField(*battle);
  }
  destroyBattle();
  if (gOverlay2 == ZoomBlurOverlay) stopZoomBlur();
  gStepCounter = kReturnFlashFrames;
  gScene = FieldScene;
  gOverlay1 = BattleReturnFlash;
  if (std::strcmp(gBattleMusicName, gFieldMusicName) != 0) {
    stopMusic();
    playMusic(gFieldMusicName);
  }
}
