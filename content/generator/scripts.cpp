// The scripts: content/scripts/<game directory>/<name>.txt becomes "<game directory>\<name>.zd"
// in code page 932 ("ev" scene scripts, "ev/OSCR" actor scripts, "oTsk" object tasks, "wz"
// action scripts, "EV/BTL" and "EV/VIEW" battle scripts). A line "%include <name>" stands for
// the text of content/scripts/include/<name>.txt, so that scenes can share their events.
//
// The lint checks what only the sources can tell: every include exists and every character has a
// code in code page 932. What the written scripts mean (labels, the files they name, the font)
// is orvane-check's, which the build runs over the whole tree.
#include <algorithm>
#include <fstream>
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
  for (const fs::path& source : sources) {
    const std::string relative = fs::relative(source, root).generic_string();
    const std::string where = "content/scripts/" + relative;
    const std::string text = expand(root, readWhole(source), where, context.lint);
    const std::string target = fs::path(relative).replace_extension(".zd").generic_string();
    const auto cp932 = toCp932(text);
    if (!cp932) {
      context.lint.report(where, "the text has characters without a code in code page 932");
      continue;
    }
    context.out.write(target, *cp932);
  }
}

}  // namespace content
