// The "w" commands of the action scripts beyond w0 and w12: moving and turning the fighters,
// the damage and its results, effects (object tasks, the weapon trail), includes, the MP cost
// and the texts about a fighter. Every slot or handle that comes from a variable is checked;
// one out of range changes nothing.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "battle/action_rules.h"
#include "battle/battle_flow.h"
#include "battle/battle_scripts.h"
#include "battle/transitions.h"
#include "core/frame.h"
#include "core/message_box.h"
#include "core/random.h"
#include "event/object_task.h"

namespace {

constexpr float kApproachSpeed = 2.5f;
constexpr float kWalkHomeSpeed = 1.5f;
constexpr float kBladeTip = 192.0f;
constexpr int kTurnSteps = 10;
constexpr float kPi = 3.14159265f;

struct Call {
  Battle& battle;
  Script& script;
  int own;
  int32_t v(int i) const { return script.v[i]; }
  void set(int i, int32_t value) const { script.v[i] = value; }
};

// The battle and the slot a call belongs to; nothing outside a battle or for another runner.
template <typename F>
void withBattle(const ScriptCall& call, F&& body) {
  if (!gBattle || call.runner.kind != RunnerKind::Action || !isBattleSlot(call.runner.owner)) return;
  body(Call{*gBattle, call.script, call.runner.owner});
}

#define ACTION(name) \
  void name(const ScriptCall& raw) { withBattle(raw, [&](const Call& c) { name##Body(c, raw); }); }

CHARA* charaOf(int slot) { return isBattleSlot(slot) ? slotChara(slot) : nullptr; }

// The object task named by handle variable i, or -1.
int taskOf(const Call& c, int i) {
  const int handle = c.v(i);
  if (handle < 0 || handle >= kTaskHandles) return -1;
  return c.battle.actionScripts[c.own].taskHandles[handle];
}

std::string fullWidthDigits(int64_t n) {
  const std::string plain = std::to_string(n);
  std::string out;
  for (const char ch : plain) {
    if (ch == '-') {
      out += "\x81\x7C";
    } else {
      out += '\x82';
      out += static_cast<char>(0x4F + (ch - '0'));
    }
  }
  return out;
}

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string chosenName(Battle& battle, int slot) {
  const int32_t code = battle.chosen[slot];
  const int index = actionIndexOf(code);
  switch (actionKindOf(code)) {
    case kActionTechnique:
      if (const WazaRecord* w = findTechnique(index)) return w->name;
      return {};
    case kActionItem: {
      const SchrRecord& r = slotRecord(battle, slot);
      if (index >= kItemSlots) return {};
      if (const ItemRecord* item = findItem(r.items[index])) return item->name;
      return {};
    }
    default:
      if (const TkRecord* t = findTk(index)) return t->name;
      return {};
  }
}

void helpLabelBody(const Call& c, const ScriptCall&) {
  const std::string_view s = c.script.str();
  if (s.substr(0, 2) == "$1") {
    showHelp(c.battle, s.substr(2), kHelpMessageTime, true);
  } else if (s == "ST") {
    showHelp(c.battle, chosenName(c.battle, c.own), kHelpMessageTime, false);
  } else {
    showHelp(c.battle, s, kHelpMessageTime, false);
  }
}
ACTION(helpLabel)

void actorIsOwnBody(const Call& c, const ScriptCall&) { c.set(3, c.own); }
ACTION(actorIsOwn)

void targetIsOwnTargetBody(const Call& c, const ScriptCall&) { c.set(4, c.battle.target[c.own]); }
ACTION(targetIsOwnTarget)

void approachBody(const Call& c, const ScriptCall&) {
  if (c.battle.target[c.own] == c.own) {
    c.set(2, 0);
    return;
  }
  const int a = c.v(3), t = c.v(4);
  CHARA* mover = charaOf(a);
  CHARA* goal = charaOf(t);
  if (!mover || !goal || a == t) return;
  const float h = heading(goal->position.x, goal->position.z, mover->position.x, mover->position.z);
  mover->rotation.y = h;
  const float d = static_cast<float>(gFrameTime) * kApproachSpeed * static_cast<float>(c.v(0)) * 0.01f;
  mover->position.x += fastSin(h) * d;
  mover->position.z += fastCos(h) * d;
  if (CHARA::hit(a, t)) {
    const float contact = static_cast<float>(mover->radius + goal->radius);
    mover->position.x = goal->position.x - fastSin(h) * contact;
    mover->position.z = goal->position.z - fastCos(h) * contact;
    c.set(2, 0);
  } else {
    c.set(2, 1);
  }
}
ACTION(approach)

void progressBody(const Call& c, const ScriptCall&) {
  CHARA* chara = charaOf(c.v(3));
  if (!chara) return;
  const int length = chara->getAnimLength();
  c.set(2, length > 0 ? static_cast<int32_t>(static_cast<double>(chara->getFrame()) / length * 100) : 0);
}
ACTION(progress)

void hitFlagsBody(const Call& c, const ScriptCall&) {
  const int t = c.v(4);
  if (!isBattleSlot(t)) return;
  uint8_t& flags = c.battle.hitFlags[t];
  switch (c.v(0)) {
    case 0: flags = 0; break;
    case 1: {
      const int a = c.v(3);
      if (!isBattleSlot(a)) return;
      const bool evaded = evasionRoll(slotRecord(c.battle, a), slotRecord(c.battle, t), c.battle.backRow[t] != 0,
                                      c.v(1), nextRandom());
      flags = static_cast<uint8_t>(evaded ? flags | HIT_EVADED : flags & ~HIT_EVADED);
      break;
    }
    case 2:
      if (nextRandom() % 100 < c.v(1)) flags |= HIT_CRITICAL;
      break;
    case 3:
      if (c.v(1) & 1) flags |= HIT_ON_MP;
      break;
    default: break;
  }
}
ACTION(hitFlags)

void damageBody(const Call& c, const ScriptCall&) {
  if (c.v(2) > kHighestAttribute) showStandardMessage(std::to_string(c.v(2)));
  runDamage(c.battle, c.v(3), c.v(4), c.v(0), c.v(1), c.v(2));
}
ACTION(damage)

void applyBody(const Call& c, const ScriptCall&) { applyResults(c.battle); }
ACTION(apply)

void setEnteringBody(const Call& c, const ScriptCall&) {
  if (isBattleSlot(c.v(3))) c.battle.entering[c.v(3)] = c.v(0);
}
ACTION(setEntering)

void waitEnteringBody(const Call& c, const ScriptCall& raw) {
  if (isBattleSlot(c.v(3)) && c.battle.entering[c.v(3)]) c.script.waitHere(raw.start);
}
ACTION(waitEntering)

void trailBody(const Call& c, const ScriptCall&) {
  CHARA* own = charaOf(c.own);
  switch (c.v(0)) {
    case 1:
    case 3:
      if (!isBattleSlot(c.v(3))) return;
      startTrail(0, c.v(3), own ? (c.v(0) == 1 ? own->weaponModel() : own->guardModel()) : nullptr);
      gTrail.active = 1;
      break;
    case 2: gTrail.active = c.v(1); break;
    default: break;
  }
}
ACTION(trail)

void turnHomeBody(const Call& c, const ScriptCall&) {
  if (isBattleSlot(c.v(3))) c.set(2, turnHomeStep(c.battle, c.v(3), c.v(0)));
}
ACTION(turnHome)

void walkHomeBody(const Call& c, const ScriptCall&) {
  if (!isBattleSlot(c.v(3))) return;
  const float d = 0.01f * static_cast<float>(gFrameTime) * kWalkHomeSpeed * static_cast<float>(c.v(0));
  c.set(2, walkHomeStep(c.battle, c.v(3), d, false) ? 1 : 0);
}
ACTION(walkHome)

void taskActivateBody(const Call& c, const ScriptCall&) {
  if (const int t = taskOf(c, 0); t >= 0) activateObjectTask(t);
}
ACTION(taskActivate)

void taskFreeBody(const Call& c, const ScriptCall&) {
  if (const int t = taskOf(c, 0); t >= 0) freeObjectTask(t);
}
ACTION(taskFree)

void taskRunBody(const Call& c, const ScriptCall&) {
  if (const int t = taskOf(c, 0); t >= 0) runObjectTask(t);
}
ACTION(taskRun)

void taskNewBody(const Call& c, const ScriptCall&) {
  const int handle = c.v(0);
  int free = -1;
  for (int t = 0; t < kObjectTaskSlots && free < 0; ++t)
    if (!gObjectTasks[t].script.hasText() && !gObjectTasks[t].script.active) free = t;
  if (free < 0) {
    showStandardMessage(sjis("w19:あ"));
    return;
  }
  if (handle < 0 || handle >= kTaskHandles) return;
  c.battle.actionScripts[c.own].taskHandles[handle] = static_cast<uint8_t>(free);
  loadObjectTask(free, c.script.str());
  ObjTask& task = gObjectTasks[free];
  if (CHARA* chara = charaOf(c.v(4))) {
    task.position = chara->position;
    task.position.y += static_cast<float>(chara->height) * 0.5f;
    task.rotation = VECTOR{};
    task.scale = VECTOR{1, 1, 1};
  }
}
ACTION(taskNew)

void hitReactionCommandBody(const Call& c, const ScriptCall&) { hitReaction(c.battle, c.v(4)); }
ACTION(hitReactionCommand)

void deathBody(const Call& c, const ScriptCall&) { deathOf(c.battle, c.v(4)); }
ACTION(death)

void includeBody(const Call& c, const ScriptCall&) {
  static const char* const kIncludes[] = {"MGC0", "WZM0", "MGC1", "UGZ0"};
  const int which = c.v(0);
  if (which < 0 || which > 3) return;
  c.script.Include(kScriptDirAction, kIncludes[which], 4);
}
ACTION(include)

void prepareTurnBody(const Call& c, const ScriptCall&) {
  const int a = c.v(3);
  CHARA* chara = charaOf(a);
  if (!chara) return;
  float x = 0;
  if (c.v(0) == 0) {
    x = c.battle.homeHeading[a];
  } else if (c.v(0) == 1) {
    CHARA* other = charaOf(c.v(4));
    x = c.v(4) == a || !other ? chara->rotation.y
                              : heading(other->position.x, other->position.z, chara->position.x, chara->position.z);
  } else {
    return;
  }
  x -= chara->rotation.y;
  if (x < -kPi) x += 2 * kPi;
  c.battle.turnCounter[a] = kTurnSteps;
  c.battle.turnStep[a] = x * 0.1f;
}
ACTION(prepareTurn)

void turnStepBody(const Call& c, const ScriptCall&) {
  const int a = c.v(3);
  CHARA* chara = charaOf(a);
  if (!chara) return;
  chara->rotation.y += c.battle.turnStep[a];
  c.set(2, --c.battle.turnCounter[a]);
}
ACTION(turnStep)

void poseBody(const Call& c, const ScriptCall&) {
  if (isBattleSlot(c.v(3))) applyPoseRule(c.battle, c.v(3));
}
ACTION(pose)

void playSettleBody(const Call& c, const ScriptCall&) { playAndSettle(c.battle, c.v(3), c.v(0)); }
ACTION(playSettle)

void placeTaskBody(const Call& c, const ScriptCall&) {
  const int handle = c.v(2);
  if (handle < 0 || handle >= kTaskHandles) return;
  ObjTask* task = objectTaskAt(c.battle.actionScripts[c.own].taskHandles[handle]);
  if (!task) return;
  CHARA* own = charaOf(c.own);
  CHARA* target = charaOf(c.v(4));
  CHARA* actor = charaOf(c.v(3));
  switch (c.v(0)) {
    case 0:
      if (own) task->position = VECTOR{own->position.x, 8, own->position.z};
      break;
    case 1: task->script.v[6] = c.v(1); break;
    case 2:
      if (own) {
        VECTOR tip{0, kBladeTip, 0};
        tip.transform(trailHand(*own));
        task->position = tip;
      }
      break;
    case 3:
      if (target) {
        task->position = target->position;
        task->position.y += static_cast<float>(target->height) * 0.5f;
      }
      break;
    case 4:
      if (target) task->position = target->position;
      break;
    case 5:
      if (actor && target) {
        const float h = actor->rotation.y;
        const VECTOR& o = actor->guardOffset;
        task->rotation = VECTOR{actor->position.x + o.x * fastCos(h) + o.z * fastSin(h), actor->position.y + o.y,
                                actor->position.z - o.x * fastSin(h) + o.z * fastCos(h)};
        task->scale = target->position;
        task->scale.y += static_cast<float>(target->height) * 0.5f;
      }
      break;
    case 6: task->position = VECTOR{}; break;
    default: break;
  }
}
ACTION(placeTask)

void hitFlagBitBody(const Call& c, const ScriptCall&) {
  const int t = c.v(4);
  if (!isBattleSlot(t)) return;
  if (c.v(0) == 0) c.set(2, (c.battle.hitFlags[t] >> 1) & 1);
  if (c.v(0) == 1) c.set(2, (c.battle.hitFlags[t] >> 2) & 1);
}
ACTION(hitFlagBit)

void goHomeBody(const Call& c, const ScriptCall&) {
  CHARA* chara = charaOf(c.v(3));
  if (!chara) return;
  chara->position = c.battle.home[c.v(3)];
  chara->rotation.y = c.battle.homeHeading[c.v(3)];
}
ACTION(goHome)

void mpCostBody(const Call& c, const ScriptCall&) {
  const int cost = actionMpCost(c.battle, c.own);
  SchrRecord& r = slotRecord(c.battle, c.own);
  if (fighter::mp(r) < cost) {
    c.script.Load(kScriptDirAction, "LACKMP");
    c.script.continueFlag = c.script.hasText() ? 1 : 0;
    return;
  }
  fighter::mp(r) = std::max(0, fighter::mp(r) - cost);
  c.battle.shownMpStep[c.own] = rollStep(fighter::mp(r), c.battle.shownMp[c.own]);
}
ACTION(mpCost)

void endIfFallen(const ScriptCall& raw) {
  if (!gBattle || !isBattleSlot(raw.runner.owner) || gBattle->present[raw.runner.owner]) return;
  for (const CommandEntry& e : actionFlowCommands())
    if (e.number == 0) e.handler(raw);
}

void sideBoundsBody(const Call& c, const ScriptCall&) {
  if (c.v(4) > 2) {
    c.set(4, 3);
    c.set(5, 9);
  } else {
    c.set(4, 0);
    c.set(5, 3);
  }
}
ACTION(sideBounds)

void standOnSideBody(const Call& c, const ScriptCall&) {
  CHARA* chara = charaOf(c.v(3));
  if (!chara) return;
  const float h = c.battle.homeHeading[c.v(4) > 2 ? 3 : 0];
  chara->rotation.y = h;
  const float d = static_cast<float>(c.v(0));
  chara->position = VECTOR{std::sin(h) * d, 0, std::cos(h) * d};
}
ACTION(standOnSide)

void allTargetCommandBody(const Call& c, const ScriptCall&) { c.set(2, c.battle.allTarget); }
ACTION(allTargetCommand)

void useUpItemBody(const Call& c, const ScriptCall&) {
  const int32_t code = c.battle.chosen[c.own];
  const int index = actionIndexOf(code);
  if (actionKindOf(code) != kActionItem || index >= kItemSlots) {
    showStandardMessage("w35?");
    return;
  }
  slotRecord(c.battle, c.own).items[index] = kNoItem;
}
ACTION(useUpItem)

void escapeBody(const Call&, const ScriptCall&) {
  gStepCounter = 0;
  gOverlay1 = BattleEndFade;
}
ACTION(escape)

void skipTargetBody(const Call& c, const ScriptCall&) {
  const int t = c.v(4);
  bool skip = !isBattleSlot(t);
  if (isEnemySlot(t)) skip = !c.battle.present[t];
  if (isPartySlot(t)) skip = partyMemberOf(t) == 0;
  if (!skip) return;
  const std::string end = "c7 " + std::string(c.script.str()) + "//";
  const std::string_view text = c.script.text();
  const size_t at = text.find(end, static_cast<size_t>(c.script.position()));
  if (at != std::string_view::npos) c.script.setPosition(static_cast<int>(at));
}
ACTION(skipTarget)

void aboutTargetBody(const Call& c, const ScriptCall&) {
  const int t = c.v(4);
  if (!isBattleSlot(t)) return;
  SchrRecord& r = slotRecord(c.battle, t);
  switch (c.v(0)) {
    case 0: c.script.setStr(fighter::name(r)); break;
    case 1: c.script.setStr(sjis("ＬＥＶＥＬ　　") + padded(fullWidthDigits(r.effectiveAttributes[ATTR_LEVEL]), 6)); break;
    case 2:
    case 3: {
      const bool hp = c.v(0) == 2;
      std::string s = sjis(hp ? "ＨＰ　　" : "ＭＰ　　") +
                      padded(fullWidthDigits(hp ? fighter::hp(r) : fighter::mp(r)), 20) + sjis("／");
      s += padded(fullWidthDigits(hp ? fighter::maxHp(r) : fighter::maxMp(r)), 20);
      c.script.setStr(s);
      break;
    }
    default: break;
  }
}
ACTION(aboutTarget)

constexpr CommandEntry kActionCommands[] = {
    {1, helpLabel},      {2, actorIsOwn},   {3, targetIsOwnTarget}, {4, approach},       {5, progress},
    {6, hitFlags},       {7, damage},       {8, apply},             {9, setEntering},    {10, waitEntering},
    {11, trail},         {13, turnHome},    {14, walkHome},         {16, taskActivate},  {17, taskFree},
    {18, taskRun},       {19, taskNew},     {20, hitReactionCommand}, {21, death},       {22, include},
    {23, prepareTurn},   {24, turnStep},    {25, pose},             {26, playSettle},    {27, placeTask},
    {28, hitFlagBit},    {29, goHome},      {30, mpCost},           {31, endIfFallen},   {32, sideBounds},
    {33, standOnSide},   {34, allTargetCommand}, {35, useUpItem},   {36, escape},        {37, skipTarget},
    {38, aboutTarget},
};

}  // namespace

std::span<const CommandEntry> actionScriptCommands() {
  return kActionCommands;
}
