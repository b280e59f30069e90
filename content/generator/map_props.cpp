// The scenery of the maps: trees, houses, the windmill, the shrine and its gate, wells, fences
// and the small things that make a place. Everything stands on its tile's ground, is made of the
// shapes of map_mesh.h with blocked materials, and varies a little from tile to tile (sizes,
// turns) by a hash of the tile's place, so that the same source gives the same bytes.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "content/generator/map_mesh.h"
#include "content/generator/map_terrain.h"

namespace content {

namespace {

constexpr double kPi = 3.14159265358979;

// A number in [0, 1) fixed by the tile and the salt.
double chance(int c, int r, int salt) {
  uint32_t h = static_cast<uint32_t>(c) * 73856093u ^ static_cast<uint32_t>(r) * 19349663u ^
               static_cast<uint32_t>(salt) * 83492791u;
  h = (h ^ (h >> 15)) * 2246822519u;
  h = (h ^ (h >> 13)) * 3266489917u;
  return ((h ^ (h >> 16)) & 0xFFFFFF) / 16777216.0;
}

MatPoint at(double x, double y, double z) {
  return {x, y, z};
}

// A rectangle of tiles, first and last column and row included.
struct Region {
  int c0, r0, c1, r1;
};

// The four ways out of a tile: north, east, south, west, as (dc, dr) and as a world direction.
constexpr int kDc[4] = {0, 1, 0, -1};
constexpr int kDr[4] = {-1, 0, 1, 0};

class Scenery {
 public:
  Scenery(const Terrain& t, MapMesh& mesh, Lint& lint, std::string where)
      : t_(t), mesh_(mesh), lint_(lint), where_(std::move(where)) {}

  void build() {
    std::vector<bool> done(t_.cells.size(), false);
    for (int r = 0; r < t_.rows; ++r) {
      for (int c = 0; c < t_.cols; ++c) {
        const std::string prop = t_.prop(c, r);
        if (prop.empty() || done[static_cast<size_t>(r) * t_.cols + c]) continue;
        if (prop == "house" || prop == "windmill" || prop == "shrine") {
          const Region region = regionFrom(c, r, done);
          if (prop == "house") house(region);
          else if (prop == "windmill") windmill(region);
          else shrine(region);
          continue;
        }
        if (prop == "torii") {
          torii(c, r, done);
          continue;
        }
        single(prop, c, r);
      }
    }
  }

 private:
  int blocked(const char* texture) { return mesh_.material(texture, true); }
  double cx(int c) const { return t_.centreX(c); }
  double cz(int r) const { return t_.centreZ(r); }

  // The lowest corner of the region's tiles: where a building's footing stands.
  double footing(const Region& g) const {
    double low = 1e9;
    for (int r = g.r0; r <= g.r1; ++r)
      for (int c = g.c0; c <= g.c1; ++c) low = std::min(low, *std::min_element(t_.at(c, r).corner, t_.at(c, r).corner + 4));
    return low;
  }

  // The rectangle of tiles of one character that (c, r) starts; it must be all of them.
  Region regionFrom(int c, int r, std::vector<bool>& done) {
    const char symbol = t_.symbol(c, r);
    Region g{c, r, c, r};
    while (t_.symbol(g.c1 + 1, r) == symbol) ++g.c1;
    for (bool grow = true; grow;) {
      for (int cc = g.c0; cc <= g.c1 && grow; ++cc) grow = t_.symbol(cc, g.r1 + 1) == symbol;
      if (grow) ++g.r1;
    }
    for (int rr = g.r0; rr <= g.r1; ++rr)
      for (int cc = g.c0; cc <= g.c1; ++cc) done[static_cast<size_t>(rr) * t_.cols + cc] = true;
    for (int rr = g.r0 - 1; rr <= g.r1 + 1; ++rr)
      for (int cc = g.c0 - 1; cc <= g.c1 + 1; ++cc) {
        const bool edge = rr < g.r0 || rr > g.r1 || cc < g.c0 || cc > g.c1;
        const bool diagonal = (rr < g.r0 || rr > g.r1) && (cc < g.c0 || cc > g.c1);
        if (edge && !diagonal && t_.symbol(cc, rr) == symbol)
          lint_.report(where_, "the " + t_.prop(c, r) + " at column " + std::to_string(c) + ", row " +
                                   std::to_string(r) + " is not a rectangle of its tiles");
      }
    return g;
  }

