// The boot sequence and what it makes for the whole game.
#pragma once
#include "gfx/mat_model.h"

// Runs once before the first frame: reads the database, fixes the render state, loads the
// shared textures, sounds and models, and installs the first scene.
void BootScene();

// The shadow model, "otsk\shd.zdx": the volume every character's stencil shadow is made from.
extern MakeMat gShadowModel;
