// Functions that the current scene lends to the scripts.
#pragma once

// The scene's 3D drawing (f33 draws it once); null when the scene has none.
extern void (*gSceneDrawing)();

