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

class SheetCheck {
 public:
  SheetCheck(Context& context, const SourceFile& source) : context_(context), source_(source) {}

  void text(const SourceLine& line, const char* what, size_t maxBytes) {
    const auto cp932 = toCp932(line.text);
    if (!cp932 || cp932->size() > maxBytes) {
      report(line, std::string(what) + " is longer than its " + std::to_string(maxBytes) + " bytes");
    }
    context_.font.checkText(line.text, source_.where(line), context_.lint);
  }

  void scriptName(const SourceLine& line) {
    const bool plain = std::all_of(line.text.begin(), line.text.end(),
                                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (line.text.empty() || line.text.size() > kScriptNameBytes - 1 || !plain) {
      report(line, "the actor script name must be 1 to 31 letters, digits or '_'");
    }
  }

  // A comma list of exactly count numbers, each accepted by inRange.
  template <typename Accept>
  std::vector<int> numbers(const SourceLine& line, size_t count, const char* what, Accept inRange) {
    const auto list = commaList(line.text);
    if (!list || list->size() != count) {
      report(line, "expected " + std::to_string(count) + " numbers, each followed by ','");
      return std::vector<int>(count, 0);
    }
    for (const int value : *list) {
      if (!inRange(value)) report(line, std::string(what) + " " + std::to_string(value) + " is out of range");
    }
    return *list;
  }

  template <typename Accept>
  void marked(const SourceLine& line, size_t maxCount, const char* what, Accept inRange) {
    const auto list = markedList(line.text);
    if (!list || list->size() > maxCount) {
      report(line, "expected \";\" or \",n,n;\" with at most " + std::to_string(maxCount) + " numbers");
      return;
    }
    for (const int value : *list) {
      if (!inRange(value)) report(line, std::string(what) + " " + std::to_string(value) + " is out of range");
    }
  }

  void report(const SourceLine& line, const std::string& what) { context_.lint.report(source_.where(line), what); }

 private:
  Context& context_;
  const SourceFile& source_;
};

void checkSheet(Context& context, const SourceFile& source) {
  if (source.lines.size() != kSheetLines) {
    context.lint.report("content/" + source.path, "a character sheet has " + std::to_string(kSheetLines) +
                                                      " lines, found " + std::to_string(source.lines.size()));
    return;
  }
  const auto& l = source.lines;
  SheetCheck check(context, source);
  check.scriptName(l[0]);
  check.text(l[1], "the name", kNameBytes - 1);
  check.text(l[2], "the second name", kSecondNameBytes - 1);
  const std::vector<int> points = check.numbers(l[3], 2, "HP or MP", [](int v) { return v >= 0 && v <= 9999; });
  if (points[1] > 999) check.report(l[3], "max MP is at most 999");
  check.numbers(l[4], 8, "attribute", [](int v) { return v >= 1 && v <= 255; });
  const std::vector<int> values = check.numbers(l[5], 5, "value", [](int v) { return v >= 0 && v <= 32767; });
  if (values[0] > 3 || values[1] > 127) check.report(l[5], "sex is 0 to 3 and age 0 to 127");
  check.numbers(l[6], kFirstCommandSlots, "first command",
                [&](int v) { return v >= 0 && v < context.firstCommandCount; });
  check.marked(l[7], static_cast<size_t>(context.techniqueCount), "technique",
               [&](int v) { return v >= 0 && v < context.techniqueCount; });
  check.marked(l[8], kTkSlots, "tk entry", [&](int v) { return v >= 0 && v < context.tkCount; });
  const std::vector<int> items =
      check.numbers(l[9], kItemSlots, "item", [&](int v) { return v >= -1 && v < context.itemCount; });
  const std::vector<int> equipped = check.numbers(l[10], kEquipSlots, "equipped slot", [&](int v) {
    return v == kNoEquip || (v >= 0 && v < kItemSlots && items[v] >= 0);
  });
  check.numbers(l[11], kScrollSlots, "scroll", [&](int v) { return v >= -1 && v < context.scrollCount; });
}

}  // namespace

void generateSheets(Context& context) {
  const fs::path directory = context.contentRoot / "schr";
  int count = 0;
  while (fs::exists(directory / ("c" + std::to_string(count) + ".txt"))) ++count;
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
    // Equipment bonuses are 8-bit sums: an attribute that passes 255 comes out small.
    for (int i = 0; i < kAttributeCount; ++i) {
      if (record.effectiveAttributes[i] < record.baseAttributes[i]) {
        context.lint.report("content/" + source.path, "attribute " + std::to_string(i) +
                                                          " with its equipment bonus passes 255");
      }
    }
    context.characterScripts.push_back(record.scriptName);
  }
}

}  // namespace content
