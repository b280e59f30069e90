// The token reader of the Mat model text format (gfx/mat_model.h), over the file's bytes in
// memory.
//
// White space (space, tab, CR, LF) separates tokens. Each of ( ) { } is a token of its own, also
// when it directly follows other characters: then it is held back and returned as the next
// token. A double quote opens a quoted part in which white space and brackets belong to the
// token until the next double quote; the quotes stay in the token. A token keeps at most
// kMaxToken characters; the rest of it is read and dropped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class MatTokenizer {
 public:
  static constexpr size_t kMaxToken = 254;
  // The longest line the chunk line reader takes at once; the rest of a longer line is read as
  // the next line.
  static constexpr size_t kMaxLine = 255;

  explicit MatTokenizer(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  // The next token into out; false (out empty) at the end of the bytes.
  bool next(std::string& out) {
    out.clear();
    if (held_ >= 0) {
      out.push_back(static_cast<char>(held_));
      held_ = -1;
      return true;
    }
    while (pos_ < bytes_.size() && isSpace(bytes_[pos_])) ++pos_;
    if (pos_ >= bytes_.size()) return false;
    bool quoted = false;
    while (pos_ < bytes_.size()) {
      const uint8_t c = bytes_[pos_++];
      if (!quoted) {
        if (isSpace(c)) break;
        if (isBracket(c)) {
          if (out.empty()) {
            out.push_back(static_cast<char>(c));
          } else {
            held_ = c;
          }
          break;
        }
      }
      if (c == '"') quoted = !quoted;
      if (out.size() < kMaxToken) out.push_back(static_cast<char>(c));
    }
    return true;
  }

  // One line as the standard line reader takes it: up to and including the next line feed, at
  // most kMaxLine bytes. False at the end of the bytes.
  bool readLine(std::string& out) {
    out.clear();
    if (pos_ >= bytes_.size()) return false;
    while (pos_ < bytes_.size() && out.size() < kMaxLine) {
      const char c = static_cast<char>(bytes_[pos_++]);
      out.push_back(c);
      if (c == '\n') break;
    }
    return true;
  }

  // Skips raw bytes (never past the end); returns how many were skipped.
  size_t skip(size_t count) {
    const size_t n = count < remaining() ? count : remaining();
    pos_ += n;
    return n;
  }
  size_t remaining() const { return bytes_.size() - pos_; }
  // The raw bytes from the current position on.
  const uint8_t* current() const { return bytes_.data() + pos_; }

 private:
  static bool isSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  static bool isBracket(uint8_t c) { return c == '(' || c == ')' || c == '{' || c == '}'; }

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  int held_ = -1;  // the bracket that ended the previous token, -1 when none
};
