// Object tasks without pixels: the rules of the "o" commands, the mends for numbers out of
// range, the own sounds, "!", f46 and the state dump; then the demo game's effects run through
// their lives on the generated data tree.
#include "event/object_task.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "audio_test_support.h"
#include "core/message_box.h"
#include "data/scramble.h"
#include "event/battle_link.h"
#include "event/runners.h"
#include "gfx/camera.h"
#include "platform/system.h"
#include "text_fixture.h"

namespace fs = std::filesystem;

namespace {

class ObjectTaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("orvane_objtask_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "oTsk");
    fs::create_directories(root / "se");
    previous = fs::current_path();
    fs::current_path(root);
    plat::SetProgramDirectory(root.string() + "/");
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption == "トホホ～" ? text : caption + "|" + text);
    });
    plat::SelectAudioOutput(plat::AudioOutput::Offline);
    ASSERT_TRUE(soundSetup());
    setUpObjectTasks();
  }
  void TearDown() override {
    resetObjectTasks();
    soundShutdown();
    plat::SelectAudioOutput(plat::AudioOutput::Device);
    plat::SetMessageBoxHandler(nullptr);
    plat::SetProgramDirectory("");
    fs::current_path(previous);
    fs::remove_all(root);
  }

  void writeSound(const std::string& name) {
    std::vector<uint8_t> file = audiotest::makeWave({.pcm = audiotest::pcm16(std::vector<int16_t>(4410, 16384))});
    data::scrambleBytes(file.data(), file.size());
    std::ofstream(root / "se" / (name + ".zse"), std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                                            static_cast<std::streamsize>(file.size()));
  }
  // Gives slot the text (UTF-8 here) and steps every active task once.
  ObjTask& run(const std::string& text, int slot = 0) {
    ObjTask& task = *objectTaskAt(slot);
    task.script.setText(sjis(text));
    task.script.active = 1;
    stepObjectTasks();
    return task;
  }

  fs::path root, previous;
  std::vector<std::string> messages;
};

TEST_F(ObjectTaskTest, SlotsStartWithOnePartAndNothingElse) {
  for (int slot = 0; slot < kObjectTaskSlots; ++slot) {
    const ObjTask& task = *objectTaskAt(slot);
    EXPECT_EQ(task.parts.size(), 1u);
    EXPECT_FALSE(task.script.hasText());
    EXPECT_EQ(task.script.runner.owner, slot);
    EXPECT_EQ(task.sounds, (std::array<int32_t, 4>{-1, -1, -1, -1}));
  }
  EXPECT_EQ(objectTaskAt(-1), nullptr);
  EXPECT_EQ(objectTaskAt(16), nullptr);
  const ObjPart part;
  EXPECT_EQ(part.argb(), 0xFFFFFFFFu);
  EXPECT_EQ(part.cellSize, 64u | 64u << 16);
  EXPECT_EQ(part.texture, -1);
}

TEST_F(ObjectTaskTest, O6PropertyThirteenPlacesThePartOnACircle) {
  ObjTask& task = run("c0 0,13,= c0 1,100,= c0 2,90,= c0 6,0,= c0 4,0,= o6; #");
  EXPECT_NEAR(task.parts[0].position.x, 100.0f, 0.05f);
  EXPECT_NEAR(task.parts[0].position.z, 0.0f, 0.05f);
  run("c0 0,13,= c0 1,50,= c0 2,-30,= c0 6,30,= o6; #");  // V6 + V2 = 0 degrees
  EXPECT_NEAR(task.parts[0].position.x, 0.0f, 0.05f);
  EXPECT_NEAR(task.parts[0].position.z, 50.0f, 0.05f);
}

