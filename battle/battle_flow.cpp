#include "battle/battle_flow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/sound.h"
#include "battle/battle_scripts.h"
#include "battle/battle_seams.h"
#include "core/capture.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/random.h"

namespace {

constexpr float kPartyFadeStep = 0.03f;
constexpr int32_t kOpeningCoverFrames = 10;  // the black cover thins out above this count
constexpr float kWalkInSpeed = 2.0f;         // units per millisecond of frame time
constexpr float kArrivalReach = 64.0f;
constexpr float kRowDepth = 384.0f;
constexpr float kStepBackDistance = 3200.0f;
constexpr int kTurnStartSound = 1;
constexpr int kWeakShare = 8;  // a fighter below maximum HP / 8 is weak
constexpr int32_t kMissingFromParty = -16;
constexpr int32_t kMissingEnemy = -1;

bool anyPartyEntering(const Battle& battle) {
  for (int k = 0; k < kPartySlotCount; ++k)
    if (battle.entering[k]) return true;
  return false;
}

bool anyPresent(const Battle& battle, int first, int end) {
  for (int s = first; s < end; ++s)
    if (battle.present[s]) return true;
  return false;
}

int effectiveSpeed(Battle& battle, int slot) {
  return fighter::effective(slotRecord(battle, slot), ATTR_SPEED);
}

// The average effective speed of the present slots first … end - 1, truncated; 0 without any.
int averageSpeed(Battle& battle, int first, int end) {
  int sum = 0, count = 0;
  for (int s = first; s < end; ++s) {
    if (!battle.present[s]) continue;
    sum += effectiveSpeed(battle, s);
    ++count;
  }
  return count == 0 ? 0 : static_cast<int>(static_cast<double>(sum) / count);
}

void endOpening(Battle& battle) {
  gOverlay1 = BattleMessageWait;
  for (int k = 0; k < kPartySlotCount; ++k)
    if (CHARA* chara = slotChara(k)) chara->alpha = 1.0f;
  stopZoomBlur();
  battle.ready = 1;
  applyAdvantage(battle, advantageRoll(battle, nextRandom()));
}

// The slot whose turn has come: the first in order above the threshold.
int slotAboveThreshold(const Battle& battle, const std::array<int, kBattleSlots>& order) {
  for (const int s : order)
    if (battle.present[s] && battle.gauge[s] > kTurnThreshold) return s;
  return -1;
}

bool weak(Battle& battle, int slot) {
  SchrRecord& r = slotRecord(battle, slot);
  return fighter::hp(r) < fighter::maxHp(r) / kWeakShare;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The opening

void BattleIntroOverlay() {
  Battle* battle = gBattle;
  if (!battle) return;
  const int32_t counter = --gStepCounter;
  if (counter < 0) {
    endOpening(*battle);
    return;
  }
  for (int k = 0; k < kPartySlotCount; ++k) {
    CHARA* chara = slotChara(k);
    if (partyMemberOf(k) != 0 && chara) chara->alpha = std::min(1.0f, chara->alpha + kPartyFadeStep);
  }
  if (counter > kOpeningCoverFrames) {
    const auto alpha = static_cast<uint32_t>(static_cast<float>(counter - kOpeningCoverFrames) * 0.0625f * 255.0f);
    drawFadeQuad(alpha << 24);
  } else if (anyPartyEntering(*battle)) {
    ++gStepCounter;  // the opening waits for the walk-in
  }
}

int advantageRoll(Battle& battle, int random) {
  const int party = averageSpeed(battle, 0, kPartySlotCount);
  const int enemies = averageSpeed(battle, kFirstEnemySlot, kBattleSlots);
  return (party - enemies) / (random % 20 + 10);
}

void applyAdvantage(Battle& battle, int d) {
  if (d == 0) {
    gStepCounter = 0;
    return;
  }
  const bool firstStrike = d > 0;
  showHelp(battle, sjis(firstStrike ? "先制攻撃のチャンスだ！" : "ふいうちである"), kHelpMessageTime, true);
  const int first = firstStrike ? 0 : kFirstEnemySlot;
  const int end = firstStrike ? kPartySlotCount : kBattleSlots;
  // Only who takes part gets the head start: a fallen member never gets a turn.
  for (int s = first; s < end; ++s)
    if (battle.present[s]) battle.gauge[s] = effectiveSpeed(battle, s) + kTurnThreshold;
  gStepCounter = kAdvantageWaitFrames;
}

void BattleMessageWait() {
  Battle* battle = gBattle;
  if (!battle) return;
  if (--gStepCounter < 0) {
    runBattleScriptAt(*battle, beginLabel(), TurnGaugeOverlay);
    return;
  }
  // The decide key leaves one frame of wait: the next frame's count ends it, also while the key
  // is still held.
  if (gKeySlots[SLOT_SHIFT] > KEY_RELEASED) gStepCounter = 0;
}

// ---------------------------------------------------------------------------------------------
// The battle script

void runBattleScriptAt(Battle& battle, std::string_view label, SlotFunction next) {
  Script& script = battle.battleScript.script;
  if (!script.hasText()) {
    gOverlay1 = next;
    return;
  }
  script.Rewind();
  script.FindLabelForward(label);
  battle.battleScript.nextFunction = next;
  script.active = 1;
  gOverlay1 = BattleMessageOverlay;
}

void BattleMessageOverlay() {
  if (gBattle && gBattle->battleScript.script.active) gBattle->battleScript.script.Step();
}

// ---------------------------------------------------------------------------------------------
// Initiative

std::array<int, kBattleSlots> turnOrder(const int32_t (&gauge)[kBattleSlots]) {
  std::array<int, kBattleSlots> order;
  for (int s = 0; s < kBattleSlots; ++s) order[s] = s;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return gauge[a] > gauge[b]; });
  return order;
}

