// The database tables: content/db/*.txt (one record per line, in the game's own field layout,
// UTF-8) become Db\*.zd (a count line, then the records, code page 932, CR LF). Every table is
// read back with the game's own parser to make sure it reads what was meant. The lint checks the
// source's shape (fields per record, the scrolls' lists); the values and texts are checked in the
// written tree by orvane-check.
#include <algorithm>
#include <span>

#include "content/generator/content.h"
#include "data/database.h"

namespace content {

namespace {

std::span<const uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Checks that a record line holds its fields.
void checkFieldCount(Context& context, const SourceFile& source, const SourceLine& line, size_t expected) {
  const size_t found = words(line.text).size();
  if (found != expected) {
    context.lint.report(source.where(line), "expected " + std::to_string(expected) + " fields, found " +
                                                std::to_string(found));
  }
}

// The source's records converted, with the count line in front.
std::string tableFile(Context& context, const SourceFile& source) {
  std::vector<std::string> lines{std::to_string(source.lines.size())};
  for (const SourceLine& line : source.lines) {
    const auto cp932 = toCp932(line.text);
    if (!cp932) {
      context.lint.report(source.where(line), "the line has characters without a code in code page 932");
      lines.push_back("");
    } else {
      lines.push_back(*cp932);
    }
  }
  return joinLines(lines);
}

// The first text of every record as the game reads it must be the source's.
void checkReadBack(Context& context, const SourceFile& source, const std::vector<std::string>& records) {
  if (records.size() != source.lines.size()) {
    context.lint.report("content/" + source.path, "the game reads " + std::to_string(records.size()) +
                                                      " records, the source has " + std::to_string(source.lines.size()));
    return;
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const std::vector<std::string> fields = words(source.lines[i].text);
    if (!fields.empty() && toCp932(fields[0]) != records[i]) {
      context.lint.report(source.where(source.lines[i]), "the game reads this record differently");
    }
  }
}

void firstCommands(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "db/FCMD.txt", context.lint);
  for (const SourceLine& line : source.lines) checkFieldCount(context, source, line, 3);
  const std::string file = tableFile(context, source);
  context.out.write("Db/FCMD.zd", file);
  std::vector<std::string> read;
  for (const FirstCommand& command : data::parseFirstCommands(bytesOf(file))) read.push_back(command.label);
  checkReadBack(context, source, read);
}

int wazaTable(Context& context, const std::string& sourcePath, const std::string& gamePath) {
  const SourceFile source = readSource(context.contentRoot, sourcePath, context.lint);
  for (const SourceLine& line : source.lines) checkFieldCount(context, source, line, 5);
  const std::string file = tableFile(context, source);
  context.out.write(gamePath, file);
  std::vector<std::string> read;
  for (const WazaRecord& waza : data::parseWaza(bytesOf(file))) read.push_back(waza.name);
  checkReadBack(context, source, read);
  return static_cast<int>(source.lines.size());
}

void items(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "db/ItmDt.txt", context.lint);
  for (const SourceLine& line : source.lines) checkFieldCount(context, source, line, 14);
  const std::string file = tableFile(context, source);
  context.out.write("Db/ItmDt.zd", file);
  context.items = data::parseItems(bytesOf(file));
  std::vector<std::string> read;
  for (const ItemRecord& item : context.items) read.push_back(item.name);
  checkReadBack(context, source, read);
}

// A scroll line: "name count:technique,technique,…,".
void scrolls(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "db/MkmnDt.txt", context.lint);
  for (const SourceLine& line : source.lines) {
    const std::vector<std::string> fields = words(line.text);
    if (fields.size() != 2) {
      context.lint.report(source.where(line), "expected a name and a list \"count:technique,…,\"");
      continue;
    }
    const std::string& list = fields[1];
    const size_t colon = list.find(':');
    const auto count = parseNumber(list.substr(0, colon));
    std::vector<std::string> numbers;
    if (colon != std::string::npos && !list.empty() && list.back() == ',') {
      std::string rest = list.substr(colon + 1);
      for (size_t start = 0, comma; (comma = rest.find(',', start)) != std::string::npos; start = comma + 1) {
        numbers.push_back(rest.substr(start, comma - start));
      }
    }
    if (!count || colon == std::string::npos || list.back() != ',' || *count != static_cast<int>(numbers.size()) ||
        !std::all_of(numbers.begin(), numbers.end(), [](const std::string& n) { return parseNumber(n).has_value(); })) {
      context.lint.report(source.where(line), "the list must be \"count:technique,…,\" with count numbers");
    }
  }
  const std::string file = tableFile(context, source);
  context.out.write("Db/MkmnDt.zd", file);
  std::vector<std::string> read;
  for (const MkmnRecord& scroll : data::parseScrolls(bytesOf(file), context.techniqueCount)) read.push_back(scroll.name);
  checkReadBack(context, source, read);
  context.scrollCount = static_cast<int>(source.lines.size());
}

// Eight lines, each one label; written as the game's name file (read in binary mode, so each
// line ends with CR LF, which the reader drops).
void dataNames(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "db/dataName.txt", context.lint);
  if (source.lines.size() != kDataNameCount) {
    context.lint.report("content/db/dataName.txt", "expected " + std::to_string(kDataNameCount) + " names, found " +
                                                       std::to_string(source.lines.size()));
  }
  std::vector<std::string> lines;
  for (const SourceLine& line : source.lines) {
    const auto cp932 = toCp932(line.text);
    if (!cp932) context.lint.report(source.where(line), "the line has characters without a code in code page 932");
    lines.push_back(cp932.value_or(""));
  }
  context.out.write("Db/dataName.zd", joinLines(lines));
}

}  // namespace

void generateTables(Context& context) {
  dataNames(context);
  firstCommands(context);
  context.techniqueCount = wazaTable(context, "db/WZ.txt", "Db/WZ.zd");
  context.tkCount = wazaTable(context, "db/TK.txt", "Db/TK.zd");
  items(context);
  scrolls(context);
}

}  // namespace content
