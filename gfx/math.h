// Vectors, quaternions and matrices, the game's polynomial sine and cosine, and the angle
// helpers. Everything is single precision; angles are radians. The world is left-handed with +Y
// up, and a positive yaw turns +Z towards +X.
#pragma once
#include "platform/device.h"

// pi, 2 pi and 1 / (2 pi) as the game uses them (not the library values).
constexpr float kPi = 3.14159f;
constexpr float kTwoPi = 6.28318f;
constexpr float kInvTwoPi = 0.15915507f;
constexpr float kHalfPi = 1.570795f;
constexpr float kThreeHalvesPi = 4.712385f;

// Polynomial sine and cosine in radians (ninth- and eighth-degree series after a range
// reduction with the constants above).
float fastSin(float x);
float fastCos(float x);

// Direction of the point (x1, z1) seen from (x2, z2) in the x-z plane, in [0, 2 pi), measured from
// +Z towards +X.
float heading(float x1, float z1, float x2, float z2);
// One step towards the range around 0: subtracts 2 pi once when that makes the angle smaller in
// magnitude, never adds it.
float reduceAngle(float a);

struct VECTOR;
// The space a camera shows, as six planes taken from a world-view-projection matrix (row vectors,
// clip x and y within -w … w, depth within 0 … w). A sphere entirely outside one of the planes
// puts nothing on the screen.
class ViewVolume {
 public:
  explicit ViewVolume(const plat::D3DMATRIX& worldViewProjection);
  bool excludes(const VECTOR& centre, float radius) const;

 private:
  double planes_[6][4];
};

// The points whose heading from an eye lies within halfWidth of a centre heading (the difference
// taken round the circle), the test the map drawing leaves faces out by. It agrees with heading()
// and remainder() to the last bit: points near the band's edges are tested that way, the rest
// with a dot product, many times faster.
class HeadingBand {
 public:
  HeadingBand(const VECTOR& eye, float centre, float halfWidth);
  bool contains(const VECTOR& point) const;
  // Whether no point within radius of centre (in x and z) can lie in the band: true only when
  // the whole circle is clearly outside it.
  bool clearOf(const VECTOR& centre, float radius) const;

 private:
  bool containsByHeading(const VECTOR& point) const;
  float eyeX_, eyeZ_, centre_, halfWidth_;
  double sinCentre_, cosCentre_, cosHalfWidth_;
  bool byDotProduct_;
};

struct QUAT;
struct MATRIX;

struct VECTOR {
  float x = 0, y = 0, z = 0;

  void set(float nx, float ny, float nz) {
    x = nx;
    y = ny;
    z = nz;
  }
  void copy(const VECTOR& other) { *this = other; }
  float length() const;
  // Unit length; a zero vector stays zero.
  void normalize();
  void add(const VECTOR& o) {
    x += o.x;
    y += o.y;
    z += o.z;
  }
  void add3(float dx, float dy, float dz) {
    x += dx;
    y += dy;
    z += dz;
  }
  void sub(const VECTOR& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
  }
  void scale(float s) {
    x *= s;
    y *= s;
    z *= s;
  }
  void scale3(float sx, float sy, float sz) {
    x *= sx;
    y *= sy;
    z *= sz;
  }
  // this + (other - this) * t
  void lerp(float t, const VECTOR& other) {
    x += (other.x - x) * t;
    y += (other.y - y) * t;
    z += (other.z - z) * t;
  }
  // v' = q^-1 (x) v (x) q.
  void rotate(const QUAT& q);
  // Row vector times matrix, without the division by w.
  void transform(const MATRIX& m);
};

float dot(const VECTOR& a, const VECTOR& b);
void cross(VECTOR& out, const VECTOR& a, const VECTOR& b);
// Cubic Hermite curve from p0 (t = 0) to p1 (t = 1) with tangents t0 and t1.
void hermite(VECTOR& out, const VECTOR& p0, const VECTOR& p1, const VECTOR& t0, const VECTOR& t1, float t);

struct QUAT {
  float x = 0, y = 0, z = 0, w = 1;  // w is the scalar part

  void set(float nx, float ny, float nz, float nw) {
    x = nx;
    y = ny;
    z = nz;
    w = nw;
  }
  void copy(const QUAT& other) { *this = other; }
  // this = this (x) q (Hamilton product, this on the left).
  void mul(const QUAT& q);
  // this = this (x) (vx, vy, vz, 0).
  void mulVec(float vx, float vy, float vz);
  // Unit length over all four components; a zero quaternion stays zero.
  void normalize();
  // Roll about Z, then pitch about X, then yaw about Y (as applied by VECTOR::rotate).
  void fromYawPitchRoll(float yaw, float pitch, float roll);
  // Decomposes into (pitch, yaw, roll) stored as (x, y, z); yaw lies in [-pi/2, pi/2]. Yaw and
  // roll have the sense of fromYawPitchRoll; pitch is the rise of the turned Z axis towards +Y,
  // the opposite sense.
  void toAngles(VECTOR& out) const;
};

// out = normalize(a + (b - a) * t).
void nlerp(QUAT& out, const QUAT& a, const QUAT& b, float t);
// Spherical interpolation the short way round; close quaternions fall back to nlerp. The
// spherical result is not normalized.
void slerp(QUAT& out, const QUAT& a, const QUAT& b, float t);

// Sixteen floats in the layout of D3DMATRIX (m[row][column], row vectors, translation in the
// fourth row), so a MATRIX is passed to SetTransform as it is. A product A * B applies A first.
struct MATRIX : plat::D3DMATRIX {
  MATRIX() : plat::D3DMATRIX{} {}

  void identity();
  void copy(const MATRIX& other) { *this = other; }
  void transpose();
  // this = this * other; other may be this matrix itself.
  void mul(const MATRIX& other);
  // Sets the 3 x 3 part to a left-handed rotation about 'X', 'Y' or 'Z' (either case) with
  // fastSin/fastCos, and the fourth row and column to those of the identity. Any other letter
  // sets only the fourth row and column.
  void rotationAxis(char axis, float angle);
  // Rz * Rx * Ry of the angles (x, y, z).
  void rotationXYZ(const VECTOR& angles);
  // The rotation of VECTOR::rotate by q.
  void fromQuat(const QUAT& q);
  void translation(float tx, float ty, float tz);
  void translation(const VECTOR& t) { translation(t.x, t.y, t.z); }
  void scaling(const VECTOR& s);
};
static_assert(sizeof(MATRIX) == sizeof(plat::D3DMATRIX));

// out = a * b; out may be a or b.
void mulInto(MATRIX& out, const MATRIX& a, const MATRIX& b);

// The matrix functions of the platform's matrix library, giving its matrices for the same
// arguments (rotations here use the library sine and cosine, not the polynomials).
// Left-handed view matrix of an eye looking at a target with the given up direction.
void matrixLookAtLH(MATRIX& out, const VECTOR& eye, const VECTOR& target, const VECTOR& up);
// Left-handed perspective projection: vertical field of view, aspect width / height, near and
// far planes; depth runs 0 to 1, w taken from z.
void matrixPerspectiveFovLH(MATRIX& out, float fovY, float aspect, float zNear, float zFar);
void matrixMultiply(MATRIX& out, const MATRIX& a, const MATRIX& b);
void matrixTranslation(MATRIX& out, float x, float y, float z);
void matrixScaling(MATRIX& out, float sx, float sy, float sz);
void matrixRotationX(MATRIX& out, float angle);
void matrixRotationY(MATRIX& out, float angle);
void matrixRotationZ(MATRIX& out, float angle);
