// The message loop that runs one frame whenever no message waits, with the frame pacing.
#pragma once

// One frame of the main loop with its pacing; returns the milliseconds it slept.
int runOneFrame();
// Runs messages and frames until the quit message; returns 1.
int runMainLoop();
