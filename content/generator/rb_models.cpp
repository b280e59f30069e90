// Models of the "RB Object format" (".zdm"): a writer for the binary format, the demo figure
// "Mdl\test.zdm" with its textures, and the same figure in the villagers' looks.
//
// The figure is built of boxes, each bound to one bone, in model units of about one metre
// (1.8 tall; a character's configuration scales it by s * 100). Its bones are the root "r",
// "waist_b", "head_b", the arms "arm_r" and "arm_l" with the hands "wea_b" and "gua_b" (where a
// character holds its weapon and guard), and the legs "leg_r" and "leg_l". The front of the head
// is an eye material ("test_e0.bmp"), whose textures "Mdl\eyes\test_e0.zgr" (open) and
// "test_e1.zgr" (closed) the character puts on it. Animations: 0 "stand", a slow breath;
// 1 "walk", legs and arms swinging in a 32-frame loop; 2 "step", a slower, smaller walk.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "content/generator/content.h"
#include "content/generator/battle_content.h"
#include "content/generator/rb_writer.h"

namespace content {

namespace {

// --- the demo figure ---

enum Bone { kRoot, kMove, kWaist, kHead, kArmR, kHandR, kArmL, kHandL, kLegR, kLegL, kBoneCount };

Vec3 minus(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A turn about X by angle (a leg swinging back, away from the face, for a positive angle) in the
// game's quaternion convention.
Quat pitch(float angle) { return {std::sin(-angle / 2), 0, 0, std::cos(-angle / 2)}; }

// A box from lo to hi bound to a bone; the vertices of its top are shared half and half with
// topBone when that is not 0 (a soft shoulder or hip). Faces are wound clockwise as seen from
// outside, so back faces are culled; the face towards +Z (the figure's front: a heading turns +Z
// to the direction of travel) gets frontMaterial.
void addBox(RbModel& model, RbGroup& group, Vec3 lo, Vec3 hi, int bone, int topBone, int material,
            int frontMaterial) {
  const int first = static_cast<int>(model.vertices.size());
  for (int i = 0; i < 8; ++i) {
    const bool top = i & 2;
    RbVertex v{{i & 1 ? hi.x : lo.x, top ? hi.y : lo.y, i & 4 ? hi.z : lo.z}, bone, 0, 1};
    if (top && topBone != 0) {
      v.bone2 = topBone;
      v.weight = 0.5f;
    }
    model.vertices.push_back(v);
  }
  // Corners of each face (bits: 1 = x high, 2 = y high, 4 = z high) and its outward normal.
  const struct {
    int corners[4];
    Vec3 normal;
  } faces[6] = {
      {{0, 2, 3, 1}, {0, 0, -1}}, {{5, 7, 6, 4}, {0, 0, 1}}, {{0, 4, 6, 2}, {-1, 0, 0}},
      {{1, 3, 7, 5}, {1, 0, 0}},  {{2, 6, 7, 3}, {0, 1, 0}}, {{0, 1, 5, 4}, {0, -1, 0}},
  };
  for (int f = 0; f < 6; ++f) {
    RbPolygon polygon;
    polygon.material = f == 1 ? frontMaterial : material;
    int order[4] = {faces[f].corners[0], faces[f].corners[1], faces[f].corners[2], faces[f].corners[3]};
    const Vec3 p0 = model.vertices[first + order[0]].position;
    const Vec3 n = cross(minus(model.vertices[first + order[1]].position, p0),
                         minus(model.vertices[first + order[2]].position, p0));
    if (dot(n, faces[f].normal) < 0) std::swap(order[1], order[3]);
    for (int c = 0; c < 4; ++c) polygon.corners.push_back({first + order[c], c});
    group.polygons.push_back(polygon);
  }
}

// The figure in a look: the demo figure "test" has the plain look (one cloth texture on every
// box but the face); a villager's look adds textures for the legs and the hair, a hat, a skirt
// or a beard.
RbModel figure(const FigureLook& look) {
  RbModel m;
  m.bones = {
      // The root is nobody's parent in the format: "move_b" carries the whole body.
      {kRoot, "r", {0, 0, 0}, 0, {kMove}},
      {kMove, "move_b", {0, 0, 0}, 0, {kWaist}},
      {kWaist, "waist_b", {0, 0.9f, 0}, kMove, {kHead, kArmR, kArmL, kLegR, kLegL}},
      {kHead, "head_b", {0, 1.45f, 0}, kWaist, {}},
      {kArmR, "arm_r", {0.28f, 1.4f, 0}, kWaist, {kHandR}},
      {kHandR, "wea_b", {0.28f, 0.85f, 0}, kArmR, {}},
      {kArmL, "arm_l", {-0.28f, 1.4f, 0}, kWaist, {kHandL}},
      {kHandL, "gua_b", {-0.28f, 0.85f, 0}, kArmL, {}},
      {kLegR, "leg_r", {0.1f, 0.9f, 0}, kWaist, {}},
      {kLegL, "leg_l", {-0.1f, 0.9f, 0}, kWaist, {}},
  };
  m.texCoords = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
  const std::string base = "C:\\models\\" + look.name;
  m.materials = {{true, base + ".bmp"}, {true, base + "_e0.bmp"}};
  const bool plain = look.kind == FigureLook::kPlain;
  if (!plain) m.materials.insert(m.materials.end(), {{true, base + "_b.bmp"}, {true, base + "_h.bmp"}});
  if (look.hat != FigureLook::kNoHat) m.materials.push_back({true, base + "_t.bmp"});
  const int cloth = 0, face = 1, legs = plain ? 0 : 2, hair = plain ? 0 : 3, hat = 4;
  RbGroup body{"body", {}};
  addBox(m, body, {-0.2f, 0.9f, -0.12f}, {0.2f, 1.45f, 0.12f}, kWaist, 0, cloth, cloth);
  addBox(m, body, {-0.14f, 1.45f, -0.14f}, {0.14f, 1.8f, 0.14f}, kHead, 0, hair, face);
  addBox(m, body, {0.2f, 0.8f, -0.06f}, {0.32f, 1.42f, 0.06f}, kArmR, kWaist, cloth, cloth);
  addBox(m, body, {-0.32f, 0.8f, -0.06f}, {-0.2f, 1.42f, 0.06f}, kArmL, kWaist, cloth, cloth);
  addBox(m, body, {0.03f, 0.0f, -0.07f}, {0.18f, 0.9f, 0.07f}, kLegR, 0, legs, legs);
  addBox(m, body, {-0.18f, 0.0f, -0.07f}, {-0.03f, 0.9f, 0.07f}, kLegL, 0, legs, legs);
  if (look.skirt) addBox(m, body, {-0.24f, 0.4f, -0.16f}, {0.24f, 0.95f, 0.16f}, kWaist, 0, legs, legs);
  if (look.beard) addBox(m, body, {-0.1f, 1.43f, -0.17f}, {0.1f, 1.55f, -0.1f}, kHead, 0, hair, hair);
  switch (look.hat) {
    case FigureLook::kStrawHat:
      addBox(m, body, {-0.3f, 1.78f, -0.3f}, {0.3f, 1.82f, 0.3f}, kHead, 0, hat, hat);
      addBox(m, body, {-0.13f, 1.82f, -0.13f}, {0.13f, 1.92f, 0.13f}, kHead, 0, hat, hat);
      break;
    case FigureLook::kTallCap:
      addBox(m, body, {-0.1f, 1.78f, -0.08f}, {0.1f, 2.05f, 0.12f}, kHead, 0, hat, hat);
      break;
    case FigureLook::kHeadband:
      addBox(m, body, {-0.15f, 1.68f, -0.15f}, {0.15f, 1.73f, 0.15f}, kHead, 0, hat, hat);
      break;
    case FigureLook::kNoHat:
      break;
  }
  m.groups.push_back(body);

  // The root's track spans each animation: the animation's length is read from the first track.
  // The body's bone is keyed too, so that it leaves any pose a battle put it in.
  RbAnim stand{0, "stand", std::vector<std::vector<RbKey>>(kBoneCount)};
  stand.tracks[kRoot] = {{0, {}, {}}, {60, {}, {}}};
  stand.tracks[kMove] = stand.tracks[kRoot];
  stand.tracks[kWaist] = {{0, {}, {}}, {30, {0, -0.01f, 0}, {}}, {60, {}, {}}};
  stand.tracks[kArmR] = {{0, {}, pitch(0.05f)}, {30, {}, pitch(0.1f)}, {60, {}, pitch(0.05f)}};
  stand.tracks[kArmL] = stand.tracks[kArmR];
  m.anims.push_back(stand);

  RbAnim walk{1, "walk", std::vector<std::vector<RbKey>>(kBoneCount)};
  const float swing = 0.5f;
  walk.tracks[kRoot] = {{0, {}, {}}, {32, {}, {}}};
  walk.tracks[kMove] = walk.tracks[kRoot];
  walk.tracks[kLegR] = {{0, {}, pitch(swing)}, {16, {}, pitch(-swing)}, {32, {}, pitch(swing)}};
  walk.tracks[kLegL] = {{0, {}, pitch(-swing)}, {16, {}, pitch(swing)}, {32, {}, pitch(-swing)}};
  walk.tracks[kArmR] = walk.tracks[kLegL];
  walk.tracks[kArmL] = walk.tracks[kLegR];
  walk.tracks[kWaist] = {{0, {}, {}}, {8, {0, 0.03f, 0}, {}}, {16, {}, {}}, {24, {0, 0.03f, 0}, {}}, {32, {}, {}}};
  m.anims.push_back(walk);
  addBattleAnimations(m);
  return m;
}

uint32_t colourOf(uint32_t rgb) {
  return 0xFF000000u | rgb;
}

// A cloth: a 32 x 32 weave of two shades with a lighter seam.
Image clothTexture(uint32_t colour, uint32_t shade, uint32_t seam) {
  Image image(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      uint32_t c = ((x / 4 + y / 4) % 2) ? colour : shade;
      if (x == 0 || y == 0) c = seam;
      image.at(x, y) = c;
    }
  return image;
}
Image clothTexture(uint32_t rgb) {
  const uint32_t colour = colourOf(rgb);
  return clothTexture(colour, mix(colour, 0xFF000000, 0.14), mix(colour, 0xFFFFFFFF, 0.45));
}

// A face for the front of the head: skin with two eyes, open (dark ovals) or closed (lines),
// and the hair's colour along the top.
Image eyeTexture(bool open, uint32_t skin, uint32_t hair, bool fringe) {
  Image image(32, 32, colourOf(skin));
  if (fringe)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 32; ++x) image.at(x, y) = colourOf(hair);
  for (int side : {9, 22}) {
    for (int y = 10; y < 18; ++y)
      for (int x = side - 3; x <= side + 3; ++x) {
        const double dx = (x - side) / 3.5, dy = (y - 13.5) / 4.0;
        if (open ? dx * dx + dy * dy <= 1.0 : y == 14) image.at(x, y) = argb(255, 40, 30, 30);
      }
  }
  for (int x = 12; x < 20; ++x) image.at(x, 24) = argb(255, 180, 90, 90);
  return image;
}

constexpr uint32_t kDemoSkin = 0xF0C8AA;

}  // namespace

void writeFigure(Context& context, const FigureLook& look) {
  const RbModel model = figure(look);
  check(model, "content/generator/rb_models.cpp: Mdl\\" + look.name + ".zdm", context.lint);
  const std::string base = "Mdl/" + look.name;
  context.out.write(base + ".zdm", encodeRbModel(model));
  if (look.kind == FigureLook::kPlain) {
    // The demo figure's blue weave.
    context.out.writeScrambled(base + ".zgr", encodeBmp(clothTexture(0xFF3C5AAA, 0xFF324C96, 0xFF7896D2)));
  } else {
    context.out.writeScrambled(base + ".zgr", encodeBmp(clothTexture(look.top)));
    context.out.writeScrambled(base + "_b.zgr", encodeBmp(clothTexture(look.bottom)));
    context.out.writeScrambled(base + "_h.zgr", encodeBmp(clothTexture(look.hair)));
    if (look.hat != FigureLook::kNoHat) context.out.writeScrambled(base + "_t.zgr", encodeBmp(clothTexture(look.hatColour)));
  }
  const bool fringe = look.kind != FigureLook::kPlain;
  context.out.writeScrambled("Mdl/eyes/" + look.name + "_e0.zgr", encodeBmp(eyeTexture(true, look.skin, look.hair, fringe)));
  context.out.writeScrambled("Mdl/eyes/" + look.name + "_e1.zgr", encodeBmp(eyeTexture(false, look.skin, look.hair, fringe)));
}

void generateRbModels(Context& context) {
  writeFigure(context, {"test", FigureLook::kPlain, 0, 0, 0, kDemoSkin});
}

}  // namespace content
