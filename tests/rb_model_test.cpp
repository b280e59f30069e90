#include "gfx/rb_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "data/scramble.h"
#include "gfx/camera.h"
#include "platform/png.h"
#include "platform/system.h"
#include "tests/device_fixture.h"
#include "tests/image_files.h"
#include "tests/rb_model_files.h"
#include "tests/recording_device.h"
#include "tests/temp_data_root.h"

namespace {

namespace fs = std::filesystem;

KEYFRAME key(int frame, VECTOR position = {}, QUAT rotation = {}) {
  return KEYFRAME{frame, position, rotation, {1, 1, 1}};
}

// The turn by a yaw angle (+Z towards +X).
QUAT yaw(float angle) {
  QUAT q;
  q.fromYawPitchRoll(angle, 0, 0);
  return q;
}

// The root, an arm "arm" and a bone "still" that never moves, both at (10, 0, 0); vertices on the
// root, on the arm, and half on the arm and half on "still"; one quad and one triangle;
// animation 0 "swing" turning the arm by 90 degrees.
rbfiles::Model armModel() {
  rbfiles::Model m;
  m.bones = {{0, "r", {0, 0, 0}, 0, {{0, 1}, {1, 2}}}, {1, "arm", {10, 0, 0}}, {2, "still", {10, 0, 0}}};
  m.vertices = {{{0, 0, 0}}, {{20, 0, 0}, 1}, {{20, 0, 0}, 1, 0, 0.25f}, {{20, 0, 0}, 1, 2, 0.5f}};
  m.groups = {{0, 1, {{{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, 0}, {{{0, 0}, {1, 0}, {3, 0}}, 0}}}};
  m.anims = {{0, "swing", {{0, {key(0)}}, {1, {key(0), key(10, {}, yaw(1.5707964f))}}, {2, {}}}}};
  return m;
}

// Collects message boxes; tests run in a directory of their own.
class RbModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages.push_back(text); });
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) { return dir.write(name, bytes); }
  // Loads a model from bytes at scale 0.01 (positions as written).
  int loadBytes(OBJMODEL& model, const std::vector<uint8_t>& bytes) {
    return model.loadFromMemory(bytes, "mdl\\t.zdm", 0.01f);
  }
  // Whether the model is the empty model that reset makes.
  static bool isEmpty(const OBJMODEL& model) {
    for (int slot = 1; slot < kBoneSlots; ++slot)
      if (model.getBone(slot)) return false;
    for (int a = 0; a < kAnimSlots; ++a)
      if (model.hasAnim(a)) return false;
    return model.getBone(0) && model.getBone(0)->name == "r" && model.vertexCount() == 0 && model.groups().empty();
  }

  std::vector<std::string> messages;
  TempDataRoot dir;
};

void expectNear(const VECTOR& got, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(got.x, x, tolerance);
  EXPECT_NEAR(got.y, y, tolerance);
  EXPECT_NEAR(got.z, z, tolerance);
}

// ---------------------------------------------------------------------------------------------
// Tracks

TEST(KeyTrack, InterpolatesBetweenKeysAndHoldsTheLastPose) {
  KEYTRACK track;
  track.insertKey(key(20, {40, 0, 0}));
  track.insertKey(key(0, {0, 0, 0}));
  track.insertKey(key(10, {10, 0, 0}, yaw(1.5707964f)));
  track.rewind();
  VECTOR t, s;
  QUAT r;
  track.sample(t, r, s);
  expectNear(t, 0, 0, 0);
  EXPECT_EQ(track.span(), 10);

  // Halfway to the second key: Hermite with tangents 10 and 30 gives 2.5; slerp gives 45 degrees.
  EXPECT_FALSE(track.advance(5));
  track.sample(t, r, s);
  EXPECT_NEAR(t.x, 2.5f, 1e-5f);
  expectNear(s, 1, 1, 1);
  EXPECT_NEAR(r.y, -std::sin(0.3926991f), 1e-3f);
  EXPECT_NEAR(r.w, std::cos(0.3926991f), 1e-3f);

  EXPECT_FALSE(track.advance(5));  // on the second key exactly
  EXPECT_EQ(track.cursor(), 1u);
  track.sample(t, r, s);
  EXPECT_NEAR(t.x, 10, 1e-5f);
  EXPECT_FALSE(track.advance(10));  // on the last key: not yet run out
  EXPECT_TRUE(track.advance(1));
  EXPECT_TRUE(track.advance(100));
  EXPECT_EQ(track.cursor(), 2u);
  track.sample(t, r, s);
  EXPECT_NEAR(t.x, 40, 1e-5f);
}

