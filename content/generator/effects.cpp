// The effects of the object tasks: their textures "OTSK\*.AU", the wind bell model
// "OTSK\bell.ZDX" and their sounds "se\*.zse". The scripts that use them are text sources in
// content/scripts/oTsk.
//
// Textures are white or lightly coloured so that the parts' colours tint them; alpha carries
// the shape. Sprite sheets are 64 x 64 cells (the parts' default cell size).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "content/generator/content.h"
#include "content/generator/mat_text.h"

namespace content {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kCell = 64;

double clamp01(double x) { return std::clamp(x, 0.0, 1.0); }
double smooth(double edge0, double edge1, double x) {
  const double t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}
uint32_t colour(double a, double r, double g, double b) {
  return argb(static_cast<int>(std::lround(255 * clamp01(a))), static_cast<int>(std::lround(255 * clamp01(r))),
              static_cast<int>(std::lround(255 * clamp01(g))), static_cast<int>(std::lround(255 * clamp01(b))));
}

// Smooth value noise on a lattice of period `period` (so that it tiles), 0 … 1.
double latticeValue(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}
double noise(double x, double y, int period, int seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int i, int j) { return latticeValue(((i % period) + period) % period, ((j % period) + period) % period, seed); };
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}
double fbm(double x, double y, int period, int seed) {
  double sum = 0, amplitude = 0.5;
  for (int octave = 0; octave < 4; ++octave) {
    sum += amplitude * noise(x, y, period, seed + octave);
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= 0.5;
  }
  return sum / 0.9375;
}

// Fills one 64 x 64 cell of a sheet; shade gets the cell's coordinates -1 … 1 (y up).
void paintCell(Image& sheet, int column, int row, const std::function<uint32_t(double, double)>& shade) {
  for (int y = 0; y < kCell; ++y) {
    for (int x = 0; x < kCell; ++x) {
      const double cx = (x + 0.5) / kCell * 2 - 1, cy = 1 - (y + 0.5) / kCell * 2;
      sheet.at(column * kCell + x, row * kCell + y) = shade(cx, cy);
    }
  }
}

// ---- textures ----

// The ring's band: u runs round the ring, v from the inner edge (top) to the outer one. A bright
// line with a soft glow, a row of rune-like dashes near the outer edge.
Image ringTexture() {
  Image image(128, 64);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double u = (x + 0.5) / image.width, v = (y + 0.5) / image.height;
      double a = 0.85 * std::exp(-std::pow((v - 0.42) / 0.07, 2)) + 0.35 * std::exp(-std::pow((v - 0.45) / 0.3, 2));
      const double dash = std::fmod(u * 16, 1.0);
      if (v > 0.68 && v < 0.78 && dash > 0.15 && dash < 0.7) a += 0.55 * (0.6 + 0.4 * std::sin(u * 16 * kPi));
      a *= 0.8 + 0.2 * std::sin(u * 2 * kPi * 8);
      image.at(x, y) = colour(a, 1, 1, 1);
    }
  }
  return image;
}

// The pillar's wall: streaks of light running up, brightest at the bottom (v = 1).
Image beamTexture() {
  Image image(128, 128);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double u = (x + 0.5) / image.width, v = (y + 0.5) / image.height;
      double streaks = 0;
      for (int k = 0; k < 9; ++k) {
        const double at = latticeValue(k, 1, 7), width = 0.012 + 0.03 * latticeValue(k, 2, 7);
        double d = std::fabs(u - at);
        d = std::min(d, 1 - d);
        streaks += (0.4 + 0.6 * latticeValue(k, 3, 7)) * std::exp(-std::pow(d / width, 2));
      }
      const double flicker = 0.75 + 0.25 * noise(u * 8, v * 4, 8, 11);
      const double a = (0.22 + 0.8 * streaks) * std::pow(v, 0.7) * flicker;
      image.at(x, y) = colour(a, 1, 1, 1);
    }
  }
  return image;
}

// A soft round glow.
uint32_t glow(double x, double y) {
  const double r = std::hypot(x, y);
  return colour(std::exp(-r * r * 5) * smooth(1.0, 0.85, r), 1, 1, 1);
}

