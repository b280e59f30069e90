// The frame loop: scene and overlay slots, the full-screen fade, the frame clock, and the
// message loop that runs one frame whenever no message waits.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/device.h"

using SlotFunction = void (*)();

extern SlotFunction gScene;
extern SlotFunction gOverlay1;
extern SlotFunction gOverlay2;

extern uint32_t gFadeColour;  // ARGB; 0 means no fade
extern int32_t gFadeSpeed;    // alpha units per frame
extern int32_t gStepCounter;  // shared by the timed transition overlays

extern uint32_t gFrameStart;  // tick at which the current frame began
extern int32_t gFrameTime;    // milliseconds between the last two frame starts
extern plat::D3DVIEWPORT8 gFullScreenViewport;

// Microseconds of real time the last frame's work took (frame function, until Present is called,
// without the pacing sleep), the steady clock's reading when that work began, and the scene
// function the frame ran; read by the replay runner's report.
extern int64_t gFrameWorkMicros;
extern int64_t gFrameWorkStartMicros;
extern SlotFunction gFrameScene;
// Microseconds of the steady clock (real time, from an unspecified start).
int64_t steadyClockMicros();

constexpr int kFramePeriodMs = 22;

// The overlay that does nothing; an overlay slot is never empty.
void NoOverlay();
// Draws an untextured 640 x 480 quad of that colour over the frame.
void drawFadeQuad(uint32_t colour);
// The same over the screen rectangle x0 … x1, y0 … y1 only.
void drawFadeRect(uint32_t colour, float x0, float y0, float x1, float y1);

// One step of the fade: moves the fade colour's alpha by the fade speed.
void updateFade();
// The frame function: viewport, depth/stencil clear, scene, fade, overlay 1, overlay 2.
void frameFunction();

// Back to the state at start: every slot NoOverlay, no fade, step counter, frame clock and
// viewport 0.
void resetFrameState();

// A function that may stand in a slot, with its name. Every folder that defines such functions
// lists them in a table of its own; app/ joins the tables into the scene catalogue.
struct SlotName {
  SlotFunction function;
  const char* name;
};
// The slot functions of core/: NoOverlay, the test pattern and the capture overlays.
std::span<const SlotName> coreSlotNames();

// State dump members of the fade.
std::string fadeColourJson();
std::string fadeSpeedJson();
std::string stepCounterJson();