TEST(KeyTrack, BackwardStepsOneKeyAndClampsAtZero) {
  KEYTRACK track;
  for (int f : {0, 10, 20}) track.insertKey(key(f, {float(f), 0, 0}));
  track.rewind();
  track.advance(25);
  EXPECT_EQ(track.cursor(), 2u);
  EXPECT_FALSE(track.advance(-10));  // counter 15: one key back
  EXPECT_EQ(track.cursor(), 1u);
  EXPECT_EQ(track.counter(), 15);
  EXPECT_FALSE(track.advance(-15));  // counter 0: one more key back, exactly 0 is not finished
  EXPECT_EQ(track.cursor(), 0u);
  EXPECT_TRUE(track.advance(-3));  // below 0: held at 0 and finished
  EXPECT_EQ(track.counter(), 0);
  EXPECT_FALSE(track.advance(1));
}

TEST(KeyTrack, SingleKeyAndEmptyTracks) {
  KEYTRACK empty;
  empty.rewind();
  EXPECT_TRUE(empty.advance(3));
  VECTOR t{5, 5, 5}, s;
  QUAT r{1, 0, 0, 0};
  empty.sample(t, r, s);
  expectNear(t, 0, 0, 0);
  expectNear(s, 1, 1, 1);
  EXPECT_EQ(r.w, 1);

  KEYTRACK single;
  single.insertKey(key(7, {1, 2, 3}));
  single.insertKey(key(7, {4, 5, 6}));  // the later key on one frame replaces the earlier
  ASSERT_EQ(single.keys().size(), 1u);
  single.rewind();
  EXPECT_TRUE(single.advance(0));
  EXPECT_TRUE(single.advance(50));
  single.sample(t, r, s);
  expectNear(t, 4, 5, 6);
}

// ---------------------------------------------------------------------------------------------
// Loading, animation and skinning

TEST_F(RbModelTest, FileKeysReplacePoseKeysAndDriveTheSkin) {
  rbfiles::Model m = armModel();
  m.anims[0].tracks[0].keys.push_back(key(10));
  m.anims[0].tracks[1].keys.push_back(key(10, {0, 5, 0}));  // replaces the key above: no turn, a lift
  m.anims.push_back({3, "extra", {{0, {}}, {1, {}}, {2, {}}}});       // no keys: only the pose keys
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(loadBytes(model, m.bytes()), 1);
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(model.getAnimName(0), "swing");
  EXPECT_EQ(model.anim(0)->tracks[1]->keys().size(), 2u);
  EXPECT_EQ(model.anim(0)->tracks[1]->keys()[1].rotation.y, 0);
  EXPECT_EQ(model.anim(3)->tracks[1]->keys().size(), 1u);
  EXPECT_EQ(model.anim(3)->tracks[1]->keys()[0].frame, 0);
  EXPECT_EQ(model.hasAnim(1), 0);
  EXPECT_EQ(model.getAnimName(1), "");

  model.setAnim(0);
  model.rewind();
  EXPECT_EQ(model.getAnimLength(), 10);
  EXPECT_EQ(model.advance(10), 0);  // on the last keys, not past them
  EXPECT_EQ(model.getFrame(), 10);
  model.skin();
  const auto& s = model.skinnedPositions();
  expectNear(s[0], 0, 0, 0);
  expectNear(s[1], 20, 5, 0);
  expectNear(s[2], 20, 5, 0);       // second bone 0: the weight is ignored
  expectNear(s[3], 20, 2.5f, 0);    // half the arm, half "still"
  EXPECT_EQ(model.advance(1), 1);
  model.setFrame(4);
  EXPECT_EQ(model.getFrame(), 4);
  model.deleteAnim(0);
  EXPECT_EQ(model.getFrame(), -1);
  EXPECT_EQ(model.advance(1), 1);
}

