#include "battle/battle_menus.h"

#include <algorithm>

#include "audio/sound.h"
#include "battle/battle_flow.h"
#include "battle/battle_seams.h"
#include "core/keyboard.h"
#include "core/message_box.h"

namespace {

constexpr int kCursorSound = 0;
constexpr int kCommandRows = 4;
constexpr int kSubRows = 8;
constexpr float kSubWidth = 368.0f;
constexpr int kHeadTurnFrames = 16;

bool decide() { return gKeySlots[SLOT_SHIFT] == KEY_HELD; }
bool cancel() { return gKeySlots[SLOT_CTRL] == KEY_HELD; }
bool down(int slot) { return gKeySlots[slot] >= KEY_PRESSED; }

int actorOf(Battle& battle) { return isPartySlot(battle.actor) ? battle.actor : 0; }

// A taken key: the gate pauses.
void keyTaken() { gKeyGate = kMenuKeyPause; }

void openList(LISTWIN& list, int rows, int cursor) {
  list.fitSize(rows);
  list.cursor = cursor;
  list.openAmount = 1;
  list.openSpeed = 0;
}

// Up/Down (and Left/Right where the menu leaves them) move the cursor.
bool moveSelection(Battle& battle, LISTWIN& list, bool leftRight) {
  const int cols = list.columnCount();
  int delta = 0, slot = -1;
  if (down(SLOT_UP)) delta = -cols, slot = SLOT_UP;
  else if (down(SLOT_DOWN)) delta = cols, slot = SLOT_DOWN;
  else if (leftRight && down(SLOT_LEFT)) delta = -1, slot = SLOT_LEFT;
  else if (leftRight && down(SLOT_RIGHT)) delta = 1, slot = SLOT_RIGHT;
  if (slot < 0) return false;
  list.moveCursor(delta);
  playSound(kCursorSound);
  gKeyGate = gKeySlots[slot] == KEY_PRESSED ? kMenuKeyPause : 0;
  updateMenuHelp(battle);
  return true;
}

// The tables of the member in party slot s, or null.
const CharacterTables* tablesOf(int slot) {
  const int member = partyMemberOf(slot);
  if (member <= 0 || static_cast<size_t>(member) >= gCharacterTables.size()) return nullptr;
  return &gCharacterTables[static_cast<size_t>(member)];
}

int firstCommandOf(int slot, int k) {
  const CharacterTables* tables = tablesOf(slot);
  return tables && k >= 0 && k < kFirstCommandSlots ? tables->firstCommands[k] : 0;
}

void loadOwnScript(Battle& battle, const char* name) {
  const int a = actorOf(battle);
  Script& script = battle.actionScripts[a].script;
  script.Load(kScriptDirAction, name);
  script.active = 1;
  battle.menuFunction = NoOverlay;
  battle.target[a] = a;
  battle.help.text.clear();
  battle.menuSlide = -kMenuSlide;
  // The turn is taken by the script itself: the wait for a chosen action ends.
  battle.actor = -1;
  gOverlay1 = NoOverlay;
  battle.runningSlot = a;
}

void headTurnReset(Battle& battle) {
  if (CHARA* chara = slotChara(actorOf(battle))) {
    chara->headTurnFrames = 0;
    chara->headTurn = VECTOR{};
  }
}

void turnHeadToSelection(Battle& battle) {
  if (battle.allTarget) return;
  const int a = actorOf(battle);
  CHARA* chara = slotChara(a);
  if (!chara || chara->getAnim() == kActWeak) return;
  chara->lookAt(a, battle.menus[kTargetMenu].cursorValue(), kHeadTurnFrames);
}

bool wholeSideAction(int32_t code, int slot, Battle& battle) {
  const int kind = actionKindOf(code);
  const int index = actionIndexOf(code);
  if (kind == kActionTechnique) {
    const WazaRecord* w = findTechnique(index);
    return w && (w->packed & kWazaWholeSide);
  }
  if (kind == kActionItem && index < kItemSlots) {
    const ItemRecord* item = findItem(slotRecord(battle, slot).items[index]);
    return item && (item->kindWord & kItemWholeSide);
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening

void openCommandMenu(Battle& battle, int page) {
  LISTWIN& list = battle.menus[kCommandMenu];
  battle.activeMenu = kCommandMenu;
  list.columns = 1;
  list.setCount(kCommandRows);
  battle.menuTexts[kCommandMenu].clear();
  const int a = actorOf(battle);
  const int page1[kCommandRows] = {kGuardCommand, kChangeCommand, kEscapeCommand, kGuardCommand};
  for (int i = 0; i < kCommandRows; ++i) {
    const int k = page == 0 ? firstCommandOf(a, i) : page1[i];
    const FirstCommand* command = findFirstCommand(k);
    const std::string text = command ? command->label : std::string(" ");
    list.set(i, text, k);
    battle.menuTexts[kCommandMenu].push_back(text);
  }
  openList(list, kCommandRows, 0);
  battle.menuSlide = kMenuSlide;
  gInputEnabled = 0;
  battle.menuFunction = CommandMenuFunction;
  updateMenuHelp(battle);
}

std::vector<MenuEntry> subMenuEntries(Battle& battle, int slot, int command) {
  std::vector<MenuEntry> entries;
  SchrRecord& r = slotRecord(battle, slot);
  if (command == kItemCommand) {
    for (int i = 0; i < kItemSlots; ++i)
      if (const ItemRecord* item = findItem(r.items[i])) entries.push_back({item->name, i});
  } else if (command == kTechniqueCommand) {
    if (const CharacterTables* tables = tablesOf(slot)) {
      const std::vector<uint8_t>& levels = tables->techniqueLevels;
      for (size_t t = 0; t < gTechniques.size() && t < levels.size(); ++t)
        if (levels[t] >= kMasteredLevel) entries.push_back({gTechniques[t].name, static_cast<int>(t)});
    }
  } else {
    if (const CharacterTables* tables = tablesOf(slot))
      for (const int16_t tk : tables->tk)
        if (const TkRecord* t = findTk(tk)) entries.push_back({t->name, tk});
  }
  return entries;
}

bool openSubMenu(Battle& battle, int command) {
  const int a = actorOf(battle);
  const std::vector<MenuEntry> entries = subMenuEntries(battle, a, command);
  if (entries.empty()) {
    battle.activeMenu = kCommandMenu;
    playSound(kRefusalSound);
    return false;
  }
  LISTWIN& list = battle.menus[kSubMenu];
  list.columns = 2;
  list.setCount(static_cast<int>(entries.size()));
  battle.menuTexts[kSubMenu].clear();
  for (size_t i = 0; i < entries.size(); ++i) {
    list.set(static_cast<int>(i), entries[i].text, entries[i].value);
    battle.menuTexts[kSubMenu].push_back(entries[i].text);
  }
  openList(list, kSubRows, 0);
  list.width = kSubWidth;
  battle.activeMenu = kSubMenu;
  battle.menuSlide = kMenuSlide;
  gInputEnabled = 0;
  battle.menuFunction = SubMenuFunction;
  return true;
}

void openTargetMenu(Battle& battle) {
  const int a = actorOf(battle);
  battle.allTarget = wholeSideAction(battle.chosen[a], a, battle) ? 1 : 0;
  LISTWIN& list = battle.menus[kTargetMenu];
  list.columns = 1;
  const bool enemies = battle.targetSide == 1;
  int cursor = 0;
  std::vector<std::string>& texts = battle.menuTexts[kTargetMenu];
  texts.clear();
  if (battle.allTarget) {
    list.setCount(1);
    texts.push_back(sjis(enemies ? "敵全体" : "味方全員"));
    list.set(0, texts[0], enemies ? 1 : 0);
  } else {
    const int first = enemies ? kFirstEnemySlot : 0;
    const int end = enemies ? kBattleSlots : kPartySlotCount;
    list.setCount(end - first);
    // A slot with nobody to show keeps an empty entry, which the cursor passes over; the enemy
    // side starts on the first enemy standing.
    cursor = -1;
    for (int s = first; s < end; ++s) {
      const bool shown = battle.present[s] || (isPartySlot(s) && partyMemberOf(s) != 0);
      texts.push_back(shown ? fighter::name(slotRecord(battle, s)) : std::string());
      list.setGlyphs(s - first, toGlyphString(texts.back()), s);
      if (shown && cursor < 0) cursor = s - first;
    }
    if (!enemies || cursor < 0) cursor = enemies ? 0 : a;
  }
  openList(list, list.count, cursor);
  battle.activeMenu = kTargetMenu;
  battle.menuSlide = kMenuSlide;
  gInputEnabled = 0;
  battle.menuFunction = TargetMenuFunction;
  turnHeadToSelection(battle);
}

// ---------------------------------------------------------------------------------------------
// Menu functions

void CommandMenuFunction() {
  Battle* battle = gBattle;
  if (!battle || gKeyGate < kDecideGate) return;
  LISTWIN& list = battle->menus[kCommandMenu];
  const int a = actorOf(*battle);
  if (decide()) {
    keyTaken();
    const int k = list.cursorValue();
    const FirstCommand* command = findFirstCommand(k);
    if (command && (command->number & kCommandOpensSubMenu)) {
      battle->chosen[a] = k == kItemCommand        ? actionCode(kActionItem, 0)
                          : k == kTechniqueCommand ? actionCode(kActionTechnique, 0)
                                                   : actionCode(kActionTk, 0);
      if (openSubMenu(*battle, k)) {
        playSound(kCursorSound);
        updateMenuHelp(*battle);
      }
      return;
    }
    if (k == kEscapeCommand && !battle->escapeAllowed) {
      playSound(kRefusalSound);
      return;
    }
    if (k == kGuardCommand) {
      loadOwnScript(*battle, "GUARD");
      battle->guard[a] = 1;
    } else if (k == kChangeCommand) {
      loadOwnScript(*battle, "CHANGE");
    } else if (k == kEscapeCommand) {
      loadOwnScript(*battle, "ESCAPE");
    } else {
      battle->targetSide = 1;
      battle->chosen[a] = actionCode(kActionCommand, k);
      openTargetMenu(*battle);
    }
    playSound(kCursorSound);
    return;
  }
  const bool pageZeroShown = list.count > 0 && list.entries[0].value != 0;
  if (down(SLOT_LEFT) || down(SLOT_RIGHT)) {
    const bool left = down(SLOT_LEFT);
    if (left && !pageZeroShown) openCommandMenu(*battle, 0);
    if (!left && pageZeroShown) openCommandMenu(*battle, 1);
    playSound(kCursorSound);
    keyTaken();
    return;
  }
  moveSelection(*battle, list, false);
}

void SubMenuFunction() {
  Battle* battle = gBattle;
  if (!battle || gKeyGate < kDecideGate) return;
  LISTWIN& list = battle->menus[kSubMenu];
  const int a = actorOf(*battle);
  if (decide()) {
    keyTaken();
    battle->chosen[a] |= list.cursorValue() & 0xFFFF;
    const int kind = actionKindOf(battle->chosen[a]);
    if (kind == kActionItem) {
      battle->targetSide = 0;
    } else if (kind == kActionTechnique) {
      const WazaRecord* w = findTechnique(list.cursorValue());
      battle->targetSide = w && (w->packed & kWazaForAllies) ? 0 : 1;
      battle->allTarget = w && (w->packed & kWazaWholeSide) ? 1 : 0;
    } else {
      battle->targetSide = 1;
    }
    playSound(kCursorSound);
    openTargetMenu(*battle);
    return;
  }
  if (cancel()) {
    keyTaken();
    battle->chosen[a] = 0;
    gInputEnabled = 0;
    battle->menuSlide = -kMenuSlide;
    battle->menuFunction = NoOverlay;
    playSound(kCursorSound);
    return;
  }
  moveSelection(*battle, list, true);
}

void TargetMenuFunction() {
  Battle* battle = gBattle;
  if (!battle || gKeyGate < kDecideGate) return;
  LISTWIN& list = battle->menus[kTargetMenu];
  const int a = actorOf(*battle);
  if (decide()) {
    keyTaken();
    for (LISTWIN& m : battle->menus) m.openAmount = 0;
    battle->menuSlide = 0;
    battle->menuFunction = NoOverlay;
    playSound(kCursorSound);
    if (battle->allTarget) {
      const int first = battle->targetSide == 1 ? kFirstEnemySlot : 0;
      battle->target[a] = checkTarget(*battle, first);
    } else {
      battle->target[a] = list.cursorValue();
    }
    battle->help.text.clear();
    headTurnReset(*battle);
    battle->actionReady = 1;
    return;
  }
  if (down(SLOT_LEFT) || down(SLOT_RIGHT)) {
    keyTaken();
    playSound(kCursorSound);
    battle->targetSide = battle->targetSide ? 0 : 1;
    openTargetMenu(*battle);
    list.openAmount = kListFullyOpen;
    battle->menuSlide = 0;
    gInputEnabled = 1;
    updateMenuHelp(*battle);
    return;
  }
  if (cancel()) {
    keyTaken();
    gInputEnabled = 0;
    battle->menuSlide = -kMenuSlide;
    battle->menuFunction = NoOverlay;
    battle->chosen[a] &= ~0xFFFF;
    playSound(kCursorSound);
    headTurnReset(*battle);
    return;
  }
  if (moveSelection(*battle, list, false)) turnHeadToSelection(*battle);
}

// ---------------------------------------------------------------------------------------------
// Slide and help

void slideMenus(Battle& battle) {
  if (battle.menuSlide == 0) return;
  const int m = std::clamp(battle.activeMenu, 0, kBattleMenus - 1);
  LISTWIN& list = battle.menus[m];
  list.openAmount += battle.menuSlide;
  if (battle.menuSlide > 0 && list.openAmount >= kListFullyOpen) {
    list.openAmount = kListFullyOpen;
    battle.menuSlide = 0;
    gInputEnabled = 1;
    updateMenuHelp(battle);
    return;
  }
  if (battle.menuSlide < 0 && list.openAmount <= 0) {
    list.openAmount = 0;
    battle.menuSlide = 0;
    if (m == kCommandMenu) {
      battle.menuFunction = NoOverlay;
      gInputEnabled = 0;
      return;
    }
    const bool subShown = m == kTargetMenu && battle.menus[kSubMenu].openAmount > 0;
    battle.activeMenu = subShown ? kSubMenu : kCommandMenu;
    if (subShown) {
      battle.menuFunction = SubMenuFunction;
    } else {
      battle.menuFunction = CommandMenuFunction;
    }
    gInputEnabled = 1;
    updateMenuHelp(battle);
  }
}

int shownMpCost(Battle& battle, int slot, int value) {
  const int32_t code = battle.chosen[slot];
  const WazaRecord* w = actionKindOf(code) == kActionTechnique ? findTechnique(value) : findTk(value);
  if (!w) return 0;
  if (w->packed & kWazaAllMp) return fighter::mp(slotRecord(battle, slot));
  return static_cast<int>(w->packed & 0xFF);
}

void updateMenuHelp(Battle& battle) {
  const int m = std::clamp(battle.activeMenu, 0, kBattleMenus - 1);
  const LISTWIN& list = battle.menus[m];
  const int value = list.cursorValue();
  std::string text;
  if (m == kCommandMenu) {
    if (const FirstCommand* c = findFirstCommand(value)) text = c->help;
  } else if (m == kSubMenu) {
    const int a = actorOf(battle);
    const int kind = actionKindOf(battle.chosen[a]);
    if (kind == kActionItem) {
      if (value < kItemSlots)
        if (const ItemRecord* item = findItem(slotRecord(battle, a).items[value])) text = item->help;
    } else if (const WazaRecord* w = kind == kActionTechnique ? findTechnique(value) : findTk(value)) {
      text = w->help;
    }
  } else if (battle.allTarget) {
    text = sjis(battle.targetSide == 1 ? "敵全体" : "味方全員");
  } else if (isBattleSlot(value)) {
    text = fighter::name(slotRecord(battle, value));
  }
  showHelp(battle, text, 0, true);
}
