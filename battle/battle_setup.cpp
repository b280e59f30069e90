#include "battle/battle_setup.h"

#include <bit>
#include <string>

#include "battle/battle_files.h"
#include "battle/battle_flow.h"
#include "battle/battle_scripts.h"
#include "core/data_root.h"
#include "core/graphics.h"
#include "core/message_box.h"
#include "data/text_scanner.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "platform/system.h"

namespace {

constexpr float kDegree = 0.0174532775f;
constexpr float kPartyAlphaStart = 0.05f;
constexpr float kBattleMapScale = 10.0f;
constexpr float kWalkInTurn[kPartySlotCount] = {30.0f * kDegree, 0.0f, -30.0f * kDegree};

std::string weaponName(int number) {
  return "wea" + std::to_string(number);
}

std::optional<std::string> readRootedText(const char* relative) {
  const std::optional<std::vector<uint8_t>> bytes = plat::ReadFile(std::string(dataRoot()) + relative);
  if (!bytes) return std::nullopt;
  return data::textModeBytes(*bytes);
}

// The weapon models of a party member: the items in the equipped indices of both hands.
void attachPartyWeapons(CHARA& chara, const SchrRecord& record) {
  for (int hand = 0; hand < 2; ++hand) {
    const uint8_t index = record.equipped[hand];
    if (index >= kItemSlots || record.items[index] == kNoItem) continue;
    chara.loadWeapon(hand, weaponName(record.items[index]));
  }
}

// Selects the model's first animation whose name begins with "fld".
void selectFieldAnimation(CHARA& chara) {
  for (int slot = 0; slot < kAnimSlots; ++slot) {
    const std::string_view name = chara.getAnimName(slot);
    if (chara.hasAnim(slot) && name.size() >= 3 && (name[0] | 0x20) == 'f' && (name[1] | 0x20) == 'l' &&
        (name[2] | 0x20) == 'd') {
      chara.setAnim(slot);
      return;
    }
  }
}

void makeAbsent(Battle& battle, int slot) {
  battle.present[slot] = 0;
  if (CHARA* chara = slotChara(slot)) chara->alpha = 0.0f;
}

void setFog(uint32_t colour, float start, float end) {
  if (!gDevice) return;
  gDevice->SetRenderState(plat::D3DRS_FOGCOLOR, colour);
  gDevice->SetRenderState(plat::D3DRS_FOGSTART, std::bit_cast<plat::DWORD>(start));
  gDevice->SetRenderState(plat::D3DRS_FOGEND, std::bit_cast<plat::DWORD>(end));
}

}  // namespace

int staggeredFrame(int i, int length) {
  const int frame = kEnemyAnimationStagger * i;
  if (frame < length) return frame;
  if (length <= 0) return 0;
  return frame - kEnemyAnimationStagger * ((frame - length + kEnemyAnimationStagger) / kEnemyAnimationStagger);
}

VECTOR partyHome(int k, int members, int backRow) {
  return {static_cast<float>(320 - 320 * members + 640 * k), 0.0f, kPartyHomeZ + kBackRowDepth * static_cast<float>(backRow)};
}

void setUpBattle(Battle& battle) {
  battle.actor = -1;
  battle.flash = Flash{};
  battle.continues = 1;
  battle.menuFunction = NoOverlay;
  messageReset();

  for (int s = 0; s < kBattleSlots; ++s) {
    if (CHARA* chara = slotChara(s)) chara->release();
    ActionScript& action = battle.actionScripts[s];
    action.ownSlot = s;
    action.script.commands = &actionRunnerCommands();
    action.script.runner = {RunnerKind::Action, s};
    battle.guard[s] = battle.backRow[s] = battle.defeated[s] = 0;
  }
  for (SchrRecord& record : battle.enemyRecords) {
    record = SchrRecord{};
    record.magicNumber = 0;
  }
  for (int s = 0; s < kBattleSlots; ++s) {
    battle.present[s] = 1;
    battle.gauge[s] = 0;
    battle.result[s] = 0;
    battle.hitFlags[s] = 0;
    battle.entering[s] = 0;
    battle.homeHeading[s] = kTwoPi;
  }
  battle.battleScript.script.commands = &battleRunnerCommands();
  battle.battleScript.script.runner = {RunnerKind::Battle, 0};
  battle.view.script.commands = &viewRunnerCommands();
  battle.view.script.runner = {RunnerKind::View, 0};

  setUpParty(battle);
  loadGroup(battle, gGame.formation);
  loadBattleMap(battle, gGame.battleStage);
}

