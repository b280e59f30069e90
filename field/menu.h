// The party menu: opened from the field with Enter through a fade to black, it shows the party
// with portraits and gauges (PartyMenuScene) and one member's commands, equipment, scrolls, items
// and skills (MemberMenuScene). Pages:
//   0 top menu, 1 member choice (PartyMenuScene)
//   2 the member's commands, 3 a command's sub-list, 4 target choice (MemberMenuScene)
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "core/frame.h"
#include "data/database.h"
#include "event/game_state.h"
#include "gfx/listwin.h"

// The six list windows of the menu.
enum MenuList { LIST_TOP, LIST_MEMBER, LIST_COMMANDS, LIST_SUBLIST, LIST_TARGET, LIST_SKILLS, kMenuLists };

constexpr int kMenuPages = 5;
constexpr int kTopParty = 0;         // "パーティー", the only top entry with a page
constexpr int kEquipCommand = 1202;  // the command list's "装備"
constexpr int kScrollCommand = 9998; // the command list's "巻物"
constexpr int kItemCommand = 2;      // always offered; its sub-list is the member's items
constexpr int kSkillCommand = 5;     // its sub-list is the member's learned techniques
constexpr int kDisabledEntry = -1;   // value of an item that cannot be used in the field
constexpr int kPortraitTexture = 10; // texture table entries 10 … 12 hold the party's portraits
constexpr int kPanelSlideFrames = 4;

// What the top page shows of one party slot.
struct MenuPartyTexts {
  bool filled = false;
  GlyphString name;
  GlyphString secondName;
  GlyphString sexLine;  // "ＳＥＸ：" and the sign
};

struct MenuState {
  LISTWIN lists[kMenuLists];
  int page = 0;
  int top = 0;      // the top entry confirmed last
  int member = 0;   // party slot of the member being looked at
  int command = 0;  // the command whose sub-list page 3 shows
  int32_t savedInput = 0;  // the input-enabled flag when the menu opened
  int slide = 0;           // status panel: 0 … kPanelSlideFrames
  GlyphString title;
  GlyphString ageLabel;   // "ＡＧＥ：" of the status panel
  GlyphString moneyUnit;  // "両"
  MenuPartyTexts party[kPartySlots];
};
extern MenuState gMenu;

// The menu state as the field makes it: six empty lists, page 0, no portraits.
void resetMenu();

// Enter in the field: the lists emptied, input saved and switched off, the fade to black with
// MenuOpenFade watching it.
void OpenMenu();
// Builds page n (0 … 4) for the current member and command. A command's sub-list without
// entries plays sound slot 3 and builds page 2 again.
void BuildPage(int n);

// The scene functions while the menu is open: keys, then drawing.
void PartyMenuScene();
void MemberMenuScene();

// The fade watchers of overlay 1.
void MenuOpenFade();      // covered: PartyMenuScene on page 0, then MenuCloseFade
void MenuCloseFade();     // clearing: input on; covering: back to FieldScene with FieldReturnFade
void FieldReturnFade();   // cleared: the input flag as it was when the menu opened
void MemberScreenFade();  // covered: MemberMenuScene on page 2; cleared: input on
void MemberBackFade();    // covered: PartyMenuScene on page 0, then MenuCloseFade

// The party member in party slot i, or null for an empty slot or a number without a sheet.
SchrRecord* partyMember(int slot);
CharacterTables* partyMemberTables(int slot);

// Whether item slot i holds one of the four equipped items.
bool isEquippedSlot(const SchrRecord& record, int slot);
// The colour of a gauge line: red at 0, yellow below a sixteenth of the maximum, else white.
uint32_t gaugeColour(int current, int maximum);
// Left edge of the status panel for slide counter s.
constexpr float statusPanelX(int slide) {
  return static_cast<float>((10 - slide) * 64 + 18);
}

// The slot functions of field/: the field scene and the menu scenes and fades.
std::span<const SlotName> fieldSlotNames();
// The "menu" member of the state dump.
std::string menuStateJson();

// Drawing of the two scenes (menu_draw.cpp).
void drawPartyMenu();
void drawMemberMenu();
