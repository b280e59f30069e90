// What the scripts name, where it can be followed from the text alone: a command that loads a
// file by the name in the string register, with the register (and the variables the command
// looks at) set by c1 and c0 before it and no label in between. Other cases are skipped, not
// guessed. Also the labels that other parts of the game jump to ("場N" of the maps, "SPOKEN" of
// the talkable actors, the battle's four labels, the view scripts' "RC%d"), the groups that the
// field and f19 name, the battle stages, the party members' files, and the texts the scripts
// draw.
#include <algorithm>
#include <cstring>

#include "battle/battle_scripts.h"
#include "core/message_box.h"
#include "data/database.h"
#include "tools/check/checker.h"

namespace check {

namespace {

std::optional<int32_t> known(const CommandUse& use, int variable) {
  return use.known.v[static_cast<size_t>(variable)];
}
bool knownAs(const CommandUse& use, int variable, int32_t value) {
  return known(use, variable) == value;
}

// A file that a command loads, by its game path.
struct NamedFile {
  std::string path;
  std::string what;
  Severity severity = Severity::Error;
  std::string consequence = "";
};

std::optional<NamedFile> namedFile(const ScannedScript& s, const CommandUse& use) {
  if (!use.known.str) return std::nullopt;
  const std::string& name = *use.known.str;
  const bool task = s.runner == Runner::ObjectTask;
  switch (use.family) {
    case 'f':
      switch (use.number) {
        case 8:
        case 14: return NamedFile{"mdl\\" + name + ".ZD", "the character"};
        case 10: return NamedFile{"se\\" + name + ".zse", "the sound"};
        case 12:
        case 32: return NamedFile{"ev\\" + name + ".zd", "the scene script"};
        case 16:
          if (lowerCase(name) == "null") return std::nullopt;
          return NamedFile{"ev\\OSCR\\" + name + ".zd", "the actor script"};
        case 31: return NamedFile{"Mat\\" + name + ".mp", "the map"};
        case 37:
          if (!knownAs(use, 0, 0)) return std::nullopt;
          return NamedFile{name, "the model"};
        case 41: return NamedFile{"Zms\\" + name + ".zms", "the music", Severity::Warning, ": the music is silent"};
        case 45: return NamedFile{"Mat\\SKY\\" + name + ".zd", "the sky"};
        case 46:
          if (!knownAs(use, 0, 0)) return std::nullopt;
          return NamedFile{"oTsk\\" + name + ".zd", "the object task"};
        case 58:
          if (!knownAs(use, 0, 1) && !knownAs(use, 0, 2)) return std::nullopt;
          return NamedFile{"Zms\\" + name + ".zms", "the battle music", Severity::Warning, ": the music is silent"};
        default: return std::nullopt;
      }
    case 'o':
      if (task && use.number == 4 && known(use, 0))
        return *known(use, 0) == 0 ? NamedFile{"OTSK\\" + name + ".ZDX", "the model"}
                                   : NamedFile{"OTSK\\" + name + ".AU", "the texture"};
      if (task && use.number == 11) return NamedFile{"se\\" + name + ".zse", "the sound"};
      return std::nullopt;
    case 'w':
      if (use.number == 19) return NamedFile{"oTsk\\" + name + ".zd", "the object task"};
      return std::nullopt;
    case 'b':
      if (use.number == 6) return NamedFile{"ev\\" + name + ".zd", "the scene script"};
      return std::nullopt;
    default: return std::nullopt;
  }
}

class References {
 public:
  References(Context& context, std::vector<ScannedScript>& scripts) : context_(context), scripts_(scripts) {
    for (ScannedScript& s : scripts_) byFile_[s.file] = &s;
  }

  void check() {
    for (ScannedScript& s : scripts_) {
      const std::map<int32_t, std::string> cast = castOf(s);
      for (const CommandUse& use : s.uses) {
        files(s, use);
        texts(s, use);
        labels(s, use, cast);
        battles(s, use);
        party(s, use);
      }
    }
    battleScripts();
    viewScripts();
    context_.discardMessages();
  }

 private:
  void error(const std::string& file, int line, const std::string& text) { context_.findings.error(file, line, text); }

  ScannedScript* script(const std::string& gamePath) {
    const auto file = findFile(gamePath);
    if (!file) return nullptr;
    const auto it = byFile_.find(*file);
    return it == byFile_.end() ? nullptr : it->second;
  }