void setUpParty(Battle& battle) {
  int members = 0;
  for (int k = 0; k < kPartySlotCount; ++k) members += partyMemberOf(k) != 0 ? 1 : 0;

  for (int k = 0; k < kPartySlotCount; ++k) {
    const int member = partyMemberOf(k);
    // An empty entry refers to a blank record of the battle: no HP, nothing shown for it.
    SchrRecord& record = member != 0 ? gCharacters[static_cast<size_t>(member)] : battle.blankRecords[k];
    battle.record[k] = &record;
    battle.backRow[k] = fighter::backRowFlag(record);
    CHARA* chara = slotChara(k);
    if (member != 0 && chara) {
      chara->Load(fighter::scriptName(record));
      chara->alpha = kPartyAlphaStart;
      attachPartyWeapons(*chara, record);
      recompute(record, true);
    }
    battle.present[k] = member != 0 && fighter::hp(record) > 0 ? 1 : 0;
    battle.homeHeading[k] = kPi;
    if (chara && battle.present[k]) {
      chara->setAnm(kActWalk);
      battle.entering[k] = 1;
      chara->position = {0.0f, 0.0f, kWalkInStartZ + kWalkInSpacing * static_cast<float>(k)};
      chara->rotation.y = kPi + kWalkInTurn[k];
    } else if (chara && member != 0) {
      chara->rotation.y = kPi;
      applyPoseRule(battle, k);
      if (chara->vertexCount() > 0) {
        chara->setFrame(chara->getAnimLength());
        chara->advance(0);
      }
    }
    battle.shownHp[k] = fighter::hp(record);
    battle.shownMp[k] = fighter::mp(record);
    battle.shownTension[k] = fighter::tension(record);
    battle.shownHpStep[k] = battle.shownMpStep[k] = battle.shownTensionStep[k] = 0;
  }

  for (int k = 0; k < kPartySlotCount; ++k) {
    battle.home[k] = partyHome(k, members, battle.backRow[k]);
    if (battle.present[k]) continue;
    if (CHARA* chara = slotChara(k)) {
      chara->position = battle.home[k];
      chara->rotation.y = battle.homeHeading[k];
    }
  }
}

void loadEnemy(Battle& battle, int slot, int number) {
  if (!isEnemySlot(slot)) return;
  const std::optional<std::string> text = readRootedText(("Enem\\e" + std::to_string(number) + ".zd").c_str());
  if (!text) {
    showStandardMessage("Failed to Loading Enemy's datas!");
    return;
  }
  const EnemyFile enemy = parseEnemyFile(*text);
  SchrRecord& record = slotRecord(battle, slot);
  record = enemy.record;
  CHARA* chara = slotChara(slot);
  if (chara) {
    chara->Load(enemy.model);
    selectFieldAnimation(*chara);
  }
  std::fill(std::begin(record.items), std::end(record.items), kNoItem);
  record.equipped[0] = 0;
  record.equipped[1] = 1;
  for (int hand = 0; hand < 2; ++hand) {
    if (enemy.weapons[hand] == 0) continue;
    if (chara) chara->loadWeapon(hand, weaponName(enemy.weapons[hand]));
    record.items[hand] = static_cast<int16_t>(enemy.weapons[hand]);
  }
  recompute(record, true);
  restoreFull(record);
  if (chara && enemy.alpha) chara->alpha = *enemy.alpha;
  battle.enemyPair[slot] = enemy.pair;
  battle.rewardExp[slot] = enemy.rewardExp;
  battle.rewardMoney[slot] = enemy.rewardMoney;
  battle.rewardSp[slot] = enemy.rewardSp;
  battle.actionTable[slot] = enemy.actions;
  battle.actionCount[slot] = static_cast<uint16_t>(enemy.actions.size());
  for (int i = 0; i < enemy.missingEntries; ++i) showStandardMessage(sjis("EnemyLoad:技数が不正なのさ"));
  // An enemy has no items: its weapons exist only as the models it holds.
  std::fill(std::begin(record.items), std::end(record.items), kNoItem);
  std::fill(std::begin(record.equipped), std::end(record.equipped), uint8_t{0});
}

