// What the battle draws over its world: the status rows with their rolling values, the header,
// the unfolded menus with the MP-cost box and the target tags, and the popups.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "battle/action_rules.h"
#include "battle/battle_menus.h"
#include "battle/battle_seams.h"
#include "core/draw2d.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/message_box.h"
#include "data/label_sheet.h"
#include "event/object_task.h"
#include "gfx/camera.h"
#include "gfx/listwin.h"
#include "gfx/text.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kRed = 0xFFD20000;
constexpr float kRowY[kPartySlotCount] = {410.0f, 432.0f, 454.0f};
constexpr float kMenuX[kBattleMenus] = {32.0f, 40.0f, 48.0f};

uint32_t hpColour(int32_t shown, int32_t maximum) {
  if (shown == 0) return kRed;
  return shown < maximum / 8 ? kYellow : kWhite;
}

void drawRows(Battle& battle) {
  const bool commandShown = battle.menus[kCommandMenu].openAmount > 0;
  for (int s = kPartySlotCount - 1; s >= 0; --s) {
    SchrRecord& r = slotRecord(battle, s);
    if (fighter::maxHp(r) == 0) continue;
    const float y = kRowY[s];
    if (commandShown && battle.actor == s)
      drawGradientRect(362.0f, y - 2.0f, 278.0f, 20.0f, 0xA080BB00, 0xA080BB00, 0x40BB4000, 0x40BB4000);
    const uint32_t colour = hpColour(battle.shownHp[s], fighter::maxHp(r));
    drawText(toGlyphString(fighter::name(r)), 366.0f, y, colour);
    drawNumber(std::max(0, battle.shownHp[s]), 466.0f, y, colour, 4);
    drawNumber(std::max(0, battle.shownMp[s]), 534.0f, y,
               battle.shownMp[s] < fighter::maxMp(r) / 8 ? kYellow : kWhite, 3);
    drawNumber(std::max(0, battle.shownTension[s]), 582.0f, y, kWhite, 3);
  }
  drawColourRect(362.0f, 400.0f, 252.0f, 1.0f, kWhite);
  drawSheetSprite(366.0f, 394.0f, kSheetCaptionName, kWhite);
  drawSheetSprite(482.0f, 394.0f, kSheetCaptionHp, kWhite);
  drawSheetSprite(542.0f, 394.0f, kSheetCaptionMp, kWhite);
  drawSheetSprite(590.0f, 394.0f, kSheetCaptionTension, kWhite);
}

void drawMpCostBox(Battle& battle) {
  const LISTWIN& sub = battle.menus[kSubMenu];
  const int a = isPartySlot(battle.actor) ? battle.actor : 0;
  if (sub.openAmount <= 0 || actionKindOf(battle.chosen[a]) == kActionItem) return;
  const float x = 800.0f - 24.0f * static_cast<float>(sub.openAmount);
  drawWindowBox(x, 320.0f, 96.0f, 44.0f);
  drawText(toGlyphString(sjis("消費ＭＰ：")), x + 6.0f, 326.0f, kWhite);
  drawNumber(shownMpCost(battle, a, sub.cursorValue()), x + 24.0f, 342.0f, kWhite, 4);
}

void drawTargetTags(Battle& battle) {
  const LISTWIN& list = battle.menus[kTargetMenu];
  if (list.openAmount <= 0) return;
  const int alpha = static_cast<int>(list.openAmount * 0.083333 * 144);
  const bool enemies = battle.targetSide == 1;
  const int first = enemies ? kFirstEnemySlot : 0;
  const int end = enemies ? kBattleSlots : kPartySlotCount;
  const int selected = list.cursorValue();
  for (int s = first; s < end; ++s) {
    const bool shown = isEnemySlot(s) ? battle.present[s] != 0 : partyMemberOf(s) != 0;
    const CHARA* chara = slotChara(s);
    if (!shown || !chara) continue;
    VECTOR head = chara->position;
    head.y += static_cast<float>(chara->height);
    float x = 0, y = 0;
    if (!projectPoint(head, x, y)) continue;
    y -= 10.0f;
    const std::string name = fighter::name(slotRecord(battle, s));
    const float w = 16.0f * static_cast<float>(glyphLength(toGlyphString(name))) + 4.0f;
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24;
    drawGradientRect(x - w / 2, y - 10.0f, w, 20.0f, a | 0x404080, a | 0x404080, a, a);
    const bool lit = battle.allTarget || s == selected;
    drawText(toGlyphString(name), x - w / 2 + 2.0f, y - 8.0f, lit ? kYellow : kWhite);
  }
}

void drawMenus(Battle& battle) {
  for (int m = 0; m < kBattleMenus; ++m) {
    LISTWIN& list = battle.menus[m];
    if (list.openAmount <= 0) continue;
    const float y = m == kTargetMenu ? 470.0f - list.height : (m == kSubMenu ? 386.0f : 378.0f) - list.height;
    if (m == kSubMenu) list.drawGrid(kMenuX[m], y);
    else list.drawList(kMenuX[m], y);
    if (m != battle.activeMenu) drawColourRect(kMenuX[m], y, list.width, list.height, 0x40000000);
  }
}

