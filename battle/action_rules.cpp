#include "battle/action_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/random.h"

namespace {

constexpr int kWeakShare = 8;
constexpr int kTensionCap = 100;
constexpr int32_t kHpSnap = 12;
constexpr int32_t kOtherSnap = 8;
constexpr float kEighthTurn = 0.7853975f;
constexpr float kFullTurn = 6.283185f;
// Powers beyond this only saturate the result; keeping them here keeps the products in range.
constexpr int64_t kPowerLimit = 1 << 20;

int64_t spread(int random) { return random % 64 + 481; }

int64_t truncTo(double x) {
  if (!(x == x)) return 0;
  return static_cast<int64_t>(std::clamp(x, -1e15, 1e15));
}

double attributeFactor(const SchrRecord& attacker, int attribute) {
  if (attribute < 0) return 1.0;
  return fighter::attributePower(attacker, usableAttribute(attribute)) * 0.1;
}

bool weakParty(Battle& battle, int slot) {
  SchrRecord& r = slotRecord(battle, slot);
  return isPartySlot(slot) && fighter::hp(r) < fighter::maxHp(r) / kWeakShare;
}

float intoFullTurn(float angle) {
  if (angle > kFullTurn) return angle - kFullTurn;
  if (angle < 0) return angle + kFullTurn;
  return angle;
}

}  // namespace

const ItemRecord* handItem(const SchrRecord& r, int hand) {
  if (hand < 0 || hand >= kEquipSlots) return nullptr;
  const int index = r.equipped[hand];
  if (index == kNoEquip || index < 0 || index >= kItemSlots) return nullptr;
  return findItem(r.items[index]);
}

int usableAttribute(int attribute) { return std::clamp(attribute, 0, kHighestAttribute); }

std::optional<int> damageResult(const DamageInput& in) {
  if (!in.attacker || !in.target) return std::nullopt;
  const SchrRecord& a = *in.attacker;
  const SchrRecord& t = *in.target;
  const double f = attributeFactor(a, in.attribute);
  const int64_t p = std::clamp<int64_t>(in.power, -kPowerLimit, kPowerLimit);
  const int guard = in.targetGuard ? 1 : 0;
  int64_t result = 0;
  switch (in.type) {
    case kDamageRightHand:
    case kDamageLeftHand: {
      int64_t k = a.baseAttributes[ATTR_ATTACK];
      if (const ItemRecord* item = handItem(a, in.type)) k = std::min<int64_t>(255, k + item->power());
      const int64_t h = a.baseAttributes[ATTR_LEVEL] / 8 + k;
      int64_t u = truncTo(static_cast<double>(p) * 0.0625 * static_cast<double>(h * h) * 0.08);
      const ItemRecord* right = handItem(a, 0);
      if (!right || !(right->kindWord & kItemRanged)) u >>= in.attackerBackRow ? 1 : 0;
      u >>= in.targetBackRow ? 1 : 0;
      u >>= guard;
      const int64_t v = truncTo(static_cast<double>(spread(in.random) * u) * (-1.0 / 512));
      result = truncTo(static_cast<double>(v) * f);
      if (!in.targetPresent) return std::nullopt;
      break;
    }
    case kDamageMagic: {
      const int64_t level = t.effectiveAttributes[ATTR_LEVEL], spirit = t.effectiveAttributes[ATTR_SPIRIT];
      const int64_t aLevel = a.baseAttributes[ATTR_LEVEL];
      int64_t x = ((268 - level / 8 - spirit) * (a.baseAttributes[ATTR_INTELLECT] + p + aLevel / 8)) >> 2;
      x = (x * p) >> 8;
      x = truncTo(static_cast<double>(x) * (static_cast<double>(aLevel) * (1.0 / 198) + 0.5));
      x >>= guard;
      const int64_t v = truncTo(static_cast<double>(spread(in.random) * x) * (-1.0 / 512));
      result = truncTo(static_cast<double>(v) * f);
      if (!in.targetPresent) return std::nullopt;
      break;
    }
    case kDamageHealing: {
      const int64_t h = ((a.baseAttributes[ATTR_LEVEL] + a.baseAttributes[ATTR_INTELLECT] + p) >> 1) * p;
      const int64_t v = truncTo(static_cast<double>(spread(in.random) * h) * (1.0 / 512));
      result = truncTo(static_cast<double>(v) * f);
      break;
    }
    case kDamageItem:
      result = in.usedItem ? int64_t{in.usedItem->power()} * 50 : 0;
      break;
    case kDamageFixed:
      result = -p;
      break;
    case kDamageProportional: {
      const int64_t y = truncTo(static_cast<double>(t.effectiveHp) * static_cast<double>(p) * 0.01) >> guard;
      result = truncTo(-(static_cast<double>(y) * f));
      break;
    }
    default:
      return std::nullopt;
  }
  if (in.targetHitFlags & HIT_EVADED) result = 0;
  if (in.targetHitFlags & HIT_CRITICAL) result += result >> 1;
  return static_cast<int>(std::clamp<int64_t>(result, -kResultLimit, kResultLimit));
}

