#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <fstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "data/database.h"
#include "data/text_scanner.h"
#include "platform/system.h"
#include "tests/game_state.h"
#include "tests/temp_data_root.h"

namespace {

namespace fs = std::filesystem;

std::span<const uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A data root in a temporary directory, with the message boxes collected instead of shown.
class DatabaseFiles : public GameStateTest {
 protected:
  void SetUp() override {
    for (const char* dir : {"SCHR", "Db", "RES"}) root_.makeDirectories(dir);
    root_.useAsDataRoot();
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages_.push_back(text); });
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  void write(const std::string& relative, const std::string& bytes) { root_.write(relative, bytes); }

  TempDataRoot root_;
  std::vector<std::string> messages_;
};

// A sheet in the file layout, lines ended with CR LF.
std::string sheet(const std::string& techniques = ",0;", const std::string& tk = ";",
                  const std::string& items = "0,1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,",
                  const std::string& equipped = "0,1,255,255,", const std::string& scrolls = "0,-1,-1,-1,") {
  return "NAGI\r\n" + sjis("ナギ") + "\r\n" + sjis("旅の剣士") + "\r\n120,30,\r\n" +
         "3,12,9,8,6,5,10,7, comment\r\n1,17,0,2,1, comment\r\n3,2,5,4,7,\r\n" + techniques + "\r\n" + tk + "\r\n" +
         items + "\r\n" + equipped + "\r\n" + scrolls + "\r\n";
}

data::SheetLimits limitsFor(const std::vector<ItemRecord>& items, int techniques = 10, int tk = 50, int scrolls = 2) {
  return {techniques, tk, scrolls, items};
}

}  // namespace

TEST(TextScanner, FailedConversionKeepsTheValueAndEndsTheCall) {
  data::TextScanner in("12,x7,\n");
  int a = -5, b = -5;
  EXPECT_EQ(in.scan("%d,%d,", {a, b}), 1);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, -5);
  EXPECT_EQ(in.getChar(), 'x');  // the character that did not match is still there
  EXPECT_EQ(in.scan("%d,", {b}), 1);
  EXPECT_EQ(b, 7);
}

TEST(TextScanner, WordsHexFloatsAndTheEnd) {
  data::TextScanner in("  SWORD\r\n text A 0x1f -2.5e1 ");
  std::string word;
  int code = 0, prefixed = 0;
  float f = 0;
  EXPECT_EQ(in.scan("%s\n", {word}), 1);
  EXPECT_EQ(word, "SWORD");  // the CR is white space, not part of the word
  EXPECT_EQ(in.scan("%s %x %x %f", {word, code, prefixed, f}), 4);
  EXPECT_EQ(code, 0xA);
  EXPECT_EQ(prefixed, 0x1F);
  EXPECT_FLOAT_EQ(f, -25.0f);
  EXPECT_EQ(in.scan("%d", {code}), data::kScanEnd);
  EXPECT_EQ(code, 0xA);
}

TEST(TextScanner, RestOfLineIsBoundedAndTextModeDropsCarriageReturns) {
  const std::string text = std::string(70, 'a') + "\nnext";
  data::TextScanner in(text);
  in.skipLine(64);
  EXPECT_EQ(in.position(), 64u);  // a longer line leaves its tail for the next read
  in.skipLine(64);
  std::string word;
  in.scan("%s", {word});
  EXPECT_EQ(word, "next");
  const std::string raw = "a\r\nb\rc\r\n";
  EXPECT_EQ(data::textModeBytes(bytesOf(raw)), "a\nb\rc\n");
}