  // The side of a region (0 north, 1 east, 2 south, 3 west) that faces the way: the one with the
  // most walkable tiles along it, a path counting three; south first when they are even.
  int front(const Region& g) const {
    auto score = [&](int c, int r) {
      if (!t_.walkable(c, r)) return 0;
      const std::string surface = t_.at(c, r).kind->surface->name;
      return surface == "path" || surface == "stone" || surface == "planks" ? 3 : 1;
    };
    int best = 2, bestCount = -1;
    for (int side : {2, 1, 3, 0}) {
      int count = 0;
      if (side == 0 || side == 2) {
        const int r = side == 0 ? g.r0 - 1 : g.r1 + 1;
        for (int c = g.c0; c <= g.c1; ++c) count += score(c, r);
      } else {
        const int c = side == 3 ? g.c0 - 1 : g.c1 + 1;
        for (int r = g.r0; r <= g.r1; ++r) count += score(c, r);
      }
      if (count > bestCount) {
        best = side;
        bestCount = count;
      }
    }
    return best;
  }
  int front(int c, int r) const { return front(Region{c, r, c, r}); }
  // The yaw that turns a thing's front (+z at yaw 0) to a side: north 0, east pi/2, ...
  static double yawOf(int side) { return side * kPi / 2; }
  static MatPoint direction(int side) { return {std::sin(yawOf(side)), 0, std::cos(yawOf(side))}; }

  // --- buildings ---

  // A gable roof over x0 … x1, z0 (south) … z1 (north), the ridge along x (or along z), eaves at
  // eave height reaching out by overhang; the gable ends filled with the wall material.
  void gableRoof(double x0, double x1, double z0, double z1, double eave, double overhang, double pitch,
                 bool ridgeAlongX, int roof, int gable) {
    const double span = ridgeAlongX ? (z1 - z0) / 2 : (x1 - x0) / 2;
    const double ridge = eave + span * pitch;
    const double low = eave - overhang * pitch;
    const double slope = std::hypot(span + overhang, (span + overhang) * pitch) / 256;
    if (ridgeAlongX) {
      const double zm = (z0 + z1) / 2, length = (x1 - x0 + 2 * overhang) / 256;
      const double xa = x0 - overhang, xb = x1 + overhang;
      mesh_.polygon({at(xa, low, z1 + overhang), at(xb, low, z1 + overhang), at(xb, ridge, zm), at(xa, ridge, zm)},
                    {{0, slope}, {length, slope}, {length, 0}, {0, 0}}, roof, {0, 1, 1});
      mesh_.polygon({at(xa, low, z0 - overhang), at(xb, low, z0 - overhang), at(xb, ridge, zm), at(xa, ridge, zm)},
                    {{0, slope}, {length, slope}, {length, 0}, {0, 0}}, roof, {0, 1, -1});
      const double w = (z1 - z0) / 256, h = (ridge - eave) / 256;
      for (const double x : {x0, x1})
        mesh_.polygon({at(x, eave, z0), at(x, eave, z1), at(x, ridge, zm)}, {{0, h}, {w, h}, {w / 2, 0}}, gable,
                      {x == x0 ? -1.0 : 1.0, 0, 0});
    } else {
      const double xm = (x0 + x1) / 2, length = (z1 - z0 + 2 * overhang) / 256;
      const double za = z0 - overhang, zb = z1 + overhang;
      mesh_.polygon({at(x1 + overhang, low, za), at(x1 + overhang, low, zb), at(xm, ridge, zb), at(xm, ridge, za)},
                    {{0, slope}, {length, slope}, {length, 0}, {0, 0}}, roof, {1, 1, 0});
      mesh_.polygon({at(x0 - overhang, low, za), at(x0 - overhang, low, zb), at(xm, ridge, zb), at(xm, ridge, za)},
                    {{0, slope}, {length, slope}, {length, 0}, {0, 0}}, roof, {-1, 1, 0});
      const double w = (x1 - x0) / 256, h = (ridge - eave) / 256;
      for (const double z : {z0, z1})
        mesh_.polygon({at(x0, eave, z), at(x1, eave, z), at(xm, ridge, z)}, {{0, h}, {w, h}, {w / 2, 0}}, gable,
                      {0, 0, z == z0 ? -1.0 : 1.0});
    }
  }

