// The script language shared by every script runner: the loaded text, the seven variables V0 … V6,
// the string register, the continue and active flags, labels and jumps, the argument reading
// rules, the "c" calculation commands and the step loop.
//
// A script is text executed one character at a time. Characters without a meaning at the top
// level (spaces, line feeds, letters, Japanese text) are skipped. The top-level characters:
//   "#"  end of this frame's step; the next step continues after it
//   "*"  comment up to and including the next line feed
//   "@"  label definition ("@:" name "//"), skipped up to and including the next "/"
//   "c"  calculation command: "c", the command digit, one separator character, the arguments
//   "f", "o", "b", "w"  a command of that family: the letter, a decimal number, ";"
//   "|", "!"  runner-specific marks
// The families and marks are executed by the command tables that each runner supplies in its
// ScriptCommands; a letter without a table, or a mark without a handler, is skipped like free
// text.
//
// Arguments in the text:
//   integer    the text up to the next ","  (at most 16 characters, see readInteger)
//   string     the text up to the next "//" (at most 255 characters, see readString)
//   character  the next character, whatever it is
//
// Calculation commands (i, j, k, a integers; s, L strings; op, d single characters):
//   c0 i,a,op    V[i] op= a: "=" set, "+" add, "*" multiply, "/" divide, "!" logical not,
//                "C" V[i] := V[a], "R" random 0 … a-1; "-" shows "あ!!" and changes nothing
//   c1 s//op     string register: "=" set, "+" append
//   c2 i,op?j,   V2 := V[i] op V[j] for "=", "!", "<", ">" (one character after op is skipped)
//   c3 L//d      jump: d "0" forward, "1" backward, other: 4 characters before the end
//   c4 L//d      jump when V2 != 0: "0" forward, other backward
//   c5 i,j,      V[i] := V[j]
//   c6 s//       message box with s (as do "c9" and any other command character)
//   c7 L//       loop: register := L; V4 += 1; while V4 < V5 jump backward to L
//   c8 i,j,k,op  "*" V[i] := V[j] * k; "\" V[i] += V[j] * k
//
// Hostile text is safe: execution never reads beyond the text, a step ends at the end of the
// text, and a step does a bounded amount of work, so a script that loops without waiting ends
// the frame's step instead of hanging the game (see Script::stepBudget).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Directories of the scripts under the data root; the path is "%s%s\%s.zd" (data root,
// directory, name). The scene directory carries its own separator, which doubles it.
inline constexpr const char* kScriptDirScene = "ev\\";
inline constexpr const char* kScriptDirActor = "ev\\OSCR";
inline constexpr const char* kScriptDirObjTask = "oTsk";
inline constexpr const char* kScriptDirAction = "wz";
inline constexpr const char* kScriptDirBattle = "EV\\BTL";
inline constexpr const char* kScriptDirView = "EV\\VIEW";

constexpr int kScriptVariableCount = 7;
constexpr int kScriptStringBytes = 256;  // the string register, with its terminating zero
constexpr int kScriptStringLimit = kScriptStringBytes - 1;
constexpr int kScriptIntegerLimit = 16;   // characters of an integer argument before its ","
constexpr int kScriptLabelLimit = 127;    // bytes of a label name
// The largest script text, includes added. Real scripts are a few kilobytes; a longer file is
// cut here with "バカ長ッ！".
constexpr int kScriptMaxBytes = 4 << 20;
// The work one step may do: characters executed, scanned by label searches, loaded and
// spliced, its commands' own steps included. Far above any real script's frame, far below a
// visible stall.
constexpr int kScriptStepBudget = 1 << 20;
// How deeply steps may run inside each other (a command that runs a script at once).
constexpr int kScriptMaxNesting = 16;

class Script;

// How a string argument ended: at its "//", cut at kScriptStringLimit characters (the next two
// characters skipped as if they were the "//"), or at the end of the text without a "//".
enum class StringEnd : uint8_t { Closed, Cut, Unclosed };

