#include "battle/victory.h"

#include <algorithm>
#include <array>

#include "audio/music.h"
#include "battle/battle_scenes.h"
#include "core/draw2d.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/state_json.h"
#include "data/label_sheet.h"
#include "event/game_state.h"
#include "event/object_task.h"
#include "event/script.h"
#include "field/scroll_progress.h"
#include "gfx/text.h"

namespace {

using namespace plat;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kLevelUpColour = 0xFFEFEF00;
constexpr uint32_t kScrollColour = 0xFF4040FF;
constexpr int32_t kFadeStartCount = 128;
constexpr int32_t kKeyGateAfterDecide = -48;
constexpr int kMaxAttribute = 255;
constexpr int kDoubleGrowthFrom = 128;
constexpr float kRowTop = 112.0f;
constexpr float kRowStep = 96.0f;

// The texts of the result screen, made when it starts.
struct ResultLabels {
  GlyphString exp, money, moneyUnit, sp, levelUp, scrollLearned;
  std::array<GlyphString, kPartySlotCount> names;
};
ResultLabels gLabels;

int32_t capAdd(int32_t value, int64_t gain, int32_t cap) {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{value} + gain, cap));
}

// The record and tables of party slot k, or null for an empty slot.
SchrRecord* memberRecord(int k) {
  const int member = partyMemberOf(k);
  return member != 0 ? &gCharacters[static_cast<size_t>(member)] : nullptr;
}
CharacterTables* memberTables(int k) {
  const int member = partyMemberOf(k);
  if (member == 0 || static_cast<size_t>(member) >= gCharacterTables.size()) return nullptr;
  return &gCharacterTables[static_cast<size_t>(member)];
}

// Gives one portion of EXP and SP to every member; the words' timers start where it counted.
void giveToMembers(Battle& battle, int32_t exp, int32_t sp) {
  BattleRewards& rewards = battle.rewards;
  for (int k = 0; k < kPartySlotCount; ++k) {
    SchrRecord* record = memberRecord(k);
    CharacterTables* tables = memberTables(k);
    if (!record || !tables) continue;
    if (giveExp(*record, rewards.expToNext[k], tables->expTotal, exp)) {
      rewards.levelTimer[k] = kWordFrames;
      // The menus show the effective block: it follows the new level at once.
      recompute(*record, true);
    }
    if (gGame.scrollSwitch != 0 && giveSp(*record, *tables, sp)) rewards.scrollTimer[k] = kWordFrames;
  }
}

void writeBackExpToNext(const Battle& battle) {
  for (int k = 0; k < kPartySlotCount; ++k)
    if (CharacterTables* tables = memberTables(k)) tables->expToNext = battle.rewards.expToNext[k];
}

void loadWinScript(Battle& battle, int slot, const char* name) {
  Script& script = battle.actionScripts[slot].script;
  script.Load(kScriptDirAction, name);
  script.active = script.hasText() ? 1 : 0;
}

bool victoryMayBegin(const Battle& battle) {
  for (int k = 0; k < kPartySlotCount; ++k)
    if (battle.actionScripts[k].script.active || battle.entering[k]) return false;
  for (const Popup& popup : battle.popups)
    if (popup.timer > 0) return false;
  return true;
}

void startResultScreen(Battle& battle) {
  gStepCounter = 0;
  gScene = BattleResultScene;
  gOverlay1 = NoOverlay;
  gLabels.exp = toGlyphString(sjis("ＥＸＰ："));
  gLabels.money = toGlyphString(sjis("入手銭："));
  gLabels.moneyUnit = toGlyphString(sjis("両"));
  gLabels.sp = toGlyphString(sjis("ＳＰ：　"));
  gLabels.levelUp = toGlyphString(sjis("レベルアップ！"));
  gLabels.scrollLearned = toGlyphString(sjis("巻物の魔法を暗記した！"));
  for (int k = 0; k < kPartySlotCount; ++k) {
    const SchrRecord* record = memberRecord(k);
    gLabels.names[k] = toGlyphString(record ? fighter::name(*record) : std::string());
  }
  prepareResult(battle);
  // The screen waits for Shift: a battle won while input was off would wait for ever.
  gInputEnabled = 1;
}