TEST_F(RbModelTest, HierarchyTurnsChildrenWithTheirParentAndScaleAppliesToPositions) {
  rbfiles::Model m = armModel();
  // A hand below the arm; vertex 1 follows the hand.
  m.bones[1].children = {{0, 3}};
  m.bones.push_back({3, "hand", {20, 0, 0}, 1});
  m.vertices[1] = {{30, 0, 0}, 3, 2, 1.0f};  // weight 1: the first bone alone
  m.vertices[2] = {{30, 0, 0}, 2, 3, 0.0f};  // weight 0: the second bone alone
  m.anims[0].tracks.push_back({3, {}});
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(model.loadFromMemory(m.bytes(), "m", 0.02f), 1);  // twice the written size
  EXPECT_FLOAT_EQ(model.getBone(3)->pivot.x, 40);
  model.setAnim(0);
  model.rewind();
  model.advance(10);
  model.skin();
  // The arm turns +X towards -Z by a quarter turn (a positive yaw turns +Z towards +X).
  expectNear(model.getBone(3)->worldPosition, 20, 0, -20, 1e-3f);
  expectNear(model.skinnedPositions()[1], 20, 0, -40, 1e-3f);
  expectNear(model.skinnedPositions()[2], 20, 0, -40, 1e-3f);
  expectNear(model.skinnedPositions()[0], 0, 0, 0);
}

TEST_F(RbModelTest, CreateAnimKeysThePresentPoseAndKeepsTheCurrentAnimation) {
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(loadBytes(model, armModel().bytes()), 1);
  model.setAnim(0);
  model.getBone(1)->translation.set(1, 2, 3);
  model.createAnim(5, "pose");
  EXPECT_EQ(model.getAnim(), 0);
  const KEYTRACK& track = *model.anim(5)->tracks[1];
  ASSERT_EQ(track.keys().size(), 1u);
  expectNear(track.keys()[0].position, 1, 2, 3);
  model.setAnim(5);
  model.addPoseKeys(8);
  EXPECT_EQ(model.getAnimLength(), 8);
  model.setAnim(200);  // outside the table: ignored
  EXPECT_EQ(model.getAnim(), 5);
  model.setAnim(9);  // empty slot: only the index changes
  EXPECT_EQ(model.getAnim(), 9);
  EXPECT_EQ(model.getAnimLength(), -1);
}

TEST_F(RbModelTest, LoadAnimsTakesNamedAnimationsFromTheModelsFile) {
  rbfiles::Model m = armModel();
  const std::vector<rbfiles::Track> tracks = {{0, {}}, {1, {key(4, {1, 0, 0})}}, {2, {}}};
  m.anims = {{0, "stand", tracks}, {1, "Ex0", tracks}, {2, "walk", tracks}, {3, "ex1", tracks}, {4, "ex2", tracks}};
  const std::string path = write("m.zdm", m.bytes());
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(model.load(nullptr, path, 0, 0.01f), 1);
  for (int slot : {1, 3, 4}) model.deleteAnim(slot);
  model.loadAnims(nullptr, "EX", 0, 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(model.getAnimName(1), "Ex0");
  EXPECT_EQ(model.getAnimName(3), "ex1");
  EXPECT_EQ(model.hasAnim(4), 0);  // past the last number asked for
  EXPECT_EQ(model.anim(3)->tracks[1]->keys().back().frame, 4);
  EXPECT_FLOAT_EQ(model.anim(3)->tracks[1]->keys().back().position.x, 1);
}

TEST_F(RbModelTest, TextureNamesAndEyeMaterials) {
  EXPECT_EQ(rbTextureFileName("mdl\\", "C:\\work\\tex\\Body.bmp"), "mdl\\Body.zgr");
  EXPECT_EQ(rbTextureFileName("", "face.tga.bmp"), "face.tga.zgr");
  EXPECT_EQ(rbTextureFileName("mdl\\", "skin"), "mdl\\skin.zgr");
  EXPECT_EQ(rbTextureFileName("dir.v2\\", "skin"), "dir.v2\\skin.zgr");
  EXPECT_TRUE(isEyeTextureName("mdl\\nagi_E0.ZGR"));
  EXPECT_FALSE(isEyeTextureName("mdl\\nagi_e1.zgr"));
  EXPECT_FALSE(isEyeTextureName("e0.zgr"));

  rbfiles::Model m = armModel();
  m.materials = {{1, "c:\\a\\left_e0.bmp"}, {0, "missing.bmp"}, {0, "right_E0.bmp"}, {1, "third_e0"}, {0, {}}};
  OBJMODEL model;
  model.reset();
  model.setTextureDir("nowhere\\");
  ASSERT_EQ(loadBytes(model, m.bytes()), 1);
  EXPECT_EQ(model.eyeSlots[0], 0);
  EXPECT_EQ(model.eyeSlots[1], 3);  // the third eye material overwrites the second slot
  EXPECT_EQ(model.eyeSlots[2], kNoEyeMaterial);
  EXPECT_EQ(model.material(0).cullMode, plat::D3DCULL_CCW);
  EXPECT_EQ(model.material(1).cullMode, plat::D3DCULL_NONE);
  // The missing texture reports itself and leaves the material without texture or name.
  EXPECT_EQ(model.material(1).texture, nullptr);
  EXPECT_EQ(model.material(1).textureName, "");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("nowhere\\missing.zgr"), std::string::npos);
  model.reset();
  EXPECT_EQ(model.eyeSlots[0], kNoEyeMaterial);
}

