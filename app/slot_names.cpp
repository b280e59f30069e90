#include "app/slot_names.h"

#include <span>

#include "app/boot.h"
#include "battle/battle_state.h"
#include "battle/transitions.h"
#include "field/menu.h"

namespace {

const SlotName kAppSlotNames[] = {
    {BootScene, "BootScene"},
};

// The tables of every folder that defines slot functions.
std::span<const std::span<const SlotName>> catalogue() {
  static const std::span<const SlotName> parts[] = {coreSlotNames(), fieldSlotNames(), battleSlotNames(), battleFlowSlotNames(), kAppSlotNames};
  return parts;
}

}  // namespace

const char* slotFunctionName(SlotFunction function) {
  for (std::span<const SlotName> part : catalogue()) {
    for (const SlotName& entry : part) {
      if (entry.function == function) return entry.name;
    }
  }
  return "unknown";
}

SlotFunction slotFunctionByName(std::string_view name) {
  for (std::span<const SlotName> part : catalogue()) {
    for (const SlotName& entry : part) {
      if (name == entry.name) return entry.function;
    }
  }
  return nullptr;
}
