// Rules of the game's own sources, read from the source tree: the include order of the folders,
// and a name in the scene catalogue for every function that is put into a frame slot.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/slot_names.h"

namespace fs = std::filesystem;

namespace {

// The game's folders by level: a folder includes only its own level and the levels below.
// Everything else (tools, tests, content, fuzz, bench) stands above them all.
const std::map<std::string, int> kLevels = {
    {"platform", 0}, {"core", 1},  {"data", 2},  {"gfx", 2},     {"audio", 2}, {"event", 3},  {"field", 4},
    {"battle", 4},   {"app", 5},   {"tools", 6}, {"tests", 6},   {"content", 6}, {"fuzz", 6}, {"bench", 6},
};
const char* const kGameFolders[] = {"platform", "core", "data", "gfx", "audio", "event", "field", "battle", "app"};
// Libraries only platform/ may use.
const char* const kPlatformLibraries[] = {"SDL", "GL/", "EGL/", "KHR/", "fluidsynth", "iconv.h"};

struct SourceFile {
  std::string folder;
  std::string path;  // relative to the source tree
  std::vector<std::string> lines;  // comments blanked out
};

// The text with every comment replaced by spaces (line ends kept); string and character
// literals stay as they are.
std::string withoutComments(const std::string& text) {
  std::string out = text;
  enum { kCode, kLine, kBlock, kString, kChar } state = kCode;
  for (size_t i = 0; i < out.size(); ++i) {
    const char c = out[i], next = i + 1 < out.size() ? out[i + 1] : '\0';
    switch (state) {
      case kCode:
        if (c == '/' && next == '/') state = kLine;
        else if (c == '/' && next == '*') state = kBlock;
        else if (c == '"') state = kString;
        else if (c == '\'') state = kChar;
        if (state == kLine || state == kBlock) out[i] = ' ';
        break;
      case kLine:
        if (c == '\n') state = kCode;
        else out[i] = ' ';
        break;
      case kBlock:
        if (c == '*' && next == '/') {
          out[i] = out[i + 1] = ' ';
          ++i;
          state = kCode;
        } else if (c != '\n') {
          out[i] = ' ';
        }
        break;
      case kString:
      case kChar:
        if (c == '\\') ++i;
        else if (c == (state == kString ? '"' : '\'') || c == '\n') state = kCode;
        break;
    }
  }
  return out;
}

std::vector<SourceFile> gameSources() {
  std::vector<SourceFile> files;
  const fs::path root = ORVANE_SOURCE_DIR;
  for (const char* folder : kGameFolders) {
    if (!fs::is_directory(root / folder)) continue;  // a folder still to come
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      SourceFile file{folder, fs::relative(entry.path(), root).string(), {}};
      std::istringstream lines(withoutComments(text.str()));
      for (std::string line; std::getline(lines, line);) file.lines.push_back(line);
      files.push_back(std::move(file));
    }
  }
  return files;
}

// What is wrong with one source line of a file in that folder; empty when it is no include or
// a permitted one.
std::string includeFault(const std::string& folder, const std::string& line) {
  size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line[at] != '#') return "";
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || line.compare(at, 7, "include") != 0) return "";
  at = line.find_first_not_of(" \t", at + 7);
  if (at == std::string::npos || (line[at] != '"' && line[at] != '<')) return "";
  const size_t end = line.find(line[at] == '"' ? '"' : '>', at + 1);
  const std::string target = line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
  if (folder != "platform") {
    for (const char* library : kPlatformLibraries) {
      if (target.rfind(library, 0) == 0) return "a library header outside platform/";
    }
  }
  if (line[at] == '<') return "";
  const size_t slash = target.find('/');
  if (slash == std::string::npos) return "";  // beside the including file
  const std::string to = target.substr(0, slash);
  const auto level = kLevels.find(to);
  if (level == kLevels.end()) return "an include from the unknown folder " + to + "/";
  if (level->second > kLevels.at(folder)) return folder + "/ may not include " + to + "/";
  return "";
}

bool isIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Every name declared right after the word "SlotFunction" (variables, members, parameters).
// The names declared SlotFunction; with parameters only when withParameters is set.
std::set<std::string> slotHolders(const std::vector<SourceFile>& files, bool withParameters = false) {
  std::set<std::string> holders = {"gScene", "gOverlay1", "gOverlay2"};
  const std::string type = "SlotFunction";
  for (const SourceFile& file : files) {
    for (const std::string& line : file.lines) {
      for (size_t at = line.find(type); at != std::string::npos; at = line.find(type, at + 1)) {
        if (at > 0 && isIdentifierChar(line[at - 1])) continue;
        size_t name = line.find_first_not_of(" \t", at + type.size());
        size_t end = name;
        while (end < line.size() && isIdentifierChar(line[end])) ++end;
        // A parameter (followed by "," or ")") holds what its caller passes, checked there.
        const size_t after = line.find_first_not_of(" \t", end);
        const bool parameter = after != std::string::npos && (line[after] == ',' || line[after] == ')');
        if (name != std::string::npos && end > name && name > at + type.size() && (withParameters || !parameter))
          holders.insert(line.substr(name, end - name));
      }
    }
  }
  return holders;
}

struct SlotAssignment {
  std::string where;  // file:line
  std::string holder;
  std::string value;  // what is assigned, trimmed
};

