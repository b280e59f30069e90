// The parsers of the database files: each takes the file's bytes and reads them with the formats
// the files are written in. Variables that a failed conversion does not reach keep the value of
// the previous record, as the formats leave them.
#include <algorithm>
#include <cstring>

#include "data/database.h"
#include "data/text_scanner.h"

namespace data {

namespace {

constexpr size_t kRestOfLine = 64;
constexpr size_t kRestOfSheetLine = 256;
constexpr size_t kNameLineBytes = 256;  // bytes of a name line read at once
// Record counts above this are cut: record numbers are 16-bit everywhere they are stored.
constexpr int kMaxRecords = 32767;

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Copies text into a zero-terminated field of size bytes, cut at a character boundary.
void copyField(char* field, size_t size, std::string_view text) {
  size_t n = 0;
  while (n < text.size()) {
    const size_t width = isLeadByte(static_cast<unsigned char>(text[n])) ? 2 : 1;
    if (n + width > size - 1 || n + width > text.size()) break;
    n += width;
  }
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), n);
}

int recordCount(TextScanner& in, ReadNotes* notes) {
  int count = 0;
  const int line = in.line();
  if (in.scan("%d\n", {count}) != 1) noteFault(notes, line, "the file does not begin with its record count");
  if (count > kMaxRecords) noteMend(notes, line, "only the first " + std::to_string(kMaxRecords) + " records are read");
  noteRange(notes, line, "the record count", count, 0, kMaxRecords);
  return std::clamp(count, 0, kMaxRecords);
}

// Notes the line a record begins on; a record past the end of the file is a fault (once).
int recordStart(TextScanner& in, ReadNotes* notes, size_t index, size_t count) {
  const int line = in.line();
  noteRecord(notes, line);
  if (in.atEnd() && index + 1 == count)
    noteFault(notes, line, "the count line says " + std::to_string(count) + " records; the file holds fewer");
  return line;
}

// A text field cut to its bytes by the reader.
void noteCut(ReadNotes* notes, int line, std::string_view what, const std::string& text, size_t bytes) {
  if (text.size() > bytes)
    noteMend(notes, line, std::string(what) + " is longer than its " + std::to_string(bytes) + " bytes and is cut");
}

// The separator-number lists of the technique and tk lines: one character, then a number,
// until ";" (or the end of the input), at most maxEntries times. Every number read is handed
// to store.
template <typename Store>
void readMarkedList(TextScanner& in, int maxEntries, int& number, Store store) {
  for (int n = 0; n < maxEntries; ++n) {
    const int c = in.getChar();
    if (c == ';' || c < 0) break;
    in.scan("%d", {number});
    store(number);
  }
}

}  // namespace

GlyphString glyphStringOf(const FontText& font, std::string_view sjisText) {
  sjisText = sjisText.substr(0, sjisText.find('\0'));
  GlyphString glyphs;
  glyphs.reserve(sjisText.size() / 2 + 2);
  const std::string_view table = font.text;
  for (size_t i = 0; i < sjisText.size(); i += 2) {
    int16_t code = font.blankGlyph;
    if (i + 1 < sjisText.size()) {
      for (size_t p = 0; p + 1 < table.size() && p / 2 < kFontCells; p += 2) {
        if (table[p] == sjisText[i] && table[p + 1] == sjisText[i + 1]) {
          code = glyphCode(static_cast<int>(p / 2));
          break;
        }
      }
    }
    glyphs.push_back(code);
  }
  glyphs.push_back(kGlyphEnd);
  return glyphs;
}

FontText parseFontText(std::span<const uint8_t> file) {
  const std::string text = textModeBytes(file);
  FontText font;
  const size_t read = std::min(text.size(), kFontFileLimit);
  for (size_t i = 0; i < read; ++i) {
    if (text[i] != '\n') font.text.push_back(text[i]);
  }
  if (!font.text.empty() && font.text.back() == '\r') font.text.pop_back();
  const std::string fullWidthSpace = "\x81\x40";
  for (size_t p = 0; p + 1 < font.text.size() && p / 2 < kFontCells; p += 2) {
    if (font.text.compare(p, 2, fullWidthSpace) == 0) {
      font.blankGlyph = glyphCode(static_cast<int>(p / 2));
      break;
    }
  }
  return font;
}

