// Stand-ins for the seams of battle_seams.h that are not built yet: the target cursor and the
// victory.
#include "battle/battle_seams.h"

#include "battle/transitions.h"

void drawTargetCursor(Battle&) {}

void VictoryOverlay() {
  if (!gBattle) return;
  for (int s = 0; s < kPartySlotCount; ++s)
    if (gBattle->actionScripts[s].script.active || gBattle->entering[s]) return;
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
}
