#include "field/menu.h"

#include <cstring>
#include <string_view>

#include "audio/sound.h"
#include "core/keyboard.h"
#include "core/message_box.h"
#include "data/scrambled.h"
#include "event/choice.h"
#include "core/state_json.h"
#include "field/field.h"

MenuState gMenu;

namespace {

constexpr int32_t kGateThreshold = 85;  // keys are looked at only above this
constexpr int32_t kAcceptedKeyGate = -48;
constexpr int32_t kFadeIn = 24;
constexpr int32_t kFadeOut = -24;
constexpr int kCursorSound = 0;
constexpr int kEmptyPageSound = 3;
constexpr int kTargetSoundSlot = kFirstOnDemandSoundSlot;  // script sound slot 0
constexpr const char* kTargetSound = "SE\\fix0.zse";
constexpr float kTopListWidth = 320.0f;
constexpr float kTopListHeight = 84.0f;
constexpr float kSubListWidth = 512.0f;
constexpr float kSubListHeight = 332.0f;

const char* const kTopEntries[] = {"パーティー", "グッズのストック", "プレヤーノート", "システムコンフィグ"};
const char* const kEquipLines[kEquipSlots] = {"右手　　：", "左手　　：", "アクセ１：", "アクセ２："};

bool portraitsLoaded = false;

GlyphString glyphs(std::string_view utf8) {
  return toGlyphString(sjis(utf8));
}

// A text field of a record up to its terminator (or its end).
std::string fieldText(const char* text, size_t size) {
  return std::string(text, strnlen(text, size));
}


bool covered() {
  return gFadeColour >= 0xFF000000u;
}

bool uncovered() {
  return gFadeColour <= 0x00FFFFFFu;
}

bool held(int slot) {
  return gKeySlots[slot] == KEY_HELD;
}

// ---- lists ----

void closeList(LISTWIN& list) {
  list.openAmount = 0;
  list.openSpeed = 0;
}

// The menu's lists appear at their full size at once, where the screens place them.
void showList(LISTWIN& list) {
  list.openAmount = kListFullyOpen;
  list.openSpeed = 0;
}

void emptyLists() {
  for (LISTWIN& list : gMenu.lists) {
    list.clearAll();
    closeList(list);
  }
}

// The cursor on the first filled entry.
void cursorToFirst(LISTWIN& list) {
  list.cursor = 0;
  if (!list.isFilled(0)) list.moveCursor(1);
}

// ---- the party display ----

const char* sexSign(int sex) {
  if (sex == 0) return "♀";
  if (sex == 1) return "♂";
  return "？";
}

void releasePortraits() {
  for (int slot = 0; slot < kPartySlots; ++slot) gTextures[kPortraitTexture + slot].release();
  portraitsLoaded = false;
}

void makePartyTexts() {
  for (int slot = 0; slot < kPartySlots; ++slot) {
    MenuPartyTexts& texts = gMenu.party[slot];
    texts = MenuPartyTexts{};
    const SchrRecord* record = partyMember(slot);
    if (!record) continue;
    texts.filled = true;
    texts.name = toGlyphString(fieldText(record->name, kNameBytes));
    texts.secondName = toGlyphString(fieldText(record->secondName, kSecondNameBytes));
    texts.sexLine = glyphs(std::string("ＳＥＸ：") + sexSign(record->sex()));
  }
  // The portraits are read once for each opening of the menu: a missing file is reported once.
  if (portraitsLoaded || !gDevice) return;
  portraitsLoaded = true;
  for (int slot = 0; slot < kPartySlots; ++slot) {
    if (const SchrRecord* record = partyMember(slot)) {
      const std::string path = "SCHR\\" + fieldText(record->scriptName, kScriptNameBytes) + ".zgr";
      data::loadScrambledTexture(path, gTextures[kPortraitTexture + slot]);
    }
  }
}

// ---- the pages ----

void buildTop() {
  LISTWIN& list = gMenu.lists[LIST_TOP];
  list.setCount(4);
  for (int i = 0; i < 4; ++i) list.set(i, sjis(kTopEntries[i]), i);
  list.width = kTopListWidth;
  list.height = kTopListHeight;
  list.cursor = gMenu.top;
  if (!list.isFilled(list.cursor)) cursorToFirst(list);
  showList(list);
  gMenu.title = glyphs("メニュー画面だよ～ん");
  gMenu.slide = 0;
  makePartyTexts();
}

void buildMembers() {
  LISTWIN& list = gMenu.lists[LIST_MEMBER];
  list.setCount(kPartySlots);
  for (int slot = 0; slot < kPartySlots; ++slot) {
    if (const SchrRecord* record = partyMember(slot)) list.add(fieldText(record->name, kNameBytes), slot);
  }
  cursorToFirst(list);
  showList(list);
  gMenu.title = glyphs("誰の？");
  gMenu.slide = 0;
}

void buildCommands() {
  LISTWIN& list = gMenu.lists[LIST_COMMANDS];
  list.setCount(2 + kFirstCommandSlots + 1);
  list.add(sjis("装備"), kEquipCommand);
  if (gGame.scrollSwitch) list.add(sjis("巻物"), kScrollCommand);
  bool hasItems = false;
  if (const CharacterTables* tables = partyMemberTables(gMenu.member)) {
    for (const uint8_t number : tables->firstCommands) {
      const FirstCommand* command = findFirstCommand(number);
      if (!command || (command->number & kCommandUsableInField) == 0) continue;
      list.add(command->label, number);
      hasItems = hasItems || number == kItemCommand;
    }
  }
  if (!hasItems) {
    if (const FirstCommand* items = findFirstCommand(kItemCommand)) list.add(items->label, kItemCommand);
  }
  list.fitSize(list.countFilled());
  cursorToFirst(list);
  showList(list);
  gMenu.lists[LIST_SUBLIST].width = kSubListWidth;
  gMenu.lists[LIST_SUBLIST].height = kSubListHeight;
  gMenu.title = glyphs("コマンドを選んでください");
}

std::string itemName(int number) {
  const ItemRecord* item = findItem(number);
  return item ? item->name : std::string();
}

// The learned-skill list of a scroll: its heading, then the names of the scroll's techniques.
void buildScrollSkills(int scrollNumber) {
  LISTWIN& list = gMenu.lists[LIST_SKILLS];
  const MkmnRecord* scroll = findScroll(scrollNumber);
  list.setCount(1 + (scroll ? static_cast<int>(scroll->techniques.size()) : 0));
  list.add(sjis("●習得技術●"), 0);
  if (scroll) {
    for (const uint16_t number : scroll->techniques) {
      if (const WazaRecord* technique = findTechnique(number)) list.add(technique->name, number);
    }
  }
  list.fitSize(list.countFilled());
  list.cursor = -1;  // the list never has the keys: no entry is highlighted
  closeList(list);
}

void fillSubList(LISTWIN& list, const SchrRecord& record, const CharacterTables& tables) {
  switch (gMenu.command) {
    case kEquipCommand:
      list.setCount(kEquipSlots);
      for (int k = 0; k < kEquipSlots; ++k) {
        const int slot = record.equipped[k];
        const std::string name = slot < kItemSlots ? itemName(record.items[slot]) : std::string();
        list.set(k, sjis(kEquipLines[k]) + name, k);
      }
      return;
    case kScrollCommand:
      list.setCount(kScrollSlots);
      for (int k = 0; k < kScrollSlots; ++k) {
        if (const MkmnRecord* scroll = findScroll(record.scrolls[k])) list.set(k, scroll->name, k);
      }
      // The learned-skill list always comes from the first scroll slot.
      buildScrollSkills(record.scrolls[0]);
      return;
    case kItemCommand:
      list.setCount(kItemSlots);
      for (int i = 0; i < kItemSlots; ++i) {
        const ItemRecord* item = findItem(record.items[i]);
        if (!item) continue;
        const std::string marker = isEquippedSlot(record, i) ? sjis("Ｅ　") : std::string();
        list.set(i, marker + item->name, (item->kindWord & kItemUsableInField) ? i : kDisabledEntry);
      }
      return;
    case kSkillCommand: {
      list.setCount(static_cast<int>(tables.techniqueLevels.size()));
      for (size_t t = 0; t < tables.techniqueLevels.size(); ++t) {
        const WazaRecord* technique = findTechnique(static_cast<int>(t));
        if (technique && tables.techniqueLevels[t] >= kMasteredLevel) list.add(technique->name, static_cast<int>(t));
      }
      return;
    }
    default:
      list.setCount(kTkSlots);
      for (const int16_t number : tables.tk) {
        if (const TkRecord* tk = findTk(number)) list.add(tk->name, number);
      }
      return;
  }
}

std::string subListTitle() {
  if (gMenu.command == kEquipCommand) return sjis("装備を行います");
  if (gMenu.command == kScrollCommand) return sjis("巻物");
  const FirstCommand* command = findFirstCommand(gMenu.command);
  return sjis("どちらの") + (command ? command->label : std::string()) + sjis("をご使用なさいますか");
}

void returnToPage(int n);

void buildSubList() {
  LISTWIN& list = gMenu.lists[LIST_SUBLIST];
  list.setCount(0);
  const SchrRecord* record = partyMember(gMenu.member);
  const CharacterTables* tables = partyMemberTables(gMenu.member);
  if (record && tables) fillSubList(list, *record, *tables);
  if (list.countFilled() == 0) {
    playSound(kEmptyPageSound);
    returnToPage(2);
    return;
  }
  cursorToFirst(list);
  showList(list);
  gMenu.title = toGlyphString(subListTitle());
}

void buildTargets() {
  LISTWIN& list = gMenu.lists[LIST_TARGET];
  list.setCount(kPartySlots);
  for (int slot = 0; slot < kPartySlots; ++slot) {
    if (const SchrRecord* record = partyMember(slot)) list.add(fieldText(record->name, kNameBytes), slot);
  }
  list.fitSize(list.countFilled());
  cursorToFirst(list);
  showList(list);
  gMenu.title = glyphs("誰に？");
}

// Back to a page built again, its cursor where it was.
void returnToPage(int n) {
  const int cursor = gMenu.lists[n].cursor;
  BuildPage(n);
  if (gMenu.page == n && gMenu.lists[n].isFilled(cursor)) gMenu.lists[n].cursor = cursor;
}

// ---- keys ----

void startFade(SlotFunction watcher) {
  gInputEnabled = 0;
  gFadeSpeed = kFadeIn;
  gOverlay1 = watcher;
}

void confirm() {
  LISTWIN& list = gMenu.lists[gMenu.page];
  const bool onEntry = list.isFilled(list.cursor);
  const int value = list.cursorValue();
  switch (gMenu.page) {
    case 0:
      gMenu.top = list.cursor;
      if (value == kTopParty) BuildPage(1);
      return;
    case 1:
      if (!onEntry) return;
      gMenu.member = value;
      startFade(MemberScreenFade);
      return;
    case 2:
      if (!onEntry) return;
      gMenu.command = value;
      BuildPage(3);
      return;
    case 3:
      if (!onEntry) return;
      if (gMenu.command == kItemCommand && value >= 0) {
        BuildPage(4);
      } else if (gMenu.command == kScrollCommand) {
        if (const SchrRecord* record = partyMember(gMenu.member)) buildScrollSkills(record->scrolls[0]);
        showList(gMenu.lists[LIST_SKILLS]);
      }
      return;
    case 4:
      if (!onEntry) return;
      data::loadScrambledSound(kTargetSound, kTargetSoundSlot);
      playSound(kTargetSoundSlot);
      return;
  }
}

void back() {
  switch (gMenu.page) {
    case 0:
      startFade(MenuCloseFade);
      return;
    case 1:
      BuildPage(0);
      return;
    case 2:
      startFade(MemberBackFade);
      return;
    default:
      returnToPage(gMenu.page - 1);
      return;
  }
}

void menuKeys() {
  if (!gInputEnabled) return;
  pollFieldKeys();
  gKeyGate += gFrameTime;
  if (gKeyGate <= kGateThreshold) return;
  if (held(SLOT_SHIFT)) {
    playSound(kCursorSound);
    gKeyGate = kAcceptedKeyGate;
    confirm();
  } else if (held(SLOT_CTRL)) {
    playSound(kCursorSound);
    gKeyGate = kAcceptedKeyGate;
    back();
  } else if (listKeys(gMenu.lists[gMenu.page])) {
    gKeyGate = kAcceptedKeyGate;
  }
}

}  // namespace

