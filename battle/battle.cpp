#include "battle/battle.h"

#include <algorithm>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "data/database.h"
#include "event/game_state.h"
#include "gfx/text.h"

Battle* gBattle = nullptr;

namespace {

constexpr int32_t kFixedHelpHalfWidth = 288;
constexpr int32_t kHelpMinimumHalfWidth = 96;
constexpr uint32_t kHelpTextColour = 0xFFFFFFFF;

std::unique_ptr<Battle> gBattleObject;

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Characters of a Shift-JIS text (a double-byte character counts once).
int characterCount(std::string_view text) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++count) i += isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return count;
}

}  // namespace

Battle::Battle() {
  for (int s = 0; s < kBattleSlots; ++s) {
    actionScripts[s].ownSlot = s;
    record[s] = isEnemySlot(s) ? &enemyRecords[s - kFirstEnemySlot] : &blankRecords[s];
  }
}

Battle& makeBattle() {
  destroyBattle();
  gBattleObject = std::make_unique<Battle>();
  gBattle = gBattleObject.get();
  return *gBattle;
}

void destroyBattle() {
  gBattle = nullptr;
  gBattleObject.reset();
}

SchrRecord& slotRecord(Battle& battle, int slot) {
  return *battle.record[std::clamp(slot, 0, kBattleSlots - 1)];
}

CHARA* slotChara(int slot) {
  return isBattleSlot(slot) ? charaAt(slot) : nullptr;
}

int partyMemberOf(int k) {
  if (k < 0 || k >= kPartySlots) return 0;
  const int member = gGame.party[k];
  return member > 0 && static_cast<size_t>(member) < gCharacters.size() ? member : 0;
}

void showHelp(Battle& battle, std::string_view sjisText, int32_t time, bool fixedWidth) {
  battle.help.text = std::string(sjisText);
  battle.help.time = time;
  battle.help.halfWidth = fixedWidth ? kFixedHelpHalfWidth : 8 * characterCount(sjisText) + 32;
}

void drawHelpLabel(Battle& battle) {
  HelpLabel& help = battle.help;
  if (help.text.empty()) return;
  if (gDevice) {
    const float w = static_cast<float>(std::max(kHelpMinimumHalfWidth, help.halfWidth));
    drawWindowBox(320.0f - w, 8.0f, 2.0f * w + 4.0f, 30.0f);
    const GlyphString glyphs = toGlyphString(help.text);
    drawText(glyphs, static_cast<float>(8 * (41 - characterCount(help.text))), 16.0f, kHelpTextColour);
  }
  if (help.time != 0) {
    help.time -= gFrameTime;
    if (help.time <= 0) {
      help.time = 0;
      help.text.clear();
    }
  }
}
