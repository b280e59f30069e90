// The battle itself is not built yet: entering a battle leaves it again at once, through the
// same exit as a finished battle, so that the way from the field into a battle and back runs
// end to end. The scene that started the battle gets control back.
#include "battle/battle_scenes.h"

#include <cstring>

#include "core/frame.h"
#include "core/keyboard.h"
#include "field/field.h"
#include "battle/transitions.h"
#include "audio/music.h"

void BattleEntryScene() {
  gScene = BattleExitScene;
}

void BattleExitScene() {
  gScene = FieldScene;
  gStepCounter = 32;
  gOverlay1 = BattleReturnFlash;
  gInputEnabled = 1;
  if (std::strcmp(gBattleMusicName, gFieldMusicName) != 0) {
    stopMusic();
    playMusic(gFieldMusicName);
  }
}