// ---- state ----

void resetMenu() {
  releasePortraits();
  gMenu = MenuState{};
}

SchrRecord* partyMember(int slot) {
  if (slot < 0 || slot >= kPartySlots) return nullptr;
  const int32_t number = gGame.party[slot];
  if (number <= 0 || static_cast<size_t>(number) >= gCharacters.size()) return nullptr;
  return &gCharacters[static_cast<size_t>(number)];
}

CharacterTables* partyMemberTables(int slot) {
  if (!partyMember(slot) || static_cast<size_t>(gGame.party[slot]) >= gCharacterTables.size()) return nullptr;
  return &gCharacterTables[static_cast<size_t>(gGame.party[slot])];
}

bool isEquippedSlot(const SchrRecord& record, int slot) {
  for (const uint8_t equipped : record.equipped) {
    if (equipped != kNoEquip && equipped == slot) return true;
  }
  return false;
}

uint32_t gaugeColour(int current, int maximum) {
  if (current <= 0) return 0xFFD20000;
  if (current < maximum / 16) return 0xFFFFFF00;
  return 0xFFFFFFFF;
}

// ---- opening, closing and the fades ----

void OpenMenu() {
  emptyLists();
  gMenu.savedInput = gInputEnabled;
  gInputEnabled = 0;
  gFadeSpeed = kFadeIn;
  gMenu.ageLabel = glyphs("ＡＧＥ：");
  gMenu.moneyUnit = glyphs("両");
  gOverlay1 = MenuOpenFade;
}

