#include "content/generator/rb_writer.h"

#include <cstring>

namespace content {

namespace {

class Bytes {
 public:
  std::vector<uint8_t> out;
  void u8(int v) { out.push_back(static_cast<uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8(v >> 8 & 0xFF);
  }
  void f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) u8(static_cast<int>(bits >> (8 * i) & 0xFF));
  }
  void vec(const Vec3& v) {
    f32(v.x);
    f32(v.y);
    f32(v.z);
  }
  void str(const std::string& s) {
    u8(static_cast<int>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
};

}  // namespace

void check(const RbModel& model, const std::string& where, Lint& lint) {
  auto bad = [&](const std::string& what) { lint.report(where, what); };
  std::vector<bool> bone(32, false);
  if (model.bones.empty() || model.bones.size() > 32 || model.bones[0].slot != 0) bad("1 to 32 bones, the root first");
  for (const RbBone& b : model.bones) {
    if (b.slot < 0 || b.slot >= 32 || b.name.size() > 255 || b.children.size() > 8) bad("bone \"" + b.name + "\"");
    else bone[b.slot] = true;
  }
  auto boneOrNone = [&](int slot) { return slot == 0 || (slot > 0 && slot < 32 && bone[slot]); };
  for (const RbBone& b : model.bones) {
    if (!boneOrNone(b.parent)) bad("parent of bone \"" + b.name + "\"");
    for (int child : b.children)
      if (!boneOrNone(child)) bad("child of bone \"" + b.name + "\"");
  }
  if (model.vertices.size() > 65535 || model.texCoords.size() > 65535) bad("too many vertices");
  for (const RbVertex& v : model.vertices)
    if (v.bone1 != 0 && (!boneOrNone(v.bone1) || !boneOrNone(v.bone2))) bad("a vertex bound to a missing bone");
  if (model.materials.size() > 32) bad("more than 32 materials");
  for (const RbGroup& g : model.groups)
    for (const RbPolygon& p : g.polygons) {
      if (p.corners.size() < 3 || p.corners.size() > 4 || p.material < 0 || p.material >= 32) bad("polygon");
      for (const RbCorner& c : p.corners)
        if (c.vertex < 0 || size_t(c.vertex) >= model.vertices.size() || c.texCoord < 0 ||
            size_t(c.texCoord) >= model.texCoords.size())
          bad("a polygon corner out of range");
    }
  for (const RbAnim& a : model.anims)
    if (a.slot < 0 || a.slot >= 128 || a.tracks.size() != model.bones.size()) bad("animation \"" + a.name + "\"");
}

std::vector<uint8_t> encodeRbModel(const RbModel& model) {
  Bytes b;
  std::string header = "RB Object format V1.0 BINARY";
  header.resize(30, '\0');
  b.out.assign(header.begin(), header.end());
  b.u8(static_cast<int>(model.bones.size()));
  b.u8(0);
  for (const RbBone& bone : model.bones) {
    b.u8(bone.slot);
    b.str(bone.name);
    b.vec(bone.pivot);
    b.f32(0);
    b.u8(bone.parent);
    b.u8(static_cast<int>(bone.children.size()));
    for (size_t i = 0; i < bone.children.size(); ++i) {
      b.u8(static_cast<int>(i));
      b.u8(bone.children[i]);
    }
  }
  b.u16(static_cast<int>(model.vertices.size()));
  for (const RbVertex& v : model.vertices) {
    b.vec(v.position);
    b.u8(v.bone1);
    b.u8(v.bone2);
    b.f32(v.weight);
  }
  b.u16(static_cast<int>(model.texCoords.size()));
  for (auto [u, v] : model.texCoords) {
    b.f32(u);
    b.f32(v);
  }
  b.u16(static_cast<int>(model.groups.size()));
  for (size_t g = 0; g < model.groups.size(); ++g) {
    b.u16(static_cast<int>(g));
    b.u8(1);
    b.str(model.groups[g].name);
    b.u16(static_cast<int>(model.groups[g].polygons.size()));
    for (const RbPolygon& p : model.groups[g].polygons) {
      b.u16(static_cast<int>(p.corners.size()));
      for (const RbCorner& c : p.corners) {
        b.u16(c.vertex);
        b.u16(c.texCoord);
      }
      b.u8(p.material);
    }
  }
  b.u8(static_cast<int>(model.materials.size()));
  for (const RbMaterial& m : model.materials) {
    b.u8(m.cull ? 1 : 0);
    b.u8(0);
    b.u8(0);
    b.u8(m.texture.empty() ? 0 : 1);
    if (!m.texture.empty()) b.str(m.texture);
  }
  b.u8(static_cast<int>(model.anims.size()));
  for (const RbAnim& a : model.anims) {
    b.u8(a.slot);
    b.str(a.name);
    for (size_t t = 0; t < a.tracks.size(); ++t) {
      b.u8(model.bones[t].slot);
      b.u16(static_cast<int>(a.tracks[t].size()));
      for (const RbKey& k : a.tracks[t]) {
        b.u16(k.frame & 0xFFFF);
        b.vec(k.position);
        b.f32(k.rotation.x);
        b.f32(k.rotation.y);
        b.f32(k.rotation.z);
        b.f32(k.rotation.w);
        b.vec(k.scale);
      }
    }
  }
  return b.out;
}

}  // namespace content
