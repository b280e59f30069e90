// The battle's data files, read from their bytes as the game reads them (each value with its
// scanf format; a conversion that fails leaves its value as it was and ends that read). The
// readers are pure: the set-up (battle_setup.h) opens the files, shows the messages and puts
// what was read into the battle.
//
// Enemy file "Enem\e<n>.zd", text, one value group per line:
//   name                          "%s\n"
//   max HP, max MP                "%d,%d\n"
//   8 base attributes             "%d," each, rest of the line skipped
//   model                         "%s\n"   the CHARA configuration
//   right, left weapon            "%d,%d\n"   "wea<n>", 0 none
//   magic number, turn direction  "%d,%d\n"
//   attribute set A, set B        "%d," x 8 each, rest of each line skipped
//   alpha                         "%f,\n"
//   pair                          "%d:%d\n"
//   EXP, money, SP                "%d,%d,%d,\n"
//   n {                           "%d{\n"
//   weight:kind_index             "%d:%d_%d\n", n of them
//   }
// Group file "Enem\Group.zd": line g is "n:e1,e2,…;formation_escape_script_view".
// Formation file "Enem\Form.zd": line f is six "x,z;" pairs, the homes of slots 3 … 8.
// Battle map header ("mat\btl<n>.mp", binary): "%f;\n" unused, "%x;" fog colour (ARGB),
// "%f;" fog start, "%f;" fog end.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/database.h"
#include "data/text_scanner.h"

constexpr int kMaxGroupEnemies = 6;
constexpr size_t kLineSkipLimit = 255;    // a skipped line of the group and formation files
constexpr size_t kRowRestLimit = 63;      // the rest of a row of eight numbers

// What an enemy file holds.
struct EnemyFile {
  // Name, base maxima, base attributes, magic number, turn direction and attribute sets, on a
  // record made by the record constructor.
  SchrRecord record;
  std::string model;
  int32_t weapons[2] = {};  // right hand, left hand; 0 = none
  std::optional<float> alpha;
  int32_t pair = 0;         // first + 256 * second
  uint16_t rewardExp = 0;
  uint16_t rewardMoney = 0;
  uint8_t rewardSp = 0;
  std::vector<uint32_t> actions;  // the action table (packEnemyAction entries)
  int missingEntries = 0;         // entries that met "}" instead: one message each
};
// The file's text as a file opened in text mode delivers it. The notes' record lines are, in
// order: name, maxima, attributes, figure, weapons, magic, set A, set B, alpha, pair, rewards,
// count, then one per action.
EnemyFile parseEnemyFile(std::string_view text, data::ReadNotes* notes = nullptr);

// Line g of the group file.
struct GroupLine {
  std::vector<int32_t> enemies;  // enemy numbers for slots 3, 4, …; at most six
  int32_t formation = 0;
  int32_t escapeFlag = 0;  // 0: escape allowed
  int32_t battleScript = 0;
  int32_t viewScript = 0;
};
GroupLine parseGroupLine(std::string_view text, int64_t group, data::ReadNotes* notes = nullptr);

// Line f of the formation file into the homes of slots 3 … 8: each pair read replaces x and z;
// what cannot be read stays.
void readFormationLine(std::string_view text, int64_t formation, float (&x)[6], float (&z)[6],
                       data::ReadNotes* notes = nullptr);

struct BattleMapHeader {
  float unused = 0;
  int32_t fogColour = 0;
  float fogStart = 0;
  float fogEnd = 0;
};
// The file's bytes as they are (it is opened in binary mode).
BattleMapHeader parseBattleMapHeader(std::string_view bytes);