  // A flat picture (door, window) on a wall: centred at (x, z) on the wall facing `side`,
  // width w, from y0 up to y1, standing 2 units proud of the wall; its texture spans it, or
  // repeats across it every `repeat` units.
  void onWall(double x, double z, int side, double w, double y0, double y1, int material, double repeat = 0) {
    const double u = repeat > 0 ? std::max(1.0, std::round(w / repeat)) : 1;
    const MatPoint out = direction(side);
    const MatPoint along = {out.z, 0, -out.x};
    const double px = x + out.x * 2, pz = z + out.z * 2;
    mesh_.polygon({at(px - along.x * w / 2, y0, pz - along.z * w / 2), at(px + along.x * w / 2, y0, pz + along.z * w / 2),
                   at(px + along.x * w / 2, y1, pz + along.z * w / 2), at(px - along.x * w / 2, y1, pz - along.z * w / 2)},
                  {{0, 1}, {u, 1}, {u, 0}, {0, 0}}, material, out);
  }

  // The middle of a box's wall on a side.
  static std::pair<double, double> wallMiddle(double x0, double x1, double z0, double z1, int side) {
    switch (side) {
      case 0: return {(x0 + x1) / 2, z1};
      case 1: return {x1, (z0 + z1) / 2};
      case 2: return {(x0 + x1) / 2, z0};
      default: return {x0, (z0 + z1) / 2};
    }
  }

  void house(const Region& g) {
    const double inset = 36, y = footing(g);
    const double x0 = t_.west(g.c0) + inset, x1 = t_.west(g.c1 + 1) - inset;
    const double z1 = t_.north(g.r0) - inset, z0 = t_.north(g.r1 + 1) + inset;
    const double wall = 300 + 40 * chance(g.c0, g.r0, 1);
    const int stone = blocked("stone.zgr"), plaster = blocked("plaster.zgr");
    box(mesh_, at(x0 - 12, y - 40, z0 - 12), at(x1 + 12, y + 30, z1 + 12), {stone, stone, 256});
    box(mesh_, at(x0, y + 30, z0), at(x1, y + 30 + wall, z1), {plaster, -1, 320});
    const bool alongX = x1 - x0 >= z1 - z0;
    gableRoof(x0, x1, z0, z1, y + 30 + wall, 70, 0.75, alongX, blocked("thatch.zgr"), plaster);
    const int side = front(g);
    const auto [dx, dz] = wallMiddle(x0, x1, z0, z1, side);
    onWall(dx, dz, side, 130, y + 30, y + 260, blocked("door.zgr"));
    const int shoji = blocked("shoji.zgr");
    for (int s = 0; s < 4; ++s) {
      const double length = s % 2 == 0 ? x1 - x0 : z1 - z0;
      const auto [wx, wz] = wallMiddle(x0, x1, z0, z1, s);
      const MatPoint along = {direction(s).z, 0, -direction(s).x};
      for (const double k : {-0.3, 0.3}) {
        if (s == side && length < 700) continue;
        const double offset = k * length;
        if (s == side && std::abs(offset) < 160) continue;
        onWall(wx + along.x * offset, wz + along.z * offset, s, 110, y + 150, y + 240, shoji);
      }
    }
  }

