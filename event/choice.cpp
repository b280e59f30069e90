#include "event/choice.h"

#include <algorithm>

#include "core/keyboard.h"
#include "core/state_json.h"
#include "audio/sound.h"

ChoiceWindow gChoice;

namespace {

constexpr int kChoiceOpenSpeed = 1;
// A choice list larger than this comes only from a damaged script; it is cut to this size.
constexpr int kChoiceMaxEntries = 1024;
constexpr int kCursorSoundSlot = 0;
constexpr int32_t kFreshPressGate = -48;
constexpr int32_t kHeldGate = 0;
constexpr int32_t kGateThreshold = 85;


}  // namespace

void choiceReset() {
  gChoice = ChoiceWindow{};
}

void choiceBegin() {
  gChoice.state = CHOICE_BUILDING;
  gChoice.list.setCount(1);
}

void choiceMake(int entries) {
  gChoice.list.setCount(std::min(entries, kChoiceMaxEntries));
}

void choiceAdd(std::string_view sjisText, int value) {
  gChoice.list.add(sjisText, value);
}

void choiceFit(int rows) {
  gChoice.list.fitSize(rows);
}

void choiceShow() {
  gChoice.selected = 0;
  gChoice.pending = 1;
  gChoice.state = CHOICE_SHOWN;
  gChoice.list.openAmount = 0;
  gChoice.list.openSpeed = kChoiceOpenSpeed;
}

bool choiceBusy() {
  return gChoice.state == CHOICE_BUILDING || gChoice.list.opening();
}

int choiceAnswer() {
  gChoice.selected = gChoice.list.cursorValue();
  gChoice.pending = 0;
  gChoice.state = CHOICE_IDLE;
  return gChoice.selected;
}

void choiceDraw() {
  gChoice.list.drawList(kChoiceX, kChoiceBottom - gChoice.list.height);
}

bool listKeys(LISTWIN& list) {
  if (gKeyGate <= kGateThreshold) return false;
  const struct {
    KeySlot slot;
    int step;
  } order[] = {
      {SLOT_UP, -list.columnCount()},
      {SLOT_LEFT, -1},
      {SLOT_DOWN, list.columnCount()},
      {SLOT_RIGHT, 1},
  };
  for (const auto& key : order) {
    const int32_t state = gKeySlots[key.slot];
    if (state != KEY_PRESSED && state != KEY_HELD) continue;
    list.moveCursor(key.step);
    playSound(kCursorSoundSlot);
    gKeyGate = state == KEY_PRESSED ? kFreshPressGate : kHeldGate;
    return true;
  }
  return false;
}

std::string choiceStateJson() {
  const LISTWIN& list = gChoice.list;
  std::string entries = "[";
  for (int i = 0; i < list.count; ++i) {
    if (i > 0) entries += ", ";
    state_json::Object entry;
    entry.add("text", state_json::gameText(glyphStringText(list.entries[i].text)));
    entry.add("value", list.entries[i].value);
    entries += entry.text();
  }
  entries += "]";
  state_json::Object object;
  object.add("state", gChoice.state);
  object.add("pending", gChoice.pending);
  object.add("selected", gChoice.selected);
  object.add("entries", entries);
  object.add("cursor", list.cursor);
  return object.text();
}