int runTurnGauge(Battle& battle) {
  const std::array<int, kBattleSlots> order = turnOrder(battle.gauge);
  // A slot already above the threshold acts without another tick.
  int slot = slotAboveThreshold(battle, order);
  for (int tick = 0; tick < kTicksPerFrame && slot < 0; ++tick) {
    for (int s = 0; s < kBattleSlots; ++s) {
      if (!battle.present[s]) {
        battle.gauge[s] = 0;
        continue;
      }
      const double growth = (100 + nextRandom() % 24) * 0.01 * effectiveSpeed(battle, s);
      battle.gauge[s] = static_cast<int32_t>(battle.gauge[s] + growth);
    }
    slot = slotAboveThreshold(battle, order);
  }
  return slot;
}

void TurnGaugeOverlay() {
  Battle* battle = gBattle;
  if (!battle) return;
  const int slot = runTurnGauge(*battle);
  if (slot < 0) return;
  battle->actor = slot;
  runBattleScriptAt(*battle, turnLabel(), ActorTurnOverlay);
}

// ---------------------------------------------------------------------------------------------
// Turns and decisions

void ActorTurnOverlay() {
  Battle* battle = gBattle;
  if (!battle) return;
  const int actor = battle->actor;
  if (!isBattleSlot(actor)) {
    gOverlay1 = TurnGaugeOverlay;
    return;
  }
  if (battle->actionScripts[actor].script.active || battle->entering[actor]) return;
  battle->allTarget = 0;
  battle->guard[actor] = 0;
  battle->actionReady = 0;
  gOverlay1 = ActionWaitOverlay;
  if (isPartySlot(actor)) {
    playSound(kTurnStartSound);
    openCommandMenu(*battle, 0);
    return;
  }
  if (battle->actionTable[actor].empty()) {
    // An enemy without any action lets its turn pass.
    battle->gauge[actor] = 0;
    battle->actor = -1;
    gOverlay1 = TurnGaugeOverlay;
    return;
  }
  decideEnemyAction(*battle, actor);
}

int drawEnemyAction(const std::vector<uint32_t>& table, int r) {
  int64_t running = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    running += enemyActionWeight(table[i]);
    if (running >= r) return static_cast<int>(i);
  }
  return table.empty() ? 0 : static_cast<int>(table.size()) - 1;
}

int mostHurtEnemy(Battle& battle) {
  int best = kFirstEnemySlot;
  int64_t bestValue = INT64_MIN;
  for (int s = 0; s < kBattleSlots; ++s) {
    int64_t value = kMissingFromParty;
    if (isEnemySlot(s)) {
      SchrRecord& r = slotRecord(battle, s);
      value = battle.present[s] ? int64_t{fighter::maxHp(r)} - fighter::hp(r) : kMissingEnemy;
    }
    if (value > bestValue) {
      bestValue = value;
      best = s;
    }
  }
  return best;
}