DataNameTable parseDataNames(std::span<const uint8_t> file, const FontText& font, ReadNotes* notes) {
  const std::string bytes = binaryModeBytes(file);
  TextScanner in(bytes);
  DataNameTable table;
  std::string line;  // the read buffer: a read at the end of the file leaves it as it was
  std::string next;
  for (GlyphString& name : table.names) {
    const int at = in.line();
    if (in.readLine(kNameLineBytes, next)) {
      line = next;
      if (line.back() != '\n' && !in.atEnd())
        noteMend(notes, at, "a name is longer than its " + std::to_string(kNameLineBytes - 2) + " bytes and is cut");
    } else {
      noteFault(notes, at, "the file holds fewer than " + std::to_string(kDataNameCount) + " names");
    }
    std::string_view text = line;
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    noteRecord(notes, at);
    noteText(notes, at, text);
    name = glyphStringOf(font, text);
  }
  return table;
}

std::vector<FirstCommand> parseFirstCommands(std::span<const uint8_t> file, ReadNotes* notes) {
  const std::string bytes = textModeBytes(file);
  TextScanner in(bytes);
  std::vector<FirstCommand> table(recordCount(in, notes));
  std::string label, help;
  int number = 0;
  for (FirstCommand& command : table) {
    const int line = recordStart(in, notes, static_cast<size_t>(&command - table.data()), table.size());
    in.scan("%s ", {label});
    if (in.scan("%s %d", {help, number}) != 2) noteFault(notes, line, "expected a label, a help text and a number");
    noteRange(notes, line, "the number", number, -128, 127);
    noteText(notes, line, label);
    noteText(notes, line, help);
    in.skipLine(kRestOfLine);
    command.label = label;
    command.help = help;
    command.number = static_cast<int8_t>(number);
  }
  return table;
}

std::vector<WazaRecord> parseWaza(std::span<const uint8_t> file, ReadNotes* notes) {
  const std::string bytes = textModeBytes(file);
  TextScanner in(bytes);
  std::vector<WazaRecord> table(recordCount(in, notes));
  std::string name, help;
  int first = 0, second = 0, third = 0;
  for (WazaRecord& waza : table) {
    const int line = recordStart(in, notes, static_cast<size_t>(&waza - table.data()), table.size());
    in.scan("%s ", {name});
    in.scan("%s ", {help});
    const int read = in.scan("%d ", {first}) + in.scan("%d ", {second}) + in.scan("%d", {third});
    if (read != 3) noteFault(notes, line, "expected a name, a help text and three numbers");
    noteRange(notes, line, "the MP cost", first, -1, 255);
    noteRange(notes, line, "the second value", second, 0, 1);
    noteRange(notes, line, "the third value", third, 0, (1 << 22) - 1);
    noteText(notes, line, name);
    noteText(notes, line, help);
    in.skipLine(kRestOfLine);
    waza.name = name;
    waza.help = help;
    const uint32_t cost = first == -1 ? 256u : static_cast<uint32_t>(first);
    waza.packed = cost | static_cast<uint32_t>(second) << 9 | static_cast<uint32_t>(third) << 10;
  }
  return table;
}

