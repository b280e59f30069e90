// The field's rules and the function commands, without a device: walking over a small map,
// marked places, talking, encounters, the trail, and the commands that check their indices.
#include "field/field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/keyboard.h"
#include "core/message_box.h"
#include "core/random.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "event/runners.h"
#include "platform/system.h"

namespace {

// A map in world units: ground x -2000 … 0, a wall x 0 … 300 that carries place 3, and a
// walkable place 5 at x -2000 … -1700; every face spans z -1000 … 1000 at height 100.
std::string testMap() {
  std::string text = "ZD:\r\nMaterial 3 {\n \"g\" col(0 0 0 1)\n \"wall\" col(1 4 0 1)\n \"p5\" col(0 6 0 1)\n}\n";
  text += "Object \"ground\" {\n vertex 12 {\n";
  const float xs[3][2] = {{-1700, 0}, {0, 300}, {-2000, -1700}};
  for (const auto& x : xs) {
    for (float z : {-1000.0f, 1000.0f}) {
      // The file holds (-x/2, y/2, z/2).
      text += " " + std::to_string(-x[0] / 2) + " 50 " + std::to_string(z / 2) + "\n";
      text += " " + std::to_string(-x[1] / 2) + " 50 " + std::to_string(z / 2) + "\n";
    }
  }
  text += " }\n face 3 {\n";
  for (int f = 0; f < 3; ++f) {
    const int b = f * 4;
    text += "  4 V(" + std::to_string(b) + " " + std::to_string(b + 2) + " " + std::to_string(b + 3) + " " +
            std::to_string(b + 1) + ") M(" + std::to_string(f) + ")\n";
  }
  return text + " }\n}\n";
}

class FieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption == "トホホ～" ? text : caption + "|" + text);
    });
    resetGameProgress();
    resetField();
    resetEventScript();
    messageReset();
    setUpActors(5);
    resetConversationBuffers();
    for (int i = 0; i < actorCount(); ++i) {
      CHARA& c = *actorChara(i);
      c.radius = 40;
      c.alpha = 1;
      c.position = {-1000.0f + 200.0f * static_cast<float>(i), 0, 0};
    }
    ASSERT_TRUE(loadMap(testMap(), "test.mp"));
    buildWalkGrid(1500.0f);
    gField.followers[0] = gField.followers[1] = 0;  // the tests place every actor themselves
  }
  void TearDown() override {
    resetActors();
    resetField();
    resetEventScript();
    plat::SetMessageBoxHandler(nullptr);
  }

  // Makes the map from text the field's map (without a walk grid).
  static bool loadMap(const std::string& text, const char* name) {
    resetField();
    gField.mapLoaded =
        gField.map.LoadFromMemory(nullptr, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                                  name, 1.0f, 0) == 1;
    return gField.mapLoaded;
  }

  // Runs text as the event script for one step.
  Script& run(const std::string& text) {
    gEvent.script.setText(text);
    gEvent.script.active = 1;
    stepEventScript();
    return gEvent.script;
  }

  CHARA& leader() { return *actorChara(0); }
  std::vector<std::string> messages;
};

TEST_F(FieldTest, GroundQueryFollowsTheFacesAndFindsNothingOutsideTheGrid) {
  VECTOR p{-500, 0, 0};
  EXPECT_EQ(groundQuery(p, 0), 0);
  EXPECT_NEAR(p.y, 100.0f, 0.01f);
  VECTOR far{-500, 5000, 0};  // too high for mode 0, found from the top in any other mode
  EXPECT_EQ(groundQuery(far, 0), -1);
  EXPECT_EQ(groundQuery(far, 1), 0);
  // Beyond the grid the cell table is never read.
  for (VECTOR outside : {VECTOR{-90000, 0, 0}, VECTOR{0, 0, 90000}, VECTOR{NAN, 0, 0}}) {
    EXPECT_EQ(groundQuery(outside, 1), -1);
  }
}