  void windmill(const Region& g) {
    const double y = footing(g);
    const double x = (t_.west(g.c0) + t_.west(g.c1 + 1)) / 2, z = (t_.north(g.r0) + t_.north(g.r1 + 1)) / 2;
    const double r0 = std::min(g.c1 - g.c0 + 1, g.r1 - g.r0 + 1) * t_.tile / 2 - 40, r1 = r0 * 0.68;
    const double height = 900;
    const int side = front(g);
    const double faceYaw = yawOf(side);
    const int stone = blocked("stone.zgr"), plaster = blocked("plaster.zgr");
    prism(mesh_, x, z, y - 40, y + 40, r0 + 20, r0 + 10, 8, faceYaw - kPi / 8, {stone, stone, 256});
    prism(mesh_, x, z, y + 40, y + height, r0, r1, 8, faceYaw - kPi / 8, {plaster, -1, 320});
    prism(mesh_, x, z, y + height, y + height + 300, r1 + 70, 0, 8, faceYaw - kPi / 8, {blocked("thatch.zgr"), -1, 256});
    const MatPoint out = direction(side);
    const double doorDistance = (r0 - (r0 - r1) * 0.12) * std::cos(kPi / 8);
    onWall(x + out.x * doorDistance, z + out.z * doorDistance, side, 120, y + 40, y + 250, blocked("door.zgr"));
    // The sails: four arms on a hub in front of the cap, in the plane across the front.
    const double hubY = y + height - 60, hubOut = r1 + 60;
    const MatPoint hub = at(x + out.x * hubOut, hubY, z + out.z * hubOut);
    const MatPoint across = {out.z, 0, -out.x};
    const int wood = blocked("wood.zgr"), sail = blocked("sail.zgr");
    beam(mesh_, at(x + out.x * (r1 - 20), hubY, z + out.z * (r1 - 20)), at(hub.x + out.x * 30, hubY, hub.z + out.z * 30),
         22, {wood, wood, 128});
    for (int k = 0; k < 4; ++k) {
      const double a = kPi / 4 + k * kPi / 2 + chance(g.c0, g.r0, 2) * 0.5;
      const MatPoint arm = {across.x * std::cos(a), std::sin(a), across.z * std::cos(a)};
      const MatPoint side90 = {-across.x * std::sin(a), std::cos(a), -across.z * std::sin(a)};
      const MatPoint root = {hub.x + out.x * 12, hub.y, hub.z + out.z * 12};
      beam(mesh_, root, at(root.x + arm.x * 620, root.y + arm.y * 620, root.z + arm.z * 620), 9, {wood, wood, 128});
      auto p = [&](double along, double off) {
        return at(root.x + arm.x * along + side90.x * off + out.x * 4, root.y + arm.y * along + side90.y * off,
                  root.z + arm.z * along + side90.z * off + out.z * 4);
      };
      const std::vector<MatPoint> corners = {p(140, 8), p(600, 8), p(600, 150), p(140, 150)};
      const std::vector<MapUv> uvs = {{0, 1}, {3, 1}, {3, 0}, {0, 0}};
      mesh_.polygon(corners, uvs, sail, out);
      mesh_.polygon(corners, uvs, sail, {-out.x, 0, -out.z});
    }
  }

  void shrine(const Region& g) {
    const double y = footing(g), inset = 20;
    const double bx0 = t_.west(g.c0) + inset, bx1 = t_.west(g.c1 + 1) - inset;
    const double bz1 = t_.north(g.r0) - inset, bz0 = t_.north(g.r1 + 1) + inset;
    const int stone = blocked("stone.zgr"), wood = blocked("wood.zgr"), red = blocked("vermilion.zgr");
    const double floor = y + 90;
    box(mesh_, at(bx0, y - 40, bz0), at(bx1, floor, bz1), {stone, stone, 256});
    const double x0 = bx0 + 80, x1 = bx1 - 80, z0 = bz0 + 80, z1 = bz1 - 80;
    const double wallTop = floor + 340;
    box(mesh_, at(x0, floor, z0), at(x1, wallTop, z1), {wood, -1, 256});
    for (const double px : {x0, x1})
      for (const double pz : {z0, z1}) box(mesh_, at(px - 24, floor, pz - 24), at(px + 24, wallTop + 20, pz + 24), {red, red, 128});
    const int side = front(g);
    const auto [fx, fz] = wallMiddle(x0, x1, z0, z1, side);
    const double width = (side % 2 == 0 ? x1 - x0 : z1 - z0) - 160;
    onWall(fx, fz, side, width, floor + 20, floor + 280, blocked("shoji.zgr"), 150);
    // A red lintel along the front, the offering box and a step up to the hall.
    const MatPoint out = direction(side), along = {out.z, 0, -out.x};
    const double half = width / 2 + 60;
    beam(mesh_, at(fx + out.x * 6 - along.x * half, wallTop - 40, fz + out.z * 6 - along.z * half),
         at(fx + out.x * 6 + along.x * half, wallTop - 40, fz + out.z * 6 + along.z * half), 16, {red, red, 128});
    const double boxDistance = (side % 2 == 0 ? (bz1 - bz0) : (bx1 - bx0)) / 2 - 70;
    const double mx = (x0 + x1) / 2, mz = (z0 + z1) / 2;
    turnedBox(mesh_, mx + out.x * boxDistance, mz + out.z * boxDistance, floor, floor + 90, 110, 45, yawOf(side),
              {wood, blocked("planks.zgr"), 128});
    const bool ridgeAlongX = side % 2 == 0;
    const double over = 150;
    gableRoof(x0, x1, z0, z1, wallTop, over, 0.8, ridgeAlongX, blocked("kawara.zgr"), wood);
    // The ridge beam with crossed boards at both gable ends.
    const int black = blocked("black.zgr");
    const double span = ridgeAlongX ? (z1 - z0) / 2 : (x1 - x0) / 2;
    const double ridge = wallTop + span * 0.8;
    const MatPoint a = ridgeAlongX ? at(x0 - over, ridge + 14, mz) : at(mx, ridge + 14, z0 - over);
    const MatPoint b = ridgeAlongX ? at(x1 + over, ridge + 14, mz) : at(mx, ridge + 14, z1 + over);
    beam(mesh_, a, b, 26, {black, black, 128});
    for (const MatPoint& end : {a, b}) {
      for (const double lean : {-1.0, 1.0}) {
        const MatPoint tilt = ridgeAlongX ? MatPoint{0, 1, lean} : MatPoint{lean, 1, 0};
        beam(mesh_, at(end.x - tilt.x * 60, end.y - 40, end.z - tilt.z * 60),
             at(end.x + tilt.x * 150, end.y + 150, end.z + tilt.z * 150), 9, {black, black, 128});
      }
    }
  }

