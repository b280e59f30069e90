// The sky box set "sb0": "Mat\SKY\sb0.zd" and its five faces "Mat\SKY\sb0_0.zgr" … "_4.zgr"
// (scrambled 24-bit BMP). Faces 0 to 3 go round the horizon, face 4 is the top. Everything on
// the sides is a function of the angle round the viewer with whole frequencies, so the four
// sides meet without seams.
#include <algorithm>
#include <cmath>

#include "content/generator/content.h"

namespace content {

namespace {

constexpr int kFace = 128;
constexpr int kHorizon = 64;
constexpr double kPi = 3.14159265358979;
constexpr uint32_t kZenith = 0xFF2A5AA8;
constexpr uint32_t kHorizonSky = 0xFFC8DCF0;

double ridge(double angle) {
  return 9.0 + 5.0 * std::sin(3 * angle + 1.0) + 3.0 * std::sin(7 * angle + 2.0) + 1.5 * std::sin(13 * angle);
}

double cloud(double angle, double y) {
  const double band = std::exp(-std::pow((y - 34.0) / 12.0, 2));
  const double shape = std::sin(5 * angle + 2.0 * std::sin(2 * angle)) * std::sin(9 * angle + 1.3) + 0.35 * std::sin(y * 0.4 + 4 * angle);
  return std::clamp((shape - 0.25) * 1.8, 0.0, 1.0) * band;
}

Image side(int face) {
  Image image(kFace, kFace);
  for (int y = 0; y < kFace; ++y) {
    for (int x = 0; x < kFace; ++x) {
      const double angle = (face + (x + 0.5) / kFace) * kPi / 2;
      uint32_t c = mix(kZenith, kHorizonSky, std::pow((y + 0.5) / kHorizon, 1.6));
      c = mix(c, 0xFFFFFFFF, cloud(angle, y + 0.5) * 0.85);
      const double mountainTop = kHorizon - ridge(angle);
      if (y + 0.5 > mountainTop) c = mix(0xFF7890A8, 0xFF4A6070, (y + 0.5 - mountainTop) / 20.0);
      if (y >= kHorizon) c = mix(0xFF506848, 0xFF303C2C, (y - kHorizon) / 64.0);
      image.at(x, y) = c;
    }
  }
  return image;
}

Image top() {
  Image image(kFace, kFace);
  for (int y = 0; y < kFace; ++y) {
    for (int x = 0; x < kFace; ++x) {
      const double dx = (x + 0.5) / kFace - 0.5, dy = (y + 0.5) / kFace - 0.5;
      image.at(x, y) = mix(0xFF1E4A98, kZenith, std::min(1.0, std::max(std::abs(dx), std::abs(dy)) * 2.0));
    }
  }
  return image;
}

}  // namespace

void generateSky(Context& context) {
  // Enabled, texture base name, tiling value 1 (clamped), spin 1 (0.02 degrees a frame).
  context.out.write("Mat/SKY/sb0.zd", joinLines({"1 sb0", "1 1"}));
  for (int face = 0; face < 4; ++face) {
    context.out.writeScrambled("Mat/SKY/sb0_" + std::to_string(face) + ".zgr", encodeBmp(side(face)));
  }
  context.out.writeScrambled("Mat/SKY/sb0_4.zgr", encodeBmp(top()));
}

}  // namespace content
