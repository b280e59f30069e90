#include "core/message_box.h"

#include "platform/system.h"

std::string sjis(std::string_view utf8) {
  return plat::Cp932FromUtf8(utf8);
}

void showStandardMessage(std::string_view text) {
  static const std::string caption = sjis("トホホ～");
  plat::MessageBox(text, caption);
}

void showMessage(std::string_view text, std::string_view caption) {
  plat::MessageBox(text, caption);
}
