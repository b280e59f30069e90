// The textures of the maps, "Mat\<name>.zgr" (scrambled 24-bit BMP): ground, water, banks,
// wood, walls, roofs and foliage. Every picture repeats without seams (its noise wraps at the
// picture's edge), so that faces can repeat it in world units.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "content/generator/content.h"
#include "content/generator/map_mesh.h"

namespace content {

namespace {

constexpr double kPi = 3.14159265358979;

uint32_t hash(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// A number in [0, 1) fixed by the lattice point.
double random01(int x, int y, int seed) {
  return (hash(x, y, seed) & 0xFFFFFF) / 16777216.0;
}

// Value noise over a lattice of period x period cells spread over the unit square, wrapping.
double noise(double u, double v, int period, int seed) {
  const double x = u * period, y = v * period;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int i, int j) {
    return random01(((i % period) + period) % period, ((j % period) + period) % period, seed);
  };
  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  const double sx = smooth(fx), sy = smooth(fy);
  const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}

// Noise of several octaves, about 0 … 1.
double fbm(double u, double v, int period, int octaves, int seed) {
  double sum = 0, weight = 0, amplitude = 1;
  for (int o = 0; o < octaves; ++o) {
    sum += noise(u, v, period << o, seed + o) * amplitude;
    weight += amplitude;
    amplitude *= 0.5;
  }
  return sum / weight;
}

uint32_t rgb(int r, int g, int b) {
  return argb(255, r, g, b);
}

// A picture whose every pixel is the function of its (u, v) in [0, 1).
Image painted(int size, const std::function<uint32_t(double, double, int, int)>& paint) {
  Image image(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) image.at(x, y) = paint((x + 0.5) / size, (y + 0.5) / size, x, y);
  return image;
}

// Scatters n small round spots of the colour (wrapping at the edges).
void spots(Image& image, int n, double radius, uint32_t colour, int seed, double strength = 1.0) {
  for (int i = 0; i < n; ++i) {
    const double cx = random01(i, 1, seed) * image.width, cy = random01(i, 2, seed) * image.height;
    const int r = static_cast<int>(std::ceil(radius));
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx) {
        const double d = std::hypot(dx, dy) / radius;
        if (d > 1) continue;
        const int x = ((static_cast<int>(cx) + dx) % image.width + image.width) % image.width;
        const int y = ((static_cast<int>(cy) + dy) % image.height + image.height) % image.height;
        image.at(x, y) = mix(image.at(x, y), colour, strength * (1 - d * d * 0.5));
      }
  }
}

// Short vertical strokes (grass blades, straw, bark fibres).
void strokes(Image& image, int n, int length, uint32_t colour, int seed, double strength) {
  for (int i = 0; i < n; ++i) {
    const int x = static_cast<int>(random01(i, 3, seed) * image.width);
    const int y = static_cast<int>(random01(i, 4, seed) * image.height);
    const int len = 1 + static_cast<int>(random01(i, 5, seed) * length);
    for (int k = 0; k < len; ++k) {
      const int yy = ((y + k) % image.height + image.height) % image.height;
      image.at(x, yy) = mix(image.at(x, yy), colour, strength);
    }
  }
}

Image grass(int seed, uint32_t low, uint32_t high) {
  Image image = painted(128, [&](double u, double v, int, int) { return mix(low, high, fbm(u, v, 4, 4, seed)); });
  strokes(image, 900, 4, mix(low, rgb(30, 60, 20), 0.5), seed + 10, 0.5);
  strokes(image, 700, 3, mix(high, rgb(220, 240, 140), 0.4), seed + 11, 0.5);
  return image;
}

Image meadow() {
  Image image = grass(20, rgb(92, 146, 58), rgb(132, 180, 76));
  spots(image, 40, 1.3, rgb(250, 250, 240), 21);
  spots(image, 30, 1.3, rgb(250, 220, 70), 22);
  spots(image, 16, 1.3, rgb(236, 140, 170), 23);
  return image;
}

Image moss() {
  Image image = painted(128, [](double u, double v, int, int) {
    uint32_t c = mix(rgb(52, 84, 44), rgb(84, 116, 58), fbm(u, v, 4, 4, 30));
    return mix(c, rgb(112, 88, 52), std::clamp((fbm(u, v, 8, 3, 31) - 0.55) * 4, 0.0, 0.8));
  });
  spots(image, 140, 1.8, rgb(130, 96, 50), 32, 0.6);
  strokes(image, 500, 3, rgb(36, 60, 30), 33, 0.5);
  return image;
}

Image path() {
  Image image = painted(128, [](double u, double v, int, int) {
    return mix(rgb(178, 148, 104), rgb(214, 188, 140), fbm(u, v, 4, 4, 40));
  });
  spots(image, 90, 1.6, rgb(140, 118, 90), 41, 0.7);
  spots(image, 70, 1.2, rgb(236, 222, 190), 42, 0.7);
  return image;
}

Image soil(bool crops) {
  Image image = painted(128, [&](double u, double v, int, int) {
    const double furrow = 0.5 + 0.5 * std::cos(v * 2 * kPi * 8);
    uint32_t c = mix(rgb(112, 78, 50), rgb(150, 108, 70), fbm(u, v, 8, 3, 50) * 0.6 + furrow * 0.4);
    if (crops) {
      const double leaf = fbm(u, v, 16, 2, 51);
      const double row = std::clamp((furrow - 0.35) * 2.2, 0.0, 1.0);
      c = mix(c, mix(rgb(60, 130, 46), rgb(130, 190, 70), leaf), row * std::clamp((leaf - 0.25) * 3, 0.0, 1.0));
    }
    return c;
  });
  return image;
}

Image water() {
  return painted(128, [](double u, double v, int, int) {
    uint32_t c = mix(rgb(46, 92, 140), rgb(76, 132, 178), fbm(u, v, 4, 3, 60));
    const double ripple = std::sin((v + 0.06 * std::sin(u * 2 * kPi * 3)) * 2 * kPi * 10 + fbm(u, v, 4, 2, 61) * 6);
    if (ripple > 0.85) c = mix(c, rgb(200, 226, 240), (ripple - 0.85) * 4);
    return c;
  });
}

// Boards along u: four to the picture, dark gaps, grain.
Image planks(uint32_t low, uint32_t high, int seed) {
  return painted(64, [&](double u, double v, int, int y) {
    const int board = y / 16;
    const double grain = fbm(u * 0.25 + board * 0.37, v * 4, 4, 3, seed + board);
    uint32_t c = mix(low, high, grain * 0.8 + random01(board, 0, seed) * 0.3);
    if (y % 16 == 0) c = mix(c, rgb(40, 28, 18), 0.7);
    const int joint = static_cast<int>(random01(board, 1, seed) * 64);
    if ((static_cast<int>(u * 64) - joint + 64) % 64 == 0) c = mix(c, rgb(40, 28, 18), 0.6);
    return c;
  });
}

// Flagstones: rows of cut stones, every other row shifted, with mortar between them.
Image stone(uint32_t low, uint32_t high, int seed) {
  return painted(128, [&](double u, double v, int x, int y) {
    const int row = y / 16;
    const int offset = row % 2 ? 16 : 0;
    const int column = ((x + offset) % 128) / 32;
    const int inRowX = (x + offset) % 128 % 32, inRowY = y % 16;
    uint32_t c = mix(low, high, random01(row, column, seed) * 0.6 + fbm(u, v, 8, 3, seed + 1) * 0.4);
    if (inRowX < 2 || inRowY < 2) c = mix(c, rgb(70, 68, 64), 0.75);
    return c;
  });
}

Image gravel() {
  Image image = painted(128, [](double u, double v, int, int) {
    return mix(rgb(170, 166, 156), rgb(212, 208, 198), fbm(u, v, 16, 2, 70));
  });
  spots(image, 900, 1.0, rgb(128, 124, 118), 71, 0.6);
  spots(image, 300, 1.0, rgb(246, 244, 238), 72, 0.6);
  return image;
}

// Layered earth and rock of a bank or cliff.
Image earth() {
  return painted(64, [](double u, double v, int, int) {
    const double band = 0.5 + 0.5 * std::sin((v + 0.08 * fbm(u, v, 4, 2, 80)) * 2 * kPi * 4);
    return mix(mix(rgb(112, 90, 66), rgb(150, 126, 96), fbm(u, v, 8, 3, 81)), rgb(96, 88, 80), band * 0.4);
  });
}

Image rock() {
  Image image = painted(64, [](double u, double v, int, int) {
    uint32_t c = mix(rgb(104, 104, 100), rgb(156, 154, 146), fbm(u, v, 4, 4, 90));
    c = mix(c, rgb(92, 100, 80), std::clamp((fbm(u, v, 8, 2, 92) - 0.6) * 3, 0.0, 0.5));  // lichen
    if (std::abs(noise(u, v, 4, 91) - 0.5) < 0.015) c = mix(c, rgb(70, 70, 66), 0.4);
    return c;
  });
  spots(image, 120, 1.0, rgb(190, 188, 180), 93, 0.4);
  return image;
}

Image bark() {
  Image image = painted(64, [](double u, double v, int, int) {
    return mix(rgb(70, 50, 34), rgb(112, 84, 58), noise(u * 0.999, v, 8, 100) * 0.5 + noise(u, v * 0.25, 16, 101) * 0.5);
  });
  strokes(image, 300, 10, rgb(44, 30, 20), 102, 0.6);
  return image;
}

// Foliage: clumps of light and dark leaves.
Image foliage(uint32_t dark, uint32_t light, int seed) {
  Image image = painted(64, [&](double u, double v, int, int) { return mix(dark, light, fbm(u, v, 4, 3, seed)); });
  spots(image, 120, 2.2, mix(light, rgb(220, 240, 150), 0.35), seed + 1, 0.6);
  spots(image, 120, 2.0, mix(dark, rgb(10, 30, 10), 0.5), seed + 2, 0.6);
  return image;
}

// A plaster wall in a dark timber frame.
Image plaster() {
  return painted(64, [](double u, double v, int x, int y) {
    uint32_t c = mix(rgb(222, 210, 184), rgb(240, 232, 212), fbm(u, v, 8, 3, 110));
    const bool frame = x < 4 || x >= 60 || y < 4 || y >= 60 || (y >= 30 && y < 34);
    if (frame) c = mix(rgb(80, 56, 38), rgb(104, 74, 50), noise(u, v, 16, 111));
    return c;
  });
}

Image thatch() {
  Image image = painted(64, [](double u, double v, int, int y) {
    uint32_t c = mix(rgb(150, 118, 66), rgb(196, 160, 96), fbm(u, v, 8, 3, 120));
    if (y % 16 < 2) c = mix(c, rgb(96, 72, 40), 0.6);
    return c;
  });
  strokes(image, 600, 8, rgb(110, 84, 46), 121, 0.5);
  strokes(image, 400, 6, rgb(220, 190, 120), 122, 0.4);
  return image;
}

// Rounded roof tiles in columns and rows.
Image kawara() {
  return painted(64, [](double u, double v, int x, int y) {
    const double ridge = std::sin((x % 16) / 16.0 * kPi);
    uint32_t c = mix(rgb(52, 58, 70), rgb(100, 108, 122), ridge * 0.8 + fbm(u, v, 8, 2, 130) * 0.2);
    if (y % 16 < 2) c = mix(c, rgb(30, 32, 40), 0.7);
    return c;
  });
}

Image lacquer(uint32_t low, uint32_t high, int seed) {
  return painted(64, [&](double u, double v, int, int) { return mix(low, high, fbm(u, v, 4, 3, seed)); });
}

Image door() {
  return painted(64, [](double u, double v, int x, int y) {
    uint32_t c = mix(rgb(96, 66, 42), rgb(124, 88, 58), noise(u * 0.999, v, 16, 140));
    if (x % 16 == 0) c = mix(c, rgb(50, 34, 22), 0.7);
    if (x < 4 || x >= 60 || y < 4) c = rgb(62, 42, 28);
    return c;
  });
}

// Paper screen in a lattice (windows).
Image shoji() {
  return painted(64, [](double, double, int x, int y) {
    if (x < 4 || x >= 60 || y < 4 || y >= 60) return rgb(72, 50, 34);
    if (x % 15 < 2 || y % 20 < 2) return rgb(110, 80, 54);
    return rgb(236, 228, 204);
  });
}

// Canvas stretched over a lattice (windmill sails).
Image sail() {
  return painted(64, [](double u, double v, int x, int y) {
    if (x % 16 < 2 || y % 21 < 2) return rgb(110, 80, 54);
    return mix(rgb(216, 206, 184), rgb(240, 234, 218), fbm(u, v, 8, 2, 150));
  });
}

// A wooden chest: red-brown boards with iron bands.
Image chest() {
  return painted(64, [](double u, double v, int x, int y) {
    uint32_t c = mix(rgb(130, 56, 36), rgb(168, 80, 48), noise(u * 0.999, v, 16, 160));
    if (y % 16 == 0) c = mix(c, rgb(50, 24, 16), 0.6);
    if (x < 6 || x >= 58 || (x >= 29 && x < 35)) c = mix(rgb(70, 70, 76), rgb(150, 150, 156), noise(u, v, 16, 161));
    return c;
  });
}

struct MapTexture {
  const char* name;
  std::function<Image()> make;
};

const std::vector<MapTexture>& mapTextures() {
  static const std::vector<MapTexture> textures = {
      {"grass.zgr", [] { return grass(10, rgb(86, 140, 54), rgb(128, 176, 72)); }},
      {"meadow.zgr", meadow},
      {"moss.zgr", moss},
      {"path.zgr", path},
      {"soil.zgr", [] { return soil(false); }},
      {"crops.zgr", [] { return soil(true); }},
      {"water.zgr", water},
      {"planks.zgr", [] { return planks(rgb(132, 96, 60), rgb(178, 136, 90), 170); }},
      {"wood.zgr", [] { return planks(rgb(82, 56, 38), rgb(112, 80, 54), 171); }},
      {"stone.zgr", [] { return stone(rgb(140, 138, 130), rgb(186, 182, 172), 180); }},
      {"gravel.zgr", gravel},
      {"earth.zgr", earth},
      {"rock.zgr", rock},
      {"bark.zgr", bark},
      {"leaves.zgr", [] { return foliage(rgb(48, 100, 40), rgb(104, 160, 62), 190); }},
      {"needles.zgr", [] { return foliage(rgb(26, 62, 44), rgb(58, 104, 66), 195); }},
      {"plaster.zgr", plaster},
      {"thatch.zgr", thatch},
      {"kawara.zgr", kawara},
      {"vermilion.zgr", [] { return lacquer(rgb(186, 52, 34), rgb(226, 84, 50), 200); }},
      {"black.zgr", [] { return lacquer(rgb(28, 26, 26), rgb(56, 52, 50), 201); }},
      {"door.zgr", door},
      {"shoji.zgr", shoji},
      {"sail.zgr", sail},
      {"chest.zgr", chest},
  };
  return textures;
}

}  // namespace

bool isMapTexture(const std::string& name) {
  for (const MapTexture& t : mapTextures())
    if (name == t.name) return true;
  return false;
}

void generateMapTextures(Context& context) {
  for (const MapTexture& t : mapTextures()) context.out.writeScrambled(std::string("Mat/") + t.name, encodeBmp(t.make()));
}

}  // namespace content
