// The scenes of a battle.
//
// BattleEntryScene (one frame, installed by EncounterEffect): makes the battle; the field's
// actors and characters step aside (kept in the battle with their placements, the camera and the
// input-enabled flag) for nine fighters; the battle phase becomes BattleIntroOverlay with the
// zoom blur in overlay 2; then the set-up runs.
//
// BattleScene (every frame): 1 keys (the battle message or the open menu), 2 the camera motion,
// 3 sky, fog, battle map, shadows, 4 the flash below, 5 characters, 6 target cursor and weapon
// trail, 7 the action scripts of slots 0 … 8 and the object tasks, 8 2D state, 9 the flash on
// top, 10 status display, help label, battle message and popups, 11 the view script, 12 blending
// off, 13 the walk-in.
//
// BattleExitScene (one frame, after the end fade or the result screen): the field's actors come
// back, their scripts start again, every character gets its placement and alpha back, the camera,
// the input-enabled flag and the field's fog are restored, the battle is destroyed, and the field
// returns with BattleReturnFlash and its music. A scene named by b6 follows through the event
// script's scene change.
#pragma once

void BattleEntryScene();
void BattleScene();
void BattleExitScene();