TEST_F(RbModelTest, FailuresReportTheirMessages) {
  OBJMODEL model;
  model.reset();
  const std::string good = write("good.zdm", armModel().bytes());
  ASSERT_EQ(model.load(nullptr, good, 0, 0.01f), 1);

  EXPECT_EQ(model.load(nullptr, (dir / "absent.zdm").string(), 0, 0.01f), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], (dir / "absent.zdm").string() + "を開けなかったのさ");
  EXPECT_EQ(model.vertexCount(), 4);  // unchanged

  const std::string longName = std::string(250, 'x');
  const std::string longPath = write(longName, armModel().bytes());
  EXPECT_EQ(model.load(nullptr, longPath, 0, 0.01f), 0);
  EXPECT_EQ(messages.back(), "文字列overです");
  EXPECT_EQ(model.vertexCount(), 4);

  rbfiles::Model ascii;
  ascii.mode = "ASCII";
  EXPECT_EQ(model.load(nullptr, write("ascii.zdm", ascii.bytes()), 0, 0.01f), 1);
  EXPECT_EQ(messages.back(), "ASCIIか?");
  EXPECT_EQ(model.vertexCount(), 4);  // the previous model stays
  EXPECT_EQ(model.modelPath(), (dir / "ascii.zdm").string());

  // loadAnims on a file that cannot be read reports the stored path.
  model.loadFromMemory(armModel().bytes(), (dir / "gone.zdm").string(), 0.01f);
  model.loadAnims(nullptr, "a", 0, 3);
  EXPECT_EQ(messages.back(), (dir / "gone.zdm").string() + "を開けなかったのさ");
}

TEST_F(RbModelTest, DamagedFilesAreRefusedAndLeaveTheModelEmpty) {
  const std::vector<uint8_t> good = armModel().bytes();
  OBJMODEL model;
  model.reset();
  // Every cut of a good file, from the empty file to one byte short.
  for (size_t size = 0; size < good.size(); ++size) {
    ASSERT_EQ(loadBytes(model, good), 1);
    const std::vector<uint8_t> cut(good.begin(), good.begin() + size);
    ASSERT_EQ(loadBytes(model, cut), 0) << size;
    ASSERT_TRUE(isEmpty(model)) << size;
  }
  EXPECT_EQ(messages.back(), "mdl\\t.zdmは壊れているのさ");

  std::vector<rbfiles::Model> damaged(8, armModel());
  damaged[0].mode = "";
  damaged[1].vertices[1].bone1 = 40;                    // bone slot outside the table
  damaged[2].vertices[3].bone2 = 7;                     // a slot without a bone
  damaged[3].groups[0].polygons[0].corners.push_back({0, 0});  // five corners
  damaged[4].groups[0].polygons[1].corners[2].first = 4;      // vertex index past the end
  damaged[5].groups[0].polygons[0].material = 32;
  damaged[6].bones[0].children = {{8, 1}};               // child place outside the list
  damaged[7].anims[0].tracks[1].bone = 5;                // a track for a bone that is not there
  for (size_t i = 0; i < damaged.size(); ++i) {
    std::vector<uint8_t> bytes = damaged[i].bytes();
    if (i == 0) std::memcpy(bytes.data(), "RB Obiect", 9);  // not the format's header
    EXPECT_EQ(loadBytes(model, bytes), 0) << i;
    EXPECT_TRUE(isEmpty(model)) << i;
  }

  // Child lists that loop back on themselves are placed once each and skinning ends.
  rbfiles::Model loop = armModel();
  loop.bones[1].children = {{0, 1}, {1, 0}};
  loop.bones[0].children.push_back({1, 1});
  ASSERT_EQ(loadBytes(model, loop.bytes()), 1);
  model.skin();
}