TEST_F(ObjectTaskTest, O6ChangesEveryPropertyAndIgnoresWhatItCannotDo) {
  std::vector<ObjPart> parts(2);
  auto change = [&](int part, int property, int operation, int value, int word = 0) {
    const int32_t v[kScriptVariableCount] = {property, operation, value, word, part, 0, 0};
    changePart(parts, v);
  };
  change(0, 0, 0, 10);   // x := 10
  change(0, 0, 1, 5);    // + 5
  change(0, 0, 2, 4);    // × 4
  change(0, 0, 3, 3);    // ÷ 3
  change(0, 0, 3, 0);    // ÷ 0 changes nothing
  change(0, 0, 4, 150);  // × 1.5
  change(0, 0, 5, -25);  // − 0.25
  change(0, 0, 6, 99);   // no such operation
  EXPECT_NEAR(parts[0].position.x, 29.75f, 1e-4f);
  change(0, 3, 0, 7);    // speed
  change(0, 16, 0, 90);  // direction in degrees
  change(0, 8, 0, 3);    // scale z
  EXPECT_EQ(parts[0].motion.x, 7.0f);
  EXPECT_NEAR(parts[0].motion.y, 1.5707949f, 1e-6f);
  EXPECT_EQ(parts[0].scale.z, 3.0f);
  change(0, 10, 0, 250);
  EXPECT_EQ(parts[0].scale.x, 2.5f);
  EXPECT_EQ(parts[0].scale.z, 2.5f);
  change(0, 9, 0, 0x123456);
  change(0, 14, 32, 16);          // cell size 32 × 16
  change(0, 11, 0, 0x00020001, 1);  // the cell word
  change(0, 11, 0, -40, 2);       // counter
  change(0, 11, 0, 9, 3);         // spare
  change(0, 11, 0, 1, 4);         // no fifth word
  EXPECT_EQ(parts[0].colour, 0x123456u);
  EXPECT_EQ(parts[0].cellSize, 32u | 16u << 16);
  EXPECT_EQ(parts[0].cell, 0x00020001u);
  EXPECT_EQ(parts[0].counter, -40);
  EXPECT_EQ(parts[0].spare, 9);
  // The alpha byte: set, add (a byte wraps), multiply, divide, divide by 0; 17 and above act as 12.
  change(1, 12, 0, 200);
  change(1, 12, 1, 100);
  EXPECT_EQ(parts[1].alpha, 44);
  change(1, 40, 2, 2);
  change(1, 12, 3, 0);
  change(1, 17, 3, 4);
  EXPECT_EQ(parts[1].alpha, 22);
  change(1, 15, 0, 0);  // position of part 0 (here the operation slot V1 names the part)
  EXPECT_EQ(parts[1].position.x, parts[0].position.x);
  // Another part that does not exist, a part that does not exist, a negative property.
  const std::vector<ObjPart> before = parts;
  change(1, 15, 7, 0);
  change(2, 0, 0, 5);
  change(-1, 0, 0, 5);
  change(0, -1, 0, 5);
  EXPECT_EQ(parts[1].position.x, before[1].position.x);
  EXPECT_EQ(parts[0].position.x, before[0].position.x);
  EXPECT_EQ(parts[0].alpha, 255);
}

TEST_F(ObjectTaskTest, O20CounterSlowsToMinusOneAndTellsWhenBelowGround) {
  ObjTask& task = *objectTaskAt(0);
  task.parts[0].counter = 1000;
  std::vector<int> counters;
  for (int i = 0; i < 9; ++i) {
    run("c0 0,0,= c0 4,0,= o20; #");
    counters.push_back(task.parts[0].counter);
  }
  EXPECT_EQ(counters, (std::vector<int>{460, 211, 97, 44, 20, 9, 4, 1, -1}));
  EXPECT_EQ(task.parts[0].position.y, 4.0f + 2.0f);  // 460 / 100 + 211 / 100
  EXPECT_EQ(task.script.v[2], 0);
  task.parts[0].counter = -700;  // falling: × 1.01 each frame
  run("c0 0,0,= o20; #");
  EXPECT_EQ(task.parts[0].counter, -707);
  EXPECT_EQ(task.parts[0].position.y, -1.0f);
  EXPECT_EQ(task.script.v[2], 1);
  run("c0 2,5,= c0 0,1,= o20; c0 0,0,= c0 4,3,= o20; #");  // V0 ≠ 0 or no part 3: V2 stays
  EXPECT_EQ(task.script.v[2], 5);
}