void BuildPage(int n) {
  if (n < 0 || n >= kMenuPages) return;
  gMenu.page = n;
  // The lists of deeper pages are closed; they open again when their page is next built.
  for (int k = n + 1; k < kMenuLists; ++k) closeList(gMenu.lists[k]);
  switch (n) {
    case 0: buildTop(); break;
    case 1: buildMembers(); break;
    case 2: buildCommands(); break;
    case 3: buildSubList(); break;
    case 4: buildTargets(); break;
  }
}

void PartyMenuScene() {
  menuKeys();
  if (gMenu.page != 0 && gMenu.slide < kPanelSlideFrames) ++gMenu.slide;
  drawPartyMenu();
}

void MemberMenuScene() {
  menuKeys();
  drawMemberMenu();
}

void MenuOpenFade() {
  if (!covered()) return;
  gScene = PartyMenuScene;
  gOverlay1 = MenuCloseFade;
  gFadeSpeed = kFadeOut;
  BuildPage(0);
}

void MenuCloseFade() {
  if (gFadeSpeed < 0 && uncovered()) {
    gFadeSpeed = 0;
    gInputEnabled = 1;
    gOverlay1 = NoOverlay;
  } else if (gFadeSpeed > 0 && covered()) {
    releasePortraits();
    emptyLists();
    gScene = FieldScene;
    gFadeSpeed = kFadeOut;
    gOverlay1 = FieldReturnFade;
  }
}