// ---------------------------------------------------------------------------------------------
// Drawing

class ModelRecorder : public recording::RecordingDevice {
 public:
  struct Call {
    int corners;
    int primitives;
    std::vector<uint16_t> indices;
    plat::Texture* texture;
    plat::DWORD cull;
    std::vector<VECTOR> positions;  // of a triangle list, in order
  };
  std::vector<Call> calls;
  plat::D3DMATERIAL8 material{};

  plat::HRESULT SetMaterial(const plat::D3DMATERIAL8* m) override {
    material = *m;
    return plat::D3D_OK;
  }
  plat::HRESULT DrawPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned primitives, const void* vertices,
                                unsigned stride) override {
    EXPECT_EQ(stride, 32u);
    std::vector<VECTOR> positions(primitives * 3);
    for (size_t i = 0; i < positions.size(); ++i)
      std::memcpy(&positions[i], static_cast<const uint8_t*>(vertices) + i * stride, sizeof(VECTOR));
    calls.push_back({3, int(primitives), {}, texture, renderStates[plat::D3DRS_CULLMODE], positions});
    return plat::D3D_OK;
  }
  plat::HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned vertexCount, unsigned primitives,
                                       const uint16_t* indices, const void*, unsigned stride) override {
    EXPECT_EQ(stride, 32u);
    calls.push_back({int(vertexCount), int(primitives), {indices, indices + primitives * 3}, texture,
                     renderStates[plat::D3DRS_CULLMODE]});
    return plat::D3D_OK;
  }
};

TEST_F(RbModelTest, DrawSendsEveryVisiblePolygonAndChangesStateOnlyWithTheMaterial) {
  rbfiles::Model m = armModel();
  m.materials = {{1, {}}, {0, {}}};
  m.groups[0].polygons.push_back({{{0, 0}, {2, 0}, {3, 0}}, 1});
  m.vertices[3].p.set(20, 10, 0);
  m.vertices.push_back({{5, 5, 5}});
  m.groups.push_back({1, 0, {{{{0, 0}, {1, 0}, {4, 0}}, 0}}});  // hidden
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(loadBytes(model, m.bytes()), 1);
  recording::FakeTexture lent;
  model.setMaterialTexture(1, &lent);
  model.colour.set(0.5f, 0.25f, 1);
  ModelRecorder device;
  model.draw(&device, 0.75f);
  EXPECT_EQ(device.format, plat::D3DFVF_XYZ | plat::D3DFVF_NORMAL | plat::D3DFVF_TEX1);
  EXPECT_FLOAT_EQ(device.material.Diffuse.g, 0.25f);
  EXPECT_FLOAT_EQ(device.material.Ambient.a, 0.75f);
  // One triangle list per run of a material: the quad as 0-1-2, 2-3-0, then the triangle.
  ASSERT_EQ(device.calls.size(), 2u);
  EXPECT_EQ(device.calls[0].primitives, 3);
  EXPECT_EQ(device.calls[0].cull, plat::DWORD(plat::D3DCULL_CCW));
  const std::vector<VECTOR>& skinned = model.skinnedPositions();
  const int order[9] = {0, 1, 2, 2, 3, 0, 0, 1, 3};
  ASSERT_EQ(device.calls[0].positions.size(), 9u);
  for (int k = 0; k < 9; ++k) expectNear(device.calls[0].positions[k], skinned[order[k]].x, skinned[order[k]].y,
                                         skinned[order[k]].z);
  EXPECT_EQ(device.calls[1].primitives, 1);
  EXPECT_EQ(device.calls[1].texture, &lent);
  EXPECT_EQ(device.calls[1].cull, plat::DWORD(plat::D3DCULL_NONE));
  EXPECT_EQ(device.textureCalls.size(), 2u);  // once per change of material
  // Normals come from the visible polygons only.
  expectNear(model.vertexNormals()[3], 0, 0, 1);
  expectNear(model.vertexNormals()[4], 0, 0, 0);
}

