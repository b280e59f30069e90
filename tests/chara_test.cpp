#include "gfx/chara.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/graphics.h"
#include "core/message_box.h"
#include "data/scramble.h"
#include "data/text_scanner.h"
#include "platform/png.h"
#include "platform/system.h"
#include "tests/device_fixture.h"
#include "tests/game_state.h"
#include "tests/image_files.h"
#include "tests/null_device.h"
#include "tests/rb_model_files.h"
#include "tests/recording_device.h"
#include "tests/temp_data_root.h"

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// A small "RB Object format" model: the root, "head_b", "wea_b" and "gua_b" (or bones of other
// names), one quad on the root and one on the head, material 1 an eye material (optional), and
// animations whose keys turn the head.

struct Key {
  int frame;
  float yaw;  // a turn of the head bone
};
struct Anim {
  int slot;
  std::string name;
  std::vector<Key> headKeys;
};

struct ModelSpec {
  std::vector<std::string> boneNames{"head_b", "wea_b", "gua_b"};
  bool eyeMaterial = true;
  std::vector<Anim> anims;
};

QUAT yawQuat(float angle) {
  QUAT q;
  q.fromYawPitchRoll(angle, 0, 0);
  return q;
}

std::vector<uint8_t> modelBytes(const ModelSpec& spec) {
  rbfiles::Model m;
  const int boneCount = 1 + static_cast<int>(spec.boneNames.size());
  // Root with every other bone as its child.
  m.bones = {{0, "r", {0, 0, 0}}};
  for (int b = 1; b < boneCount; ++b) m.bones[0].children.push_back({b - 1, b});
  const VECTOR pivots[3] = {{0, 10, 0}, {5, 5, 0}, {-5, 5, 0}};
  for (int b = 1; b < boneCount; ++b) m.bones.push_back({b, spec.boneNames[b - 1], pivots[(b - 1) % 3]});
  // Vertices: a quad on the root, a quad on bone 1.
  const float quad[4][2] = {{-2, -2}, {-2, 2}, {2, 2}, {2, -2}};
  for (int q = 0; q < 2; ++q)
    for (const auto& c : quad) m.vertices.push_back({{c[0], c[1] + (q ? 10.0f : 0.0f), 0}, q});
  m.groups = {{0, 1, {}, "g"}};
  for (int q = 0; q < 2; ++q)
    m.groups[0].polygons.push_back({{{q * 4, 0}, {q * 4 + 1, 0}, {q * 4 + 2, 0}, {q * 4 + 3, 0}}, q});
  m.materials = {{}, {}};
  if (spec.eyeMaterial) m.materials[1].texture = "art\\fig_e0.bmp";
  for (const Anim& a : spec.anims) {
    rbfiles::Anim anim{a.slot, a.name, {}};
    for (int b = 0; b < boneCount; ++b) {
      // The root is keyed on the same frames without moving (its track is the one whose
      // counter the model reports); the head turns.
      rbfiles::Track track{b, {}};
      if (b <= 1)
        for (const Key& k : a.headKeys)
          track.keys.push_back({k.frame, {0, 0, 0}, yawQuat(b == 1 ? k.yaw : 0), {1, 1, 1}});
      anim.tracks.push_back(track);
    }
    m.anims.push_back(anim);
  }
  return m.bytes();
}

// Animations 0 "stand" (frames 0 to 10), 1 "walk" (0 to 20), 2 "btlWave" (0 to 8), 3 "btlSit".
ModelSpec figureSpec() {
  ModelSpec spec;
  spec.anims = {{0, "stand", {{0, 0}, {10, 0.5f}}},
                {1, "walk", {{0, 0}, {10, 0.2f}, {20, 0.4f}}},
                {2, "btlWave", {{0, 0}, {8, 1}}},
                {3, "btlSit", {{0, 0}, {4, 1}}}};
  return spec;
}

// A scrambled 1 x 1 BMP of one colour.
std::vector<uint8_t> eyeFile(uint8_t r, uint8_t g, uint8_t b) {
  testimg::BmpSpec spec;
  spec.pixels = {b, g, r, 0};
  std::vector<uint8_t> bmp = testimg::makeBmp(spec);
  data::scrambleBytes(bmp.data(), bmp.size());
  return bmp;
}

