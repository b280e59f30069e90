#include "gfx/camera.h"

#include "core/frame.h"
#include "core/graphics.h"
#include "core/keyboard.h"

CAMERA gCamera;
MATRIX gViewMatrix;
CameraLinks gCameraLinks;

namespace {

constexpr float kDegree = 0.0174532775f;        // 3.14159 / 180
constexpr float kKeyAngleStep = 0.13962623f;    // 8 degrees
constexpr float kBattleViewEyeHeight = 720;
constexpr float kBattleViewDistance = 2048;
constexpr VECTOR kBattleViewTarget{0, 512, 0};

// Truncates a script value to a table index; values no int can hold give -1.
int toIndex(float value) {
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return -1;
  return static_cast<int>(value);
}

bool findCharacter(int index, CameraSubject* out) {
  return gCameraLinks.character != nullptr && gCameraLinks.character(index, out);
}

bool battleRunning() {
  return gCameraLinks.battleRunning != nullptr && gCameraLinks.battleRunning();
}

bool findHomeHeading(int slot, float* out) {
  return gCameraLinks.homeHeading != nullptr && gCameraLinks.homeHeading(slot, out);
}

void clearVelocities() {
  gCamera.targetVelocity = VECTOR{};
  gCamera.angleVelocity = 0;
  gCamera.distanceVelocity = 0;
  gCamera.eyeHeightVelocity = 0;
  gCamera.rollVelocity = 0;
}

// One frame of a timed motion: when the last frame has run the camera falls idle.
void countDownFrame() {
  if (gCamera.framesLeft == 1) gCamera.motion = cameraIdle;
  if (gCamera.framesLeft > 0) --gCamera.framesLeft;
}

// Everything a motion reads from the characters and the battle, gathered before the camera
// changes so that a motion naming something that does not exist changes nothing.
struct MotionSources {
  CameraSubject subject;
  float homeHeading = 0;
};

bool gatherSources(int type, const VECTOR& v, MotionSources* sources) {
  int index = toIndex(v.x);
  switch (type) {
    case CAM_LOOK_AT_CHARACTER:
      if (!findCharacter(index, &sources->subject)) return false;
      if (battleRunning()) return findHomeHeading(index, &sources->homeHeading);
      sources->homeHeading = sources->subject.yaw;
      return true;
    case CAM_TARGET_TO_HEAD:
      return findCharacter(index, &sources->subject);
    case CAM_BATTLE_VIEW:
      return findHomeHeading(index, &sources->homeHeading);
    default:
      return true;
  }
}

void lookAtCharacter(const CameraSubject& subject, float angle, const VECTOR& v) {
  gCamera.target.set(subject.position.x, subject.position.y + subject.headBone.y, subject.position.z);
  gCamera.angle = angle;
  gCamera.distance = subject.collisionRadius + v.y;
  gCamera.roll = 0;
  gCamera.eye.y = gCamera.target.y + v.z;
  cameraUpdateEye();
}

}  // namespace

void cameraIdle() {}

void cameraOrbitMotion() {
  CAMERA& c = gCamera;
  c.eye.y += c.eyeHeightVelocity;
  c.angle += c.angleVelocity;
  c.distance += c.distanceVelocity;
  c.target.add(c.targetVelocity);
  c.roll += c.rollVelocity;
  cameraUpdateEye();
  countDownFrame();
}

void cameraTargetMotion() {
  CAMERA& c = gCamera;
  c.target.add(c.targetVelocity);
  c.roll += c.rollVelocity;
  cameraSetView();
  countDownFrame();
}

void cameraReset() {
  gCamera.framesLeft = 0;
  gCamera.roll = 0;
  clearVelocities();
  gCamera.motion = cameraIdle;
}

void cameraUpdateEye() {
  CAMERA& c = gCamera;
  if (c.angle > kTwoPi) {
    c.angle -= kTwoPi;
  } else if (c.angle < 0) {
    c.angle += kTwoPi;
  }
  c.eye.x = fastSin(c.angle) * c.distance + c.target.x;
  c.eye.z = fastCos(c.angle) * c.distance + c.target.z;
  cameraSetView();
}

void cameraSetView() {
  VECTOR up{fastSin(gCamera.roll), fastCos(gCamera.roll), 0};
  matrixLookAtLH(gViewMatrix, gCamera.eye, gCamera.target, up);
  if (gDevice != nullptr) gDevice->SetTransform(plat::D3DTS_VIEW, &gViewMatrix);
}