TEST_F(ObjectTaskTest, O11WithEveryEntryTakenAssignsNothingAndShowsTheBox) {
  writeSound("pip");
  for (int entry = kFirstOnDemandSoundSlot; entry < kSoundSlotCount; ++entry) {
    const auto file = audiotest::makeWave({.pcm = audiotest::pcm16({1, 2, 3})});
    ASSERT_TRUE(loadWaveIntoSlot(&file, entry));
  }
  ObjTask& task = run("c1 pip//= c0 4,0,= o11; #");
  EXPECT_EQ(task.sounds[0], -1);
  EXPECT_EQ(messages, std::vector<std::string>{"HollinERROR|o11:SE loading error!:32"});
  // With room the first free entries are taken; o13 gives them back.
  freeSound(9);
  freeSound(12);
  run("c1 pip//= c0 4,2,= o11; c0 4,0,= o11; c0 4,7,= o11; #");
  EXPECT_EQ(task.sounds, (std::array<int32_t, 4>{12, -1, 9, -1}));
  run("o13; #");
  EXPECT_FALSE(soundSlotLoaded(9));
  EXPECT_FALSE(soundSlotLoaded(12));
  EXPECT_EQ(task.sounds, (std::array<int32_t, 4>{-1, -1, -1, -1}));
}

TEST_F(ObjectTaskTest, O12PansTheSoundByWhereTheObjectStandsOnTheScreen) {
  EXPECT_EQ(panForScreenX(300.0f), -200);
  EXPECT_EQ(panForScreenX(640.0f), 3200);
  writeSound("pip");
  gViewMatrix.identity();  // the eye at the origin looking along +z
  ObjTask& task = run("c1 pip//= c0 4,1,= o11; #");
  ASSERT_EQ(task.sounds[1], kFirstOnDemandSoundSlot);
  task.position = {-200.0f, 0.0f, 1000.0f};
  float x = 0, y = 0;
  ASSERT_TRUE(projectPoint(task.position, x, y));
  ASSERT_LT(x, 320.0f);
  run("o12; #");
  const audiotest::Mix mix = audiotest::render(100);
  // Left of the centre: the left side at full level, the right one lowered by the pan.
  EXPECT_NEAR(mix.left(50), 0.5f, 1e-3f);
  EXPECT_NEAR(mix.right(50), 0.5f * std::pow(10.0f, (x - 320.0f) * 10.0f / 2000.0f), 1e-3f);
  EXPECT_LT(mix.right(50), 0.45f);
  // Unused or out of range: nothing plays.
  task.position = {};
  run("c0 4,0,= o12; c0 4,4,= o12; c0 0,0,= c0 1,11025,= c0 4,-1,= o16; #");
  EXPECT_TRUE(messages.empty());
}

TEST_F(ObjectTaskTest, O15FlashesOnlyWhileABattleRuns) {
  static std::vector<int> calls;
  static bool running = false;
  calls.clear();
  gBattleLink.running = [] { return running; };
  gBattleLink.flash = [](int which, int channel, int value) { calls.insert(calls.end(), {which, channel, value}); };
  run("c0 0,-3,= c0 1,0,= c0 2,-8,= o15; #");
  EXPECT_TRUE(calls.empty());
  running = true;
  run("c0 0,2,= c0 1,3,= c0 2,255,= o15; #");
  EXPECT_EQ(calls, (std::vector<int>{2, 3, 255}));
  gBattleLink = BattleLink{};
}

TEST_F(ObjectTaskTest, BangStopsTheTaskAfterThisFramesCommandsAndF46OneResumesIt) {
  ObjTask& task = run("c0 0,1,+ ! c0 0,10,+ # c0 0,100,+ #");
  EXPECT_EQ(task.script.v[0], 1);
  EXPECT_EQ(task.script.active, 0);
  stepObjectTasks();  // stopped: no step
  EXPECT_EQ(task.script.v[0], 1);
  // Another task starts it again with f46 1: it goes on where it stood, at once.
  run("c0 0,1,= c0 4,0,= f46; !", 1);
  EXPECT_EQ(task.script.v[0], 11);
  EXPECT_EQ(task.script.active, 1);
  stepObjectTasks();
  EXPECT_EQ(task.script.v[0], 111);
}