void drawResultScreen(const Battle& battle) {
  const BattleRewards& rewards = battle.rewards;
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
  gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
  resetSpriteState();
  // The colour buffer is never cleared: words that stop being shown must not stay behind.
  drawColourRect(0.0f, 0.0f, 640.0f, 480.0f, 0xFF000000);
  const bool scrolls = gGame.scrollSwitch != 0;
  drawWindowBox(32.0f, 32.0f, 224.0f, 46.0f);
  drawText(gLabels.exp, 38.0f, 38.0f, kWhite);
  drawNumber(rewards.remainingExp, 128.0f, 38.0f, kWhite, 10);
  if (scrolls) {
    drawText(gLabels.sp, 38.0f, 56.0f, kWhite);
    drawNumber(rewards.remainingSp, 128.0f, 56.0f, kWhite, 10);
  }
  drawWindowBox(360.0f, 32.0f, 240.0f, 46.0f);
  drawText(gLabels.money, 366.0f, 38.0f, kWhite);
  drawNumber(rewards.remainingMoney, 494.0f, 38.0f, kWhite, 7);
  drawNumber(std::clamp(gGame.money, 0, 9999999), 494.0f, 56.0f, kWhite, 7);
  float y = kRowTop;
  for (int k = 0; k < kPartySlotCount; ++k) {
    const SchrRecord* record = memberRecord(k);
    if (!record) continue;
    drawWindowBox(128.0f, y, 480.0f, 96.0f);
    drawText(gLabels.names[k], 134.0f, y + 6.0f, kWhite);
    drawText(gLabels.exp, 134.0f, y + 26.0f, kWhite);
    drawNumber(std::max(rewards.expToNext[k], 0), 198.0f, y + 26.0f, kWhite, 10);
    drawSheetSprite(358.0f, y + 26.0f, kSheetSeparator, kWhite);
    drawNumber(levelStepExp(record->baseAttributes[ATTR_LEVEL]), 374.0f, y + 26.0f, kWhite, 10);
    if (rewards.levelTimer[k] > 0) drawText(gLabels.levelUp, 144.0f, y + 2.0f, kLevelUpColour);
    if (scrolls && rewards.scrollTimer[k] > 0) drawText(gLabels.scrollLearned, 340.0f, y + 2.0f, kScrollColour);
    y += kRowStep;
  }
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
}

// The words count down while they are shown.
void countDownWords(Battle& battle) {
  BattleRewards& rewards = battle.rewards;
  const bool scrolls = gGame.scrollSwitch != 0;
  for (int k = 0; k < kPartySlotCount; ++k) {
    if (!memberRecord(k)) continue;
    if (rewards.levelTimer[k] > 0) --rewards.levelTimer[k];
    if (scrolls && rewards.scrollTimer[k] > 0) --rewards.scrollTimer[k];
  }
}

void cover(int32_t alpha) {
  if (gDevice) drawFadeQuad(static_cast<uint32_t>(alpha & 0xFF) << 24);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The rules

int32_t levelStepExp(int level) {
  return 128 * level * level;
}

void levelUpRecord(SchrRecord& r) {
  uint8_t* attributes = r.baseAttributes;
  attributes[ATTR_LEVEL] = static_cast<uint8_t>(std::min(attributes[ATTR_LEVEL] + 1, kMaxLevel));
  for (int a = ATTR_LEVEL + 1; a < kAttributeCount; ++a) {
    const int v = attributes[a];
    attributes[a] = static_cast<uint8_t>(std::min(kMaxAttribute, v + (v >= kDoubleGrowthFrom ? 2 : 1)));
  }
  const int n = attributes[ATTR_LEVEL];
  const auto hpGain = static_cast<int64_t>((0.005 * n + 1.0) * attributes[ATTR_VITALITY] + n);
  r.maxHp = capAdd(r.maxHp, hpGain, kMaxHpCap);
  r.hp = capAdd(r.hp, hpGain, kMaxHpCap);
  const auto mpGain = static_cast<int64_t>((n + 0.01 * n * attributes[ATTR_INTELLECT]) * 0.1 + 1.0);
  r.maxMp = capAdd(r.maxMp, mpGain, kMaxMpCap);
  r.mp = capAdd(r.mp, mpGain, kMaxMpCap);
}

bool giveExp(SchrRecord& record, int32_t& expToNext, int32_t& expTotal, int32_t x) {
  int64_t e = int64_t{expToNext} - x;
  bool levelled = false;
  while (e <= 0) {
    levelUpRecord(record);
    const int32_t step = levelStepExp(record.baseAttributes[ATTR_LEVEL]);
    expTotal = static_cast<int32_t>(std::min<int64_t>(int64_t{expTotal} + step, INT32_MAX));
    e += step;
    levelled = true;
  }
  expToNext = static_cast<int32_t>(std::min<int64_t>(e, INT32_MAX));
  return levelled;
}

bool giveSp(const SchrRecord& record, CharacterTables& tables, int32_t sp) {
  if (sp <= 0) return false;
  ScrollProgress progress = progressScrolls(record.scrolls, tables.techniqueLevels, gScrolls, sp);
  tables.techniqueLevels = std::move(progress.levels);
  return !progress.learned.empty();
}

RewardTotals rewardTotals(const Battle& battle) {
  RewardTotals totals;
  for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) {
    if (battle.defeated[s] != 1) continue;
    totals.exp += battle.rewardExp[s];
    totals.money += battle.rewardMoney[s];
    totals.sp += battle.rewardSp[s];
  }
  return totals;
}

