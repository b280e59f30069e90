// Screen capture: two 1024 x 512 off-screen targets that hold a 640 x 480 frame in their top-left
// corner, for the encounter break-up, the battle-opening zoom blur and the event cross-fade.
// When the targets could not be made, every operation here does nothing and the effects are
// skipped.
#pragma once
#include "platform/device.h"

// Keeps the back buffer and its depth surface, makes the capture depth surface, both capture
// targets (cleared) and the screen quad, and restores the back buffer as render target.
// Returns false, holding nothing, when any of them cannot be made.
bool captureSetup();
// True between a successful capture set-up and the release.
bool captureReady();
// Releases the capture targets, their depth surface, the screen quad and the kept back-buffer
// references (the quit path).
void releaseCaptureResources();

// Clears capture target 0, then 1, to black; capture target 1 stays the render target.
void clearCaptureTargets();
// Makes capture target 0 or 1 (with the capture depth surface) the render target.
void setCaptureTarget(int which);
// Makes the back buffer and its depth surface the render target again.
void restoreBackBuffer();
// The texture of capture target 0 or 1 (null when capture is not ready).
plat::Texture* captureTexture(int which);

// Ends the zoom blur: overlay 2 becomes NoOverlay, the capture targets are cleared and the back
// buffer is the render target again.
void stopZoomBlur();
// Overlay 2 of the battle opening: render-target feedback blur.
void ZoomBlurOverlay();
// Overlay 2 of the events: a captured frame fading out over the live scene in 64 frames.
void CrossFadeOverlay();