bool actionForOwnSide(int32_t code) {
  const int kind = actionKindOf(code);
  if (kind == kActionItem) return true;
  if (kind != kActionTechnique) return false;
  const WazaRecord* technique = findTechnique(actionIndexOf(code));
  return technique && (technique->packed & kWazaForAllies) != 0;
}

int checkTarget(Battle& battle, int target) {
  if (!isBattleSlot(target) || battle.present[target]) return target;
  const int first = isPartySlot(target) ? 0 : kFirstEnemySlot;
  const int end = isPartySlot(target) ? kPartySlotCount : kBattleSlots;
  int count = 0;
  for (int s = first; s < end; ++s) count += battle.present[s] ? 1 : 0;
  if (count == 0) return target;
  int r = nextRandom() % count;
  for (int s = first; s < end; ++s) {
    if (!battle.present[s]) continue;
    if (r-- == 0) return s;
  }
  return target;
}

void decideEnemyAction(Battle& battle, int slot) {
  const std::vector<uint32_t>& table = battle.actionTable[slot];
  int64_t sum = 0;
  for (const uint32_t entry : table) sum += enemyActionWeight(entry);
  // A table whose weights are all 0 cannot be drawn from: it takes its first entry.
  const int r = sum > 0 ? static_cast<int>(nextRandom() % sum) : 0;
  const int32_t code = table.empty() ? 0 : enemyActionCode(table[static_cast<size_t>(drawEnemyAction(table, r))]);
  battle.chosen[slot] = code;
  const int target = actionForOwnSide(code) ? mostHurtEnemy(battle) : nextRandom() % kPartySlotCount;
  battle.target[slot] = checkTarget(battle, target);
  battle.actionReady = 1;
}

void ActionWaitOverlay() {
  Battle* battle = gBattle;
  if (!battle || !battle->actionReady) return;
  for (int s = 0; s < kBattleSlots; ++s)
    if (battle->present[s] && battle->actionScripts[s].script.active) return;
  const int actor = battle->actor;
  battle->actor = -1;
  gOverlay1 = NoOverlay;
  if (isBattleSlot(actor)) loadActionScript(*battle, actor);
}

std::string actionScriptName(Battle& battle, int slot, bool& exceptional) {
  exceptional = false;
  const int32_t code = battle.chosen[slot];
  const int index = actionIndexOf(code);
  switch (actionKindOf(code)) {
    case kActionTechnique:
      return "wz" + std::to_string(index);
    case kActionTk:
      return "tk" + std::to_string(index);
    case kActionItem: {
      // An empty item slot (or one that names no item) has nothing to use in battle.
      const SchrRecord& r = slotRecord(battle, slot);
      const int item = index < kItemSlots ? r.items[index] : kNoItem;
      const ItemRecord* record = findItem(item);
      if (record && (record->kindWord & kItemUsableInBattle)) return "itm" + std::to_string(item);
      return "NonBtGz";
    }
    case kActionCommand:
      if (index == kMagicCommand) return "mg" + std::to_string(fighter::magicNumber(slotRecord(battle, slot)));
      break;
    default:
      break;
  }
  exceptional = true;
  return "wz0";
}

void loadActionScript(Battle& battle, int slot) {
  bool exceptional = false;
  const std::string name = actionScriptName(battle, slot, exceptional);
  if (exceptional) showStandardMessage(sjis("例外技術だ！"));
  Script& script = battle.actionScripts[slot].script;
  script.Load(kScriptDirAction, name);
  script.active = 1;
  battle.runningSlot = slot;
  if (!script.hasText()) {
    // Nothing can run the w12 of a script that is not there: the action ends here.
    script.active = 0;
    battleEndCheck(battle, slot);
  }
}

void battleEndCheck(Battle& battle, int slot) {
  battle.allTarget = 0;
  std::fill(std::begin(battle.hitFlags), std::end(battle.hitFlags), uint8_t{0});
  if (isBattleSlot(slot)) battle.gauge[slot] = 0;
  const bool enemies = anyPresent(battle, kFirstEnemySlot, kBattleSlots);
  const bool party = anyPresent(battle, 0, kPartySlotCount);
  if (enemies && party) {
    gOverlay1 = TurnGaugeOverlay;
    return;
  }
  gTrail.active = 0;
  gStepCounter = 0;
  battle.continues = 0;
  if (!enemies) {
    battle.ready = 0;
    runBattleScriptAt(battle, wonLabel(), VictoryOverlay);
  } else {
    runBattleScriptAt(battle, lostLabel(), NoOverlay);
  }
}