void prepareResult(Battle& battle) {
  BattleRewards& rewards = battle.rewards;
  const RewardTotals totals = rewardTotals(battle);
  rewards.exp = rewards.remainingExp = totals.exp;
  rewards.money = rewards.remainingMoney = totals.money;
  rewards.sp = rewards.remainingSp = totals.sp;
  for (int k = 0; k < kPartySlotCount; ++k) {
    const CharacterTables* tables = memberTables(k);
    rewards.expToNext[k] = tables ? tables->expToNext : 0;
    rewards.levelTimer[k] = 0;
    rewards.scrollTimer[k] = 0;
  }
}

bool distributionStep(Battle& battle, bool decideHeld) {
  BattleRewards& rewards = battle.rewards;
  int32_t* totals[] = {&rewards.remainingExp, &rewards.remainingMoney, &rewards.remainingSp};
  int32_t before[3] = {}, step[3] = {};
  bool finished = true;
  for (int i = 0; i < 3; ++i) {
    int32_t& total = *totals[i];
    before[i] = total;
    step[i] = total != 0 ? 1 : 0;
    total = total - 1 < 1 ? 0 : total - 1;
    finished = finished && total == 0;
  }
  if (!finished && decideHeld) {
    gKeyGate = kKeyGateAfterDecide;
    giveToMembers(battle, before[0], before[2]);
    gGame.money += before[1];
    for (int32_t* total : totals) *total = 0;
    return false;
  }
  giveToMembers(battle, step[0], step[2]);
  gGame.money += step[1];
  if (finished) writeBackExpToNext(battle);
  return finished;
}

// ---------------------------------------------------------------------------------------------
// The phases

void VictoryOverlay() {
  Battle* battle = gBattle;
  if (!battle) return;
  if (gStepCounter == 0) {
    if (!victoryMayBegin(*battle)) return;
    gStepCounter = 1;
    stopMusic();
    playMusic("win");
    battle->view.script.active = 0;
    loadWinScript(*battle, 0, "win");
    battle->menuFunction = NoOverlay;
    battle->target[0] = 0;
    return;
  }
  const int32_t counter = gStepCounter;
  if (counter == 2)
    for (int k = 0; k < kPartySlotCount; ++k)
      if (battle->present[k]) loadWinScript(*battle, k, "win0");
  if (counter >= kFadeStartCount) {
    for (int slot = 0; slot < kObjectTaskSlots; ++slot) freeObjectTask(slot);
    cover((counter - kFadeStartCount) * 8);
  }
  if (counter == kResultStartCount) {
    startResultScreen(*battle);
    return;
  }
  ++gStepCounter;
}

void BattleResultScene() {
  Battle* battle = gBattle;
  if (!battle) {
    gScene = BattleExitScene;
    return;
  }
  gatedPoll();
  if (gDevice) drawResultScreen(*battle);
  countDownWords(*battle);
  const int32_t counter = gStepCounter;
  const bool decideHeld = gKeySlots[SLOT_SHIFT] == KEY_HELD;
  if (counter < kResultWaitCount) {
    cover(255 - 8 * counter);
    ++gStepCounter;
  } else if (counter == kResultWaitCount) {
    if (decideHeld) {
      gStepCounter = kResultCountingCount;
      gKeyGate = kKeyGateAfterDecide;
    }
  } else if (counter == kResultCountingCount) {
    if (distributionStep(*battle, decideHeld)) {
      gInputEnabled = 1;
      gStepCounter = kResultDoneCount;
    }
  } else if (counter == kResultDoneCount) {
    if (decideHeld) gStepCounter = kResultDoneCount + 1;
  } else {
    cover(((counter - 1) * 8) % 256);
    if (++gStepCounter >= kResultEndCount) gScene = BattleExitScene;
  }
}

std::string resultStateJson() {
  const Battle* battle = gBattle;
  if (!battle || gScene != BattleResultScene) return "null";
  const BattleRewards& rewards = battle->rewards;
  std::string members = "[";
  for (int k = 0; k < kPartySlotCount; ++k) {
    state_json::Object member;
    member.add("exp_next", rewards.expToNext[k]);
    member.add("level_timer", rewards.levelTimer[k]);
    member.add("scroll_timer", rewards.scrollTimer[k]);
    members += (k ? ", " : "") + member.text();
  }
  members += "]";
  state_json::Object json;
  json.add("counter", gStepCounter);
  json.add("exp", rewards.remainingExp);
  json.add("money", rewards.remainingMoney);
  json.add("sp", rewards.remainingSp);
  json.add("members", members);
  return json.text();
}