void cameraMotion(int type, int frames, const VECTOR& v, int continueRunning) {
  MotionSources sources;
  if (!gatherSources(type, v, &sources)) return;

  CAMERA& c = gCamera;
  if (continueRunning != 0) {
    frames = c.framesLeft;
  } else {
    clearVelocities();
  }
  // A timed motion lasts at least one frame: a count of 0 (or a continued motion that has
  // already ended) would divide by zero and never finish.
  const int timedFrames = frames < 1 ? 1 : frames;
  const float f = static_cast<float>(timedFrames);

  switch (type) {
    case CAM_ORBIT_TO:
      c.angleVelocity = (v.x * kDegree - c.angle) / f;
      c.distanceVelocity = (v.y - c.distance) / f;
      c.eyeHeightVelocity = (v.z - c.eye.y) / f;
      break;
    case CAM_TARGET_TO:
      c.targetVelocity.set((v.x - c.target.x) / f, (v.y - c.target.y) / f, (v.z - c.target.z) / f);
      break;
    case CAM_LOOK_AT_CHARACTER:
      lookAtCharacter(sources.subject, sources.homeHeading, v);
      return;
    case CAM_ORBIT_BY:
      c.angleVelocity = v.x * kDegree / f;
      c.distanceVelocity = v.y / f;
      c.eyeHeightVelocity = v.z / f;
      break;
    case CAM_ROLL_TO:
      c.rollVelocity = (v.x * kDegree - c.roll) / f;
      break;
    case CAM_TARGET_TO_HEAD: {
      VECTOR head = sources.subject.position;
      head.add(sources.subject.headBone);
      head.sub(c.target);
      head.scale(1.0f / f);
      c.targetVelocity = head;
      c.motion = cameraTargetMotion;
      c.framesLeft = timedFrames;
      return;
    }
    case CAM_TARGET_BY:
      c.targetVelocity.set(v.x / f, v.y / f, v.z / f);
      break;
    case CAM_RUN_ORBIT:
      c.motion = cameraOrbitMotion;
      return;
    case CAM_RUN_TARGET:
      c.motion = cameraTargetMotion;
      return;
    case CAM_BATTLE_VIEW:
      c.angle = sources.homeHeading + kTwoPi;
      c.eye.y = kBattleViewEyeHeight;
      c.distance = kBattleViewDistance;
      c.target = kBattleViewTarget;
      break;
    default:
      c.framesLeft = frames;
      return;
  }
  c.motion = cameraOrbitMotion;
  c.framesLeft = timedFrames;
}

void cameraKeys() {
  auto held = [](int slot) { return gKeySlots[slot] == KEY_HELD; };
  const float step = static_cast<float>(gFrameTime);
  CAMERA& c = gCamera;
  if (held(SLOT_SHIFT)) {
    if (held(SLOT_UP)) c.distance += 2 * step;
    if (held(SLOT_DOWN)) c.distance -= 2 * step;
  } else if (held(SLOT_CTRL)) {
    if (held(SLOT_UP)) c.target.y += step;
    if (held(SLOT_DOWN)) c.target.y -= step;
  } else {
    if (held(SLOT_UP)) c.eye.y += step;
    if (held(SLOT_DOWN)) c.eye.y -= step;
    if (held(SLOT_LEFT)) c.angle += kKeyAngleStep;
    if (held(SLOT_RIGHT)) c.angle -= kKeyAngleStep;
  }
  if (battleRunning()) {
    cameraUpdateEye();
    return;
  }
  if (c.angle < -kTwoPi) c.angle += kTwoPi;
  if (gCameraLinks.fieldFollow != nullptr) {
    gCameraLinks.fieldFollow();
  } else {
    cameraUpdateEye();
  }
}

ViewVolume deviceViewVolume(plat::Device* device) {
  MATRIX view, projection, viewProjection;
  if (device) {
    device->GetTransform(plat::D3DTS_VIEW, &view);
    device->GetTransform(plat::D3DTS_PROJECTION, &projection);
  }
  matrixMultiply(viewProjection, view, projection);
  return ViewVolume(viewProjection);
}

MATRIX gameProjection() {
  MATRIX m;
  matrixPerspectiveFovLH(m, 0.7853982f, 1.3333334f, 64.0f, 15000.0f);
  return m;
}

bool projectPoint(const VECTOR& point, float& screenX, float& screenY) {
  constexpr float kEyePlaneEpsilon = 1e-6f;
  MATRIX viewProjection;
  matrixMultiply(viewProjection, gViewMatrix, gameProjection());
  VECTOR p = point;
  p.transform(viewProjection);  // no division by w
  const float w = 1.0f + p.z;
  if (!(w > kEyePlaneEpsilon)) return false;
  const float e = 1.0f / w;
  screenX = (1.0f + e * p.x) * 320.0f;
  screenY = (1.0f - e * p.y) * 240.0f;
  return true;
}

void resetCameraState() {
  gCamera = CAMERA{};
  gViewMatrix = MATRIX{};
  gCameraLinks = CameraLinks{};
}
