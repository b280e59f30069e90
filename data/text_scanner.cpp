#include "data/text_scanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace data {

namespace {

int digitValue(int c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// Decimal order of magnitude of an unsigned decimal number with a nonzero digit: the power of
// ten of its first nonzero digit, plus one. Only its sign matters, so the exponent is clamped.
long orderOfMagnitude(std::string_view number) {
  const size_t e = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, e);
  long exponent = 0;
  if (e != std::string_view::npos) {
    size_t i = e + 1;
    const bool negative = i < number.size() && number[i] == '-';
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    for (; i < number.size(); ++i) exponent = std::min(exponent * 10 + (number[i] - '0'), 1000000L);
    if (negative) exponent = -exponent;
  }
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t firstNonZero = mantissa.find_first_not_of("0.");
  if (firstNonZero == std::string_view::npos) return 0;
  const long position = firstNonZero < point ? static_cast<long>(point - firstNonZero)
                                             : -static_cast<long>(firstNonZero - point - 1);
  return position + exponent;
}

// An unsigned decimal number (digits, point, exponent) as strtof reads it: rounded to the
// nearest float, too large becomes infinity, too small becomes zero or a subnormal.
float floatOf(std::string_view number) {
  double parsed = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), parsed);
  if (result.ec == std::errc::result_out_of_range) {
    return orderOfMagnitude(number) > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  // Above the largest float, what lies less than half a step beyond it still rounds down to it.
  constexpr double kRoundsToInfinity = 0x1.ffffffp+127;
  if (parsed >= kRoundsToInfinity) return std::numeric_limits<float>::infinity();
  if (parsed > std::numeric_limits<float>::max()) return std::numeric_limits<float>::max();
  return static_cast<float>(parsed);
}

}  // namespace

void noteFault(ReadNotes* notes, int line, std::string text) {
  if (notes) notes->notes.push_back({false, line, std::move(text)});
}

void noteMend(ReadNotes* notes, int line, std::string text) {
  if (notes) notes->notes.push_back({true, line, std::move(text)});
}

void noteRange(ReadNotes* notes, int line, std::string_view what, long long value, long long low, long long high) {
  if (!notes || (value >= low && value <= high)) return;
  noteFault(notes, line, std::string(what) + " " + std::to_string(value) + " is not in " + std::to_string(low) +
                             " … " + std::to_string(high));
}

void noteRecord(ReadNotes* notes, int line) {
  if (notes) notes->recordLines.push_back(line);
}

void noteText(ReadNotes* notes, int line, std::string_view text) {
  if (notes) notes->texts.push_back({line, std::string(text)});
}

int TextScanner::line() {
  const size_t to = std::min(position_, text_.size());
  if (to < lineCountedTo_) {  // never happens: the position only moves forward
    lineCountedTo_ = 0;
    line_ = 1;
  }
  line_ += static_cast<int>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(lineCountedTo_),
                                       text_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
  lineCountedTo_ = to;
  return line_;
}

void TextScanner::skipSpace() {
  while (isScanSpace(peek())) ++position_;
}

// Accumulates in 32 bits with wrap-around, so an overlong number gives a defined value.
bool TextScanner::readInteger(int base, int& value) {
  skipSpace();
  bool negative = false;
  if (peek() == '+' || peek() == '-') {
    negative = peek() == '-';
    ++position_;
  }
  if (base == 16 && peek() == '0' && position_ + 2 < text_.size()) {
    const char x = text_[position_ + 1];
    const int after = static_cast<unsigned char>(text_[position_ + 2]);
    if ((x == 'x' || x == 'X') && digitValue(after, 16) >= 0) position_ += 2;
  }
  uint32_t magnitude = 0;
  bool any = false;
  for (int d; (d = digitValue(peek(), base)) >= 0; ++position_) {
    magnitude = magnitude * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    any = true;
  }
  if (!any) return false;
  if (negative) magnitude = 0u - magnitude;
  value = static_cast<int>(magnitude);
  return true;
}

bool TextScanner::readFloat(float& value) {
  skipSpace();
  const size_t start = position_;
  if (peek() == '+' || peek() == '-') ++position_;
  const size_t mantissaStart = position_;
  size_t digits = 0;
  while (digitValue(peek(), 10) >= 0) ++position_, ++digits;
  if (peek() == '.') {
    ++position_;
    while (digitValue(peek(), 10) >= 0) ++position_, ++digits;
  }
  if (digits == 0) return false;
  if (peek() == 'e' || peek() == 'E') {
    size_t p = position_ + 1;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
    if (p < text_.size() && digitValue(static_cast<unsigned char>(text_[p]), 10) >= 0) {
      position_ = p;
      while (digitValue(peek(), 10) >= 0) ++position_;
    }
  }
  const std::string_view number = text_.substr(mantissaStart, position_ - mantissaStart);
  const float parsed = floatOf(number);
  value = text_[start] == '-' ? -parsed : parsed;
  return true;
}

bool TextScanner::readWord(std::string& value) {
  skipSpace();
  const size_t start = position_;
  while (!atEnd() && !isScanSpace(peek())) ++position_;
  if (position_ == start) return false;
  value.assign(text_.substr(start, position_ - start));
  return true;
}

int TextScanner::scan(std::string_view format, std::initializer_list<ScanTarget> targets) {
  const ScanTarget* next = targets.begin();
  int stored = 0;
  size_t i = 0;
  while (i < format.size()) {
    const char f = format[i];
    if (isScanSpace(static_cast<unsigned char>(f))) {
      skipSpace();
      ++i;
      continue;
    }
    if (f != '%' || i + 1 >= format.size() || format[i + 1] == '%') {
      if (f == '%' && i + 1 < format.size()) ++i;  // "%%" matches one '%'; so does a '%' that ends the format
      if (atEnd()) return stored == 0 ? kScanEnd : stored;
      if (peek() != static_cast<unsigned char>(format[i])) return stored;
      ++position_;
      ++i;
      continue;
    }
    const char conversion = format[i + 1];
    i += 2;
    if (next == targets.end()) return stored;  // a format without its destination
    const ScanTarget& target = *next++;
    skipSpace();
    if (atEnd()) return stored == 0 ? kScanEnd : stored;
    bool ok = false;
    switch (conversion) {
      case 'd':
        ok = target.kind == ScanTarget::Int && readInteger(10, *static_cast<int*>(target.destination));
        break;
      case 'x':
        ok = target.kind == ScanTarget::Int && readInteger(16, *static_cast<int*>(target.destination));
        break;
      case 'f':
        ok = target.kind == ScanTarget::Float && readFloat(*static_cast<float*>(target.destination));
        break;
      case 's':
        ok = target.kind == ScanTarget::Text && readWord(*static_cast<std::string*>(target.destination));
        break;
      default:
        break;
    }
    if (!ok) return stored;
    ++stored;
  }
  return stored;
}

int TextScanner::getChar() {
  const int c = peek();
  if (c >= 0) ++position_;
  return c;
}

void TextScanner::skipLine(size_t maxChars) {
  for (size_t n = 0; n < maxChars && !atEnd(); ++n) {
    if (text_[position_++] == '\n') break;
  }
}

bool TextScanner::readLine(size_t maxChars, std::string& line) {
  line.clear();
  if (atEnd()) return false;
  while (line.size() < maxChars && !atEnd()) {
    const char c = text_[position_++];
    line.push_back(c);
    if (c == '\n') break;
  }
  return true;
}

std::string textModeBytes(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == kTextModeEnd) break;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(static_cast<char>(bytes[i]));
  }
  return text;
}

std::string binaryModeBytes(std::span<const uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace data
