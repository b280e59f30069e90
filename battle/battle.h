// The battle: the one `Battle` object that holds the whole state of a fight between up to three
// party members (slots 0 … 2) and up to six enemies (slots 3 … 8), reached through gBattle, which
// is empty outside battles. Slot i is drawn with character i of the character table.
//
// The battle's parts live beside this header: the data files and the set-up (battle_files.h,
// battle_setup.h), the flow with its phases (battle_flow.h), the scripts (battle_scripts.h), the
// scenes that enter and leave a battle (battle_scenes.h) and the parts that later work joins
// through named seams (battle_seams.h: menus, status display, popups, victory).
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "battle/scene_passes.h"
#include "core/frame.h"
#include "data/database.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/script.h"
#include "gfx/camera.h"
#include "gfx/chara.h"
#include "gfx/listwin.h"
#include "gfx/mat_model.h"
#include "gfx/math.h"

constexpr int kBattleSlots = 9;
constexpr int kPartySlotCount = 3;
constexpr int kFirstEnemySlot = 3;
constexpr int kEnemySlotCount = 6;
constexpr int kPopupCount = 24;
constexpr int kTaskHandles = 16;
constexpr int kBattleMenus = 3;        // command menu, sub-menu, target menu
constexpr int32_t kTurnThreshold = 5100;  // a gauge above it gives the slot its turn

inline bool isBattleSlot(int slot) { return slot >= 0 && slot < kBattleSlots; }
inline bool isPartySlot(int slot) { return slot >= 0 && slot < kPartySlotCount; }
inline bool isEnemySlot(int slot) { return slot >= kFirstEnemySlot && slot < kBattleSlots; }

// Action codes: what a fighter does. Bits 16 … 23 the kind, bits 0 … 15 the index.
enum ActionKind : int {
  kActionCommand = 0,    // a first-command number; only 4 (magic) is performed through a code
  kActionTechnique = 1,  // "wz%d"
  kActionItem = 2,       // an item slot of the fighter: "itm%d" or "NonBtGz"
  kActionTk = 3,         // "tk%d"
};
constexpr int kMagicCommand = 4;
constexpr int32_t actionCode(int kind, int index) { return (kind & 0xFF) << 16 | (index & 0xFFFF); }
constexpr int actionKindOf(int32_t code) { return (code >> 16) & 0xFF; }
constexpr int actionIndexOf(int32_t code) { return code & 0xFFFF; }

// An entry of an enemy's action table: weight in bits 24 … 31, kind in 16 … 23, index in 0 … 15
// (the low 24 bits are the action code).
constexpr uint32_t packEnemyAction(int weight, int kind, int index) {
  return static_cast<uint32_t>(weight & 0xFF) << 24 | static_cast<uint32_t>(kind & 0xFF) << 16 |
         static_cast<uint32_t>(index & 0xFFFF);
}
constexpr int enemyActionWeight(uint32_t entry) { return static_cast<int>(entry >> 24); }
constexpr int32_t enemyActionCode(uint32_t entry) { return static_cast<int32_t>(entry & 0xFFFFFF); }

// Hit flag bits of a slot.
enum HitFlag : uint8_t {
  HIT_RESULT = 1,    // the slot has a result
  HIT_EVADED = 2,
  HIT_CRITICAL = 4,
  HIT_ON_MP = 8,     // the result applies to MP
  HIT_STATUS = 16,
};

// CHARA actions the battle uses.
enum BattleAction : int {
  kActStance = 3,
  kActWeak = 4,
  kActDown = 5,
  kActWalk = 6,
  kActHurt = 10,
  kActKneel = 12,  // played backwards to stand up
  kActDodge = 13,
};

// A floating number or word over a fighter (drawn by the popups of the action issue).
struct Popup {
  int32_t timer = 0;  // frames; 0 = free
  int32_t kind = 0;   // -2 critical word, -1 evaded word, 0 number
  VECTOR position;
  uint32_t colour = 0;  // 0xRRGGBB
  std::string text;
};

