// The parts of orvane-check and what they share while one tree is checked.
//
// The check runs in this order: the database and the battle files (tables.cpp), the files of
// the tree through their loaders (files.cpp), the scripts (scripts.cpp), then what the scripts
// and tables name (references.cpp). Each part reports into the Context's findings.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "event/script.h"
#include "tools/check/check.h"

namespace check {

// Collects the findings of one run.
class Findings {
 public:
  void error(std::string_view file, int line, std::string_view text) { add(Severity::Error, file, line, text); }
  void warning(std::string_view file, int line, std::string_view text) { add(Severity::Warning, file, line, text); }
  void add(Severity severity, std::string_view file, int line, std::string_view text);
  // The findings sorted by file, then line (the order found within a line).
  Report report() const;

 private:
  std::vector<Finding> findings_;
};

// Catches the message boxes the game shows while it lives (the seam the replay runner and the
// tests use), so that a loader's messages become findings.
class MessageTrap {
 public:
  MessageTrap();
  ~MessageTrap();
  MessageTrap(const MessageTrap&) = delete;
  MessageTrap& operator=(const MessageTrap&) = delete;
  // The texts (UTF-8) shown since the last take.
  std::vector<std::string> take();

 private:
  std::vector<std::string> texts_;
};

// A game path (any letter case, '\' separators) looked up in the tree, which is the current
// directory while the check runs: the path relative to the tree as spelt on disk, with '/'
// separators, or nothing when there is no such file.
std::optional<std::string> findFile(std::string_view gamePath);
// The path to name in a finding for a game path: the file on disk, or the game path with '/'
// separators when the file is missing.
std::string reportPath(std::string_view gamePath);
// Code page 932 to UTF-8, for the texts of findings.
std::string utf8(std::string_view cp932);
// ASCII letters in lower case, for names that the game's paths match without regard to case.
std::string lowerCase(std::string text);

// The runners of the script directories.
enum class Runner : uint8_t { Scene, Actor, ObjectTask, Action, Battle, View };

// A string of the string register with the line of its c1.
struct TextPiece {
  int line = 0;
  std::string text;
};

// What is known of a script's variables and string register where a command stands, reading
// the text from the top: values set by "c0 i,a,=" (and what follows from them) and the register
// set by "c1 s//=". A label forgets everything, since a jump may arrive there from anywhere; a
// command forgets the variables it may write.
struct KnownState {
  std::array<std::optional<int32_t>, kScriptVariableCount> v;
  std::optional<std::string> str;
  std::vector<TextPiece> pieces;  // the c1 strings the register was made of
  void forget() { *this = KnownState{}; }
};

struct CommandUse {
  char family = 0;
  int number = 0;
  int line = 0;
  KnownState known;
};

struct LabelDefinition {
  std::string name;
  int line = 0;
};

// A script as the game loads it, read once from top to bottom.
struct ScannedScript {
  std::string file;       // relative to the tree, as on disk
  std::string directory;  // the game's directory argument ("ev\OSCR")
  std::string name;       // the script's name as the game names it
  Runner runner = Runner::Scene;
  Script script;  // the loaded text, with the runner's commands
  std::vector<int> lineStarts;
  std::vector<LabelDefinition> labels;
  std::vector<CommandUse> uses;

  int lineOf(int position) const;
  // Whether the label is defined anywhere (the game's forward search from the top).
  bool hasLabel(std::string_view label);
};

// A line of the group file.
struct GroupInfo {
  int line = 0;
  int battleScript = 0;
  int viewScript = 0;
};

// What the parts share.
struct Context {
  Findings findings;
  MessageTrap trap;

  // Every message box shown since the last take becomes an error at file:line.
  void reportMessages(std::string_view file, int line);
  void discardMessages() { trap.take(); }

  // Filled by tables.cpp.
  int characterCount = 0;
  std::vector<GroupInfo> groups;
  int formationCount = 0;
  // Filled by files.cpp: the "場" event numbers that each map's faces carry, by the map's name
  // in lower case.
  std::map<std::string, std::set<int>> mapEvents;
};

// A text the game draws, character by character against the font table (the game's own
// conversion). In table texts every character must be a two-byte one; in script texts one-byte
// ASCII is left alone (the windows' control sequences).
void checkDrawnText(Context& context, std::string_view file, int line, std::string_view cp932, bool scriptText);

void checkTables(Context& context);
void checkFiles(Context& context);
std::vector<ScannedScript> scanScripts(Context& context);
// Reads a text as the runner would read a script of its directory, with the checks of a single
// script (the fuzz target and the tests use it).
ScannedScript scanScriptText(Context& context, Runner runner, std::string_view text, std::string file);
void checkReferences(Context& context, std::vector<ScannedScript>& scripts);

}  // namespace check