// Records world transforms, textures drawn with, pixel shader calls and draws.
class CharaDevice : public NullDevice {
 public:
  std::vector<MATRIX> worlds;
  std::vector<plat::PixelShaderHandle> shaders;
  std::vector<std::vector<float>> constants;
  std::vector<plat::Texture*> drawnTextures;  // the texture of every draw
  plat::Texture* texture = nullptr;

  HRESULT CreateTexture(unsigned w, unsigned h, unsigned levels, DWORD, plat::D3DFORMAT format, plat::D3DPOOL,
                        std::unique_ptr<plat::Texture>* t) override {
    *t = std::make_unique<recording::MemoryTexture>(w, h, levels, format);
    return plat::D3D_OK;
  }
  HRESULT SetTransform(plat::D3DTRANSFORMSTATETYPE type, const plat::D3DMATRIX* m) override {
    if (type == plat::D3DTS_WORLD) {
      MATRIX copy;
      static_cast<plat::D3DMATRIX&>(copy) = *m;
      worlds.push_back(copy);
    }
    return plat::D3D_OK;
  }
  HRESULT SetTexture(DWORD stage, plat::Texture* t) override {
    if (stage == 0) texture = t;
    return plat::D3D_OK;
  }
  HRESULT SetPixelShader(plat::PixelShaderHandle handle) override {
    shaders.push_back(handle);
    return plat::D3D_OK;
  }
  HRESULT SetPixelShaderConstant(DWORD, const float* values, DWORD count) override {
    constants.emplace_back(values, values + 4 * count);
    return plat::D3D_OK;
  }
  HRESULT DrawPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, const void*, unsigned) override {
    drawnTextures.push_back(texture);
    return plat::D3D_OK;
  }
  HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned, unsigned, const uint16_t*, const void*,
                                 unsigned) override {
    drawnTextures.push_back(texture);
    return plat::D3D_OK;
  }
};

struct Message {
  std::string text, caption;
};

// Every test runs in a directory of its own, which is both the current directory and the data
// root, with the recording device as the game's device.
class CharaTest : public GameStateTest {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler(
        [this](const std::string& text, const std::string& caption) { messages.push_back({text, caption}); });
    dir.makeDirectories("mdl/eyes");
    dir.makeDirectories("Wea");
    dir.enter();
    dir.useAsDataRoot();
    previousDevice = gDevice;
    gDevice = &device;
  }
  void TearDown() override {
    gDevice = previousDevice;
    plat::SetMessageBoxHandler(nullptr);
  }
  void write(const std::string& relative, const std::vector<uint8_t>& bytes) { dir.write(relative, bytes); }
  void write(const std::string& relative, const std::string& text) { dir.write(relative, text); }
  // The figure "fig" with two eye textures and the configuration "HERO".
  void writeFigure(const ModelSpec& spec = figureSpec(), const std::string& actions = "10,5,10,10;\n0,0,1,0,\n") {
    write("mdl/fig.zdm", modelBytes(spec));
    write("mdl/eyes/fig_e0.zgr", eyeFile(255, 0, 0));
    write("mdl/eyes/fig_e1.zgr", eyeFile(0, 0, 255));
    write("mdl/HERO.ZD", "fig\n0.01,\n180,40,\n" + actions + "1,2,3,\n0,90,0,\n-1,0,0,\n0,0,0,\n");
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Message& m : messages) out.push_back(m.text);
    return out;
  }

  CharaDevice device;
  plat::Device* previousDevice = nullptr;
  std::vector<Message> messages;
  TempDataRoot dir;
};

void expectNear(const VECTOR& got, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(got.x, x, tolerance);
  EXPECT_NEAR(got.y, y, tolerance);
  EXPECT_NEAR(got.z, z, tolerance);
}

CHARA& addChara(float x, float z, int radius) {
  gCharas.push_back(std::make_unique<CHARA>());
  CHARA& c = *gCharas.back();
  c.position.set(x, 0, z);
  c.radius = radius;
  c.alpha = 1;
  return c;
}

// ---------------------------------------------------------------------------------------------
// The configuration file

