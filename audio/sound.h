// Sound effects: 32 sound slots of static PCM buffers, loaded from WAV files (normally the
// unscrambled bytes of a ".zse" file) and played once from their beginning.
//
// Slots 0 to 3 hold the boot sounds (cursor, command, encounter, punch); slots 8 to 31 are
// loaded on demand by scripts, object tasks and menus and freed together.
#pragma once
#include <cstdint>
#include <vector>

constexpr int kSoundSlotCount = 32;
constexpr int kFirstOnDemandSoundSlot = 8;

// Opens the sound output and empties all slots. False (after its message) when no sound output
// can run at all; without an audio device the game runs silently.
bool soundSetup();
// Releases every slot, then the sound output.
void soundShutdown();

// Reads a PCM WAV file held in memory into a slot, releasing what the slot held before.
// nullptr stands for a file that could not be opened. Every failure shows its message and
// leaves the slot empty.
bool loadWaveIntoSlot(const std::vector<uint8_t>* plainCopy, int slot);

// Stops the slot's sound, rewinds it and plays it once; a sound still playing starts again.
// An empty slot (or a number outside the table) plays nothing.
void playSound(int slot);
// The slots started since the frame began (beginSoundFrame), in the order they were started.
void beginSoundFrame();
const std::vector<int>& soundsPlayedThisFrame();
// Releases slots 8 to 31.
void freeOnDemandSounds();
// Releases one slot.
void freeSound(int slot);
bool soundSlotLoaded(int slot);
bool soundIsPlaying(int slot);

// Pan in hundredths of a decibel (-10000 full left, 0 centre, 10000 full right; values beyond
// are taken as the nearest end) and playback rate in samples per second (0 = the file's own).
void setSoundPan(int slot, int32_t pan);
void setSoundFrequency(int slot, uint32_t samplesPerSec);
