// The scripts of the six script directories, each loaded as the game loads it and read from top
// to bottom with the runner's own reader (Script::readItem), so that every command is read as
// its runner reads it. While reading: faults of the text itself (an unclosed string, a long
// integer, "-" in c0, a variable out of range, a command the runner does not define), the
// labels, and what is known of the variables and the string register at every command. Then
// every jump is tried with the game's label search from where it stands.
#include <algorithm>
#include <filesystem>

#include "battle/battle_scripts.h"
#include "event/object_task.h"
#include "event/runners.h"
#include "platform/system.h"
#include "tools/check/checker.h"

namespace check {

namespace fs = std::filesystem;

namespace {

struct ScriptDirectory {
  const char* directory;  // the game's directory argument
  Runner runner;
  const ScriptCommands& (*commands)();
  const char* what;
};
const ScriptDirectory kDirectories[] = {
    {kScriptDirScene, Runner::Scene, eventRunnerCommands, "a scene script"},
    {kScriptDirActor, Runner::Actor, actorRunnerCommands, "an actor script"},
    {kScriptDirObjTask, Runner::ObjectTask, objectTaskRunnerCommands, "an object task"},
    {kScriptDirAction, Runner::Action, actionRunnerCommands, "an action script"},
    {kScriptDirBattle, Runner::Battle, battleRunnerCommands, "a battle script"},
    {kScriptDirView, Runner::View, viewRunnerCommands, "a view script"},
};

// The names of the scripts of a directory: its files ending in ".zd" in any case.
std::vector<std::string> scriptNames(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(plat::ResolvePath(directory), error)) {
    std::error_code ignored;
    if (!entry.is_regular_file(ignored)) continue;
    if (lowerCase(entry.path().extension().string()) == ".zd") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string variableFault(int32_t i) {
  return "V" + std::to_string(i) + " is no variable: the variables are V0 … V6";
}

struct Jump {
  Calculation calculation;
  int after = 0;  // the position behind the command
  int line = 0;
};

class Reader {
 public:
  Reader(Context& context, ScannedScript& s) : context_(context), s_(s) {}

  void read() {
    Script& script = s_.script;
    for (;;) {
      const ScriptItem item = script.readItem();
      if (item.kind == ItemKind::End) break;
      const int line = s_.lineOf(item.start);
      messages(line);
      switch (item.kind) {
        case ItemKind::Label: label(item, line); break;
        case ItemKind::Calculation: calculation(item, line); break;
        case ItemKind::Command: command(item, line); break;
        case ItemKind::FreeText: freeText(item, line); break;
        default: break;
      }
    }
  }

  void checkJumps() {
    for (const Jump& jump : jumps_) checkJump(jump);
    context_.discardMessages();
  }

 private:
  void error(int line, const std::string& text) { context_.findings.error(s_.file, line, text); }
  void warning(int line, const std::string& text) { context_.findings.warning(s_.file, line, text); }

  // Message boxes that reading shows (the long integer's "gInt:ん？").
  void messages(int line) {
    for (const std::string& text : context_.trap.take()) {
      if (text == "gInt:ん？")
        error(line,
              "an integer argument of 17 or more characters: the game shows \"gInt:ん？\" and reads the first 17");
      else
        error(line, "message box \"" + text + "\"");
    }
  }

  void label(const ScriptItem& item, int line) {
    known_.forget();  // a jump may arrive here from anywhere
    const std::string_view text = s_.script.text();
    const size_t start = static_cast<size_t>(item.start);
    if (text.compare(start, 2, "@:") != 0) return;
    const size_t end = text.find("//", start + 2);
    if (end == std::string_view::npos) {
      error(line, "the label has no closing \"//\": no jump can find it");
      return;
    }
    const std::string name(text.substr(start + 2, end - start - 2));
    for (const LabelDefinition& other : s_.labels)
      if (other.name == name) {
        warning(line, "the label \"" + utf8(name) + "\" is defined twice (first on line " + std::to_string(other.line) +
                          "): a jump finds the nearest one in its direction");
        break;
      }
    s_.labels.push_back({name, line});
  }

  void stringEnd(const Calculation& c, int line) {
    if (c.textEnd == StringEnd::Unclosed)
      error(line,
            "the string \"" + utf8(c.text.substr(0, 40)) + "\" has no closing \"//\": it runs to the end of the text");
    else if (c.textEnd == StringEnd::Cut)
      error(line, "a string of more than 255 characters: the game cuts it and skips the next two characters");
  }

  void needVariable(int32_t i, int line) {
    if (!Script::isVariable(i)) error(line, variableFault(i));
  }

  void calculation(const ScriptItem& item, int line) {
    if (!item.complete) return;
    const Calculation& c = item.calculation;
    auto& v = known_.v;
    switch (c.command) {
      case '0': {
        if (c.op == '-') {
          error(line,
                "\"-\" is no operator of c0: the game shows \"あ!!\" (subtract with \"+\" and a negative number)");
          break;
        }
        needVariable(c.i, line);
        if (c.op == 'C') needVariable(c.a, line);
        if (!Script::isVariable(c.i)) break;
        std::optional<int32_t>& x = v[static_cast<size_t>(c.i)];
        const auto wrap = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
        switch (c.op) {
          case '=': x = c.a; break;
          case '+':
            if (x) x = wrap(int64_t{*x} + c.a);
            break;
          case '*':
            if (x) x = wrap(int64_t{*x} * c.a);
            break;
          case '/':
            if (x && c.a != 0) x = wrap(int64_t{*x} / c.a);
            break;
          case '!':
            if (x) x = *x == 0 ? 1 : 0;
            break;
          case 'C': x = Script::isVariable(c.a) ? v[static_cast<size_t>(c.a)] : x; break;
          case 'R':
            if (c.a != 0) x.reset();
            break;
          default: break;
        }
        break;
      }
      case '1':
        stringEnd(c, line);
        if (c.op == '=') {
          known_.str = c.text;
          known_.pieces = {{line, c.text}};
        } else if (c.op == '+') {
          if (known_.str) *known_.str += c.text;
          known_.pieces.push_back({line, c.text});
        }
        break;
      case '2':
        needVariable(c.i, line);
        needVariable(c.j, line);
        v[2].reset();
        break;
      case '3':
      case '4':
        stringEnd(c, line);
        jumps_.push_back({c, s_.script.position(), line});
        break;
      case '5':
        needVariable(c.i, line);
        needVariable(c.j, line);
        if (Script::isVariable(c.i))
          v[static_cast<size_t>(c.i)] = Script::isVariable(c.j) ? v[static_cast<size_t>(c.j)] : std::nullopt;
        break;
      case '7':
        stringEnd(c, line);
        jumps_.push_back({c, s_.script.position(), line});
        known_.str = c.text;
        known_.pieces.clear();
        v[4].reset();
        break;
      case '8':
        needVariable(c.i, line);
        needVariable(c.j, line);
        if (Script::isVariable(c.i)) v[static_cast<size_t>(c.i)].reset();
        break;
      default:
        stringEnd(c, line);
        warning(line, "c" + std::string(1, c.command) + " shows the debugging message box \"" + utf8(c.text) + "\"");
        break;
    }
  }

  void command(const ScriptItem& item, int line) {
    const std::string name = std::string(1, item.letter) + std::to_string(item.number);
    if (!item.complete) {
      error(line, "the command " + std::string(1, item.letter) + " has no closing \";\": the game never executes it");
      return;
    }
    const ScriptCommands& commands = *s_.script.commands;
    const CommandTable* table = item.letter == 'f'   ? commands.f
                                : item.letter == 'o' ? commands.o
                                : item.letter == 'b' ? commands.b
                                                     : commands.w;
    if (!table->defines(item.number)) {
      warning(line,
              name + " is not a command of " + what() +
                  (item.letter == 'f' ? ": the game shows the variables in a debugging box" : ": it does nothing"));
    }
    s_.uses.push_back({item.letter, item.number, line, known_});
    forgetWritten(item.letter, item.number);
  }

  // A command of a family this runner has no table for: its letter is free text.
  void freeText(const ScriptItem& item, int line) {
    if (item.letter != 'f' && item.letter != 'o' && item.letter != 'b' && item.letter != 'w') return;
    const std::string_view text = s_.script.text();
    size_t end = static_cast<size_t>(item.start) + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == static_cast<size_t>(item.start) + 1 || end >= text.size() || text[end] != ';') return;
    warning(line, std::string(text.substr(static_cast<size_t>(item.start), end - static_cast<size_t>(item.start))) +
                      " is not a command of " + what() + ": the letter is free text there and nothing happens");
  }

  // The variables (and the register) a command may write.
  void forgetWritten(char family, int number) {
    auto& v = known_.v;
    switch (family) {
      case 'f':
        if (number == 0) v[0].reset();  // a choice answers into V0
        v[2].reset();
        v[3].reset();
        if (number == 56) known_.str.reset();  // a name appended
        break;
      case 'o':
        v[2].reset();
        v[3].reset();
        break;
      case 'w':
        if (number == 22) {  // an include: the text that follows is another file's
          known_.forget();
          break;
        }
        for (const int i : {0, 2, 3, 4, 5}) v[static_cast<size_t>(i)].reset();
        if (number == 38) {
          known_.str.reset();
          known_.pieces.clear();
        }
        break;
      default: break;
    }
  }

  const char* what() const {
    for (const ScriptDirectory& d : kDirectories)
      if (d.runner == s_.runner) return d.what;
    return "this script";
  }

  // Tries the jump with the game's search from where it stands.
  void checkJump(const Jump& jump) {
    const Calculation& c = jump.calculation;
    if (c.command == '3' && c.op != '0' && c.op != '1') return;  // to 4 characters before the end: no label
    const bool forward = c.op == '0' && c.command != '7';
    if (search(c.text, jump.after, forward)) return;
    const std::string label = utf8(c.text);
    const std::string how = std::string("c") + c.command + " searches " + (forward ? "forward" : "backward");
    if (search(c.text, jump.after, !forward))
      error(jump.line, "the label \"" + label + "\" stands only " + (forward ? "before" : "after") +
                           " this jump, and " + how + ": the game shows \"ラベルがねぇよ\" and restarts the script");
    else
      error(jump.line,
            "the label \"" + label + "\" is not defined: the game shows \"ラベルがねぇよ\" and restarts the script");
  }

  bool search(const std::string& label, int from, bool forward) {
    Script& script = s_.script;
    context_.discardMessages();
    if (forward && from >= script.length()) return false;  // the search does nothing at the end
    script.setPosition(from);
    if (forward)
      script.FindLabelForward(label);
    else
      script.FindLabelBackward(label);
    return context_.trap.take().empty();
  }

  Context& context_;
  ScannedScript& s_;
  KnownState known_;
  std::vector<Jump> jumps_;
};

}  // namespace

int ScannedScript::lineOf(int position) const {
  const auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), position);
  return static_cast<int>(it - lineStarts.begin());
}