TEST_F(FieldTest, AGatheringRadiusBeyondAnyFieldOnAWideMapGivesNoGrid) {
  // 300 triangles whose corners reach 200000 units out: every cell lies within a radius of 1e9
  // of every corner, which would gather 300 faces into each of 150000 cells.
  std::string text = "ZD:\r\nMaterial 1 {\n \"g\" col(0 0 0 1)\n}\nObject \"ground\" {\n vertex 3 {\n";
  text += " -100000 50 -100000\n 100000 50 100000\n 100000 50 -100000\n }\n face 300 {\n";
  for (int f = 0; f < 300; ++f) text += "  3 V(0 2 1) M(0)\n";
  text += " }\n}\n";
  ASSERT_TRUE(loadMap(text, "wide.mp"));
  buildWalkGrid(1.0e9f);
  EXPECT_TRUE(gField.grid.cells.empty());
  VECTOR nearCorner{-199500, 0, -199500};
  EXPECT_EQ(groundQuery(nearCorner, 1), -1);
  // A field's own radius on the same map gathers as always.
  buildWalkGrid(3000.0f);
  EXPECT_FALSE(gField.grid.cells.empty());
  EXPECT_EQ(groundQuery(nearCorner, 1), 0);
}

// Every cell lists, in order and once each, exactly the faces with a corner closer than the
// gathering radius to the cell's centre; corners are shared between faces.
TEST_F(FieldTest, EachCellListsTheFacesWithACornerWithinTheRadius) {
  std::string text = "ZD:\r\nMaterial 1 {\n \"g\" col(0 0 0 1)\n}\nObject \"ground\" {\n vertex 60 {\n";
  uint32_t seed = 7;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int v = 0; v < 60; ++v)
    text += " " + std::to_string(static_cast<int>(next() % 8000) - 4000) + " 50 " +
            std::to_string(static_cast<int>(next() % 6000) - 3000) + "\n";
  text += " }\n face 90 {\n";
  for (int f = 0; f < 90; ++f)
    text += "  3 V(" + std::to_string(next() % 60) + " " + std::to_string(next() % 60) + " " +
            std::to_string(next() % 60) + ") M(0)\n";
  text += " }\n}\n";
  ASSERT_TRUE(loadMap(text, "soup.mp"));
  const float radius = 1500.0f;
  buildWalkGrid(radius);
  const WalkGrid& grid = gField.grid;
  ASSERT_EQ(grid.cells.size(), static_cast<size_t>(grid.width) * grid.depth);
  const std::vector<MatPolygon>& faces = gField.map.objects[0].polygons;
  size_t listed = 0;
  for (int row = 0; row < grid.depth; ++row) {
    for (int column = 0; column < grid.width; ++column) {
      const double cx = static_cast<double>(column - grid.width / 2) * kWalkCell;
      const double cz = static_cast<double>(row - grid.depth / 2) * kWalkCell;
      std::vector<uint16_t> expected;
      for (size_t f = 0; f < faces.size(); ++f) {
        for (int k = 0; k < 3; ++k) {
          const VECTOR& v = gField.map.vertices[faces[f].vertex[k]];
          if ((v.x - cx) * (v.x - cx) + (v.z - cz) * (v.z - cz) < static_cast<double>(radius) * radius) {
            expected.push_back(static_cast<uint16_t>(f));
            break;
          }
        }
      }
      EXPECT_EQ(grid.cells[static_cast<size_t>(row) * grid.width + column], expected) << row << " " << column;
      listed += expected.size();
    }
  }
  EXPECT_GT(listed, faces.size());  // the map is dense enough that faces share cells
}

TEST_F(FieldTest, MakingTheActorsAnewOverAndOverInOneFrameKeepsMemoryBounded) {
  // A script looping over f22 within one step: every old array stays alive until the actors'
  // next step, so past kMostSetUpsAFrame set-ups the array is left as it is.
  run("@:again// c0 0,256,= f22; c3 again//1");
  EXPECT_EQ(actorCount(), 256);
  actorChara(0)->position.x = 5;
  setUpActors(3);  // the frame's set-ups are spent: nothing changes
  EXPECT_EQ(actorCount(), 256);
  EXPECT_EQ(actorChara(0)->position.x, 5);
  gEvent.script.active = 0;
  stepActors();  // the next frame: the old arrays go, and set-ups work again
  setUpActors(3);
  EXPECT_EQ(actorCount(), 3);
  EXPECT_EQ(actorChara(0)->position.x, 0);
}