// A four-pointed sparkle with a bright core.
uint32_t sparkle(double x, double y) {
  const double r = std::hypot(x, y);
  const double rays = std::exp(-std::fabs(x) * 28) * std::exp(-std::fabs(y) * 2.2) +
                      std::exp(-std::fabs(y) * 28) * std::exp(-std::fabs(x) * 2.2);
  const double diagonal = 0.45 * (std::exp(-std::fabs(x - y) * 30) + std::exp(-std::fabs(x + y) * 30)) * std::exp(-r * 4);
  const double a = std::exp(-r * r * 40) + rays + diagonal + 0.3 * std::exp(-r * r * 6);
  return colour(a * smooth(1.0, 0.8, r), 1, 1, 1);
}

// A hot spark: a white core in a yellow-orange glow.
uint32_t spark(double x, double y) {
  const double r = std::hypot(x, y);
  const double core = std::exp(-r * r * 60);
  const double halo = std::exp(-r * r * 7);
  return colour((core + 0.8 * halo) * smooth(1.0, 0.8, r), 1, 0.85 + 0.15 * core, 0.45 + 0.55 * core);
}

// A thin halo ring.
uint32_t halo(double x, double y) {
  const double r = std::hypot(x, y);
  return colour(std::exp(-std::pow((r - 0.7) / 0.09, 2)) + 0.25 * std::exp(-std::pow((r - 0.7) / 0.3, 2)), 1, 1, 1);
}

// Flame frame k of 4: a flickering tongue rising from a round base, white-yellow in its heart,
// orange, then red at its ragged edge.
uint32_t flame(double x, double y, int k) {
  const double t = k * 0.25;
  const double sway = 0.1 * std::sin((y + 1) * 3.2 + t * 2 * kPi) * (y + 1) / 2;
  double d;  // 0 on the flame's axis, 1 at its edge
  if (y < -0.45) {
    d = std::hypot(x - sway, y + 0.45) / 0.45;
  } else {
    const double width = 0.45 * std::pow(std::max(0.0, 1 - (y + 0.45) / 1.35), 0.85) + 1e-3;
    d = std::fabs(x - sway) / width;
  }
  const double n = fbm((x + 1) * 2.5, (y + 1) * 2.5 - t * 4, 64, 23 + k);
  d += (n - 0.5) * 0.9 * (0.3 + (y + 1) / 2);
  const double a = smooth(1.0, 0.55, d) * smooth(1.0, 0.8, std::max(std::fabs(x), std::fabs(y)));
  const double heat = clamp01((1 - d) * 1.3) * (1 - 0.35 * (y + 1) / 2);
  const double r = 0.85 + 0.15 * heat, g = 0.2 + 0.8 * heat, b = 0.05 + 0.6 * heat * heat * heat;
  return colour(a, r, g, b);
}

// A five-pointed star (points 0.78 out, notches 0.34 out), golden with a white heart and a glow.
uint32_t star(double x, double y) {
  constexpr double kOuter = 0.78, kInner = 0.34, kStep = kPi / 5;
  double angle = std::atan2(x, y);
  if (angle < 0) angle += 2 * kPi;
  const int sector = static_cast<int>(angle / kStep) % 10;
  auto corner = [&](int i) {
    const double radius = i % 2 == 0 ? kOuter : kInner;
    return std::pair<double, double>{radius * std::sin(i * kStep), radius * std::cos(i * kStep)};
  };
  const auto [ax, ay] = corner(sector);
  const auto [bx, by] = corner(sector + 1);
  // How far the point lies inside the edge from corner a to corner b, on the centre's side.
  const double ex = bx - ax, ey = by - ay, length = std::hypot(ex, ey);
  const double side = ((x - ax) * ey - (y - ay) * ex) / length;
  const double centreSide = (-ax * ey + ay * ex) > 0 ? 1.0 : -1.0;
  const double body = smooth(-0.03, 0.03, side * centreSide);
  const double r = std::hypot(x, y);
  const double glowing = 0.5 * std::exp(-r * r * 3.5);
  const double core = std::exp(-r * r * 18);
  return colour(clamp01(body + glowing) * smooth(1.0, 0.85, r), 1, 0.82 + 0.18 * core, 0.3 + 0.7 * core);
}

