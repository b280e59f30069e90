// The battle itself is not built yet: entering a battle leaves it again at once, through the
// same exit as a finished battle, so that the way from the field into a battle and back runs
// end to end.
#include "battle/battle_scenes.h"

#include <cstring>

#include "core/frame.h"
#include "core/test_pattern.h"
#include "battle/transitions.h"
#include "audio/music.h"

void BattleEntryScene() {
  gScene = BattleExitScene;
}

void BattleExitScene() {
  gScene = TestPatternScene;
  gStepCounter = 32;
  gOverlay1 = BattleReturnFlash;
  if (std::strcmp(gBattleMusicName, gFieldMusicName) != 0) {
    stopMusic();
    playMusic(gFieldMusicName);
  }
}
