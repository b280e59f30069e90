// The F12 quit path: everything the game holds is freed before the window closes.
#pragma once

// Marks the quit as begun: from now on no frame runs.
void beginQuit();
bool quitInProgress();
// Frees the game state in the quit path's order (database tables, pixel shader, capture
// resources, fonts, actors, field, battle, character sheets), each only if it exists.
void releaseGameState();
// Handles a key-down message of the window: F12 runs the quit path once and closes the window.
void handleKeyDown(int virtualKey);
