// Journeys through the demo game's field with orvane-replay, checked by state dumps: the opening,
// walking by the rules, a conversation with a choice, a map exit through the scene change, and a
// random encounter that leads into the battle and back.
#include <cmath>
#include <cstdlib>
#include <string>

#include "demo_keys.h"
#include "previews.h"
#include "replay_fixture.h"

namespace {

using demo_keys::kOpening;
using demo_keys::kToTheNorthRoad;

using FieldJourney = JourneyTest;

// The text after the first "name": that follows the anchor.
std::string valueAfter(const std::string& json, const std::string& anchor, const std::string& name) {
  const size_t from = json.find(anchor);
  if (from == std::string::npos) return "";
  const size_t at = json.find("\"" + name + "\": ", from);
  if (at == std::string::npos) return "";
  const size_t start = at + name.size() + 4;
  return json.substr(start, json.find_first_of(",}]\n", start) - start);
}

double leader(const std::string& json, const std::string& name) {
  return std::atof(valueAfter(json, "\"actors\"", name).c_str());
}

// The "actors" member and what follows it.
std::string actors(const std::string& json) {
  const size_t at = json.find("\"actors\"");
  return at == std::string::npos ? "" : json.substr(at);
}

bool has(const std::string& json, const std::string& text) {
  return json.find(text) != std::string::npos;
}

}  // namespace

TEST_F(FieldJourney, OpeningThenWalkingByTheRules) {
  run(std::string(kOpening) +
          "300 UP down\n300 LEFT down\n306 UP up\n306 LEFT up\n"  // up and left together
          "310 CTRL down\n310 DOWN down\n316 DOWN up\n316 CTRL up\n"  // down, slowly
          "320 RIGHT down\n520 RIGHT up\n",                          // east until the stream
      530, {200, 260, 301, 305, 311, 315, 500, 520}, {{260, "field_village.png"}});
  // The opening holds the player until its last message is confirmed.
  EXPECT_TRUE(has(at(200), "\"input_enabled\": 1")) << at(200);
  EXPECT_TRUE(has(at(200), "谷を渡る風が")) << at(200);
  EXPECT_TRUE(has(at(260), "\"message\": {\"text\": \"\"")) << at(260);
  EXPECT_EQ(valueAfter(at(260), "\"event\"", "active"), "0");
  // Up + Left: the camera angle (180 degrees) + 3.14159 - 0.785375, 32 units a frame.
  EXPECT_NEAR(leader(at(301), "heading"), 3.14159 + 3.14159 - 0.785375, 1e-3);
  EXPECT_NEAR(leader(at(305), "x") - leader(at(301), "x"), -4 * 32 / std::sqrt(2.0), 0.5);
  EXPECT_EQ(valueAfter(at(305), "\"actors\"", "anim"), "1");
  // Ctrl halves the step and walks with action 2.
  // (The game's polynomial cosine reads 0.974 at three half turns.)
  EXPECT_NEAR(leader(at(315), "z") - leader(at(311), "z"), -4 * 16 * 0.974, 0.5);
  EXPECT_EQ(valueAfter(at(315), "\"actors\"", "anim"), "2");
  // The stream stops the walk: the leader stays and stands.
  EXPECT_NEAR(leader(at(520), "x"), leader(at(500), "x"), 1e-3);
  EXPECT_EQ(valueAfter(at(520), "\"actors\"", "anim"), "0");
}

TEST_F(FieldJourney, TalkingToTheFarmerWithAChoice) {
  // West along the path to the farmer, talk, answer his question with the second entry.
  run(std::string(kOpening) +
          "300 LEFT down\n420 LEFT up\n430 SHIFT down\n434 SHIFT up\n570 DOWN down\n574 DOWN up\n"
          "590 SHIFT down\n594 SHIFT up\n680 SHIFT down\n684 SHIFT up\n",
      720, {440, 560, 600, 720}, {{560, "field_choice.png"}});
  // The farmer (actor 5) talks; every other actor script waits.
  EXPECT_EQ(valueAfter(at(440), "\"field\"", "talking"), "5");
  EXPECT_TRUE(has(actors(at(440)), "\"active\": 0, \"position\"")) << at(440);
  EXPECT_TRUE(has(at(560), "\"choice\": {\"state\": 2, \"pending\": 1")) << at(560);
  // The answer's value (2) came to his script and he remembers it (V6) with flag 30.
  EXPECT_TRUE(has(at(600), "\"v\": [0, 30, 0, 5, 90, 1, 2]")) << at(600);
  EXPECT_TRUE(has(at(600), "\"flags\": [30]")) << at(600);
  // o2 ended the conversation and every script runs again.
  EXPECT_EQ(valueAfter(at(720), "\"field\"", "talking"), "0");
  EXPECT_FALSE(has(actors(at(720)), "\"active\": 0, \"position\"")) << at(720);
}