TEST(TextScanner, FloatsBeyondTheRangeOfFloatReadAsStrtofReadsThem) {
  const struct {
    const char* text;
    float value;
  } cases[] = {
      {"1e-50", 0.0f},  // below the smallest float: zero, not infinity
      {"0.00000000000000000000000000000000000000000000000000001", 0.0f},
      {"-1e-60", -0.0f},
      {"1e-40", 1e-40f},  // a subnormal float stays
      {"1e39", std::numeric_limits<float>::infinity()},
      {"-4e38", -std::numeric_limits<float>::infinity()},
      {"1e400", std::numeric_limits<float>::infinity()},
      {"0.0001e-999999999999", 0.0f},
      {"100000e-5", 1.0f},
      {"3.4028235e38", std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    data::TextScanner in(c.text);
    float f = 123.0f;
    ASSERT_EQ(in.scan("%f", {f}), 1);
    EXPECT_EQ(f, c.value);
    EXPECT_EQ(std::signbit(f), std::signbit(c.value));
    EXPECT_TRUE(in.atEnd());
  }
}

TEST(TextScanner, PercentSignsMatchThemselves) {
  // The format is a view into a longer text: nothing past its end may be read.
  const std::string backing = "%d%X";
  const std::string_view format(backing.data(), 3);  // "%d%"
  data::TextScanner in("7%%rest");
  int value = 0;
  EXPECT_EQ(in.scan(format, {value}), 1);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(in.position(), 2u);
  EXPECT_EQ(in.scan("%%", {}), 0);
  EXPECT_EQ(in.position(), 3u);
}

TEST(TextScanner, TextModeEndsAtCtrlZ) {
  const std::string raw = "2\r\nA\r\n\x1a" "B\r\n";
  EXPECT_EQ(data::textModeBytes(bytesOf(raw)), "2\nA\n");
  const auto commands = data::parseFirstCommands(bytesOf("2\r\nGUARD defend 0\r\n\x1aITEM use 3\r\n"));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].label, "GUARD");  // nothing after the end: the values of the record before stay
}

TEST(DatabaseParse, TechniqueAndTkListsMarkWhatTheyName) {
  const std::vector<ItemRecord> items(4);
  SchrRecord record;
  CharacterTables tables;
  data::parseCharacterSheet(bytesOf(sheet(",3,7;")), limitsFor(items), record, tables);
  ASSERT_EQ(tables.techniqueLevels.size(), 10u);
  for (int t = 0; t < 10; ++t) EXPECT_EQ(tables.techniqueLevels[t], (t == 3 || t == 7) ? 100 : 0) << t;

  data::parseCharacterSheet(bytesOf(sheet(";")), limitsFor(items), record, tables);
  for (int t = 0; t < 10; ++t) EXPECT_EQ(tables.techniqueLevels[t], 0) << t;

  std::string forty;
  for (int i = 0; i < 40; ++i) forty += "," + std::to_string(i);
  data::parseCharacterSheet(bytesOf(sheet(";", forty + ";")), limitsFor(items), record, tables);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(tables.tk[i], i);
  EXPECT_EQ(record.items[0], 0);  // the next lines are read in step again
}

TEST(DatabaseParse, SheetFieldsAndTheDeriveStep) {
  std::vector<ItemRecord> items(4);
  items[0].kindWord = 1 * 32 | 12 << 8;  // weapon, power 12
  items[1].kindWord = 2 * 32 | 5 << 8;   // armour, power 5
  SchrRecord record;
  CharacterTables tables;
  data::parseCharacterSheet(bytesOf(sheet()), limitsFor(items), record, tables);
  EXPECT_STREQ(record.scriptName, "NAGI");
  EXPECT_EQ(std::string(record.name), sjis("ナギ"));
  EXPECT_EQ(record.maxHp, 120);
  EXPECT_EQ(record.hp, 120);
  EXPECT_EQ(record.effectiveHp, 120);
  EXPECT_EQ(record.effectiveMaxMp, 30);
  EXPECT_EQ(record.sex(), 1);
  EXPECT_EQ(record.age(), 17);
  EXPECT_EQ(record.backRow, 0);
  EXPECT_EQ(record.magicNumber, 2);
  EXPECT_EQ(record.turnDirection, 1);
  EXPECT_EQ(tables.firstCommands[2], 5);
  EXPECT_EQ(record.effectiveAttributes[ATTR_LEVEL], 3);
  EXPECT_EQ(record.effectiveAttributes[ATTR_ATTACK], 12 + 12);
  EXPECT_EQ(record.effectiveAttributes[ATTR_VITALITY], 8 + 5);
  EXPECT_EQ(record.effectiveAttributes[ATTR_SPEED], 9);
  EXPECT_EQ(record.effectiveSetA[0], 10);
  EXPECT_EQ(record.effectiveSetB[7], 50);
  EXPECT_EQ(record.scrolls[0], 0);
  EXPECT_EQ(tables.expToNext, 128 * 9);
  EXPECT_EQ(tables.expTotal, 128 * 9);
  EXPECT_EQ(record.tension, 0);
}

