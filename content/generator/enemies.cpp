// The enemy files: content/enem/e<n>.txt becomes "Enem\e<n>.zd", content/enem/Group.txt
// "Enem\Group.zd" and content/enem/Form.txt "Enem\Form.zd", in the game's own formats (see
// battle/battle_files.h) without their comment lines, in code page 932 with CR LF line ends.
//
// The lint reads every file as the game does and checks it: an enemy's name fits its field and
// the font, its figure and weapons exist, its action table holds as many entries as it says with
// a positive weight sum, and every action names a technique, a tk entry or magic (enemies carry
// no items); every group names one to six existing enemies, an existing formation, the escape
// flag 0 or 1 and existing battle and view scripts; every formation line holds six pairs; every
// scene a battle script names for b6 exists.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <sstream>

#include "battle/battle.h"
#include "battle/battle_files.h"
#include "content/generator/battle_content.h"
#include "data/text_scanner.h"

namespace content {

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Every file of the data tree, by its lower-case path with '/' separators.
std::set<std::string> treeFiles(const DataTree& out) {
  std::set<std::string> files;
  if (!fs::exists(out.root())) return files;
  for (const auto& entry : fs::recursive_directory_iterator(out.root()))
    if (entry.is_regular_file()) files.insert(lower(fs::relative(entry.path(), out.root()).generic_string()));
  return files;
}

struct Tree {
  std::set<std::string> files;
  bool has(const std::string& path) const { return files.contains(lower(path)); }
};

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

// The number of lines between the "{" line and the "}" line.
int listedEntries(const SourceFile& source) {
  int count = 0;
  bool inside = false;
  for (const SourceLine& line : source.lines) {
    if (line.text.find('{') != std::string::npos) {
      inside = true;
      continue;
    }
    if (line.text.find('}') != std::string::npos) break;
    if (inside) ++count;
  }
  return count;
}

void checkEnemy(Context& context, const Tree& tree, const SourceFile& source, const std::string& text) {
  Lint& lint = context.lint;
  const std::string where = "content/" + source.path;
  const EnemyFile enemy = parseEnemyFile(data::textModeBytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())));
  if (!source.lines.empty()) context.font.checkText(source.lines[0].text, where, lint);
  const auto name = toCp932(source.lines.empty() ? "" : source.lines[0].text);
  if (!name || name->size() >= sizeof(SchrRecord{}.name)) lint.report(where, "the name does not fit its 20 bytes");
  if (!tree.has("mdl/" + enemy.model + ".zd")) lint.report(where, "no figure \"Mdl\\" + enemy.model + ".ZD\"");
  for (const int weapon : enemy.weapons)
    if (weapon != 0 && !tree.has("wea/wea" + std::to_string(weapon) + ".zdx"))
      lint.report(where, "no weapon model \"Wea\\wea" + std::to_string(weapon) + ".ZDX\"");
  if (!enemy.alpha || *enemy.alpha <= 0.0f || *enemy.alpha > 1.0f) lint.report(where, "the alpha is not in 0 … 1");
  if (enemy.missingEntries != 0 || static_cast<int>(enemy.actions.size()) != listedEntries(source))
    lint.report(where, "the action table does not hold as many entries as it says");
  int weights = 0;
  for (const uint32_t entry : enemy.actions) {
    weights += enemyActionWeight(entry);
    const int32_t code = enemyActionCode(entry);
    const int kind = actionKindOf(code), index = actionIndexOf(code);
    const bool known = (kind == kActionCommand && index == kMagicCommand) ||
                       (kind == kActionTechnique && index < context.techniqueCount) ||
                       (kind == kActionTk && index < context.tkCount);
    if (!known) lint.report(where, "the action " + std::to_string(kind) + "_" + std::to_string(index) + " names no technique, tk entry or magic");
  }
  if (weights <= 0) lint.report(where, "the action weights sum to 0");
}

// The lines of a group or formation source as the game's file, one per line.
struct Lines {
  SourceFile source;
  std::string text;
};