  void files(const ScannedScript& s, const CommandUse& use) {
    const std::optional<NamedFile> named = namedFile(s, use);
    if (!named || findFile(named->path)) return;
    context_.findings.add(named->severity, s.file, use.line,
                          named->what + " \"" + utf8(*use.known.str) + "\" (" + utf8(named->path) +
                              ") is not in the tree" + named->consequence);
  }

  // f1 messages, f5 choice entries, o19 scene texts and w1 help texts.
  void texts(const ScannedScript& s, const CommandUse& use) {
    const bool drawn =
        (use.family == 'f' && use.number == 1) || (use.family == 'f' && use.number == 5 && knownAs(use, 0, 2)) ||
        (use.family == 'o' && use.number == 19 && s.runner == Runner::ObjectTask && knownAs(use, 0, -1)) ||
        (use.family == 'w' && use.number == 1 && use.known.str != "ST");
    if (!drawn) return;
    for (size_t i = 0; i < use.known.pieces.size(); ++i) {
      std::string_view text = use.known.pieces[i].text;
      if (i == 0 && use.family == 'w' && text.substr(0, 2) == "$1") text.remove_prefix(2);
      checkDrawnText(context_, s.file, use.known.pieces[i].line, text, true);
    }
  }

  // The actor scripts that f16 gives to the actors of a script (an actor given two is left out).
  static std::map<int32_t, std::string> castOf(const ScannedScript& s) {
    std::map<int32_t, std::string> cast;
    std::set<int32_t> twice;
    for (const CommandUse& use : s.uses) {
      if (use.family != 'f' || use.number != 16 || !use.known.str || !known(use, 4)) continue;
      const auto [it, added] = cast.emplace(*known(use, 4), *use.known.str);
      if (!added && it->second != *use.known.str) twice.insert(it->first);
    }
    for (const int32_t actor : twice) cast.erase(actor);
    return cast;
  }

  void labels(ScannedScript& s, const CommandUse& use, const std::map<int32_t, std::string>& cast) {
    if (use.family != 'f' || !use.known.str) return;
    const std::string& name = *use.known.str;
    if (use.number == 16 && known(use, 4) && *known(use, 4) != 0 && lowerCase(name) != "null") {
      // The actor can be talked to: the talk enters its script at "SPOKEN".
      ScannedScript* actor = script("ev\\OSCR\\" + name + ".zd");
      if (actor && !actor->hasLabel("SPOKEN"))
        error(s.file, use.line,
              "the actor script \"" + utf8(name) + "\" has no label \"SPOKEN\": talking to actor " +
                  std::to_string(*known(use, 4)) + " shows \"ラベルがねぇよ\"");
    }
    if (use.number == 31 && s.runner == Runner::Scene) {
      const auto events = context_.mapEvents.find(lowerCase(name));
      if (events == context_.mapEvents.end()) return;
      for (const int n : events->second) {
        const std::string label = sjis("場") + std::to_string(n);
        if (!s.hasLabel(label))
          error(s.file, use.line,
                "the map \"" + utf8(name) + "\" has event " + std::to_string(n) +
                    " on its faces, but this script has no label \"" + utf8(label) + "\"");
      }
    }
    if (use.number == 50 && known(use, 3)) {
      const auto actor = cast.find(*known(use, 3));
      if (actor == cast.end()) return;
      ScannedScript* target = script("ev\\OSCR\\" + actor->second + ".zd");
      if (target && !target->hasLabel(name))
        error(s.file, use.line,
              "the actor script \"" + utf8(actor->second) + "\" of actor " + std::to_string(actor->first) +
                  " has no label \"" + utf8(name) + "\"");
    }
  }

  void needGroup(const ScannedScript& s, const CommandUse& use, int32_t group) {
    if (group < 0 || group >= static_cast<int32_t>(context_.groups.size()))
      error(s.file, use.line, "group " + std::to_string(group) + " is not in Enem\\Group.zd");
  }

