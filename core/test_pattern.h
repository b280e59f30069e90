// A scene that draws a test pattern: colour bars, a grey ramp and a square that moves one pixel
// a frame. It stands in for the field until the field exists.
#pragma once

void TestPatternScene();
// The moving square back to its start.
void resetTestPattern();
