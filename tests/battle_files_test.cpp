// The battle's file readers on their own: enemy files, group and formation lines, the battle map
// header, read as the game reads them.
#include "battle/battle_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "battle/battle.h"
#include "core/message_box.h"

namespace {

const char* const kWolf =
    "Wolf\n"
    "60,5\n"
    "2,12,14,8,3,4,10,10, the rest of the row is skipped\n"
    "OOKAMI\n"
    "20,21\n"
    "3,5\n"
    "10,11,12,13,14,15,16,-2,\n"
    "50,51,52,53,54,55,56,57,\n"
    "0.7,\n"
    "3:2\n"
    "70000,8,300,\n"
    "3{\n"
    "70:3_5\n"
    "30:1_9\n"
    "0:0_4\n"
    "}\n";

TEST(BattleFiles, AnEnemyFileGivesEveryValueInItsWidth) {
  const EnemyFile e = parseEnemyFile(kWolf);
  EXPECT_STREQ(e.record.name, "Wolf");
  EXPECT_EQ(e.record.maxHp, 60);
  EXPECT_EQ(e.record.maxMp, 5);
  const uint8_t attributes[8] = {2, 12, 14, 8, 3, 4, 10, 10};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e.record.baseAttributes[i], attributes[i]) << i;
  EXPECT_EQ(e.model, "OOKAMI");
  EXPECT_EQ(e.weapons[0], 20);
  EXPECT_EQ(e.weapons[1], 21);
  EXPECT_EQ(e.record.magicNumber, 3);
  EXPECT_EQ(e.record.turnDirection, 1);  // any number but 0
  EXPECT_EQ(fighter::attributePower(e.record, 7), 0) << "set A is copied by the recompute, not here";
  EXPECT_EQ(static_cast<int8_t>(e.record.attributeSetA[7]), -2);
  EXPECT_EQ(e.record.attributeSetB[7], 57);
  ASSERT_TRUE(e.alpha.has_value());
  EXPECT_FLOAT_EQ(*e.alpha, 0.7f);
  EXPECT_EQ(e.pair, 3 + 256 * 2);
  EXPECT_EQ(e.rewardExp, 70000 & 0xFFFF);  // numbers keep only their field's width
  EXPECT_EQ(e.rewardMoney, 8);
  EXPECT_EQ(e.rewardSp, 300 & 0xFF);
  ASSERT_EQ(e.actions.size(), 3u);
  EXPECT_EQ(e.actions[0], packEnemyAction(70, 3, 5));
  EXPECT_EQ(enemyActionWeight(e.actions[1]), 30);
  EXPECT_EQ(enemyActionCode(e.actions[1]), actionCode(kActionTechnique, 9));
  EXPECT_EQ(enemyActionCode(e.actions[2]), actionCode(kActionCommand, kMagicCommand));
  EXPECT_EQ(e.missingEntries, 0);
}

TEST(BattleFiles, AnActionTableEndingEarlyCountsEveryMissingEntry) {
  std::string text = kWolf;
  text.replace(text.find("3{\n70:3_5\n30:1_9\n0:0_4\n}"), 24, "4{\n70:3_5\n}");
  const EnemyFile e = parseEnemyFile(text);
  ASSERT_EQ(e.actions.size(), 4u);
  EXPECT_EQ(e.missingEntries, 3);
  EXPECT_EQ(e.actions[0], packEnemyAction(70, 3, 5));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(e.actions[static_cast<size_t>(i)], 0u) << "a missing entry weighs nothing";
}

TEST(BattleFiles, ADamagedEnemyFileReadsWhatItCanAndStops) {
  const EnemyFile empty = parseEnemyFile("");
  EXPECT_STREQ(empty.record.name, "");
  EXPECT_FALSE(empty.alpha.has_value());
  EXPECT_TRUE(empty.actions.empty());
  EXPECT_EQ(empty.record.attributeSetA[0], 10);  // the record constructor's values stay
  // A name longer than its field is cut; a table claiming 65535 entries ends with the text.
  const EnemyFile cut = parseEnemyFile(std::string(40, 'N') + "\n1,1\n1,\n");
  EXPECT_EQ(std::string(cut.record.name), std::string(20, 'N'));
  const EnemyFile huge = parseEnemyFile(
      "x\n1,1\n1,1,1,1,1,1,1,1,\nm\n0,0\n0,0\n1,1,1,1,1,1,1,1,\n1,1,1,1,1,1,1,1,\n1.0,\n0:0\n0,0,0,\n-1{\n");
  EXPECT_EQ(huge.actions.size(), 0xFFFFu);
  EXPECT_EQ(huge.missingEntries, 0);
}

TEST(BattleFiles, GroupLinesAreFoundByNumberAndKeepAtMostSixEnemies) {
  const std::string text = "1:0,;0_0_0_0\n8:1,2,3,4,5,6,7,8,;3_1_2_5\n3:4,;2_0_1_1\n";
  const GroupLine first = parseGroupLine(text, 0);
  EXPECT_EQ(first.enemies, std::vector<int32_t>{0});
  const GroupLine many = parseGroupLine(text, 1);
  EXPECT_EQ(many.enemies, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(many.formation, 3);  // read after all eight numbers
  EXPECT_EQ(many.escapeFlag, 1);
  EXPECT_EQ(many.battleScript, 2);
  EXPECT_EQ(many.viewScript, 5);
  // A line that names fewer numbers than it counts stops at the first one missing.
  const GroupLine short_ = parseGroupLine(text, 2);
  EXPECT_EQ(short_.enemies, (std::vector<int32_t>{4}));
  // Past the end (or before the start) there is no enemy and every number stays 0.
  for (const int64_t g : {int64_t{3}, int64_t{1} << 40}) {
    const GroupLine none = parseGroupLine(text, g);
    EXPECT_TRUE(none.enemies.empty());
    EXPECT_EQ(none.formation, 0);
  }
  EXPECT_EQ(parseGroupLine(text, -2).enemies, std::vector<int32_t>{0});
}

TEST(BattleFiles, AFormationLineReplacesTheHomesItHolds) {
  const std::string text = "1,2;3,4;5,6;7,8;9,10;11,12;\n-100,-200;300,-400;bad\n";
  float x[6] = {}, z[6] = {};
  readFormationLine(text, 0, x, z);
  EXPECT_EQ(x[5], 11.0f);
  EXPECT_EQ(z[5], 12.0f);
  for (float& v : x) v = 99.0f;
  for (float& v : z) v = 99.0f;
  readFormationLine(text, 1, x, z);
  EXPECT_EQ(x[0], -100.0f);
  EXPECT_EQ(z[1], -400.0f);
  EXPECT_EQ(x[2], 99.0f) << "what cannot be read stays";
  EXPECT_EQ(z[5], 99.0f);
}

TEST(BattleFiles, TheMapHeaderGivesTheFog) {
  const BattleMapHeader header = parseBattleMapHeader("2560;\nffd0d8d4;\n900;\n5200;\nZD:\n");
  EXPECT_EQ(header.unused, 2560.0f);
  EXPECT_EQ(static_cast<uint32_t>(header.fogColour), 0xFFD0D8D4u);
  EXPECT_EQ(header.fogStart, 900.0f);
  EXPECT_EQ(header.fogEnd, 5200.0f);
  const BattleMapHeader cut = parseBattleMapHeader("1;\nzz");
  EXPECT_EQ(cut.fogColour, 0);
  EXPECT_EQ(cut.fogEnd, 0.0f);
}

}  // namespace
