#include "event/game_state.h"

#include <algorithm>
#include <cstring>

#include "data/database.h"
#include "core/state_json.h"

GameProgress gGame;
char gFieldMusicName[kMusicNameBytes] = "init";
char gBattleMusicName[kMusicNameBytes] = "btl0";
char gSecondBattleMusicName[kMusicNameBytes] = "btl0";

void setMusicName(char (&buffer)[kMusicNameBytes], const std::string& name) {
  const size_t length = std::min(name.size(), sizeof buffer - 1);
  std::memcpy(buffer, name.data(), length);
  buffer[length] = '\0';
}

bool eventFlag(int n) {
  if (n < 0 || n >= kEventFlagCount) return false;
  return (gGame.flags[n / 32] >> (n % 32)) & 1u;
}

void setEventFlag(int n, bool value) {
  if (n < 0 || n >= kEventFlagCount) return;
  const uint32_t bit = 1u << (n % 32);
  if (value) {
    gGame.flags[n / 32] |= bit;
  } else {
    gGame.flags[n / 32] &= ~bit;
  }
}

std::vector<int> setEventFlags() {
  std::vector<int> numbers;
  for (int n = 0; n < kEventFlagCount; ++n)
    if (eventFlag(n)) numbers.push_back(n);
  return numbers;
}

void partyAdd(int character) {
  for (int32_t& slot : gGame.party) {
    if (slot == 0) {
      slot = character;
      return;
    }
  }
}

void partyRemove(int character) {
  for (int32_t& slot : gGame.party) {
    if (slot == character) {
      slot = 0;
      return;
    }
  }
}

int partyCountLeading() {
  int count = 0;
  while (count < kPartySlots && gGame.party[count] != 0) ++count;
  return count;
}

bool partyHas(int character) {
  for (const int32_t slot : gGame.party)
    if (slot == character) return true;
  return false;
}

void resetGameProgress() {
  gGame = GameProgress{};
  setMusicName(gFieldMusicName, "init");
  setMusicName(gBattleMusicName, "btl0");
  setMusicName(gSecondBattleMusicName, "btl0");
}

std::string gameStateJson() {
  const std::vector<int> flags = setEventFlags();
  state_json::Object json;
  json.add("party", state_json::intArray(gGame.party, kPartySlots));
  json.add("money", gGame.money);
  json.add("flags", state_json::intArray(flags.data(), static_cast<int>(flags.size())));
  json.add("scroll_switch", gGame.scrollSwitch);
  json.add("formation", gGame.formation);
  json.add("battle_music", state_json::gameText(gBattleMusicName));
  return json.text();
}

namespace {

template <typename T, size_t N>
std::string numberArray(const T (&values)[N]) {
  int32_t copy[N];
  for (size_t i = 0; i < N; ++i) copy[i] = values[i];
  return state_json::intArray(copy, static_cast<int>(N));
}

}  // namespace

std::string charactersStateJson() {
  std::string json = "[";
  for (size_t i = 0; i < gCharacters.size(); ++i) {
    const SchrRecord& r = gCharacters[i];
    state_json::Object o;
    o.add("name", state_json::gameText(std::string_view(r.name, strnlen(r.name, sizeof r.name))));
    o.add("level", static_cast<int>(r.baseAttributes[ATTR_LEVEL]));
    o.add("hp", r.hp);
    o.add("max_hp", r.maxHp);
    o.add("mp", r.mp);
    o.add("max_mp", r.maxMp);
    o.add("exp_next", i < gCharacterTables.size() ? gCharacterTables[i].expToNext : 0);
    o.add("base", numberArray(r.baseAttributes));
    o.add("effective", numberArray(r.effectiveAttributes));
    o.add("tension", r.tension);
    o.add("items", numberArray(r.items));
    o.add("equipped", numberArray(r.equipped));
    o.add("scrolls", numberArray(r.scrolls));
    json += (i ? ", " : "") + o.text();
  }
  return json + "]";
}