TEST_F(FieldTest, WalkingIntoAWallStaysAndItsPlaceFires) {
  gEvent.script.setText(sjis("@:場2// c0 0,2,= # @:場3// c0 0,3,= #"));
  leader().position = {-60, 100, 0};
  // Heading pi/2 is +x: the probe one radius (40) ahead still finds the ground.
  EXPECT_EQ(Walk(0, 32, 1.570795f, true), 1);
  EXPECT_NEAR(leader().position.x, -28.0f, 0.01f);
  EXPECT_FALSE(gEvent.script.active);
  // The next probe lands on the wall: the step is undone and the wall's place 3 fires.
  EXPECT_EQ(Walk(0, 32, 1.570795f, true), 0);
  EXPECT_NEAR(leader().position.x, -28.0f, 0.01f);
  EXPECT_TRUE(gEvent.script.active);
  stepEventScript();
  EXPECT_EQ(gEvent.script.v[0], 3);
  // Without events the same step goes through.
  EXPECT_EQ(Walk(0, 32, 1.570795f, false), 1);
  EXPECT_NEAR(leader().position.x, 4.0f, 0.01f);
}

TEST_F(FieldTest, ActorsBlockEachOtherButHiddenOrUntalkableOnesDoNot) {
  leader().position = {-1000, 100, 0};
  CHARA& other = *actorChara(1);
  other.position = {-920, 100, 0};
  EXPECT_EQ(Walk(0, 32, 1.570795f, true), 0);  // 80 apart after the step would be 48: blocked
  EXPECT_NEAR(leader().position.x, -1000.0f, 0.01f);
  other.present = 0;
  EXPECT_EQ(Walk(0, 32, 1.570795f, true), 1);
}

TEST_F(FieldTest, TheTrailAdvancesEverySixteenMovingFrames) {
  leader().position = {-1500, 100, 0};
  for (int frame = 1; frame <= 15; ++frame) Walk(0, 4, 1.570795f, true);
  EXPECT_EQ(gField.trailIndex, 0);
  EXPECT_EQ(gField.trailStep, 15);
  // Standing still (a step into another actor) does not count.
  actorChara(1)->position = {leader().position.x + 90, 100, 0};
  Walk(0, 32, 1.570795f, true);
  EXPECT_EQ(gField.trailStep, 15);
  actorChara(1)->position = {-1000, 100, 900};
  Walk(0, 4, 1.570795f, true);
  EXPECT_EQ(gField.trailIndex, 1);
  EXPECT_EQ(gField.trailStep, 0);
  EXPECT_NEAR(gField.trailX[0], leader().position.x, 0.01f);
}

TEST_F(FieldTest, ArrowKeysTurnTheHeadingAroundTheCameraAngle) {
  float h = 0;
  EXPECT_FALSE(arrowHeading(1.0f, false, false, false, false, h));
  ASSERT_TRUE(arrowHeading(1.0f, true, false, true, false, h));
  EXPECT_FLOAT_EQ(h, 1.0f + 3.14159f - 0.785375f);
  ASSERT_TRUE(arrowHeading(1.0f, false, true, false, true, h));
  EXPECT_FLOAT_EQ(h, 1.0f + 6.28318f - 0.785375f);
  ASSERT_TRUE(arrowHeading(1.0f, false, false, false, true, h));
  EXPECT_FLOAT_EQ(h, 1.0f - 1.570795f);
}

TEST_F(FieldTest, EncounterEntriesAreDrawnByRunningWeight) {
  const std::vector<EncounterEntry> entries{{4, 1}, {5, 1}, {6, 2}};
  EXPECT_EQ(drawEncounterEntry(entries, 3), 2);
  EXPECT_EQ(drawEncounterEntry(entries, 0), 0);
  EXPECT_EQ(drawEncounterEntry({}, 0), -1);
  // A table whose weights sum to 0 draws nothing, however often the chance comes up.
  gField.encounter = {1, 1, {{7, 0}, {8, 0}}};
  for (uint32_t seed = 0; seed < 300; ++seed) {
    seedRandom(seed);
    EncounterStep(2);
  }
  EXPECT_EQ(gGame.formation, 0);
}

