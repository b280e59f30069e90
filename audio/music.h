// Background music: at most one Standard MIDI File ("NAME.zms" in the music directory "Zms"
// under the data root) at a time, looped forever, with a master volume and a tempo shared by
// every piece.
#pragma once
#include <cstdint>
#include <string>

// The performance's global parameters.
enum GlobalParam {
  GUID_PerfMasterVolume,  // hundredths of a decibel, 0 after set-up
  GUID_PerfMasterTempo,   // a factor, 1 after set-up
};

// Opens the music output with the music directory "Zms" under the data root, then plays "init".
// False (after its message) when no music output can run at all; without a soundfont the
// game goes on with silent music after one line on standard error.
bool musicSetup();
// The same with another music directory (a game path ending in a separator).
bool musicSetupIn(const std::string& directory);
// Stops the music and closes the music output.
void musicShutdown();

// Plays "NAME.zms" from the music directory, looped forever, and sets the master volume to
// +5 dB. A missing file plays nothing and says nothing; a file that cannot be played stays
// silent with one line on standard error. Whatever played before is replaced.
void playMusic(const char* name);
// Stops all music.
void stopMusic();
// The name of the piece that plays, or "" when none does.
const std::string& musicPlaying();

// Changes a global parameter: mode 0 sets it to value, mode 1 adds value, any other mode
// scales it by value hundredths. The master volume is an integer (the scaled value truncated
// toward zero); the tempo is a factor kept as a float (set and add in whole factors, so "scale
// by 50" halves it), held between 0.01 and 100. Returns the new value: the master volume, or
// the tempo in hundredths.
int32_t setGlobalParam(GlobalParam param, int mode, int32_t value);
int32_t musicMasterVolume();
float musicTempo();
