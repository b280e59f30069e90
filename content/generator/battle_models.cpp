// The figures of the battle: the 14 battle actions of the demo figure and of the enemies, and
// the enemies' own figures ("RB Object format" models built of boxes, with a face of two eye
// textures) and configurations.
//
// Figures face +Z (a character's heading turns +Z to its direction of travel). Model units are
// about one metre; a configuration scales them by s * 100.
//
// Enemies:
//   OOKAMI     森狼, a forest wolf on four legs
//   KINOKO     大茸, a walking mushroom with stubby arms
//   KOONI      小鬼, a forest goblin with a club (weapon 20)
//   KIRINOSEI  霧の精, a pale floating mist spirit, drawn half transparent by its enemy file
//   KAZENOSEI  古き風の精, the old wind spirit in a long robe with a staff (weapon 21)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "content/generator/battle_content.h"

namespace content {

namespace {

// A turn about X: a hanging limb swings to the front (+Z) for a positive angle, an upright part
// leans back.
Quat bendX(float a) { return {std::sin(a / 2), 0, 0, std::cos(a / 2)}; }
// A turn about Z (a sideways tilt).
Quat tiltZ(float a) { return {0, 0, std::sin(a / 2), std::cos(a / 2)}; }

Vec3 minus(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

int boneIndex(const RbModel& model, const std::string& name) {
  for (size_t i = 0; i < model.bones.size(); ++i)
    if (model.bones[i].name == name) return static_cast<int>(i);
  return -1;
}

// An animation made key by key: keys may come in any order (a later key of a frame replaces an
// earlier one); the root's track always spans the whole length.
class AnimBuilder {
 public:
  AnimBuilder(const RbModel& model, int slot, const std::string& name, int length, float lift = 0)
      : model_(model), anim_{slot, name, std::vector<std::vector<RbKey>>(model.bones.size())}, length_(length),
        lift_(lift) {}

  // Keys of "r" move the whole body: they go to the body's own bone "move_b" where the model
  // has one, because the root (slot 0) is nobody's parent in the model format.
  AnimBuilder& key(const std::string& bone, int frame, Vec3 position, Quat rotation = {}) {
    const bool wholeBody = bone == "r";
    const int index = wholeBody ? bodyBone() : boneIndex(model_, bone);
    if (index < 0) return *this;
    if (wholeBody) position.y += lift_;
    put(index, frame, position, rotation);
    return *this;
  }
  AnimBuilder& turn(const std::string& bone, int frame, Quat rotation) { return key(bone, frame, {}, rotation); }

  RbAnim done() {
    for (const int frame : {0, length_}) {
      if (!has(bodyBone(), frame)) key("r", frame, {});
      if (!has(0, frame)) put(0, frame, {}, {});
    }
    for (std::vector<RbKey>& track : anim_.tracks)
      std::sort(track.begin(), track.end(), [](const RbKey& a, const RbKey& b) { return a.frame < b.frame; });
    return anim_;
  }

 private:
  int bodyBone() const {
    const int mover = boneIndex(model_, "move_b");
    return mover >= 0 ? mover : 0;
  }
  bool has(int bone, int frame) const {
    const std::vector<RbKey>& track = anim_.tracks[static_cast<size_t>(bone)];
    return std::any_of(track.begin(), track.end(), [&](const RbKey& k) { return k.frame == frame; });
  }
  void put(int bone, int frame, Vec3 position, Quat rotation) {
    std::vector<RbKey>& track = anim_.tracks[static_cast<size_t>(bone)];
    track.erase(std::remove_if(track.begin(), track.end(), [&](const RbKey& k) { return k.frame == frame; }),
                track.end());
    track.push_back({frame, position, rotation});
  }

  const RbModel& model_;
  RbAnim anim_;
  int length_;
  float lift_;
};

void putAnim(RbModel& model, RbAnim anim) {
  model.anims.erase(std::remove_if(model.anims.begin(), model.anims.end(),
                                   [&](const RbAnim& a) { return a.slot == anim.slot; }),
                    model.anims.end());
  model.anims.push_back(std::move(anim));
}

const RbAnim* findAnim(const RbModel& model, int slot) {
  for (const RbAnim& a : model.anims)
    if (a.slot == slot) return &a;
  return nullptr;
}

// ---- the humanoid's actions ----

void addHumanoidActions(RbModel& m, bool floating) {
  const float lift = floating ? 0.25f : 0.0f;
  // 2 and 6: the walk again.
  if (const RbAnim* found = findAnim(m, 1)) {
    const RbAnim walk = *found;  // a copy: adding animations moves the model's list
    RbAnim slow = walk;
    slow.slot = 2;
    slow.name = "walk2";
    putAnim(m, slow);
    RbAnim battleWalk = walk;
    battleWalk.slot = 6;
    battleWalk.name = "bwalk";
    putAnim(m, battleWalk);
  }
  // 3: the stance: crouched a little, weapon forward, breathing.
  putAnim(m, AnimBuilder(m, 3, "btl", 40, lift)
                 .key("r", 0, {}).key("r", 20, {0, floating ? 0.05f : 0.0f, 0}).key("r", 40, {})
                 .key("waist_b", 0, {0, -0.04f, 0}, bendX(-0.1f)).key("waist_b", 20, {0, -0.06f, 0}, bendX(-0.12f))
                 .key("waist_b", 40, {0, -0.04f, 0}, bendX(-0.1f))
                 .turn("arm_r", 0, bendX(0.7f)).turn("arm_r", 20, bendX(0.8f)).turn("arm_r", 40, bendX(0.7f))
                 .turn("arm_l", 0, bendX(0.35f)).turn("arm_l", 40, bendX(0.35f))
                 .turn("leg_r", 0, bendX(0.15f)).turn("leg_l", 0, bendX(-0.15f))
                 .done());
  // 4: weak: down on one knee, bent over.
  putAnim(m, AnimBuilder(m, 4, "weak", 48, lift)
                 .key("r", 0, {0, -0.3f, 0}).key("r", 24, {0, -0.32f, 0}).key("r", 48, {0, -0.3f, 0})
                 .turn("waist_b", 0, bendX(-0.45f)).turn("waist_b", 24, bendX(-0.5f)).turn("waist_b", 48, bendX(-0.45f))
                 .turn("head_b", 0, bendX(-0.3f))
                 .turn("arm_r", 0, bendX(0.3f)).turn("arm_l", 0, bendX(0.5f))
                 .turn("leg_r", 0, bendX(1.3f)).turn("leg_l", 0, bendX(0.2f))
                 .done());
  // 5: down: falls on its back and stays.
  putAnim(m, AnimBuilder(m, 5, "down", 24, lift)
                 .key("r", 0, {}).key("r", 10, {0, 0.05f, -0.1f}, bendX(0.6f)).key("r", 24, {0, 0.13f, -0.2f}, bendX(1.52f))
                 .turn("arm_r", 0, {}).turn("arm_r", 24, tiltZ(0.5f))
                 .turn("arm_l", 24, tiltZ(-0.5f))
                 .done());
  // 7: attack: the right arm rises and swings down with a step forward.
  putAnim(m, AnimBuilder(m, 7, "atk", 30, lift)
                 .key("r", 0, {}).key("r", 12, {0, 0, 0.05f}).key("r", 18, {0, 0, 0.25f}).key("r", 30, {})
                 .turn("waist_b", 0, {}).turn("waist_b", 10, bendX(0.15f)).turn("waist_b", 18, bendX(-0.35f))
                 .turn("waist_b", 30, {})
                 .turn("arm_r", 0, bendX(0.4f)).turn("arm_r", 10, bendX(2.8f)).turn("arm_r", 18, bendX(0.2f))
                 .turn("arm_r", 30, bendX(0.6f))
                 .turn("leg_r", 18, bendX(0.5f)).turn("leg_l", 18, bendX(-0.3f))
                 .done());
  // 8: cast: both arms up, then forward.
  putAnim(m, AnimBuilder(m, 8, "cast", 40, lift)
                 .turn("arm_r", 0, {}).turn("arm_r", 14, bendX(2.9f)).turn("arm_r", 28, bendX(1.5f)).turn("arm_r", 40, {})
                 .turn("arm_l", 0, {}).turn("arm_l", 14, bendX(2.9f)).turn("arm_l", 28, bendX(1.5f)).turn("arm_l", 40, {})
                 .turn("head_b", 14, bendX(0.3f)).turn("head_b", 40, {})
                 .done());
  // 9: victory: the right arm raised high, a small jump.
  putAnim(m, AnimBuilder(m, 9, "win", 40, lift)
                 .key("r", 0, {}).key("r", 10, {0, 0.12f, 0}).key("r", 20, {}).key("r", 40, {})
                 .turn("arm_r", 0, {}).turn("arm_r", 10, bendX(3.0f)).turn("arm_r", 40, bendX(3.0f))
                 .turn("head_b", 10, bendX(0.25f))
                 .done());
  // 10: hurt: thrown back a little.
  putAnim(m, AnimBuilder(m, 10, "hurt", 20, lift)
                 .key("r", 0, {}).key("r", 5, {0, 0, -0.12f}).key("r", 20, {})
                 .turn("waist_b", 0, {}).turn("waist_b", 5, bendX(0.45f)).turn("waist_b", 20, {})
                 .turn("head_b", 5, bendX(0.4f)).turn("head_b", 20, {})
                 .turn("arm_r", 5, bendX(-0.5f)).turn("arm_l", 5, bendX(-0.5f))
                 .done());
  // 11: guard: both arms before the body.
  putAnim(m, AnimBuilder(m, 11, "guard", 30, lift)
                 .key("waist_b", 0, {0, -0.06f, 0}, bendX(-0.15f)).key("waist_b", 30, {0, -0.06f, 0}, bendX(-0.15f))
                 .turn("arm_r", 0, bendX(1.5f)).turn("arm_r", 30, bendX(1.5f))
                 .turn("arm_l", 0, bendX(1.6f)).turn("arm_l", 30, bendX(1.6f))
                 .done());
  // 12: kneel: from standing down to the weak pose.
  putAnim(m, AnimBuilder(m, 12, "kneel", 24, lift)
                 .key("r", 0, {}).key("r", 24, {0, -0.3f, 0})
                 .turn("waist_b", 0, {}).turn("waist_b", 24, bendX(-0.45f))
                 .turn("head_b", 0, {}).turn("head_b", 24, bendX(-0.3f))
                 .turn("arm_r", 24, bendX(0.3f)).turn("arm_l", 24, bendX(0.5f))
                 .turn("leg_r", 0, {}).turn("leg_r", 24, bendX(1.3f)).turn("leg_l", 24, bendX(0.2f))
                 .done());
  // 13: dodge: a hop back.
  putAnim(m, AnimBuilder(m, 13, "dodge", 20, lift)
                 .key("r", 0, {}).key("r", 6, {0, 0.1f, -0.35f}).key("r", 12, {0, 0, -0.4f}).key("r", 20, {})
                 .turn("waist_b", 6, bendX(0.3f)).turn("waist_b", 20, {})
                 .done());
}

// ---- building figures ----

// A figure of boxes. Every box's face toward +Z gets the front material (a face, for a head).
class FigureBuilder {
 public:
  explicit FigureBuilder(const std::string& name) : name_(name) {
    model_.texCoords = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    model_.materials = {{true, "C:\\models\\" + name + ".bmp"}, {true, "C:\\models\\" + name + "_e0.bmp"},
                        {true, "C:\\models\\" + name + "_b.bmp"}};
    model_.groups.push_back({"body", {}});
  }
  static constexpr int kCloth = 0, kFace = 1, kSecond = 2;

  // The root and "move_b", the bone every other bone hangs from, which moves the whole body.
  int bodyRoot() {
    bone("r", {0, 0, 0}, 0);
    return bone("move_b", {0, 0, 0}, 0);
  }
  int bone(const std::string& name, Vec3 pivot, int parent) {
    const int slot = static_cast<int>(model_.bones.size());
    model_.bones.push_back({slot, name, pivot, parent, {}});
    if (slot != 0) model_.bones[static_cast<size_t>(parent)].children.push_back(slot);
    return slot;
  }

  void box(Vec3 lo, Vec3 hi, int bone, int material, int front = -1) {
    const int first = static_cast<int>(model_.vertices.size());
    for (int i = 0; i < 8; ++i)
      model_.vertices.push_back({{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}, bone, 0, 1});
    const struct {
      int corners[4];
      Vec3 normal;
    } faces[6] = {
        {{0, 2, 3, 1}, {0, 0, -1}}, {{5, 7, 6, 4}, {0, 0, 1}}, {{0, 4, 6, 2}, {-1, 0, 0}},
        {{1, 3, 7, 5}, {1, 0, 0}},  {{2, 6, 7, 3}, {0, 1, 0}}, {{0, 1, 5, 4}, {0, -1, 0}},
    };
    for (int f = 0; f < 6; ++f) {
      RbPolygon polygon;
      polygon.material = f == 1 && front >= 0 ? front : material;
      int order[4] = {faces[f].corners[0], faces[f].corners[1], faces[f].corners[2], faces[f].corners[3]};
      const Vec3 p0 = model_.vertices[static_cast<size_t>(first + order[0])].position;
      const Vec3 n = cross(minus(model_.vertices[static_cast<size_t>(first + order[1])].position, p0),
                           minus(model_.vertices[static_cast<size_t>(first + order[2])].position, p0));
      if (dot(n, faces[f].normal) < 0) std::swap(order[1], order[3]);
      for (int c = 0; c < 4; ++c) polygon.corners.push_back({first + order[c], c});
      model_.groups[0].polygons.push_back(polygon);
    }
  }

  RbModel& model() { return model_; }

 private:
  std::string name_;
  RbModel model_;
};

// ---- the creatures' actions (four legs or none) ----

struct CreatureRig {
  std::string body;                // bobs and tilts
  std::string head;
  std::vector<std::string> legsA;  // legs that swing together, against legsB
  std::vector<std::string> legsB;
  std::string tail;
  bool floating = false;
};

void addCreatureActions(RbModel& m, const CreatureRig& rig) {
  const float lift = rig.floating ? 0.3f : 0.0f;
  auto legs = [&](AnimBuilder& a, int length, float swing) {
    for (const std::string& leg : rig.legsA)
      a.turn(leg, 0, bendX(swing)).turn(leg, length / 2, bendX(-swing)).turn(leg, length, bendX(swing));
    for (const std::string& leg : rig.legsB)
      a.turn(leg, 0, bendX(-swing)).turn(leg, length / 2, bendX(swing)).turn(leg, length, bendX(-swing));
  };
  auto idle = [&](int slot, const std::string& name, float bob, float headDown) {
    AnimBuilder a(m, slot, name, 48, lift);
    a.key("r", 0, {}).key("r", 24, {0, rig.floating ? 0.08f : 0.0f, 0}).key("r", 48, {});
    a.key(rig.body, 0, {}).key(rig.body, 24, {0, bob, 0}).key(rig.body, 48, {});
    a.turn(rig.head, 0, bendX(headDown)).turn(rig.head, 24, bendX(headDown - 0.1f)).turn(rig.head, 48, bendX(headDown));
    if (!rig.tail.empty()) a.turn(rig.tail, 0, tiltZ(0.3f)).turn(rig.tail, 24, tiltZ(-0.3f)).turn(rig.tail, 48, tiltZ(0.3f));
    return a.done();
  };
  auto walk = [&](int slot, const std::string& name) {
    AnimBuilder a(m, slot, name, 24, lift);
    legs(a, 24, 0.5f);
    a.key(rig.body, 0, {}).key(rig.body, 6, {0, 0.03f, 0}).key(rig.body, 12, {}).key(rig.body, 18, {0, 0.03f, 0});
    a.key(rig.body, 24, {});
    return a.done();
  };
  putAnim(m, idle(0, "fld_idle", -0.015f, 0.0f));
  putAnim(m, walk(1, "walk"));
  putAnim(m, walk(2, "walk2"));
  putAnim(m, idle(3, "btl", -0.03f, 0.15f));
  putAnim(m, idle(4, "weak", -0.08f, 0.4f));
  putAnim(m, AnimBuilder(m, 5, "down", 20, lift)
                 .key("r", 0, {}).key("r", 20, {0, rig.floating ? -0.25f : 0.05f, 0}, tiltZ(1.45f))
                 .done());
  putAnim(m, walk(6, "bwalk"));
  putAnim(m, AnimBuilder(m, 7, "atk", 28, lift)
                 .key("r", 0, {}).key("r", 8, {0, 0.02f, -0.1f}).key("r", 14, {0, 0.08f, 0.55f}).key("r", 28, {})
                 .turn(rig.head, 0, {}).turn(rig.head, 8, bendX(0.3f)).turn(rig.head, 14, bendX(-0.5f))
                 .turn(rig.head, 28, {})
                 .done());
  putAnim(m, AnimBuilder(m, 8, "cast", 40, lift)
                 .key("r", 0, {}).key("r", 14, {0, 0.2f, 0}).key("r", 30, {0, 0.2f, 0}).key("r", 40, {})
                 .turn(rig.head, 14, bendX(0.5f)).turn(rig.head, 40, {})
                 .done());
  putAnim(m, AnimBuilder(m, 9, "win", 24, lift).key("r", 0, {}).key("r", 12, {0, 0.2f, 0}).key("r", 24, {}).done());
  putAnim(m, AnimBuilder(m, 10, "hurt", 20, lift)
                 .key("r", 0, {}).key("r", 5, {0, 0.02f, -0.2f}, bendX(0.3f)).key("r", 20, {})
                 .done());
  putAnim(m, idle(11, "guard", -0.06f, 0.3f));
  putAnim(m, AnimBuilder(m, 12, "kneel", 20, lift)
                 .key("r", 0, {}).key("r", 20, {0, -0.1f, 0})
                 .key(rig.body, 0, {}).key(rig.body, 20, {0, -0.08f, 0})
                 .done());
  putAnim(m, AnimBuilder(m, 13, "dodge", 20, lift)
                 .key("r", 0, {}).key("r", 6, {0, 0.15f, -0.45f}).key("r", 12, {0, 0, -0.5f}).key("r", 20, {})
                 .done());
}

// ---- the enemies ----

RbModel wolf() {
  FigureBuilder f("OOKAMI");
  const int root = f.bodyRoot();
  const int body = f.bone("waist_b", {0, 0.5f, 0}, root);
  const int head = f.bone("head_b", {0, 0.62f, 0.38f}, body);
  const int jaw = f.bone("wea_b", {0, 0.55f, 0.75f}, head);
  const int chest = f.bone("gua_b", {0, 0.5f, 0.3f}, body);
  const int fr = f.bone("leg_fr", {0.12f, 0.42f, 0.25f}, body);
  const int fl = f.bone("leg_fl", {-0.12f, 0.42f, 0.25f}, body);
  const int br = f.bone("leg_br", {0.12f, 0.42f, -0.3f}, body);
  const int bl = f.bone("leg_bl", {-0.12f, 0.42f, -0.3f}, body);
  const int tail = f.bone("tail", {0, 0.6f, -0.42f}, body);
  (void)jaw;
  (void)chest;
  f.box({-0.17f, 0.36f, -0.45f}, {0.17f, 0.66f, 0.36f}, body, FigureBuilder::kCloth);
  f.box({-0.14f, 0.5f, 0.3f}, {0.14f, 0.78f, 0.6f}, head, FigureBuilder::kCloth, FigureBuilder::kFace);
  f.box({-0.08f, 0.5f, 0.6f}, {0.08f, 0.62f, 0.82f}, head, FigureBuilder::kSecond);
  f.box({-0.13f, 0.78f, 0.38f}, {-0.06f, 0.9f, 0.46f}, head, FigureBuilder::kSecond);
  f.box({0.06f, 0.78f, 0.38f}, {0.13f, 0.9f, 0.46f}, head, FigureBuilder::kSecond);
  for (const int leg : {fr, fl, br, bl}) {
    const Vec3 p = f.model().bones[static_cast<size_t>(leg)].pivot;
    f.box({p.x - 0.05f, 0.0f, p.z - 0.05f}, {p.x + 0.05f, 0.44f, p.z + 0.05f}, leg, FigureBuilder::kSecond);
  }
  f.box({-0.04f, 0.55f, -0.82f}, {0.04f, 0.65f, -0.42f}, tail, FigureBuilder::kCloth);
  addCreatureActions(f.model(), {"waist_b", "head_b", {"leg_fr", "leg_bl"}, {"leg_fl", "leg_br"}, "tail", false});
  return f.model();
}

RbModel mushroom() {
  FigureBuilder f("KINOKO");
  const int root = f.bodyRoot();
  const int body = f.bone("waist_b", {0, 0.3f, 0}, root);
  const int head = f.bone("head_b", {0, 0.62f, 0}, body);
  const int armR = f.bone("wea_b", {0.22f, 0.42f, 0}, body);
  const int armL = f.bone("gua_b", {-0.22f, 0.42f, 0}, body);
  const int footR = f.bone("leg_r", {0.1f, 0.12f, 0}, body);
  const int footL = f.bone("leg_l", {-0.1f, 0.12f, 0}, body);
  f.box({-0.2f, 0.1f, -0.18f}, {0.2f, 0.64f, 0.18f}, body, FigureBuilder::kSecond, FigureBuilder::kFace);
  f.box({-0.46f, 0.6f, -0.46f}, {0.46f, 0.84f, 0.46f}, head, FigureBuilder::kCloth);
  f.box({-0.3f, 0.84f, -0.3f}, {0.3f, 0.96f, 0.3f}, head, FigureBuilder::kCloth);
  f.box({0.2f, 0.3f, -0.05f}, {0.34f, 0.44f, 0.05f}, armR, FigureBuilder::kSecond);
  f.box({-0.34f, 0.3f, -0.05f}, {-0.2f, 0.44f, 0.05f}, armL, FigureBuilder::kSecond);
  f.box({0.03f, 0.0f, -0.08f}, {0.17f, 0.12f, 0.12f}, footR, FigureBuilder::kSecond);
  f.box({-0.17f, 0.0f, -0.08f}, {-0.03f, 0.12f, 0.12f}, footL, FigureBuilder::kSecond);
  addCreatureActions(f.model(), {"waist_b", "head_b", {"leg_r", "wea_b"}, {"leg_l", "gua_b"}, "", false});
  return f.model();
}

// The humanoid bones of the demo figure; the pivots scaled by s around the feet.
struct Humanoid {
  int root, waist, head, armR, handR, armL, handL, legR, legL;
};
Humanoid humanoidBones(FigureBuilder& f, float s) {
  Humanoid h{};
  h.root = f.bodyRoot();
  h.waist = f.bone("waist_b", {0, 0.9f * s, 0}, h.root);
  h.head = f.bone("head_b", {0, 1.45f * s, 0}, h.waist);
  h.armR = f.bone("arm_r", {0.28f * s, 1.4f * s, 0}, h.waist);
  h.handR = f.bone("wea_b", {0.28f * s, 0.85f * s, 0}, h.armR);
  h.armL = f.bone("arm_l", {-0.28f * s, 1.4f * s, 0}, h.waist);
  h.handL = f.bone("gua_b", {-0.28f * s, 0.85f * s, 0}, h.armL);
  h.legR = f.bone("leg_r", {0.1f * s, 0.9f * s, 0}, h.waist);
  h.legL = f.bone("leg_l", {-0.1f * s, 0.9f * s, 0}, h.waist);
  return h;
}

// Stand (a breath) and walk for a humanoid, as the demo figure has them.
void addHumanoidBasics(RbModel& m) {
  putAnim(m, AnimBuilder(m, 0, "fld_stand", 60)
                 .key("waist_b", 0, {}).key("waist_b", 30, {0, -0.01f, 0}).key("waist_b", 60, {})
                 .turn("arm_r", 0, bendX(-0.05f)).turn("arm_r", 30, bendX(-0.1f)).turn("arm_r", 60, bendX(-0.05f))
                 .turn("arm_l", 0, bendX(-0.05f)).turn("arm_l", 30, bendX(-0.1f)).turn("arm_l", 60, bendX(-0.05f))
                 .done());
  const float swing = 0.5f;
  putAnim(m, AnimBuilder(m, 1, "walk", 32)
                 .turn("leg_r", 0, bendX(swing)).turn("leg_r", 16, bendX(-swing)).turn("leg_r", 32, bendX(swing))
                 .turn("leg_l", 0, bendX(-swing)).turn("leg_l", 16, bendX(swing)).turn("leg_l", 32, bendX(-swing))
                 .turn("arm_r", 0, bendX(-swing)).turn("arm_r", 16, bendX(swing)).turn("arm_r", 32, bendX(-swing))
                 .turn("arm_l", 0, bendX(swing)).turn("arm_l", 16, bendX(-swing)).turn("arm_l", 32, bendX(swing))
                 .key("waist_b", 0, {}).key("waist_b", 8, {0, 0.03f, 0}).key("waist_b", 16, {})
                 .key("waist_b", 24, {0, 0.03f, 0}).key("waist_b", 32, {})
                 .done());
}

RbModel goblin() {
  FigureBuilder f("KOONI");
  const float s = 0.85f;
  const Humanoid h = humanoidBones(f, s);
  auto b = [&](float x0, float y0, float z0, float x1, float y1, float z1) {
    return std::pair<Vec3, Vec3>{{x0 * s, y0 * s, z0 * s}, {x1 * s, y1 * s, z1 * s}};
  };
  auto put = [&](std::pair<Vec3, Vec3> box, int bone, int material, int front = -1) {
    f.box(box.first, box.second, bone, material, front);
  };
  put(b(-0.24f, 0.85f, -0.16f, 0.24f, 1.42f, 0.16f), h.waist, FigureBuilder::kCloth);
  put(b(-0.19f, 1.4f, -0.17f, 0.19f, 1.78f, 0.17f), h.head, FigureBuilder::kSecond, FigureBuilder::kFace);
  put(b(-0.04f, 1.78f, -0.02f, 0.04f, 1.95f, 0.06f), h.head, FigureBuilder::kCloth);
  put(b(0.24f, 0.8f, -0.07f, 0.37f, 1.4f, 0.07f), h.armR, FigureBuilder::kSecond);
  put(b(-0.37f, 0.8f, -0.07f, -0.24f, 1.4f, 0.07f), h.armL, FigureBuilder::kSecond);
  put(b(0.04f, 0.0f, -0.08f, 0.2f, 0.88f, 0.08f), h.legR, FigureBuilder::kSecond);
  put(b(-0.2f, 0.0f, -0.08f, -0.04f, 0.88f, 0.08f), h.legL, FigureBuilder::kSecond);
  addHumanoidBasics(f.model());
  addBattleAnimations(f.model());
  return f.model();
}

RbModel mistSpirit() {
  FigureBuilder f("KIRINOSEI");
  const Humanoid h = humanoidBones(f, 1.0f);
  f.box({-0.22f, 0.9f, -0.14f}, {0.22f, 1.45f, 0.14f}, h.waist, FigureBuilder::kCloth);
  f.box({-0.3f, 0.45f, -0.2f}, {0.3f, 0.95f, 0.2f}, h.waist, FigureBuilder::kSecond);
  f.box({-0.18f, 0.1f, -0.12f}, {0.18f, 0.45f, 0.12f}, h.waist, FigureBuilder::kSecond);
  f.box({-0.15f, 1.45f, -0.15f}, {0.15f, 1.82f, 0.15f}, h.head, FigureBuilder::kCloth, FigureBuilder::kFace);
  f.box({0.22f, 0.85f, -0.06f}, {0.34f, 1.42f, 0.06f}, h.armR, FigureBuilder::kCloth);
  f.box({-0.34f, 0.85f, -0.06f}, {-0.22f, 1.42f, 0.06f}, h.armL, FigureBuilder::kCloth);
  addHumanoidBasics(f.model());
  addBattleAnimations(f.model(), true);
  return f.model();
}

RbModel windSpirit() {
  FigureBuilder f("KAZENOSEI");
  const Humanoid h = humanoidBones(f, 1.0f);
  f.box({-0.24f, 0.9f, -0.15f}, {0.24f, 1.45f, 0.15f}, h.waist, FigureBuilder::kCloth);
  f.box({-0.34f, 0.05f, -0.24f}, {0.34f, 0.95f, 0.24f}, h.waist, FigureBuilder::kCloth);
  f.box({-0.16f, 1.45f, -0.16f}, {0.16f, 1.82f, 0.16f}, h.head, FigureBuilder::kSecond, FigureBuilder::kFace);
  f.box({-0.2f, 1.62f, -0.2f}, {0.2f, 1.7f, 0.2f}, h.head, FigureBuilder::kSecond);
  f.box({-0.22f, 1.7f, -0.04f}, {-0.16f, 2.0f, 0.04f}, h.head, FigureBuilder::kSecond);
  f.box({0.16f, 1.7f, -0.04f}, {0.22f, 2.0f, 0.04f}, h.head, FigureBuilder::kSecond);
  f.box({-0.12f, 1.25f, 0.15f}, {0.12f, 1.6f, 0.24f}, h.head, FigureBuilder::kSecond);
  f.box({0.24f, 0.8f, -0.08f}, {0.4f, 1.42f, 0.08f}, h.armR, FigureBuilder::kCloth);
  f.box({-0.4f, 0.8f, -0.08f}, {-0.24f, 1.42f, 0.08f}, h.armL, FigureBuilder::kCloth);
  addHumanoidBasics(f.model());
  addBattleAnimations(f.model(), true);
  return f.model();
}

struct EnemyFigure {
  const char* name;
  RbModel (*build)();
  const char* scale;
  int height, radius;
  uint32_t cloth, second, skin, eyes;  // 0xRRGGBB
};

const EnemyFigure kEnemyFigures[] = {
    {"OOKAMI", wolf, "2.4", 200, 120, 0x6E6A64, 0x4A4640, 0x8A8278, 0xF0C030},
    {"KINOKO", mushroom, "2.6", 250, 90, 0xC83C32, 0xE8DCC0, 0xF0E6D0, 0x302020},
    {"KOONI", goblin, "1.3", 210, 55, 0x6A4A2A, 0x6E9A4A, 0x84B05A, 0xF0E040},
    {"KIRINOSEI", mistSpirit, "1.6", 290, 70, 0xC8D8E8, 0xA8BCD4, 0xE0ECF8, 0x3050A0},
    {"KAZENOSEI", windSpirit, "2.6", 470, 120, 0x3C7A72, 0xE8E0C8, 0xB0C8C0, 0xF8F8F8},
};

uint32_t opaque(uint32_t rgb) {
  return 0xFF000000u | rgb;
}

// A 32 x 32 texture of one colour with a darker speckle and a lighter top row.
Image speckled(uint32_t rgb) {
  const uint32_t base = opaque(rgb);
  Image image(32, 32, base);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if ((x * 7 + y * 13) % 11 == 0) image.at(x, y) = mix(base, 0xFF000000u, 0.18);
      if (y == 0) image.at(x, y) = mix(base, 0xFFFFFFFFu, 0.35);
    }
  return image;
}

// A face: two eyes, open (round) or closed (a line), on the skin colour.
Image face(uint32_t skin, uint32_t eyes, bool open) {
  Image image(32, 32, opaque(skin));
  for (int side : {9, 22})
    for (int y = 8; y < 20; ++y)
      for (int x = side - 4; x <= side + 4; ++x) {
        const double dx = (x - side) / 4.0, dy = (y - 13.5) / 4.5;
        if (open ? dx * dx + dy * dy <= 1.0 : y == 14) image.at(x, y) = opaque(eyes);
        if (open && dx * dx + dy * dy <= 0.2) image.at(x, y) = 0xFF101010u;
      }
  return image;
}

}  // namespace

void addBattleAnimations(RbModel& model, bool floating) {
  addHumanoidActions(model, floating);
}

std::string fighterConfiguration(const std::string& model, const std::string& scale, int height, int radius,
                                 int weaponTilt) {
  return joinLines({
      model,
      scale + ",",
      std::to_string(height) + "," + std::to_string(radius) + ",",
      // Speeds of actions 0 … 13 (tenths of a frame per tick).
      "10,10,6,10,10,10,12,12,10,10,12,10,10,14;",
      // Loop modes: the stand, stance, weak, victory and guard poses sway back and forth.
      "1,0,0,1,1,0,0,0,0,1,0,1,0,0,",
      "0,-6,0,",
      "0," + std::to_string(weaponTilt) + ",0,",
      "0,-6,0,",
      "0,0,0,",
  });
}

void generateEnemyFigures(Context& context) {
  // The party members fight in their figures: their configurations declare all 14 actions
  // (written over the field's two-action ones of generateCharacters).
  for (const std::string& script : context.characterScripts)
    if (!script.empty() && script.find_first_of(" \t\\/") == std::string::npos)
      context.out.write("Mdl/" + script + ".ZD", fighterConfiguration(playableFigure(script)));
  for (const EnemyFigure& e : kEnemyFigures) {
    const RbModel model = e.build();
    const std::string name = e.name;
    check(model, "content/generator/battle_models.cpp: Mdl\\" + name + ".zdm", context.lint);
    for (int slot = 0; slot < kBattleActionCount; ++slot)
      if (!findAnim(model, slot)) context.lint.report("content/generator/battle_models.cpp", name + " lacks action " + std::to_string(slot));
    context.out.write("Mdl/" + name + ".zdm", encodeRbModel(model));
    context.out.writeScrambled("Mdl/" + name + ".zgr", encodeBmp(speckled(e.cloth)));
    context.out.writeScrambled("Mdl/" + name + "_b.zgr", encodeBmp(speckled(e.second)));
    context.out.writeScrambled("Mdl/eyes/" + name + "_e0.zgr", encodeBmp(face(e.skin, e.eyes, true)));
    context.out.writeScrambled("Mdl/eyes/" + name + "_e1.zgr", encodeBmp(face(e.skin, e.eyes, false)));
    context.out.write("Mdl/" + name + ".ZD", fighterConfiguration(name, e.scale, e.height, e.radius, 20));
  }
}

}  // namespace content
