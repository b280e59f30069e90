// The game database: the character sheets and the small text tables under the data root, read
// once at boot into global tables that live until the quit key frees them, and the font table
// that turns the game's Shift-JIS text into glyph strings of the two font textures.
//
// Every reader is split in two: a parser that reads the file's bytes (pure, used by the fuzz
// targets and the content generator's lint) and a loader that opens the rooted file, reports a
// missing file with its message and fills the global table.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/graphics.h"
#include "data/text_scanner.h"

// ---------------------------------------------------------------------------------------------
// Glyph strings and the font table

// Glyph codes (row × 256 + column of the 16-pixel cells; rows 32 … 63 lie on the second font
// texture) ended by kGlyphEnd.
using GlyphString = std::vector<int16_t>;
constexpr int16_t kGlyphEnd = -1;
constexpr int kGlyphColumns = 32;      // cells per row of a font texture
constexpr int kGlyphRowsPerPage = 32;  // rows per font texture
constexpr int kFontPages = 2;
constexpr int kFontCells = kGlyphColumns * kGlyphRowsPerPage * kFontPages;  // 2048 drawable cells
constexpr size_t kFontFileLimit = 65535;  // characters of RES\Fonts.zd that are read

// The whole of RES\Fonts.zd without its line ends: a list of two-byte characters whose position
// is the glyph index. blankGlyph is the cell drawn for a character that has no cell: the
// full-width space when the table holds one, else the last cell of the second texture.
// Glyph code of glyph index p (row p / 32, column p mod 32).
constexpr int16_t glyphCode(int index) {
  return static_cast<int16_t>((index / kGlyphColumns) * 256 + index % kGlyphColumns);
}

struct FontText {
  std::string text;
  int16_t blankGlyph = glyphCode(kFontCells - 1);
};

// ---------------------------------------------------------------------------------------------
// Records

// Attribute order of the eight attribute bytes.
enum Attribute {
  ATTR_LEVEL, ATTR_ATTACK, ATTR_SPEED, ATTR_VITALITY, ATTR_INTELLECT, ATTR_SPIRIT, ATTR_ACCURACY, ATTR_EVASION,
  kAttributeCount
};

constexpr int kItemSlots = 12;
constexpr int kEquipSlots = 4;  // right hand, left hand, accessory 1, accessory 2
constexpr int kScrollSlots = 4;
constexpr int kFirstCommandSlots = 5;
constexpr int kTkSlots = 32;
constexpr uint8_t kNoEquip = 255;
constexpr int16_t kNoItem = -1;
constexpr int16_t kNoScroll = -1;
constexpr int16_t kNoTk = -1;
constexpr int kMasteredLevel = 100;  // technique level of a learned technique
constexpr int kNameBytes = 21;
constexpr int kSecondNameBytes = 23;
constexpr int kScriptNameBytes = 32;

// The character record of every party member and enemy (204 bytes, the layout the battle and
// script code were written against).
struct SchrRecord {
  char name[kNameBytes] = {};
  char secondName[kSecondNameBytes] = {};
  int32_t hp = 0;
  int32_t maxHp = 0;
  int32_t mp = 0;
  int32_t maxMp = 0;
  uint8_t attributeSetA[kAttributeCount];
  uint8_t attributeSetB[kAttributeCount];
  uint8_t baseAttributes[kAttributeCount] = {};
  int32_t effectiveHp = 0;
  int32_t effectiveMaxHp = 0;
  int32_t effectiveMp = 0;
  int32_t effectiveMaxMp = 0;
  uint8_t effectiveSetA[kAttributeCount] = {};
  uint8_t effectiveSetB[kAttributeCount] = {};
  uint8_t effectiveAttributes[kAttributeCount] = {};
  char scriptName[kScriptNameBytes] = {};  // actor script under "ev\OSCR", model and portrait name
  int32_t tension = 0;                     // 0 … 100
  uint16_t packed = 0;                     // sex in bits 0 … 1, age in bits 2 … 8
  int16_t magicNumber = 0;                 // the magic command casts "mg%d"
  uint8_t backRow = 0;
  uint8_t turnDirection = 0;
  int16_t items[kItemSlots];
  uint8_t equipped[kEquipSlots];  // indexes into items, kNoEquip for none
  int16_t scrolls[kScrollSlots];

  // Attribute set A 10 each, set B 50 each, no items, nothing equipped, no scrolls.
  SchrRecord();

  int sex() const { return packed & 3; }
  int age() const { return (packed >> 2) & 0x7F; }
};
static_assert(sizeof(SchrRecord) == 204, "the character record keeps its 204-byte layout");

// The per-character tables kept beside each character sheet.
struct CharacterTables {
  uint8_t firstCommands[kFirstCommandSlots] = {};
  std::vector<uint8_t> techniqueLevels;  // one level per technique: 0 … 100
  int16_t tk[kTkSlots];                  // tk numbers, kNoTk for an empty entry
  int32_t expToNext = 0;                 // EXP still needed for the next level
  int32_t expTotal = 0;                  // cumulative EXP
  CharacterTables();
};

// Flag bits of the first-command number byte.
constexpr int kCommandOpensSubMenu = 0x01;
constexpr int kCommandUsableInField = 0x02;

struct FirstCommand {
  std::string label;
  std::string help;
  int8_t number = 0;  // flags, see kCommand…
};