TEST(CharaConfig, ReadsEveryField) {
  const CharaConfig c =
      parseCharaConfig("fig\n2.0,\n180.9,40.5,\n10,12,8;rest\n0,1,0,\n1,2,3,\n0,90,0,\n-1,0,0,\n90,0,0,\n");
  EXPECT_EQ(c.modelName, "fig");
  EXPECT_EQ(c.scale, 2.0f);
  EXPECT_EQ(c.height, 180);
  EXPECT_EQ(c.radius, 40);
  EXPECT_EQ(c.speeds, (std::vector<uint8_t>{10, 12, 8}));
  EXPECT_EQ(c.loops, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_FALSE(c.tooManyActions);
  expectNear(c.weaponOffset, 2, 4, 6);
  expectNear(c.guardOffset, -2, 0, 0);
  QUAT pitch90;
  pitch90.fromYawPitchRoll(0, 90 * 0.0174532775f, 0);
  EXPECT_NEAR(c.weaponRotation.x, pitch90.x, 1e-6f);
  EXPECT_NEAR(c.weaponRotation.w, pitch90.w, 1e-6f);
  const QUAT yaw90 = yawQuat(90 * 0.0174532775f);
  EXPECT_NEAR(c.guardRotation.y, yaw90.y, 1e-6f);
  EXPECT_NEAR(c.guardRotation.w, yaw90.w, 1e-6f);
}

TEST(CharaConfig, DamagedFilesAreReadWithoutRunningPastTheirEnd) {
  // CR LF line ends, as the game's files have them, read as a text-mode file delivers them.
  const std::string crlf = "fig\r\n1,\r\n100,30,\r\n10,20;\r\n1,0,\r\n";
  const CharaConfig a = parseCharaConfig(data::textModeBytes({reinterpret_cast<const uint8_t*>(crlf.data()), crlf.size()}));
  EXPECT_EQ(a.speeds, (std::vector<uint8_t>{10, 20}));
  EXPECT_EQ(a.loops, (std::vector<uint8_t>{1, 0}));

  // No ';': the end of the file ends the list; the loop list and the rest keep their defaults.
  const CharaConfig b = parseCharaConfig("fig\n1,\n100,30,\n10,20,30");
  EXPECT_EQ(b.speeds, (std::vector<uint8_t>{10, 20, 30}));
  EXPECT_EQ(b.loops.size(), 3u);
  expectNear(b.weaponOffset, 0, 0, 0);

  // Empty file: nothing is read.
  const CharaConfig empty = parseCharaConfig("");
  EXPECT_EQ(empty.modelName, "");
  EXPECT_TRUE(empty.speeds.empty());

  // Low bytes; a word where a number should be repeats the last number read.
  const CharaConfig c = parseCharaConfig("m\n1,\n1e30,-1e30,\n266,x;\n");
  EXPECT_EQ(c.height, 2147483647);
  EXPECT_EQ(c.radius, -2147483647 - 1);
  EXPECT_EQ(c.speeds.front(), 10);
  EXPECT_EQ(c.speeds.size(), 3u);  // "266", then 'x' and the character after it read nothing

  // More than 255 actions: the first 255 are kept and the list is still read to its end.
  std::string many = "m\n1,\n1,1,";
  for (int i = 0; i < 300; ++i) many += "\n" + std::to_string(i);
  many += ";\n";
  for (int i = 0; i < 255; ++i) many += "1,";
  many += "\n7,8,9,\n";
  const CharaConfig d = parseCharaConfig(many);
  EXPECT_TRUE(d.tooManyActions);
  EXPECT_EQ(d.speeds.size(), 255u);
  EXPECT_EQ(d.speeds[254], 254);
  EXPECT_EQ(d.loops.size(), 255u);
  expectNear(d.weaponOffset, 7, 8, 9);
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(CharaTest, LoadsModelEyesBonesAndStartsActionZero) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0].text);
  EXPECT_GT(c.vertexCount(), 0);
  EXPECT_EQ(c.height, 180);
  EXPECT_EQ(c.radius, 40);
  EXPECT_EQ(c.actionCount(), 4);
  EXPECT_EQ(c.actionLoop(2), 1);
  ASSERT_NE(c.headBone(), nullptr);
  EXPECT_EQ(c.headBone()->name, "head_b");
  EXPECT_EQ(c.weaponBone()->name, "wea_b");
  EXPECT_EQ(c.guardBone()->name, "gua_b");
  expectNear(c.weaponOffset, 0.01f, 0.02f, 0.03f, 1e-6f);
  // The eye material got eye texture 0; the model's textures are looked up under "mdl\".
  EXPECT_EQ(c.textureDir(), "mdl\\");
  ASSERT_EQ(c.eyeTextureCount(), 2);
  EXPECT_EQ(c.eyeSlots[0], 1);
  EXPECT_EQ(c.material(1).texture, c.eyeTexture(0));
  EXPECT_NE(c.eyeTexture(0), nullptr);
  // Action 0 runs forwards at speed 1.
  EXPECT_EQ(c.getAnim(), 0);
  EXPECT_EQ(c.playFlags, kPlayOn);
  EXPECT_EQ(c.playDirection, 1);
  EXPECT_FLOAT_EQ(c.speed, 1.0f);
}

