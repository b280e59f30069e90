// The 64 x 64 portraits of the party menu, "SCHR\<actor script name>.zgr" (scrambled BMP): a
// simple painted bust per character, drawn shape by shape and smoothed by supersampling.
#include <cmath>
#include <map>

#include "content/generator/content.h"

namespace content {

namespace {

struct PortraitStyle {
  uint32_t backgroundTop, backgroundBottom;
  uint32_t hair;
  uint32_t skin;
  uint32_t eyes;
  uint32_t clothes;
  uint32_t accent;  // headband, ribbon or hood trim
  bool longHair;
  bool hood;
};

// One style per playable character, by actor script name.
const std::map<std::string, PortraitStyle> kStyles = {
    {"SOYO", {0xFFB0A080, 0xFF403020, 0xFFD8D8D8, 0xFFE8C8A8, 0xFF404040, 0xFF6A4A7A, 0xFFC0A040, true, true}},
    {"NAGI", {0xFF6A8FD0, 0xFF20305A, 0xFF4A2E1C, 0xFFF2CFB0, 0xFF2A4A80, 0xFF2F5FA8, 0xFFD03030, false, false}},
    {"SUZU", {0xFFE8A0B8, 0xFF6A2040, 0xFF181018, 0xFFF6D8C0, 0xFF602040, 0xFFF4F0F0, 0xFFE02040, true, false}},
    {"TOBI", {0xFF90C070, 0xFF2A4A20, 0xFF6A5A2A, 0xFFE0B890, 0xFF305020, 0xFF6A4A2A, 0xFF40A040, false, false}},
    {"KAEDE", {0xFFF0B060, 0xFF703010, 0xFF3A2418, 0xFFF0C8A8, 0xFF603018, 0xFFE07020, 0xFFF0E0C0, true, true}},
};

bool inEllipse(double x, double y, double cx, double cy, double rx, double ry) {
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

uint32_t paint(const PortraitStyle& s, double x, double y) {
  uint32_t c = mix(s.backgroundTop, s.backgroundBottom, y / 64.0);
  if (s.longHair && inEllipse(x, y, 32, 36, 19, 24) && y > 20) c = s.hair;
  if (inEllipse(x, y, 32, 72, 30, 20)) c = s.clothes;
  if (inEllipse(x, y, 32, 60, 9, 4) && y > 58) c = s.accent;  // collar
  if (x > 27 && x < 37 && y > 40 && y < 56) c = mix(s.skin, 0xFF000000, 0.12);  // neck
  if (s.hood && inEllipse(x, y, 32, 28, 20, 22) && !inEllipse(x, y, 32, 31, 15, 17)) c = s.accent;
  if (inEllipse(x, y, 32, 31, 13.5, 16)) c = s.skin;
  // The fringe: hair over the top of the head, its lower edge waving.
  const double fringe = 22.0 + 3.0 * std::sin(x * 0.9);
  if (!s.hood && inEllipse(x, y, 32, 27, 16, 16) && y < fringe) c = s.hair;
  if (!s.hood && !s.longHair && inEllipse(x, y, 32, 27, 16, 16) && (x < 19.5 || x > 44.5) && y < 34) c = s.hair;
  if (s.longHair && !s.hood && inEllipse(x, y, 32, 27, 16, 16) && (x < 20 || x > 44)) c = s.hair;
  if (!s.hood && y > 17 && y < 19.5 && inEllipse(x, y, 32, 27, 16.2, 16.2)) c = s.accent;  // band or ribbon
  for (const double eyeX : {26.5, 37.5}) {
    if (inEllipse(x, y, eyeX, 32, 2.6, 3.4)) c = s.eyes;
    if (inEllipse(x, y, eyeX + 0.8, 31, 0.9, 1.0)) c = 0xFFFFFFFF;
    if (y > 27.2 && y < 28.2 && std::abs(x - eyeX) < 3.2) c = mix(s.hair, 0xFF000000, 0.3);  // brow
  }
  if (y > 39.5 && y < 40.6 && std::abs(x - 32) < 2.5) c = 0xFFB04848;  // mouth
  return c;
}

Image portrait(const PortraitStyle& style) {
  constexpr int kSamples = 4;
  Image image(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const uint32_t c = paint(style, x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
          r += c >> 16 & 0xFF;
          g += c >> 8 & 0xFF;
          b += c & 0xFF;
        }
      }
      constexpr double n = kSamples * kSamples;
      image.at(x, y) = argb(255, static_cast<int>(std::lround(r / n)), static_cast<int>(std::lround(g / n)),
                            static_cast<int>(std::lround(b / n)));
    }
  }
  return image;
}

}  // namespace

void generatePortraits(Context& context) {
  for (const std::string& script : context.characterScripts) {
    const auto style = kStyles.find(script);
    if (style == kStyles.end()) {
      context.lint.report("content/generator/portraits.cpp", "no portrait style for the character \"" + script + "\"");
      continue;
    }
    context.out.writeScrambled("SCHR/" + script + ".zgr", encodeBmp(portrait(style->second)));
  }
}

}  // namespace content
