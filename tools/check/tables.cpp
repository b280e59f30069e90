// The database (character sheets, tables, names, the font table) and the battle's enemy, group
// and formation files: loaded with the game's loaders, read again by the same readers with
// notes for the faults they find and mend, and what the records name (action scripts,
// figures, weapons, scripts) looked up in the tree.
#include <algorithm>
#include <filesystem>
#include <span>

#include "battle/battle.h"
#include "battle/battle_files.h"
#include "data/database.h"
#include "data/text_scanner.h"
#include "platform/system.h"
#include "tools/check/checker.h"

namespace check {

namespace fs = std::filesystem;

namespace {

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::optional<std::vector<uint8_t>> readTreeFile(std::string_view gamePath) {
  return plat::ReadFile(gamePath);
}

void reportNotes(Context& context, const std::string& file, const data::ReadNotes& notes) {
  for (const data::ReadNotes::Note& note : notes.notes)
    context.findings.add(note.mended ? Severity::Warning : Severity::Error, file, note.line, note.text);
  for (const data::ReadNotes::Text& text : notes.texts) checkDrawnText(context, file, text.line, text.text, false);
}

int recordLine(const data::ReadNotes& notes, size_t index) {
  return index < notes.recordLines.size() ? notes.recordLines[index] : 0;
}

// Runs a loader of the database and reports its message boxes at its file, then reads the file
// again with notes.
template <typename Read>
void table(Context& context, const char* gamePath, void (*loader)(), Read read) {
  loader();
  const std::string file = reportPath(gamePath);
  context.reportMessages(file, 0);
  const auto bytes = readTreeFile(gamePath);
  if (!bytes) return;
  data::ReadNotes notes;
  read(std::span<const uint8_t>(*bytes), notes);
  reportNotes(context, file, notes);
}

// The action script "wz\<name>.zd" that the battle loads for a record.
void needActionScript(Context& context, const std::string& file, int line, const std::string& name,
                      const std::string& what) {
  if (!findFile("wz\\" + name + ".zd"))
    context.findings.error(file, line, what + " needs the action script wz\\" + name + ".zd, which is not in the tree");
}

// The lines of a text file as the game skips through them ("%d" lines of at most 256 bytes).
int lineCount(const std::string& text) {
  data::TextScanner in(text);
  std::string line;
  int count = 0;
  while (in.readLine(kLineSkipLimit, line)) ++count;
  return count;
}

// The numbered files "<prefix><n>.zd" of a directory of the tree.
std::vector<int> numberedFiles(std::string_view gameDirectory, const std::string& prefix) {
  std::vector<int> numbers;
  const fs::path directory = plat::ResolvePath(gameDirectory);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= prefix.size() + 3) continue;
    const std::string lower = lowerCase(name);
    if (lower.compare(0, prefix.size(), prefix) != 0 || lower.compare(lower.size() - 3, 3, ".zd") != 0) continue;
    const std::string digits = lower.substr(prefix.size(), lower.size() - prefix.size() - 3);
    if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    numbers.push_back(std::stoi(digits));
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

void checkDatabase(Context& context) {
  countCharacterSheets();
  table(context, "RES\\Fonts.zd", loadFonts, [](std::span<const uint8_t>, data::ReadNotes&) {});
  table(context, "DB\\dataName.zd", loadDataNames,
        [](std::span<const uint8_t> bytes, data::ReadNotes& notes) { data::parseDataNames(bytes, gFontText, &notes); });
  table(context, "Db\\FCMD.zd", loadFirstCommands,
        [](std::span<const uint8_t> bytes, data::ReadNotes& notes) { data::parseFirstCommands(bytes, &notes); });

  const std::string wzFile = reportPath("Db\\WZ.zd");
  table(context, "Db\\WZ.zd", loadTechniques, [&](std::span<const uint8_t> bytes, data::ReadNotes& notes) {
    data::parseWaza(bytes, &notes);
    for (size_t i = 0; i < gTechniques.size(); ++i)
      needActionScript(context, wzFile, recordLine(notes, i), "wz" + std::to_string(i),
                       "technique " + std::to_string(i));
  });
  const std::string tkFile = reportPath("Db\\TK.zd");
  table(context, "Db\\TK.zd", loadTkList, [&](std::span<const uint8_t> bytes, data::ReadNotes& notes) {
    data::parseWaza(bytes, &notes);
    for (size_t i = 0; i < gTkList.size(); ++i)
      needActionScript(context, tkFile, recordLine(notes, i), "tk" + std::to_string(i),
                       "tk entry " + std::to_string(i));
  });
  const std::string itemFile = reportPath("Db\\ItmDt.zd");
  table(context, "Db\\ItmDt.zd", loadItems, [&](std::span<const uint8_t> bytes, data::ReadNotes& notes) {
    data::parseItems(bytes, &notes);
    for (size_t i = 0; i < gItems.size(); ++i)
      if (gItems[i].kindWord & kItemUsableInBattle)
        needActionScript(context, itemFile, recordLine(notes, i), "itm" + std::to_string(i),
                         "item " + std::to_string(i) + ", usable in battle,");
  });
  table(context, "Db\\MkmnDt.zd", loadScrolls, [](std::span<const uint8_t> bytes, data::ReadNotes& notes) {
    data::parseScrolls(bytes, static_cast<int>(gTechniques.size()), &notes);
  });

  loadCharacterSheets();
  context.reportMessages(reportPath("SCHR\\c0.zd"), 0);
  context.characterCount = static_cast<int>(gCharacters.size());
  const data::SheetLimits limits{static_cast<int>(gTechniques.size()), static_cast<int>(gTkList.size()),
                                 static_cast<int>(gScrolls.size()), gItems,
                                 gFirstCommands.empty() ? 256 : static_cast<int>(gFirstCommands.size())};
  for (int n = 0; n < context.characterCount; ++n) {
    const std::string gamePath = "SCHR\\c" + std::to_string(n) + ".zd";
    const auto bytes = readTreeFile(gamePath);
    if (!bytes) continue;
    const std::string file = reportPath(gamePath);
    data::ReadNotes notes;
    SchrRecord record;
    CharacterTables tables;
    data::parseCharacterSheet(*bytes, limits, record, tables, &notes);
    reportNotes(context, file, notes);
    // The magic command casts "mg<magic number>".
    for (const uint8_t command : tables.firstCommands)
      if (command == kMagicCommand) {
        needActionScript(context, file, recordLine(notes, 5), "mg" + std::to_string(record.magicNumber),
                         "the magic command of this character");
        break;
      }
  }
  for (const int n : numberedFiles("SCHR", "c"))
    if (n > context.characterCount)
      context.findings.warning(reportPath("SCHR\\c" + std::to_string(n) + ".zd"), 0,
                               "follows a gap in the numbering of the character sheets: the game never reads it");
}

void checkEnemy(Context& context, int number) {
  const std::string gamePath = "Enem\\e" + std::to_string(number) + ".zd";
  const std::string file = reportPath(gamePath);
  const auto bytes = readTreeFile(gamePath);
  if (!bytes) return;
  data::ReadNotes notes;
  const EnemyFile enemy = parseEnemyFile(data::textModeBytes(*bytes), &notes);
  reportNotes(context, file, notes);
  if (!findFile("mdl\\" + enemy.model + ".ZD"))
    context.findings.error(file, recordLine(notes, 3),
                           "the figure Mdl\\" + utf8(enemy.model) + ".ZD is not in the tree");
  for (const int32_t weapon : enemy.weapons)
    if (weapon != 0 && !findFile("Wea\\wea" + std::to_string(weapon) + ".ZDX"))
      context.findings.error(file, recordLine(notes, 4),
                             "the weapon model Wea\\wea" + std::to_string(weapon) + ".ZDX is not in the tree");
  for (size_t i = 0; i < enemy.actions.size(); ++i) {
    const int line = recordLine(notes, 12 + i);
    const int32_t code = enemyActionCode(enemy.actions[i]);
    const int kind = actionKindOf(code), index = actionIndexOf(code);
    if (kind == kActionCommand && index == kMagicCommand) {
      needActionScript(context, file, line, "mg" + std::to_string(enemy.record.magicNumber), "the magic of this enemy");
    } else if (kind == kActionTechnique) {
      if (index >= static_cast<int>(gTechniques.size()))
        context.findings.error(file, line, "technique " + std::to_string(index) + " is not in Db\\WZ.zd");
    } else if (kind == kActionTk) {
      if (index >= static_cast<int>(gTkList.size()))
        context.findings.error(file, line, "tk entry " + std::to_string(index) + " is not in Db\\TK.zd");
    } else if (kind == kActionItem) {
      context.findings.error(file, line, "an enemy carries no items: the game runs NonBtGz for this action");
    } else {
      context.findings.error(file, line,
                             "command " + std::to_string(index) +
                                 " is no action of an enemy: the game shows \"例外技術だ！\" and runs wz0");
    }
  }
}

void checkBattleFiles(Context& context) {
  const std::vector<int> enemies = numberedFiles("Enem", "e");
  for (const int number : enemies) checkEnemy(context, number);

  const auto form = readTreeFile("Enem\\Form.zd");
  if (form) {
    const std::string text = data::textModeBytes(*form);
    const std::string file = reportPath("Enem\\Form.zd");
    context.formationCount = lineCount(text);
    for (int f = 0; f < context.formationCount; ++f) {
      data::ReadNotes notes;
      float x[kEnemySlotCount] = {}, z[kEnemySlotCount] = {};
      readFormationLine(text, f, x, z, &notes);
      reportNotes(context, file, notes);
    }
  }

  const auto group = readTreeFile("Enem\\Group.zd");
  if (!group) return;
  const std::string text = data::textModeBytes(*group);
  const std::string file = reportPath("Enem\\Group.zd");
  const int count = lineCount(text);
  for (int g = 0; g < count; ++g) {
    data::ReadNotes notes;
    const GroupLine line = parseGroupLine(text, g, &notes);
    reportNotes(context, file, notes);
    const int at = recordLine(notes, 0);
    context.groups.push_back({at, line.battleScript, line.viewScript});
    for (const int32_t enemy : line.enemies)
      if (!findFile("Enem\\e" + std::to_string(enemy) + ".zd"))
        context.findings.error(file, at, "the enemy file Enem\\e" + std::to_string(enemy) + ".zd is not in the tree");
    if (line.formation < 0 || line.formation >= context.formationCount)
      context.findings.error(file, at, "formation " + std::to_string(line.formation) + " is not in Enem\\Form.zd");
    if (!findFile(std::string(kScriptDirBattle) + "\\be" + std::to_string(line.battleScript) + ".zd"))
      context.findings.error(
          file, at, "the battle script EV\\BTL\\be" + std::to_string(line.battleScript) + ".zd is not in the tree");
    if (!findFile(std::string(kScriptDirView) + "\\View" + std::to_string(line.viewScript) + ".zd"))
      context.findings.error(
          file, at, "the view script EV\\VIEW\\View" + std::to_string(line.viewScript) + ".zd is not in the tree");
  }
}

}  // namespace

void checkDrawnText(Context& context, std::string_view file, int line, std::string_view cp932, bool scriptText) {
  if (gFontText.text.empty()) return;  // without a font table (reported) every character would be missing
  cp932 = cp932.substr(0, cp932.find('\0'));
  for (size_t i = 0; i < cp932.size();) {
    const auto c = static_cast<unsigned char>(cp932[i]);
    if (isLeadByte(c) && i + 1 < cp932.size()) {
      const std::string character(cp932.substr(i, 2));
      // The cell the game's conversion picks must hold the character itself.
      if (glyphStringText(data::glyphStringOf(gFontText, character)) != character)
        context.findings.error(file, line,
                               "'" + utf8(character) + "' is not in the font table RES\\Fonts.zd: it is drawn blank");
      i += 2;
      continue;
    }
    if (!scriptText || c >= 0x80)
      context.findings.error(
          file, line,
          "'" + utf8(cp932.substr(i, 1)) + "' is a one-byte character: the game draws only two-byte characters");
    ++i;
  }
}

void checkTables(Context& context) {
  checkDatabase(context);
  checkBattleFiles(context);
}

}  // namespace check