bool evasionRoll(const SchrRecord& attacker, const SchrRecord& target, bool targetBackRow, int hitPower,
                 int random) {
  if (hitPower >= 100) return false;
  const int accuracy = attacker.effectiveAttributes[ATTR_ACCURACY];
  const int e = target.effectiveAttributes[ATTR_EVASION] + 16 * (targetBackRow ? 1 : 0);
  const int d = accuracy - e;
  if (d * (hitPower * 0.01) >= 100.0) return false;
  return random % (256 - accuracy) < e;
}

int32_t rollStep(int32_t real, int32_t shown) {
  const double difference = static_cast<double>(real) - shown;
  const double sign = difference > 0 ? 1 : difference < 0 ? -1 : 0;
  return static_cast<int32_t>(sign + difference * 0.1);
}

int actionMpCost(Battle& battle, int slot) {
  if (!isBattleSlot(slot)) return 0;
  const int32_t code = battle.chosen[slot];
  const int kind = actionKindOf(code);
  const WazaRecord* record = kind == kActionTechnique ? findTechnique(actionIndexOf(code))
                             : kind == kActionTk    ? findTk(actionIndexOf(code))
                                                    : nullptr;
  if (!record) return 0;
  SchrRecord& r = slotRecord(battle, slot);
  if (record->packed & kWazaAllMp) return fighter::mp(r);
  return static_cast<int>(record->packed & 0xFF);
}

void runDamage(Battle& battle, int attacker, int target, int type, int power, int attribute) {
  if (!isBattleSlot(attacker) || !isBattleSlot(target)) return;
  if (!battle.present[target] && !isPartySlot(target)) return;
  DamageInput in;
  in.attacker = &slotRecord(battle, attacker);
  in.target = &slotRecord(battle, target);
  in.type = type;
  in.power = power;
  in.attribute = attribute;
  in.attackerBackRow = battle.backRow[attacker] != 0;
  in.targetBackRow = battle.backRow[target] != 0;
  in.targetGuard = battle.guard[target] != 0;
  in.targetPresent = battle.present[target] != 0;
  in.targetHitFlags = battle.hitFlags[target];
  if (type == kDamageItem) {
    const int itemSlot = actionIndexOf(battle.chosen[attacker]);
    if (itemSlot < kItemSlots) in.usedItem = findItem(in.attacker->items[itemSlot]);
    if (in.usedItem && (in.usedItem->kindWord & kItemOnMp)) battle.hitFlags[target] |= HIT_ON_MP;
  }
  if (type <= kDamageHealing && type >= 0) in.random = nextRandom();
  const std::optional<int> result = damageResult(in);
  if (!result) return;
  if (battle.present[target] || *result >= 1) {
    battle.result[target] = *result;
    battle.hitFlags[target] |= HIT_RESULT;
  }
}

Popup& takePopup(Battle& battle, int slot, int kind, uint32_t colour, std::string text) {
  Popup* popup = &battle.popups[0];
  for (Popup& p : battle.popups)
    if (p.timer == 0) {
      popup = &p;
      break;
    }
  popup->timer = kPopupFrames;
  popup->kind = kind;
  popup->colour = colour;
  popup->text = std::move(text);
  popup->position = VECTOR{};
  if (const CHARA* chara = slotChara(slot)) {
    popup->position = chara->position;
    popup->position.y += static_cast<float>(chara->height);
  }
  return *popup;
}

void applyResults(Battle& battle) {
  for (int s = 0; s < kBattleSlots; ++s) {
    const uint8_t flags = battle.hitFlags[s];
    if (flags == 0) continue;
    const int32_t result = battle.result[s];
    Popup& popup = takePopup(battle, s, 0, kPopupWhite, std::to_string(std::abs(static_cast<int64_t>(result))));
    SchrRecord& r = slotRecord(battle, s);
    if (flags & HIT_ON_MP) {
      popup.colour = result <= 0 ? 0xFF8080 : 0x00FFFF;
      // MP stays within 0 … maximum MP: a negative MP cannot be shown.
      fighter::mp(r) = static_cast<int32_t>(
          std::clamp<int64_t>(int64_t{fighter::mp(r)} + result, 0, std::max<int32_t>(0, fighter::maxMp(r))));
      battle.shownMpStep[s] = rollStep(fighter::mp(r), battle.shownMp[s]);
    } else {
      popup.colour = result <= 0 ? 0xFFFFFF : 0x00FF40;
      const int32_t maxHp = std::max<int32_t>(0, fighter::maxHp(r));
      fighter::hp(r) = static_cast<int32_t>(std::clamp<int64_t>(int64_t{fighter::hp(r)} + result, 0, maxHp));
      const int32_t hp = fighter::hp(r);
      if (hp == 0) {
        if (battle.present[s]) {
          battle.present[s] = 0;
          battle.defeated[s] = 1;
        }
      } else if (!battle.present[s]) {
        battle.present[s] = 1;
        if (CHARA* chara = slotChara(s)) {
          chara->setEyes(0, 0);
          chara->setEyes(1, 0);
          chara->setAnmClear(kActKneel);
          chara->setFrame(chara->getAnimLength() - 1);
          chara->playDirection = -1;
          chara->queueAnm(0, weakParty(battle, s) ? kActWeak : kActStance);
        }
      } else if (result < 0 && isPartySlot(s) != isPartySlot(battle.runningSlot)) {
        const double gained = maxHp > 0 ? 100.0 * -static_cast<double>(result) / maxHp : kTensionCap;
        const double tension = fighter::tension(r) + 1 + gained;
        fighter::tension(r) = static_cast<int32_t>(std::min<double>(kTensionCap, tension));
        battle.shownTensionStep[s] = rollStep(fighter::tension(r), battle.shownTension[s]);
      }
      battle.shownHpStep[s] = rollStep(hp, battle.shownHp[s]);
    }
    if (flags & HIT_EVADED) {
      popup.kind = kEvadedWord;
      popup.colour = kPopupWhite;
    } else if (flags & HIT_CRITICAL) {
      takePopup(battle, s, kCriticalWord, kPopupWhite, "");
    }
  }
}

