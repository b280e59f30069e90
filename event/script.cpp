#include "event/script.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

#include "core/data_root.h"
#include "core/error_text.h"
#include "core/message_box.h"
#include "core/random.h"
#include "data/scrambled.h"
#include "platform/system.h"

namespace {

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The messages of the language, converted once into the game's code page.
struct Messages {
  std::string tooLong = sjis("バカ長ッ！");
  std::string cannotOpen = sjis("スクリプトファイルが開けね～");
  std::string noLabel = sjis("ラベルがねぇよ:");
  std::string longInteger = sjis("gInt:ん？");
  std::string minus = sjis("あ!!");
};
const Messages& messages() {
  static const Messages converted;
  return converted;
}

int32_t wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// A decimal integer as the C library reads one: leading white space, an optional sign, digits;
// anything else ends it, no digits read as 0, and a value beyond the int32 range is clamped.
int32_t parseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The longest start of text that fits in room bytes without splitting a double-byte character.
size_t fitting(std::string_view text, size_t room) {
  size_t take = 0;
  while (take < text.size()) {
    const size_t length = isLeadByte(static_cast<unsigned char>(text[take])) && take + 1 < text.size() ? 2 : 1;
    if (take + length > room) break;
    take += length;
  }
  return take;
}

// A file's bytes as the script text: up to the first 0xFF byte, CR-LF pairs read as one line
// feed. A text longer than kScriptMaxBytes shows "バカ長ッ！" and keeps its first part.
std::string scriptTextFromBytes(std::string_view bytes) {
  std::string text;
  text.reserve(std::min(bytes.size(), static_cast<size_t>(kScriptMaxBytes)));
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (static_cast<unsigned char>(c) == 0xFF) break;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (text.size() == static_cast<size_t>(kScriptMaxBytes)) {
      showStandardMessage(messages().tooLong);
      break;
    }
    text += c;
  }
  return text;
}