TEST(DatabaseParse, NumbersOutOfRangeAreIgnored) {
  std::vector<ItemRecord> items(2);
  items[1].kindWord = 1 * 32 | 40 << 8;
  SchrRecord record;
  CharacterTables tables;
  data::parseCharacterSheet(bytesOf(sheet(",-1,10,65536,2;", ",50,-3,4;", "1,2,99,-7,0,0,0,0,0,0,0,0,",
                                          "12,-1,200,0,", "2,5,1,-1,")),
                            limitsFor(items), record, tables);
  for (int t = 0; t < 10; ++t) EXPECT_EQ(tables.techniqueLevels[t], t == 2 ? 100 : 0);
  EXPECT_EQ(tables.tk[0], kNoTk);  // an entry out of range stays empty in its place
  EXPECT_EQ(tables.tk[1], kNoTk);
  EXPECT_EQ(tables.tk[2], 4);
  EXPECT_EQ(tables.tk[3], kNoTk);
  EXPECT_EQ(record.items[0], 1);
  EXPECT_EQ(record.items[1], kNoItem);
  EXPECT_EQ(record.items[2], kNoItem);
  EXPECT_EQ(record.items[3], kNoItem);
  EXPECT_EQ(record.equipped[0], kNoEquip);
  EXPECT_EQ(record.equipped[1], kNoEquip);
  EXPECT_EQ(record.equipped[2], kNoEquip);
  EXPECT_EQ(record.equipped[3], 0);
  EXPECT_EQ(record.effectiveAttributes[ATTR_ATTACK], 12 + 40);
  EXPECT_EQ(record.scrolls[0], kNoScroll);
  EXPECT_EQ(record.scrolls[1], kNoScroll);
  EXPECT_EQ(record.scrolls[2], 1);
}

TEST(DatabaseParse, LongTextsAreCutAtACharacterBoundary) {
  const std::string longScript(40, 'S');
  const std::string longName = sjis("あいうえおかきくけこさしすせそ");  // 30 bytes
  const std::string text = longScript + "\r\n" + longName + "\r\n" + longName + "\r\n1,1,\r\n";
  SchrRecord record;
  CharacterTables tables;
  data::parseCharacterSheet(bytesOf(text), limitsFor({}), record, tables);
  EXPECT_EQ(std::string(record.scriptName), std::string(31, 'S'));
  EXPECT_EQ(std::string(record.name), longName.substr(0, 20));
  EXPECT_EQ(std::string(record.secondName), longName.substr(0, 22));
  const std::string odd = "x" + longName + "\r\n";  // a two-byte character would straddle the end
  data::parseCharacterSheet(bytesOf("A\r\n" + odd), limitsFor({}), record, tables);
  EXPECT_EQ(std::string(record.name), odd.substr(0, 19));
}

