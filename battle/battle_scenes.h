// The one-frame scenes that enter and leave a battle.
#pragma once

// Builds the battle from the party and the chosen formation and installs the battle scene.
void BattleEntryScene();
// Frees the battle, restores the field and installs it with `BattleReturnFlash`.
void BattleExitScene();
