// The start-up of the game and its window procedure.
#pragma once
#include "platform/window.h"

// Starts the game and runs it: returns 0 when start-up fails or another copy runs, 1 when the
// message loop ends.
int WinMain();
// Handles one message of the window: key-downs go to the key handler, a close request shuts
// the subsystems down and destroys the window.
void windowProcedure(const plat::Message& message);