int popupBounce(int t) {
  switch (t) {
    case 30: case 36: return 4;
    case 31: case 35: return 5;
    case 32: case 34: case 38: case 48: return 6;
    case 33: return 7;
    case 39: case 47: return 8;
    case 40: case 46: return 10;
    case 41: case 45: return 12;
    case 42: case 44: return 13;
    case 43: return 14;
    default: return 0;
  }
}

void countPopupsDown(Battle& battle) {
  for (Popup& p : battle.popups)
    if (p.timer > 0) --p.timer;
    else p.timer = 0;
}

namespace {
void roll(int32_t real, int32_t& shown, int32_t& step, int32_t snap) {
  if (step == 0) return;
  shown += step;
  if (std::abs(static_cast<int64_t>(real) - shown) <= snap) {
    shown = real;
    step = 0;
  }
}
}  // namespace

void rollShownValues(Battle& battle) {
  for (int s = 0; s < kBattleSlots; ++s) {
    SchrRecord& r = slotRecord(battle, s);
    roll(fighter::hp(r), battle.shownHp[s], battle.shownHpStep[s], kHpSnap);
    roll(fighter::mp(r), battle.shownMp[s], battle.shownMpStep[s], kOtherSnap);
    roll(fighter::tension(r), battle.shownTension[s], battle.shownTensionStep[s], kOtherSnap);
  }
}

void hitReaction(Battle& battle, int slot) {
  if (!isBattleSlot(slot)) return;
  CHARA* chara = slotChara(slot);
  if (!chara || chara->getAnim() == kActDown) return;
  const bool isWeak = weakParty(battle, slot);
  if ((battle.hitFlags[slot] & HIT_EVADED) && battle.present[slot]) {
    chara->setAnmClear(kActDodge);
    chara->queueAnm(0, isWeak ? kActWeak : kActStance);
    return;
  }
  if (battle.result[slot] >= 0) return;
  chara->setAnmClear(kActHurt);
  if (isWeak) {
    chara->queueAnm(0, kActKneel);
    chara->queueAnm(1, kActWeak);
  } else {
    chara->queueAnm(0, kActStance);
  }
}

void deathOf(Battle& battle, int slot) {
  if (!isBattleSlot(slot) || battle.present[slot]) return;
  CHARA* chara = slotChara(slot);
  if (!chara) return;
  if (isEnemySlot(slot)) {
    Script& script = battle.actionScripts[slot].script;
    script.Load(kScriptDirAction, "dead0");
    script.active = 1;
    return;
  }
  if (chara->getAnim() == kActDown) return;
  chara->setAnmClear(kActDown);
  chara->playFlags |= kPlayHold;
  chara->setEyes(0, 1);
  chara->setEyes(1, 1);
}

void playAndSettle(Battle& battle, int slot, int action) {
  if (!isBattleSlot(slot)) return;
  CHARA* chara = slotChara(slot);
  if (!chara) return;
  chara->setAnmClear(action);
  if (!battle.present[slot]) {
    chara->queueAnm(0, kActDown);
    chara->setEyes(0, 1);
    chara->setEyes(1, 1);
    return;
  }
  chara->queueAnm(0, weakParty(battle, slot) ? kActWeak : kActStance);
}

int turnHomeStep(Battle& battle, int slot, int degrees) {
  if (!isBattleSlot(slot)) return 0;
  CHARA* chara = slotChara(slot);
  if (!chara) return 0;
  const VECTOR& home = battle.home[slot];
  const float toHome = intoFullTurn(heading(home.x, home.z, chara->position.x, chara->position.z));
  const float step = static_cast<float>(degrees) * 0.017453277f;
  const float turned = chara->rotation.y + (fighter::turnDirection(slotRecord(battle, slot)) ? -step : step);
  chara->rotation.y = intoFullTurn(turned);
  const float h = chara->rotation.y;
  return toHome > h - kEighthTurn && toHome < h + kEighthTurn ? 0 : 1;
}