TEST_F(FieldJourney, TheNorthRoadLeadsIntoTheForestWhereABattleWaits) {
  // Up and down the forest path until the random encounter comes (seed 1).
  std::string walk;
  for (int f = 800; f < 1500; f += 82)
    walk += std::to_string(f) + " UP down\n" + std::to_string(f + 40) + " UP up\n" + std::to_string(f + 41) +
            " DOWN down\n" + std::to_string(f + 81) + " DOWN up\n";
  run(std::string(kOpening) + kToTheNorthRoad + walk, 1502, {758, 759, 791, 1435, 1436, 1501});
  // The old scene until frame 31 of the change, the forest's from frame 32, the fade done at 64.
  EXPECT_EQ(valueAfter(at(758), "\"field\"", "scene"), "\"ST_tk0\"");
  EXPECT_EQ(valueAfter(at(758), "\"event\"", "transition_frame"), "31");
  EXPECT_EQ(valueAfter(at(759), "\"field\"", "scene"), "\"kiri\"");
  EXPECT_EQ(valueAfter(at(759), "\"field\"", "map"), "\"kiri\"");
  EXPECT_EQ(valueAfter(at(791), "\"event\"", "transition"), "0");
  EXPECT_EQ(valueAfter(at(791), "", "input_enabled"), "1");
  // After the 200 walking frames the forest's table asks for, the encounter breaks the frame up
  // and leads into a battle with a formation of the table.
  EXPECT_TRUE(has(at(1435), "\"overlay1\": \"NoOverlay\"")) << at(1435);
  EXPECT_TRUE(has(at(1436), "\"overlay1\": \"EncounterEffect\"")) << at(1436);
  EXPECT_EQ(valueAfter(at(1436), "\"game\"", "formation"), "0");
  EXPECT_TRUE(has(at(1501), "\"scene\": \"BattleScene\"")) << at(1501);
}

TEST_F(FieldJourney, TheMenuOpensThroughTheFadeAndGivesControlBack) {
  run(std::string(kOpening) +
          "300 RETURN down\n304 RETURN up\n"                       // open the menu
          "360 SHIFT down\n364 SHIFT up\n400 SHIFT down\n404 SHIFT up\n"  // "パーティー", then ナギ
          "480 CTRL down\n484 CTRL up\n540 CTRL down\n544 CTRL up\n",     // back, and back to the field
      610, {302, 330, 370, 470, 560, 610});
  EXPECT_TRUE(has(at(302), "\"overlay1\": \"MenuOpenFade\"")) << at(302);
  EXPECT_EQ(valueAfter(at(302), "", "input_enabled"), "0");
  EXPECT_TRUE(has(at(330), "\"scene\": \"PartyMenuScene\"")) << at(330);
  EXPECT_EQ(valueAfter(at(330), "", "input_enabled"), "1");
  EXPECT_TRUE(has(at(330), "\"entries\": [\"パーティー\", \"グッズのストック\"")) << at(330);
  // "誰の？": the members of the party to choose from.
  EXPECT_EQ(valueAfter(at(370), "\"menu\"", "page"), "1");
  EXPECT_TRUE(has(at(370), "\"entries\": [\"ナギ\", \"スズ\", \"トビ\"]")) << at(370);
  EXPECT_TRUE(has(at(470), "\"scene\": \"MemberMenuScene\"")) << at(470);
  // Back in the field, input as it was before the menu.
  EXPECT_TRUE(has(at(560), "\"overlay1\": \"FieldReturnFade\"")) << at(560);
  EXPECT_TRUE(has(at(610), "\"scene\": \"FieldScene\"")) << at(610);
  EXPECT_EQ(valueAfter(at(610), "", "input_enabled"), "1");
}
