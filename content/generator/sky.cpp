// The sky box sets: "sb0", the clear sky over the valley, and "sb1", the mist of the forest (for
// maps whose fog hides the mountains). Each is "Mat\SKY\<set>.zd" and its five faces
// "Mat\SKY\<set>_0.zgr" … "_4.zgr" (scrambled 24-bit BMP). Faces 0 to 3 go round the horizon,
// face 4 is the top. Everything on the sides is a function of the angle round the viewer with
// whole frequencies, so the four sides meet without seams.
#include <algorithm>
#include <cmath>

#include "content/generator/content.h"

namespace content {

namespace {

constexpr int kFace = 128;
constexpr int kHorizon = 64;
constexpr double kPi = 3.14159265358979;
// The colours of a sky set.
struct SkyLook {
  uint32_t zenith, horizon;        // the sky from the top of a side down to the horizon
  uint32_t cloud;                  // clouds, mixed in by their density
  double clouds;                   // how much of the cloud density shows (0 … 1)
  uint32_t ridgeTop, ridgeFoot;    // the mountains, top to foot
  uint32_t groundTop, groundFoot;  // below the horizon
  uint32_t centre;                 // the middle of the top face
};

constexpr SkyLook kClear = {0xFF2A5AA8, 0xFFC8DCF0, 0xFFFFFFFF, 0.85, 0xFF7890A8,
                            0xFF4A6070, 0xFF506848, 0xFF303C2C, 0xFF1E4A98};
// The forest's mist: pale, the mountains gone into it, the ground the colour of the fog.
constexpr SkyLook kMist = {0xFF8C9C9C, 0xFFD0D8D4, 0xFFE8ECEA, 0.6, 0xFFC4CEC8,
                           0xFFCAD2CE, 0xFFD0D8D4, 0xFFB4BEB8, 0xFF7E8E90};

double ridge(double angle) {
  return 9.0 + 5.0 * std::sin(3 * angle + 1.0) + 3.0 * std::sin(7 * angle + 2.0) + 1.5 * std::sin(13 * angle);
}

double cloud(double angle, double y) {
  const double band = std::exp(-std::pow((y - 34.0) / 12.0, 2));
  const double shape = std::sin(5 * angle + 2.0 * std::sin(2 * angle)) * std::sin(9 * angle + 1.3) + 0.35 * std::sin(y * 0.4 + 4 * angle);
  return std::clamp((shape - 0.25) * 1.8, 0.0, 1.0) * band;
}

Image side(const SkyLook& look, int face) {
  Image image(kFace, kFace);
  for (int y = 0; y < kFace; ++y) {
    for (int x = 0; x < kFace; ++x) {
      const double angle = (face + (x + 0.5) / kFace) * kPi / 2;
      uint32_t c = mix(look.zenith, look.horizon, std::pow((y + 0.5) / kHorizon, 1.6));
      c = mix(c, look.cloud, cloud(angle, y + 0.5) * look.clouds);
      const double mountainTop = kHorizon - ridge(angle);
      if (y + 0.5 > mountainTop) c = mix(look.ridgeTop, look.ridgeFoot, (y + 0.5 - mountainTop) / 20.0);
      if (y >= kHorizon) c = mix(look.groundTop, look.groundFoot, (y - kHorizon) / 64.0);
      image.at(x, y) = c;
    }
  }
  return image;
}

Image top(const SkyLook& look) {
  Image image(kFace, kFace);
  for (int y = 0; y < kFace; ++y) {
    for (int x = 0; x < kFace; ++x) {
      const double dx = (x + 0.5) / kFace - 0.5, dy = (y + 0.5) / kFace - 0.5;
      image.at(x, y) = mix(look.centre, look.zenith, std::min(1.0, std::max(std::abs(dx), std::abs(dy)) * 2.0));
    }
  }
  return image;
}

void writeSky(Context& context, const std::string& name, const SkyLook& look) {
  // Enabled, texture base name, tiling value 1 (clamped), spin 1 (0.02 degrees a frame).
  context.out.write("Mat/SKY/" + name + ".zd", joinLines({"1 " + name, "1 1"}));
  for (int face = 0; face < 4; ++face) {
    context.out.writeScrambled("Mat/SKY/" + name + "_" + std::to_string(face) + ".zgr", encodeBmp(side(look, face)));
  }
  context.out.writeScrambled("Mat/SKY/" + name + "_4.zgr", encodeBmp(top(look)));
}

}  // namespace

void generateSky(Context& context) {
  writeSky(context, "sb0", kClear);
  writeSky(context, "sb1", kMist);
}

}  // namespace content