// A calculation command as the runner reads it: the command character and its arguments, read
// in the order the command takes them; arguments the command does not take stay 0.
//   c0 i,a,op  c1 text op  c2 i,op?j,  c3/c4 text direction(op)  c5 i,j,  c7 text
//   c8 i,j,k,op  any other command character: text
struct Calculation {
  char command = 0;
  int32_t i = 0, a = 0, j = 0, k = 0;
  char op = 0;  // the operator, or the direction of c3 and c4
  std::string text;
  StringEnd textEnd = StringEnd::Closed;
};

// One item of the text as the runner reads it at the top level.
enum class ItemKind : uint8_t {
  End,          // the position is at the end of the text
  FrameEnd,     // "#"
  Comment,      // "*" up to and including the next line feed
  Label,        // "@" up to and including the next "/"
  Calculation,  // "c" with its command and arguments
  Command,      // "f", "o", "b" or "w" of a family the runner has a table for, with its number
  Mark,         // "|" or "!"
  FreeText,     // anything else, a double-byte character whole
};
struct ScriptItem {
  ItemKind kind = ItemKind::End;
  char letter = 0;        // the top-level character
  int start = 0;          // its position
  int number = 0;         // Command: the command number
  // Command: false when no ";" ends the command (it is not executed); Calculation: false for a
  // "c" at the very end of the text.
  bool complete = true;
  Calculation calculation;
};

// Who runs a script: the kind of runner and what it belongs to.
enum class RunnerKind : uint8_t { None, Actor, Event, ObjectTask, Battle, Action, View };
struct RunnerContext {
  RunnerKind kind = RunnerKind::None;
  int owner = 0;  // the actor number, object-task slot or battle slot; 0 for the others
};

// One command as its handler receives it. number is the command's decimal number (0 for the
// marks); start is the position of its family letter, where a command that waits puts the
// script back (Script::waitHere). A handler reaches its runner's own state through the runner
// context, never by casting the script.
struct ScriptCall {
  Script& script;
  RunnerContext runner;
  int number;
  int start;
};
using ScriptCommandHandler = void (*)(const ScriptCall& call);

// A handler and the command number it serves.
struct CommandEntry {
  int number;
  ScriptCommandHandler handler;
};

// The handlers of one family indexed by command number. A number without a handler calls the
// table's fallback (none: the command does nothing).
class CommandTable {
 public:
  // Entries may come in any order and from several topic lists; a number given twice keeps its
  // first handler.
  CommandTable(std::initializer_list<std::span<const CommandEntry>> lists, ScriptCommandHandler fallback = nullptr);
  // The handler of number, or the fallback.
  ScriptCommandHandler find(int number) const;
  // Whether number has a handler of its own.
  bool defines(int number) const;
  // The numbers with handlers, ascending.
  std::vector<int> numbers() const;

 private:
  std::vector<ScriptCommandHandler> handlers_;
  ScriptCommandHandler fallback_ = nullptr;
};

// What a runner adds to the language: a table per family and the two marks. A family without a
// table is free text for that runner (its letter is skipped), and so is a mark without handler.
struct ScriptCommands {
  const CommandTable* f = nullptr;  // function commands, one table shared by all runners
  const CommandTable* o = nullptr;  // actor commands or object-task commands
  const CommandTable* b = nullptr;  // battle script commands
  const CommandTable* w = nullptr;  // action script commands
  ScriptCommandHandler bar = nullptr;   // "|": the event script's wait for the fade-in
  ScriptCommandHandler bang = nullptr;  // "!": the object task's end (endScriptStep)
};

// A mark handler for "!": active := 0 and the step ends.
void endScriptStep(const ScriptCall& call);

class Script {
 public:
  // The variables V0 … V6. V2 holds comparison results and the condition of c4; V4 and V5 are
  // the counter and limit of c7. Commands that name a variable outside 0 … 6 change nothing.
  int32_t v[kScriptVariableCount] = {};
  int32_t continueFlag = 0;  // 1 while the step goes on in this frame
  int32_t active = 0;        // 1 while the runner steps the script every frame
  const ScriptCommands* commands = nullptr;
  RunnerContext runner;
  int stepBudget = kScriptStepBudget;

