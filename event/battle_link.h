// What the scripts may ask of a running battle. The battle fills these while it exists; outside
// a battle they are empty and the commands that need them change nothing.
#pragma once

struct BattleLink {
  bool (*running)() = nullptr;
  // f27: the view script to the label "RC<n>" and active; -1 makes it inactive.
  void (*viewScript)(int label) = nullptr;
  // f53 0: toggles battle switch n and hands the new value to the battle.
  void (*toggleSwitch)(int n) = nullptr;
  // f54 0: battle slot n steps back and is marked (as after f53 1); actor n gets action 6.
  void (*stepBack)(int slot) = nullptr;
  // f53 1: the closing step of f54 0 for battle slot n.
  void (*markSlot)(int slot) = nullptr;
  // o15: the flash. which -3 sets the step to value (a signed byte), -2 the on-top flag
  // (value != 0), -1 clears the colour; any other ORs value into byte channel (0 alpha, 1 red,
  // 2 green, 3 blue) of the colour.
  void (*flash)(int which, int channel, int value) = nullptr;
};
extern BattleLink gBattleLink;

inline bool battleRunning() {
  return gBattleLink.running && gBattleLink.running();
}