TEST_F(CharaTest, FailuresShowTheirMessagesAndLoadingGoesOn) {
  CHARA c;
  c.Load("NOBODY");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "CHARA->Load::設定fileが開けないのさ:\nNOBODY");
  EXPECT_EQ(messages[0].caption, "HollinERROR");
  EXPECT_EQ(c.vertexCount(), 0);
  EXPECT_EQ(c.actionCount(), 0);

  // A model without the attachment bones and without eye materials: one message per bone; eye
  // textures are loaded all the same and setEyes changes nothing.
  ModelSpec plain = figureSpec();
  plain.boneNames = {"neck", "hand", "Gua_b"};
  plain.eyeMaterial = false;
  writeFigure(plain);
  messages.clear();
  c.Load("HERO");
  EXPECT_EQ(texts(), (std::vector<std::string>{"wea_b:ｱﾘｬ", "gua_b:ｱﾘｬ", "head_b:ｱﾘｬ"}));
  EXPECT_EQ(messages[0].caption, "トホホ～");
  EXPECT_EQ(c.headBone(), nullptr);
  EXPECT_EQ(c.eyeTextureCount(), 2);
  EXPECT_EQ(c.eyeSlots[0], kNoEyeMaterial);
  c.setEyes(0, 1);
  c.setEyes(1, 1);
  for (int m = 0; m < kMaterialSlots; ++m) EXPECT_EQ(c.material(m).texture, nullptr);
  // Head turns are refused without a head bone.
  c.lookAt(0, 0, 8);
  EXPECT_EQ(c.headTurnFrames, 0);

  // Undeclared action and empty animation slot: the current action goes on.
  writeFigure(figureSpec(), "10,10,10,10,10,10;\n0,0,0,0,0,0,\n");
  messages.clear();
  c.Load("HERO");
  ASSERT_TRUE(messages.empty());
  c.setAnm(1);
  EXPECT_EQ(c.setAnm(6), 0);
  EXPECT_EQ(c.setAnm(-1), 0);
  EXPECT_EQ(c.setAnm(5), 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"CHARA::setAnm::This action_speed wasn't declared:6",
                                               "CHARA::setAnm::This action_speed wasn't declared:-1",
                                               "そのフレームは、ないのさ"}));
  EXPECT_EQ(messages[0].caption, "HollinERROR");
  EXPECT_EQ(messages[2].caption, "トホホ～");
  EXPECT_EQ(c.getAnim(), 1);
}

TEST_F(CharaTest, TooManyActionsAndAMissingModel) {
  std::string speeds;
  for (int i = 0; i < 256; ++i) speeds += "10,";
  speeds.back() = ';';
  write("mdl/BIG.ZD", "nomodel\n1,\n1,1,\n" + speeds + "\n");
  CHARA c;
  c.Load("BIG");
  // The model's own message first, then the action list's; setAnm does nothing on an empty model.
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "mdl\\nomodel.zdmを開けなかったのさ");
  EXPECT_EQ(messages[1].text, "ｱﾘｬ");
  EXPECT_EQ(c.actionCount(), kMaxActions);
  EXPECT_EQ(c.setAnm(0), 0);
}

TEST_F(CharaTest, ReleaseTakesTheEyesOffAndForgetsTheBones) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.release();
  EXPECT_EQ(c.material(1).texture, nullptr);
  EXPECT_EQ(c.eyeTextureCount(), 0);
  EXPECT_EQ(c.headBone(), nullptr);
  EXPECT_EQ(c.weaponBone(), nullptr);
  EXPECT_EQ(c.actionCount(), 0);
  EXPECT_EQ(c.setAnm(0), 0);
  c.alpha = 1;
  c.lookAt(0, 0, 4);
  c.step(1, 1);  // nothing left to draw or turn
}

// ---------------------------------------------------------------------------------------------
// Eyes

