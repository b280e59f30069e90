#include "app/boot.h"
#include "app/slot_names.h"

#include "core/capture.h"
#include "core/test_pattern.h"
#include "battle/transitions.h"
#include "battle/battle_scenes.h"
#include "battle/battle_state.h"
#include "field/field.h"


namespace {

struct SlotName {
  SlotFunction function;
  const char* name;
};

const SlotName kSlotNames[] = {
    {BootScene, "BootScene"},
    {NoOverlay, "NoOverlay"},
    {TestPatternScene, "TestPatternScene"},
    {FieldScene, "FieldScene"},
    {EncounterEffect, "EncounterEffect"},
    {BattleEntryScene, "BattleEntryScene"},
    {BattleExitScene, "BattleExitScene"},
    {BattleReturnFlash, "BattleReturnFlash"},
    {BattleEndFade, "BattleEndFade"},
    {ZoomBlurOverlay, "ZoomBlurOverlay"},
    {CrossFadeOverlay, "CrossFadeOverlay"},
};

}  // namespace

const char* slotFunctionName(SlotFunction function) {
  for (const SlotName& entry : kSlotNames) {
    if (entry.function == function) return entry.name;
  }
  if (const char* name = battleSlotName(function)) return name;
  return "unknown";
}
