// Drawing of the party menu's two scenes on the 640 x 480 screen.
#include <algorithm>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "data/label_sheet.h"
#include "field/menu.h"
#include "gfx/text.h"

namespace {

using namespace plat;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kHalfBlack = 0x80000000;
constexpr uint32_t kHalfGrey = 0x80808080;
constexpr uint32_t kPartyTop = 0xFF8080FF;  // the party screen's gradient, corner to corner
constexpr uint32_t kPartyAcross = 0xFFE0E000;
constexpr uint32_t kMemberTop = 0xFF8000D2;
constexpr uint32_t kMemberBottom = 0xFF000040;

// The party rows.
constexpr float kRowTop = 96.0f;
constexpr float kRowStep = 104.0f;
constexpr float kPortraitSize = 64.0f;
// The status panel.
constexpr float kPanelTop = 36.0f;
constexpr float kPanelWidth = 232.0f;
constexpr float kPanelHeight = 320.0f;
constexpr float kAttributeTop = 190.0f;
constexpr float kAttributeStep = 20.0f;
// The member screen's lists.
constexpr float kCommandX = 64.0f, kCommandY = 128.0f;
constexpr float kSubListX = 120.0f, kSubListY = 140.0f;
constexpr float kSkillsX = 420.0f, kSkillsY = 96.0f;
constexpr float kTargetX = 448.0f, kTargetY = 176.0f;

void beginMenuDrawing() {
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
  gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
  resetSpriteState();
}

void endMenuDrawing() {
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetRenderState(D3DRS_ZENABLE, true);
}

// One gauge line from x: the label sprite 4 pixels down, the current value, "/" and the maximum,
// four digits each, in the gauge colour.
void drawGaugeLine(float x, float y, const SheetRect& label, int current, int maximum) {
  drawSheetSprite(x, y + 4.0f, label, kWhite);
  const uint32_t colour = gaugeColour(current, maximum);
  drawNumber(std::max(current, 0), x + 24.0f, y, colour, 4);
  drawSheetSprite(x + 72.0f, y, kSheetSeparator, colour);
  drawNumber(std::max(maximum, 0), x + 88.0f, y, colour, 4);
}

void drawPortrait(int slot, float x, float y) {
  const TexRecord& portrait = gTextures[kPortraitTexture + slot];
  if (portrait.texture) drawTextureRect(x, y, kPortraitSize, kPortraitSize, portrait);
}

void drawHeader() {
  drawColourRect(0.0f, 0.0f, 640.0f, 28.0f, kHalfBlack);
  drawText(gMenu.title, 20.0f, 10.0f, kWhite);
}

// The party slot the member list's cursor is on, -1 when it is on no member.
int chosenSlot() {
  const LISTWIN& list = gMenu.lists[LIST_MEMBER];
  return list.isFilled(list.cursor) ? list.cursorValue() : -1;
}

void drawPartyRows() {
  const int chosen = gMenu.page == 1 ? chosenSlot() : -1;
  for (int slot = 0; slot < kPartySlots; ++slot) {
    const SchrRecord* record = partyMember(slot);
    if (!record || !gMenu.party[slot].filled) continue;
    const float y = kRowTop + kRowStep * static_cast<float>(slot);
    if (slot == chosen) drawColourRect(0.0f, y - 8.0f, 320.0f, 80.0f, kHalfGrey);
    drawPortrait(slot, 32.0f, y);
    drawText(gMenu.party[slot].name, 128.0f, y, kWhite);
    drawGaugeLine(128.0f, y + 20.0f, kSheetHpLabel, record->effectiveHp, record->effectiveMaxHp);
    drawGaugeLine(128.0f, y + 40.0f, kSheetMpLabel, record->effectiveMp, record->effectiveMaxMp);
  }
}

void drawMoney() {
  drawWindowBox(416.0f, 444.0f, 144.0f, 28.0f);
  drawNumber(std::clamp(gGame.money, 0, 999999999), 422.0f, 450.0f, kWhite, 9);
  drawText(gMenu.moneyUnit, 536.0f, 450.0f, kWhite);
}

void drawStatusPanel() {
  const int slot = chosenSlot();
  const SchrRecord* record = partyMember(slot);
  if (!record || !gMenu.party[slot].filled) return;
  const MenuPartyTexts& texts = gMenu.party[slot];
  const float x = statusPanelX(gMenu.slide);
  const float left = x + 16.0f;
  drawWindowBox(x, kPanelTop, kPanelWidth, kPanelHeight);
  drawText(texts.name, left, 48.0f, kWhite);
  drawText(texts.secondName, left, 68.0f, kWhite);
  drawText(gDataNames.names[ATTR_LEVEL], left, 92.0f, kWhite);
  drawNumber(record->effectiveAttributes[ATTR_LEVEL], left + 112.0f, 92.0f, kWhite, 3);
  drawGaugeLine(left, 112.0f, kSheetHpLabel, record->effectiveHp, record->effectiveMaxHp);
  drawGaugeLine(left, 132.0f, kSheetMpLabel, record->effectiveMp, record->effectiveMaxMp);
  drawSheetSprite(left, 156.0f, kSheetTensionLabel, kWhite);
  drawNumber(std::clamp(record->tension, 0, 999), left + 24.0f, 152.0f, kWhite, 3);
  drawText(gMenu.ageLabel, left, 170.0f, kWhite);
  drawNumber(record->age(), left + 64.0f, 170.0f, kWhite, 3);
  drawText(texts.sexLine, left + 108.0f, 170.0f, kWhite);
  for (int k = 0; k < kAttributeCount; ++k) {
    const float y = kAttributeTop + kAttributeStep * static_cast<float>(k);
    drawText(gDataNames.names[k], left, y, kWhite);
    drawNumber(record->effectiveAttributes[k], left + 112.0f, y, kWhite, 3);
  }
}

}  // namespace

