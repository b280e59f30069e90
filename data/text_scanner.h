// Formatted reading of the game's text files, with the behaviour of the C library's scanf family
// on a byte buffer: the readers of the database, enemy and configuration files describe their
// input as scanf formats, and damaged files must be read exactly as those formats would read
// them (a conversion that fails leaves its variable unchanged and ends that call), only without
// any way to run past the end of the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace data {

// What a reader can tell about a file besides its content, for the data checker (orvane-check):
// the values the game cannot use as they stand (faults) and those it changes while reading
// (mends), the line each record begins on, and the texts the game draws, each with its line.
// Readers take it as an optional last argument; the game passes none.
struct ReadNotes {
  struct Note {
    bool mended;
    int line;
    std::string text;
  };
  struct Text {
    int line;
    std::string text;  // in the game's code page
  };
  std::vector<Note> notes;
  std::vector<int> recordLines;
  std::vector<Text> texts;
};
// Each of these does nothing without notes.
void noteFault(ReadNotes* notes, int line, std::string text);
void noteMend(ReadNotes* notes, int line, std::string text);
// A fault "<what> <value> is not in <low> … <high>" when value lies outside the range.
void noteRange(ReadNotes* notes, int line, std::string_view what, long long value, long long low, long long high);
void noteRecord(ReadNotes* notes, int line);
void noteText(ReadNotes* notes, int line, std::string_view text);

// Where a conversion stores its value: "%d" and "%x" into an int, "%f" into a float, "%s" into
// a string (the whole word; callers cut it to their field).
struct ScanTarget {
  enum Kind { Int, Float, Text };
  Kind kind;
  void* destination;
  ScanTarget(int& value) : kind(Int), destination(&value) {}
  ScanTarget(float& value) : kind(Float), destination(&value) {}
  ScanTarget(std::string& value) : kind(Text), destination(&value) {}
};

constexpr int kScanEnd = -1;  // scan() met the end of the input before its first conversion

// Reads from a view: the text must outlive the scanner.
class TextScanner {
 public:
  explicit TextScanner(std::string_view text) : text_(text) {}

  // One scanf call. Directives: white space (skips any amount of white space), "%d", "%x",
  // "%f", "%s", "%%", and ordinary characters (must match the next input character). The
  // first directive that fails ends the call; the input stays at the character that did not
  // match. Returns the number of values stored, or kScanEnd when the input ended before the
  // first conversion.
  int scan(std::string_view format, std::initializer_list<ScanTarget> targets);

  // getc: the next byte (0 … 255), or -1 at the end.
  int getChar();
  // Reads and discards up to maxChars characters, stopping after the first line feed.
  void skipLine(size_t maxChars);
  // fgets with a buffer of maxChars + 1: up to maxChars characters, through the first line
  // feed. Returns false (and an empty line) at the end of the input.
  bool readLine(size_t maxChars, std::string& line);

  bool atEnd() const { return position_ >= text_.size(); }
  size_t position() const { return position_; }
  // The line of the position, counted from 1.
  int line();

 private:
  int peek() const { return atEnd() ? -1 : static_cast<unsigned char>(text_[position_]); }
  void skipSpace();
  bool readInteger(int base, int& value);
  bool readFloat(float& value);
  bool readWord(std::string& value);

  std::string_view text_;
  size_t position_ = 0;
  size_t lineCountedTo_ = 0;  // line() has counted the line feeds before this position
  int line_ = 1;
};

// The bytes as a file opened in text mode ("r") delivers them: every CR LF becomes LF, and a
// Ctrl-Z (written by old editors at the end of a file) ends the file.
constexpr uint8_t kTextModeEnd = 0x1A;
std::string textModeBytes(std::span<const uint8_t> bytes);
// The bytes unchanged, as a file opened in binary mode ("rb") delivers them.
std::string binaryModeBytes(std::span<const uint8_t> bytes);

// isspace of the C locale.
inline bool isScanSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace data
