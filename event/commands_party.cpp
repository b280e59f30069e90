// Function commands of the party, money, event flags and the game-wide switches: f29, f44,
// f49, f56, f58.
#include <cstring>

#include "audio/music.h"
#include "data/database.h"
#include "event/game_state.h"
#include "event/runners.h"

namespace {

int32_t wrappingSum(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// f29: party slots (V0 selects; see the cases).
void partyCommand(const ScriptCall& call) {
  int32_t* v = call.script.v;
  switch (v[0]) {
    case 0: partyAdd(v[2]); break;
    case 1: partyRemove(v[2]); break;
    case 2: for (int32_t& slot : gGame.party) slot = 0; break;
    case 3: v[2] = partyCountLeading(); break;
    case 4: v[2] = partyHas(v[2]) ? 1 : 0; break;
    case 5:
      if (v[4] >= 0 && v[4] < kPartySlots) v[3] = gGame.party[v[4]];
      break;
    default:
      if (v[1] >= 0 && v[1] < kPartySlots) gGame.party[v[1]] = v[2];
      break;
  }
}

// f44: money := V1 (V0 = 0) or money += V1 (V0 = 1).
void moneyCommand(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  if (v[0] == 0) gGame.money = v[1];
  if (v[0] == 1) gGame.money = wrappingSum(gGame.money, v[1]);
}

// f49: V0 != 0 reads flag V1 into V2; V0 = 0 sets flag V1 to V2 != 0.
void flagCommand(const ScriptCall& call) {
  int32_t* v = call.script.v;
  if (v[0] != 0) {
    v[2] = eventFlag(v[1]) ? 1 : 0;
  } else {
    setEventFlag(v[1], v[2] != 0);
  }
}

// f56: appends a character's name (V0 = 0) or second name (V0 = 1) to S; V3 > 0 names the
// character, V3 <= 0 the member in party slot -V3.
void characterName(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  int character = v[3];
  if (character <= 0) {
    if (character < -(kPartySlots - 1)) return;
    character = gGame.party[-character];
  }
  if (character < 0 || static_cast<size_t>(character) >= gCharacters.size()) return;
  const SchrRecord& record = gCharacters[static_cast<size_t>(character)];
  if (v[0] == 0) call.script.appendStr(std::string_view(record.name, strnlen(record.name, sizeof record.name)));
  if (v[0] == 1)
    call.script.appendStr(std::string_view(record.secondName, strnlen(record.secondName, sizeof record.secondName)));
}

// f58: the scroll switch, the battle music names and the music's master volume and tempo.
void switchCommand(const ScriptCall& call) {
  const int32_t* v = call.script.v;
  const std::string name(call.script.str());
  switch (v[0]) {
    case 0: gGame.scrollSwitch = v[1]; break;
    case 1: setMusicName(gBattleMusicName, name); break;
    case 2: setMusicName(gSecondBattleMusicName, name); break;
    case 3: std::memcpy(gBattleMusicName, gSecondBattleMusicName, sizeof gBattleMusicName); break;
    case 4: setGlobalParam(GUID_PerfMasterVolume, v[1], v[2]); break;
    case 5: setGlobalParam(GUID_PerfMasterTempo, v[1], v[2]); break;
    default: break;
  }
}

constexpr CommandEntry kCommands[] = {
    {29, partyCommand}, {44, moneyCommand}, {49, flagCommand}, {56, characterName}, {58, switchCommand},
};

}  // namespace

std::span<const CommandEntry> partyCommands() {
  return kCommands;
}