TEST_F(ObjectTaskTest, F46LoadsRefusesStartsAndFrees) {
  std::ofstream(root / "oTsk" / "spin.zd") << "c0 0,1,+ o2; #";
  Script scene;
  scene.commands = &eventRunnerCommands();
  auto f46 = [&](int select, int slot, const char* name = "") {
    scene.setText(std::string("c1 ") + name + "//= c0 0," + std::to_string(select) + ",= c0 4," +
                  std::to_string(slot) + ",= f46; #");
    scene.Step();
  };
  f46(2, 3);  // no text: the slot number first
  f46(0, 3, "spin");  // active: refused
  ObjTask& task = *objectTaskAt(3);
  EXPECT_FALSE(task.script.hasText());
  EXPECT_EQ(messages, (std::vector<std::string>{"3", "f46:ouch"}));
  task.script.active = 0;
  f46(0, 3, "spin");
  EXPECT_TRUE(task.script.hasText());
  f46(1, 3);
  EXPECT_EQ(task.script.v[0], 1);
  EXPECT_EQ(task.script.active, 1);
  task.position = {1, 2, 3};
  task.rotation = {4, 5, 6};
  task.scale = {7, 8, 9};
  task.parts.resize(5);
  f46(3, 3);
  EXPECT_FALSE(task.script.hasText());
  EXPECT_EQ(task.script.active, 0);
  EXPECT_EQ(task.parts.size(), 1u);
  EXPECT_EQ(task.position.z, 3.0f);  // the position stays
  EXPECT_EQ(task.rotation.x, 0.0f);
  EXPECT_EQ(task.scale.y, 1.0f);
  for (int slot : {-1, 16, 99}) f46(0, slot, "spin");
  f46(7, 3, "spin");
  EXPECT_FALSE(task.script.hasText());
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ObjectTaskTest, O0EndsTheTaskAndNumbersOutOfRangeChangeNothing) {
  writeSound("pip");
  ObjTask& task = run("c0 0,3,= o2; c1 pip//= c0 4,0,= o11; #");
  task.position = {5, 6, 7};
  task.rotation = {1, 1, 1};
  task.scale = {9, 9, 9};
  const int entry = task.sounds[0];
  ASSERT_GE(entry, 0);
  // Texture records outside 0 … 7, parts outside the task's, a divisor 0 in o17.
  run("c0 4,8,= c0 0,1,= o4; c0 4,0,= c0 0,8,= o5; c0 4,9,= c0 0,0,= o5; c0 4,-1,= o7; c0 0,12,= o9; "
      "c0 4,0,= c0 5,0,= o17; c0 0,-5,= o2; c0 0,3,= o2; #");
  EXPECT_EQ(task.parts[0].texture, -1);
  EXPECT_EQ(task.position.x, 5.0f);
  EXPECT_EQ(task.parts.size(), 3u);  // the last o2
  run("c0 4,1,= c0 5,4,= o17; c0 4,2,= c0 0,7,= o5; #");  // a quarter of the way from rotation to scale
  EXPECT_EQ(task.position.x, 3.0f);
  EXPECT_EQ(task.parts[2].texture, 7);
  run("c0 0,100000,= o2; #");
  EXPECT_EQ(task.parts.size(), static_cast<size_t>(kMaxObjectParts));
  run("o3; o10; c0 4,0,= c0 0,0,= o20; c0 0,9,= o6; #");  // nothing to change without parts
  EXPECT_TRUE(task.parts.empty());
  run("c0 0,5,= o0; c0 0,1,= #");
  EXPECT_FALSE(task.script.hasText());
  EXPECT_EQ(task.script.active, 0);
  EXPECT_EQ(task.script.v[0], 5);  // nothing after o0 runs
  EXPECT_EQ(task.parts.size(), 1u);
  EXPECT_EQ(task.position.x, 0.0f);
  EXPECT_FALSE(soundSlotLoaded(entry));
  EXPECT_TRUE(messages.empty()) << messages[0];
}

