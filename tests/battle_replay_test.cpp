// Battles played with key scripts through orvane-replay (seed 1) and checked by state dumps: a
// fight with an attack, a technique on all enemies, a healing item and GUARD to its victory, the
// result screen counted frame by frame and with Shift held, a lost battle and an escape.
#include <string>

#include "replay_fixture.h"

namespace {

// The opening's three messages; the field takes input at frame 240, and "--battle" starts the
// encounter there.
const char* const kOpening = "80 SHIFT 150 SHIFT 230 SHIFT";

// Against group 2 (大茸 and two 小鬼): each line is one member's turn, from the frame its command
// menu is open and taking keys.
const char* const kFight =
    " 372 DOWN 382 DOWN 392 SHIFT 404 RIGHT 414 SHIFT 426 SHIFT"  // トビ: 技術, 霧の吐息 on all enemies
    " 499 SHIFT 511 SHIFT 523 SHIFT"                              // ナギ: 攻撃, 斬る, the first enemy
    " 731 DOWN 741 DOWN 751 SHIFT 763 DOWN 773 SHIFT 785 DOWN 795 SHIFT"  // スズ: 道具, 薬草 on トビ
    " 971 RIGHT 983 SHIFT"                                        // トビ: page 1, 防御
    " 1028 SHIFT 1040 SHIFT 1052 SHIFT 1165 SHIFT 1177 SHIFT 1189 SHIFT";  // ナギ, トビ: 攻撃

class BattleReplay : public JourneyTest {
 protected:
  static int popup(const Json& battle, size_t i) { return std::stoi(battle["popups"][i]["text"].text()); }
};

TEST_F(BattleReplay, AFightWithKeysToItsVictoryAndTheRewardsCountedFrameByFrame) {
  run(presses(std::string(kOpening) + kFight + " 1470 SHIFT 2800 SHIFT"), 2900,
      {460, 561, 729, 827, 990, 1243, 1430, 2790, 2900}, {{2640, "result_level_up.png"}}, "--battle 2");

  // 霧の吐息 costs 4 MP and hits every enemy: each loses what its popup shows.
  const Json tech = state(460)["battle"];
  EXPECT_EQ(tech["slots"][2]["mp"].integer(), 26);
  ASSERT_EQ(tech["popups"].size(), 3u) << at(460);
  for (size_t i = 0; i < 3; ++i) {
    const Json& enemy = tech["slots"][3 + i];
    EXPECT_EQ(enemy["hp"].integer(), enemy["max_hp"].integer() - popup(tech, i)) << i;
    EXPECT_EQ(tech["popups"][i]["kind"].integer(), 0);
  }
  EXPECT_EQ(popup(tech, 0), 23);
  // ナギ's cut fells the 大茸.
  const Json cut = state(561)["battle"];
  EXPECT_EQ(popup(cut, 0), 69);
  EXPECT_EQ(cut["slots"][3]["hp"].integer(), 0);
  EXPECT_EQ(cut["slots"][3]["present"].integer(), 0);
  // The herb (power 1) heals 1 x 50 and stops at トビ's maximum; the HUD rolls toward it, and
  // スズ's herb is used up.
  EXPECT_EQ(state(729)["battle"]["slots"][2]["hp"].integer(), 99);
  const Json herb = state(827);
  EXPECT_EQ(popup(herb["battle"], 0), 50);
  EXPECT_EQ(herb["battle"]["slots"][2]["hp"].integer(), 118);
  EXPECT_LT(herb["battle"]["slots"][2]["shown_hp"].integer(), 118);
  EXPECT_EQ(herb["characters"][2]["items"][2].integer(), -1);
  EXPECT_EQ(state(990)["battle"]["slots"][2]["guard"].integer(), 1);

  // The last enemy falls: the end check reaches "勝", and the HUD has settled on the real values.
  const Json won = state(1243);
  EXPECT_EQ(won["overlay1"].text(), "VictoryOverlay");
  for (size_t s = 0; s < 3; ++s) {
    EXPECT_EQ(won["battle"]["slots"][s]["shown_hp"].integer(), won["battle"]["slots"][s]["hp"].integer()) << s;
    EXPECT_EQ(won["battle"]["slots"][s]["shown_mp"].integer(), won["battle"]["slots"][s]["mp"].integer()) << s;
  }

  // The rewards of the three defeated enemies: 450 + 420 + 420 EXP, 12 + 20 + 20 money, 5 + 5 + 5 SP.
  const Json result = state(1430)["result"];
  EXPECT_EQ(result["exp"].integer(), 1290);
  EXPECT_EQ(result["money"].integer(), 52);
  EXPECT_EQ(result["sp"].integer(), 15);
  EXPECT_EQ(result["members"][0]["exp_next"].integer(), 1152);  // 128 x 3 x 3 to level 4

  // One unit a frame: 1290 EXP take 1290 frames. Every member reaches level 4 with 138 EXP over:
  // 128 x 4 x 4 - 138 to the next; each attribute grows by one; HP and MP maxima grow.
  const Json counted = state(2790);
  EXPECT_EQ(counted["result"]["exp"].integer(), 0);
  EXPECT_EQ(counted["game"]["money"].integer(), 102);
  const int maxHp[] = {157, 109, 133}, maxMp[] = {25, 49, 31};
  const int speed[] = {11, 10, 15};
  for (size_t k = 0; k < 3; ++k) {
    const Json& member = counted["characters"][k + 1];
    EXPECT_EQ(member["level"].integer(), 4) << k;
    EXPECT_EQ(member["exp_next"].integer(), 1910) << k;
    EXPECT_EQ(member["max_hp"].integer(), maxHp[k]) << k;
    EXPECT_EQ(member["max_mp"].integer(), maxMp[k]) << k;
    EXPECT_EQ(member["base"][2].integer(), speed[k] + 1) << k;
  }
  EXPECT_TRUE(state(2900)["result"].isNull());
  EXPECT_EQ(state(2900)["scene"].text(), "FieldScene");

  // Shift held through the counting hands out the rest at once, with the same totals.
  const std::string counted2790 = at(2790);
  run(presses(std::string(kOpening) + kFight) + "1470 SHIFT down\n1500 SHIFT up\n", 1560, {1560}, {}, "--battle 2");
  const Json held = state(1560);
  EXPECT_EQ(held["scene"].text(), "FieldScene");
  EXPECT_EQ(held["game"]["money"].integer(), 102);
  const Json before = Json::parse(counted2790);
  for (size_t k = 1; k <= 3; ++k) {
    for (const char* name : {"level", "exp_next", "max_hp", "max_mp", "hp", "mp"})
      EXPECT_EQ(held["characters"][k][name].integer(), before["characters"][k][name].integer()) << k << name;
    for (size_t a = 0; a < 8; ++a)
      EXPECT_EQ(held["characters"][k]["base"][a].integer(), before["characters"][k]["base"][a].integer()) << k;
  }
}

TEST_F(BattleReplay, ALostBattleWakesThePartyInTheVillageHealed) {
  // Against the old wind spirit at level 3, Shift alone: the party falls with the spirit nearly
  // beaten, and wakes in the village.
  std::string spam = kOpening;
  for (int f = 300; f < 1800; f += 12) spam += " " + std::to_string(f) + " SHIFT";
  run(presses(spam), 2100, {1800, 2100}, {}, "--battle 6");
  const Json fallen = state(1800)["battle"];
  for (size_t s = 0; s < 3; ++s) EXPECT_EQ(fallen["slots"][s]["present"].integer(), 0) << s;
  EXPECT_GT(fallen["slots"][3]["hp"].integer(), 0);
  const Json home = state(2100);
  EXPECT_EQ(home["scene"].text(), "FieldScene");
  EXPECT_EQ(home["field"]["map"].text(), "kazami");
  for (size_t k = 1; k <= 3; ++k)
    EXPECT_EQ(home["characters"][k]["hp"].integer(), home["characters"][k]["max_hp"].integer()) << k;
}

TEST_F(BattleReplay, EscapingLeavesForTheFieldWhereTheBattleBegan) {
  // トビ's first turn: page 1, 逃げる.
  run(presses(std::string(kOpening) + " 372 RIGHT 384 DOWN 394 DOWN 404 SHIFT"), 560, {300, 430, 560}, {},
      "--battle 1");
  EXPECT_EQ(state(430)["overlay1"].text(), "BattleEndFade");
  const Json field = state(560);
  EXPECT_EQ(field["scene"].text(), "FieldScene");
  EXPECT_TRUE(field["battle"].isNull());
  EXPECT_EQ(field["actors"][0]["x"].number(), state(300)["actors"][0]["x"].number());
  EXPECT_EQ(field["actors"][0]["z"].number(), state(300)["actors"][0]["z"].number());
  EXPECT_EQ(field["game"]["money"].integer(), 50);  // nothing won
}

}  // namespace
