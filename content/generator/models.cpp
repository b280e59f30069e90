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

namespace content {

namespace {

struct Point {
  double x, y, z;
};

Point minus(Point a, Point b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Point crossOf(Point a, Point b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dotOf(Point a, Point b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A Mat model of one object with one untextured material, black.
class MatWriter {
 public:
  int vertex(Point p) {
    points_.push_back(p);
    return static_cast<int>(points_.size()) - 1;
  }
  // A face whose corners are ordered so that it faces away from the model's centre (the origin).
  void face(std::vector<int> corners) {
    const Point a = points_[corners[0]], b = points_[corners[1]], c = points_[corners[2]];
    const Point normal = crossOf(minus(b, a), minus(c, a));
    const Point centre = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    if (dotOf(normal, centre) < 0) std::swap(corners[1], corners.back());
    faces_.push_back(std::move(corners));
  }

  std::string text(const std::string& name) const {
    std::vector<std::string> lines;
    char line[160];
    lines.push_back("ZD:");
    lines.push_back("Material 1 {");
    lines.push_back("\t\"" + name + "\" col(0.000 0.000 0.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(0.00)");
    lines.push_back("}");
    lines.push_back("Object \"" + name + "\" {");
    lines.push_back("\tvisible 15");
    std::snprintf(line, sizeof line, "\tvertex %zu {", points_.size());
    lines.push_back(line);
    for (const Point& p : points_) {
      // World (x, y, z) comes from the file's (-x/2, y/2, z/2).
      std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f", -p.x / 2 + 0.0, p.y / 2, p.z / 2);
      lines.push_back(line);
    }
    lines.push_back("\t}");
    std::snprintf(line, sizeof line, "\tface %zu {", faces_.size());
    lines.push_back(line);
    for (const std::vector<int>& corners : faces_) {
      std::string entry = "\t\t" + std::to_string(corners.size()) + " V(";
      for (size_t i = 0; i < corners.size(); ++i) entry += (i ? " " : "") + std::to_string(corners[i]);
      entry += ") M(0)";
      lines.push_back(entry);
    }
    lines.push_back("\t}");
    lines.push_back("}");
    return joinLines(lines);
  }

 private:
  std::vector<Point> points_;
  std::vector<std::vector<int>> faces_;
};

constexpr int kSides = 16;
constexpr double kRadius = 192.0;
constexpr double kHalfHeight = 64.0;
constexpr double kPi = 3.14159265358979;

std::string shadowModel() {
  MatWriter model;
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
    model.face({top[i], top[j], bottom[j], bottom[i]});
    model.face({topCentre, top[j], top[i]});
    model.face({bottomCentre, bottom[i], bottom[j]});
  }
  return model.text("shadow");
}

}  // namespace

void generateModels(Context& context) {
  context.out.write("OTSK/shd.zdx", shadowModel());
}

}  // namespace content