TEST_F(FieldTest, TalkingSavesTheOtherScriptsAndO2BringsThemBack) {
  for (int i = 1; i < 5; ++i) actorAt(i)->runner.script.active = 1;
  Script& villager = actorAt(2)->runner.script;
  villager.setText("@:loop// # c3 loop//1 @:SPOKEN// c0 0,9,= f0; o2; #");
  villager.active = 1;
  leader().position = {-1000, 100, 0};
  leader().rotation.y = 1.570795f;
  actorChara(1)->present = 0;  // a party member is never talked to
  actorChara(1)->position = {-960, 100, 0};
  actorChara(2)->position = {-900, 100, 0};
  ASSERT_EQ(Talk(), 1);
  EXPECT_EQ(gTalkingActor, 2);
  EXPECT_EQ(villager.v[0], 9);
  EXPECT_EQ(actorAt(1)->runner.script.active, 0);
  EXPECT_EQ(actorAt(3)->runner.script.active, 0);
  // The player confirms: the script resumes at o2, goes back to where it stood (the start) and
  // runs on to its wait, and the others run again.
  villager.active = 1;
  villager.Step();
  EXPECT_EQ(gTalkingActor, 0);
  EXPECT_EQ(actorAt(3)->runner.script.active, 1);
  EXPECT_EQ(villager.position(), static_cast<int>(std::string("@:loop// #").size()));
  // Somebody without a script starts no conversation that could never end.
  actorChara(2)->position = {-90000, 0, 0};
  actorChara(3)->position = {-900, 100, 0};
  actorAt(3)->runner.script.Free();
  EXPECT_EQ(Talk(), 0);
}

TEST_F(FieldTest, PartyFlagAndMoneyCommands) {
  gGame.party[0] = 5, gGame.party[1] = 0, gGame.party[2] = 7;
  EXPECT_EQ(run("c0 0,3,= f29; #").v[2], 1);
  run("c0 0,0,= c0 2,9,= f29; c0 0,0,= c0 2,4,= f29; #");  // the second finds the party full
  EXPECT_EQ(gGame.party[1], 9);
  EXPECT_EQ(gGame.party[2], 7);
  run("c0 0,6,= c0 1,3,= c0 2,1,= f29; c0 0,5,= c0 4,-1,= c0 3,77,= f29; #");  // out of range: nothing
  EXPECT_EQ(gEvent.script.v[3], 77);
  run("c0 0,0,= c0 1,40,= c0 2,1,= f49; #");
  EXPECT_EQ(gGame.flags[1], 1u << 8);
  EXPECT_EQ(run("c0 0,1,= c0 1,40,= f49; #").v[2], 1);
  run("c0 0,0,= c0 1,100000,= c0 2,1,= f49; #");  // beyond the flags: nothing
  run("c0 0,0,= c0 1,30,= f44; c0 0,1,= c0 1,-5,= f44; #");
  EXPECT_EQ(gGame.money, 25);
}

TEST_F(FieldTest, UnknownNumbersDumpTheVariables) {
  run("c0 0,1,= c0 6,-7,= f99; f-3; #");
  EXPECT_EQ(messages, (std::vector<std::string>{"HollinERROR|1,0,0,0,0,0,-7,", "HollinERROR|1,0,0,0,0,0,-7,"}));
}

TEST_F(FieldTest, NullScriptHidesTheActorAndStopsIt) {
  Actor& actor = *actorAt(4);
  actor.runner.script.setText("@:a// # c3 a//1");
  actor.runner.script.active = 1;
  actor.scriptName = "X";
  for (const char* name : {"null", "NuLL"}) {
    actorChara(4)->alpha = 1;
    run(std::string("c0 4,4,= c1 ") + name + "//= f16; #");
    EXPECT_FALSE(actor.runner.script.hasText());
    EXPECT_EQ(actor.runner.script.active, 0);
    EXPECT_EQ(actorChara(4)->alpha, 0.0f);
    EXPECT_TRUE(actor.scriptName.empty());
  }
  run("c0 4,40,= c1 null//= f16; #");  // no such actor: nothing
  EXPECT_TRUE(messages.empty());
}

