#include "content/generator/map_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace content {

namespace {

constexpr double kPi = 3.14159265358979;

MatPoint minus(const MatPoint& a, const MatPoint& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
MatPoint plus(const MatPoint& a, const MatPoint& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
MatPoint times(const MatPoint& a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
MatPoint crossOf(const MatPoint& a, const MatPoint& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dotOf(const MatPoint& a, const MatPoint& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
double lengthOf(const MatPoint& a) {
  return std::sqrt(dotOf(a, a));
}
MatPoint unit(const MatPoint& a) {
  const double l = lengthOf(a);
  return l > 0 ? times(a, 1 / l) : MatPoint{0, 0, 0};
}

// The place of (x, z) along a Z-order curve over a 256 x 256 grid laid on the square of half
// width `half` round the origin: points close on the curve are close on the map.
uint32_t zOrderOf(const MatPoint& p, double half) {
  auto cell = [&](double v) {
    return static_cast<uint32_t>(std::clamp(std::floor((v + half) / (2 * half) * 256), 0.0, 255.0));
  };
  const uint32_t x = cell(p.x), z = cell(p.z);
  uint32_t place = 0;
  for (int bit = 0; bit < 8; ++bit) place |= ((x >> bit) & 1u) << (2 * bit) | ((z >> bit) & 1u) << (2 * bit + 1);
  return place;
}

// The face normal as the reader computes it: (b - a) x (c - a).
MatPoint normalOf(const std::vector<MatPoint>& corners) {
  return crossOf(minus(corners[1], corners[0]), minus(corners[2], corners[0]));
}

// A texture coordinate without trailing zeros (at most three decimals).
std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

// Texture coordinates moved by whole repeats so that the smallest u and v of a face lie in
// [0, 1): the same picture, smaller numbers.
void settle(std::vector<MapUv>& uvs) {
  double lowU = uvs[0].u, lowV = uvs[0].v;
  for (const MapUv& t : uvs) {
    lowU = std::min(lowU, t.u);
    lowV = std::min(lowV, t.v);
  }
  const double du = std::floor(lowU), dv = std::floor(lowV);
  for (MapUv& t : uvs) {
    t.u -= du;
    t.v -= dv;
  }
}

}  // namespace

int MapMesh::material(const std::string& texture, bool blocked, int event) {
  const auto key = std::make_tuple(texture, blocked, event);
  const auto found = materialIndex_.find(key);
  if (found != materialIndex_.end()) return found->second;
  materials_.push_back({texture, blocked, event});
  const int index = static_cast<int>(materials_.size()) - 1;
  materialIndex_[key] = index;
  return index;
}

int MapMesh::vertex(const MatPoint& p, const MatPoint& normal, bool shared) {
  // Ground corners are shared by every ground face; a scenery corner only by faces of the same
  // direction (flat shading across the edges of boxes and cones).
  const MatPoint n = shared ? MatPoint{0, 0, 0} : unit(normal);
  const auto key = std::make_tuple(std::llround(p.x * 100), std::llround(p.y * 100), std::llround(p.z * 100),
                                   std::llround(n.x * 1000) + (shared ? 5000 : 0), std::llround(n.y * 1000),
                                   std::llround(n.z * 1000));
  const auto found = vertexIndex_.find(key);
  if (found != vertexIndex_.end()) return found->second;
  points_.push_back(p);
  const int index = static_cast<int>(points_.size()) - 1;
  vertexIndex_[key] = index;
  return index;
}

void MapMesh::ground(const MatPoint& a, const MatPoint& b, const MatPoint& c, int material, double texScale) {
  std::vector<MatPoint> corners = {a, b, c};
  if (normalOf(corners).y < 0) std::swap(corners[1], corners[2]);
  Face face{{}, {}, material};
  for (const MatPoint& p : corners) {
    face.corners.push_back(vertex(p, {0, 1, 0}, true));
    face.uvs.push_back({p.x / texScale, -p.z / texScale});
  }
  settle(face.uvs);
  ground_.push_back(face);
}

void MapMesh::polygon(std::vector<MatPoint> corners, std::vector<MapUv> uvs, int material, const MatPoint& outward) {
  MatPoint n = normalOf(corners);
  if (dotOf(n, outward) < 0) {
    std::reverse(corners.begin() + 1, corners.end());
    std::reverse(uvs.begin() + 1, uvs.end());
    n = times(n, -1);
  }
  Face face{{}, uvs, material};
  for (const MatPoint& p : corners) face.corners.push_back(vertex(p, n, false));
  settle(face.uvs);
  scenery_.push_back(face);
}

size_t MapMesh::uvCount() const {
  size_t count = 0;
  for (const auto* faces : {&ground_, &scenery_})
    for (const Face& f : *faces) count += f.uvs.size();
  return count;
}

MatPoint MapMesh::centreOf(const Face& face) const {
  MatPoint sum{0, 0, 0};
  for (int corner : face.corners) sum = plus(sum, points_[static_cast<size_t>(corner)]);
  return times(sum, 1.0 / static_cast<double>(std::max<size_t>(face.corners.size(), 1)));
}

double MapMesh::extent() const {
  double most = 0;
  for (const MatPoint& p : points_) most = std::max({most, std::abs(p.x), std::abs(p.z)});
  return most;
}

std::string MapMesh::text(const std::vector<std::string>& header) const {
  MatText model(10.0);
  for (const MatPoint& p : points_) model.vertex(p);
  // Within each run the faces go in texture order, so that the game draws a map in a few long
  // batches, and within a texture along a Z-order curve over the map, so that the game's blocks of
  // consecutive faces stay small and are left out whole when out of sight; the ground run still
  // comes first.
  const double half = std::max(extent(), 1.0);
  auto place = [&](const Face& f) { return zOrderOf(centreOf(f), half); };
  for (const auto* run : {&ground_, &scenery_}) {
    std::vector<Face> faces = *run;
    std::stable_sort(faces.begin(), faces.end(), [&](const Face& a, const Face& b) {
      const std::string& ta = materials_[a.material].texture;
      const std::string& tb = materials_[b.material].texture;
      if (ta != tb) return ta < tb;
      return place(a) < place(b);
    });
    for (const Face& f : faces) {
      std::string uv = " UV(";
      for (size_t i = 0; i < f.uvs.size(); ++i) uv += (i ? " " : "") + number(f.uvs[i].u) + " " + number(f.uvs[i].v);
      model.face(f.corners, uv + ")", f.material);
    }
  }
  std::vector<std::string> materialLines;
  for (size_t i = 0; i < materials_.size(); ++i) {
    const MapMaterial& m = materials_[i];
    std::string name = m.texture.substr(0, m.texture.find('.'));
    if (m.blocked) name += "_x";
    if (m.event >= 0) name += "_e" + std::to_string(m.event);
    char line[256];
    std::snprintf(line, sizeof line,
                  "\t\"%s\" col(%d %d 0 1) dif(1.000) amb(0.500) emi(0.000) spc(0.000) power(0.00) tex(\"%s\")",
                  name.c_str(), m.blocked ? 1 : 0, m.event + 1, m.texture.c_str());
    materialLines.push_back(line);
  }
  std::vector<std::string> lines = header;
  const std::vector<std::string> body = model.lines(materialLines, "ground");
  lines.insert(lines.end(), body.begin(), body.end());
  return joinLines(lines);
}

// --- shapes ---

namespace {

// A side face of a shape: bottom a, b and top c, d (left to right seen from outside), textured
// in world units.
void side(MapMesh& mesh, const MatPoint& a, const MatPoint& b, const MatPoint& c, const MatPoint& d, int material,
          double texScale, const MatPoint& outward) {
  const double width = std::hypot(b.x - a.x, b.z - a.z) / texScale;
  const double topWidth = std::hypot(c.x - d.x, c.z - d.z) / texScale;
  const double height = std::max(std::abs(d.y - a.y), std::abs(c.y - b.y)) / texScale;
  const double inset = (width - topWidth) / 2;
  if (topWidth < 1e-6) {
    mesh.polygon({a, b, c}, {{0, height}, {width, height}, {width / 2, 0}}, material, outward);
  } else {
    mesh.polygon({a, b, c, d}, {{0, height}, {width, height}, {width - inset, 0}, {inset, 0}}, material, outward);
  }
}

// A flat horizontal polygon facing up (or down), textured from above in world units.
void flat(MapMesh& mesh, const std::vector<MatPoint>& corners, int material, double texScale, bool up) {
  std::vector<MapUv> uvs;
  for (const MatPoint& p : corners) uvs.push_back({p.x / texScale, -p.z / texScale});
  mesh.polygon(corners, uvs, material, {0, up ? 1.0 : -1.0, 0});
}

}  // namespace

void box(MapMesh& mesh, MatPoint lo, MatPoint hi, const Skin& skin) {
  const double cx = (lo.x + hi.x) / 2, cz = (lo.z + hi.z) / 2;
  turnedBox(mesh, cx, cz, lo.y, hi.y, (hi.x - lo.x) / 2, (hi.z - lo.z) / 2, 0, skin);
}

void turnedBox(MapMesh& mesh, double cx, double cz, double y0, double y1, double hx, double hz, double yaw,
               const Skin& skin) {
  const double s = std::sin(yaw), c = std::cos(yaw);
  auto at = [&](double lx, double lz, double y) {
    return MatPoint{cx + lx * c + lz * s, y, cz - lx * s + lz * c};
  };
  const double corners[4][2] = {{-hx, -hz}, {hx, -hz}, {hx, hz}, {-hx, hz}};
  for (int i = 0; i < 4; ++i) {
    const auto& p = corners[i];
    const auto& q = corners[(i + 1) % 4];
    const MatPoint a = at(p[0], p[1], y0), b = at(q[0], q[1], y0);
    const MatPoint mid = at((p[0] + q[0]) / 2, (p[1] + q[1]) / 2, y0);
    side(mesh, a, b, at(q[0], q[1], y1), at(p[0], p[1], y1), skin.side, skin.texScale,
         {mid.x - cx, 0, mid.z - cz});
  }
  if (skin.top >= 0) {
    flat(mesh, {at(-hx, -hz, y1), at(hx, -hz, y1), at(hx, hz, y1), at(-hx, hz, y1)}, skin.top, skin.texScale, true);
  }
}

void prism(MapMesh& mesh, double cx, double cz, double y0, double y1, double r0, double r1, int sides, double phase,
           const Skin& skin) {
  auto at = [&](int i, double r, double y) {
    const double a = phase + 2 * kPi * i / sides;
    return MatPoint{cx + r * std::sin(a), y, cz + r * std::cos(a)};
  };
  for (int i = 0; i < sides; ++i) {
    const MatPoint mid = at(i, r0, y0), next = at(i + 1, r0, y0);
    const MatPoint outward = {(mid.x + next.x) / 2 - cx, (r0 - r1) / std::max(1.0, y1 - y0) * r0,
                              (mid.z + next.z) / 2 - cz};
    side(mesh, at(i, r0, y0), at(i + 1, r0, y0), at(i + 1, r1, y1), at(i, r1, y1), skin.side, skin.texScale, outward);
  }
  if (skin.top >= 0 && r1 > 0) {
    if (sides == 4) {
      flat(mesh, {at(0, r1, y1), at(1, r1, y1), at(2, r1, y1), at(3, r1, y1)}, skin.top, skin.texScale, true);
    } else {
      const MatPoint centre = {cx, y1, cz};
      for (int i = 0; i < sides; ++i) flat(mesh, {centre, at(i, r1, y1), at(i + 1, r1, y1)}, skin.top, skin.texScale, true);
    }
  }
}

void panel(MapMesh& mesh, MatPoint a, MatPoint b, double height, int material, double texScale) {
  const MatPoint c = {b.x, b.y + height, b.z}, d = {a.x, a.y + height, a.z};
  const MatPoint n = crossOf(minus(b, a), {0, 1, 0});
  side(mesh, a, b, c, d, material, texScale, n);
  side(mesh, b, a, d, c, material, texScale, times(n, -1));
}

void beam(MapMesh& mesh, MatPoint from, MatPoint to, double half, const Skin& skin) {
  const MatPoint d = unit(minus(to, from));
  const MatPoint across = std::abs(d.y) > 0.9 ? MatPoint{1, 0, 0} : unit(crossOf({0, 1, 0}, d));
  const MatPoint up = unit(crossOf(d, across));
  const double length = lengthOf(minus(to, from)) / skin.texScale;
  const double width = 2 * half / skin.texScale;
  const MatPoint offsets[4] = {plus(times(across, half), times(up, half)), plus(times(across, -half), times(up, half)),
                               plus(times(across, -half), times(up, -half)),
                               plus(times(across, half), times(up, -half))};
  for (int i = 0; i < 4; ++i) {
    const MatPoint& p = offsets[i];
    const MatPoint& q = offsets[(i + 1) % 4];
    mesh.polygon({plus(from, p), plus(from, q), plus(to, q), plus(to, p)}, {{0, 0}, {0, width}, {length, width}, {length, 0}},
                 skin.side, plus(p, q));
  }
  if (skin.top < 0) return;
  for (const auto& [end, out] : {std::make_pair(from, times(d, -1)), std::make_pair(to, d)}) {
    std::vector<MatPoint> cap;
    for (const MatPoint& p : offsets) cap.push_back(plus(end, p));
    mesh.polygon(cap, {{0, 0}, {width, 0}, {width, width}, {0, width}}, skin.top, out);
  }
}

}  // namespace content