TEST_F(CharaTest, SetEyesChangesOnlyForTexturesThatExist) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.setEyes(0, 1);
  EXPECT_EQ(c.material(1).texture, c.eyeTexture(1));
  for (int k : {2, -1, 1000}) {
    c.setEyes(0, k);
    EXPECT_EQ(c.material(1).texture, c.eyeTexture(1)) << k;
  }
  c.setEyes(3, 0);
  c.setEyes(-1, 0);
  EXPECT_EQ(c.material(1).texture, c.eyeTexture(1));
  // The third slot and the second set: empty until filled.
  c.eyeSlots[2] = 0;
  c.setEyes(2, 0);
  EXPECT_EQ(c.material(0).texture, nullptr);
  auto second = std::make_unique<recording::MemoryTexture>(1, 1, 1, plat::D3DFMT_R5G6B5);
  plat::Texture* secondTexture = second.get();
  c.addSecondEyeTexture(std::move(second));
  c.setEyes(2, 1);
  EXPECT_EQ(c.material(0).texture, nullptr);
  c.setEyes(2, 0);
  EXPECT_EQ(c.material(0).texture, secondTexture);
  EXPECT_EQ(c.material(1).texture, c.eyeTexture(1));
  // Released, the model keeps no texture of the character.
  c.release();
  EXPECT_EQ(c.material(0).texture, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Actions

TEST_F(CharaTest, SpeedBytesTurnTicksIntoFrames) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.alpha = 1;
  c.setAnm(0);  // speed byte 10
  c.step(1, 0);
  EXPECT_EQ(c.getFrame(), 1);
  c.step(3, 0);
  EXPECT_EQ(c.getFrame(), 4);
  c.setAnm(1);  // speed byte 5: nothing on single ticks, one frame on two
  c.step(1, 0);
  EXPECT_EQ(c.getFrame(), 0);
  c.step(2, 0);
  EXPECT_EQ(c.getFrame(), 1);
  // A hidden character (alpha 0) is not animated.
  c.alpha = 0;
  c.step(5, 1);
  EXPECT_EQ(c.getFrame(), 1);
  EXPECT_TRUE(device.worlds.empty());
}

TEST_F(CharaTest, PingPongPlaysForwardBackToZeroAndForwardAgain) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.alpha = 1;
  c.setAnm(2);  // keys at 0 and 8, loop byte 1
  EXPECT_EQ(c.playFlags, kPlayOn | kPlayPingPong);
  std::vector<int> frames;
  std::vector<int> directions;
  for (int i = 0; i < 24; ++i) {
    c.step(1, 0);
    frames.push_back(c.getFrame());
    directions.push_back(c.playDirection);
  }
  // Forward past the last key (frame 9 runs out), back to 0, held at 0 below it, forward.
  const std::vector<int> want = {1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 1, 2, 3, 4, 5};
  EXPECT_EQ(frames, want);
  EXPECT_EQ(directions[7], 1);
  EXPECT_EQ(directions[8], -1);
  EXPECT_EQ(directions[17], -1);
  EXPECT_EQ(directions[18], 1);
  // The pose follows: at frame 4 on the way back the head is half turned.
  VECTOR a;
  for (int i = 0; i < 4; ++i) c.step(1, 0);  // frames 6, 7, 8, 9: turns back
  c.step(1, 0);
  c.step(1, 0);
  c.step(1, 0);
  c.step(1, 0);
  c.step(1, 0);  // 8, 7, 6, 5, 4
  EXPECT_EQ(c.getFrame(), 4);
  c.headBone()->rotation.toAngles(a);
  EXPECT_NEAR(a.y, 0.5f, 1e-3f);
}

TEST_F(CharaTest, LoopingRestartsAndHoldKeepsTheLastPose) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.alpha = 1;
  c.setAnm(0);  // keys 0 and 10
  c.step(11, 0);
  EXPECT_EQ(c.getFrame(), 0);  // ran out: rewound
  c.step(10, 0);
  c.playFlags |= kPlayHold;
  c.step(5, 0);
  const int held = c.getFrame();
  VECTOR before;
  c.headBone()->rotation.toAngles(before);
  for (int i = 0; i < 5; ++i) c.step(3, 0);
  VECTOR after;
  c.headBone()->rotation.toAngles(after);
  EXPECT_NEAR(before.y, 0.5f, 1e-4f);
  EXPECT_NEAR(after.y, before.y, 1e-6f);
  EXPECT_GE(c.getFrame(), held);
  EXPECT_EQ(c.getAnim(), 0);
  EXPECT_EQ(c.playDirection, 1);
}