TEST(DatabaseParse, DamagedSheetsEndWithoutHarm) {
  const std::vector<ItemRecord> items(1);
  SchrRecord record;
  CharacterTables tables;
  // A technique list that never ends, a file that stops mid-line, an empty file.
  data::parseCharacterSheet(bytesOf(sheet(",1,2,3,4,5,6,7,8,9,1,2,3,4")), limitsFor(items), record, tables);
  data::parseCharacterSheet(bytesOf(std::string("A\r\nB\r\nC\r\n5,6,\r\n1,2,3")), limitsFor(items), record, tables);
  EXPECT_EQ(record.baseAttributes[2], 3);
  EXPECT_EQ(record.maxHp, 5);
  data::parseCharacterSheet({}, limitsFor(items), record, tables);
  EXPECT_EQ(tables.tk[0], kNoTk);
}

TEST(DatabaseParse, ItemWordsArePacked) {
  const std::string file = "2\r\nSWORD text 1 0 12 1 0 0 0 1 A 5 0 0\r\nROBE cloth 2 7 300 0 1 1 1 0 ff 1 1f 2 tail\r\n";
  const auto items = data::parseItems(bytesOf(file));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name, "SWORD");
  EXPECT_EQ(items[0].help, "text");
  EXPECT_EQ(items[0].kindWord, 0x0C31);
  EXPECT_EQ(items[0].effect1, 0x050A);
  EXPECT_EQ(items[0].effect2, 0);
  EXPECT_EQ(items[0].kind(), kItemWeapon);
  EXPECT_EQ(items[0].power(), 12);
  EXPECT_EQ(items[1].kindWord, (300 & 0xFF) << 8 | 2 * 32 | 0x2 | 0x4 | 0x8);
  EXPECT_EQ(items[1].value2, 7);
  EXPECT_EQ(items[1].effect1, 0x01FF);
  EXPECT_EQ(items[1].effect2, 0x021F);
}

TEST(DatabaseParse, TechniqueWordsAndFailedConversions) {
  const std::string file = "3\nFIRE hot -1 1 2\nICE cold 4 0 0 trailing words\nBAD x y\n";
  const auto waza = data::parseWaza(bytesOf(file));
  ASSERT_EQ(waza.size(), 3u);
  EXPECT_EQ(waza[0].packed, 0x0B00u);
  EXPECT_EQ(waza[1].packed, 4u);
  // "y" is not a number: the values of the record before stay.
  EXPECT_EQ(waza[2].name, "BAD");
  EXPECT_EQ(waza[2].help, "x");
  EXPECT_EQ(waza[2].packed, 4u);
}

TEST(DatabaseParse, CountsAndScrolls) {
  EXPECT_TRUE(data::parseFirstCommands(bytesOf("-4\nA b 1\n")).empty());
  const auto commands = data::parseFirstCommands(bytesOf("2\r\nGUARD defend 0\r\nITEM use 3 extra\r\n"));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].label, "ITEM");
  EXPECT_EQ(commands[1].help, "use");
  EXPECT_EQ(commands[1].number, 3);
  const auto scrolls = data::parseScrolls(bytesOf("2\nFIRE 3:1,9,2,\nICE 1:4,\n"), 5);
  ASSERT_EQ(scrolls.size(), 2u);
  EXPECT_EQ(scrolls[0].count, 2);
  EXPECT_EQ(scrolls[0].techniques, (std::vector<uint16_t>{1, 2}));
  EXPECT_EQ(scrolls[1].techniques, (std::vector<uint16_t>{4}));
  EXPECT_EQ(data::parseScrolls(bytesOf("1000000000\n"), 5).size(), 32767u);
  // A list shorter than its count lists what it holds, not its last number again and again.
  const auto cut = data::parseScrolls(bytesOf("2\nWIND 3:1,\nSTONE 2:x,3,\n"), 5);
  EXPECT_EQ(cut[0].techniques, (std::vector<uint16_t>{1}));
  EXPECT_EQ(cut[1].techniques, (std::vector<uint16_t>{}));
}