// A soft plus sign: the healing mark.
uint32_t plus(double x, double y) {
  const double bar = std::max(smooth(0.2, 0.1, std::fabs(x)) * smooth(0.75, 0.6, std::fabs(y)),
                              smooth(0.2, 0.1, std::fabs(y)) * smooth(0.75, 0.6, std::fabs(x)));
  const double r = std::hypot(x, y);
  return colour(clamp01(bar + 0.35 * std::exp(-r * r * 3)) * smooth(1.0, 0.85, r), 1, 1, 1);
}

// A soft diamond.
uint32_t diamond(double x, double y) {
  const double d = std::fabs(x) + std::fabs(y);
  return colour(smooth(0.8, 0.1, d), 1, 1, 1);
}

// Slash frame k of 4: a crescent sweeping from the lower left, widening, then thinning away.
uint32_t slash(double x, double y, int k) {
  const double sweep = 0.35 + 0.22 * k;        // how far round the arc has come
  const double thickness = k < 3 ? 0.05 + 0.03 * k : 0.04;
  const double fade = k < 3 ? 1.0 : 0.55;
  const double r = std::hypot(x + 0.35, y + 0.35);
  const double angle = std::atan2(y + 0.35, x + 0.35);  // 0 along +x, pi/2 along +y
  const double along = clamp01((angle + 0.1) / 1.7);    // 0 at the start of the arc, 1 at its end
  const double reach = smooth(sweep, sweep - 0.2, along);
  const double band = std::exp(-std::pow((r - 1.0) / (thickness * (0.4 + along)), 2));
  const double a = band * reach * fade * smooth(1.0, 0.92, std::max(std::fabs(x), std::fabs(y)));
  return colour(a, 0.9 + 0.1 * band, 0.95 + 0.05 * band, 1);
}

Image fxSheet() {
  Image sheet(4 * kCell, 4 * kCell);
  paintCell(sheet, 0, 0, glow);
  paintCell(sheet, 1, 0, sparkle);
  paintCell(sheet, 2, 0, spark);
  paintCell(sheet, 3, 0, halo);
  for (int k = 0; k < 4; ++k) paintCell(sheet, k, 1, [k](double x, double y) { return flame(x, y, k); });
  paintCell(sheet, 0, 2, star);
  paintCell(sheet, 1, 2, [](double x, double y) { return glow(x * 0.7, y * 0.7); });
  paintCell(sheet, 2, 2, plus);
  paintCell(sheet, 3, 2, diamond);
  for (int k = 0; k < 4; ++k) paintCell(sheet, k, 3, [k](double x, double y) { return slash(x, y, k); });
  return sheet;
}

// Leaves: four frames of a spinning leaf (columns) in four colours (rows).
Image leafSheet() {
  struct Tone {
    double r, g, b;
  };
  const std::array<Tone, 4> tones = {{{0.36, 0.62, 0.22}, {0.66, 0.74, 0.24}, {0.88, 0.52, 0.16}, {0.70, 0.24, 0.16}}};
  const std::array<double, 4> widths = {1.0, 0.4, 0.9, 0.4};
  Image sheet(4 * kCell, 4 * kCell);
  for (int row = 0; row < 4; ++row) {
    const Tone tone = tones[static_cast<size_t>(row)];
    for (int k = 0; k < 4; ++k) {
      const double turn = k * kPi / 2 + 0.4, width = widths[static_cast<size_t>(k)];
      paintCell(sheet, k, row, [&](double x, double y) {
        // Into the leaf's own frame: along its midrib (s, tip at +0.8) and across it (t).
        const double s = (x * std::sin(turn) + y * std::cos(turn)) / 0.85;
        const double t = (x * std::cos(turn) - y * std::sin(turn)) / (0.55 * width + 1e-3);
        const double outline = std::sqrt(std::max(0.0, 1 - s * s)) * (1 - 0.25 * s);  // rounder at the stem
        const double inside = smooth(outline, outline - 0.12, std::fabs(t));
        const double stem = smooth(0.07, 0.02, std::fabs(x * std::cos(turn) - y * std::sin(turn))) *
                            (s < -0.95 && s > -1.25 ? 1.0 : 0.0);
        if (inside <= 0 && stem <= 0) return 0u;
        const double vein = std::exp(-std::pow(t / 0.08, 2)) + 0.5 * std::exp(-std::pow((std::fabs(t) - (s + 1) * 0.35) / 0.07, 2));
        const double shade = 0.8 + 0.2 * s - 0.25 * std::fabs(t) * std::fabs(t) - 0.2 * clamp01(vein) + 0.1 * (1 - width);
        const double edge = smooth(outline - 0.05, outline - 0.2, std::fabs(t));
        const double lightness = shade * (0.75 + 0.25 * edge);
        return colour(std::max(inside, stem), tone.r * lightness, tone.g * lightness, tone.b * lightness);
      });
    }
  }
  return sheet;
}

