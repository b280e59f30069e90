// Small helpers that write the members of the state dump as JSON text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace state_json {

// A JSON string literal of UTF-8 text.
std::string quoted(std::string_view utf8);
// A JSON string literal of game text (code page 932), converted to UTF-8.
std::string gameText(std::string_view cp932);
// A JSON string literal of the value in hexadecimal: "0x" and eight upper-case digits.
std::string hex32(uint32_t value);

// A JSON array of numbers.
std::string intArray(const int32_t* values, int count);
std::string floatArray(const float* values, int count);
// A JSON number of a float: a short fixed text, 0 for what is not finite.
std::string number(float value);

// Members in the order they are added, written as one object.
class Object {
 public:
  void add(std::string_view name, std::string_view jsonValue);
  void add(std::string_view name, int value);
  void add(std::string_view name, float value);
  std::string text() const { return body_ + "}"; }

 private:
  std::string body_ = "{";
};

}  // namespace state_json
