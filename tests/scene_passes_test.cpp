#include "battle/scene_passes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/boot.h"
#include "core/frame.h"
#include "core/draw2d.h"
#include "core/graphics.h"
#include "platform/png.h"
#include "tests/device_fixture.h"
#include "tests/game_state.h"
#include "tests/null_device.h"

namespace {

using namespace plat;

// A closed box of half-size 96 around the origin in the Mat text format (the reader doubles the
// file's numbers).
std::string boxModelText(int red = 255, int green = 255, int blue = 255) {
  std::string text = "ZD:\nMaterial 1 {\n\t\"box\" col(" + std::to_string(red) + " " + std::to_string(green) + " " +
                     std::to_string(blue) + " 1)\n}\nObject \"box\" {\n\tvisible 15\n\tvertex 8 {\n";
  for (int i = 0; i < 8; ++i)
    text += "\t\t" + std::string(i & 1 ? "48" : "-48") + " " + (i & 2 ? "48" : "-48") + " " + (i & 4 ? "48" : "-48") +
            "\n";
  text += "\t}\n\tface 6 {\n";
  for (const char* quad : {"0 1 3 2", "4 6 7 5", "0 4 5 1", "2 3 7 6", "0 2 6 4", "1 5 7 3"})
    text += std::string("\t\t4 V(") + quad + ") M(0)\n";
  text += "\t}\n}\n";
  // Lines end in CR LF, as the files are written.
  std::string crlf;
  for (const char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return crlf;
}

void loadBox(MakeMat& model, Device* device, int red = 255, int green = 255, int blue = 255) {
  const std::string text = boxModelText(red, green, blue);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  ASSERT_EQ(model.LoadFromMemory(device, bytes, "box.zdx", 1.0f, 0), 1);
}

// Records world transforms, materials and draws with the stencil operation they were made under.
class PassRecorder : public NullDevice {
 public:
  struct Draw {
    DWORD stencilPass;
    DWORD cull;
    bool stencil;
    MATRIX world;
    uint32_t firstColour;  // of pre-transformed quads
    unsigned primitives;
    float left = 0, top = 0, right = 0, bottom = 0;  // of pre-transformed quads
  };
  MATRIX view, projection;
  std::map<int, DWORD> states;
  MATRIX world;
  std::vector<Draw> draws;
  std::vector<float> materialAlphas;
  std::vector<VECTOR> materialWorlds;  // the character's position when its material was set

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    states[state] = value;
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    *value = states[state];
    return D3D_OK;
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* m) override {
    if (type == D3DTS_WORLD) static_cast<D3DMATRIX&>(world) = *m;
    if (type == D3DTS_VIEW) static_cast<D3DMATRIX&>(view) = *m;
    if (type == D3DTS_PROJECTION) static_cast<D3DMATRIX&>(projection) = *m;
    return D3D_OK;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) override {
    if (type == D3DTS_VIEW) *m = view;
    if (type == D3DTS_PROJECTION) *m = projection;
    return D3D_OK;
  }
  HRESULT SetMaterial(const D3DMATERIAL8* material) override {
    materialAlphas.push_back(material->Diffuse.a);
    materialWorlds.push_back({world.m[3][0], world.m[3][1], world.m[3][2]});
    return D3D_OK;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, unsigned primitives, const void* vertices, unsigned stride) override {
    uint32_t colour = 0;
    Draw draw{states[D3DRS_STENCILPASS], states[D3DRS_CULLMODE], states[D3DRS_STENCILENABLE] != 0, world, 0,
              primitives};
    if (stride == sizeof(ScreenVertex)) {
      std::memcpy(&colour, static_cast<const uint8_t*>(vertices) + 16, 4);
      const auto* quad = static_cast<const ScreenVertex*>(vertices);
      draw.left = quad[0].x, draw.top = quad[0].y, draw.right = quad[3].x, draw.bottom = quad[3].y;
    }
    draw.firstColour = colour;
    draws.push_back(draw);
    return D3D_OK;
  }
};

// The character table, the shadow model and the recorder installed as the game's device.
class ScenePass : public GameStateTest {
 protected:
  void SetUp() override {
    previous = gDevice;
    gDevice = &device;
    loadBox(gShadowModel, nullptr);
    gFrameTime = 22;
  }
  void TearDown() override { gDevice = previous; }
  CHARA& add(float x, float z, int radius, float alpha = 1.0f) {
    gCharas.push_back(std::make_unique<CHARA>());
    CHARA& c = *gCharas.back();
    c.position.set(x, 0, z);
    c.radius = radius;
    c.alpha = alpha;
    return c;
  }