std::vector<ItemRecord> parseItems(std::span<const uint8_t> file, ReadNotes* notes) {
  const std::string bytes = textModeBytes(file);
  TextScanner in(bytes);
  std::vector<ItemRecord> table(recordCount(in, notes));
  std::string name, help;
  int kind = 0, value2 = 0, power = 0, flag4a = 0, flag4b = 0, flag5a = 0, flag5b = 0, flag5c = 0;
  int code1 = 0, number1 = 0, code2 = 0, number2 = 0;
  for (ItemRecord& item : table) {
    const int line = recordStart(in, notes, static_cast<size_t>(&item - table.data()), table.size());
    in.scan("%s ", {name});
    in.scan("%s ", {help});
    int read = in.scan("%d ", {kind});
    read += in.scan("%d ", {value2});
    read += in.scan("%d ", {power});
    read += in.scan("%d %d ", {flag4a, flag4b});
    read += in.scan("%d %d %d ", {flag5a, flag5b, flag5c});
    read += in.scan("%x %d ", {code1, number1});
    read += in.scan("%x %d", {code2, number2});
    in.skipLine(kRestOfLine);
    if (read != 12) noteFault(notes, line, "expected a name, a help text and twelve numbers");
    noteRange(notes, line, "the kind", kind, 0, 7);
    noteRange(notes, line, "value 2", value2, -32768, 32767);
    noteRange(notes, line, "the power", power, 0, 255);
    for (const int flag : {flag4a, flag4b, flag5a, flag5b, flag5c}) noteRange(notes, line, "a flag", flag, 0, 1);
    noteRange(notes, line, "effect code 1", code1, 0, 0xFF);
    noteRange(notes, line, "effect number 1", number1, 0, 255);
    noteRange(notes, line, "effect code 2", code2, 0, 0xFF);
    noteRange(notes, line, "effect number 2", number2, 0, 255);
    noteText(notes, line, name);
    noteText(notes, line, help);
    item.name = name;
    item.help = help;
    uint32_t word = static_cast<uint32_t>(kind) * 32u;
    word |= (static_cast<uint32_t>(power) & 0xFFu) << 8;
    word |= static_cast<uint32_t>(flag4a) | static_cast<uint32_t>(flag4b) * 2u;
    word |= (static_cast<uint32_t>(flag5a) | (static_cast<uint32_t>(flag5c) * 2u | static_cast<uint32_t>(flag5b)) * 2u) * 4u;
    item.kindWord = static_cast<uint16_t>(word);
    item.effect1 = static_cast<uint16_t>(static_cast<uint32_t>(code1) | static_cast<uint32_t>(number1) * 256u);
    item.effect2 = static_cast<uint16_t>(static_cast<uint32_t>(code2) | static_cast<uint32_t>(number2) * 256u);
    item.value2 = static_cast<int16_t>(value2);
  }
  return table;
}

std::vector<MkmnRecord> parseScrolls(std::span<const uint8_t> file, int techniqueCount, ReadNotes* notes) {
  const std::string bytes = textModeBytes(file);
  TextScanner in(bytes);
  std::vector<MkmnRecord> table(recordCount(in, notes));
  std::string name;
  int count = 0, technique = 0;
  for (MkmnRecord& scroll : table) {
    const int line = recordStart(in, notes, static_cast<size_t>(&scroll - table.data()), table.size());
    in.scan("%s ", {name});
    if (in.scan("%d:", {count}) != 1) noteFault(notes, line, "expected a name and \"count:technique,…,\"");
    noteRange(notes, line, "the technique count", count, 0, 255);
    noteText(notes, line, name);
    scroll.name = name;
    const int listed = count & 0xFF;
    // A number that cannot be read lists nothing (the previous number is not listed again), and
    // a list cut off by the end of the file ends there.
    for (int i = 0; i < listed && !in.atEnd(); ++i) {
      if (in.scan("%d,", {technique}) != 1) {
        noteFault(notes, line, "the list holds fewer techniques than its count");
        continue;
      }
      if (technique >= 0 && technique < techniqueCount) scroll.techniques.push_back(static_cast<uint16_t>(technique));
      else noteMend(notes, line, "technique " + std::to_string(technique) + " is not in Db\\WZ.zd and is left out");
    }
    scroll.count = static_cast<uint8_t>(scroll.techniques.size());
    in.skipLine(kRestOfLine);
  }
  return table;
}

