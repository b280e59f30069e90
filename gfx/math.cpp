#include "gfx/math.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// Every product and sum is rounded to single precision on its own, never fused (GCC does not
// fuse in standard mode; clang needs telling).
#ifdef __clang__
#pragma STDC FP_CONTRACT OFF
#endif

// ---------------------------------------------------------------------------------------------
// Sine, cosine and angles

namespace {

constexpr float kSinC3 = 1.0f / 6.0f;
constexpr float kSinC5 = 1.0f / 120.0f;
constexpr float kSinC7 = 1.0f / 5040.0f;
constexpr float kSinC9 = 3.0e-6f;
constexpr float kCosC2 = 0.5f;
constexpr float kCosC4 = 1.0f / 24.0f;
constexpr float kCosC6 = 1.0f / 720.0f;
constexpr float kCosC8 = 2.5e-5f;

// Removes whole turns: x - trunc(x / 2 pi) * 2 pi. A float of magnitude 2^23 or more is already
// whole, so only smaller ones go through the (fast) integer truncation; huge or non-finite angles
// give a meaningless value instead of an undefined conversion.
float removeTurns(float x) {
  float turns = x * kInvTwoPi;
  if (std::fabs(turns) < 8388608.0f) turns = static_cast<float>(static_cast<int32_t>(turns));
  return x - turns * kTwoPi;
}

// The platform's arc tangent, rounded to single precision.
float arcTangent(float q) {
  return static_cast<float>(std::atan(static_cast<double>(q)));
}

float arcCosine(float k) {
  return static_cast<float>(std::acos(static_cast<double>(k)));
}

// A divisor that is exactly 0 becomes 0.001.
float nonZero(float divisor) {
  return divisor == 0.0f ? 0.001f : divisor;
}

}  // namespace

float fastSin(float x) {
  if (x > kPi) {
    x = removeTurns(x);
    if (x > kPi) x -= kTwoPi;
  } else if (x < -kPi) {
    x = removeTurns(x);
    if (x < -kPi) x += kTwoPi;
  }
  float x2 = x * x;
  float x3 = x2 * x;
  float x5 = x3 * x2;
  float x7 = x5 * x2;
  float x9 = x7 * x2;
  return x - x3 * kSinC3 + x5 * kSinC5 - x7 * kSinC7 + x9 * kSinC9;
}

float fastCos(float x) {
  if (x < 0) x = -x;
  x = removeTurns(x);
  if (x > kPi) x -= kTwoPi;
  float k = x * x;
  float k2 = k * k;
  float k3 = k2 * k;
  float k4 = k3 * k;
  return 1.0f - k * kCosC2 + k2 * kCosC4 - k3 * kCosC6 + k4 * kCosC8;
}

float reduceAngle(float a) {
  float t = a - kTwoPi;
  return std::fabs(t) < std::fabs(a) ? t : a;
}

float heading(float x1, float z1, float x2, float z2) {
  float dx = x1 - x2;
  float dz = z1 - z2;
  if (x1 > x2) {
    if (z1 > z2) return reduceAngle(arcTangent(dx / nonZero(dz)));
    return reduceAngle(arcTangent(-dz / nonZero(dx))) + kHalfPi;
  }
  if (z1 >= z2) return reduceAngle(arcTangent(dz / nonZero(x2 - x1))) + kThreeHalvesPi;
  return reduceAngle(arcTangent((x2 - x1) / nonZero(-dz))) + kPi;
}

ViewVolume::ViewVolume(const plat::D3DMATRIX& m) {
  // A point (x, y, z, 1) has clip coordinates c_j = sum_i p_i m[i][j]; each plane is one
  // inequality among them: w + x, w - x, w + y, w - y, z and w - z all at least 0.
  const int kTerms[6][2] = {{3, 0}, {3, 0}, {3, 1}, {3, 1}, {2, -1}, {3, 2}};
  const double kSigns[6] = {1, -1, 1, -1, 0, -1};
  for (int p = 0; p < 6; ++p) {
    for (int i = 0; i < 4; ++i) {
      double value = m.m[i][kTerms[p][0]];
      if (kTerms[p][1] >= 0) value += kSigns[p] * m.m[i][kTerms[p][1]];
      planes_[p][i] = value;
    }
  }
}

bool ViewVolume::excludes(const VECTOR& centre, float radius) const {
  for (const auto& plane : planes_) {
    const double distance = plane[0] * centre.x + plane[1] * centre.y + plane[2] * centre.z + plane[3];
    const double scale = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    // A little room for rounding: only what lies clearly outside is excluded.
    if (distance < -(static_cast<double>(radius) * 1.001 + 1.0) * scale) return true;
  }
  return false;
}