TEST_F(FieldTest, TimedTurnsTowardsAnActorBackAndByDegrees) {
  CHARA& a = *actorChara(3);
  a.position = {0, 0, 0};
  a.rotation.y = 0;
  actorChara(4)->position = {100, 0, 0};  // at +x: heading pi/2
  run("c0 3,3,= c0 0,4,= c0 4,4,= f28; #");
  EXPECT_EQ(actorAt(3)->turnFrames, 4);
  run("c0 3,3,= c0 0,9,= c0 4,4,= f28; #");  // a turn already running is not replaced
  EXPECT_EQ(actorAt(3)->turnFrames, 4);
  for (int i = 0; i < 6; ++i) stepActors();
  EXPECT_NEAR(a.rotation.y, 1.570795f, 1e-3f);
  // Back to the saved heading, the shorter way round.
  actorAt(3)->runner.savedHeading = 0.2f;
  run("c0 3,3,= c0 0,2,= c0 4,-1,= f28; #");
  stepActors();
  stepActors();
  EXPECT_NEAR(a.rotation.y, 0.2f, 1e-3f);
  // By 90 degrees; an actor outside the array changes nothing.
  run("c0 3,3,= c0 0,1,= c0 4,-90,= f28; c0 3,50,= f28; #");
  stepActors();
  EXPECT_NEAR(a.rotation.y, 0.2f + 1.570795f, 1e-3f);
}

TEST_F(FieldTest, MessageWaitsEndTheStepAndRunAgainNextFrame) {
  Script& s = run("c1 abc//= f1; f6; c0 0,1,= #");
  EXPECT_EQ(s.v[0], 0);  // still waiting for the text
  stepEventScript();
  EXPECT_EQ(s.v[0], 0);
  // The window has opened and shown the whole text.
  gMessage.height = kMessageOpenHeight;
  gMessage.flags = MSG_BOX;
  gMessage.shown = static_cast<int>(gMessage.text.size());
  stepEventScript();
  EXPECT_EQ(s.v[0], 1);
  run("f36; c0 0,2,= #");
  EXPECT_EQ(gEvent.script.v[0], 1);  // the window is still open: f36 waits
}

TEST_F(FieldTest, SceneChangeFadesOutLoadsAtFrame32AndFadesIn) {
  EXPECT_EQ(sceneFadeAlpha(1), 8);
  EXPECT_EQ(sceneFadeAlpha(31), 248);
  EXPECT_EQ(sceneFadeAlpha(32), 255);
  EXPECT_EQ(sceneFadeAlpha(63), 8);
  EXPECT_EQ(sceneFadeAlpha(64), 0);
  run("c1 nowhere//= f12; #");
  EXPECT_EQ(gInputEnabled, 0);
  for (int frame = 1; frame < 32; ++frame) stepEventScript();
  EXPECT_TRUE(messages.empty());
  stepEventScript();  // frame 32 loads "ev\nowhere" (missing here)
  EXPECT_EQ(messages.back(), "スクリプトファイルが開けね～");
  EXPECT_EQ(gEvent.sceneName, "nowhere");
  for (int frame = 33; frame <= 64; ++frame) stepEventScript();
  EXPECT_EQ(gEvent.transition, 0);
}

TEST_F(FieldTest, TheFunctionTableDefinesTheGamesCommands) {
  const std::vector<int> defined = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                    20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                                    40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58};
  EXPECT_EQ(functionCommands().numbers(), defined);
  EXPECT_EQ(functionCommands().find(99), dumpCommand);
  EXPECT_EQ(functionCommands().find(-1), dumpCommand);
  EXPECT_FALSE(actorRunnerCommands().o->defines(4));
  EXPECT_EQ(actorRunnerCommands().o->find(4), nullptr);  // other o numbers do nothing
}

}  // namespace