void parseCharacterSheet(std::span<const uint8_t> file, const SheetLimits& limits, SchrRecord& record,
                         CharacterTables& tables, ReadNotes* notes) {
  const std::string bytes = binaryModeBytes(file);
  TextScanner in(bytes);
  std::string text;
  int value = 0;
  int line = 1;
  // Each of the twelve lines: its number is noted, a value that cannot be read is a fault.
  auto startLine = [&] {
    line = in.line();
    noteRecord(notes, line);
  };
  auto expect = [&](bool read, const char* what) {
    if (!read) noteFault(notes, line, std::string("expected ") + what);
  };

  // A line of one word into a text field, cut to fit; the names are drawn.
  auto readText = [&](char* field, size_t size, const char* what, bool drawn) {
    startLine();
    text.clear();
    expect(in.scan("%s\n", {text}) == 1, what);
    if (text.empty()) return;
    noteCut(notes, line, what, text, size - 1);
    copyField(field, size, text);
    if (drawn) noteText(notes, line, field);
  };
  readText(record.scriptName, sizeof record.scriptName, "the actor script name", false);
  readText(record.name, sizeof record.name, "the name", true);
  readText(record.secondName, sizeof record.secondName, "the second name", true);

  startLine();
  int maxHp = record.maxHp, maxMp = record.maxMp;
  expect(in.scan("%d,%d,\n", {maxHp, maxMp}) == 2, "\"max HP,max MP,\"");
  noteRange(notes, line, "max HP", maxHp, 1, 9999);
  noteRange(notes, line, "max MP", maxMp, 0, 999);
  record.maxHp = maxHp;
  record.maxMp = maxMp;
  record.tension = 0;

  startLine();
  const int attributeLine = line;
  for (uint8_t& attribute : record.baseAttributes) {
    expect(in.scan("%d,", {value}) == 1, "eight attributes, each followed by ','");
    noteRange(notes, line, "an attribute", value, 0, 255);
    attribute = static_cast<uint8_t>(value);
  }
  in.skipLine(kRestOfSheetLine);

  startLine();
  int values[5] = {0, 0, 0, 0, 0};
  expect(in.scan("%d,%d,%d,%d,%d,", {values[0], values[1], values[2], values[3], values[4]}) == 5, "five values");
  noteRange(notes, line, "the sex", values[0], 0, 3);
  noteRange(notes, line, "the age", values[1], 0, 127);
  noteRange(notes, line, "the magic number", values[3], -32768, 32767);
  record.packed = static_cast<uint16_t>(static_cast<uint32_t>(values[0]) | (static_cast<uint32_t>(values[1]) & 0x7Fu) << 2);
  record.magicNumber = static_cast<int16_t>(values[3]);
  record.backRow = values[2] != 0;
  record.turnDirection = values[4] != 0;
  in.skipLine(kRestOfSheetLine);

  startLine();
  for (uint8_t& command : tables.firstCommands) {
    expect(in.scan("%d,", {value}) == 1, "five first commands, each followed by ','");
    noteRange(notes, line, "a first command", value, 0, std::max(limits.firstCommandCount - 1, 0));
    command = static_cast<uint8_t>(value);
  }
  in.skipLine(kRestOfSheetLine);

  startLine();
  tables.techniqueLevels.assign(static_cast<size_t>(std::max(limits.techniqueCount, 0)), 0);
  readMarkedList(in, limits.techniqueCount, value, [&](int technique) {
    if (technique >= 0 && technique < limits.techniqueCount) tables.techniqueLevels[technique] = kMasteredLevel;
    else noteMend(notes, line, "technique " + std::to_string(technique) + " is not in Db\\WZ.zd and is left out");
  });
  in.skipLine(kRestOfLine);

  startLine();
  std::fill(std::begin(tables.tk), std::end(tables.tk), kNoTk);
  // A number out of range leaves its entry empty; the entries after it keep their places.
  int entry = 0;
  readMarkedList(in, kTkSlots, value, [&](int tk) {
    if (tk >= 0 && tk < limits.tkCount) tables.tk[entry] = static_cast<int16_t>(tk);
    else noteMend(notes, line, "tk entry " + std::to_string(tk) + " is not in Db\\TK.zd and stays empty");
    ++entry;
  });
  in.skipLine(kRestOfLine);

  startLine();
  const int itemCount = static_cast<int>(limits.items.size());
  for (int16_t& item : record.items) {
    expect(in.scan("%d,", {value}) == 1, "twelve items, each followed by ','");
    item = value >= 0 && value < itemCount ? static_cast<int16_t>(value) : kNoItem;
    if (value != kNoItem && item == kNoItem)
      noteMend(notes, line, "item " + std::to_string(value) + " is not in Db\\ItmDt.zd and the slot stays empty");
  }
  in.skipLine(kRestOfLine);

  startLine();
  for (uint8_t& slot : record.equipped) {
    expect(in.scan("%d,", {value}) == 1, "four equipped slots, each followed by ','");
    slot = value >= 0 && value < kItemSlots ? static_cast<uint8_t>(value) : kNoEquip;
    if (value != kNoEquip && slot == kNoEquip)
      noteMend(notes, line, "equipped slot " + std::to_string(value) + " names no item slot and is taken as none");
    else if (slot != kNoEquip && record.items[slot] == kNoItem)
      noteMend(notes, line, "equipped slot " + std::to_string(value) + " holds no item: nothing is equipped there");
  }
  in.skipLine(kRestOfLine);

  startLine();
  for (int16_t& scroll : record.scrolls) {
    expect(in.scan("%d,", {value}) == 1, "four scrolls, each followed by ','");
    scroll = value >= 0 && value < limits.scrollCount ? static_cast<int16_t>(value) : kNoScroll;
    if (value != kNoScroll && scroll == kNoScroll)
      noteMend(notes, line, "scroll " + std::to_string(value) + " is not in Db\\MkmnDt.zd and stays empty");
  }
  in.skipLine(kRestOfLine);

  recompute(record, limits.items, true);
  // Equipment bonuses are 8-bit sums: an attribute that passes 255 comes out small.
  for (int i = 0; i < kAttributeCount; ++i)
    if (record.effectiveAttributes[i] < record.baseAttributes[i])
      noteFault(notes, attributeLine,
                "attribute " + std::to_string(i) + " with its equipment bonus passes 255 and wraps");
  restoreFull(record);
  const int32_t level = record.baseAttributes[ATTR_LEVEL];
  tables.expToNext = 128 * level * level;
  tables.expTotal = 128 * level * level;
}