HeadingBand::HeadingBand(const VECTOR& eye, float centre, float halfWidth)
    : eyeX_(eye.x),
      eyeZ_(eye.z),
      centre_(centre),
      halfWidth_(halfWidth),
      sinCentre_(std::sin(static_cast<double>(centre))),
      cosCentre_(std::cos(static_cast<double>(centre))),
      cosHalfWidth_(std::cos(static_cast<double>(halfWidth))),
      // Far from 0 the game's 2 pi (6.28318) and float differences drift from the true circle.
      byDotProduct_(std::fabs(centre) <= 16.0f && halfWidth >= 0.0f && halfWidth < 3.0f) {}

bool HeadingBand::containsByHeading(const VECTOR& point) const {
  const float difference = std::remainder(heading(point.x, point.z, eyeX_, eyeZ_) - centre_, kTwoPi);
  return std::fabs(difference) <= halfWidth_;
}

bool HeadingBand::contains(const VECTOR& point) const {
  // heading() is atan2(dx, dz): the point lies in the band when the angle between (dx, dz) and
  // (sin centre, cos centre) is at most the half width. Within a margin of the edge (the float
  // rounding of heading() and of the game's 2 pi), and for a point at the eye, heading() decides.
  const double dx = static_cast<double>(point.x) - eyeX_, dz = static_cast<double>(point.z) - eyeZ_;
  const double length = std::sqrt(dx * dx + dz * dz);
  const double excess = dx * sinCentre_ + dz * cosCentre_ - length * cosHalfWidth_;
  constexpr double kMargin = 1.0e-4;
  if (!byDotProduct_ || !(length > 0.0) || !std::isfinite(excess) || std::fabs(excess) <= kMargin * length)
    return containsByHeading(point);
  return excess > 0.0;
}

bool HeadingBand::clearOf(const VECTOR& centre, float radius) const {
  if (!byDotProduct_ || !(radius >= 0.0f)) return false;
  const double dx = static_cast<double>(centre.x) - eyeX_, dz = static_cast<double>(centre.z) - eyeZ_;
  const double distance = std::sqrt(dx * dx + dz * dz);
  if (!std::isfinite(distance) || !(distance > static_cast<double>(radius) * 1.01 + 1.0)) return false;
  // The circle is seen from the eye within asin(radius / distance) of its centre's direction;
  // a thousandth of a radian more keeps clear of heading()'s rounding.
  const double cosine = std::clamp((dx * sinCentre_ + dz * cosCentre_) / distance, -1.0, 1.0);
  const double fromCentre = std::acos(cosine);
  return fromCentre - std::asin(static_cast<double>(radius) / distance) > static_cast<double>(halfWidth_) + 1.0e-3;
}

// ---------------------------------------------------------------------------------------------
// VECTOR

float VECTOR::length() const {
  return std::sqrt(x * x + y * y + z * z);
}

void VECTOR::normalize() {
  float len = length();
  if (len > 0) {
    scale(1.0f / len);
  } else {
    set(0, 0, 0);
  }
}

void VECTOR::rotate(const QUAT& q) {
  QUAT r{-q.x, -q.y, -q.z, q.w};
  r.mulVec(x, y, z);
  r.mul(q);
  set(r.x, r.y, r.z);
}

void VECTOR::transform(const MATRIX& m) {
  const auto& e = m.m;
  float nx = x * e[0][0] + y * e[1][0] + z * e[2][0] + e[3][0];
  float ny = x * e[0][1] + y * e[1][1] + z * e[2][1] + e[3][1];
  float nz = x * e[0][2] + y * e[1][2] + z * e[2][2] + e[3][2];
  set(nx, ny, nz);
}