  PassRecorder device;
  Device* previous = nullptr;
};

// The eye at (0, 0, -1000) looks towards +Z: its orbit angle is pi, the band pi/2 ... 3 pi/2.
const VECTOR kEye{0, 500, -1000};
ShadowView view(float drawDistance = 5000) { return shadowViewFor(kEye, kPi, drawDistance); }

TEST_F(ScenePass, VisibilityFollowsBandDistanceAndFading) {
  add(0, 0, 40);             // 0: ahead, far: visible
  add(0, -2000, 40);         // 1: behind the eye: hidden
  add(0, 6000, 40);          // 2: past the draw distance: hidden
  add(0, -1000 + 140, 40);   // 3: 100 beyond its radius: fading value 102
  add(10, -1000, 40);        // 4: the eye inside its radius: hidden
  add(0, -1000 + 40.5f, 40); // 5: just outside its radius: value 2 (drawn fully faded)
  gCharas.push_back(nullptr);  // 6: an empty entry
  drawShadows(view());
  EXPECT_EQ(gCharaVisibility, (std::vector<int>{1, 0, 0, 102, 0, 2, 0}));
  EXPECT_EQ(charaVisibility(-1), 0);
  EXPECT_EQ(charaVisibility(7), 0);

  // A band reaching past 2 pi still hides what lies behind: an eye at angle 0.2 (at +Z of the
  // origin, looking towards -Z) hides a character at +Z, whose heading is near 0 or near 2 pi.
  gCharas.clear();
  add(0, 3000, 40);
  add(-300, 3000, 40);
  add(0, -3000, 40);
  drawShadows(shadowViewFor({0, 500, 1000}, 0.2f, 10000));
  EXPECT_EQ(gCharaVisibility, (std::vector<int>{0, 0, 1}));
}

TEST_F(ScenePass, FaintCharacterCastsNoShadowAndKeepsItsVisibility) {
  CHARA& faint = add(0, 0, 96);
  add(300, 500, 192);
  drawShadows(view());
  ASSERT_EQ(gCharaVisibility, (std::vector<int>{1, 1}));

  // At alpha 0.3 the first one keeps visibility 1, even moved behind the eye.
  faint.alpha = 0.3f;
  faint.position.set(0, 0, -3000);
  device.draws.clear();
  drawShadows(view());
  EXPECT_EQ(gCharaVisibility, (std::vector<int>{1, 1}));
  // Two volume draws (count up, then down) of the second character only, then the half-black quad
  // under the stencil test.
  ASSERT_EQ(device.draws.size(), 3u);
  EXPECT_EQ(device.draws[0].stencilPass, static_cast<DWORD>(D3DSTENCILOP_INCR));
  EXPECT_EQ(device.draws[0].cull, static_cast<DWORD>(D3DCULL_CCW));
  EXPECT_EQ(device.draws[1].stencilPass, static_cast<DWORD>(D3DSTENCILOP_DECR));
  EXPECT_EQ(device.draws[1].cull, static_cast<DWORD>(D3DCULL_CW));
  for (int k = 0; k < 2; ++k) {
    const MATRIX& w = device.draws[static_cast<size_t>(k)].world;
    EXPECT_FLOAT_EQ(w.m[0][0], 1.0f);  // radius 192: the model's own size
    EXPECT_FLOAT_EQ(w.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(w.m[3][0], 300.0f);
    EXPECT_FLOAT_EQ(w.m[3][2], 500.0f);
    EXPECT_TRUE(device.draws[static_cast<size_t>(k)].stencil);
  }
  EXPECT_EQ(device.draws[2].firstColour, 0x80000000u);
  EXPECT_TRUE(device.draws[2].stencil);
  EXPECT_EQ(device.states[D3DRS_STENCILREF], 1u);
  // Everything switched back for the passes after.
  EXPECT_EQ(device.states[D3DRS_STENCILENABLE], 0u);
  EXPECT_EQ(device.states[D3DRS_ALPHABLENDENABLE], 0u);
  EXPECT_EQ(device.states[D3DRS_ZWRITEENABLE], 1u);
  EXPECT_EQ(device.states[D3DRS_FOGENABLE], 1u);
  EXPECT_EQ(device.states[D3DRS_SHADEMODE], static_cast<DWORD>(D3DSHADE_GOURAUD));

  // The faint character is still drawn, with its own alpha.
  drawCharacters(kEye);
  ASSERT_EQ(device.materialAlphas.size(), 3u);  // two characters, then the white reset
  EXPECT_FLOAT_EQ(device.materialAlphas[0], 0.3f);  // farther from the eye: first
  EXPECT_FLOAT_EQ(device.materialAlphas[1], 1.0f);
  EXPECT_FLOAT_EQ(device.materialAlphas[2], 1.0f);

  // A radius of 96 halves the shadow model.
  faint.alpha = 1;
  faint.position.set(0, 0, 0);
  device.draws.clear();
  drawShadows(view());
  ASSERT_EQ(device.draws.size(), 5u);
  EXPECT_FLOAT_EQ(device.draws[0].world.m[0][0], 0.5f);
  EXPECT_FLOAT_EQ(device.draws[0].world.m[2][2], 0.5f);
}

TEST_F(ScenePass, TheShadowQuadCoversOnlyWhereTheVolumesCanBe) {
  matrixLookAtLH(device.view, kEye, VECTOR{0, 0, 0}, VECTOR{0, 1, 0});
  device.projection = gameProjection();
  // Without a caster nothing is darkened.
  drawShadows(view());
  EXPECT_TRUE(device.draws.empty());
  // A caster straight ahead at the origin: its box lands around the centre, in a small part of
  // the screen.
  add(0, 0, 192);
  drawShadows(view());
  ASSERT_EQ(device.draws.size(), 3u);
  const PassRecorder::Draw& quad = device.draws[2];
  EXPECT_EQ(quad.firstColour, 0x80000000u);
  EXPECT_LT(quad.left, 320.0f);
  EXPECT_GT(quad.right, 320.0f);
  EXPECT_GT(quad.left, 200.0f);
  EXPECT_LT(quad.right, 440.0f);
  float x, y;
  ASSERT_TRUE(projectPoint(VECTOR{0, 0, 0}, x, y));
  EXPECT_LT(quad.top, y);
  EXPECT_GT(quad.bottom, y);
  EXPECT_GT(quad.bottom - quad.top, 8.0f);
  EXPECT_LT(quad.bottom - quad.top, 200.0f);
  // A second caster far to the side widens it to hold both.
  add(600, 0, 192);
  device.draws.clear();
  drawShadows(view());
  ASSERT_EQ(device.draws.size(), 5u);
  EXPECT_GT(device.draws[4].right, 500.0f);
  EXPECT_LT(device.draws[4].left, 320.0f);
}

TEST_F(ScenePass, CharactersAreDrawnFarthestFirstAndFadeNearTheEye) {
  add(0, 0, 40, 0.8f);                // distance 1000
  add(0, -1000 + 140, 40, 0.5f);      // 140 from the eye, 100 beyond its radius: value 102
  add(0, 2000, 40, 1.0f);             // farthest
  add(0, 500, 40, 0.0f);              // alpha 0: neither stepped nor drawn
  add(0, -3000, 40, 1.0f);            // behind the eye: stepped, not drawn
  drawShadows(view());
  device.materialAlphas.clear();
  device.materialWorlds.clear();
  drawCharacters(kEye);
  ASSERT_EQ(device.materialAlphas.size(), 4u);
  EXPECT_FLOAT_EQ(device.materialWorlds[0].z, 2000.0f);
  EXPECT_FLOAT_EQ(device.materialWorlds[1].z, 0.0f);
  EXPECT_FLOAT_EQ(device.materialWorlds[2].z, -860.0f);
  EXPECT_FLOAT_EQ(device.materialAlphas[0], 1.0f);
  EXPECT_FLOAT_EQ(device.materialAlphas[1], 0.8f);
  // Visibility 102: alpha x (102 - 2) x 0.003922, so that it fades out as the eye comes closer.
  EXPECT_EQ(charaVisibility(1), 102);
  EXPECT_NEAR(device.materialAlphas[2], 0.5f * 100 * 0.003922f, 1e-6f);
  EXPECT_FLOAT_EQ(device.materialAlphas[3], 1.0f);  // the white material afterwards
  EXPECT_EQ(device.states[D3DRS_ALPHABLENDENABLE], 1u);
  EXPECT_EQ(device.states[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(ScenePass, AnimationClockTicksInWholeSixteenMillisecondSteps) {
  // 10 ms frames: a tick every second frame.
  std::vector<int> ticks;
  for (int i = 0; i < 4; ++i) ticks.push_back(animationClockTicks(10));
  EXPECT_EQ(ticks, (std::vector<int>{0, 1, 0, 1}));
  // 7 ms frames: every third frame; what is left over past 16 is dropped.
  ticks.clear();
  for (int i = 0; i < 6; ++i) ticks.push_back(animationClockTicks(7));
  EXPECT_EQ(ticks, (std::vector<int>{0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(gAnimationClock, 0);
  // Long frames give several ticks at once; a clock that went back gives nothing, and no frame
  // time overflows the sum.
  EXPECT_EQ(animationClockTicks(50), 3);
  EXPECT_EQ(animationClockTicks(-40), 0);
  EXPECT_EQ(gAnimationClock, 0);
  EXPECT_EQ(animationClockTicks(15), 0);
  EXPECT_EQ(animationClockTicks(INT32_MAX), static_cast<int>((int64_t{INT32_MAX} + 15) / 16));

  // The characters pass feeds the frame time into the clock.
  gFrameTime = 9;
  drawCharacters(kEye);
  EXPECT_EQ(gAnimationClock, 9);
  drawCharacters(kEye);
  EXPECT_EQ(gAnimationClock, 0);
}

TEST_F(ScenePass, FlashAlphaRisesToAtMost255AndEndsAtZero) {
  Flash f{0x40FFFFFF, 0, 0x90};
  stepFlash(f);
  EXPECT_EQ(f.colour, 0xD0FFFFFFu);
  stepFlash(f);
  EXPECT_EQ(f.colour, 0xFFFFFFFFu);  // 0xD0 + 0x90 passes 255
  EXPECT_EQ(f.step, 0x90);
  f.step = -0x7F;
  stepFlash(f);
  EXPECT_EQ(f.colour, 0x80FFFFFFu);
  stepFlash(f);
  EXPECT_EQ(f.colour, 0x01FFFFFFu);
  stepFlash(f);  // 1 - 0x7F: not above 0
  EXPECT_EQ(f.colour, 0u);
  EXPECT_EQ(f.step, 0);
  // Without a step or a colour nothing changes.
  Flash still{0x20FF0000, 1, 0};
  stepFlash(still);
  EXPECT_EQ(still.colour, 0x20FF0000u);
  Flash none{0, 0, 5};
  stepFlash(none);
  EXPECT_EQ(none.colour, 0u);
  EXPECT_EQ(none.step, 5);

  // Drawn as one full-screen quad without fog; fog is back as it was afterwards.
  device.states[D3DRS_FOGENABLE] = 1;
  drawFlash(still);
  drawFlash(none);
  ASSERT_EQ(device.draws.size(), 1u);
  EXPECT_EQ(device.draws[0].firstColour, 0x20FF0000u);
  EXPECT_EQ(device.states[D3DRS_FOGENABLE], 1u);
}

TEST_F(ScenePass, TrailColourStartAndRing) {
  CHARA& c = add(100, 0, 40);
  startTrail(0, 0, nullptr);
  EXPECT_EQ(gTrail.colour, 0xD20000D2u);
  // Without a hand bone the blade rises from the character's placement.
  EXPECT_EQ(gTrail.count, 2);
  EXPECT_FLOAT_EQ(gTrail.points[0].x, 100.0f);
  EXPECT_FLOAT_EQ(gTrail.points[0].y, 90.0f);
  EXPECT_FLOAT_EQ(gTrail.points[kTrailPoints - 1].y, 90.0f);
  EXPECT_EQ(gTrail.fade[0], 10);
  EXPECT_EQ(gTrail.fade[1], 0);

  MakeMat weapon;
  loadBox(weapon, nullptr, 12, 200, 7);
  startTrail(0, 0, &weapon);
  EXPECT_EQ(gTrail.colour, 0xE80CC807u);
  startTrail(0x11223344, 0, &weapon);
  EXPECT_EQ(gTrail.colour, 0x11223344u);

  // 22 ms: 5 pairs spread from last frame's hand to this one's.
  gTrail.active = 1;
  gFrameTime = 22;
  c.position.set(150, 0, 0);
  updateTrail();
  EXPECT_EQ(gTrail.count, 12);
  EXPECT_FLOAT_EQ(gTrail.points[2].x, 110.0f);
  EXPECT_FLOAT_EQ(gTrail.points[3].y, 512.0f);
  EXPECT_FLOAT_EQ(gTrail.points[10].x, 150.0f);
  EXPECT_EQ(gTrail.fade[5], 255);

  // Long frames: the ring never holds more than 4096 points; a frame that would overflow it
  // starts again behind the first pair and adds nothing.
  gFrameTime = 1000;  // 250 pairs
  int most = 0;
  for (int i = 0; i < 20; ++i) {
    updateTrail();
    most = std::max(most, gTrail.count);
    ASSERT_LE(gTrail.count, kTrailPoints);
  }
  EXPECT_EQ(most, 12 + 8 * 500);
  gTrail.count = kTrailPoints - 10;
  updateTrail();
  EXPECT_EQ(gTrail.count, 2);
  gFrameTime = 100000;  // more samples than the ring holds: it fills exactly
  updateTrail();
  EXPECT_EQ(gTrail.count, kTrailPoints);

  // Inactive, the trail only fades; it ends once its newest pair falls below 4.
  gTrail.active = 0;
  startTrail(0, 0, nullptr);
  const int before = gTrail.count;
  updateTrail();
  EXPECT_EQ(gTrail.count, before);
  int frames = 0;
  while (gTrail.count != 0 && frames < 100) {
    drawTrail();
    ++frames;
  }
  EXPECT_EQ(frames, 7);  // 10, 9, 8, 7, 6, 5, 4, 3
  // Active again after it faded out: the next frame's samples start a new trail.
  gTrail.active = 1;
  gFrameTime = 22;
  updateTrail();
  EXPECT_EQ(gTrail.count, 10);
  EXPECT_EQ(gTrail.fade[0], 255);

  // A trail on a character that is not in the table draws nothing.
  startTrail(0, 5, nullptr);
  EXPECT_EQ(gTrail.count, 0);
  device.draws.clear();
  drawTrail();
  EXPECT_TRUE(device.draws.empty());
}

// The real device: a grey ground seen from above and behind, a character standing on it.
class ScenePassPixels : public DeviceTest {};

TEST_F(ScenePassPixels, ShadowDarkensTheGroundUnderACharacterByHalf) {
  loadBox(gShadowModel, device);
  gCharas.push_back(std::make_unique<CHARA>());
  gCharas[0]->radius = 192;
  gCharas[0]->alpha = 1;

  const VECTOR eye{0, 1000, -700}, target{0, 0, 0}, up{0, 1, 0};
  MATRIX viewMatrix, identity;
  matrixLookAtLH(viewMatrix, eye, target, up);
  identity.identity();
  const MATRIX projection = gameProjection();
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_VIEW, &viewMatrix);
  device->SetTransform(D3DTS_WORLD, &identity);
  device->BeginScene();

  struct Corner {
    float x, y, z;
    uint32_t colour;
  };
  const Corner ground[4] = {{-3000, 0, -3000, 0xFFC8C8C8},
                            {-3000, 0, 3000, 0xFFC8C8C8},
                            {3000, 0, -3000, 0xFFC8C8C8},
                            {3000, 0, 3000, 0xFFC8C8C8}};
  device->SetRenderState(D3DRS_LIGHTING, false);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, true);
  device->SetRenderState(D3DRS_ZWRITEENABLE, true);
  device->SetTexture(0, nullptr);
  device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, ground, sizeof(Corner));

  drawShadows(shadowViewFor(eye, kPi, 5000));
  device->EndScene();
  const std::vector<uint8_t> pixels = frame();
  if (const char* png = std::getenv("ORVANE_SHADOW_PNG")) plat::WritePng(png, 640, 480, pixels);

  EXPECT_EQ(charaVisibility(0), 1);
  // Under the character: half as bright. Around it and at the corners: the ground as it was.
  EXPECT_TRUE(near(pixelOf(pixels, 640, 320, 240), {100, 100, 100, 255}, 3));
  for (const auto& [x, y] : {std::pair{320, 100}, {320, 400}, {150, 240}, {490, 240}, {10, 10}, {630, 470}})
    EXPECT_TRUE(near(pixelOf(pixels, 640, x, y), {200, 200, 200, 255}, 1)) << x << ", " << y;
}

}  // namespace