// Weather: a patch of rain streaks (cell 0) and a puff of mist (cell 1).
Image weatherSheet() {
  Image sheet(2 * kCell, kCell);
  paintCell(sheet, 0, 0, [](double x, double y) {
    double a = 0;
    for (int i = 0; i < 9; ++i) {
      // Every streak lies wholly inside the cell: its foot is brightest and fades at the very end.
      const double sx = latticeValue(i, 0, 3) * 1.7 - 0.85, sy = latticeValue(i, 1, 3) * 0.7 - 0.35;
      const double length = 0.2 + 0.3 * latticeValue(i, 2, 3);
      const double along = (y - sy) / length;  // -1 at the streak's foot, 1 at its head
      if (std::fabs(along) > 1) continue;
      const double body = (1 - along) / 2 * smooth(-1.0, -0.75, along);
      a = std::max(a, std::exp(-std::pow((x - sx) / 0.022, 2)) * body * (0.6 + 0.4 * latticeValue(i, 3, 3)));
    }
    return colour(a, 0.85, 0.9, 1.0);
  });
  paintCell(sheet, 1, 0, [](double x, double y) {
    const double r = std::hypot(x, y);
    const double cloud = fbm((x + 1) * 2, (y + 1) * 2, 64, 41);
    return colour(smooth(1.0, 0.2, r) * (0.35 + 0.65 * cloud) * 0.9, 1, 1, 1);
  });
  return sheet;
}

// The place name's ribbon (256 x 48 in a 256 x 64 texture): deep blue, fading at both ends,
// a gold line above and below.
Image plateTexture() {
  Image image(256, 64);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double u = (x + 0.5) / image.width * 2 - 1;
      const double ends = smooth(1.0, 0.55, std::fabs(u));
      const double line = std::max(std::exp(-std::pow((y - 6.5) / 0.9, 2)), std::exp(-std::pow((y - 41.5) / 0.9, 2)));
      const double body = y > 7 && y < 41 ? 0.62 : 0.0;
      const double gold = line * smooth(1.0, 0.35, std::fabs(u));
      image.at(x, y) = mix(colour(body * ends, 0.06, 0.08, 0.22), colour(gold, 1.0, 0.84, 0.45), gold);
    }
  }
  return image;
}

}  // namespace

// The wind bell's texture: bronze with bands on the top half, the paper strip on the bottom.
Image bellTexture() {
  Image image(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double u = (x + 0.5) / 64, v = (y + 0.5) / 64;
      if (v < 0.5) {
        const double band = std::fmod(v * 2 * 6, 1.0) < 0.12 ? 0.75 : 1.0;
        const double grain = 0.9 + 0.1 * noise(u * 16, v * 16, 16, 5);
        const double light = band * grain * (1.05 - 0.5 * v);
        image.at(x, y) = colour(1, 0.86 * light, 0.64 * light, 0.30 * light);
      } else {
        const double w = (v - 0.5) * 2;
        const double swirl = std::sin(u * 2 * kPi + w * 9) * 0.5 + 0.5;
        const double ink = smooth(0.15, 0.05, std::fabs(swirl - 0.5)) * smooth(0.1, 0.25, w);
        image.at(x, y) = mix(colour(1, 0.96, 0.96, 0.92), colour(1, 0.30, 0.52, 0.86), ink);
      }
    }
  }
  return image;
}

const std::vector<std::pair<double, double>>& bellOutside() {
  static const std::vector<std::pair<double, double>> outside = {
      {0.5, 128}, {8, 126}, {10, 116}, {24, 110}, {34, 100}, {40, 80}, {44, 56}, {50, 34}, {56, 22}};
  return outside;
}

