#include "core/state_json.h"

#include <cmath>
#include <cstdio>

#include "platform/system.h"

namespace state_json {

std::string quoted(std::string_view utf8) {
  std::string out = "\"";
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(ch);
        }
    }
  }
  return out + "\"";
}

std::string gameText(std::string_view cp932) {
  return quoted(plat::Utf8FromCp932(cp932));
}

std::string hex32(uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "0x%08X", value);
  return quoted(digits);
}

void Object::add(std::string_view name, std::string_view jsonValue) {
  if (body_.size() > 1) body_ += ", ";
  body_ += quoted(name);
  body_ += ": ";
  body_ += jsonValue;
}

void Object::add(std::string_view name, int value) {
  add(name, std::to_string(value));
}

void Object::add(std::string_view name, float value) {
  add(name, number(value));
}

std::string intArray(const int32_t* values, int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) out += (i ? ", " : "") + std::to_string(values[i]);
  return out + "]";
}

std::string floatArray(const float* values, int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) out += (i ? ", " : "") + number(values[i]);
  return out + "]";
}

std::string number(float value) {
  if (!std::isfinite(value)) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
  return text;
}

}  // namespace state_json