  // --- gates ---

  // A torii: this post and the next torii post two to five tiles east of it (or else south), the
  // gate's way between them.
  void torii(int c, int r, std::vector<bool>& done) {
    done[static_cast<size_t>(r) * t_.cols + c] = true;
    for (const auto& [dc, dr] : {std::pair{1, 0}, std::pair{0, 1}}) {
      for (int k = 2; k <= 5; ++k) {
        const int c2 = c + dc * k, r2 = r + dr * k;
        if (t_.prop(c2, r2) != "torii") continue;
        done[static_cast<size_t>(r2) * t_.cols + c2] = true;
        gate(cx(c), cz(r), cx(c2), cz(r2), std::min(t_.height(c, r), t_.height(c2, r2)));
        return;
      }
    }
    lint_.report(where_, "the torii post at column " + std::to_string(c) + ", row " + std::to_string(r) +
                             " has no partner two to five tiles east or south of it");
  }

  void gate(double xa, double za, double xb, double zb, double y) {
    const int red = blocked("vermilion.zgr"), black = blocked("black.zgr"), stone = blocked("stone.zgr");
    const double height = 640;
    const MatPoint along = {(xb - xa), 0, (zb - za)};
    const double length = std::hypot(along.x, along.z);
    const MatPoint u = {along.x / length, 0, along.z / length};
    for (const auto& [x, z] : {std::pair{xa, za}, std::pair{xb, zb}}) {
      prism(mesh_, x, z, y - 20, y + 40, 60, 50, 8, 0, {stone, stone, 128});
      prism(mesh_, x, z, y + 40, y + height, 34, 28, 8, 0, {red, -1, 128});
    }
    auto beamAcross = [&](double over, double y0, double half, const Skin& skin) {
      beam(mesh_, at(xa - u.x * over, y0, za - u.z * over), at(xb + u.x * over, y0, zb + u.z * over), half, skin);
    };
    beamAcross(60, y + height - 140, 20, {red, red, 128});        // nuki
    beamAcross(150, y + height - 10, 26, {red, red, 128});        // shimaki
    beamAcross(190, y + height + 36, 26, {black, black, 128});    // kasagi
    const double mx = (xa + xb) / 2, mz = (za + zb) / 2;
    beam(mesh_, at(mx, y + height - 120, mz), at(mx, y + height - 30, mz), 16, {red, red, 128});
  }

  // --- one tile each ---

  void single(const std::string& prop, int c, int r) {
    static const std::map<std::string, void (Scenery::*)(int, int)> kinds = {
        {"tree", &Scenery::broadleaf}, {"pine", &Scenery::pine},      {"woods", &Scenery::woods},
        {"bush", &Scenery::bush},      {"boulder", &Scenery::boulder}, {"well", &Scenery::well},
        {"fence", &Scenery::fence},    {"chest", &Scenery::chest},     {"sign", &Scenery::sign},
        {"lantern", &Scenery::lantern}, {"bell", &Scenery::bell},      {"bridge", &Scenery::bridge},
        {"hokora", &Scenery::hokora},
    };
    const auto found = kinds.find(prop);
    if (found != kinds.end()) (this->*found->second)(c, r);
  }

