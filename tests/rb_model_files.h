// Models in the binary "RB Object format" that OBJMODEL loads, described field by field and
// written byte by byte, for the model and character tests and the model benchmark.
#pragma once
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gfx/rb_model.h"

namespace rbfiles {

struct Bone {
  int slot;
  std::string name;
  VECTOR pivot;
  int parent = 0;
  std::vector<std::pair<int, int>> children;  // (place, child slot)
};
struct Vertex {
  VECTOR p;
  int bone1 = 0, bone2 = 0;
  float weight = 1;
};
struct Polygon {
  std::vector<std::pair<int, int>> corners;  // (vertex, texture coordinate)
  int material = 0;
};
struct Group {
  int index;
  int visible = 1;
  std::vector<Polygon> polygons;
  std::string name = "group";
};
struct Material {
  int cull = 0;
  std::optional<std::string> texture;
};
struct Track {
  int bone;
  std::vector<KEYFRAME> keys;
};
struct Anim {
  int slot;
  std::string name;
  std::vector<Track> tracks;  // one per bone record
};

// Little-endian fields and length-prefixed strings.
struct Writer {
  std::vector<uint8_t> out;
  void u8(int v) { out.push_back(static_cast<uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8(v >> 8 & 0xFF);
  }
  void f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) u8(bits >> (8 * i) & 0xFF);
  }
  void vec(const VECTOR& v) {
    f32(v.x);
    f32(v.y);
    f32(v.z);
  }
  void str(const std::string& s) {
    u8(static_cast<int>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
};

// A whole file. The defaults make the smallest model that loads: the root bone "r", one texture
// coordinate and one material, with no vertices, groups or animations.
struct Model {
  std::string mode = "BINARY";  // the last word of the header
  std::vector<Bone> bones{{0, "r", {}}};
  std::vector<Vertex> vertices;
  std::vector<std::pair<float, float>> uvs{{0, 0}};
  std::vector<Group> groups;
  std::vector<Material> materials{{}};
  std::vector<Anim> anims;

  std::vector<uint8_t> bytes() const {
    Writer w;
    std::string header = "RB Object format V1.0 " + mode;
    header.resize(kRbHeaderSize, '\0');
    w.out.assign(header.begin(), header.end());
    w.u8(static_cast<int>(bones.size()));
    w.u8(0);
    for (const Bone& b : bones) {
      w.u8(b.slot);
      w.str(b.name);
      w.vec(b.pivot);
      w.f32(0);
      w.u8(b.parent);
      w.u8(static_cast<int>(b.children.size()));
      for (auto [place, child] : b.children) {
        w.u8(place);
        w.u8(child);
      }
    }
    w.u16(static_cast<int>(vertices.size()));
    for (const Vertex& v : vertices) {
      w.vec(v.p);
      w.u8(v.bone1);
      w.u8(v.bone2);
      w.f32(v.weight);
    }
    w.u16(static_cast<int>(uvs.size()));
    for (auto [u, v] : uvs) {
      w.f32(u);
      w.f32(v);
    }
    w.u16(static_cast<int>(groups.size()));
    for (const Group& g : groups) {
      w.u16(g.index);
      w.u8(g.visible);
      w.str(g.name);
      w.u16(static_cast<int>(g.polygons.size()));
      for (const Polygon& p : g.polygons) {
        w.u16(static_cast<int>(p.corners.size()));
        for (auto [vertex, uv] : p.corners) {
          w.u16(vertex);
          w.u16(uv);
        }
        w.u8(p.material);
      }
    }
    w.u8(static_cast<int>(materials.size()));
    for (const Material& m : materials) {
      w.u8(m.cull);
      w.u8(0);
      w.u8(0);
      w.u8(m.texture ? 1 : 0);
      if (m.texture) w.str(*m.texture);
    }
    w.u8(static_cast<int>(anims.size()));
    for (const Anim& a : anims) {
      w.u8(a.slot);
      w.str(a.name);
      for (const Track& t : a.tracks) {
        w.u8(t.bone);
        w.u16(static_cast<int>(t.keys.size()));
        for (const KEYFRAME& k : t.keys) {
          w.u16(k.frame & 0xFFFF);
          w.vec(k.position);
          w.f32(k.rotation.x);
          w.f32(k.rotation.y);
          w.f32(k.rotation.z);
          w.f32(k.rotation.w);
          w.vec(k.scale);
        }
      }
    }
    return w.out;
  }
};

}  // namespace rbfiles