// ---------------------------------------------------------------------------------------------
// Poses and walking

void applyPoseRule(Battle& battle, int slot) {
  CHARA* chara = slotChara(slot);
  if (!chara) return;
  if (!battle.present[slot]) {
    // A follow-up queued before the fall (the stance after a hit reaction) would stand the
    // fallen fighter up again: the fall is the last thing it plays.
    chara->setAnmIfNew(kActDown);
    std::fill(std::begin(chara->queue), std::end(chara->queue), 0u);
    chara->playFlags |= kPlayHold;
    chara->setEyes(0, 1);
    chara->setEyes(1, 1);
    return;
  }
  const bool isWeak = weak(battle, slot);
  if (isWeak && isPartySlot(slot)) {
    if (chara->getAnim() == kActWeak) return;
    chara->setAnmIfNew(kActKneel);
    chara->queueAnm(0, kActWeak);
    return;
  }
  if (!isWeak && chara->getAnim() == kActWeak) {
    chara->setAnmIfNew(kActKneel);
    chara->setFrame(chara->getAnimLength() - 4);
    chara->playDirection = -1;
    chara->queueAnm(0, kActStance);
    return;
  }
  chara->setAnmIfNew(kActStance);
}

bool walkHomeStep(Battle& battle, int slot, float distance, bool turn) {
  CHARA* chara = slotChara(slot);
  if (!chara) return true;
  const VECTOR& home = battle.home[slot];
  const float h = heading(home.x, home.z, chara->position.x, chara->position.z);
  if (turn) chara->rotation.y = h;
  chara->position.x += fastSin(h) * distance;
  chara->position.z += fastCos(h) * distance;
  if (std::fabs(chara->position.x - home.x) < kArrivalReach && std::fabs(chara->position.z - home.z) < kArrivalReach) {
    chara->position = home;
    return true;
  }
  return false;
}

void walkInStep(Battle& battle) {
  for (int s = 0; s < kBattleSlots; ++s) {
    if (!battle.entering[s]) continue;
    if (!battle.present[s]) {
      battle.entering[s] = 0;
      continue;
    }
    if (!walkHomeStep(battle, s, kWalkInSpeed * static_cast<float>(gFrameTime), true)) continue;
    battle.entering[s] = 0;
    if (CHARA* chara = slotChara(s)) chara->rotation.y = battle.homeHeading[s];
    applyPoseRule(battle, s);
  }
}

// ---------------------------------------------------------------------------------------------
// Battle-side commands

void viewScriptTo(Battle& battle, int label) {
  Script& view = battle.view.script;
  if (label == -1) {
    view.active = 0;
    return;
  }
  view.Rewind();
  view.FindLabelForward("RC" + std::to_string(label));
  view.active = 1;
}

void toggleBackRow(Battle& battle, int slot) {
  if (!isBattleSlot(slot)) return;
  const int was = battle.backRow[slot];
  battle.backRow[slot] = was ? 0 : 1;
  const float direction = was ? -1.0f : 1.0f;
  battle.home[slot].z -= kRowDepth * std::cos(battle.homeHeading[slot]) * direction;
}

void markEntering(Battle& battle, int slot) {
  if (!isBattleSlot(slot)) return;
  battle.entering[slot] = 1;
  if (CHARA* chara = slotChara(slot)) chara->setAnm(kActWalk);
}

void stepBack(Battle& battle, int slot) {
  if (!isBattleSlot(slot)) return;
  if (CHARA* chara = slotChara(slot)) chara->position.x -= kStepBackDistance * std::cos(battle.homeHeading[slot]);
  markEntering(battle, slot);
}

void changeFlash(Battle& battle, int which, int channel, int value) {
  Flash& flash = battle.flash;
  switch (which) {
    case -3: flash.step = static_cast<int8_t>(value); return;
    case -2: flash.onTop = value != 0 ? 1 : 0; return;
    case -1: flash.colour = 0; return;
    default: break;
  }
  if (channel < 0 || channel > 3) return;
  const int shift = 24 - 8 * channel;  // 0 alpha, 1 red, 2 green, 3 blue
  flash.colour |= (static_cast<uint32_t>(value) & 0xFFu) << shift;
}