namespace {

// ---- the wind bell model ----

// A surface of revolution about the y axis: the profile runs from the top down, as (radius,
// height) pairs; v runs from v0 at the top to v1 at the bottom of the profile.
void lathe(MatText& model, const std::vector<std::pair<double, double>>& profile, int sides, bool outward, double v0,
           double v1) {
  std::vector<std::vector<int>> rings;
  for (const auto& [radius, height] : profile) {
    std::vector<int> ring;
    for (int i = 0; i <= sides; ++i) {
      const double a = 2 * kPi * (i % sides) / sides;
      ring.push_back(model.vertex({radius * std::sin(a), height, radius * std::cos(a)}));
    }
    rings.push_back(ring);
  }
  char uv[160];
  for (size_t r = 0; r + 1 < rings.size(); ++r) {
    const double va = v0 + (v1 - v0) * static_cast<double>(r) / static_cast<double>(rings.size() - 1);
    const double vb = v0 + (v1 - v0) * static_cast<double>(r + 1) / static_cast<double>(rings.size() - 1);
    for (int i = 0; i < sides; ++i) {
      const double ua = static_cast<double>(i) / sides, ub = static_cast<double>(i + 1) / sides;
      // Corners a (top, i), b (top, i + 1), c (bottom, i + 1), d (bottom, i), turned where
      // needed so that (b - a) x (c - a) points away from the axis (outside) or towards it.
      std::vector<int> corners = {rings[r][static_cast<size_t>(i)], rings[r][static_cast<size_t>(i + 1)],
                                  rings[r + 1][static_cast<size_t>(i + 1)], rings[r + 1][static_cast<size_t>(i)]};
      const MatPoint a = model.point(corners[0]), b = model.point(corners[1]), c = model.point(corners[2]);
      const double nx = (b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y);
      const double nz = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      const bool pointsOut = nx * (a.x + c.x) + nz * (a.z + c.z) > 0;
      if (pointsOut == outward) {
        std::snprintf(uv, sizeof uv, " UV(%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f)", ua, va, ub, va, ub, vb, ua, vb);
      } else {
        std::swap(corners[1], corners[3]);
        std::snprintf(uv, sizeof uv, " UV(%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f)", ua, va, ua, vb, ub, vb, ub, va);
      }
      model.face(corners, uv);
    }
  }
}

// A double-sided hanging quad in the x–y plane: the cord and the paper strip below the bell.
void strip(MatText& model, double top, double bottom, double halfWidth) {
  const int a = model.vertex({-halfWidth, top, 0}), b = model.vertex({halfWidth, top, 0});
  const int c = model.vertex({halfWidth, bottom, 0}), d = model.vertex({-halfWidth, bottom, 0});
  model.face({a, b, c, d}, " UV(0.05 0.55 0.95 0.55 0.95 0.98 0.05 0.98)");
  model.face({a, d, c, b}, " UV(0.05 0.55 0.05 0.98 0.95 0.98 0.95 0.55)");
}

std::string bellModel() {
  MatText model;
  // The bell: a knob, the shoulder, the body flaring to the lip (outside), and its hollow.
  const std::vector<std::pair<double, double>> inside = {{0.5, 100}, {26, 96}, {36, 76}, {41, 54}, {47, 32}, {53, 22}};
  lathe(model, bellOutside(), 16, true, 0.0, 0.45);
  lathe(model, inside, 16, false, 0.1, 0.45);
  // The clapper's cord and the paper strip that catches the wind.
  strip(model, 60, -10, 1.5);
  strip(model, -10, -130, 20);
  return model.text("bell", "col(255 255 255 1) dif(1.000) amb(0.600) emi(0.000) spc(0.000) power(0.00) tex(\"bell.AU\")");
}

// ---- sounds ----

constexpr int kRate = 22050;

class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }

 private:
  uint32_t state_;
};


double sine(double t, double frequency) { return std::sin(2 * kPi * frequency * t); }

// A one-pole low-pass filter over a noise source.
struct Filtered {
  Noise source;
  double state = 0;
  double next(double amount) {
    state += (source.next() - state) * amount;
    return state;
  }
};

std::vector<uint8_t> slashSound() {
  Filtered air{Noise(77)};
  return waveFile(0.35, [air](double t) mutable {
    const double swish = air.next(0.25 + 0.6 * clamp01(t / 0.08)) * std::exp(-std::pow((t - 0.05) / 0.05, 2));
    const double ring = (sine(t, 2350) + 0.6 * sine(t, 3710) + 0.3 * sine(t, 5120)) * std::exp(-t * 14) * smooth(0.03, 0.05, t);
    return 0.9 * swish + 0.28 * ring;
  });
}

