// The scripts: content/scripts/<game directory>/<name>.txt becomes "<game directory>\<name>.zd"
// in code page 932 ("ev" scene scripts, "ev/OSCR" actor scripts, "oTsk" object tasks, "wz"
// action scripts, "EV/BTL" and "EV/VIEW" battle scripts). A line "%include <name>" stands for
// the text of content/scripts/include/<name>.txt, so that scenes can share their events.
//
// The lint checks every character of the text against the font table, that every label a c3,
// c4 or c7 jumps to is defined in the script, and that every file a command names right after
// "c1 <name>//=" exists in the data tree (scripts, maps, skies, characters, music, sounds, object
// tasks; in "oTsk" also the textures, models and sounds of o4 and o11).
#include <algorithm>
#include <cctype>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "content/generator/content.h"

namespace content {

namespace {

const char* const kIncludeDirective = "%include ";

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The script text with its includes expanded (one level deep) and CR LF read as LF.
std::string expand(const fs::path& scriptsRoot, const std::string& text, const std::string& where, Lint& lint) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(kIncludeDirective, 0) == 0) {
      const fs::path included = scriptsRoot / "include" / (line.substr(std::string(kIncludeDirective).size()) + ".txt");
      if (!fs::exists(included)) {
        lint.report(where, "the include " + included.filename().string() + " is missing");
        continue;
      }
      out += readWhole(included);
      if (!out.empty() && out.back() != '\n') out += '\n';
      continue;
    }
    out += line + "\n";
  }
  return out;
}

void checkCharacters(const FontTable& font, const std::string& text, const std::string& where, Lint& lint) {
  std::string wide;
  for (const char32_t c : codePoints(text))
    if (c >= 0x80) wide += utf8Of(c);
  font.checkText(wide, where, lint);
}

void checkLabels(const std::string& text, const std::string& where, Lint& lint) {
  std::set<std::string> defined;
  static const std::regex definition("@:([^/]*)//");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), definition); it != std::sregex_iterator(); ++it)
    defined.insert((*it)[1]);
  static const std::regex jump("c[347].([^/]*)//");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), jump); it != std::sregex_iterator(); ++it) {
    const std::string label = (*it)[1];
    if (!defined.contains(label)) lint.report(where, "the label \"" + label + "\" is jumped to but never defined");
  }
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Every file of the data tree, by its lower-case path with '/' separators.
std::set<std::string> treeFiles(const fs::path& root) {
  std::set<std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert(lower(fs::relative(entry.path(), root).generic_string()));
  return files;
}

// The file that command n loads with the name in the string register, or "" for none.
std::string namedFile(int command, const std::string& name) {
  switch (command) {
    case 8:
    case 14: return "mdl/" + name + ".zd";
    case 10: return "se/" + name + ".zse";
    case 12:
    case 32: return "ev/" + name + ".zd";
    case 16: return lower(name) == "null" ? "" : "ev/oscr/" + name + ".zd";
    case 31: return "mat/" + name + ".mp";
    case 41: return "zms/" + name + ".zms";
    case 45: return "mat/sky/" + name + ".zd";
    case 46: return "otsk/" + name + ".zd";
    default: return "";
  }
}

void checkReferences(const std::string& text, const std::set<std::string>& files, const std::string& where,
                     Lint& lint) {
  static const std::regex load("c1.([^/]*)//=[ \t\n]*(c[0-9][^\n]*?[ \t\n]+)*f([0-9]+);");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), load); it != std::sregex_iterator(); ++it) {
    const std::string file = namedFile(std::stoi((*it)[3]), (*it)[1]);
    if (!file.empty() && !files.contains(lower(file))) lint.report(where, "\"" + file + "\" is not in the data tree");
  }
}

// The files an object task loads with o4 (a texture "OTSK\<S>.AU" or a model "OTSK\<S>.ZDX") and
// o11 (a sound "se\<S>.zse").
void checkTaskReferences(const std::string& text, const std::set<std::string>& files, const std::string& where,
                         Lint& lint) {
  static const std::regex load("c1.([^/]*)//=[ \t\n]*(c[0-9][^\n]*?[ \t\n]+)*o(4|11);");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), load); it != std::sregex_iterator(); ++it) {
    const std::string name = lower((*it)[1]);
    const bool found = (*it)[3] == "11" ? files.contains("se/" + name + ".zse")
                                        : files.contains("otsk/" + name + ".au") || files.contains("otsk/" + name + ".zdx");
    if (!found) lint.report(where, "the effect file \"" + std::string((*it)[1]) + "\" is not in the data tree");
  }
}

// A scene script that loads a map (f31) must hold a "場N" label for every event of that map.
void checkPlaces(const std::string& text, const std::map<std::string, std::set<int>>& mapEvents,
                 const std::string& where, Lint& lint) {
  static const std::regex load("c1.([^/]*)//=[ \t\n]*(c[0-9][^\n]*?[ \t\n]+)*f31;");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), load); it != std::sregex_iterator(); ++it) {
    const auto events = mapEvents.find((*it)[1]);
    if (events == mapEvents.end()) continue;
    for (const int n : events->second) {
      const std::string label = "場" + std::to_string(n);
      if (text.find("@:" + label + "//") == std::string::npos)
        lint.report(where, "the map " + std::string((*it)[1]) + " has event " + std::to_string(n) +
                               " but the script has no label \"" + label + "\"");
    }
  }
}

}  // namespace

void generateScripts(Context& context) {
  const fs::path root = context.contentRoot / "scripts";
  if (!fs::exists(root)) return;
  std::vector<fs::path> sources;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".txt") continue;
    if (fs::relative(entry.path(), root).begin()->string() == "include") continue;
    sources.push_back(entry.path());
  }
  std::sort(sources.begin(), sources.end());
  const std::set<std::string> files = treeFiles(context.out.root());
  std::set<std::string> written;
  for (const fs::path& source : sources) {
    const std::string relative = fs::relative(source, root).generic_string();
    const std::string where = "content/scripts/" + relative;
    const std::string text = expand(root, readWhole(source), where, context.lint);
    checkCharacters(context.font, text, where, context.lint);
    checkLabels(text, where, context.lint);
    const std::string target = fs::path(relative).replace_extension(".zd").generic_string();
    written.insert(lower(target));
    const auto cp932 = toCp932(text);
    if (!cp932) {
      context.lint.report(where, "the text has characters without a code in code page 932");
      continue;
    }
    context.out.write(target, *cp932);
  }
  std::set<std::string> all = files;
  all.insert(written.begin(), written.end());
  for (const fs::path& source : sources) {
    const std::string relative = fs::relative(source, root).generic_string();
    const std::string text = expand(root, readWhole(source), "", context.lint);
    checkReferences(text, all, "content/scripts/" + relative, context.lint);
    checkPlaces(text, context.mapEvents, "content/scripts/" + relative, context.lint);
    if (lower(relative).rfind("otsk/", 0) == 0) checkTaskReferences(text, all, "content/scripts/" + relative, context.lint);
  }
}

}  // namespace content
