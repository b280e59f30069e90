// The demo game's generated data tree: deterministic, readable by the game's own loaders, and
// guarded by the content build's two checks: the generator's lint of the sources and orvane-check
// of the written tree. Also writes PNG previews of the font textures and the 2D
// sheet into the build directory (previews/) for a look by eye.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "data/database.h"
#include "data/label_sheet.h"
#include "data/scramble.h"
#include "platform/png.h"
#include "platform/system.h"
#include "app/game_state.h"
#include "tools/check/check.h"
#include "previews.h"
#include "temp_data_root.h"

namespace {

namespace fs = std::filesystem;

const fs::path kContent = fs::path(ORVANE_SOURCE_DIR) / "content";
const fs::path kGenerator = fs::path(ORVANE_BIN_DIR) / ".." / "tools" / "orvane-content";

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the generator; returns its exit code and what it printed on standard error.
int generate(const fs::path& content, const fs::path& out, std::string& errors) {
  fs::create_directories(out);
  const fs::path log = out.parent_path() / (out.filename().string() + ".log");
  const std::string command = "\"" + kGenerator.string() + "\" \"" + content.string() + "\" \"" + out.string() +
                              "\" 2> \"" + log.string() + "\"";
  const int status = std::system(command.c_str());
  const std::vector<uint8_t> text = readAll(log);
  errors.assign(text.begin(), text.end());
  fs::remove(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::vector<uint8_t>> treeOf(const fs::path& root) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = readAll(entry.path());
  }
  return files;
}

// orvane-check over a written tree, as the content build runs it: its lines.
std::string checkOf(const fs::path& tree) { return check::textReport(check::checkTree(tree.string())); }

// A copy of the content sources in the scratch directory.
fs::path contentCopy(const TempDataRoot& scratch) {
  const fs::path copy = scratch / "content";
  fs::copy(kContent, copy, fs::copy_options::recursive);
  return copy;
}

// Replaces the first occurrence of from in a file of the copy.
void replaceIn(const fs::path& path, const std::string& from, const std::string& to) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  std::ofstream(path, std::ios::binary) << text;
}

// A copy of the content sources in the scratch directory with one table line appended.
fs::path contentWith(const TempDataRoot& scratch, const std::string& table, const std::string& line) {
  const fs::path copy = scratch / "content";
  fs::copy(kContent, copy, fs::copy_options::recursive);
  std::ofstream(copy / table, std::ios::app) << line << "\n";
  return copy;
}

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

// A scrambled A8R8G8B8 DDS file as RGBA pixels.
Picture decodeScrambledDds(const fs::path& path) {
  std::vector<uint8_t> bytes = readAll(path);
  data::scrambleBytes(bytes.data(), bytes.size());
  Picture picture;
  if (bytes.size() < 128 || std::string(bytes.begin(), bytes.begin() + 4) != "DDS ") return picture;
  auto u32 = [&](size_t at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24; };
  picture.height = static_cast<int>(u32(12));
  picture.width = static_cast<int>(u32(16));
  if (u32(88) != 32 || bytes.size() != 128 + static_cast<size_t>(picture.width) * picture.height * 4) return {};
  for (size_t i = 128; i < bytes.size(); i += 4) {
    picture.rgba.insert(picture.rgba.end(), {bytes[i + 2], bytes[i + 1], bytes[i], bytes[i + 3]});
  }
  return picture;
}

int opaquePixels(const Picture& picture, int x0, int y0, int width, int height) {
  int count = 0;
  for (int y = y0; y < y0 + height; ++y) {
    for (int x = x0; x < x0 + width; ++x) count += picture.rgba[(static_cast<size_t>(y) * picture.width + x) * 4 + 3] > 127;
  }
  return count;
}

}  // namespace

