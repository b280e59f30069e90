// The database loaders: rooted paths, the messages of missing files, the global tables.
#include "data/database.h"

#include <cstdio>
#include <optional>

#include "core/data_root.h"
#include "core/message_box.h"
#include "data/scrambled.h"
#include "platform/system.h"

std::vector<SchrRecord> gCharacters;
std::vector<CharacterTables> gCharacterTables;
std::vector<FirstCommand> gFirstCommands;
std::vector<WazaRecord> gTechniques;
std::vector<TkRecord> gTkList;
std::vector<ItemRecord> gItems;
std::vector<MkmnRecord> gScrolls;
DataNameTable gDataNames;
FontText gFontText;
TexRecord gFontTextures[kFontPages];

namespace {

constexpr int kMaxCharacterSheets = 65535;
// A database file is small text; anything past this many bytes is not read.

int gCharacterSheetCount = 0;

// A rooted data path: the format's first "%s" is the data root.
std::string rootedPath(const char* format, int number = 0) {
  char path[1024];
  std::snprintf(path, sizeof path, format, dataRoot(), number);
  return path;
}

// The whole file, or nothing when it cannot be opened.
// A font texture: a scrambled DDS file, loaded as A1R5G5B5 without filtering.
void loadFontTexture(const std::string& path, TexRecord& texture) {
  data::loadScrambledTextureWithFormat(path, texture.texture, plat::D3DFMT_A1R5G5B5, plat::D3DX_FILTER_NONE);
}

template <typename T>
const T* findRecord(const std::vector<T>& table, int number) {
  return number >= 0 && number < static_cast<int>(table.size()) ? &table[number] : nullptr;
}

}  // namespace

const FirstCommand* findFirstCommand(int number) { return findRecord(gFirstCommands, number); }
const WazaRecord* findTechnique(int number) { return findRecord(gTechniques, number); }
const TkRecord* findTk(int number) { return findRecord(gTkList, number); }
const ItemRecord* findItem(int number) { return findRecord(gItems, number); }
const MkmnRecord* findScroll(int number) { return findRecord(gScrolls, number); }

int countCharacterSheets() {
  int count = 0;
  while (count < kMaxCharacterSheets) {
    FILE* file = plat::OpenFile(rootedPath("%sSCHR\\c%d.zd", count), "r");
    if (!file) break;
    std::fclose(file);
    ++count;
  }
  gCharacterSheetCount = count;
  return count;
}

void loadFonts() {
  const auto file = plat::ReadFile(rootedPath("%sRES\\Fonts.zd"));
  if (!file) {
    showStandardMessage("Fonts datas are nothing!");
    return;
  }
  gFontText = data::parseFontText(*file);
  for (int page = 0; page < kFontPages; ++page) {
    loadFontTexture(rootedPath("%sRES\\fnt%d.au", page), gFontTextures[page]);
  }
}

void loadDataNames() {
  const auto file = plat::ReadFile(rootedPath("%sDB\\dataName.zd"));
  if (!file) {
    showStandardMessage("DataNameReading error!");
    return;
  }
  gDataNames = data::parseDataNames(*file, gFontText);
}

void loadFirstCommands() {
  const auto file = plat::ReadFile(rootedPath("%sDb\\FCMD.zd"));
  if (!file) {
    showStandardMessage("First command datas are nothing!");
    return;
  }
  gFirstCommands = data::parseFirstCommands(*file);
}

void loadTechniques() {
  const auto file = plat::ReadFile(rootedPath("%sDb\\WZ.zd"));
  if (!file) {
    showStandardMessage("Waza datas are nothing!");
    return;
  }
  gTechniques = data::parseWaza(*file);
}

void loadTkList() {
  const auto file = plat::ReadFile(rootedPath("%sDb\\TK.zd"));
  if (!file) {
    showStandardMessage("Tk datas are nothing!");
    return;
  }
  gTkList = data::parseWaza(*file);
}

void loadItems() {
  const auto file = plat::ReadFile(rootedPath("%sDb\\ItmDt.zd"));
  if (!file) {
    showStandardMessage("Items datas are nothing!");
    return;
  }
  gItems = data::parseItems(*file);
}

void loadScrolls() {
  const auto file = plat::ReadFile(rootedPath("%sDb\\MkmnDt.zd"));
  if (!file) {
    showStandardMessage("mkmn datas are nothing!");
    return;
  }
  gScrolls = data::parseScrolls(*file, static_cast<int>(gTechniques.size()));
}

void loadCharacterSheets() {
  gCharacters.assign(static_cast<size_t>(gCharacterSheetCount), SchrRecord{});
  gCharacterTables.assign(static_cast<size_t>(gCharacterSheetCount), CharacterTables{});
  const data::SheetLimits limits{static_cast<int>(gTechniques.size()), static_cast<int>(gTkList.size()),
                                 static_cast<int>(gScrolls.size()), gItems};
  // Every character has a level for every technique, also those whose sheet is never read.
  for (CharacterTables& tables : gCharacterTables) tables.techniqueLevels.assign(gTechniques.size(), 0);
  for (int n = 0; n < gCharacterSheetCount; ++n) {
    const std::string path = rootedPath("%sSCHR\\c%d.zd", n);
    const auto file = plat::ReadFile(path);
    if (!file) {
      showStandardMessage("SCHR file Reading error!\n \"" + path + "\" ");
      return;
    }
    data::parseCharacterSheet(*file, limits, gCharacters[n], gCharacterTables[n]);
  }
}

void loadDatabase() {
  countCharacterSheets();
  loadFonts();
  loadDataNames();
  loadFirstCommands();
  loadTechniques();
  loadTkList();
  loadItems();
  loadScrolls();
  loadCharacterSheets();
}

void freeDatabase() {
  gFirstCommands = {};
  gTechniques = {};
  gTkList = {};
  gItems = {};
  gScrolls = {};
  gFontText = {};
  for (TexRecord& texture : gFontTextures) texture.release();
  gDataNames = {};
  gCharacters = {};
  gCharacterTables = {};
  gCharacterSheetCount = 0;
}

GlyphString toGlyphString(std::string_view sjisText) {
  return data::glyphStringOf(gFontText, sjisText);
}

void recompute(SchrRecord& record, bool includeBase) {
  data::recompute(record, gItems, includeBase);
}


std::string glyphStringText(const GlyphString& glyphs) {
  std::string text;
  for (const int16_t code : glyphs) {
    if (code == kGlyphEnd) break;
    const int row = static_cast<uint16_t>(code) >> 8;
    const int column = static_cast<uint16_t>(code) & 0xFF;
    const size_t at = static_cast<size_t>(row * kGlyphColumns + column) * 2;
    if (column < kGlyphColumns && at + 1 < gFontText.text.size()) {
      text.append(gFontText.text, at, 2);
    } else {
      text.append("\x81\x40");
    }
  }
  return text;
}
