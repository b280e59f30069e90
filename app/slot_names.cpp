#include "app/slot_names.h"

#include "app/test_pattern.h"

void BootScene();

namespace {

struct SlotName {
  SlotFunction function;
  const char* name;
};

const SlotName kSlotNames[] = {
    {BootScene, "BootScene"},
    {NoOverlay, "NoOverlay"},
    {TestPatternScene, "TestPatternScene"},
};

}  // namespace

const char* slotFunctionName(SlotFunction function) {
  for (const SlotName& entry : kSlotNames) {
    if (entry.function == function) return entry.name;
  }
  return "unknown";
}
