// The rules of battle actions as plain functions: the damage formula, the evasion roll, the MP
// cost, applying the results of a command to HP and MP with their popups, the popups' bounce and
// the pose rules of a hit, a death and a played action. The "w" commands of the action scripts
// (battle/action_commands.cpp) call them.
#pragma once
#include <cstdint>
#include <optional>

#include "battle/battle.h"

constexpr int kResultLimit = 9999;
constexpr int kPopupFrames = 48;
constexpr int kEvadedWord = -1;
constexpr int kCriticalWord = -2;
constexpr uint32_t kPopupWhite = 0xFFFFFF;
constexpr int kHighestAttribute = 7;
constexpr uint16_t kItemRanged = 1u << 3;
constexpr uint16_t kItemOnMp = 1u << 2;

// Damage types of w7.
enum DamageType : int {
  kDamageRightHand = 0,
  kDamageLeftHand = 1,
  kDamageMagic = 2,
  kDamageHealing = 3,
  kDamageItem = 4,
  kDamageFixed = 5,
  kDamageProportional = 6,
};

// Everything the damage formula reads.
struct DamageInput {
  const SchrRecord* attacker = nullptr;
  const SchrRecord* target = nullptr;
  int type = 0;
  int power = 0;
  int attribute = -1;  // below 0: no attribute (factor 1)
  bool attackerBackRow = false;
  bool targetBackRow = false;
  bool targetGuard = false;
  bool targetPresent = true;
  uint8_t targetHitFlags = 0;
  const ItemRecord* usedItem = nullptr;  // type 4: the item in the attacker's chosen item slot
  int random = 0;                        // 0 … 32767, for the spread of types 0 … 3
};

// The item in hand slot `hand` (0 right, 1 left) of a record, or null.
const ItemRecord* handItem(const SchrRecord& r, int hand);
// The attribute number the formula uses: above 7 becomes 7 (the caller reports it).
int usableAttribute(int attribute);
// The signed result (negative hurts, positive heals), clamped to ±9999, with evasion and
// critical applied; none for types 0 … 2 against a target that is not present and for an
// unknown type.
std::optional<int> damageResult(const DamageInput& in);
// Whether the target evades: the new state of hit flag bit 1. random is 0 … 32767.
bool evasionRoll(const SchrRecord& attacker, const SchrRecord& target, bool targetBackRow, int hitPower,
                 int random);
// The step of a rolling shown value toward its real value.
int32_t rollStep(int32_t real, int32_t shown);
// The MP an action costs the slot; -1 when the action cannot be paid for.
int actionMpCost(Battle& battle, int slot);

// w7 on the battle: stores the result of attacker on target (both checked slots).
void runDamage(Battle& battle, int attacker, int target, int type, int power, int attribute);
// w8: the results of every slot go to HP or MP, with their popups, downs, revivals and tension.
void applyResults(Battle& battle);
// A free popup (the first with timer 0, or popup 0 when all are busy), set to kind, colour and
// text over slot s's figure.
Popup& takePopup(Battle& battle, int slot, int kind, uint32_t colour, std::string text);
// The popup bounce in pixels at timer t.
int popupBounce(int t);
// One frame of the popups' timers (the drawing counts them down too).
void countPopupsDown(Battle& battle);
// One frame of the rolling shown values of every slot.
void rollShownValues(Battle& battle);

// Pose rules of a hit (w20), a death (w21) and a played action (w26).
void hitReaction(Battle& battle, int slot);
void deathOf(Battle& battle, int slot);
void playAndSettle(Battle& battle, int slot, int action);
// Turning home (w13): the heading of slot's figure moves by degrees; 1 while it still looks
// away from home by π/4 or more.
int turnHomeStep(Battle& battle, int slot, int degrees);
