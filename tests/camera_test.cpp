#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "game_state.h"
#include "gfx/camera.h"
#include "null_device.h"

namespace {

constexpr float kDeg = 0.0174532775f;

// A device that records the transforms it is given and ignores everything else.
class TransformRecorder : public NullDevice {
 public:
  struct Call {
    plat::D3DTRANSFORMSTATETYPE type;
    plat::D3DMATRIX matrix;
  };
  std::vector<Call> calls;

  plat::HRESULT SetTransform(plat::D3DTRANSFORMSTATETYPE type, const plat::D3DMATRIX* matrix) override {
    calls.push_back({type, *matrix});
    return plat::D3D_OK;
  }
};

// Stand-ins for the character table and the battle.
CameraSubject gTestCharacters[3];
bool gTestBattleRunning = false;
float gTestHomeHeadings[9];
int gFollowCalls = 0;

bool testCharacter(int index, CameraSubject* out) {
  if (index < 0 || index >= 3) return false;
  *out = gTestCharacters[index];
  return true;
}
bool testBattleRunning() {
  return gTestBattleRunning;
}
bool testHomeHeading(int slot, float* out) {
  if (!gTestBattleRunning || slot < 0 || slot >= 9) return false;
  *out = gTestHomeHeadings[slot];
  return true;
}
void testFollow() {
  ++gFollowCalls;
  cameraUpdateEye();
}

// Every value bit for bit (the padding before the motion function aside).
bool sameCamera(const CAMERA& a, const CAMERA& b) {
  constexpr size_t valuesSize = offsetof(CAMERA, rollVelocity) + sizeof(float);
  return std::memcmp(&a, &b, valuesSize) == 0 && a.motion == b.motion;
}

MATRIX expectedView() {
  MATRIX view;
  matrixLookAtLH(view, gCamera.eye, gCamera.target, VECTOR{fastSin(gCamera.roll), fastCos(gCamera.roll), 0});
  return view;
}

class Camera : public GameStateTest {
 protected:
  void SetUp() override {
    gCamera.distance = 100;
    gCamera.eye.y = 10;
    gCameraLinks = CameraLinks{testCharacter, testBattleRunning, testHomeHeading, testFollow};
    gTestBattleRunning = false;
    gFollowCalls = 0;
    gTestCharacters[0] = CameraSubject{{0, 0, 0}, 0, 30, {0, 100, 0}};
    gTestCharacters[1] = CameraSubject{{10, 0, 20}, 0.5f, 40, {0, 150, 0}};
    gTestCharacters[2] = CameraSubject{{100, 0, -50}, 1.0f, 50, {5, 120, 0}};
    for (int i = 0; i < 9; ++i) gTestHomeHeadings[i] = i < 3 ? 3.14159f : 6.28318f;
    gFrameTime = 22;
    gDevice = nullptr;
  }
  static void runFrames(int n) {
    for (int i = 0; i < n; ++i) gCamera.motion();
  }
};

TEST_F(Camera, ResetStopsTheMotionAndKeepsThePlacement) {
  gCamera.eye = {1, 2, 3};
  gCamera.target = {4, 5, 6};
  gCamera.angle = 0.7f;
  gCamera.distance = 300;
  gCamera.roll = 0.2f;
  gCamera.framesLeft = 9;
  gCamera.targetVelocity = {1, 1, 1};
  gCamera.angleVelocity = gCamera.distanceVelocity = gCamera.eyeHeightVelocity = gCamera.rollVelocity = 1;
  gCamera.motion = cameraOrbitMotion;
  cameraReset();
  CAMERA expected{};
  expected.eye = {1, 2, 3};
  expected.target = {4, 5, 6};
  expected.angle = 0.7f;
  expected.distance = 300;
  EXPECT_TRUE(sameCamera(gCamera, expected));
}

TEST_F(Camera, UpdateEyePutsTheEyeOnTheOrbitAndWrapsTheAngleOnce) {
  gCamera.target = {100, 50, -20};
  gCamera.distance = 200;
  gCamera.angle = 1.2f;
  cameraUpdateEye();
  EXPECT_EQ(gCamera.eye.x, fastSin(1.2f) * 200 + 100);
  EXPECT_EQ(gCamera.eye.y, 10.0f);
  EXPECT_EQ(gCamera.eye.z, fastCos(1.2f) * 200 - 20);

  gCamera.angle = 7.0f;
  cameraUpdateEye();
  EXPECT_EQ(gCamera.angle, 7.0f - 6.28318f);
  gCamera.angle = -1.0f;
  cameraUpdateEye();
  EXPECT_EQ(gCamera.angle, -1.0f + 6.28318f);
  gCamera.angle = 20.0f;  // one step per update
  cameraUpdateEye();
  EXPECT_EQ(gCamera.angle, 20.0f - 6.28318f);
}

TEST_F(Camera, SetViewKeepsTheViewAndHandsItToTheDevice) {
  gCamera.target = {0, 100, 0};
  gCamera.eye = {0, 300, 400};
  cameraSetView();  // without a device only the global changes
  MATRIX expected = expectedView();
  EXPECT_EQ(std::memcmp(&gViewMatrix, &expected, sizeof(MATRIX)), 0);

  TransformRecorder device;
  gDevice = &device;
  gCamera.roll = 0.3f;
  cameraSetView();
  ASSERT_EQ(device.calls.size(), 1u);
  EXPECT_EQ(device.calls[0].type, plat::D3DTS_VIEW);
  expected = expectedView();
  EXPECT_EQ(std::memcmp(&device.calls[0].matrix, &expected, sizeof(MATRIX)), 0);
  EXPECT_EQ(std::memcmp(&gViewMatrix, &expected, sizeof(MATRIX)), 0);
}

TEST_F(Camera, RollOfAQuarterTurnsTheScreen) {
  gCamera.angle = 0;  // eye on +Z of the target, looking towards -Z
  gCamera.eye.y = 0;
  gCamera.roll = 1.5707964f;
  cameraUpdateEye();
  // Up is +X, so world +Y now runs along the view's x axis.
  EXPECT_NEAR(gViewMatrix.m[1][0], 1, 1e-4f);
  EXPECT_NEAR(gViewMatrix.m[0][0], 0, 1e-4f);
  EXPECT_NEAR(std::fabs(gViewMatrix.m[0][1]), 1, 1e-4f);
}

TEST_F(Camera, OrbitToOfOneFrameArrivesAtOnceAndFallsIdle) {
  cameraMotion(CAM_ORBIT_TO, 1, VECTOR{90, 500, 300}, 0);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  EXPECT_EQ(gCamera.framesLeft, 1);
  EXPECT_EQ(gCamera.angle, 0.0f);  // nothing moves before the frame runs
  runFrames(1);
  EXPECT_FLOAT_EQ(gCamera.angle, 90 * kDeg);
  EXPECT_EQ(gCamera.distance, 500.0f);
  EXPECT_EQ(gCamera.eye.y, 300.0f);
  EXPECT_EQ(gCamera.eye.x, fastSin(gCamera.angle) * 500);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
  EXPECT_EQ(gCamera.framesLeft, 0);
  const CAMERA settled = gCamera;
  runFrames(3);
  EXPECT_TRUE(sameCamera(gCamera, settled));
}

TEST_F(Camera, OrbitToSpreadsTheChangeOverItsFrames) {
  gCamera.angle = 1.0f;
  cameraMotion(CAM_ORBIT_TO, 4, VECTOR{0, 300, 50}, 0);
  EXPECT_FLOAT_EQ(gCamera.angleVelocity, -0.25f);
  EXPECT_FLOAT_EQ(gCamera.distanceVelocity, 50);
  EXPECT_FLOAT_EQ(gCamera.eyeHeightVelocity, 10);
  runFrames(2);
  EXPECT_FLOAT_EQ(gCamera.angle, 0.5f);
  EXPECT_FLOAT_EQ(gCamera.distance, 200);
  EXPECT_EQ(gCamera.framesLeft, 2);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  runFrames(2);
  EXPECT_NEAR(gCamera.angle, 0, 1e-6f);
  EXPECT_FLOAT_EQ(gCamera.distance, 300);
  EXPECT_FLOAT_EQ(gCamera.eye.y, 50);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
}

TEST_F(Camera, ContinueAddsToTheRunningMotionAndEndsWithIt) {
  cameraMotion(CAM_TARGET_TO, 10, VECTOR{100, 0, 0}, 0);
  runFrames(4);
  EXPECT_FLOAT_EQ(gCamera.target.x, 40);
  cameraMotion(CAM_ORBIT_TO, 99, VECTOR{90, 100, 10}, 1);
  EXPECT_EQ(gCamera.framesLeft, 6);
  EXPECT_FLOAT_EQ(gCamera.targetVelocity.x, 10);  // kept
  EXPECT_FLOAT_EQ(gCamera.angleVelocity, 90 * kDeg / 6);
  runFrames(5);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  runFrames(1);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
  EXPECT_FLOAT_EQ(gCamera.target.x, 100);
  EXPECT_NEAR(gCamera.angle, 90 * kDeg, 1e-5f);

  // Without continue the old velocities are dropped.
  cameraMotion(CAM_TARGET_TO, 10, VECTOR{200, 0, 0}, 0);
  cameraMotion(CAM_ORBIT_BY, 5, VECTOR{10, 0, 0}, 0);
  EXPECT_EQ(gCamera.targetVelocity.x, 0.0f);
}

TEST_F(Camera, OrbitByRollToAndTargetByMoveRelatively) {
  gCamera.target = {5, 5, 5};
  cameraMotion(CAM_ORBIT_BY, 2, VECTOR{30, -40, 8}, 0);
  runFrames(2);
  EXPECT_FLOAT_EQ(gCamera.angle, 30 * kDeg);
  EXPECT_FLOAT_EQ(gCamera.distance, 60);
  EXPECT_FLOAT_EQ(gCamera.eye.y, 18);

  gCamera.roll = 0.1f;
  cameraMotion(CAM_ROLL_TO, 2, VECTOR{45, 0, 0}, 0);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  runFrames(2);
  EXPECT_FLOAT_EQ(gCamera.roll, 45 * kDeg);

  cameraMotion(CAM_TARGET_BY, 2, VECTOR{10, -20, 30}, 0);
  runFrames(2);
  EXPECT_FLOAT_EQ(gCamera.target.x, 15);
  EXPECT_FLOAT_EQ(gCamera.target.y, -15);
  EXPECT_FLOAT_EQ(gCamera.target.z, 35);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
}

TEST_F(Camera, LookAtCharacterChangesTheViewAtOnceAndLeavesTheMotionRunning) {
  cameraMotion(CAM_ORBIT_BY, 10, VECTOR{10, 0, 0}, 0);
  cameraMotion(CAM_LOOK_AT_CHARACTER, 3, VECTOR{1.9f, 60, 30}, 0);  // character 1 (truncated)
  EXPECT_EQ(gCamera.target.x, 10.0f);
  EXPECT_EQ(gCamera.target.y, 150.0f);
  EXPECT_EQ(gCamera.target.z, 20.0f);
  EXPECT_EQ(gCamera.angle, 0.5f);  // the character's yaw outside a battle
  EXPECT_EQ(gCamera.distance, 100.0f);
  EXPECT_EQ(gCamera.roll, 0.0f);
  EXPECT_EQ(gCamera.eye.y, 180.0f);
  EXPECT_EQ(gCamera.eye.x, fastSin(0.5f) * 100 + 10);
  MATRIX expected = expectedView();
  EXPECT_EQ(std::memcmp(&gViewMatrix, &expected, sizeof(MATRIX)), 0);
  EXPECT_EQ(gCamera.framesLeft, 10);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  EXPECT_EQ(gCamera.angleVelocity, 0.0f);  // a motion without continue clears the velocities

  gTestBattleRunning = true;
  cameraMotion(CAM_LOOK_AT_CHARACTER, 3, VECTOR{2, 0, 0}, 1);
  EXPECT_EQ(gCamera.angle, 3.14159f);  // slot 2's home heading in battle
  EXPECT_EQ(gCamera.distance, 50.0f);
}

TEST_F(Camera, TargetToHeadMovesOnlyTheTarget) {
  gCamera.eye = {0, 10, 100};
  cameraMotion(CAM_TARGET_TO_HEAD, 4, VECTOR{2, 0, 0}, 0);
  EXPECT_EQ(gCamera.motion, &cameraTargetMotion);
  EXPECT_EQ(gCamera.framesLeft, 4);
  EXPECT_FLOAT_EQ(gCamera.targetVelocity.x, 26.25f);
  EXPECT_FLOAT_EQ(gCamera.targetVelocity.y, 30);
  EXPECT_FLOAT_EQ(gCamera.targetVelocity.z, -12.5f);
  runFrames(4);
  EXPECT_FLOAT_EQ(gCamera.target.x, 105);
  EXPECT_FLOAT_EQ(gCamera.target.y, 120);
  EXPECT_FLOAT_EQ(gCamera.target.z, -50);
  EXPECT_EQ(gCamera.eye.x, 0.0f);
  EXPECT_EQ(gCamera.eye.z, 100.0f);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
  MATRIX expected = expectedView();
  EXPECT_EQ(std::memcmp(&gViewMatrix, &expected, sizeof(MATRIX)), 0);
}

TEST_F(Camera, BattleViewLooksOverTheFieldFromTheSlotsSide) {
  gTestBattleRunning = true;
  cameraMotion(CAM_BATTLE_VIEW, 20, VECTOR{4, 0, 0}, 0);
  EXPECT_EQ(gCamera.angle, 6.28318f + 6.28318f);
  EXPECT_EQ(gCamera.eye.y, 720.0f);
  EXPECT_EQ(gCamera.distance, 2048.0f);
  EXPECT_EQ(gCamera.target.x, 0.0f);
  EXPECT_EQ(gCamera.target.y, 512.0f);
  EXPECT_EQ(gCamera.target.z, 0.0f);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  EXPECT_EQ(gCamera.framesLeft, 20);
  runFrames(1);
  EXPECT_EQ(gCamera.angle, 6.28318f);  // wrapped once on the first eye update
}

TEST_F(Camera, MotionsNamingMissingThingsLeaveTheCameraAlone) {
  cameraMotion(CAM_TARGET_TO, 8, VECTOR{50, 0, 0}, 0);
  const CAMERA before = gCamera;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const VECTOR bad[] = {{3, 0, 0}, {-1, 0, 0}, {nan, 0, 0}, {1e30f, 0, 0}, {-1e30f, 0, 0}};
  for (const VECTOR& v : bad) {
    cameraMotion(CAM_LOOK_AT_CHARACTER, 5, v, 0);
    cameraMotion(CAM_TARGET_TO_HEAD, 5, v, 0);
    cameraMotion(CAM_BATTLE_VIEW, 5, v, 0);
    EXPECT_TRUE(sameCamera(gCamera, before)) << v.x;
  }
  // The battle view and a battle look-at need a battle.
  cameraMotion(CAM_BATTLE_VIEW, 5, VECTOR{0, 0, 0}, 0);
  EXPECT_TRUE(sameCamera(gCamera, before));
  gTestBattleRunning = true;
  cameraMotion(CAM_LOOK_AT_CHARACTER, 5, VECTOR{2, 0, 0}, 0);  // character 2, slot 2: fine
  EXPECT_FALSE(sameCamera(gCamera, before));
  // Nothing is linked at all.
  gCameraLinks = CameraLinks{};
  const CAMERA linked = gCamera;
  cameraMotion(CAM_LOOK_AT_CHARACTER, 5, VECTOR{0, 0, 0}, 0);
  cameraMotion(CAM_TARGET_TO_HEAD, 5, VECTOR{0, 0, 0}, 0);
  cameraMotion(CAM_BATTLE_VIEW, 5, VECTOR{0, 0, 0}, 0);
  EXPECT_TRUE(sameCamera(gCamera, linked));
}

TEST_F(Camera, SwitchAndUnknownTypesTouchOnlyTheirOwnField) {
  cameraMotion(CAM_TARGET_TO, 8, VECTOR{50, 0, 0}, 0);
  cameraMotion(CAM_RUN_TARGET, 3, VECTOR{}, 1);
  EXPECT_EQ(gCamera.motion, &cameraTargetMotion);
  EXPECT_EQ(gCamera.framesLeft, 8);
  cameraMotion(CAM_RUN_ORBIT, 3, VECTOR{}, 1);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  EXPECT_EQ(gCamera.framesLeft, 8);
  EXPECT_FLOAT_EQ(gCamera.targetVelocity.x, 50.0f / 8);

  cameraMotion(7, 12, VECTOR{1, 2, 3}, 1);
  EXPECT_EQ(gCamera.framesLeft, 8);  // continue keeps the running count
  cameraMotion(7, 12, VECTOR{1, 2, 3}, 0);
  EXPECT_EQ(gCamera.framesLeft, 12);
  EXPECT_EQ(gCamera.motion, &cameraOrbitMotion);
  EXPECT_EQ(gCamera.targetVelocity.x, 0.0f);
}

TEST_F(Camera, ATimedMotionOfNoFramesTakesOneFrame) {
  cameraMotion(CAM_ORBIT_TO, 0, VECTOR{90, 200, 40}, 0);
  EXPECT_EQ(gCamera.framesLeft, 1);
  runFrames(1);
  EXPECT_FLOAT_EQ(gCamera.distance, 200);
  EXPECT_EQ(gCamera.motion, &cameraIdle);

  // Continuing a motion that has already ended.
  cameraMotion(CAM_TARGET_TO, 0, VECTOR{0, 0, 64}, 1);
  EXPECT_TRUE(std::isfinite(gCamera.targetVelocity.z));
  runFrames(1);
  EXPECT_FLOAT_EQ(gCamera.target.z, 64);
  EXPECT_EQ(gCamera.motion, &cameraIdle);

  cameraMotion(CAM_TARGET_BY, -5, VECTOR{8, 0, 0}, 0);
  runFrames(1);
  EXPECT_FLOAT_EQ(gCamera.target.x, 8);
  EXPECT_EQ(gCamera.motion, &cameraIdle);
}

TEST_F(Camera, KeysMoveTheCameraAndFollowTheLeaderOnTheField) {
  gKeySlots[SLOT_SHIFT] = KEY_HELD;
  gKeySlots[SLOT_UP] = KEY_HELD;
  gKeySlots[SLOT_LEFT] = KEY_HELD;  // ignored with a modifier
  cameraKeys();
  EXPECT_EQ(gCamera.distance, 144.0f);
  EXPECT_EQ(gCamera.angle, 0.0f);
  EXPECT_EQ(gFollowCalls, 1);

  gKeySlots[SLOT_SHIFT] = KEY_PRESSED;  // only a held key counts
  gKeySlots[SLOT_CTRL] = KEY_HELD;
  gKeySlots[SLOT_UP] = KEY_UP;
  gKeySlots[SLOT_DOWN] = KEY_HELD;
  cameraKeys();
  EXPECT_EQ(gCamera.target.y, -22.0f);
  EXPECT_EQ(gCamera.distance, 144.0f);

  gKeySlots[SLOT_CTRL] = KEY_UP;
  gKeySlots[SLOT_DOWN] = KEY_UP;
  gKeySlots[SLOT_UP] = KEY_HELD;
  cameraKeys();
  EXPECT_EQ(gCamera.eye.y, 32.0f);
  EXPECT_EQ(gCamera.angle, 0.13962623f);
  gKeySlots[SLOT_UP] = KEY_UP;
  gKeySlots[SLOT_LEFT] = KEY_UP;
  gKeySlots[SLOT_RIGHT] = KEY_HELD;
  cameraKeys();
  EXPECT_NEAR(gCamera.angle, 0, 1e-6f);

  // A far negative angle is brought up one turn before the follow step.
  gKeySlots[SLOT_RIGHT] = KEY_UP;
  gCameraLinks.fieldFollow = nullptr;
  gCamera.angle = -7.0f;
  cameraKeys();
  EXPECT_EQ(gCamera.angle, -7.0f + 6.28318f + 6.28318f);  // then the eye update wraps it once more
  EXPECT_EQ(gCamera.eye.x, fastSin(gCamera.angle) * gCamera.distance + gCamera.target.x);
}

TEST_F(Camera, KeysInBattleOnlyUpdateTheEye) {
  gTestBattleRunning = true;
  gKeySlots[SLOT_LEFT] = KEY_HELD;
  cameraKeys();
  EXPECT_EQ(gFollowCalls, 0);
  EXPECT_EQ(gCamera.angle, 0.13962623f);
  EXPECT_EQ(gCamera.eye.x, fastSin(0.13962623f) * 100);
}

}  // namespace