TEST(DatabaseParse, FontTableGivesGlyphCodes) {
  const std::string ten = sjis("０１２３４\r\n５６７８９\r\n");
  const FontText font = data::parseFontText(bytesOf(ten));
  EXPECT_EQ(font.text, sjis("０１２３４５６７８９"));
  const GlyphString digits = data::glyphStringOf(font, sjis("０５９"));
  EXPECT_EQ(digits, (GlyphString{0, 5, 9, kGlyphEnd}));

  std::string many;
  for (int i = 0; i < 40; ++i) many += sjis(i == 32 ? "あ" : "い");
  EXPECT_EQ(data::glyphStringOf(data::parseFontText(bytesOf(many)), sjis("あ")), (GlyphString{0x0100, kGlyphEnd}));
}

TEST(DatabaseParse, CharactersWithoutACellBecomeBlank) {
  const FontText noSpace = data::parseFontText(bytesOf(sjis("あい")));
  EXPECT_EQ(noSpace.blankGlyph, 0x3F1F);
  EXPECT_EQ(data::glyphStringOf(noSpace, sjis("いう") + "a"), (GlyphString{1, 0x3F1F, 0x3F1F, kGlyphEnd}));
  const FontText withSpace = data::parseFontText(bytesOf(sjis("あい\n　")));
  EXPECT_EQ(data::glyphStringOf(withSpace, sjis("え")), (GlyphString{2, kGlyphEnd}));
  // A character found beyond the 2048 cells of the two textures has no cell either.
  std::string big;
  for (int i = 0; i < 2100; ++i) big += sjis(i == 2050 ? "う" : "あ");
  EXPECT_EQ(data::glyphStringOf(data::parseFontText(bytesOf(big)), sjis("う")), (GlyphString{0x3F1F, kGlyphEnd}));
}

TEST(DatabaseParse, FontTableReadsAtMostItsLimit) {
  std::string big(70000, 'x');
  big[2] = '\n';
  const FontText font = data::parseFontText(bytesOf(big));
  EXPECT_EQ(font.text.size(), kFontFileLimit - 1);
}

TEST(DatabaseParse, DataNamesDropTheLineEnd) {
  const std::string font = sjis("攻撃力");
  const FontText table = data::parseFontText(bytesOf(font));
  const std::string names = sjis("攻撃\r\n力\r\n");
  const DataNameTable parsed = data::parseDataNames(bytesOf(names), table);
  EXPECT_EQ(parsed.names[0], (GlyphString{0, 1, kGlyphEnd}));
  EXPECT_EQ(parsed.names[1], (GlyphString{2, kGlyphEnd}));
  EXPECT_EQ(parsed.names[7], (GlyphString{2, kGlyphEnd}));  // past the end the last line stays in the buffer
}

TEST(DatabaseParse, DataNameLinesAreReadUpTo256BytesAtATime) {
  const std::string font = sjis("あい");
  const FontText table = data::parseFontText(bytesOf(font));
  std::string longLine;
  for (int i = 0; i < 128; ++i) longLine += sjis("あ");  // 256 bytes
  const std::string names = longLine + "\n" + sjis("い") + "\n";
  const DataNameTable parsed = data::parseDataNames(bytesOf(names), table);
  GlyphString first(128, 0);
  first.push_back(kGlyphEnd);
  EXPECT_EQ(parsed.names[0], first);
  EXPECT_EQ(parsed.names[1], (GlyphString{kGlyphEnd}));  // the line feed the first read left
  EXPECT_EQ(parsed.names[2], (GlyphString{1, kGlyphEnd}));
}

TEST_F(DatabaseFiles, CountsSheetsUpToTheFirstGap) {
  write("SCHR/c0.zd", sheet());
  write("SCHR/c1.zd", sheet());
  write("SCHR/c3.zd", "BROKEN");
  EXPECT_EQ(countCharacterSheets(), 2);
  loadCharacterSheets();
  ASSERT_EQ(gCharacters.size(), 2u);
  ASSERT_EQ(gCharacterTables.size(), 2u);
  EXPECT_STREQ(gCharacters[1].scriptName, "NAGI");
}