// A model whose every vertex lies outside the view volume is skinned but not sent.
TEST_F(RbModelTest, AModelWhollyOutsideTheViewIsNotSent) {
  class ViewRecorder : public ModelRecorder {
   public:
    plat::D3DMATRIX transforms[2]{};  // view, projection
    plat::HRESULT SetTransform(plat::D3DTRANSFORMSTATETYPE t, const plat::D3DMATRIX* m) override {
      transforms[t == plat::D3DTS_PROJECTION] = *m;
      return plat::D3D_OK;
    }
    plat::HRESULT GetTransform(plat::D3DTRANSFORMSTATETYPE t, plat::D3DMATRIX* m) override {
      if (t == plat::D3DTS_VIEW || t == plat::D3DTS_PROJECTION) *m = transforms[t == plat::D3DTS_PROJECTION];
      return plat::D3D_OK;
    }
  };
  OBJMODEL model;
  model.reset();
  ASSERT_EQ(loadBytes(model, armModel().bytes()), 1);  // x from 0 to 20
  // The eye at the origin looking along +z: at depth 1000 the view reaches 552 to each side.
  MATRIX view;
  view.identity();
  const MATRIX projection = gameProjection();
  struct Case {
    VECTOR position;
    float scale;
    bool sent;
  };
  const Case cases[] = {
      {{0, 0, 1000}, 1, true},     {{600, 0, 1000}, 1, false},  {{-560, 0, 1000}, 1, true},
      {{-600, 0, 1000}, 1, false}, {{0, 0, -1000}, 1, false},   {{0, 0, 20000}, 1, false},
      {{-3000, 0, 1000}, 200, true},  // scaled up, it reaches back into the view
  };
  for (const Case& c : cases) {
    ViewRecorder device;
    device.SetTransform(plat::D3DTS_VIEW, &view);
    device.SetTransform(plat::D3DTS_PROJECTION, &projection);
    model.position = c.position;
    model.scale.set(c.scale, c.scale, c.scale);
    model.draw(&device, 1.0f);
    EXPECT_EQ(!device.calls.empty(), c.sent) << c.position.x << " " << c.position.z;
    EXPECT_EQ(model.skinnedPositions().size(), 4u);
  }
}

class RbModelPixelTest : public DeviceTest {};