void recompute(SchrRecord& record, std::span<const ItemRecord> items, bool includeBase) {
  record.effectiveMaxHp = record.maxHp;
  record.effectiveMaxMp = record.maxMp;
  record.effectiveHp = std::min(record.effectiveHp, record.effectiveMaxHp);
  record.effectiveMp = std::min(record.effectiveMp, record.effectiveMaxMp);
  std::memcpy(record.effectiveSetA, record.attributeSetA, kAttributeCount);
  std::memcpy(record.effectiveSetB, record.attributeSetB, kAttributeCount);
  std::memset(record.effectiveAttributes, 0, kAttributeCount);
  for (const uint8_t slot : record.equipped) {
    if (slot >= kItemSlots) continue;  // kNoEquip, or an index that names no item slot
    const int number = record.items[slot];
    if (number < 0 || number >= static_cast<int>(items.size())) continue;
    const ItemRecord& item = items[number];
    if (item.kind() == kItemWeapon) record.effectiveAttributes[ATTR_ATTACK] += static_cast<uint8_t>(item.power());
    if (item.kind() == kItemArmour) record.effectiveAttributes[ATTR_VITALITY] += static_cast<uint8_t>(item.power());
  }
  if (includeBase) {
    for (int i = 0; i < kAttributeCount; ++i) record.effectiveAttributes[i] += record.baseAttributes[i];
  }
}

}  // namespace data

void restoreFull(SchrRecord& record) {
  record.hp = record.maxHp;
  record.mp = record.maxMp;
  record.effectiveHp = record.effectiveMaxHp;
  record.effectiveMp = record.effectiveMaxMp;
}

SchrRecord::SchrRecord() {
  std::fill(std::begin(attributeSetA), std::end(attributeSetA), uint8_t{10});
  std::fill(std::begin(attributeSetB), std::end(attributeSetB), uint8_t{50});
  std::fill(std::begin(items), std::end(items), kNoItem);
  std::fill(std::begin(equipped), std::end(equipped), kNoEquip);
  std::fill(std::begin(scrolls), std::end(scrolls), kNoScroll);
}

CharacterTables::CharacterTables() {
  std::fill(std::begin(tk), std::end(tk), kNoTk);
}
