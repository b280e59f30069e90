// The character sheets: content/schr/c%d.txt (the game's twelve-line layout, UTF-8) become
// SCHR\c%d.zd. The game counts sheets up to the first missing number, so the sources must be
// numbered without gaps.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <span>

#include "content/generator/content.h"
#include "data/database.h"

namespace content {

namespace {

constexpr int kSheetLines = 12;

// "a,b,c," -> the numbers; nothing when the line is not a list of numbers each ended by ','.
std::optional<std::vector<int>> commaList(const std::string& text) {
  if (text.empty() || text.back() != ',') return std::nullopt;
  std::vector<int> numbers;
  for (size_t start = 0, comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    const auto value = parseNumber(text.substr(start, comma - start));
    if (!value) return std::nullopt;
    numbers.push_back(*value);
  }
  return numbers;
}

// ",a,b;" or ";" -> the numbers.
std::optional<std::vector<int>> markedList(const std::string& text) {
  if (text.empty() || text.back() != ';') return std::nullopt;
  std::vector<int> numbers;
  const std::string body = text.substr(0, text.size() - 1);
  if (body.empty()) return numbers;
  if (body[0] != ',') return std::nullopt;
  return commaList(body.substr(1) + ",");
}

// The shape of a sheet: twelve lines, a plain script name, lists of numbers with their counts.
// The values are checked in the written tree by orvane-check.
void checkSheet(Context& context, const SourceFile& source) {
  if (source.lines.size() != kSheetLines) {
    context.lint.report("content/" + source.path, "a character sheet has " + std::to_string(kSheetLines) +
                                                      " lines, found " + std::to_string(source.lines.size()));
    return;
  }
  const auto& l = source.lines;
  auto report = [&](const SourceLine& line, const std::string& what) { context.lint.report(source.where(line), what); };
  const bool plain = std::all_of(l[0].text.begin(), l[0].text.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
  if (l[0].text.empty() || l[0].text.size() > kScriptNameBytes - 1 || !plain)
    report(l[0], "the actor script name must be 1 to 31 letters, digits or '_'");
  for (const int line : {1, 2})
    if (!toCp932(l[line].text)) report(l[line], "the line has characters without a code in code page 932");
  const std::pair<int, size_t> lists[] = {{3, 2}, {4, kAttributeCount}, {5, 5}, {6, kFirstCommandSlots},
                                          {9, kItemSlots}, {10, kEquipSlots}, {11, kScrollSlots}};
  for (const auto& [line, count] : lists) {
    const auto list = commaList(l[line].text);
    if (!list || list->size() != count)
      report(l[line], "expected " + std::to_string(count) + " numbers, each followed by ','");
  }
  for (const int line : {7, 8})
    if (!markedList(l[line].text)) report(l[line], "expected \";\" or \",n,n;\"");
}

}  // namespace

void generateSheets(Context& context) {
  const fs::path directory = context.contentRoot / "schr";
  int count = 0;
  while (fs::exists(directory / ("c" + std::to_string(count) + ".txt"))) ++count;
  // A source after a gap is never written, so the tree cannot show it.
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    int number = -1;
    if (std::sscanf(name.c_str(), "c%d.txt", &number) == 1 && number >= count) {
      context.lint.report("content/schr/" + name, "follows a gap in the numbering; the game never reads it");
    }
  }
  for (int n = 0; n < count; ++n) {
    const SourceFile source = readSource(context.contentRoot, "schr/c" + std::to_string(n) + ".txt", context.lint);
    checkSheet(context, source);
    std::vector<std::string> lines;
    for (const SourceLine& line : source.lines) lines.push_back(toCp932(line.text).value_or(""));
    const std::string file = joinLines(lines);
    context.out.write("SCHR/c" + std::to_string(n) + ".zd", file);

    SchrRecord record;
    CharacterTables tables;
    data::parseCharacterSheet({reinterpret_cast<const uint8_t*>(file.data()), file.size()},
                              {context.techniqueCount, context.tkCount, context.scrollCount, context.items}, record,
                              tables);
    if (!lines.empty() && lines[0] != record.scriptName) {
      context.lint.report("content/" + source.path, "the game reads this sheet differently");
    }
    context.characterScripts.push_back(record.scriptName);
  }
}

}  // namespace content