TEST_F(CharaTest, QueueStartsEntriesInOrderAndItsLastEntryRepeats) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.alpha = 1;
  c.setAnm(3);       // keys 0 and 4: runs out at frame 5
  c.queueAnm(0, 0);  // action 0 is still a set entry
  EXPECT_EQ(c.queue[0], 0x80000000u);
  c.queueAnm(1, 2);
  c.queueAnm(3, 1);
  c.queueAnm(4, 1);  // no such position
  c.queueAnm(-1, 1);
  c.step(5, 0);
  EXPECT_EQ(c.getAnim(), 0);
  EXPECT_EQ(c.getFrame(), 0);
  EXPECT_EQ(c.queue[0], 0x80000002u);
  EXPECT_EQ(c.queue[1], 0u);
  EXPECT_EQ(c.queue[2], 0x80000001u);
  EXPECT_EQ(c.queue[3], 0x80000001u);  // the last entry keeps its value
  c.step(11, 0);
  EXPECT_EQ(c.getAnim(), 2);
  EXPECT_EQ(c.playFlags, kPlayOn | kPlayPingPong);
  // An empty entry 0 ends the queue: the ping-pong action turns round, entry 1 waits.
  c.step(9, 0);
  EXPECT_EQ(c.getAnim(), 2);
  EXPECT_EQ(c.playDirection, -1);
  EXPECT_EQ(c.queue[1], 0x80000001u);

  // A full queue plays in order; its last entry stays, so the last follow-up keeps coming.
  c.setAnmClear(3);
  for (uint32_t entry : c.queue) EXPECT_EQ(entry, 0u);
  c.queueAnm(0, 0);
  c.queueAnm(1, 3);
  c.queueAnm(2, 0);
  c.queueAnm(3, 3);
  std::vector<int> played;
  for (int i = 0; i < 4; ++i) {
    c.step(c.getAnim() == 3 ? 5 : 11, 0);
    played.push_back(c.getAnim());
  }
  EXPECT_EQ(played, (std::vector<int>{0, 3, 0, 3}));
  for (uint32_t entry : c.queue) EXPECT_EQ(entry, 0x80000003u);
  c.step(5, 0);
  EXPECT_EQ(c.getAnim(), 3);
  EXPECT_EQ(c.getFrame(), 0);

  // The hold flag does not keep a queued action waiting.
  c.setAnm(3);
  c.playFlags |= kPlayHold;
  c.queueAnm(0, 2);
  c.step(5, 0);
  EXPECT_EQ(c.getAnim(), 2);
  // setAnmIfNew leaves a running action alone.
  c.setAnmClear(0);
  c.step(3, 0);
  EXPECT_EQ(c.setAnmIfNew(0), 0);
  EXPECT_EQ(c.getFrame(), 3);
  EXPECT_EQ(c.setAnmIfNew(1), 1);
  EXPECT_EQ(c.getAnim(), 1);
}

TEST_F(CharaTest, DeleteAnimsByPrefixInAnyCase) {
  writeFigure();
  CHARA c;
  c.Load("HERO");
  c.deleteAnims("BTL");
  EXPECT_TRUE(c.hasAnim(0));
  EXPECT_TRUE(c.hasAnim(1));
  EXPECT_FALSE(c.hasAnim(2));
  EXPECT_FALSE(c.hasAnim(3));
}

// ---------------------------------------------------------------------------------------------
// Hit tests

TEST_F(CharaTest, HitsNeedADistanceBelowTheRadii) {
  addChara(0, 0, 20);
  addChara(30, 40, 30);  // distance 50 = 20 + 30: no hit
  addChara(0, 49, 30);   // distance 49 to character 0: hit
  EXPECT_EQ(CHARA::hit(0, 1), 0);
  EXPECT_EQ(CHARA::hit(0, 2), 1);
  EXPECT_EQ(CHARA::hit(0, 0), 0);
  EXPECT_EQ(CHARA::hit(0, 7), 0);
  EXPECT_EQ(CHARA::hit(-1, 0), 0);
  gCharas[2]->alpha = 0;  // hidden characters cannot be hit
  EXPECT_EQ(CHARA::hit(0, 2), 0);
  EXPECT_EQ(CHARA::hitAny(0), 0);
  gCharas[2]->alpha = 1;
  EXPECT_EQ(CHARA::hitAny(0), 1);
  gCharas[2]->present = 0;
  EXPECT_EQ(CHARA::hitAny(0), 0);
  gCharas[1]->position.y = 1;  // the height counts too: now 50.01 apart
  gCharas[1]->radius = 31;
  EXPECT_EQ(CHARA::hitAny(0), 1);
  EXPECT_EQ(CHARA::hitAny(9), 0);
}

