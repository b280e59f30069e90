// The F12 quit path: everything the game holds is freed before the window closes.
#pragma once

// Marks the quit as begun: from now on no frame runs.
void beginQuit();
bool quitInProgress();
// Handles a key-down message of the window: F12 runs the quit path once and closes the window.
void handleKeyDown(int virtualKey);