  // A jittered spot in the tile for a tree.
  std::pair<double, double> spot(int c, int r) const {
    const double j = t_.tile * 0.22;
    return {cx(c) + (chance(c, r, 3) - 0.5) * 2 * j, cz(r) + (chance(c, r, 4) - 0.5) * 2 * j};
  }

  void broadleaf(int c, int r) {
    const auto [x, z] = spot(c, r);
    const double y = t_.height(c, r), s = 0.85 + 0.4 * chance(c, r, 5), phase = chance(c, r, 6) * kPi;
    const int bark = blocked("bark.zgr"), leaves = blocked("leaves.zgr");
    prism(mesh_, x, z, y - 10, y + 220 * s, 26 * s, 17 * s, 4, phase, {bark, -1, 128});
    prism(mesh_, x, z, y + 170 * s, y + 320 * s, 120 * s, 205 * s, 5, phase, {leaves, -1, 192});
    prism(mesh_, x, z, y + 320 * s, y + 450 * s, 205 * s, 150 * s, 5, phase, {leaves, -1, 192});
    prism(mesh_, x, z, y + 450 * s, y + 540 * s, 150 * s, 0, 5, phase, {leaves, -1, 192});
  }

  void cedar(double x, double z, double y, double s, double phase, bool trunk) {
    const int needles = blocked("needles.zgr");
    if (trunk) prism(mesh_, x, z, y - 10, y + 300 * s, 30 * s, 20 * s, 4, phase, {blocked("bark.zgr"), -1, 128});
    prism(mesh_, x, z, y + 200 * s, y + 620 * s, 190 * s, 0, 5, phase, {needles, -1, 192});
    prism(mesh_, x, z, y + 460 * s, y + 900 * s, 140 * s, 0, 5, phase + 0.6, {needles, -1, 192});
  }

  void pine(int c, int r) {
    const auto [x, z] = spot(c, r);
    cedar(x, z, t_.height(c, r), 0.8 + 0.3 * chance(c, r, 5), chance(c, r, 6) * kPi, true);
  }

  // Woods: a tree on every tile at its edge; further in, one tall crown to every 2 x 2 tiles
  // (seen over the trees in front, that reads as a closed forest).
  void woods(int c, int r) {
    bool inner = true;
    for (int dr = -1; dr <= 1 && inner; ++dr)
      for (int dc = -1; dc <= 1 && inner; ++dc)
        inner = !t_.inside(c + dc, r + dr) || t_.prop(c + dc, r + dr) == "woods";
    if (!inner) {
      if (chance(c, r, 7) < 0.25) broadleaf(c, r);
      else pine(c, r);
      return;
    }
    if (c % 2 != 0 || r % 2 != 0) return;
    const double s = 1.2 + 0.35 * chance(c, r, 5);
    const double x = t_.west(c + 1) + (chance(c, r, 3) - 0.5) * t_.tile * 0.5;
    const double z = t_.north(r + 1) + (chance(c, r, 4) - 0.5) * t_.tile * 0.5;
    const double y = t_.height(c, r);
    prism(mesh_, x, z, y + 150 * s, y + 820 * s, 250 * s, 0, 5, chance(c, r, 6) * kPi, {blocked("needles.zgr"), -1, 192});
  }

  void bush(int c, int r) {
    const auto [x, z] = spot(c, r);
    const double y = t_.height(c, r), s = 0.8 + 0.5 * chance(c, r, 5), phase = chance(c, r, 6) * kPi;
    const int leaves = blocked("leaves.zgr");
    prism(mesh_, x, z, y - 10, y + 80 * s, 90 * s, 130 * s, 5, phase, {leaves, -1, 192});
    prism(mesh_, x, z, y + 80 * s, y + 190 * s, 130 * s, 0, 5, phase, {leaves, -1, 192});
  }

  void boulder(int c, int r) {
    const auto [x, z] = spot(c, r);
    const double y = t_.height(c, r), s = 0.8 + 0.6 * chance(c, r, 5), phase = chance(c, r, 6) * kPi;
    const int rock = blocked("rock.zgr");
    prism(mesh_, x, z, y - 20, y + 70 * s, 140 * s, 120 * s, 6, phase, {rock, -1, 192});
    prism(mesh_, x, z, y + 70 * s, y + 150 * s, 120 * s, 50 * s, 6, phase + 0.3, {rock, rock, 192});
  }

