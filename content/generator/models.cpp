// Mat models: the shadow model "OTSK\shd.zdx" (the boot loads it as "otsk\shd.zdx").
//
// The shadow model is the stencil shadow volume drawn under every character, scaled by the
// character's collision radius / 192: a closed 16-sided cylinder of radius 192 reaching 64 units
// above and below the ground, every face wound clockwise seen from outside (the device's front
// faces), so that the front faces of the volume count up and the back faces count down.
//
// The Mat reader maps a file position (x, y, z) to (-2x, 2y, 2z) at scale 1, so the positions
// here are built in world units and written halved with x mirrored; the order of the corners is
// unaffected.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "content/generator/content.h"
#include "content/generator/mat_text.h"

namespace content {

namespace {

using Point = MatPoint;

Point minus(Point a, Point b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Point crossOf(Point a, Point b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dotOf(Point a, Point b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A face whose corners are ordered so that it faces away from the model's centre (the origin).
void outwardFace(MatText& model, std::vector<int> corners) {
  const Point a = model.point(corners[0]), b = model.point(corners[1]), c = model.point(corners[2]);
  const Point normal = crossOf(minus(b, a), minus(c, a));
  const Point centre = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
  if (dotOf(normal, centre) < 0) std::swap(corners[1], corners.back());
  model.face(corners);
}

constexpr int kSides = 16;
constexpr double kRadius = 192.0;
constexpr double kHalfHeight = 64.0;
constexpr double kPi = 3.14159265358979;

std::string shadowModel() {
  MatText model;
  std::array<int, kSides> top{}, bottom{};
  for (int i = 0; i < kSides; ++i) {
    const double a = 2 * kPi * i / kSides;
    const double x = std::round(kRadius * std::sin(a) * 100) / 100, z = std::round(kRadius * std::cos(a) * 100) / 100;
    top[i] = model.vertex({x, kHalfHeight, z});
    bottom[i] = model.vertex({x, -kHalfHeight, z});
  }
  const int topCentre = model.vertex({0, kHalfHeight, 0});
  const int bottomCentre = model.vertex({0, -kHalfHeight, 0});
  for (int i = 0; i < kSides; ++i) {
    const int j = (i + 1) % kSides;
    outwardFace(model, {top[i], top[j], bottom[j], bottom[i]});
    outwardFace(model, {topCentre, top[j], top[i]});
    outwardFace(model, {bottomCentre, bottom[i], bottom[j]});
  }
  return model.text("shadow", "col(0.000 0.000 0.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(0.00)");
}

}  // namespace

void generateModels(Context& context) {
  context.out.write("OTSK/shd.zdx", shadowModel());
}

}  // namespace content
