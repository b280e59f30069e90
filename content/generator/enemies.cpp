// The enemy files: content/enem/e<n>.txt becomes "Enem\e<n>.zd", content/enem/Group.txt
// "Enem\Group.zd" and content/enem/Form.txt "Enem\Form.zd", in the game's own formats (see
// battle/battle_files.h) without their comment lines, in code page 932 with CR LF line ends.
// What they say (figures, weapons, actions, groups, formations, scripts) is checked in the
// written tree by orvane-check.
#include <cstdio>

#include "content/generator/battle_content.h"

namespace content {

namespace {

// The source's lines joined as the game's file, in code page 932.
std::optional<std::string> gameFile(const SourceFile& source, Lint& lint) {
  std::vector<std::string> lines;
  for (const SourceLine& line : source.lines) {
    const auto cp932 = toCp932(line.text);
    if (!cp932) {
      lint.report(source.where(line), "a character without a code in code page 932");
      return std::nullopt;
    }
    lines.push_back(*cp932);
  }
  return joinLines(lines);
}

}  // namespace

void generateEnemies(Context& context) {
  const fs::path directory = context.contentRoot / "enem";
  if (!fs::exists(directory)) return;
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string file = entry.path().filename().string();
    int number = -1;
    char rest[8] = {};
    if (std::sscanf(file.c_str(), "e%d.%7s", &number, rest) != 2 || std::string(rest) != "txt" || number < 0) continue;
    const SourceFile source = readSource(context.contentRoot, "enem/" + file, context.lint);
    if (const auto text = gameFile(source, context.lint)) context.out.write("Enem/e" + std::to_string(number) + ".zd", *text);
  }
  for (const char* name : {"Form", "Group"}) {
    const SourceFile source = readSource(context.contentRoot, std::string("enem/") + name + ".txt", context.lint);
    context.out.write(std::string("Enem/") + name + ".zd", gameFile(source, context.lint).value_or(""));
  }
}

}  // namespace content