// ---------------------------------------------------------------------------------------------
// Head turn

TEST_F(CharaTest, HeadTurnsInStepsAndIsClampedTo65Degrees) {
  writeFigure();
  gCharas.push_back(std::make_unique<CHARA>());
  CHARA& c = *gCharas[0];
  c.Load("HERO");
  c.alpha = 1;
  c.playFlags = 0;  // keep the pose of frame 0 (head straight)
  CHARA& behind = addChara(0, -100, 10);
  (void)behind;
  CHARA& side = addChara(100, 0, 10);
  (void)side;
  c.lookAt(0, 1, 4);  // straight behind: heading pi, reduced to -pi... clamped
  EXPECT_EQ(c.headTurnFrames, 4);
  EXPECT_LE(std::fabs(c.headTurnStep.y * 4), kHeadTurnLimit + 1e-5f);
  c.lookAt(0, 2, 4);  // heading pi/2 is beyond 65 degrees too
  EXPECT_NEAR(c.headTurnStep.y * 4, kHeadTurnLimit, 1e-5f);
  // Four frames: the step is added while more than one frame is left, then the turn holds.
  for (int i = 0; i < 6; ++i) c.step(1, 1);
  EXPECT_EQ(c.headTurnFrames, 1);
  EXPECT_NEAR(c.headTurn.y, kHeadTurnLimit * 3 / 4, 1e-5f);
  // The turn is drawn, not added to the head's pose.
  VECTOR a;
  c.headBone()->rotation.toAngles(a);
  EXPECT_NEAR(a.y, 0, 1e-5f);
  // Straight ahead turns back to the animated pose; a turn over no frames divides by nothing.
  c.lookAt(0, 0, 2);
  EXPECT_NEAR(c.headTurnStep.y, -kHeadTurnLimit * 3 / 8, 1e-5f);
  c.lookAt(0, 5, 0);
  EXPECT_EQ(c.headTurnStep.y, 0);
  EXPECT_EQ(c.headTurnFrames, 0);
  // The character's own yaw is added to the target's heading: a target at 30 degrees with a
  // yaw of 20 gives 50.
  c.headTurn = {};
  c.rotation.y = 20 * 0.0174532775f;
  gCharas[2]->position.set(100 * std::sin(30 * 0.0174532775f), 0, 100 * std::cos(30 * 0.0174532775f));
  c.lookAt(0, 2, 1);
  EXPECT_NEAR(c.headTurnStep.y, 50 * 0.0174532775f, 1e-3f);
  c.clearExtra();
  EXPECT_EQ(c.headTurnFrames, 0);
  EXPECT_EQ(c.headTurnStep.y, 0);
}

// ---------------------------------------------------------------------------------------------
// Drawing

