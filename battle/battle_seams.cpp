// The stand-in for the seam of battle_seams.h that is not built yet: the victory.
#include "battle/battle_seams.h"

#include "battle/transitions.h"

void VictoryOverlay() {
  if (!gBattle) return;
  for (int s = 0; s < kPartySlotCount; ++s)
    if (gBattle->actionScripts[s].script.active || gBattle->entering[s]) return;
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
}