TEST_F(RbModelPixelTest, TexturedQuadsDrawAndCullByTheirMaterial) {
  const TempDataRoot dir;
  // A 2 x 2 green texture, scrambled as the game ships it.
  testimg::BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.pixels = {0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  std::vector<uint8_t> bmp = testimg::makeBmp(spec);
  data::scrambleBytes(bmp.data(), bmp.size());
  dir.write("leaf.zgr", bmp);

  // Two quads facing the camera: the left one wound clockwise on screen, the right one
  // counter-clockwise; both with the culling material, and a third, untextured one above that
  // is never culled.
  rbfiles::Model m;
  m.vertices = {{{-120, -40, 0}}, {{-120, 40, 0}}, {{-40, 40, 0}}, {{-40, -40, 0}},
                {{40, -40, 0}},   {{40, 40, 0}},   {{120, 40, 0}}, {{120, -40, 0}},
                {{-40, 60, 0}},   {{-40, 140, 0}}, {{40, 140, 0}}, {{40, 60, 0}}};
  m.uvs = {{0, 0}, {1, 1}};
  m.groups = {{0, 1, {{{{0, 0}, {1, 0}, {2, 1}, {3, 1}}, 0}, {{{7, 0}, {6, 0}, {5, 1}, {4, 1}}, 0},
                      {{{11, 0}, {10, 0}, {9, 0}, {8, 0}}, 1}}}};
  m.materials = {{1, "art\\leaf.bmp"}, {0, {}}};
  OBJMODEL model;
  model.reset();
  model.setTextureDir(dir.root());
  ASSERT_EQ(model.loadFromMemory(m.bytes(), "pixels", 0.01f), 1);
  ASSERT_NE(model.material(0).texture, nullptr);
  EXPECT_EQ(model.material(0).textureName, dir.root() + "leaf.zgr");

  const MATRIX projection = gameProjection();
  MATRIX view;
  view.identity();
  device->SetTransform(plat::D3DTS_PROJECTION, &projection);
  device->SetTransform(plat::D3DTS_VIEW, &view);
  device->SetRenderState(plat::D3DRS_LIGHTING, true);
  device->SetRenderState(plat::D3DRS_AMBIENT, 0xFFFFFFFF);  // lit by the ambient light alone
  device->LightEnable(0, false);
  device->SetRenderState(plat::D3DRS_ZENABLE, false);
  model.position.set(0, 0, 400);
  model.colour.set(1, 0.5f, 1);
  device->BeginScene();
  model.draw(device, 1.0f);
  device->EndScene();
  const std::vector<uint8_t> pixels = frame();
  // 80 units at distance 400 are 116 pixels across and 116 pixels up.
  EXPECT_TRUE(near(pixelOf(pixels, 640, 320 - 116, 240), {0, 128, 0, 255}, 8));    // clockwise: drawn
  EXPECT_TRUE(near(pixelOf(pixels, 640, 320 + 116, 240), {0, 0, 0, 255}, 8));      // counter-clockwise: culled
  EXPECT_TRUE(near(pixelOf(pixels, 640, 320, 240 - 145), {255, 128, 255, 255}, 8));  // no culling, no texture
  EXPECT_TRUE(near(pixelOf(pixels, 640, 320, 240), {0, 0, 0, 255}, 8));
}

// The demo figure of the generated data tree: the bones a character needs, an eye material on
// the front of the head, two looping animations, and a picture with the cloth texture.
TEST_F(RbModelPixelTest, DemoFigureLoadsAnimatesAndDraws) {
  const std::string mdl = std::string(ORVANE_BIN_DIR) + "/Mdl/";
  OBJMODEL model;
  model.reset();
  model.setTextureDir(mdl);
  ASSERT_EQ(model.load(device, mdl + "test.zdm", 0, 1.0f), 1);
  std::vector<std::string> names;
  for (int slot = 0; slot < kBoneSlots; ++slot)
    if (model.getBone(slot)) names.push_back(model.getBone(slot)->name);
  for (const char* needed : {"wea_b", "gua_b", "head_b"})
    EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;
  EXPECT_EQ(model.eyeSlots[0], 1);
  EXPECT_NE(model.material(0).texture, nullptr);
  EXPECT_EQ(model.getAnimName(0), "stand");
  EXPECT_EQ(model.getAnimName(1), "walk");
  model.setAnim(1);
  model.rewind();
  EXPECT_EQ(model.getAnimLength(), 32);
  EXPECT_EQ(model.advance(16), 0);
  EXPECT_EQ(model.advance(17), 1);

  litScene();
  model.position.set(0, -90, 300);
  model.rotation.set(0, 0.5f, 0);
  model.rewind();
  model.advance(4);
  device->BeginScene();
  model.draw(device, 1.0f);
  device->EndScene();
  const std::vector<uint8_t> pixels = frame();
  if (const char* png = std::getenv("ORVANE_RBMODEL_PNG")) plat::WritePng(png, 640, 480, pixels);
  // The chest: blue cloth, lit; the background stays black.
  const Rgba chest = pixelOf(pixels, 640, 320, 150);
  EXPECT_GT(chest.b, chest.r + 40);
  EXPECT_TRUE(near(pixelOf(pixels, 640, 20, 20), {0, 0, 0, 255}, 0));
}

}  // namespace