void FieldReturnFade() {
  if (!uncovered()) return;
  gOverlay1 = NoOverlay;
  gFadeSpeed = 0;
  gInputEnabled = gMenu.savedInput;
}

void MemberScreenFade() {
  if (gFadeSpeed > 0 && covered()) {
    gFadeSpeed = kFadeOut;
    BuildPage(2);
    gScene = MemberMenuScene;
  } else if (gFadeSpeed < 0 && uncovered()) {
    gFadeSpeed = 0;
    gInputEnabled = 1;
    gOverlay1 = NoOverlay;
  }
}

void MemberBackFade() {
  if (gFadeSpeed > 0 && covered()) {
    gFadeSpeed = kFadeOut;
    BuildPage(0);
    gScene = PartyMenuScene;
    gOverlay1 = MenuCloseFade;
  }
}

// ---- state dump ----

std::span<const SlotName> fieldSlotNames() {
  static const SlotName kNames[] = {
      {FieldScene, "FieldScene"},
      {PartyMenuScene, "PartyMenuScene"},     {MemberMenuScene, "MemberMenuScene"},
      {MenuOpenFade, "MenuOpenFade"},         {MenuCloseFade, "MenuCloseFade"},
      {FieldReturnFade, "FieldReturnFade"},   {MemberScreenFade, "MemberScreenFade"},
      {MemberBackFade, "MemberBackFade"},
  };
  return kNames;
}

std::string menuStateJson() {
  std::string lists = "[";
  for (int k = 0; k < kMenuLists; ++k) {
    const LISTWIN& list = gMenu.lists[k];
    std::string entries = "[";
    for (int i = 0; i < list.count; ++i) {
      entries += (i ? ", " : "") + state_json::gameText(glyphStringText(list.entries[static_cast<size_t>(i)].text));
    }
    state_json::Object object;
    object.add("cursor", list.cursor);
    object.add("count", list.count);
    object.add("entries", entries + "]");
    lists += (k ? ", " : "") + object.text();
  }
  state_json::Object json;
  json.add("page", gMenu.page);
  json.add("top", gMenu.top);
  json.add("member", gMenu.member);
  json.add("slide", gMenu.slide);
  json.add("lists", lists + "]");
  return json.text();
}
