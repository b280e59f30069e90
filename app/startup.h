// The subsystem set-ups and shutdowns that the start-up and the window's close run.
#pragma once

// Graphics set-up, which continues into the music set-up; false when either fails.
bool setUpGraphicsAndMusic();
// Music shutdown, which ends with the graphics shutdown.
void shutdownGraphicsAndMusic();
bool setUpSound();
void shutdownSound();