  // Frees the current text and loads "%s%s\%s.zd" (data root, directory, name). A file that
  // cannot be read shows its path and then "スクリプトファイルが開けね～", and the script stays
  // without text. The text ends at the end of the file or at its first 0xFF byte; a CR-LF pair
  // reads as one line feed; a text beyond kScriptMaxBytes shows "バカ長ッ！" and is cut there.
  // The position becomes 0; the flags are not changed. Returns whether a text was loaded.
  bool Load(std::string_view directory, std::string_view name);
  // Splices the named file's text in place of the count characters just before the position
  // (they become spaces and the position moves back over them), so that execution continues
  // with the first included character. A missing file is reported as by Load and nothing is
  // spliced; a text that would outgrow kScriptMaxBytes shows "バカ長ッ！" and nothing is spliced.
  void Include(std::string_view directory, std::string_view name, int count);
  void Rewind() { position_ = 0; }
  // Moves behind the definition "@:" name "//" searched from the position towards the end.
  // Nothing happens when the position is at the end. A missing label shows
  // "ラベルがねぇよ:<name>" and the position becomes 0.
  void FindLabelForward(std::string_view name);
  // The same searched from the position (inclusive) towards the start; nothing happens at
  // position 0.
  void FindLabelBackward(std::string_view name);
  // One frame of the plain runner: continue flag := 1, then run().
  void Step();
  // Executes characters until the continue flag is cleared, a frame-ending character is met,
  // the text ends, the step budget is spent or there is no text. Does not look at the active
  // flag: runners decide whether to step.
  void run();

  // Reads the item at the position as the runner does, without executing it. A family letter
  // without a table in this runner's commands is free text (its number is not read).
  ScriptItem readItem();
  // Executes an item that readItem has just read.
  void execute(const ScriptItem& item);

  // Frees the text: no text, size and position 0, both flags 0.
  void Free();
  // Replaces the text with a copy of text (cut at kScriptMaxBytes), position 0, as a
  // successful Load would; for scripts that do not come from a file.
  void setText(std::string_view text);
  // The splice of Include with the text already at hand.
  void includeText(std::string_view text, int count);

  bool hasText() const { return !text_.empty(); }
  // The bytes of the text buffer: the text and its closing zero (0 without text).
  int size() const { return static_cast<int>(text_.size()); }
  // The text's length without the closing zero.
  int length() const { return text_.empty() ? 0 : static_cast<int>(text_.size()) - 1; }
  std::string_view text() const { return std::string_view(text_.data(), length()); }
  int position() const { return position_; }
  // Moves the position, kept within 0 … length().
  void setPosition(int position);

  // The string register: at most kScriptStringLimit bytes.
  std::string_view str() const { return str_; }
  // Sets or extends the register; what would not fit is cut off, never inside a double-byte
  // character.
  void setStr(std::string_view text);
  void appendStr(std::string_view text);

  // Whether i names a variable (0 … 6).
  static bool isVariable(int i) { return i >= 0 && i < kScriptVariableCount; }

  // Argument reading at the position (for handlers that take arguments from the text).
  // An integer: the text up to the next "," (consumed), read as a decimal with an optional sign,
  // 0 when it is not a number, clamped to the int32 range. At the 17th character before a ","
  // shows "gInt:ん？" and uses the 17 characters read.
  int32_t readInteger();
  // A string: the text up to the next "//" (consumed); at most 255 characters, after which the
  // next two characters are skipped as if they were the "//". end, when given, tells how it
  // ended.
  std::string readString(StringEnd* end = nullptr);
  // The next character; 0 at the end of the text (the position stays there).
  char readChar();

  // A waiting command: the position returns to start (its family letter) and the step ends,
  // so that the command runs again in the next frame.
  void waitHere(int start);
  // The debugging dump: the seven variables, each followed by ",", shown in the error text
  // box ("HollinERROR").
  void dumpVariables() const;

 private:
  bool atEnd() const { return position_ >= length(); }
  void findLabel(std::string_view name, bool forward);
  void labelMissing(std::string_view name);
  Calculation readCalculation();
  void calculate(const Calculation& c);
  const CommandTable* familyTable(char letter) const;
  void readCommandNumber(ScriptItem& item);
  void blankBefore(int count);
  void splice(std::string_view text);
  void skipPast(char c);

  std::vector<char> text_;  // the text and one closing zero; empty when there is no text
  int position_ = 0;
  std::string str_;
};