// A technique (Db\WZ.zd) or a tk entry (Db\TK.zd). Packed word: bits 0 … 8 the first value
// (the MP cost in the low byte; −1 is stored as 256, "costs all MP"), bit 9 the second value
// (meant for allies), bits 10 and up the third value (bit 10: hits the whole side).
struct WazaRecord {
  std::string name;
  std::string help;
  uint32_t packed = 0;
};
using TkRecord = WazaRecord;

constexpr uint32_t kWazaAllMp = 1u << 8;
constexpr uint32_t kWazaForAllies = 1u << 9;
constexpr uint32_t kWazaWholeSide = 1u << 10;

// Item kinds (bits 5 … 7 of the kind word).
constexpr int kItemWeapon = 1;
constexpr int kItemArmour = 2;
// Flag bits of the kind word.
constexpr uint16_t kItemUsableInField = 1u << 0;
constexpr uint16_t kItemUsableInBattle = 1u << 1;
constexpr uint16_t kItemWholeSide = 1u << 4;

struct ItemRecord {
  std::string name;
  std::string help;
  uint16_t kindWord = 0;  // flags in bits 0 … 4, kind in 5 … 7, power in 8 … 15
  uint16_t effect1 = 0;   // code in bits 0 … 7, number in 8 … 15
  uint16_t effect2 = 0;
  int16_t value2 = 0;

  int kind() const { return (kindWord >> 5) & 7; }
  int power() const { return kindWord >> 8; }
};

// A scroll: the techniques it teaches.
struct MkmnRecord {
  std::string name;
  uint8_t count = 0;
  std::vector<uint16_t> techniques;  // count entries
};

constexpr int kDataNameCount = 8;
// The eight fixed labels (the attribute names of the status panels), as glyph strings.
struct DataNameTable {
  std::array<GlyphString, kDataNameCount> names;
};

// ---------------------------------------------------------------------------------------------
// The global tables

extern std::vector<SchrRecord> gCharacters;
extern std::vector<CharacterTables> gCharacterTables;  // parallel to gCharacters
extern std::vector<FirstCommand> gFirstCommands;
extern std::vector<WazaRecord> gTechniques;
extern std::vector<TkRecord> gTkList;
extern std::vector<ItemRecord> gItems;
extern std::vector<MkmnRecord> gScrolls;
extern DataNameTable gDataNames;
extern FontText gFontText;
extern TexRecord gFontTextures[kFontPages];

// Bounds-checked look-ups by 0-based number; null when the number has no record.
const FirstCommand* findFirstCommand(int number);
const WazaRecord* findTechnique(int number);
const TkRecord* findTk(int number);
const ItemRecord* findItem(int number);
const MkmnRecord* findScroll(int number);

// ---------------------------------------------------------------------------------------------
// Loaders (boot order: counting, fonts, names, first commands, techniques, TK, items, scrolls,
// character sheets). Each reports a missing file with its message and leaves its table empty.

// Counts SCHR\c0.zd, c1.zd, … up to the first missing file and makes that many constructed
// records (and their per-character tables).
int countCharacterSheets();
void loadFonts();
void loadDataNames();
void loadFirstCommands();
void loadTechniques();
void loadTkList();
void loadItems();
void loadScrolls();
void loadCharacterSheets();
// The whole database in boot order.
void loadDatabase();
// Frees every table, the font text and the font textures.
void freeDatabase();

// Text to glyph string with the loaded font table.
GlyphString toGlyphString(std::string_view sjisText);
// The Shift-JIS characters of a glyph string, read back from the font table (a full-width space
// for a code outside it).
std::string glyphStringText(const GlyphString& glyphs);

// The derive step: effective HP/MP maxima (current values clamped), copies of attribute sets A
// and B, equipment bonuses (weapons add their power to attack, armour to vitality) and, when
// includeBase is set, the base attributes.
void recompute(SchrRecord& record, bool includeBase);
// HP and MP of both blocks := their maxima.
void restoreFull(SchrRecord& record);

// ---------------------------------------------------------------------------------------------
// Parsers: the file's bytes in, the table out.

namespace data {

// The cell of each two-byte character, blankGlyph for characters without one.
GlyphString glyphStringOf(const FontText& font, std::string_view sjisText);

// The readers note what the data checker wants to know when given notes (data/text_scanner.h).
FontText parseFontText(std::span<const uint8_t> file);
DataNameTable parseDataNames(std::span<const uint8_t> file, const FontText& font, ReadNotes* notes = nullptr);
std::vector<FirstCommand> parseFirstCommands(std::span<const uint8_t> file, ReadNotes* notes = nullptr);
std::vector<WazaRecord> parseWaza(std::span<const uint8_t> file, ReadNotes* notes = nullptr);  // WZ and TK
std::vector<ItemRecord> parseItems(std::span<const uint8_t> file, ReadNotes* notes = nullptr);
std::vector<MkmnRecord> parseScrolls(std::span<const uint8_t> file, int techniqueCount, ReadNotes* notes = nullptr);

// What a character sheet is checked against.
struct SheetLimits {
  int techniqueCount = 0;
  int tkCount = 0;
  int scrollCount = 0;
  std::span<const ItemRecord> items;
  int firstCommandCount = 256;  // only the notes look at it
};
// Reads one sheet into a constructed record and its tables, then derives it. The notes' record
// lines are the sheet's twelve lines.
void parseCharacterSheet(std::span<const uint8_t> file, const SheetLimits& limits, SchrRecord& record,
                         CharacterTables& tables, ReadNotes* notes = nullptr);

void recompute(SchrRecord& record, std::span<const ItemRecord> items, bool includeBase);

}  // namespace data