std::vector<uint8_t> fireSound() {
  Filtered roar{Noise(91)};
  Noise crackle(19);
  return waveFile(0.9, [roar, crackle](double t) mutable {
    const double envelope = smooth(0.0, 0.06, t) * std::exp(-t * 3.2);
    const double body = roar.next(0.08) * 2.2 + 0.5 * roar.state * sine(t, 60 + 40 * t);
    const double pop = crackle.next() > 0.995 ? crackle.next() : 0.0;
    return envelope * body * 0.8 + 0.6 * pop * std::exp(-t * 2);
  });
}

std::vector<uint8_t> healSound() {
  const std::array<double, 5> notes = {783.99, 987.77, 1174.66, 1567.98, 1975.53};
  return waveFile(1.4, [notes](double t) {
    double sum = 0;
    for (size_t i = 0; i < notes.size(); ++i) {
      const double start = 0.09 * static_cast<double>(i);
      if (t < start) continue;
      const double local = t - start;
      sum += (sine(local, notes[i]) + 0.25 * sine(local, notes[i] * 2.01)) * std::exp(-local * 3.5) * smooth(0, 0.01, local);
    }
    return 0.18 * sum * (1 + 0.15 * sine(t, 6));
  });
}

std::vector<uint8_t> starSound() {
  Filtered boom{Noise(5)};
  return waveFile(1.5, [boom](double t) mutable {
    // A falling shimmer for the flight, then the impact at 0.75 s.
    const double flight = t < 0.78 ? 1.0 : std::exp(-(t - 0.78) * 30);
    const double f = 2600 - 1900 * t;
    const double shimmer = (sine(t, f) + 0.5 * sine(t, f * 1.5)) * (0.5 + 0.5 * sine(t, 23)) * smooth(0, 0.1, t) * flight;
    const double hit = t > 0.75 ? std::exp(-(t - 0.75) * 5) : 0.0;
    const double impact = hit * (boom.next(0.12) * 2.0 + 0.6 * std::sin(2 * kPi * (90 * (t - 0.75) - 30 * (t - 0.75) * (t - 0.75))));
    const double sparkle = t > 0.75 ? (sine(t, 1760) + sine(t, 2637)) * 0.15 * std::exp(-(t - 0.75) * 4) : 0.0;
    return 0.22 * shimmer + 0.85 * impact + sparkle;
  });
}

std::vector<uint8_t> bellSound() {
  // A small glass wind bell: a few inharmonic partials with long tails and a soft strike.
  const std::array<std::array<double, 3>, 5> partials = {
      {{2093.0, 1.0, 2.2}, {2711.0, 0.5, 3.0}, {4186.0, 0.35, 4.5}, {5580.0, 0.22, 6.0}, {1046.5, 0.15, 1.6}}};
  return waveFile(2.4, [partials](double t) {
    double sum = 0;
    for (const auto& [frequency, level, decay] : partials) sum += level * sine(t, frequency) * std::exp(-t * decay);
    return 0.32 * sum * smooth(0, 0.004, t) * (1 + 0.08 * sine(t, 5));
  });
}

}  // namespace

void generateEffects(Context& context) {
  DataTree& out = context.out;
  out.writeScrambled("OTSK/ring.AU", encodeDds(ringTexture()));
  out.writeScrambled("OTSK/beam.AU", encodeDds(beamTexture()));
  out.writeScrambled("OTSK/fx.AU", encodeDds(fxSheet()));
  out.writeScrambled("OTSK/leaf.AU", encodeDds(leafSheet()));
  out.writeScrambled("OTSK/rain.AU", encodeDds(weatherSheet()));
  out.writeScrambled("OTSK/plate.AU", encodeDds(plateTexture()));
  out.writeScrambled("OTSK/bell.AU", encodeDds(bellTexture()));
  out.write("OTSK/bell.ZDX", bellModel());
  out.writeScrambled("se/slash0.zse", slashSound());
  out.writeScrambled("se/fire0.zse", fireSound());
  out.writeScrambled("se/heal0.zse", healSound());
  out.writeScrambled("se/star0.zse", starSound());
  out.writeScrambled("se/bell0.zse", bellSound());
}

}  // namespace content