TEST(Content, GeneratingTwiceGivesTheSameBytes) {
  const TempDataRoot firstDir, secondDir;
  const fs::path first = firstDir.path(), second = secondDir.path();
  std::string errors;
  ASSERT_EQ(generate(kContent, first, errors), 0) << errors;
  ASSERT_EQ(generate(kContent, second, errors), 0) << errors;
  const auto a = treeOf(first), b = treeOf(second);
  EXPECT_GT(a.size(), 30u);
  EXPECT_TRUE(a == b);
  for (const char* path : {"SCHR/c0.zd", "Db/FCMD.zd", "Db/dataName.zd", "RES/Fonts.zd", "RES/fnt0.au", "RES/fnt1.au",
                           "tex/cur.au", "tex/dmg.au", "tex/MBoxEdge.au", "se/cur0.zse", "se/cmd0.zse", "se/enc.zse",
                           "se/punch0.zse", "se/fix0.zse", "Zms/init.zms", "Zms/btl0.zms", "Zms/win.zms",
                           "Zms/fld0.zms", "Mat/SKY/sb0.zd", "Mat/SKY/sb0_4.zgr", "SCHR/NAGI.zgr"}) {
    EXPECT_TRUE(a.contains(path)) << path;
  }
  // Scrambled files: a WAV and a BMP whose headers are inverted.
  std::vector<uint8_t> sound = a.at("se/cur0.zse");
  data::scrambleBytes(sound.data(), sound.size());
  EXPECT_EQ(std::string(sound.begin(), sound.begin() + 4), "RIFF");
  std::vector<uint8_t> portrait = a.at("SCHR/NAGI.zgr");
  data::scrambleBytes(portrait.data(), portrait.size());
  EXPECT_EQ(std::string(portrait.begin(), portrait.begin() + 2), "BM");
  EXPECT_EQ(portrait[18], 64);  // 64 x 64
  EXPECT_EQ(std::string(a.at("Zms/win.zms").begin(), a.at("Zms/win.zms").begin() + 4), "MThd");
}

TEST(Content, LintRejectsBrokenContent) {
  // What only the sources show stops the generator.
  {
    const TempDataRoot scratch;
    const fs::path content = contentWith(scratch, "db/WZ.txt", "斬撃 一太刀 0 0");
    std::string errors;
    EXPECT_EQ(generate(content, scratch / "out", errors), 1);
    EXPECT_NE(errors.find("expected 5 fields, found 4"), std::string::npos) << errors;
  }
  // What the written tree says is orvane-check's, with the tree's file and line.
  struct Case {
    const char* name;
    const char* file;
    const char* from;
    std::string to;
    const char* expected;
  };
  std::string longName;
  for (int i = 0; i < 128; ++i) longName += "レ";  // 256 bytes: with its line end, more than one read
  const Case cases[] = {
      {"font", "db/ItmDt.txt", "火薬玉", "鬱金", "Db/ItmDt.zd:5: error: '鬱' is not in the font table"},
      {"range", "db/MkmnDt.txt", "2:2,3,", "2:2,40,", "Db/MkmnDt.zd:2: warning: technique 40 is not in Db\\WZ.zd"},
      {"ascii", "db/dataName.txt", "回避", "HP", "Db/dataName.zd:8: error: 'H' is a one-byte character"},
      {"longName", "db/dataName.txt", "回避", longName, "Db/dataName.zd:8: warning: a name is longer than its 254 bytes"},
      {"longer than its field", "schr/c1.txt", "\nナギ\n", "\nナギナギナギナギナギナ\n",
       "SCHR/c1.zd:2: warning: the name is longer than its 20 bytes and is cut"},
  };
  for (const Case& c : cases) {
    const TempDataRoot scratch;
    const fs::path content = contentCopy(scratch);
    replaceIn(content / c.file, c.from, c.to);
    std::string errors;
    ASSERT_EQ(generate(content, scratch / "out", errors), 0) << c.name << ": " << errors;
    const std::string found = checkOf(scratch / "out");
    EXPECT_NE(found.find(c.expected), std::string::npos) << c.name << ": " << found;
  }
}

TEST(Content, LintRejectsAnAttributeThatItsEquipmentBonusWrapsPast255) {
  const TempDataRoot scratch;
  const fs::path content = contentCopy(scratch);
  replaceIn(content / "schr/c1.txt", "\n3,14,", "\n3,255,");  // level 3, attack 14; NAGI holds a weapon
  std::string errors;
  ASSERT_EQ(generate(content, scratch / "out", errors), 0) << errors;
  const std::string found = checkOf(scratch / "out");
  EXPECT_NE(found.find("SCHR/c1.zd:5: error: attribute 1 with its equipment bonus passes 255 and wraps"),
            std::string::npos)
      << found;
}

