// The one reset of the game state and the state dump's table of members.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/state_members.h"
#include "battle/scene_passes.h"
#include "battle/sky.h"
#include "battle/transitions.h"
#include "core/capture.h"
#include "core/draw2d.h"
#include "core/error_text.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "core/random.h"
#include "core/state_dump.h"
#include "core/test_pattern.h"
#include "data/database.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "gfx/camera.h"
#include "gfx/chara.h"

namespace {

bool someoneRuns() {
  return true;
}

}  // namespace

TEST(GameState, ResetPutsEverySubsystemBackToItsStart) {
  gScene = TestPatternScene;
  gOverlay1 = EncounterEffect;
  gOverlay2 = CrossFadeOverlay;
  gFadeColour = 0x80000000;
  gFadeSpeed = 24;
  gStepCounter = 7;
  gKeySlots[SLOT_UP] = KEY_HELD;
  gKeyGate = -48;
  gInputEnabled = 1;
  gSprite.angle = 1.0f;
  gWindowColours[2] = 0;
  seedRandom(99);
  appendErrorText("left over");
  gItems.resize(3);
  gFontText.text = "\x82\xa0";
  gMessage.text = "x\\e";
  gMessage.height = 40;
  gChoice.state = CHOICE_SHOWN;
  gCamera.distance = 300;
  gCamera.motion = cameraOrbitMotion;
  gCameraLinks.battleRunning = someoneRuns;
  gCharas.push_back(std::make_unique<CHARA>());
  gCharaVisibility = {1, 2};
  gAnimationClock = 9;
  gTrail.count = 4;
  gSky.enabled = 1;
  gSky.angle = 30;
  std::strcpy(gFieldMusicName, "fld0");

  resetGameState();

  EXPECT_EQ(gScene, &NoOverlay);
  EXPECT_EQ(gOverlay1, &NoOverlay);
  EXPECT_EQ(gOverlay2, &NoOverlay);
  EXPECT_EQ(gFadeColour, 0u);
  EXPECT_EQ(gFadeSpeed, 0);
  EXPECT_EQ(gStepCounter, 0);
  EXPECT_EQ(gKeySlots[SLOT_UP], KEY_UP);
  EXPECT_EQ(gKeyGate, 0);
  EXPECT_EQ(gInputEnabled, 0);
  EXPECT_EQ(gSprite.angle, 0.0f);
  EXPECT_EQ(gWindowColours[2], 0xA0C00000u);
  EXPECT_EQ(randomState(), kDefaultRandomSeed);
  EXPECT_TRUE(errorText().empty());
  EXPECT_TRUE(gItems.empty());
  EXPECT_TRUE(gFontText.text.empty());
  EXPECT_TRUE(gMessage.text.empty());
  EXPECT_EQ(gMessage.height, 0);
  EXPECT_EQ(gChoice.state, CHOICE_IDLE);
  EXPECT_EQ(gCamera.distance, 0.0f);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
  EXPECT_EQ(gCameraLinks.battleRunning, nullptr);
  EXPECT_TRUE(gCharas.empty());
  EXPECT_TRUE(gCharaVisibility.empty());
  EXPECT_EQ(gAnimationClock, 0);
  EXPECT_EQ(gTrail.count, 0);
  EXPECT_EQ(gSky.enabled, 0);
  EXPECT_EQ(gSky.angle, 0.0f);
  EXPECT_STREQ(gFieldMusicName, "init");
  EXPECT_STREQ(gBattleMusicName, "btl0");
}

TEST(StateDump, MembersKeepTheirOrderAndLayout) {
  std::vector<std::string> names;
  for (const StateMember& member : gameStateMembers()) names.push_back(member.name);
  EXPECT_EQ(names, (std::vector<std::string>{"scene", "overlay1", "overlay2", "fade_colour", "fade_speed",
                                             "step_counter", "keys", "key_gate", "input_enabled", "message",
                                             "choice", "random_state", "event", "field", "game", "actors",
                                             "characters", "sound", "music", "menu", "object_tasks", "battle", "result"}));
  resetGameState();
  StateDump dump;
  dump.add("frame", "3");
  dump.add(std::span(gameStateMembers().data(), 6));
  EXPECT_EQ(dump.text(),
            "{\n  \"frame\": 3,\n  \"scene\": \"NoOverlay\",\n  \"overlay1\": \"NoOverlay\",\n"
            "  \"overlay2\": \"NoOverlay\",\n  \"fade_colour\": \"0x00000000\",\n  \"fade_speed\": 0,\n"
            "  \"step_counter\": 0\n}\n");
}