// The one-line label at the top of the screen.
struct HelpLabel {
  std::string text;       // game text (code page 932); empty: nothing shown
  int32_t time = 0;       // milliseconds left; 0 = until replaced
  int32_t halfWidth = 0;  // half the box width
};

// The runner of one slot's action scripts ("wz").
struct ActionScript {
  Script script;
  int32_t ownSlot = 0;
  uint8_t taskHandles[kTaskHandles] = {};  // object-task slots the script remembers
};

// The battle's event script ("EV\BTL\be%d") and the phase it installs with b1.
struct BattleScript {
  Script script;
  SlotFunction nextFunction = NoOverlay;
};

// Where a field character stood when the battle began.
struct SavedPlacement {
  VECTOR position;
  VECTOR rotation;
  VECTOR scale;
  float alpha = 0;
};

// Reward totals and the result screen's working values (filled by the victory).
struct BattleRewards {
  int32_t exp = 0, money = 0, sp = 0;
  int32_t remainingExp = 0, remainingMoney = 0, remainingSp = 0;
  int32_t expToNext[kPartySlotCount] = {};
  int32_t levelTimer[kPartySlotCount] = {};
  int32_t scrollTimer[kPartySlotCount] = {};
};

// What the field had when the battle took over, given back when it ends.
struct FieldKeep {
  std::vector<Actor> actors;                  // the field's actor array
  std::vector<std::unique_ptr<CHARA>> charas;  // and its character table
  std::vector<SavedPlacement> placements;     // one per field character
  int actorCount = 0;
  CAMERA camera;
  int32_t inputEnabled = 0;
  CameraLinks cameraLinks;
  void (*sceneDrawing)() = nullptr;
};

struct Battle {
  Battle();
  Battle(const Battle&) = delete;
  Battle& operator=(const Battle&) = delete;

  // Slots
  SchrRecord* record[kBattleSlots] = {};  // the party's own records, or the battle's enemy records
  int32_t present[kBattleSlots] = {};     // 1 while the fighter takes part (alive and in the battle)
  int32_t entering[kBattleSlots] = {};    // 1 while the fighter walks to its home
  VECTOR home[kBattleSlots];
  float homeHeading[kBattleSlots] = {};   // pi for the party, 2 pi for enemies
  int32_t gauge[kBattleSlots] = {};       // initiative
  int32_t target[kBattleSlots] = {};
  int32_t chosen[kBattleSlots] = {};      // action code
  int32_t result[kBattleSlots] = {};      // signed result of the last damage command
  uint8_t hitFlags[kBattleSlots] = {};    // HitFlag bits
  uint8_t guard[kBattleSlots] = {};
  uint8_t backRow[kBattleSlots] = {};
  uint8_t defeated[kBattleSlots] = {};    // an enemy that has fallen (counts for rewards)
  int32_t shownHp[kBattleSlots] = {}, shownHpStep[kBattleSlots] = {};
  int32_t shownMp[kBattleSlots] = {}, shownMpStep[kBattleSlots] = {};
  int32_t shownTension[kBattleSlots] = {}, shownTensionStep[kBattleSlots] = {};
  ActionScript actionScripts[kBattleSlots];
  float turnStep[kBattleSlots] = {};      // w23/w24: the angle of one turn step
  int32_t turnCounter[kBattleSlots] = {};  // and the steps left

  // Enemies
  SchrRecord enemyRecords[kEnemySlotCount];
  int32_t enemyPair[kBattleSlots] = {};  // the enemy file's "%d:%d" as first + 256 * second
  uint16_t rewardExp[kBattleSlots] = {};
  uint16_t rewardMoney[kBattleSlots] = {};
  uint8_t rewardSp[kBattleSlots] = {};
  std::vector<uint32_t> actionTable[kBattleSlots];  // packEnemyAction entries
  uint16_t actionCount[kBattleSlots] = {};
  uint8_t escapeAllowed = 1;