// Every "holder = value" (assignments and initialisers) of the slots and the SlotFunction
// variables.
std::vector<SlotAssignment> slotAssignments(const std::vector<SourceFile>& files, const std::set<std::string>& holders) {
  std::vector<SlotAssignment> found;
  for (const SourceFile& file : files) {
    for (size_t number = 0; number < file.lines.size(); ++number) {
      const std::string& line = file.lines[number];
      for (size_t at = 0; at < line.size(); ++at) {
        if (!isIdentifierChar(line[at]) || (at > 0 && isIdentifierChar(line[at - 1]))) continue;
        size_t end = at;
        while (end < line.size() && isIdentifierChar(line[end])) ++end;
        const std::string name = line.substr(at, end - at);
        const size_t op = line.find_first_not_of(" \t", end);
        at = end;
        if (!holders.count(name) || op == std::string::npos || line[op] != '=') continue;
        if (op + 1 < line.size() && line[op + 1] == '=') continue;  // a comparison
        const size_t valueEnd = line.find_first_of(";,)}", op + 1);
        std::string value = line.substr(op + 1, valueEnd == std::string::npos ? std::string::npos : valueEnd - op - 1);
        value.erase(0, value.find_first_not_of(" \t&"));
        value.erase(value.find_last_not_of(" \t") + 1);
        found.push_back({file.path + ":" + std::to_string(number + 1), name, value});
      }
    }
  }
  return found;
}

}  // namespace

TEST(IncludeOrder, RuleAllowsDownwardsAndSideways) {
  EXPECT_EQ(includeFault("core", "#include \"platform/device.h\""), "");
  EXPECT_EQ(includeFault("gfx", "#include \"data/database.h\""), "");
  EXPECT_EQ(includeFault("battle", "  #  include \"gfx/camera.h\"  // the camera"), "");
  EXPECT_EQ(includeFault("app", "#include \"battle/sky.h\""), "");
  EXPECT_EQ(includeFault("platform", "#include <SDL2/SDL.h>"), "");
  EXPECT_EQ(includeFault("core", "#include <vector>"), "");
  EXPECT_EQ(includeFault("core", "#include \"local.h\""), "");
  EXPECT_EQ(includeFault("core", "int include = 0;"), "");
}

TEST(IncludeOrder, RuleRefusesUpwardsUnknownAndLibraries) {
  EXPECT_EQ(includeFault("core", "#include \"data/database.h\""), "core/ may not include data/");
  EXPECT_EQ(includeFault("event", "#include \"battle/sky.h\""), "event/ may not include battle/");
  EXPECT_EQ(includeFault("battle", "#include \"app/boot.h\""), "battle/ may not include app/");
  EXPECT_EQ(includeFault("app", "#include \"tests/null_device.h\""), "app/ may not include tests/");
  EXPECT_EQ(includeFault("gfx", "#include \"elsewhere/x.h\""), "an include from the unknown folder elsewhere/");
  for (const char* line : {"#include <SDL2/SDL.h>", "#include <GL/gl.h>", "#include <fluidsynth.h>",
                           "#include <iconv.h>", "#include \"SDL.h\""}) {
    EXPECT_EQ(includeFault("audio", line), "a library header outside platform/") << line;
  }
}

TEST(IncludeOrder, EveryGameSourceIncludesOnlyItsOwnLevelAndBelow) {
  const std::vector<SourceFile> files = gameSources();
  ASSERT_GT(files.size(), 50u) << "no sources under " << ORVANE_SOURCE_DIR;
  for (const SourceFile& file : files) {
    for (size_t number = 0; number < file.lines.size(); ++number) {
      const std::string fault = includeFault(file.folder, file.lines[number]);
      EXPECT_EQ(fault, "") << file.path << ":" << number + 1 << ": " << file.lines[number];
    }
  }
}

TEST(SlotCatalogue, EveryFunctionPutIntoASlotHasAName) {
  const std::vector<SourceFile> files = gameSources();
  const std::set<std::string> holders = slotHolders(files);
  const std::set<std::string> sources = slotHolders(files, true);
  const std::vector<SlotAssignment> assignments = slotAssignments(files, holders);
  ASSERT_GT(assignments.size(), 10u);
  for (const SlotAssignment& a : assignments) {
    // One slot variable copied into another (also a member: "battle->script.next").
    const size_t last = a.value.find_last_of(".>");
    if (sources.count(last == std::string::npos ? a.value : a.value.substr(last + 1))) continue;
    EXPECT_NE(slotFunctionByName(a.value), nullptr)
        << a.where << ": " << a.holder << " = " << a.value << " has no name in the scene catalogue";
  }
}

TEST(SlotCatalogue, NamesAndFunctionsFindEachOther) {
  for (const char* name : {"BootScene", "NoOverlay", "TestPatternScene", "EncounterEffect", "BattleEntryScene",
                           "BattleExitScene", "BattleReturnFlash", "BattleEndFade", "ZoomBlurOverlay",
                           "CrossFadeOverlay"}) {
    const SlotFunction function = slotFunctionByName(name);
    ASSERT_NE(function, nullptr) << name;
    EXPECT_STREQ(slotFunctionName(function), name);
  }
  EXPECT_EQ(slotFunctionByName("FieldSceneThatIsNot"), nullptr);
  EXPECT_STREQ(slotFunctionName(nullptr), "unknown");
}