  void well(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r);
    const int stone = blocked("stone.zgr"), wood = blocked("wood.zgr");
    prism(mesh_, x, z, y - 10, y + 90, 120, 112, 8, 0, {stone, -1, 128});
    // The rim, a ring of flat stones round the dark water.
    for (int i = 0; i < 8; ++i) {
      auto p = [&](int k, double radius, double yy) {
        const double a = 2 * kPi * k / 8;
        return at(x + radius * std::sin(a), yy, z + radius * std::cos(a));
      };
      mesh_.polygon({p(i, 84, y + 90), p(i + 1, 84, y + 90), p(i + 1, 112, y + 90), p(i, 112, y + 90)},
                    {{0, 0}, {0.4, 0}, {0.4, 0.15}, {0, 0.15}}, stone, {0, 1, 0});
      mesh_.polygon({p(i, 84, y + 30), p(i + 1, 84, y + 30), at(x, y + 30, z)}, {{0, 0}, {0.3, 0}, {0.15, 0.3}},
                    blocked("water.zgr"), {0, 1, 0});
    }
    for (const double side : {-1.0, 1.0}) beam(mesh_, at(x + side * 100, y + 60, z), at(x + side * 100, y + 330, z), 12, {wood, wood, 128});
    beam(mesh_, at(x - 130, y + 320, z), at(x + 130, y + 320, z), 12, {wood, wood, 128});
    gableRoof(x - 110, x + 110, z - 70, z + 70, y + 340, 30, 0.8, true, blocked("thatch.zgr"), wood);
    beam(mesh_, at(x, y + 150, z), at(x, y + 320, z), 3, {blocked("thatch.zgr"), -1, 128});
  }

  // A post in the tile's middle with rails to the fences east and south of it.
  void fence(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r);
    const int wood = blocked("wood.zgr");
    beam(mesh_, at(x, y - 10, z), at(x, y + 150, z), 12, {wood, wood, 128});
    for (const auto& [dc, dr] : {std::pair{1, 0}, std::pair{0, 1}}) {
      if (t_.prop(c + dc, r + dr) != "fence") continue;
      const double x2 = cx(c + dc), z2 = cz(r + dr), y2 = t_.height(c + dc, r + dr);
      for (const double h : {60.0, 120.0}) beam(mesh_, at(x, y + h, z), at(x2, y2 + h, z2), 7, {wood, -1, 128});
    }
  }

  void chest(int c, int r) {
    const double y = t_.height(c, r), yaw = yawOf(front(c, r));
    const int chest = blocked("chest.zgr");
    turnedBox(mesh_, cx(c), cz(r), y, y + 70, 65, 42, yaw, {chest, chest, 128});
    turnedBox(mesh_, cx(c), cz(r), y + 70, y + 95, 68, 45, yaw, {chest, chest, 128});
  }