void loadGroup(Battle& battle, int64_t group) {
  const std::optional<std::string> text = readRootedText("Enem\\Group.zd");
  if (!text) {
    showStandardMessage("Failed to Loading group datas!");
    // Without the group there are no enemies: no slot stands there empty-handed.
    for (int s = kFirstEnemySlot; s < kBattleSlots; ++s) makeAbsent(battle, s);
    return;
  }
  const GroupLine line = parseGroupLine(*text, group);
  const int count = static_cast<int>(line.enemies.size());
  for (int i = 0; i < count; ++i) {
    const int slot = kFirstEnemySlot + i;
    loadEnemy(battle, slot, line.enemies[static_cast<size_t>(i)]);
    CHARA* chara = slotChara(slot);
    if (!chara) continue;
    chara->setAnm(kActStance);
    chara->setFrame(staggeredFrame(i, chara->getAnimLength()));
    chara->advance(0);
    chara->rotation.y = battle.homeHeading[slot];
  }
  for (int s = kFirstEnemySlot + count; s < kBattleSlots; ++s) makeAbsent(battle, s);

  loadFormation(battle, line.formation);
  battle.escapeAllowed = line.escapeFlag == 0 ? 1 : 0;
  battle.battleScript.script.Load(kScriptDirBattle, "be" + std::to_string(line.battleScript));
  Script& view = battle.view.script;
  view.Load(kScriptDirView, "View" + std::to_string(line.viewScript));
  view.active = 1;
  view.Step();
}

void loadFormation(Battle& battle, int64_t formation) {
  const std::optional<std::string> text = readRootedText("Enem\\Form.zd");
  if (!text) {
    showStandardMessage("Failed to Loading formation datas!");
    return;
  }
  float x[kEnemySlotCount], z[kEnemySlotCount];
  for (int i = 0; i < kEnemySlotCount; ++i) {
    x[i] = battle.home[kFirstEnemySlot + i].x;
    z[i] = battle.home[kFirstEnemySlot + i].z;
  }
  readFormationLine(*text, formation, x, z);
  for (int i = 0; i < kEnemySlotCount; ++i) {
    const int slot = kFirstEnemySlot + i;
    battle.home[slot] = {x[i], 0.0f, z[i]};
    if (CHARA* chara = slotChara(slot)) chara->position = battle.home[slot];
  }
}

void loadBattleMap(Battle& battle, int stage) {
  const std::string path = "mat\\btl" + std::to_string(static_cast<uint16_t>(stage)) + ".mp";
  battle.map.Load(gDevice, path, nullptr, kBattleMapScale, 0);
  const std::optional<std::vector<uint8_t>> bytes = plat::ReadFile(path);
  if (!bytes) {
    showStandardMessage("MakeMat::Load Error!");
    return;
  }
  const BattleMapHeader header = parseBattleMapHeader(data::binaryModeBytes(*bytes));
  battle.mapHeaderValue = header.unused;
  setFog(static_cast<uint32_t>(header.fogColour), header.fogStart, header.fogEnd);
}
