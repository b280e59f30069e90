// The "RB Object format" (".zdm") as the generator writes it: the model's parts in file order,
// the check of what the game's loader would refuse, and the binary encoder.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "content/generator/content.h"

namespace content {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
struct Quat {
  float x = 0, y = 0, z = 0, w = 1;
};

// --- the file format ---

struct RbBone {
  int slot;
  std::string name;
  Vec3 pivot;
  int parent = 0;
  std::vector<int> children;  // bone slots, at most 8
};
struct RbVertex {
  Vec3 position;
  int bone1 = 0, bone2 = 0;
  float weight = 1;
};
struct RbCorner {
  int vertex, texCoord;
};
struct RbPolygon {
  std::vector<RbCorner> corners;  // 3 or 4
  int material = 0;
};
struct RbGroup {
  std::string name;
  std::vector<RbPolygon> polygons;
};
struct RbMaterial {
  bool cull = true;
  std::string texture;  // empty: none
};
struct RbKey {
  int frame;
  Vec3 position;
  Quat rotation;
  Vec3 scale{1, 1, 1};
};
struct RbAnim {
  int slot;
  std::string name;
  std::vector<std::vector<RbKey>> tracks;  // one per bone, in bone order (may be empty)
};
struct RbModel {
  std::vector<RbBone> bones;
  std::vector<RbVertex> vertices;
  std::vector<std::pair<float, float>> texCoords;
  std::vector<RbGroup> groups;
  std::vector<RbMaterial> materials;
  std::vector<RbAnim> anims;
};

// Reports what the game's loader would refuse.
void check(const RbModel& model, const std::string& where, Lint& lint);
std::vector<uint8_t> encodeRbModel(const RbModel& model);

}  // namespace content
