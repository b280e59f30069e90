// Character configurations and hand-held models: "Mdl\<script name>.ZD" for every playable
// character (the actor script name of its sheet, so that the game loads a member's figure by
// that name), "Mdl\<name>.ZD" for the villagers the scripts place, and the weapon models
// "Wea\wea<item number>.ZDX" of the weapon items, with their textures.
//
// Every playable character wears the demo figure "Mdl\test.zdm" (about 1.8 units tall, scaled
// by 100: 180 model units) with its eye textures "Mdl\eyes\test_e<n>.zgr", the heroes and every
// villager in a look of its own ("Mdl\<name>.zdm" with its textures, rb_models.cpp).
// Actions: 0 "stand" and 1 "walk", both at one frame per tick and looping.
//
// A weapon is a Mat model held at the bone "wea_b": its blade runs along +Y from the hand and
// the configuration tilts it forward (the figure faces -Z). The Mat reader maps a file position
// (x, y, z) to (-2x, 2y, 2z), so positions are built in model units and written halved with x
// mirrored; faces are wound clockwise seen from outside, the device's front faces.
#include <cstdio>
#include <utility>
#include <string>
#include <vector>

#include "content/generator/content.h"
#include "content/generator/mat_text.h"

namespace content {

namespace {

// The configuration of one character, one field per line as the game reads it.
std::string characterConfiguration(const std::string& model = "test", const std::string& scale = "1.0",
                                   int height = 180, int radius = 40) {
  return joinLines({
      model,                // model base name: Mdl\<model>.zdm, Mdl\eyes\<model>_e*.zgr
      scale + ",",          // model scale
      std::to_string(height) + "," + std::to_string(radius) + ",",  // height, collision radius
      "10,10,10;",          // action speeds: stand, walk, step
      "0,0,0,",             // loop modes: all restart at their end
      "0,-6,0,",            // weapon offset from the hand
      "0,-70,0,",           // weapon rotation: yaw, pitch, roll in degrees (tilted forward)
      "0,-6,0,",            // guard offset
      "0,0,0,",             // guard rotation
  });
}

// The party: each hero wears the demo figure in a look of its own, in the colours of its
// portrait, under its actor script name.
const FigureLook kHeroes[] = {
    // ナギ: the young swordsman, in blue with a red headband.
    {"NAGI", FigureLook::kVillager, 0x2F5FA8, 0x20305A, 0x4A2E1C, 0xF2CFB0, FigureLook::kHeadband, 0xD03030},
    // スズ: the bell keeper's daughter, in white over a red skirt.
    {"SUZU", FigureLook::kVillager, 0xF4F0F0, 0xC02040, 0x181018, 0xF6D8C0, FigureLook::kNoHat, 0, true},
    // トビ: the hunter, in leather brown and moss green.
    {"TOBI", FigureLook::kVillager, 0x6A4A2A, 0x305020, 0x6A5A2A, 0xE0B890, FigureLook::kNoHat, 0},
    // カエデ: in maple orange with a dark skirt.
    {"KAEDE", FigureLook::kVillager, 0xE07020, 0x603018, 0x3A2418, 0xF0C8A8, FigureLook::kNoHat, 0, true},
};

// The villagers: configuration name (also the model's), look, scale and size.
struct Villager {
  FigureLook look;
  const char* scale;
  int height, radius;
};

const Villager kVillagers[] = {
    // 村長: the elder, white-haired and bearded, in green and grey.
    {{"SONCHO", FigureLook::kVillager, 0x3E6B48, 0x6E6E78, 0xE8E8E4, 0xE8C0A0, FigureLook::kNoHat, 0, false, true},
     "0.95", 171, 40},
    // 風車番: the miller, in brown with a white headband.
    {{"FUSHA", FigureLook::kVillager, 0x8A5A34, 0x5A4632, 0x2A2220, 0xE6B894, FigureLook::kHeadband, 0xF4F0E8},
     "1.0", 180, 40},
    // 農夫: the farmer, in indigo under a straw hat.
    {{"NOUFU", FigureLook::kVillager, 0x2E3C78, 0xB4A482, 0x2A2220, 0xD8A880, FigureLook::kStrawHat, 0xD8B868},
     "1.0", 180, 40},
    // おばあさん: the old woman, in plum with a dark skirt.
    {{"OBABA", FigureLook::kVillager, 0x7A4670, 0x463C4C, 0xB8B8B8, 0xE8C4A8, FigureLook::kNoHat, 0, true},
     "0.88", 158, 38},
    // 村の子: a child in orange.
    {{"KODOMO", FigureLook::kVillager, 0xE07830, 0x4A4A60, 0x302420, 0xF2CCAA}, "0.68", 122, 30},
    // 村娘: a young woman in pink with a red skirt.
    {{"MUSUME", FigureLook::kVillager, 0xE8A0B4, 0xB43C3C, 0x302420, 0xF4D0B4, FigureLook::kNoHat, 0, true},
     "0.95", 171, 38},
    // 神主: the shrine's keeper, in white with a pale blue skirt and a tall black cap.
    {{"KANNUSHI", FigureLook::kVillager, 0xF0F0EC, 0x7890C8, 0x2A2220, 0xE8C0A0, FigureLook::kTallCap, 0x202020, true},
     "1.0", 180, 40},
};

using Point = MatPoint;

// A Mat model of one object and one textured material, made of boxes.
class HeldModel {
 public:
  // A box from lo to hi, every face outward.
  void box(Point lo, Point hi) {
    int corner[8];
    for (int i = 0; i < 8; ++i)
      corner[i] = model_.vertex({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
    // Corners of each face (bits: 1 = x high, 2 = y high, 4 = z high), turned where needed so
    // that (b - a) x (c - a) points outwards: clockwise seen from outside in the game's
    // left-handed space.
    static const int kFaces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2},
                                     {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    const Point centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    for (const auto& face : kFaces) {
      std::vector<int> corners = {corner[face[0]], corner[face[1]], corner[face[2]], corner[face[3]]};
      const Point a = model_.point(corners[0]), b = model_.point(corners[1]), c = model_.point(corners[2]);
      const Point u = {b.x - a.x, b.y - a.y, b.z - a.z}, v = {c.x - a.x, c.y - a.y, c.z - a.z};
      const Point n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
      Point mid = {0, 0, 0};
      for (int k : corners) {
        mid.x += model_.point(k).x / 4;
        mid.y += model_.point(k).y / 4;
        mid.z += model_.point(k).z / 4;
      }
      const double outward = n.x * (mid.x - centre.x) + n.y * (mid.y - centre.y) + n.z * (mid.z - centre.z);
      if (outward < 0) std::swap(corners[1], corners[3]);
      model_.face(corners, " UV(0 0 1 0 1 1 0 1)");
    }
  }

  // The material colour is written as whole numbers 0 to 255 (the reader keeps "col" values as
  // integers; the weapon trail takes them as the blade's colour).
  std::string text(const std::string& name, const std::string& texture, int r, int g, int b) const {
    char attributes[200];
    std::snprintf(attributes, sizeof attributes,
                  "col(%d %d %d 1) dif(1.000) amb(0.500) emi(0.000) spc(0.000) power(0.00) tex(\"%s\")", r, g, b,
                  texture.c_str());
    return model_.text(name, attributes);
  }

 private:
  MatText model_;
};

// A straight weapon along +Y: a grip below the hand, a cross guard and a blade (or shaft).
HeldModel straightWeapon(double bladeLength, double bladeWidth, bool crossGuard) {
  HeldModel model;
  model.box({-2, -14, -2}, {2, 4, 2});  // grip
  if (crossGuard) model.box({-9, 4, -2.5}, {9, 7, 2.5});
  model.box({-bladeWidth / 2, 4, -1}, {bladeWidth / 2, 4 + bladeLength, 1});
  return model;
}

// A 4 x 4 texture of one colour, lighter along its top row (a sheen on the edge).
std::vector<uint8_t> plainTexture(int r, int g, int b) {
  Image image(4, 4, argb(255, r, g, b));
  for (int x = 0; x < 4; ++x) image.at(x, 0) = mix(argb(255, r, g, b), argb(255, 255, 255, 255), 0.4);
  return encodeBmp(image);
}

struct WeaponKind {
  int item;             // the weapon's item number: the model is "wea<item>"
  double length, width;
  bool crossGuard;
  int r, g, b;
};

// The weapon items of the demo's item table (Db\ItmDt.zd, kind 1).
constexpr WeaponKind kWeapons[] = {
    {4, 80, 6, true, 150, 105, 60},    // 木刀: a wooden sword
    {5, 90, 7, true, 190, 195, 205},   // 鋼の剣: a steel sword
    {6, 100, 3, false, 120, 80, 40},   // 狩人の弓: a bow, held as a bare stave
    {7, 110, 3, false, 200, 170, 70},  // 錫杖: a staff
    {20, 55, 12, false, 110, 80, 50},   // the goblin's club (an enemy's weapon, no item)
    {21, 170, 4, false, 200, 225, 235},  // the old wind spirit's staff (an enemy's weapon, no item)
};

}  // namespace

std::string playableFigure(const std::string& script) {
  for (const FigureLook& hero : kHeroes)
    if (hero.name == script) return hero.name;
  return "test";
}

void generateCharacters(Context& context) {
  if (context.characterScripts.empty()) context.lint.report("content/schr", "no character sheets for the models");
  for (const std::string& script : context.characterScripts) {
    if (script.empty() || script.find_first_of(" \t\\/") != std::string::npos) {
      context.lint.report("content/schr", "actor script name \"" + script + "\" cannot name a model file");
      continue;
    }
    for (const FigureLook& hero : kHeroes)
      if (hero.name == script) writeFigure(context, hero);
    context.out.write("Mdl/" + script + ".ZD", characterConfiguration(playableFigure(script)));
  }
  for (const Villager& v : kVillagers) {
    writeFigure(context, v.look);
    context.out.write("Mdl/" + v.look.name + ".ZD", characterConfiguration(v.look.name, v.scale, v.height, v.radius));
  }
  for (const WeaponKind& w : kWeapons) {
    const std::string name = "wea" + std::to_string(w.item);
    const std::string texture = name + ".zgr";
    const HeldModel model = straightWeapon(w.length, w.width, w.crossGuard);
    context.out.write("Wea/" + name + ".ZDX", model.text(name, texture, w.r, w.g, w.b));
    context.out.writeScrambled("Wea/" + texture, plainTexture(w.r, w.g, w.b));
  }
}

}  // namespace content