// Reads "%s%s\%s.zd" (data root, directory, name) as a script text; a file that cannot be read
// shows its path and "スクリプトファイルが開けね～".
std::optional<std::string> readScriptFile(std::string_view directory, std::string_view name) {
  directory = directory.substr(0, directory.find('\0'));
  name = name.substr(0, name.find('\0'));
  std::string path = dataRoot();
  path.append(directory).append("\\").append(name).append(".zd");
  // Every CR-LF pair may shrink to one byte, so twice the longest text (and one more) is
  // enough to tell a text that is too long.
  const auto bytes = plat::ReadFile(path, 2 * static_cast<size_t>(kScriptMaxBytes) + 2);
  if (!bytes) {
    showStandardMessage(path);
    showStandardMessage(messages().cannotOpen);
    return std::nullopt;
  }
  return scriptTextFromBytes(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// How deeply steps run inside each other at the moment.
int gNesting = 0;
// Work done by all scripts: characters executed, scanned, loaded and copied. A step spends at
// most its budget of it, including the work of steps and loads that its commands start.
uint64_t gWork = 0;

}  // namespace

void endScriptStep(const ScriptCall& call) {
  call.script.active = 0;
  call.script.continueFlag = 0;
}

CommandTable::CommandTable(std::initializer_list<std::span<const CommandEntry>> lists, ScriptCommandHandler fallback)
    : fallback_(fallback) {
  for (const auto& list : lists) {
    for (const CommandEntry& entry : list) {
      if (entry.number < 0 || !entry.handler) continue;
      const size_t index = static_cast<size_t>(entry.number);
      if (index >= handlers_.size()) handlers_.resize(index + 1, nullptr);
      if (!handlers_[index]) handlers_[index] = entry.handler;
    }
  }
}

ScriptCommandHandler CommandTable::find(int number) const {
  return defines(number) ? handlers_[static_cast<size_t>(number)] : fallback_;
}

bool CommandTable::defines(int number) const {
  return number >= 0 && static_cast<size_t>(number) < handlers_.size() && handlers_[static_cast<size_t>(number)];
}

std::vector<int> CommandTable::numbers() const {
  std::vector<int> result;
  for (size_t i = 0; i < handlers_.size(); ++i)
    if (handlers_[i]) result.push_back(static_cast<int>(i));
  return result;
}

bool Script::Load(std::string_view directory, std::string_view name) {
  std::vector<char>().swap(text_);
  position_ = 0;
  const std::optional<std::string> loaded = readScriptFile(directory, name);
  if (!loaded) return false;
  text_.assign(loaded->begin(), loaded->end());
  text_.push_back('\0');
  gWork += text_.size();
  return true;
}

void Script::setText(std::string_view text) {
  const std::string prepared = scriptTextFromBytes(text);
  text_.assign(prepared.begin(), prepared.end());
  text_.push_back('\0');
  position_ = 0;
}

void Script::Include(std::string_view directory, std::string_view name, int count) {
  blankBefore(count);  // the spaces and the step back come first, whatever the file holds
  const std::optional<std::string> loaded = readScriptFile(directory, name);
  if (loaded) splice(*loaded);
}

void Script::includeText(std::string_view text, int count) {
  blankBefore(count);
  splice(text);
}

void Script::blankBefore(int count) {
  if (!hasText()) return;
  count = std::clamp(count, 0, position_);
  std::fill(text_.begin() + (position_ - count), text_.begin() + position_, ' ');
  position_ -= count;
}

void Script::splice(std::string_view text) {
  if (!hasText()) text_.push_back('\0');
  // The text keeps its one closing zero, so that "length − 4" of c3 still counts from the end.
  if (text_.size() + text.size() > static_cast<size_t>(kScriptMaxBytes) + 1) {
    showStandardMessage(messages().tooLong);
    return;
  }
  text_.insert(text_.begin() + position_, text.begin(), text.end());
  gWork += text_.size();
}

void Script::Free() {
  std::vector<char>().swap(text_);
  position_ = 0;
  continueFlag = 0;
  active = 0;
}

void Script::setPosition(int position) { position_ = std::clamp(position, 0, length()); }

void Script::setStr(std::string_view text) {
  str_.clear();
  appendStr(text);
}

void Script::appendStr(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  str_.append(text.substr(0, fitting(text, kScriptStringLimit - str_.size())));
}

// ---- labels ----

void Script::FindLabelForward(std::string_view name) { findLabel(name, true); }
void Script::FindLabelBackward(std::string_view name) { findLabel(name, false); }

void Script::findLabel(std::string_view name, bool forward) {
  const std::string_view t = text();
  const size_t from = static_cast<size_t>(position_);
  if (forward) {
    if (position_ >= length()) return;
    size_t at = from;
    for (;;) {
      const size_t mark = t.find("@:", at);
      const size_t nameEnd = mark == std::string_view::npos ? mark : t.find("//", mark + 2);
      if (nameEnd == std::string_view::npos) break;
      gWork += nameEnd + 2 - at;
      if (t.substr(mark + 2, nameEnd - mark - 2) == name) {
        position_ = static_cast<int>(nameEnd + 2);
        return;
      }
      at = nameEnd;
    }
    gWork += t.size() - std::min(at, t.size());
  } else {
    if (position_ <= 0) return;
    // Going backwards, the "//" that ends the name of each "@:" found is the first one behind
    // it; it is searched only in the part of the text not searched for the previous "@:".
    size_t searchedFrom = t.size();  // "//" was searched from here to the end of the text
    size_t nameEnd = std::string_view::npos;
    size_t mark = t.rfind("@:", from);
    for (; mark != std::string_view::npos; mark = mark == 0 ? std::string_view::npos : t.rfind("@:", mark - 1)) {
      const size_t nameStart = mark + 2;
      if (nameStart < searchedFrom) {
        // "//" wholly inside [nameStart, searchedFrom + 1), else the one found before.
        const size_t found = t.substr(0, std::min(t.size(), searchedFrom + 1)).find("//", nameStart);
        if (found != std::string_view::npos) nameEnd = found;
        searchedFrom = nameStart;
      }
      if (nameEnd != std::string_view::npos && t.substr(nameStart, nameEnd - nameStart) == name) {
        gWork += from - mark + 1;
        position_ = static_cast<int>(nameEnd + 2);
        return;
      }
    }
    gWork += from + 1;
  }
  labelMissing(name);
}

void Script::labelMissing(std::string_view name) {
  showStandardMessage(messages().noLabel + std::string(name.substr(0, name.find('\0'))));
  position_ = 0;
}

// ---- argument reading ----

char Script::readChar() {
  if (atEnd()) return '\0';
  ++gWork;
  return text_[position_++];
}

int32_t Script::readInteger() {
  std::string digits;
  while (!atEnd()) {
    const char c = readChar();
    if (c == ',') break;
    digits += c;
    if (digits.size() > static_cast<size_t>(kScriptIntegerLimit)) {
      showStandardMessage(messages().longInteger);
      break;
    }
  }
  return parseDecimal(digits);
}

std::string Script::readString(StringEnd* end) {
  std::string s;
  StringEnd how = StringEnd::Unclosed;
  while (!atEnd()) {
    if (text_[position_] == '/' && position_ + 1 < length() && text_[position_ + 1] == '/') {
      readChar();
      readChar();
      how = StringEnd::Closed;
      break;
    }
    s += readChar();
    if (s.size() == static_cast<size_t>(kScriptStringLimit)) {
      readChar();
      readChar();
      how = StringEnd::Cut;
      break;
    }
  }
  if (end) *end = how;
  return s;
}

void Script::skipPast(char c) {
  while (!atEnd() && readChar() != c) {
  }
}

// ---- execution ----

void Script::Step() {
  continueFlag = 1;
  run();
}

void Script::run() {
  if (gNesting >= kScriptMaxNesting) {
    continueFlag = 0;
    return;
  }
  ++gNesting;
  const uint64_t start = gWork;
  const uint64_t budget = static_cast<uint64_t>(std::max(stepBudget, 1));
  while (continueFlag != 0) {
    if (atEnd() || gWork - start >= budget) {
      continueFlag = 0;
      break;
    }
    execute(readItem());
  }
  --gNesting;
}

const CommandTable* Script::familyTable(char letter) const {
  if (!commands) return nullptr;
  switch (letter) {
    case 'f': return commands->f;
    case 'o': return commands->o;
    case 'b': return commands->b;
    case 'w': return commands->w;
    default: return nullptr;
  }
}

ScriptItem Script::readItem() {
  ScriptItem item;
  item.start = position_;
  if (atEnd()) return item;
  const char c = readChar();
  item.letter = c;
  switch (c) {
    case '#':
      item.kind = ItemKind::FrameEnd;
      break;
    case '*':
      item.kind = ItemKind::Comment;
      skipPast('\n');
      break;
    case '@':
      item.kind = ItemKind::Label;
      skipPast('/');
      break;
    case 'c':
      item.kind = ItemKind::Calculation;
      if (atEnd()) {
        item.complete = false;  // a "c" at the very end of the text
        break;
      }
      item.calculation = readCalculation();
      break;
    case 'f':
    case 'o':
    case 'b':
    case 'w':
      if (!familyTable(c)) {
        item.kind = ItemKind::FreeText;  // the letter is free text for this runner
        break;
      }
      item.kind = ItemKind::Command;
      readCommandNumber(item);
      break;
    case '|':
    case '!':
      item.kind = ItemKind::Mark;
      break;
    default:
      // Free text: a double-byte character is skipped whole, so that its second byte is
      // never taken for a command letter.
      item.kind = ItemKind::FreeText;
      if (isLeadByte(static_cast<unsigned char>(c))) readChar();
      break;
  }
  return item;
}

void Script::readCommandNumber(ScriptItem& item) {
  const std::string_view t = text();
  const size_t end = t.find(';', static_cast<size_t>(position_));
  if (end == std::string_view::npos) {
    // A command cut off by the end of the text is not executed.
    item.complete = false;
    gWork += t.size() - static_cast<size_t>(position_);
    position_ = length();
    return;
  }
  item.number = parseDecimal(t.substr(position_, end - position_));
  gWork += end + 1 - static_cast<size_t>(position_);
  position_ = static_cast<int>(end + 1);
}

void Script::execute(const ScriptItem& item) {
  switch (item.kind) {
    case ItemKind::FrameEnd:
      continueFlag = 0;
      break;
    case ItemKind::Calculation:
      if (item.complete) calculate(item.calculation);
      break;
    case ItemKind::Command:
      if (!item.complete) break;
      if (const CommandTable* table = familyTable(item.letter))
        if (const ScriptCommandHandler handler = table->find(item.number))
          handler(ScriptCall{*this, runner, item.number, item.start});
      break;
    case ItemKind::Mark: {
      const ScriptCommandHandler handler = !commands ? nullptr : item.letter == '|' ? commands->bar : commands->bang;
      if (handler) handler(ScriptCall{*this, runner, 0, item.start});
      break;
    }
    default:
      break;
  }
}

Calculation Script::readCalculation() {
  Calculation c;
  c.command = readChar();
  readChar();  // the separator
  switch (c.command) {
    case '0':
      c.i = readInteger();
      c.a = readInteger();
      c.op = readChar();
      break;
    case '1':
      c.text = readString(&c.textEnd);
      c.op = readChar();
      break;
    case '2':
      c.i = readInteger();
      c.op = readChar();
      readChar();
      c.j = readInteger();
      break;
    case '3':
    case '4':
      c.text = readString(&c.textEnd);
      c.op = readChar();
      break;
    case '5':
      c.i = readInteger();
      c.j = readInteger();
      break;
    case '7':
      c.text = readString(&c.textEnd);
      break;
    case '8':
      c.i = readInteger();
      c.j = readInteger();
      c.k = readInteger();
      c.op = readChar();
      break;
    default:  // "c6", "c9" and any other command character
      c.text = readString(&c.textEnd);
      break;
  }
  return c;
}

void Script::calculate(const Calculation& c) {
  switch (c.command) {
    case '0': {
      if (c.op == '-') {
        showStandardMessage(messages().minus);
        break;
      }
      if (!isVariable(c.i)) break;
      int32_t& x = v[c.i];
      const int32_t a = c.a;
      switch (c.op) {
        case '=': x = a; break;
        case '+': x = wrap(int64_t{x} + a); break;
        case '*': x = wrap(int64_t{x} * a); break;
        case '/':
          if (a != 0) x = wrap(int64_t{x} / a);  // a division by 0 changes nothing
          break;
        case '!': x = x == 0 ? 1 : 0; break;
        case 'C':
          if (isVariable(a)) x = v[a];
          break;
        case 'R':
          if (a != 0) x = nextRandom() % a;  // modulus 0 changes nothing
          break;
        default: break;
      }
      break;
    }
    case '1':
      if (c.op == '=') setStr(c.text);
      else if (c.op == '+') appendStr(c.text);
      break;
    case '2': {
      if (!isVariable(c.i) || !isVariable(c.j)) break;
      const int32_t x = v[c.i], y = v[c.j];
      switch (c.op) {
        case '=': v[2] = x == y; break;
        case '!': v[2] = x != y; break;
        case '<': v[2] = x < y; break;
        case '>': v[2] = x > y; break;
        default: break;
      }
      break;
    }
    case '3':
      if (c.op == '0') FindLabelForward(c.text);
      else if (c.op == '1') FindLabelBackward(c.text);
      else setPosition(length() - 4);
      break;
    case '4':
      if (v[2] != 0) {
        if (c.op == '0') FindLabelForward(c.text);
        else FindLabelBackward(c.text);
      }
      break;
    case '5':
      if (isVariable(c.i) && isVariable(c.j)) v[c.i] = v[c.j];
      break;
    case '7':
      setStr(c.text);
      v[4] = wrap(int64_t{v[4]} + 1);
      if (v[4] < v[5]) FindLabelBackward(c.text);
      break;
    case '8':
      if (!isVariable(c.i) || !isVariable(c.j)) break;
      if (c.op == '*') v[c.i] = wrap(int64_t{v[c.j]} * c.k);
      else if (c.op == '\\') v[c.i] = wrap(int64_t{v[c.i]} + int64_t{v[c.j]} * c.k);
      break;
    default:  // "c6", "c9" and any other command character: a message box for debugging
      showStandardMessage(c.text.substr(0, c.text.find('\0')));
      break;
  }
}

void Script::waitHere(int start) {
  setPosition(start);
  continueFlag = 0;
}

void Script::dumpVariables() const {
  for (const int32_t value : v) {
    appendErrorNumber(value);
    appendErrorText(",");
  }
  showErrorText();
}