float dot(const VECTOR& a, const VECTOR& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

void cross(VECTOR& out, const VECTOR& a, const VECTOR& b) {
  out.set(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

namespace {

float hermiteComponent(float p0, float p1, float t0, float t1, float t) {
  float tt = t * t;
  float ttt = tt * t;
  return p0 + t * t0 + tt * (3 * p1 - 3 * p0 - 2 * t0 - t1) + ttt * (t0 + t1 + 2 * p0 - 2 * p1);
}

}  // namespace

void hermite(VECTOR& out, const VECTOR& p0, const VECTOR& p1, const VECTOR& t0, const VECTOR& t1, float t) {
  out.set(hermiteComponent(p0.x, p1.x, t0.x, t1.x, t), hermiteComponent(p0.y, p1.y, t0.y, t1.y, t),
          hermiteComponent(p0.z, p1.z, t0.z, t1.z, t));
}

// ---------------------------------------------------------------------------------------------
// QUAT

void QUAT::mul(const QUAT& q) {
  const QUAT a = *this;
  x = a.w * q.x + a.x * q.w + a.y * q.z - a.z * q.y;
  y = a.w * q.y - a.x * q.z + a.y * q.w + a.z * q.x;
  z = a.w * q.z + a.x * q.y - a.y * q.x + a.z * q.w;
  w = a.w * q.w - a.x * q.x - a.y * q.y - a.z * q.z;
}

void QUAT::mulVec(float vx, float vy, float vz) {
  mul(QUAT{vx, vy, vz, 0});
}

void QUAT::normalize() {
  float len = std::sqrt(x * x + y * y + z * z + w * w);
  if (len > 0) {
    float inv = 1.0f / len;
    set(x * inv, y * inv, z * inv, w * inv);
  } else {
    set(0, 0, 0, 0);
  }
}

void QUAT::fromYawPitchRoll(float yaw, float pitch, float roll) {
  float hy = yaw * -0.5f;
  float hp = pitch * -0.5f;
  float hr = roll * -0.5f;
  set(0, 0, fastSin(hr), fastCos(hr));
  mul(QUAT{fastSin(hp), 0, 0, fastCos(hp)});
  mul(QUAT{0, fastSin(hy), 0, fastCos(hy)});
}

namespace {

void rotateAll(VECTOR* axes, const QUAT& q) {
  for (int i = 0; i < 3; ++i) axes[i].rotate(q);
}

VECTOR normalized(VECTOR v) {
  v.normalize();
  return v;
}

float clampUnit(float k) {
  return std::clamp(k, -1.0f, 1.0f);
}

}  // namespace

void QUAT::toAngles(VECTOR& out) const {
  enum { X, Y, Z };
  VECTOR axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  rotateAll(axes, *this);

  VECTOR dir = normalized({axes[Z].x, 0, axes[Z].z});
  float k = clampUnit(dir.z);
  if (axes[Z].z < 0) k = -k;
  float yaw = arcCosine(k);
  if (dir.x < 0) yaw = -yaw;
  out.y = yaw;
  rotateAll(axes, QUAT{0, fastSin(yaw * 0.5f), 0, fastCos(yaw * 0.5f)});

  dir = normalized(axes[Z]);
  float pitch = arcCosine(clampUnit(dir.z));
  if (dir.y < 0) pitch = -pitch;
  out.x = pitch;
  rotateAll(axes, QUAT{fastSin(pitch * 0.5f), 0, 0, fastCos(pitch * 0.5f)});

  dir = normalized(axes[X]);
  float roll = arcCosine(clampUnit(dir.x));
  if (dir.y < 0) roll = -roll;
  out.z = roll;
}

void nlerp(QUAT& out, const QUAT& a, const QUAT& b, float t) {
  out.set(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t);
  out.normalize();
}

void slerp(QUAT& out, const QUAT& a, const QUAT& b, float t) {
  QUAT near = b;
  float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  if (d < 0) {
    near.set(-b.x, -b.y, -b.z, -b.w);
    d = -d;
  }
  if (d >= 0.95f) {
    nlerp(out, a, near, t);
    return;
  }
  float theta = arcCosine(clampUnit(d));
  float s = fastSin(theta);
  float sa = fastSin((1 - t) * theta);
  float sb = fastSin(t * theta);
  out.set((sa * a.x + sb * near.x) / s, (sa * a.y + sb * near.y) / s, (sa * a.z + sb * near.z) / s,
          (sa * a.w + sb * near.w) / s);
}

// ---------------------------------------------------------------------------------------------
// MATRIX

namespace {

void setRotationRows(MATRIX& out, char axis, float s, float c) {
  auto& e = out.m;
  switch (axis) {
    case 'X':
    case 'x':
      e[0][0] = 1, e[0][1] = 0, e[0][2] = 0;
      e[1][0] = 0, e[1][1] = c, e[1][2] = s;
      e[2][0] = 0, e[2][1] = -s, e[2][2] = c;
      break;
    case 'Y':
    case 'y':
      e[0][0] = c, e[0][1] = 0, e[0][2] = -s;
      e[1][0] = 0, e[1][1] = 1, e[1][2] = 0;
      e[2][0] = s, e[2][1] = 0, e[2][2] = c;
      break;
    case 'Z':
    case 'z':
      e[0][0] = c, e[0][1] = s, e[0][2] = 0;
      e[1][0] = -s, e[1][1] = c, e[1][2] = 0;
      e[2][0] = 0, e[2][1] = 0, e[2][2] = 1;
      break;
    default:
      break;
  }
  e[0][3] = e[1][3] = e[2][3] = 0;
  e[3][0] = e[3][1] = e[3][2] = 0;
  e[3][3] = 1;
}

}  // namespace

void MATRIX::identity() {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

void MATRIX::transpose() {
  for (int r = 0; r < 4; ++r)
    for (int c = r + 1; c < 4; ++c) std::swap(m[r][c], m[c][r]);
}

void mulInto(MATRIX& out, const MATRIX& a, const MATRIX& b) {
  // Row r of the product is a[r][0] * b row 0 + ... + a[r][3] * b row 3, summed in that order.
  float product[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      product[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
  std::memcpy(out.m, product, sizeof product);
}

void MATRIX::mul(const MATRIX& other) {
  mulInto(*this, *this, other);
}

void MATRIX::rotationAxis(char axis, float angle) {
  setRotationRows(*this, axis, fastSin(angle), fastCos(angle));
}

void MATRIX::rotationXYZ(const VECTOR& angles) {
  rotationAxis('Z', angles.z);
  MATRIX r;
  r.rotationAxis('X', angles.x);
  mul(r);
  r.rotationAxis('Y', angles.y);
  mul(r);
}

void MATRIX::fromQuat(const QUAT& q) {
  auto& e = m;
  e[0][0] = 1 - 2 * (q.y * q.y + q.z * q.z);
  e[0][1] = 2 * (q.x * q.y - q.z * q.w);
  e[0][2] = 2 * (q.y * q.w + q.z * q.x);
  e[1][0] = 2 * (q.x * q.y + q.z * q.w);
  e[1][1] = 1 - 2 * (q.x * q.x + q.z * q.z);
  e[1][2] = 2 * (q.y * q.z - q.x * q.w);
  e[2][0] = 2 * (q.z * q.x - q.y * q.w);
  e[2][1] = 2 * (q.y * q.z + q.x * q.w);
  e[2][2] = 1 - 2 * (q.x * q.x + q.y * q.y);
  e[0][3] = e[1][3] = e[2][3] = 0;
  e[3][0] = e[3][1] = e[3][2] = 0;
  e[3][3] = 1;
}

void MATRIX::translation(float tx, float ty, float tz) {
  identity();
  m[3][0] = tx;
  m[3][1] = ty;
  m[3][2] = tz;
}

void MATRIX::scaling(const VECTOR& s) {
  identity();
  m[0][0] = s.x;
  m[1][1] = s.y;
  m[2][2] = s.z;
}

// ---------------------------------------------------------------------------------------------
// The platform library's matrix functions

void matrixLookAtLH(MATRIX& out, const VECTOR& eye, const VECTOR& target, const VECTOR& up) {
  VECTOR zAxis = target;
  zAxis.sub(eye);
  zAxis.normalize();
  VECTOR xAxis;
  cross(xAxis, up, zAxis);
  xAxis.normalize();
  VECTOR yAxis;
  cross(yAxis, zAxis, xAxis);

  auto& e = out.m;
  e[0][0] = xAxis.x, e[0][1] = yAxis.x, e[0][2] = zAxis.x, e[0][3] = 0;
  e[1][0] = xAxis.y, e[1][1] = yAxis.y, e[1][2] = zAxis.y, e[1][3] = 0;
  e[2][0] = xAxis.z, e[2][1] = yAxis.z, e[2][2] = zAxis.z, e[2][3] = 0;
  e[3][0] = -dot(xAxis, eye), e[3][1] = -dot(yAxis, eye), e[3][2] = -dot(zAxis, eye), e[3][3] = 1;
}

void matrixPerspectiveFovLH(MATRIX& out, float fovY, float aspect, float zNear, float zFar) {
  float yScale = static_cast<float>(1.0 / std::tan(static_cast<double>(fovY) / 2.0));
  out = MATRIX{};
  out.m[0][0] = yScale / aspect;
  out.m[1][1] = yScale;
  out.m[2][2] = zFar / (zFar - zNear);
  out.m[2][3] = 1;
  out.m[3][2] = -zNear * zFar / (zFar - zNear);
}

void matrixMultiply(MATRIX& out, const MATRIX& a, const MATRIX& b) {
  mulInto(out, a, b);
}

void matrixTranslation(MATRIX& out, float x, float y, float z) {
  out.translation(x, y, z);
}

void matrixScaling(MATRIX& out, float sx, float sy, float sz) {
  out.scaling(VECTOR{sx, sy, sz});
}

void matrixRotationX(MATRIX& out, float angle) {
  out.identity();
  setRotationRows(out, 'X', std::sin(angle), std::cos(angle));
}

void matrixRotationY(MATRIX& out, float angle) {
  out.identity();
  setRotationRows(out, 'Y', std::sin(angle), std::cos(angle));
}

void matrixRotationZ(MATRIX& out, float angle) {
  out.identity();
  setRotationRows(out, 'Z', std::sin(angle), std::cos(angle));
}
