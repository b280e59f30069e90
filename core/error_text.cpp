#include "core/error_text.h"

#include <cstdio>
#include <cstring>

#include "core/message_box.h"

namespace {

char gErrorText[kErrorTextSize] = {};

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

void appendErrorText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const size_t used = std::strlen(gErrorText);
  const size_t room = kErrorTextSize - 1 - used;
  size_t take = 0;
  while (take < text.size()) {
    const size_t length = isLeadByte(static_cast<unsigned char>(text[take])) && take + 1 < text.size() ? 2 : 1;
    if (take + length > room) break;
    take += length;
  }
  std::memcpy(gErrorText + used, text.data(), take);
  gErrorText[used + take] = '\0';
}

void appendErrorNumber(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  appendErrorText(digits);
}

void showErrorText() {
  showMessage(gErrorText, "HollinERROR");
  gErrorText[0] = '\0';
}

void showErrorNumber(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  showStandardMessage(digits);
}

std::string_view errorText() {
  return gErrorText;
}

void clearErrorText() {
  gErrorText[0] = '\0';
}
