// The frame loop's globals: scene and overlay slots, the fade, the frame clock.
#pragma once
#include <cstdint>

using SlotFunction = void (*)();

extern SlotFunction gScene;
extern SlotFunction gOverlay1;
extern SlotFunction gOverlay2;

extern uint32_t gFadeColour;  // ARGB; 0 means no fade
extern int32_t gFadeSpeed;    // alpha units per frame
extern int32_t gStepCounter;  // shared by the timed transition overlays

extern uint32_t gFrameStart;  // tick at which the current frame began
extern int32_t gFrameTime;    // milliseconds between the last two frame starts

// The overlay that does nothing; an overlay slot is never empty.
void NoOverlay();
// Draws an untextured 640 x 480 quad of that colour over the frame.
void drawFadeQuad(uint32_t colour);