TEST(Content, TheGameLoadsTheGeneratedDatabase) {
  std::vector<std::string> messages;
  plat::SetMessageBoxHandler([&](const std::string& text, const std::string&) { messages.push_back(text); });
  {
    const ScopedDataRoot root(demoDataDir());
    loadDatabase();
  }
  plat::SetMessageBoxHandler(nullptr);
  EXPECT_TRUE(messages.empty()) << messages.front();
  ASSERT_GE(gCharacters.size(), 5u);
  EXPECT_GE(gTechniques.size(), 6u);
  EXPECT_GE(gItems.size(), 8u);
  EXPECT_GE(gScrolls.size(), 2u);
  EXPECT_EQ(gFirstCommands.size(), 8u);
  EXPECT_STREQ(gCharacters[1].scriptName, "NAGI");  // sheet 0 is no party member
  EXPECT_EQ(toGlyphString(sjis("０９")), (GlyphString{0, 9, kGlyphEnd}));
  // Every name of the database has a cell of its own.
  auto drawable = [](const std::string& text) {
    for (const int16_t code : toGlyphString(text)) {
      if (code == gFontText.blankGlyph) return false;
    }
    return true;
  };
  for (const SchrRecord& c : gCharacters) EXPECT_TRUE(drawable(c.name) && drawable(c.secondName)) << c.scriptName;
  for (const ItemRecord& item : gItems) EXPECT_TRUE(drawable(item.name) && drawable(item.help));
  for (const WazaRecord& waza : gTechniques) EXPECT_TRUE(drawable(waza.name) && drawable(waza.help));
  for (const GlyphString& name : gDataNames.names) EXPECT_GT(name.size(), 1u);
  resetGameState();
}

TEST(Content, FontTexturesAndTheLabelSheetHaveTheirCells) {
  const fs::path bin(ORVANE_BIN_DIR);
  const Picture page0 = decodeScrambledDds(bin / "RES/fnt0.au");
  const Picture page1 = decodeScrambledDds(bin / "RES/fnt1.au");
  const Picture sheet = decodeScrambledDds(bin / "tex/dmg.au");
  ASSERT_EQ(page0.width, 512);
  ASSERT_EQ(page0.height, 512);
  ASSERT_EQ(page1.width, 512);
  ASSERT_EQ(sheet.width, kLabelSheetWidth);
  ASSERT_EQ(sheet.height, kLabelSheetHeight);
  EXPECT_TRUE(plat::WritePng(previewPath("fnt0.png"), page0.width, page0.height, page0.rgba));
  EXPECT_TRUE(plat::WritePng(previewPath("fnt1.png"), page1.width, page1.height, page1.rgba));
  EXPECT_TRUE(plat::WritePng(previewPath("dmg.png"), sheet.width, sheet.height, sheet.rgba));
  // Digits 0 … 9 fill the first ten cells of row 0; the full-width space (cell 10) is blank.
  for (int d = 0; d < 10; ++d) EXPECT_GT(opaquePixels(page0, 16 * d, 0, 16, 16), 10) << d;
  EXPECT_EQ(opaquePixels(page0, 160, 0, 16, 16), 0);
  EXPECT_EQ(opaquePixels(page1, 0, 0, 512, 512), 0);  // the demo's table fits the first texture
  for (int d = 0; d < 10; ++d) EXPECT_GT(opaquePixels(sheet, 12 * d, 0, 12, 16), 10) << d;
  for (const SheetRect& r : {kSheetEvadedWord, kSheetCriticalWord, kSheetHpLabel, kSheetMpLabel, kSheetSeparator,
                            kSheetTensionLabel, kSheetCaptionName, kSheetCaptionHp, kSheetCaptionMp, kSheetCaptionTension}) {
    EXPECT_GT(opaquePixels(sheet, r.x, r.y, r.width, r.height), 20);
  }
}

TEST(Content, TheEnemyLintFindsWhatABattleCouldNotUse) {
  const TempDataRoot scratch;
  const fs::path copy = contentCopy(scratch);
  replaceIn(copy / "enem/e0.txt", "OOKAMI", "NOBODY");
  replaceIn(copy / "enem/e0.txt", "2{", "3{");
  // The tenth group, on line 10 of the written file.
  std::ofstream(copy / "enem/Group.txt", std::ios::app) << "7:0,0,0,0,0,0,0,;9_2_7_0\n";
  std::string errors;
  ASSERT_EQ(generate(copy, scratch / "out", errors), 0) << errors;
  const std::string found = checkOf(scratch / "out");
  for (const char* problem : {"Enem/e0.zd:4: error: the figure Mdl\\NOBODY.ZD is not in the tree",
                              "Enem/e0.zd:15: error: the table holds fewer actions than its count",
                              "Enem/Group.zd:10: warning: enemies past the sixth have no slot",
                              "Enem/Group.zd:10: error: formation 9 is not in Enem\\Form.zd",
                              "Enem/Group.zd:10: error: the escape flag 2 is not in 0 … 1",
                              "Enem/Group.zd:10: error: the battle script EV\\BTL\\be7.zd is not in the tree"})
    EXPECT_NE(found.find(problem), std::string::npos) << problem << "\n" << found;
}