void checkFormations(Context& context, const Lines& form) {
  for (size_t f = 0; f < form.source.lines.size(); ++f) {
    float x[kEnemySlotCount], z[kEnemySlotCount];
    std::fill(std::begin(x), std::end(x), NAN);
    std::fill(std::begin(z), std::end(z), NAN);
    readFormationLine(form.text, static_cast<int64_t>(f), x, z);
    for (int i = 0; i < kEnemySlotCount; ++i)
      if (std::isnan(x[i]) || std::isnan(z[i]))
        context.lint.report(form.source.where(form.source.lines[f]), "a formation holds six \"x,z;\" pairs");
  }
}

void checkGroups(Context& context, const Tree& tree, const Lines& group, const std::set<int>& enemies, size_t formations) {
  for (size_t g = 0; g < group.source.lines.size(); ++g) {
    const std::string where = group.source.where(group.source.lines[g]);
    const GroupLine line = parseGroupLine(group.text, static_cast<int64_t>(g));
    int named = 0;
    std::sscanf(group.source.lines[g].text.c_str(), "%d:", &named);
    if (named < 1 || named > kMaxGroupEnemies || static_cast<int>(line.enemies.size()) != named)
      context.lint.report(where, "a group names one to six enemies");
    for (const int e : line.enemies)
      if (!enemies.contains(e)) context.lint.report(where, "no enemy file e" + std::to_string(e));
    if (line.formation < 0 || static_cast<size_t>(line.formation) >= formations)
      context.lint.report(where, "no formation " + std::to_string(line.formation));
    if (line.escapeFlag != 0 && line.escapeFlag != 1) context.lint.report(where, "the escape flag is 0 or 1");
    if (!tree.has("ev/btl/be" + std::to_string(line.battleScript) + ".zd"))
      context.lint.report(where, "no battle script be" + std::to_string(line.battleScript));
    if (!tree.has("ev/view/view" + std::to_string(line.viewScript) + ".zd"))
      context.lint.report(where, "no view script View" + std::to_string(line.viewScript));
  }
}

// The scenes that battle scripts name for b6.
void checkBattleScripts(Context& context, const Tree& tree) {
  const fs::path root = context.out.root();
  if (!fs::exists(root)) return;
  static const std::regex sceneAfter("c1.([^/]*)//=[ \t\n]*(c[0-9][^\n]*?[ \t\n]+)*b6;");
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = lower(fs::relative(entry.path(), root).generic_string());
    if (!entry.is_regular_file() || relative.rfind("ev/btl/", 0) != 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string script = text.str();
    for (auto it = std::sregex_iterator(script.begin(), script.end(), sceneAfter); it != std::sregex_iterator(); ++it)
      if (!tree.has("ev/" + std::string((*it)[1]) + ".zd"))
        context.lint.report(relative, "b6 names the scene \"" + std::string((*it)[1]) + "\", which is not in the data tree");
  }
}

}  // namespace

void generateEnemies(Context& context) {
  const fs::path directory = context.contentRoot / "enem";
  if (!fs::exists(directory)) return;
  const Tree tree{treeFiles(context.out)};
  std::set<int> enemies;
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string file = entry.path().filename().string();
    int number = -1;
    char rest[8] = {};
    if (std::sscanf(file.c_str(), "e%d.%7s", &number, rest) != 2 || std::string(rest) != "txt" || number < 0) continue;
    const SourceFile source = readSource(context.contentRoot, "enem/" + file, context.lint);
    const auto text = gameFile(source, context.lint);
    if (!text) continue;
    checkEnemy(context, tree, source, *text);
    context.out.write("Enem/e" + std::to_string(number) + ".zd", *text);
    enemies.insert(number);
  }
  Lines form{readSource(context.contentRoot, "enem/Form.txt", context.lint), {}};
  Lines group{readSource(context.contentRoot, "enem/Group.txt", context.lint), {}};
  for (Lines* lines : {&form, &group}) {
    const auto text = gameFile(lines->source, context.lint);
    if (text) lines->text = *text;
  }
  checkFormations(context, form);
  checkGroups(context, tree, group, enemies, form.source.lines.size());
  checkBattleScripts(context, tree);
  context.out.write("Enem/Form.zd", form.text);
  context.out.write("Enem/Group.zd", group.text);
}

}  // namespace content
