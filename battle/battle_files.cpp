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
void readByteRow(TextScanner& in, uint8_t (&row)[kAttributeCount], data::ReadNotes* notes, int low) {
  const int line = in.line();
  data::noteRecord(notes, line);
  for (uint8_t& value : row) {
    int number = value;
    if (in.scan("%d,", {number}) != 1) data::noteFault(notes, line, "expected eight numbers, each followed by ','");
    data::noteRange(notes, line, "a value", number, low, 255);
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

EnemyFile parseEnemyFile(std::string_view text, data::ReadNotes* notes) {
  EnemyFile enemy;
  SchrRecord& r = enemy.record;
  TextScanner in(text);
  int line = 1;
  auto startLine = [&] {
    line = in.line();
    data::noteRecord(notes, line);
  };
  auto expect = [&](bool read, const char* what) {
    if (!read) data::noteFault(notes, line, std::string("expected ") + what);
  };

  startLine();
  std::string name;
  if (in.scan("%s\n", {name}) == 1) {
    if (name.size() >= sizeof r.name)
      data::noteMend(notes, line,
                     "the name is longer than its " + std::to_string(sizeof r.name - 1) + " bytes and is cut");
    copyName(r.name, name);
    data::noteText(notes, line, r.name);
  }
  startLine();
  expect(in.scan("%d,%d\n", {r.maxHp, r.maxMp}) == 2, "\"max HP,max MP\"");
  if (r.maxHp < 1 || r.maxMp < 0) data::noteFault(notes, line, "max HP must be at least 1 and max MP at least 0");
  readByteRow(in, r.baseAttributes, notes, 0);
  startLine();
  expect(in.scan("%s\n", {enemy.model}) == 1, "the figure's name");
  startLine();
  expect(in.scan("%d,%d\n", {enemy.weapons[0], enemy.weapons[1]}) == 2, "\"right weapon,left weapon\"");
  for (const int32_t weapon : enemy.weapons) data::noteRange(notes, line, "a weapon", weapon, 0, 2147483647);
  startLine();
  int magic = r.magicNumber, turn = r.turnDirection;
  expect(in.scan("%d,%d\n", {magic, turn}) == 2, "\"magic number,turn direction\"");
  data::noteRange(notes, line, "the magic number", magic, -32768, 32767);
  r.magicNumber = static_cast<int16_t>(magic);
  r.turnDirection = turn != 0 ? 1 : 0;
  readByteRow(in, r.attributeSetA, notes, -128);
  readByteRow(in, r.attributeSetB, notes, -128);

  startLine();
  float alpha = 0;
  if (in.scan("%f,\n", {alpha}) == 1) enemy.alpha = alpha;
  if (!enemy.alpha || !(*enemy.alpha > 0.0f && *enemy.alpha <= 1.0f))
    data::noteFault(notes, line, "the alpha is not a number above 0 and at most 1");
  startLine();
  int first = 0, second = 0;
  in.scan("%d:%d\n", {first, second});
  enemy.pair = static_cast<int32_t>(static_cast<uint32_t>(first) + 256u * static_cast<uint32_t>(second));
  startLine();
  int exp = 0, money = 0, sp = 0;
  expect(in.scan("%d,%d,%d,\n", {exp, money, sp}) == 3, "\"EXP,money,SP,\"");
  data::noteRange(notes, line, "the EXP", exp, 0, 65535);
  data::noteRange(notes, line, "the money", money, 0, 65535);
  data::noteRange(notes, line, "the SP", sp, 0, 255);
  enemy.rewardExp = static_cast<uint16_t>(exp);
  enemy.rewardMoney = static_cast<uint16_t>(money);
  enemy.rewardSp = static_cast<uint8_t>(sp);

  startLine();
  int count = 0;
  expect(in.scan("%d{\n", {count}) == 1, "\"count{\"");
  data::noteRange(notes, line, "the action count", count, 1, 65535);
  const uint16_t entries = static_cast<uint16_t>(count);
  enemy.actions.reserve(entries);
  int weights = 0;
  for (int i = 0; i < entries; ++i) {
    startLine();
    // A "}" where an entry should stand: the table ended early. The entry is read regardless
    // and, as nothing can be read there, is empty (weight 0).
    if (in.position() < text.size() && text[in.position()] == '}') {
      ++enemy.missingEntries;
      data::noteFault(notes, line,
                      "the table holds fewer actions than its count: the game shows \"EnemyLoad:技数が不正なのさ\"");
    }
    int weight = 0, kind = 0, index = 0;
    expect(in.scan("%d:%d_%d\n", {weight, kind, index}) == 3, "an action \"weight:kind_index\"");
    data::noteRange(notes, line, "the weight", weight, 0, 255);
    data::noteRange(notes, line, "the kind", kind, 0, 3);
    data::noteRange(notes, line, "the index", index, 0, 65535);
    weights += weight & 0xFF;
    enemy.actions.push_back(packEnemyAction(weight, kind, index));
  }
  if (entries > 0 && weights == 0) data::noteFault(notes, line, "the action weights sum to 0: no action can be drawn");
  if (!in.atEnd() && in.getChar() != '}')
    data::noteMend(notes, line, "the action table goes on past its count and the rest is not read");
  return enemy;
}

GroupLine parseGroupLine(std::string_view text, int64_t group, data::ReadNotes* notes) {
  GroupLine line;
  TextScanner in(text);
  skipLines(in, group);
  const int at = in.line();
  data::noteRecord(notes, at);
  int count = 0;
  if (in.scan("%d:", {count}) != 1)
    data::noteFault(notes, at, "expected \"count:enemy,…,;formation_escape_battle_view\"");
  if (count < 1) data::noteFault(notes, at, "a group names at least one enemy");
  if (count > kMaxGroupEnemies) data::noteMend(notes, at, "enemies past the sixth have no slot and are left out");
  // Every number the line names is read; enemies beyond the sixth have no slot.
  for (int i = 0; i < count; ++i) {
    int enemy = 0;
    if (in.scan("%d,", {enemy}) != 1) {
      data::noteFault(notes, at, "the line names fewer enemies than its count");
      break;
    }
    if (static_cast<int>(line.enemies.size()) < kMaxGroupEnemies) line.enemies.push_back(enemy);
  }
  if (in.scan(";%d_%d_%d_%d", {line.formation, line.escapeFlag, line.battleScript, line.viewScript}) != 4)
    data::noteFault(notes, at, "expected \";formation_escape_battle_view\" after the enemies");
  data::noteRange(notes, at, "the escape flag", line.escapeFlag, 0, 1);
  return line;
}

void readFormationLine(std::string_view text, int64_t formation, float (&x)[6], float (&z)[6], data::ReadNotes* notes) {
  TextScanner in(text);
  skipLines(in, formation);
  const int at = in.line();
  data::noteRecord(notes, at);
  int pairs = 0;
  for (int i = 0; i < kEnemySlotCount; ++i) pairs += in.scan("%f,%f;", {x[i], z[i]}) == 2 ? 1 : 0;
  if (pairs != kEnemySlotCount) data::noteFault(notes, at, "a formation holds six \"x,z;\" pairs");
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
