// The game-wide values that scripts, the field, the menus and the battle share: the party, the
// money, the event flags, the scroll switch, the music names and the battle to be fought.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kPartySlots = 3;
constexpr int kMusicNameBytes = 128;  // each music name, with its terminating zero
// Event flags: 4096 of them (128 words), far more than a game uses.
constexpr int kEventFlagWords = 128;
constexpr int kEventFlagCount = kEventFlagWords * 32;

struct GameProgress {
  int32_t party[kPartySlots] = {};  // character numbers; 0 is an empty slot
  int32_t money = 0;
  uint32_t flags[kEventFlagWords] = {};  // flag n is bit n % 32 of word n / 32
  int32_t scrollSwitch = 1;              // the menus and the battle offer scrolls while it is set
  int32_t formation = 0;                 // the formation of the next battle
  int16_t battleStage = 0;               // the battle map "mat\btl%d.mp"
};
extern GameProgress gGame;

// Music names (at most 127 bytes): the field's piece, the battle's piece and a second battle
// piece that scripts can switch to. The battle entry and exit change music only when the field
// and battle pieces differ.
extern char gFieldMusicName[kMusicNameBytes];
extern char gBattleMusicName[kMusicNameBytes];
extern char gSecondBattleMusicName[kMusicNameBytes];
// Copies a name into a music name buffer, cut to fit.
void setMusicName(char (&buffer)[kMusicNameBytes], const std::string& name);

// Flag n, or false for a number outside the flags.
bool eventFlag(int n);
// Sets or clears flag n; a number outside the flags changes nothing.
void setEventFlag(int n, bool value);
// The numbers of the set flags, ascending.
std::vector<int> setEventFlags();

// Party slot operations (f29): each returns what the script reads back, where there is a value.
void partyAdd(int character);     // into the first empty slot; nothing when the party is full
void partyRemove(int character);  // empties the first slot holding it
int partyCountLeading();          // filled slots from the first up to the first empty one
bool partyHas(int character);

// The values after boot: empty party, no money, no flags, scroll switch 1, "init" and "btl0".
void resetGameProgress();
// The "game" member of the state dump.
std::string gameStateJson();
// The "characters" member: one object per character record.
std::string charactersStateJson();