TEST_F(CharaTest, StepDrawsWithOpacityShaderAndHeldModelsAtTheirBones) {
  writeFigure();
  // A one-triangle Mat model.
  const std::string blade =
      "ZD:\r\nMaterial 1 {\r\n\"b\" col(1 1 1 1)\r\n}\r\nObject \"b\" {\r\nvertex 3 {\r\n0 0 0\r\n1 0 0\r\n0 1 "
      "0\r\n}\r\nface 1 {\r\n3 V(0 1 2)\r\n}\r\n}\r\n";
  write("Wea/wea1.ZDX", blade);
  CHARA c;
  c.Load("HERO");
  c.loadWeapon(0, "wea1");
  ASSERT_NE(c.weaponModel(), nullptr);
  ASSERT_EQ(c.weaponModel()->objects.size(), 1u);
  EXPECT_EQ(c.weaponModel()->directory(), "wea\\");
  c.alpha = 0.5f;
  c.position.set(100, 0, 0);
  c.colour.set(1, 0.5f, 0.25f);
  c.shaderFlag = 1;
  const plat::PixelShaderHandle previousShader = gPixelShader;
  gPixelShader = 7;
  c.playFlags = 0;
  c.step(1, 102);  // visibility 102: 100 / 255 of alpha
  gPixelShader = previousShader;
  ASSERT_EQ(device.shaders, (std::vector<plat::PixelShaderHandle>{7, 0}));
  ASSERT_EQ(device.constants.size(), 1u);
  EXPECT_NEAR(device.constants[0][3], 100 * 0.5f * 0.003922f, 1e-6f);
  EXPECT_EQ(device.constants[0][1], 0.5f);
  // Model, then the weapon; no guard model, so no third transform.
  ASSERT_EQ(device.worlds.size(), 2u);
  const BONE& hand = *c.weaponBone();
  // The weapon's origin: hand position + offset (turned by the hand, here not at all), then the
  // character's placement.
  EXPECT_NEAR(device.worlds[1].m[3][0], hand.worldPosition.x + 0.01f + 100, 1e-4f);
  EXPECT_NEAR(device.worlds[1].m[3][1], hand.worldPosition.y + 0.02f, 1e-4f);
  EXPECT_NEAR(device.worlds[1].m[3][2], hand.worldPosition.z + 0.03f, 1e-4f);
  // The eye texture is what the eye material draws with.
  EXPECT_NE(std::find(device.drawnTextures.begin(), device.drawnTextures.end(), c.eyeTexture(0)),
            device.drawnTextures.end());

  // A guard alone is not drawn; with a weapon it is, at the guard bone.
  c.loadWeapon(1, "wea1");
  c.shaderFlag = 0;
  device.worlds.clear();
  c.step(1, 1);
  ASSERT_EQ(device.worlds.size(), 3u);
  EXPECT_NEAR(device.worlds[2].m[3][0], c.guardBone()->worldPosition.x - 0.01f + 100, 1e-4f);
  EXPECT_EQ(device.shaders.size(), 2u);  // no shader without the flag
  // A missing weapon file leaves an empty weapon model after the Mat model's message.
  messages.clear();
  c.loadWeapon(0, "none");
  EXPECT_FALSE(messages.empty());
  device.worlds.clear();
  c.step(1, 1);
  EXPECT_EQ(device.worlds.size(), 3u);
}

// The four demo characters of the generated data tree, drawn on the real device.
class CharaPixelTest : public DeviceTest {};

TEST_F(CharaPixelTest, DemoCharacterDrawsWithItsWeapon) {
  const ScopedDataRoot root(demoDataDir());
  const ScopedCurrentDirectory here(demoDataDir());
  std::vector<std::string> messages;
  plat::SetMessageBoxHandler([&](const std::string& text, const std::string&) { messages.push_back(text); });
  {
    CHARA c;
    for (const char* name : {"NAGI", "SUZU", "TOBI", "KAEDE"}) {
      c.Load(name);
      EXPECT_TRUE(messages.empty()) << name << ": " << (messages.empty() ? "" : messages[0]);
      EXPECT_GT(c.vertexCount(), 0) << name;
      EXPECT_GE(c.eyeTextureCount(), 2) << name;
      EXPECT_GE(c.actionCount(), 2) << name;
    }
    c.Load("NAGI");
    c.loadWeapon(0, "wea5");
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
    ASSERT_NE(c.weaponModel(), nullptr);
    EXPECT_FALSE(c.weaponModel()->vertices.empty());

    litScene();
    c.alpha = 1;
    c.position.set(0, -90, 300);
    c.rotation.y = kPi;  // the figure's front (+Z) toward the camera
    device->BeginScene();
    c.step(1, 1);
    device->EndScene();
    const std::vector<uint8_t> pixels = frame();
    if (const char* png = std::getenv("ORVANE_CHARA_PNG")) plat::WritePng(png, 640, 480, pixels);
    // The chest: blue cloth; the corner: background.
    const Rgba chest = pixelOf(pixels, 640, 320, 150);
    EXPECT_GT(chest.b, chest.r + 40);
    EXPECT_TRUE(near(pixelOf(pixels, 640, 20, 20), {0, 0, 0, 255}, 0));
    // The steel blade in the right hand (on the left of the picture), tilted forward and up
    // beside the body.
    EXPECT_TRUE(near(pixelOf(pixels, 640, 252, 210), {186, 195, 203, 255}, 24));
    EXPECT_TRUE(near(pixelOf(pixels, 640, 262, 240), {186, 195, 203, 255}, 24));
  }
  plat::SetMessageBoxHandler(nullptr);
}

}  // namespace