  void sign(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r), yaw = yawOf(front(c, r));
    const int wood = blocked("wood.zgr");
    beam(mesh_, at(x, y - 10, z), at(x, y + 230, z), 10, {wood, wood, 128});
    turnedBox(mesh_, x + std::sin(yaw) * 14, z + std::cos(yaw) * 14, y + 140, y + 230, 80, 5, yaw,
              {blocked("planks.zgr"), wood, 128});
  }

  void lantern(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r);
    const int stone = blocked("stone.zgr");
    prism(mesh_, x, z, y - 10, y + 40, 60, 52, 6, 0, {stone, stone, 128});
    prism(mesh_, x, z, y + 40, y + 170, 22, 20, 6, 0, {stone, -1, 128});
    prism(mesh_, x, z, y + 170, y + 190, 50, 50, 6, 0, {stone, stone, 128});
    prism(mesh_, x, z, y + 190, y + 260, 40, 40, 4, kPi / 4, {blocked("shoji.zgr"), -1, 128});
    prism(mesh_, x, z, y + 260, y + 320, 78, 0, 6, 0, {stone, -1, 128});
  }

  // The bell stand: two red posts, a beam with a rope and a small roof; its bell is gone.
  void bell(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r);
    const MatPoint across = {std::cos(yawOf(front(c, r))), 0, -std::sin(yawOf(front(c, r)))};
    const int red = blocked("vermilion.zgr");
    for (const double s : {-1.0, 1.0})
      beam(mesh_, at(x + across.x * s * 110, y - 10, z + across.z * s * 110),
           at(x + across.x * s * 110, y + 440, z + across.z * s * 110), 16, {red, red, 128});
    beam(mesh_, at(x - across.x * 150, y + 420, z - across.z * 150), at(x + across.x * 150, y + 420, z + across.z * 150),
         16, {red, red, 128});
    beam(mesh_, at(x, y + 150, z), at(x, y + 410, z), 6, {blocked("thatch.zgr"), -1, 128});
    const bool alongX = std::abs(across.x) > 0.5;
    gableRoof(x - (alongX ? 150 : 70), x + (alongX ? 150 : 70), z - (alongX ? 70 : 150), z + (alongX ? 70 : 150),
              y + 450, 40, 0.8, alongX, blocked("kawara.zgr"), blocked("wood.zgr"));
  }

  // Railings along the sides of a bridge tile that border water, and posts down into it.
  void bridge(int c, int r) {
    const double y = t_.height(c, r);
    const int wood = blocked("wood.zgr");
    const double x0 = t_.west(c), x1 = t_.west(c + 1), z0 = t_.north(r), z1 = t_.north(r + 1);
    const std::pair<MatPoint, MatPoint> edges[4] = {{at(x0, y, z0), at(x1, y, z0)}, {at(x1, y, z0), at(x1, y, z1)},
                                                    {at(x0, y, z1), at(x1, y, z1)}, {at(x0, y, z0), at(x0, y, z1)}};
    for (int side = 0; side < 4; ++side) {
      const int nc = c + kDc[side], nr = r + kDr[side];
      if (!t_.inside(nc, nr) || t_.at(nc, nr).kind->surface != findSurface("water")) continue;
      const MatPoint in = {-kDc[side] * 14.0, 0, kDr[side] * 14.0};
      const MatPoint a = {edges[side].first.x + in.x, y, edges[side].first.z + in.z};
      const MatPoint b = {edges[side].second.x + in.x, y, edges[side].second.z + in.z};
      for (const MatPoint& p : {a, b}) beam(mesh_, at(p.x, y - 160, p.z), at(p.x, y + 130, p.z), 12, {wood, wood, 128});
      beam(mesh_, at(a.x, y + 110, a.z), at(b.x, y + 110, b.z), 8, {wood, wood, 128});
    }
  }

  // A small stone shrine by the way.
  void hokora(int c, int r) {
    const double x = cx(c), z = cz(r), y = t_.height(c, r);
    const int stone = blocked("stone.zgr");
    const double yaw = yawOf(front(c, r));
    turnedBox(mesh_, x, z, y - 10, y + 60, 100, 90, yaw, {stone, stone, 128});
    turnedBox(mesh_, x, z, y + 60, y + 200, 65, 55, yaw, {blocked("wood.zgr"), -1, 128});
    const MatPoint out = {std::sin(yaw), 0, std::cos(yaw)};
    onWall(x + out.x * 55, z + out.z * 55, front(c, r), 70, y + 80, y + 180, blocked("shoji.zgr"));
    const bool alongX = std::abs(out.z) > 0.5;
    gableRoof(x - (alongX ? 65 : 55), x + (alongX ? 65 : 55), z - (alongX ? 55 : 65), z + (alongX ? 55 : 65), y + 200,
              40, 0.9, alongX, blocked("kawara.zgr"), stone);
  }

  const Terrain& t_;
  MapMesh& mesh_;
  Lint& lint_;
  std::string where_;
};

const char* const kProps[] = {"tree",  "pine",  "woods",   "bush",  "boulder", "house", "windmill", "shrine", "hokora",
                              "well",  "fence", "chest",   "sign",  "lantern", "torii", "bell",     "bridge"};

}  // namespace

bool isProp(const std::string& name) {
  return std::find(std::begin(kProps), std::end(kProps), name) != std::end(kProps);
}

bool isWalkableProp(const std::string& name) {
  return name == "bridge";
}

void buildScenery(const Terrain& terrain, MapMesh& mesh, Lint& lint, const std::string& where) {
  Scenery(terrain, mesh, lint, where).build();
}

}  // namespace content
