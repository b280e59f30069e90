#include "battle/battle_files.h"

#include <algorithm>
#include <cstring>

#include "battle/battle.h"
#include "data/text_scanner.h"

namespace {

using data::TextScanner;

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Copies a word into a fixed text field, cut to fit without splitting a double-byte character.
template <size_t N>
void copyName(char (&field)[N], const std::string& word) {
  size_t n = 0;
  while (n < word.size()) {
    const size_t length = isLeadByte(static_cast<unsigned char>(word[n])) && n + 1 < word.size() ? 2 : 1;
    if (n + length > N - 1) break;
    n += length;
  }
  std::memset(field, 0, N);
  std::memcpy(field, word.data(), n);
}

// Eight "%d," values stored as bytes; the rest of the line is skipped.
void readByteRow(TextScanner& in, uint8_t (&row)[kAttributeCount]) {
  for (uint8_t& value : row) {
    int number = value;
    in.scan("%d,", {number});
    value = static_cast<uint8_t>(number);
  }
  std::string rest;
  in.readLine(kRowRestLimit, rest);
}

void skipLines(TextScanner& in, int64_t count) {
  std::string line;
  // Past the end of the text every further line is empty: stop there.
  for (int64_t i = 0; i < count && !in.atEnd(); ++i) in.readLine(kLineSkipLimit, line);
}

}  // namespace

EnemyFile parseEnemyFile(std::string_view text) {
  EnemyFile enemy;
  SchrRecord& r = enemy.record;
  TextScanner in(text);

  std::string name;
  if (in.scan("%s\n", {name}) == 1) copyName(r.name, name);
  in.scan("%d,%d\n", {r.maxHp, r.maxMp});
  readByteRow(in, r.baseAttributes);
  in.scan("%s\n", {enemy.model});
  in.scan("%d,%d\n", {enemy.weapons[0], enemy.weapons[1]});
  int magic = r.magicNumber, turn = r.turnDirection;
  in.scan("%d,%d\n", {magic, turn});
  r.magicNumber = static_cast<int16_t>(magic);
  r.turnDirection = turn != 0 ? 1 : 0;
  readByteRow(in, r.attributeSetA);
  readByteRow(in, r.attributeSetB);

  float alpha = 0;
  if (in.scan("%f,\n", {alpha}) == 1) enemy.alpha = alpha;
  int first = 0, second = 0;
  in.scan("%d:%d\n", {first, second});
  enemy.pair = static_cast<int32_t>(static_cast<uint32_t>(first) + 256u * static_cast<uint32_t>(second));
  int exp = 0, money = 0, sp = 0;
  in.scan("%d,%d,%d,\n", {exp, money, sp});
  enemy.rewardExp = static_cast<uint16_t>(exp);
  enemy.rewardMoney = static_cast<uint16_t>(money);
  enemy.rewardSp = static_cast<uint8_t>(sp);

  int count = 0;
  in.scan("%d{\n", {count});
  const uint16_t entries = static_cast<uint16_t>(count);
  enemy.actions.reserve(entries);
  for (int i = 0; i < entries; ++i) {
    // A "}" where an entry should stand: the table ended early. The entry is read regardless
    // and, as nothing can be read there, is empty (weight 0).
    if (in.position() < text.size() && text[in.position()] == '}') ++enemy.missingEntries;
    int weight = 0, kind = 0, index = 0;
    in.scan("%d:%d_%d\n", {weight, kind, index});
    enemy.actions.push_back(packEnemyAction(weight, kind, index));
  }
  return enemy;
}

GroupLine parseGroupLine(std::string_view text, int64_t group) {
  GroupLine line;
  TextScanner in(text);
  skipLines(in, group);
  int count = 0;
  in.scan("%d:", {count});
  // Every number the line names is read; enemies beyond the sixth have no slot.
  for (int i = 0; i < count; ++i) {
    int enemy = 0;
    if (in.scan("%d,", {enemy}) != 1) break;
    if (static_cast<int>(line.enemies.size()) < kMaxGroupEnemies) line.enemies.push_back(enemy);
  }
  in.scan(";%d_%d_%d_%d", {line.formation, line.escapeFlag, line.battleScript, line.viewScript});
  return line;
}

void readFormationLine(std::string_view text, int64_t formation, float (&x)[6], float (&z)[6]) {
  TextScanner in(text);
  skipLines(in, formation);
  for (int i = 0; i < kEnemySlotCount; ++i) in.scan("%f,%f;", {x[i], z[i]});
}

BattleMapHeader parseBattleMapHeader(std::string_view bytes) {
  BattleMapHeader header;
  TextScanner in(bytes);
  in.scan("%f;\n", {header.unused});
  in.scan("%x;", {header.fogColour});
  in.scan("%f;", {header.fogStart});
  in.scan("%f;", {header.fogEnd});
  return header;
}
