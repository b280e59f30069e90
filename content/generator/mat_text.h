// Writes a Mat model of one object and one material in the game's text format ("ZD:" chunk line,
// the material block, the object's vertices and faces).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "content/generator/content.h"

namespace content {

struct MatPoint {
  double x, y, z;
};

class MatText {
 public:
  // Positions are world units; the file stores (-x/2, y/2, z/2), which the reader maps back.
  int vertex(MatPoint p) {
    points_.push_back(p);
    return static_cast<int>(points_.size()) - 1;
  }
  const MatPoint& point(int index) const { return points_[static_cast<size_t>(index)]; }
  // A face with material 0; extra follows the material (for example " UV(0 0 1 0 1 1 0 1)").
  void face(const std::vector<int>& corners, const std::string& extra = "") {
    std::string entry = "\t\t" + std::to_string(corners.size()) + " V(";
    for (size_t i = 0; i < corners.size(); ++i) entry += (i ? " " : "") + std::to_string(corners[i]);
    faces_.push_back(entry + ") M(0)" + extra);
  }
  // The file: name names both the material and the object; attributes follow the material name.
  std::string text(const std::string& name, const std::string& attributes) const {
    std::vector<std::string> lines = {"ZD:", "Material 1 {", "\t\"" + name + "\" " + attributes, "}",
                                      "Object \"" + name + "\" {", "\tvisible 15"};
    char line[160];
    std::snprintf(line, sizeof line, "\tvertex %zu {", points_.size());
    lines.push_back(line);
    for (const MatPoint& p : points_) {
      std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f", -p.x / 2 + 0.0, p.y / 2, p.z / 2);
      lines.push_back(line);
    }
    lines.push_back("\t}");
    std::snprintf(line, sizeof line, "\tface %zu {", faces_.size());
    lines.push_back(line);
    lines.insert(lines.end(), faces_.begin(), faces_.end());
    lines.push_back("\t}");
    lines.push_back("}");
    return joinLines(lines);
  }

 private:
  std::vector<MatPoint> points_;
  std::vector<std::string> faces_;
};

}  // namespace content
