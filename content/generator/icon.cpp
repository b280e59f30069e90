// The program's icon: the demo's wind bell hanging in the wind, its paper strip blown aside, in
// front of a round patch of sky. Drawn from the bell's own outline and texture, four by four
// samples a pixel.
#include <algorithm>
#include <cmath>

#include "content/generator/content.h"

namespace content {

namespace {

constexpr int kSize = 256;
constexpr int kSamples = 4;
constexpr double kPi = 3.14159265358979;
// Model units to pixels, and the pixel row of the bell's top (model height 128).
constexpr double kScale = 0.78;
constexpr double kTopRow = 30;

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

Rgba over(Rgba below, Rgba above) {
  const double a = above.a + below.a * (1 - above.a);
  if (a <= 0) return {};
  auto channel = [&](double top, double bottom) { return (top * above.a + bottom * below.a * (1 - above.a)) / a; };
  return {channel(above.r, below.r), channel(above.g, below.g), channel(above.b, below.b), a};
}

Rgba texel(const Image& texture, double u, double v) {
  const int x = std::clamp(static_cast<int>(u * texture.width), 0, texture.width - 1);
  const int y = std::clamp(static_cast<int>(v * texture.height), 0, texture.height - 1);
  const uint32_t c = texture.at(x, y);
  return {((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, 1.0};
}

// The bell body's radius at a model height, 0 outside the body.
double bellRadius(double height) {
  const auto& outline = bellOutside();
  for (size_t i = 0; i + 1 < outline.size(); ++i) {
    const auto [r0, h0] = outline[i];
    const auto [r1, h1] = outline[i + 1];
    if (height <= h0 && height >= h1) return r0 + (r1 - r0) * (h0 - height) / (h0 - h1);
  }
  return 0;
}

// What covers one sample point, given in model units (x to the right, height up).
Rgba sample(const Image& texture, double x, double height, double px, double py) {
  // The sky: a disc with a soft edge, lighter towards the bottom, and two streaks of wind.
  const double dx = px - kSize / 2.0, dy = py - kSize / 2.0;
  const double distance = std::sqrt(dx * dx + dy * dy);
  const double sky = std::clamp((124 - distance) / 2, 0.0, 1.0);
  Rgba colour{0.45 + 0.35 * py / kSize, 0.68 + 0.22 * py / kSize, 0.92, sky};
  for (const double row : {150.0, 196.0}) {
    const double bend = row + 14 * std::sin((px - 20) / 46);
    const double streak = std::clamp(1.6 - std::fabs(py - bend), 0.0, 1.0) * (px > 30 && px < 230 ? 0.8 : 0);
    colour = over(colour, {1, 1, 1, streak * sky});
  }
  // The cord above the bell and through it to the strip.
  if (std::fabs(x) < 2.2 && (height > 128 || (height < 22 && height > -10))) {
    return over(colour, {0.62, 0.12, 0.10, 1});
  }
  // The paper strip, blown to the right: the further down, the further aside.
  const double lean = (-10 - height) * 0.32;
  const double stripX = x - lean;
  if (height <= -10 && height >= -126 && std::fabs(stripX) <= 20) {
    const Rgba paper = texel(texture, 0.05 + 0.9 * (stripX + 20) / 40, 0.55 + 0.43 * (-10 - height) / 116);
    const double shade = 0.85 + 0.15 * (stripX + 20) / 40;
    return over(colour, {paper.r * shade, paper.g * shade, paper.b * shade, 1});
  }
  // The mouth of the bell seen a little from below: its dark inside.
  const double mouth = (x / 56) * (x / 56) + ((height - 22) / 12) * ((height - 22) / 12);
  if (height < 22 && mouth < 1) return over(colour, {0.25, 0.17, 0.07, 1});
  // The body: the bronze of the texture, lit from the upper left.
  const double radius = bellRadius(height);
  if (radius > 0 && std::fabs(x) < radius) {
    const double nx = x / radius, nz = std::sqrt(1 - nx * nx);
    const double u = 0.5 + std::asin(nx) / (2 * kPi);
    const double v = 0.45 * (128 - height) / (128 - 22);
    const double light = std::max(0.0, -0.55 * nx + 0.35 + 0.75 * nz);
    const double shade = 0.35 + 0.75 * light;
    const Rgba bronze = texel(texture, u, v);
    const double shine = std::pow(std::max(0.0, -0.45 * nx + 0.89 * nz), 24) * 0.6;
    return over(colour, {std::min(1.0, bronze.r * shade + shine), std::min(1.0, bronze.g * shade + shine),
                         std::min(1.0, bronze.b * shade + shine), 1});
  }
  return colour;
}

}  // namespace

Image windBellIcon() {
  const Image texture = bellTexture();
  Image icon(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Rgba sum;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
          const double modelX = (px - kSize / 2.0) / kScale, height = 128 - (py - kTopRow) / kScale;
          const Rgba s = sample(texture, modelX, height, px, py);
          // Colours summed by their coverage, so that the edges blend into transparency.
          sum.r += s.r * s.a;
          sum.g += s.g * s.a;
          sum.b += s.b * s.a;
          sum.a += s.a;
        }
      }
      if (sum.a <= 0) continue;
      auto channel = [](double v) { return static_cast<int>(std::lround(255 * std::clamp(v, 0.0, 1.0))); };
      icon.at(x, y) = argb(channel(sum.a / (kSamples * kSamples)), channel(sum.r / sum.a), channel(sum.g / sum.a),
                           channel(sum.b / sum.a));
    }
  }
  return icon;
}

}  // namespace content