  // Turn
  int32_t actor = -1;        // the slot whose turn it is; -1 for none
  int32_t runningSlot = 0;   // the slot whose action is being performed
  uint8_t continues = 0;     // 1 from the set-up until the battle is decided
  int32_t ready = 0;         // 1 once the opening is over
  uint8_t allTarget = 0;     // the chosen action hits the whole side
  uint8_t actionReady = 0;   // the actor's action and target are chosen

  // Menus (the menu issue drives them)
  LISTWIN menus[kBattleMenus];
  std::vector<std::string> menuTexts[kBattleMenus];  // the entries' texts (code page 932)
  int32_t activeMenu = 0;
  int32_t menuSlide = 0;
  SlotFunction menuFunction = NoOverlay;  // the open menu's input function; NoOverlay for none
  uint8_t targetSide = 0;                 // 0 party, 1 enemies

  // Screen
  Popup popups[kPopupCount];
  HelpLabel help;
  Flash flash;

  // Scripts
  BattleScript battleScript;
  EventScript view;  // the camera script ("EV\VIEW\View%d")
  std::string sceneAfter;  // b6: the scene script the field changes to after the battle

  // Ground
  MakeMat map;
  float mapHeaderValue = 0;  // the battle map's first header value, used by nothing

  BattleRewards rewards;

  // Party slots that name no member refer to these blank records.
  SchrRecord blankRecords[kPartySlotCount];

  FieldKeep field;
};

// The battle while one runs; null otherwise.
extern Battle* gBattle;

// Makes the battle (there is at most one: a battle already there is destroyed first).
Battle& makeBattle();
// Destroys the battle, if there is one.
void destroyBattle();

// The record of slot s.
SchrRecord& slotRecord(Battle& battle, int slot);
// Character s of the character table (the fighter's figure), or null.
CHARA* slotChara(int slot);
// The character number of party entry k when it names a record of the character table; 0 for
// an empty entry (or one that names no record).
int partyMemberOf(int k);

// The record fields the battle reads, by their short names.
namespace fighter {
inline int32_t& hp(SchrRecord& r) { return r.effectiveHp; }
inline int32_t& maxHp(SchrRecord& r) { return r.effectiveMaxHp; }
inline int32_t& mp(SchrRecord& r) { return r.effectiveMp; }
inline int32_t& maxMp(SchrRecord& r) { return r.effectiveMaxMp; }
inline int32_t& baseMaxHp(SchrRecord& r) { return r.maxHp; }
inline int32_t& baseMaxMp(SchrRecord& r) { return r.maxMp; }
inline uint8_t& base(SchrRecord& r, Attribute a) { return r.baseAttributes[a]; }
inline uint8_t& effective(SchrRecord& r, Attribute a) { return r.effectiveAttributes[a]; }
inline int8_t attributePower(const SchrRecord& r, int a) { return static_cast<int8_t>(r.effectiveSetA[a & 7]); }
inline int32_t& tension(SchrRecord& r) { return r.tension; }
inline int16_t& magicNumber(SchrRecord& r) { return r.magicNumber; }
inline uint8_t& turnDirection(SchrRecord& r) { return r.turnDirection; }
inline uint8_t& backRowFlag(SchrRecord& r) { return r.backRow; }
inline std::string name(const SchrRecord& r) { return std::string(r.name, strnlen(r.name, sizeof r.name)); }
inline std::string scriptName(const SchrRecord& r) {
  return std::string(r.scriptName, strnlen(r.scriptName, sizeof r.scriptName));
}
}  // namespace fighter

// Shows a text in the help label for time milliseconds (0: until replaced), with the fixed box
// (half-width 288) or one that fits the text (8 * characters + 32).
void showHelp(Battle& battle, std::string_view sjisText, int32_t time, bool fixedWidth);
// Draws the help label and counts its time down (the label is cleared when it runs out).
void drawHelpLabel(Battle& battle);
