// The one camera of the game. It orbits a target point: the eye lies on a circle of the orbit
// distance around the target in the x-z plane, at its own height, and the view may roll about the
// line of sight. Timed motions move it; every change ends in a new view matrix.
#pragma once
#include <cstdint>

#include "gfx/math.h"

using CameraMotionFunction = void (*)();

// The per-frame motion functions: nothing, orbit (eye height, angle, distance, target and roll
// move) and target (target and roll move, the eye stays).
void cameraIdle();
void cameraOrbitMotion();
void cameraTargetMotion();

struct CAMERA {
  VECTOR eye;     // eye.y is the eye height; eye.x and eye.z follow from target, angle, distance
  VECTOR target;
  float angle = 0;     // orbit angle, radians, kept in [0, 2 pi) by the eye update
  float distance = 0;  // orbit distance
  float roll = 0;      // radians about the line of sight
  int32_t framesLeft = 0;
  // Velocities per frame of the running motion.
  VECTOR targetVelocity;
  float angleVelocity = 0;
  float distanceVelocity = 0;
  float eyeHeightVelocity = 0;
  float rollVelocity = 0;
  // Called once per frame by the running scene; never null.
  CameraMotionFunction motion = cameraIdle;
};

extern CAMERA gCamera;
// The view matrix last built by cameraSetView.
extern MATRIX gViewMatrix;

// What the camera needs of a character of the character table.
struct CameraSubject {
  VECTOR position;
  float yaw = 0;
  float collisionRadius = 0;
  VECTOR headBone;  // world position of the head bone, relative to the character's position
};

// The camera's view of the characters and the battle, filled in by the code that owns them.
// A missing function means that thing does not exist (no characters, no battle).
struct CameraLinks {
  // Fills in character `index` of the character table; false when there is no such character.
  bool (*character)(int index, CameraSubject* out) = nullptr;
  // True while a battle is running.
  bool (*battleRunning)() = nullptr;
  // The home heading of battle slot `slot`; false when there is no battle or no such slot.
  bool (*homeHeading)(int slot, float* out) = nullptr;
  // The field's camera follow step (puts the target on the leader and updates the eye).
  void (*fieldFollow)() = nullptr;
};
extern CameraLinks gCameraLinks;

// Motion types of cameraMotion.
enum CameraMotionType : int {
  CAM_ORBIT_TO = 0,
  CAM_TARGET_TO = 1,
  CAM_LOOK_AT_CHARACTER = 2,
  CAM_ORBIT_BY = 3,
  CAM_ROLL_TO = 4,
  CAM_TARGET_TO_HEAD = 5,
  CAM_TARGET_BY = 6,
  CAM_RUN_ORBIT = -1,
  CAM_RUN_TARGET = -2,
  CAM_BATTLE_VIEW = -3,
};

// Stops any motion: no frames left, roll and every velocity 0, idle. Eye, target, angle and
// distance stay.
void cameraReset();
// Back to the state at start: the camera, the view matrix and the links all as first made.
void resetCameraState();
// Wraps the angle once into [0, 2 pi), puts the eye on the orbit, then cameraSetView.
void cameraUpdateEye();
// Builds the view matrix from eye, target and roll into gViewMatrix and sets it on the device.
void cameraSetView();
// Starts a motion of the given type over `frames` frames with the vector argument v (angles in
// degrees). With `continueRunning` set the motion adds to the running one and ends with it.
// A motion naming a character or battle slot that does not exist leaves the camera as it was.
void cameraMotion(int type, int frames, const VECTOR& v, int continueRunning);
// The start-up camera keys: held arrows move the eye height, target height, distance or angle.
void cameraKeys();

// What the device's view and projection transforms show of the world (world transform identity).
// A device that keeps no transforms gives a volume that excludes nothing.
ViewVolume deviceViewVolume(plat::Device* device);

// The game's projection: left-handed perspective, vertical field of view pi/4, aspect 4:3, near
// plane 64, far plane 15000.
MATRIX gameProjection();
// The screen position of a world point under gViewMatrix and the game's projection, divided by
// 1 + z'. A point at or behind the eye plane (1 + z' not above a small epsilon) has no screen
// position: the function returns false and leaves screenX and screenY unchanged.
bool projectPoint(const VECTOR& point, float& screenX, float& screenY);