TEST_F(DatabaseFiles, MissingTablesAreReportedAndTheSheetsStillLoad) {
  write("SCHR/c0.zd", sheet(",1;", ",2;"));
  loadDatabase();
  const std::vector<std::string> expected = {"Fonts datas are nothing!", "DataNameReading error!",
                                             "First command datas are nothing!", "Waza datas are nothing!",
                                             "Tk datas are nothing!", "Items datas are nothing!",
                                             "mkmn datas are nothing!"};
  EXPECT_EQ(messages_, expected);
  ASSERT_EQ(gCharacters.size(), 1u);
  EXPECT_TRUE(gCharacterTables[0].techniqueLevels.empty());
  EXPECT_EQ(gCharacterTables[0].tk[0], kNoTk);
  EXPECT_EQ(gCharacters[0].items[0], kNoItem);
  EXPECT_EQ(gCharacterTables[0].firstCommands[0], 3);
  EXPECT_EQ(findItem(0), nullptr);
}

TEST_F(DatabaseFiles, LoadsEveryTableAndFreesThem) {
  write("RES/Fonts.zd", sjis("０１２３４５６７８９\r\n攻撃力\r\n"));
  write("Db/dataName.zd", sjis("攻撃\r\n力\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
  write("Db/FCMD.zd", "1\r\nGUARD defend 0\r\n");
  write("Db/WZ.zd", "2\r\nA a 1 0 0\r\nB b 2 0 0\r\n");
  write("Db/TK.zd", "1\r\nT t 0 0 0\r\n");
  write("Db/ItmDt.zd", "1\r\nSWORD text 1 0 12 1 0 0 0 1 A 5 0 0\r\n");
  write("Db/MkmnDt.zd", "1\r\nS 1:1,\r\n");
  write("SCHR/c0.zd", sheet(",1;", ",0;"));
  loadDatabase();
  // No font textures were written: their loads report the missing files, and nothing else does.
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_NE(messages_[0].find("オープンエラーなのさ"), std::string::npos);
  EXPECT_NE(messages_[0].find("fnt0.au"), std::string::npos);
  EXPECT_NE(messages_[1].find("fnt1.au"), std::string::npos);
  EXPECT_EQ(gDataNames.names[1], (GlyphString{12, kGlyphEnd}));
  EXPECT_EQ(toGlyphString(sjis("力")), (GlyphString{12, kGlyphEnd}));
  ASSERT_NE(findTechnique(1), nullptr);
  EXPECT_EQ(findTechnique(2), nullptr);
  EXPECT_EQ(gCharacterTables[0].techniqueLevels, (std::vector<uint8_t>{0, 100}));
  EXPECT_EQ(gCharacterTables[0].tk[0], 0);
  EXPECT_EQ(gCharacters[0].items[0], 0);
  EXPECT_EQ(gCharacters[0].effectiveAttributes[ATTR_ATTACK], 24);
  freeDatabase();
  EXPECT_TRUE(gCharacters.empty());
  EXPECT_TRUE(gItems.empty());
  EXPECT_TRUE(gFontText.text.empty());
  EXPECT_EQ(findFirstCommand(0), nullptr);
}

TEST_F(DatabaseFiles, AnUnreadableSheetStopsTheSheets) {
  write("SCHR/c0.zd", sheet());
  write("SCHR/c1.zd", sheet());
  countCharacterSheets();
  fs::remove(root_ / "SCHR" / "c0.zd");
  gTechniques.resize(3);
  loadCharacterSheets();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("SCHR file Reading error!\n \"", 0), 0u);
  EXPECT_NE(messages_[0].find("c0.zd\" "), std::string::npos);
  // The sheets not read still have a level for every technique.
  ASSERT_EQ(gCharacterTables.size(), 2u);
  for (const CharacterTables& tables : gCharacterTables) EXPECT_EQ(tables.techniqueLevels, std::vector<uint8_t>(3, 0));
}
