// Function commands of sound effects and music: f10, f11, f20, f41.
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "data/scrambled.h"
#include "event/battle_link.h"
#include "event/game_state.h"
#include "event/runners.h"

namespace {

// Scripts address sound slots 8 … 31 as 0 … 23.
constexpr int kScriptSoundSlots = kSoundSlotCount - kFirstOnDemandSoundSlot;

bool isScriptSoundSlot(int slot) {
  return slot >= 0 && slot < kScriptSoundSlots;
}

// f10: loads "se\<S>.zse" into script slot V0.
void loadSound(const ScriptCall& call) {
  const int slot = call.script.v[0];
  if (!isScriptSoundSlot(slot)) return;
  data::loadScrambledSound("se\\" + std::string(call.script.str()) + ".zse", kFirstOnDemandSoundSlot + slot);
}

// f11: plays script slot V0 from its start.
void playScriptSound(const ScriptCall& call) {
  const int slot = call.script.v[0];
  if (isScriptSoundSlot(slot)) playSound(kFirstOnDemandSoundSlot + slot);
}

// f20: releases every script slot.
void freeScriptSounds(const ScriptCall&) {
  freeOnDemandSounds();
}

// f41: V0 = 0 makes S the field's music and plays it unless a battle runs; otherwise S plays
// only while a battle runs.
void musicCommand(const ScriptCall& call) {
  const std::string name(call.script.str());
  const bool inBattle = battleRunning();
  if (call.script.v[0] == 0) {
    setMusicName(gFieldMusicName, name);
    if (inBattle) return;
  } else if (!inBattle) {
    return;
  }
  stopMusic();
  playMusic(name.c_str());
}

constexpr CommandEntry kCommands[] = {
    {10, loadSound}, {11, playScriptSound}, {20, freeScriptSounds}, {41, musicCommand},
};

}  // namespace

std::span<const CommandEntry> soundCommands() {
  return kCommands;
}