bool ScannedScript::hasLabel(std::string_view label) {
  if (!script.hasText()) return false;
  script.Rewind();
  script.FindLabelForward(label);
  return !script.text().empty() && script.position() != 0;
}

void readScript(Context& context, ScannedScript& s) {
  s.lineStarts.assign(1, 0);
  const std::string_view text = s.script.text();
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') s.lineStarts.push_back(static_cast<int>(i + 1));
  Reader reader(context, s);
  reader.read();
  reader.checkJumps();
}

ScannedScript scanScriptText(Context& context, Runner runner, std::string_view text, std::string file) {
  ScannedScript s;
  for (const ScriptDirectory& directory : kDirectories)
    if (directory.runner == runner) {
      s.directory = directory.directory;
      s.script.commands = &directory.commands();
    }
  s.runner = runner;
  s.file = std::move(file);
  s.script.setText(text);
  context.discardMessages();
  readScript(context, s);
  return s;
}

std::vector<ScannedScript> scanScripts(Context& context) {
  std::vector<ScannedScript> scripts;
  for (const ScriptDirectory& directory : kDirectories) {
    for (const std::string& name : scriptNames(directory.directory)) {
      ScannedScript s;
      s.directory = directory.directory;
      s.name = name;
      s.runner = directory.runner;
      s.script.commands = &directory.commands();
      std::string gamePath = directory.directory;
      if (gamePath.back() != '\\') gamePath += '\\';
      s.file = reportPath(gamePath + name + ".zd");
      s.script.Load(directory.directory, name);
      context.reportMessages(s.file, 0);
      readScript(context, s);
      scripts.push_back(std::move(s));
    }
  }
  context.discardMessages();
  return scripts;
}

}  // namespace check
