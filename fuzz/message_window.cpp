// Feeds script texts to the message window: texts separated by zero bytes are appended (a text
// starting with 0x01 closes the window, one starting with 0x02 sets the speed from its next
// byte), and frames are drawn between them on a recording device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "event/message_window.h"
#include "tests/recording_device.h"

namespace {

void checkInvariants() {
  const MessageWindow& m = gMessage;
  if (m.text.size() > static_cast<size_t>(kMessageTextLimit)) std::abort();
  if (!m.text.empty() && !m.text.ends_with("\\e")) std::abort();
  if (m.shown < 0 || m.shown > static_cast<int>(m.text.size())) std::abort();
  if (m.height < 0 || m.height > kMessageOpenHeight) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  recording::ScopedRecordingDevice device;
  gFontText.text = "\x81\x40\x82\xa0\x82\xa2";
  messageReset();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // At most 64 texts an input: enough to fill, scroll and page the window many times over.
  size_t start = 0;
  for (int parts = 0; start <= input.size() && parts < 64; ++parts) {
    size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view part = input.substr(start, end - start);
    if (!part.empty() && part[0] == '\x01') {
      messageClose();
    } else if (part.size() >= 2 && part[0] == '\x02') {
      messageSetSpeed(static_cast<int8_t>(part[1]));
    } else {
      messageAppend(part);
    }
    checkInvariants();
    for (int frame = 0; frame < 24; ++frame) {
      messageDraw();
      checkInvariants();
      device.device.reset();
    }
    start = end + 1;
  }
  messageReset();
  return 0;
}
