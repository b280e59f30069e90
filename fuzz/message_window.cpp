// Feeds script texts to the message window and the choice: texts separated by zero bytes are
// appended (a text starting with 0x01 closes the window, one starting with 0x02 sets the speed
// from its next byte; 0x03 makes the choice list anew, 0x04 sizes it and 0x05 moves its cursor,
// each by the 32-bit number of the next four bytes, and 0x06 adds the rest as an entry), and
// frames are drawn between them on a device that draws nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "event/choice.h"
#include "event/message_window.h"
#include "tests/recording_device.h"

namespace {

void checkInvariants() {
  const MessageWindow& m = gMessage;
  if (m.text.size() > static_cast<size_t>(kMessageTextLimit)) std::abort();
  if (!m.text.empty() && !m.text.ends_with("\\e")) std::abort();
  if (m.shown < 0 || m.shown > static_cast<int>(m.text.size())) std::abort();
  if (m.height < 0 || m.height > kMessageOpenHeight) std::abort();
  const LISTWIN& list = gChoice.list;
  if (list.count != static_cast<int>(list.entries.size())) std::abort();
  if (list.count > 0 && (list.cursorEntry() < 0 || list.cursorEntry() >= list.count)) std::abort();
}

// The 32-bit number in the four bytes after the part's first.
int32_t numberOf(std::string_view part) {
  uint32_t n = 0;
  for (size_t i = 1; i < 5 && i < part.size(); ++i) n |= static_cast<uint32_t>(static_cast<uint8_t>(part[i])) << (8 * (i - 1));
  return static_cast<int32_t>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static recording::BlankDevice device;
  gDevice = &device;
  gFontText.text = "\x81\x40\x82\xa0\x82\xa2";
  messageReset();
  choiceReset();
  choiceShow();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // At most 32 texts an input, 8 frames each: enough to fill, scroll and page the window many
  // times over.
  size_t start = 0;
  for (int parts = 0; start <= input.size() && parts < 32; ++parts) {
    size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view part = input.substr(start, end - start);
    if (!part.empty() && part[0] == '\x01') {
      messageClose();
    } else if (part.size() >= 2 && part[0] == '\x02') {
      messageSetSpeed(static_cast<int8_t>(part[1]));
    } else if (!part.empty() && part[0] == '\x03') {
      choiceMake(numberOf(part));
    } else if (!part.empty() && part[0] == '\x04') {
      choiceFit(numberOf(part));
    } else if (!part.empty() && part[0] == '\x05') {
      gChoice.list.moveCursor(numberOf(part));
    } else if (!part.empty() && part[0] == '\x06') {
      choiceAdd(part.substr(1), numberOf(part));
    } else {
      messageAppend(part);
    }
    checkInvariants();
    for (int frame = 0; frame < 8; ++frame) {
      messageDraw();
      gChoice.list.drawList(kChoiceX, kChoiceBottom - gChoice.list.height);
      gChoice.list.drawScrolled(kChoiceX, kChoiceBottom - gChoice.list.height);
      checkInvariants();
    }
    start = end + 1;
  }
  messageReset();
  choiceReset();
  return 0;
}
