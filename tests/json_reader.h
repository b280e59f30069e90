// A small reader for the state dumps of the journeys: objects, arrays, strings, numbers, true,
// false and null. A value that is not there reads as null, so a chain of lookups never throws.
#pragma once
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Json {
 public:
  static Json parse(const std::string& text) {
    size_t at = 0;
    Json value = readValue(text, at);
    skipSpace(text, at);
    return at == text.size() ? value : Json();
  }

  bool isNull() const { return kind_ == Kind::Null; }
  double number() const { return number_; }
  int integer() const { return static_cast<int>(number_); }
  const std::string& text() const { return text_; }
  size_t size() const { return items_.size() + members_.size(); }

  const Json& operator[](const std::string& name) const {
    const auto it = members_.find(name);
    return it == members_.end() ? none() : it->second;
  }
  const Json& operator[](size_t index) const { return index < items_.size() ? items_[index] : none(); }

 private:
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  static const Json& none() {
    static const Json empty;
    return empty;
  }
  static void skipSpace(const std::string& s, size_t& at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t')) ++at;
  }
  static std::string readString(const std::string& s, size_t& at) {
    std::string out;
    for (++at; at < s.size() && s[at] != '"'; ++at) {
      if (s[at] != '\\' || at + 1 >= s.size()) {
        out.push_back(s[at]);
        continue;
      }
      const char e = s[++at];
      if (e == 'n') out.push_back('\n');
      else if (e == 't') out.push_back('\t');
      else if (e == 'u' && at + 4 < s.size()) {
        const unsigned c = static_cast<unsigned>(std::strtoul(s.substr(at + 1, 4).c_str(), nullptr, 16));
        at += 4;
        if (c < 0x80) {
          out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
          out.push_back(static_cast<char>(0xC0 | c >> 6));
          out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
          out.push_back(static_cast<char>(0xE0 | c >> 12));
          out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
          out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
      } else {
        out.push_back(e);
      }
    }
    ++at;
    return out;
  }
  static Json readValue(const std::string& s, size_t& at) {
    Json v;
    skipSpace(s, at);
    if (at >= s.size()) return v;
    const char c = s[at];
    if (c == '{' || c == '[') {
      const bool object = c == '{';
      v.kind_ = object ? Kind::Object : Kind::Array;
      ++at;
      for (;;) {
        skipSpace(s, at);
        if (at >= s.size()) return Json();
        if (s[at] == (object ? '}' : ']')) {
          ++at;
          return v;
        }
        std::string name;
        if (object) {
          if (s[at] != '"') return Json();
          name = readString(s, at);
          skipSpace(s, at);
          if (at >= s.size() || s[at] != ':') return Json();
          ++at;
        }
        Json item = readValue(s, at);
        if (object) v.members_[name] = std::move(item);
        else v.items_.push_back(std::move(item));
        skipSpace(s, at);
        if (at < s.size() && s[at] == ',') ++at;
      }
    }
    if (c == '"') {
      v.kind_ = Kind::String;
      v.text_ = readString(s, at);
    } else if (s.compare(at, 4, "null") == 0) {
      at += 4;
    } else if (s.compare(at, 4, "true") == 0 || s.compare(at, 5, "false") == 0) {
      v.kind_ = Kind::Boolean;
      v.number_ = s[at] == 't' ? 1 : 0;
      at += s[at] == 't' ? 4 : 5;
    } else {
      char* end = nullptr;
      v.number_ = std::strtod(s.c_str() + at, &end);
      if (end == s.c_str() + at) {
        at = s.size();
        return Json();
      }
      v.kind_ = Kind::Number;
      at = static_cast<size_t>(end - s.c_str());
    }
    return v;
  }

  Kind kind_ = Kind::Null;
  double number_ = 0;
  std::string text_;
  std::vector<Json> items_;
  std::map<std::string, Json> members_;
};
