// The boot sequence and what it makes for the whole game.
#pragma once

// Runs once before the first frame: reads the database, fixes the render state, loads the
// shared textures, sounds and models, and installs the first scene.
void BootScene();
// Seeds the random source from the milliseconds of the monotonic clock, so launches differ
// (the boot's first step; the replay runner's simulated clock makes it its chosen seed).
void seedRandomFromClock();
