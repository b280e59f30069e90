// The database tables: content/db/*.txt (one record per line, in the game's own field layout,
// UTF-8) become Db\*.zd (a count line, then the records, code page 932, CR LF). Every table is
// read back with the game's own parser to make sure it reads what was meant.
#include <span>

#include "content/generator/content.h"
#include "data/database.h"

namespace content {

namespace {

struct Field {
  const char* name;
  int minimum;
  int maximum;
  int base = 10;
};

std::span<const uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Checks one record line: its texts (the first textFields words) and its numbers.
void checkRecord(Context& context, const SourceFile& source, const SourceLine& line, int textFields,
                 std::span<const Field> numbers) {
  const std::vector<std::string> fields = words(line.text);
  const size_t expected = static_cast<size_t>(textFields) + numbers.size();
  if (fields.size() != expected) {
    context.lint.report(source.where(line), "expected " + std::to_string(expected) + " fields, found " +
                                                std::to_string(fields.size()));
    return;
  }
  for (int i = 0; i < textFields; ++i) context.font.checkText(fields[i], source.where(line), context.lint);
  for (size_t i = 0; i < numbers.size(); ++i) {
    const Field& field = numbers[i];
    const auto value = parseNumber(fields[textFields + i], field.base);
    if (!value || *value < field.minimum || *value > field.maximum) {
      context.lint.report(source.where(line), std::string(field.name) + " '" + fields[textFields + i] +
                                                  "' is not a number from " + std::to_string(field.minimum) +
                                                  " to " + std::to_string(field.maximum));
    }
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
  static const Field kNumbers[] = {{"flags", 0, 127}};
  for (const SourceLine& line : source.lines) checkRecord(context, source, line, 2, kNumbers);
  const std::string file = tableFile(context, source);
  context.out.write("Db/FCMD.zd", file);
  std::vector<std::string> read;
  for (const FirstCommand& command : data::parseFirstCommands(bytesOf(file))) read.push_back(command.label);
  checkReadBack(context, source, read);
  context.firstCommandCount = static_cast<int>(source.lines.size());
}

int wazaTable(Context& context, const std::string& sourcePath, const std::string& gamePath) {
  const SourceFile source = readSource(context.contentRoot, sourcePath, context.lint);
  static const Field kNumbers[] = {{"MP cost", -1, 255}, {"meant for allies", 0, 1}, {"whole side", 0, 1}};
  for (const SourceLine& line : source.lines) checkRecord(context, source, line, 2, kNumbers);
  const std::string file = tableFile(context, source);
  context.out.write(gamePath, file);
  std::vector<std::string> read;
  for (const WazaRecord& waza : data::parseWaza(bytesOf(file))) read.push_back(waza.name);
  checkReadBack(context, source, read);
  return static_cast<int>(source.lines.size());
}

void items(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "db/ItmDt.txt", context.lint);
  static const Field kNumbers[] = {
      {"kind", 0, 7},         {"value 2", -32768, 32767}, {"power", 0, 255},       {"usable in the field", 0, 1},
      {"usable in battle", 0, 1}, {"flag 5a", 0, 1},      {"flag 5b", 0, 1},       {"whole side", 0, 1},
      {"effect code 1", 0, 255, 16}, {"effect number 1", 0, 255}, {"effect code 2", 0, 255, 16},
      {"effect number 2", 0, 255}};
  for (const SourceLine& line : source.lines) checkRecord(context, source, line, 2, kNumbers);
  const std::string file = tableFile(context, source);
  context.out.write("Db/ItmDt.zd", file);
  context.items = data::parseItems(bytesOf(file));
  std::vector<std::string> read;
  for (const ItemRecord& item : context.items) read.push_back(item.name);
  checkReadBack(context, source, read);
  context.itemCount = static_cast<int>(source.lines.size());
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
    context.font.checkText(fields[0], source.where(line), context.lint);
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
        *count > 255) {
      context.lint.report(source.where(line), "the list must be \"count:technique,…,\" with count numbers");
      continue;
    }
    for (const std::string& number : numbers) {
      const auto technique = parseNumber(number);
      if (!technique || *technique < 0 || *technique >= context.techniqueCount) {
        context.lint.report(source.where(line), "technique '" + number + "' is not in content/db/WZ.txt");
      }
    }
  }
  const std::string file = tableFile(context, source);
  context.out.write("Db/MkmnDt.zd", file);
  std::vector<std::string> read;
  for (const MkmnRecord& scroll : data::parseScrolls(bytesOf(file), context.techniqueCount)) read.push_back(scroll.name);
  checkReadBack(context, source, read);
  context.scrollCount = static_cast<int>(source.lines.size());
}

// The game reads a name line in one piece when it fits in one read, line end included.
constexpr size_t kNameLineBytes = 256;

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
    context.font.checkText(line.text, source.where(line), context.lint);
    const std::string cp932 = toCp932(line.text).value_or("");
    if (cp932.size() + 2 > kNameLineBytes) {
      context.lint.report(source.where(line), "a name is at most " + std::to_string(kNameLineBytes - 2) + " bytes");
    }
    lines.push_back(cp932);
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
