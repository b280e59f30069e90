// Writes a Mat model of one object in the game's text format ("ZD:" chunk line, the material
// block, the object's vertices and faces).
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
  // The reader maps a file position (x, y, z) to (-2sx, 2sy, 2sz) with the load scale s that the
  // game uses for this kind of model (1 for weapons and object models, 10 for maps).
  explicit MatText(double loadScale = 1.0) : loadScale_(loadScale) {}

  // Positions are world units; the file stores them divided by 2s with x mirrored.
  int vertex(MatPoint p) {
    points_.push_back(p);
    return static_cast<int>(points_.size()) - 1;
  }
  const MatPoint& point(int index) const { return points_[static_cast<size_t>(index)]; }
  // A face of the given material; extra follows the material (for example " UV(0 0 1 0 1 1 0 1)").
  void face(const std::vector<int>& corners, const std::string& extra = "", int material = 0) {
    std::string entry = "\t\t" + std::to_string(corners.size()) + " V(";
    for (size_t i = 0; i < corners.size(); ++i) entry += (i ? " " : "") + std::to_string(corners[i]);
    faces_.push_back(entry + ") M(" + std::to_string(material) + ")" + extra);
  }
  // The file of one material: name names both the material and the object; attributes follow
  // the material name.
  std::string text(const std::string& name, const std::string& attributes) const {
    return joinLines(lines({"\t\"" + name + "\" " + attributes}, name));
  }
  // The lines of the file: the material block with one entry per line of materials (each a
  // quoted name and its attributes), then the object.
  std::vector<std::string> lines(const std::vector<std::string>& materials, const std::string& objectName) const {
    std::vector<std::string> out = {"ZD:", "Material " + std::to_string(materials.size()) + " {"};
    out.insert(out.end(), materials.begin(), materials.end());
    out.push_back("}");
    out.push_back("Object \"" + objectName + "\" {");
    out.push_back("\tvisible 15");
    char line[160];
    std::snprintf(line, sizeof line, "\tvertex %zu {", points_.size());
    out.push_back(line);
    const double half = 2 * loadScale_;
    for (const MatPoint& p : points_) {
      std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f", -p.x / half + 0.0, p.y / half, p.z / half);
      out.push_back(line);
    }
    out.push_back("\t}");
    std::snprintf(line, sizeof line, "\tface %zu {", faces_.size());
    out.push_back(line);
    out.insert(out.end(), faces_.begin(), faces_.end());
    out.push_back("\t}");
    out.push_back("}");
    return out;
  }

 private:
  double loadScale_;
  std::vector<MatPoint> points_;
  std::vector<std::string> faces_;
};

}  // namespace content