  void battles(const ScannedScript& s, const CommandUse& use) {
    if (use.family == 'f' && use.number == 19 && known(use, 0)) needGroup(s, use, *known(use, 0));
    if (use.family == 'f' && use.number == 57 && knownAs(use, 0, 2) && known(use, 2)) needGroup(s, use, *known(use, 2));
    if (use.family == 'f' && use.number == 40 && known(use, 0)) {
      const std::string path = "mat\\btl" + std::to_string(static_cast<uint16_t>(*known(use, 0))) + ".mp";
      if (!findFile(path)) error(s.file, use.line, "the battle map " + path + " is not in the tree");
    }
    if (use.family == 'w' && use.number == 22 && known(use, 0)) {
      static const char* const kIncludes[] = {"MGC0", "WZM0", "MGC1", "UGZ0"};
      const int32_t which = *known(use, 0);
      if (which < 0 || which > 3) {
        context_.findings.warning(s.file, use.line, "w22 with V0 = " + std::to_string(which) + " includes nothing");
      } else if (!findFile(std::string("wz\\") + kIncludes[which] + ".zd")) {
        error(s.file, use.line, std::string("the include wz\\") + kIncludes[which] + ".zd is not in the tree");
      }
    }
    if ((use.family == 'w' && use.number == 0) || (use.family == 'b' && use.number == 2 && knownAs(use, 0, 1)))
      rc1Needed_ = true;
    if (use.family == 'f' && use.number == 27 && known(use, 0) && *known(use, 0) >= 0)
      viewLabels_.push_back({&s, use.line, *known(use, 0)});
  }

  // f29 puts a character into the party: its sheet and the files of a party member.
  void party(const ScannedScript& s, const CommandUse& use) {
    if (use.family != 'f' || use.number != 29 || !known(use, 0) || !known(use, 2)) return;
    const int32_t selector = *known(use, 0), character = *known(use, 2);
    // 0 fills the first empty slot; 1 … 5 empty slots or ask; any other puts V2 into slot V1.
    if ((selector >= 1 && selector <= 5) || character <= 0) return;
    if (character >= context_.characterCount) {
      error(s.file, use.line,
            "character " + std::to_string(character) + " has no sheet SCHR\\c" + std::to_string(character) + ".zd");
      return;
    }
    if (!members_.insert(character).second) return;
    const SchrRecord& record = gCharacters[static_cast<size_t>(character)];
    const std::string name(record.scriptName, strnlen(record.scriptName, sizeof record.scriptName));
    const std::string who = "party member " + std::to_string(character) + " (" + utf8(name) + ")";
    const std::pair<std::string, const char*> needs[] = {{"SCHR\\" + name + ".zgr", "portrait"},
                                                         {"ev\\OSCR\\" + name + ".zd", "actor script"},
                                                         {"mdl\\" + name + ".ZD", "figure"}};
    for (const auto& [path, what] : needs)
      if (!findFile(path))
        error(s.file, use.line, "the " + std::string(what) + " of " + who + ", " + path + ", is not in the tree");
    for (int hand = 0; hand < 2; ++hand) {
      const uint8_t index = record.equipped[hand];
      if (index >= kItemSlots || record.items[index] == kNoItem) continue;
      const std::string path = "Wea\\wea" + std::to_string(record.items[index]) + ".ZDX";
      if (!findFile(path)) error(s.file, use.line, "the weapon model of " + who + ", " + path + ", is not in the tree");
    }
  }

  void battleScripts() {
    for (ScannedScript& s : scripts_) {
      if (s.runner != Runner::Battle) continue;
      for (const std::string& label : {beginLabel(), turnLabel(), wonLabel(), lostLabel()})
        if (!s.hasLabel(label))
          error(s.file, 0, "no label \"" + utf8(label) + "\": the battle runs its battle script there");
    }
  }

  void viewScripts() {
    for (ScannedScript& s : scripts_) {
      if (s.runner != Runner::View) continue;
      if (rc1Needed_ && !s.hasLabel("RC1"))
        error(s.file, 0, "no label \"RC1\": the camera comes back to it at the end of every action (w0)");
    }
    for (const ViewLabel& use : viewLabels_) {
      std::set<int32_t> views;
      for (const GroupInfo& group : context_.groups)
        if (use.script->runner != Runner::Battle || "be" + std::to_string(group.battleScript) == use.script->name)
          views.insert(group.viewScript);
      const std::string label = "RC" + std::to_string(use.number);
      for (const int32_t view : views) {
        ScannedScript* target = script(std::string(kScriptDirView) + "\\View" + std::to_string(view) + ".zd");
        if (target && !target->hasLabel(label))
          error(use.script->file, use.line,
                "the view script View" + std::to_string(view) + " has no label \"" + label + "\"");
      }
    }
  }

  struct ViewLabel {
    const ScannedScript* script;
    int line;
    int32_t number;
  };

  Context& context_;
  std::vector<ScannedScript>& scripts_;
  std::map<std::string, ScannedScript*> byFile_;
  std::set<int32_t> members_;
  bool rc1Needed_ = false;
  std::vector<ViewLabel> viewLabels_;
};

}  // namespace

void checkReferences(Context& context, std::vector<ScannedScript>& scripts) {
  References(context, scripts).check();
}

}  // namespace check