TEST_F(ObjectTaskTest, FallingOffsetAndSceneText) {
  EXPECT_EQ(wrapFallingOffset(4096), 4096);
  EXPECT_EQ(wrapFallingOffset(4097), 1);
  EXPECT_EQ(wrapFallingOffset(9000), 808);
  EXPECT_EQ(wrapFallingOffset(2147483647), 2147483647 - 524287 * 4096);
  EXPECT_EQ(wrapFallingOffset(-300), -300);
  ObjTask& task = run("c0 0,0,= c0 4,8200,= c0 5,0,= o23; #");
  EXPECT_EQ(task.script.v[4], 8);

  text_fixture::Font font;
  text_fixture::Device device;
  const GlyphString glyphs = sceneTextGlyphs(text_fixture::kAI + "\\N" + text_fixture::kA + "\n" + "x");
  EXPECT_EQ(glyphs, (GlyphString{1, 2, kSceneTextLineBreak, 1, kSceneTextLineBreak, 0, kGlyphEnd}));
  // Drawn at (100, 50): 17 apart, a line break 16 down and back to 100, in part 0's colour.
  task.script.setText("c1 " + text_fixture::kAI + "\\N" + text_fixture::kA + "//= c0 0,-1,= o19; "
                      "c0 4,0,= c0 0,12,= c0 1,0,= c0 2,128,= o6; c0 0,0,= c0 1,100,= c0 2,50,= o19; #");
  task.script.active = 1;
  stepObjectTasks();
  const auto& draws = device.recorder().draws;
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[1].x() - draws[0].x(), 17.0f);
  EXPECT_EQ(draws[2].x(), 100.0f);
  EXPECT_EQ(draws[2].y() - draws[0].y(), 16.0f);
  EXPECT_EQ(draws[0].colour(), 0x80FFFFFFu);
  EXPECT_EQ(gSprite.colour, 0xFFFFFFFFu);  // the sprite colour is given back
}

TEST_F(ObjectTaskTest, ShapesNeedThreeSegmentsAndAPart) {
  text_fixture::Device device;
  run("c0 0,0,= c0 1,10,= c0 2,20,= c0 3,2,= o8; c0 0,1,= o8; c0 0,4,= c0 3,8,= o8; #");
  EXPECT_TRUE(device.recorder().draws.empty());
  run("c0 0,0,= c0 3,3,= o8; c0 0,1,= c0 3,1000000,= o8; c0 0,2,= o8; c0 0,3,= o8; #");
  EXPECT_EQ(device.recorder().draws.size(), 1u + 1u + 4u + 1u);
  device.recorder().reset();
  run("o3; c0 0,0,= c0 3,8,= o8; o1; o18; o21; c0 0,0,= c0 5,3,= o23; #");
  EXPECT_TRUE(device.recorder().draws.empty());
}

TEST_F(ObjectTaskTest, StateDumpListsTheSlotsInUse) {
  EXPECT_EQ(objectTasksStateJson(), "[]");
  ObjTask& task = run("c0 0,2,= o2; #", 4);
  task.position = {1.5f, 0, -2};
  objectTaskAt(9)->script.active = 1;
  EXPECT_EQ(objectTasksStateJson(),
            "[{\"slot\": 4, \"active\": 1, \"position\": [1.500, 0.000, -2.000], \"rotation\": [0.000, 0.000, "
            "0.000], \"scale\": [1.000, 1.000, 1.000], \"parts\": 2, \"sounds\": [-1, -1, -1, -1]}, "
            "{\"slot\": 9, \"active\": 1, \"position\": [0.000, 0.000, 0.000], \"rotation\": [0.000, 0.000, "
            "0.000], \"scale\": [1.000, 1.000, 1.000], \"parts\": 1, \"sounds\": [-1, -1, -1, -1]}]");
}

}  // namespace