void drawPartyMenu() {
  if (!gDevice) return;
  beginMenuDrawing();
  drawGradientRect(0.0f, 0.0f, 640.0f, 480.0f, kPartyTop, kPartyAcross, kPartyAcross, kPartyTop);
  drawMoney();
  drawPartyRows();
  LISTWIN& top = gMenu.lists[LIST_TOP];
  drawColourRect(16.0f, 384.0f, top.width, top.height, kHalfBlack);
  top.drawList(16.0f, 384.0f);
  if (gMenu.page != 0) drawStatusPanel();
  drawHeader();
  endMenuDrawing();
}

void drawMemberMenu() {
  if (!gDevice) return;
  beginMenuDrawing();
  drawGradientRect(0.0f, 0.0f, 640.0f, 480.0f, kMemberTop, kMemberTop, kMemberBottom, kMemberBottom);
  const int slot = gMenu.member;
  if (const SchrRecord* record = partyMember(slot)) {
    drawPortrait(slot, 64.0f, 48.0f);
    drawText(gMenu.party[slot].name, 144.0f, 48.0f, kWhite);
    drawGaugeLine(144.0f, 68.0f, kSheetHpLabel, record->effectiveHp, record->effectiveMaxHp);
    drawGaugeLine(144.0f, 88.0f, kSheetMpLabel, record->effectiveMp, record->effectiveMaxMp);
  }
  if (gMenu.page >= 2) gMenu.lists[LIST_COMMANDS].drawList(kCommandX, kCommandY);
  if (gMenu.page >= 3) gMenu.lists[LIST_SUBLIST].drawScrolled(kSubListX, kSubListY);
  LISTWIN& skills = gMenu.lists[LIST_SKILLS];
  if (gMenu.page == 3 && gMenu.command == kScrollCommand && skills.openAmount > 0) skills.drawList(kSkillsX, kSkillsY);
  if (gMenu.page == 4) gMenu.lists[LIST_TARGET].drawList(kTargetX, kTargetY);
  drawHeader();
  endMenuDrawing();
}