void drawPopupDigits(const Popup& p, float x, float y, int t) {
  const TexRecord& sheet = gTextures[kTexLabels];
  const int n = static_cast<int>(p.text.size());
  x = std::clamp(x - 6.0f * static_cast<float>(n), 0.0f, 652.0f - 12.0f * static_cast<float>(n));
  y = std::clamp(y, 0.0f, 464.0f);
  const bool white = (p.colour & 0xFFFFFF) == kPopupWhite;
  for (int i = 0; i < n; ++i) {
    const int digit = p.text[static_cast<size_t>(i)] - '0';
    if (digit < 0 || digit > 9) continue;
    const float dy = white ? y - static_cast<float>(popupBounce(t - i)) : y + static_cast<float>(t) - 48.0f;
    drawSprite(x + 12.0f * static_cast<float>(i), dy, sheet, 12 * digit, 0, 12, 16);
  }
}

}  // namespace

void drawStatusDisplay(Battle& battle) {
  slideMenus(battle);
  if (!battle.ready) return;
  rollShownValues(battle);
  if (!gDevice) return;
  drawRows(battle);
  drawMenus(battle);
  drawMpCostBox(battle);
  drawTargetTags(battle);
}

void drawPopups(Battle& battle) {
  for (Popup& p : battle.popups) {
    if (p.timer <= 0) continue;
    const int t = p.timer--;
    if (!gDevice) continue;
    float x = 0, y = 0;
    if (!projectPoint(p.position, x, y)) continue;
    y -= 16.0f;
    const uint32_t alpha = t * 32 <= 224 ? static_cast<uint32_t>(t * 32) : 255u;
    setSpriteColour(alpha << 24 | (p.colour & 0xFFFFFF));
    const uint32_t colour = alpha << 24 | (p.colour & 0xFFFFFF);
    const float bounce = static_cast<float>(popupBounce(t));
    if (p.kind == kCriticalWord) drawSheetSprite(x - 60.0f, y - bounce - 32.0f, kSheetCriticalWord, colour);
    else if (p.kind == kEvadedWord) drawSheetSprite(x - 27.0f, y - bounce, kSheetEvadedWord, colour);
    else drawPopupDigits(p, x, y, t);
  }
  if (gDevice) setSpriteColour(0xFFFFFFFF);
}

namespace {
struct CursorVertex {
  float x, y, z;
  uint32_t colour;
};
constexpr float kCursorHalfDiagonal = 33.94f;
constexpr float kCursorLift = 96.0f;
constexpr float kCursorTurnPerMs = 0.08f * 0.017453277f;
constexpr float kRingRadius = 56.0f;
float gCursorAngle = 0;
}  // namespace

void drawTargetCursor(Battle& battle) {
  if (battle.menus[kCommandMenu].openAmount <= 0 || !isPartySlot(battle.actor)) return;
  const CHARA* chara = slotChara(battle.actor);
  if (!chara) return;
  gCursorAngle = std::fmod(gCursorAngle + kCursorTurnPerMs * static_cast<float>(gFrameTime), 6.2831853f);
  if (!gDevice) return;
  const VECTOR& p = chara->position;
  const float top = p.y + static_cast<float>(chara->height) + kCursorLift;
  const float quarter = 1.5707963f;
  const float start = gCursorAngle + quarter / 2;
  std::vector<CursorVertex> v;
  // The flat square: two triangles.
  CursorVertex c[4];
  for (int k = 0; k < 4; ++k) {
    const float a = start + quarter * static_cast<float>(k);
    c[k] = {p.x + std::sin(a) * kCursorHalfDiagonal, top, p.z + std::cos(a) * kCursorHalfDiagonal, 0x80FFFF00};
  }
  v.insert(v.end(), {c[0], c[1], c[2], c[0], c[2], c[3]});
  // The ring of four small triangles at the actor's height, pointing inward.
  const float ringY = p.y + static_cast<float>(chara->height);
  for (int k = 0; k < 4; ++k) {
    const float a = -gCursorAngle + quarter * static_cast<float>(k);
    const float s = std::sin(a), co = std::cos(a);
    const float r0 = kRingRadius, r1 = kRingRadius + 16.0f;
    v.push_back({p.x + s * r0, ringY, p.z + co * r0, 0xFFFF8000});
    v.push_back({p.x + s * r1 + co * 8.0f, ringY, p.z + co * r1 - s * 8.0f, 0xFFFF8000});
    v.push_back({p.x + s * r1 - co * 8.0f, ringY, p.z + co * r1 + s * 8.0f, 0xFFFF8000});
  }
  MATRIX world;
  world.identity();
  gDevice->SetTransform(plat::D3DTS_WORLD, &world);
  gDevice->SetTexture(0, nullptr);
  gDevice->SetRenderState(plat::D3DRS_LIGHTING, false);
  gDevice->SetRenderState(plat::D3DRS_CULLMODE, plat::D3DCULL_NONE);
  gDevice->SetRenderState(plat::D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_INVSRCALPHA);
  gDevice->SetVertexShader(plat::D3DFVF_XYZ | plat::D3DFVF_DIFFUSE);
  gDevice->DrawPrimitiveUP(plat::D3DPT_TRIANGLELIST, static_cast<unsigned>(v.size() / 3), v.data(), sizeof(CursorVertex));
  gDevice->SetRenderState(plat::D3DRS_CULLMODE, plat::D3DCULL_CCW);
  gDevice->SetRenderState(plat::D3DRS_LIGHTING, true);
}

void stepBattleObjectTasks() {
  if (gDevice) stepObjectTasks();
}
