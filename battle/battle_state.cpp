#include "battle/battle_state.h"

#include "battle/battle.h"
#include "battle/battle_flow.h"
#include "battle/battle_menus.h"
#include "battle/battle_scenes.h"
#include "battle/battle_seams.h"
#include "battle/transitions.h"
#include "battle/victory.h"
#include "event/battle_link.h"
#include "event/scene_hooks.h"
#include "core/state_json.h"
#include "gfx/camera.h"

namespace {


const SlotName kBattleFlowNames[] = {
    {BattleScene, "BattleScene"},
    {BattleIntroOverlay, "BattleIntroOverlay"},
    {BattleMessageWait, "BattleMessageWait"},
    {BattleMessageOverlay, "BattleMessageOverlay"},
    {TurnGaugeOverlay, "TurnGaugeOverlay"},
    {ActorTurnOverlay, "ActorTurnOverlay"},
    {ActionWaitOverlay, "ActionWaitOverlay"},
    {VictoryOverlay, "VictoryOverlay"},
    {BattleResultScene, "BattleResultScene"},
    {CommandMenuFunction, "CommandMenuFunction"},
    {SubMenuFunction, "SubMenuFunction"},
    {TargetMenuFunction, "TargetMenuFunction"},
};

std::string scriptJson(const Script& script) {
  state_json::Object json;
  json.add("active", script.active);
  json.add("position", script.position());
  return json.text();
}

std::string slotJson(Battle& battle, int s) {
  SchrRecord& r = slotRecord(battle, s);
  const CHARA* chara = slotChara(s);
  state_json::Object json;
  json.add("present", battle.present[s]);
  json.add("name", state_json::gameText(fighter::name(r)));
  json.add("hp", fighter::hp(r));
  json.add("max_hp", fighter::maxHp(r));
  json.add("mp", fighter::mp(r));
  json.add("max_mp", fighter::maxMp(r));
  json.add("tension", fighter::tension(r));
  json.add("gauge", battle.gauge[s]);
  json.add("chosen", battle.chosen[s]);
  json.add("target", battle.target[s]);
  json.add("guard", battle.guard[s]);
  json.add("back_row", battle.backRow[s]);
  json.add("entering", battle.entering[s]);
  json.add("defeated", battle.defeated[s]);
  json.add("hit_flags", battle.hitFlags[s]);
  json.add("result", battle.result[s]);
  json.add("x", chara ? chara->position.x : 0.0f);
  json.add("z", chara ? chara->position.z : 0.0f);
  json.add("heading", chara ? chara->rotation.y : 0.0f);
  json.add("anim", chara ? chara->getAnim() : -1);
  json.add("alpha", chara ? chara->alpha : 0.0f);
  json.add("script", scriptJson(battle.actionScripts[s].script));
  json.add("shown_hp", battle.shownHp[s]);
  json.add("shown_mp", battle.shownMp[s]);
  json.add("shown_tension", battle.shownTension[s]);
  return json.text();
}

std::string menuJson(Battle& battle) {
  state_json::Object json;
  json.add("active", battle.activeMenu);
  json.add("slide", battle.menuSlide);
  std::string lists = "[";
  for (int m = 0; m < kBattleMenus; ++m) {
    state_json::Object list;
    list.add("open", battle.menus[m].openAmount);
    list.add("cursor", battle.menus[m].cursorEntry());
    std::string entries = "[";
    for (size_t i = 0; i < battle.menuTexts[m].size(); ++i)
      entries += (i ? ", " : "") + state_json::gameText(battle.menuTexts[m][i]);
    list.add("entries", entries + "]");
    lists += (m ? ", " : "") + list.text();
  }
  json.add("lists", lists + "]");
  return json.text();
}

std::string popupsJson(const Battle& battle) {
  std::string popups = "[";
  bool first = true;
  for (const Popup& p : battle.popups) {
    if (p.timer == 0) continue;
    state_json::Object json;
    json.add("kind", p.kind);
    json.add("text", state_json::quoted(p.text));
    json.add("timer", p.timer);
    popups += (first ? "" : ", ") + json.text();
    first = false;
  }
  return popups + "]";
}

}  // namespace

std::span<const SlotName> battleFlowSlotNames() {
  return kBattleFlowNames;
}

const char* battleSlotName(SlotFunction function) {
  for (const std::span<const SlotName> names : {battleFlowSlotNames(), battleSlotNames()})
    for (const SlotName& entry : names)
      if (entry.function == function) return entry.name;
  return nullptr;
}

std::string battleStateJson() {
  Battle* battle = gBattle;
  if (!battle) return "null";
  const char* phase = battleSlotName(gOverlay1);
  state_json::Object json;
  json.add("actor", battle->actor);
  json.add("ready", battle->ready);
  json.add("continues", battle->continues);
  json.add("escape_allowed", battle->escapeAllowed);
  json.add("all_target", battle->allTarget);
  json.add("action_ready", battle->actionReady);
  json.add("phase", state_json::quoted(phase ? phase : gOverlay1 == NoOverlay ? "NoOverlay" : "other"));
  state_json::Object help;
  help.add("text", state_json::gameText(battle->help.text));
  help.add("time", battle->help.time);
  json.add("help", help.text());
  std::string slots = "[";
  for (int s = 0; s < kBattleSlots; ++s) slots += (s ? ", " : "") + slotJson(*battle, s);
  json.add("slots", slots + "]");
  json.add("menu", menuJson(*battle));
  json.add("popups", popupsJson(*battle));
  json.add("battle_script", scriptJson(battle->battleScript.script));
  json.add("view_script", scriptJson(battle->view.script));
  return json.text();
}

void resetBattle() {
  if (gBattle) {
    gCameraLinks = gBattle->field.cameraLinks;
    gSceneDrawing = gBattle->field.sceneDrawing;
  }
  gBattleLink = BattleLink{};
  destroyBattle();
}
