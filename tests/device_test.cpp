// The OpenGL device against known pixels: blending, stencil, render targets, texture formats,
// culling, fog, lighting, pixel shaders and resource lifetimes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "device_fixture.h"
#include "platform/device.h"
#include "platform/texture_format.h"

using namespace plat;

namespace {

struct RhwVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kRhwFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
};
constexpr DWORD kLitFormat = D3DFVF_XYZ | D3DFVF_NORMAL;

struct ColourVertex {
  float x, y, z;
  uint32_t diffuse;
};
constexpr DWORD kColourFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE;

void drawRect(Device* d, float x0, float y0, float x1, float y1, uint32_t colour, float u1 = 1.0f, float v1 = 1.0f) {
  const RhwVertex quad[4] = {{x0, y0, 0.0f, 1.0f, colour, 0.0f, 0.0f},
                             {x1, y0, 0.0f, 1.0f, colour, u1, 0.0f},
                             {x0, y1, 0.0f, 1.0f, colour, 0.0f, v1},
                             {x1, y1, 0.0f, 1.0f, colour, u1, v1}};
  d->SetVertexShader(kRhwFormat);
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwVertex)), D3D_OK);
}

D3DMATRIX perspective() {
  // Left-handed, fov pi/4, aspect 4:3, near 1, far 1000.
  const float ys = 1.0f / std::tan(0.7853982f / 2), zs = 1000.0f / 999.0f;
  D3DMATRIX m{};
  m.m[0][0] = ys / (4.0f / 3.0f);
  m.m[1][1] = ys;
  m.m[2][2] = zs;
  m.m[2][3] = 1.0f;
  m.m[3][2] = -zs;
  return m;
}

// A texture of w x h pixels in the given format, filled with the given raw texel values.
std::unique_ptr<Texture> makeTexture(Device* d, D3DFORMAT format, unsigned w, unsigned h, const void* texels,
                                     size_t bytes) {
  std::unique_ptr<Texture> t;
  EXPECT_EQ(d->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &t), D3D_OK);
  if (!t) return t;
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(t->LockRect(0, &locked, 0), D3D_OK);
  EXPECT_EQ(size_t(locked.Pitch) * LevelRows(format, h), bytes);
  std::memcpy(locked.pBits, texels, bytes);
  EXPECT_EQ(t->UnlockRect(0), D3D_OK);
  return t;
}

}  // namespace

TEST_F(DeviceTest, BlendedQuadMixesByItsAlpha) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFC86400, 1.0f, 0);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  device->SetTexture(0, nullptr);
  drawRect(device, 0, 0, 640, 480, 0x80000000);
  EXPECT_TRUE(near(at(320, 240), {100, 50, 0, 255}, 2));
  EXPECT_TRUE(near(at(0, 0), {100, 50, 0, 255}, 2));
  EXPECT_TRUE(near(at(639, 479), {100, 50, 0, 255}, 2));
}

TEST_F(DeviceTest, PretransformedRectCoversExactlyItsPixels) {
  device->SetRenderState(D3DRS_ZENABLE, false);
  drawRect(device, 10, 20, 30, 45, 0xFF00FF00);
  const auto f = frame();
  for (int y = 18; y < 48; ++y)
    for (int x = 8; x < 33; ++x) {
      const bool inside = x >= 10 && x < 30 && y >= 20 && y < 45;
      ASSERT_EQ(pixelOf(f, 640, x, y).g, inside ? 255 : 0) << x << "," << y;
    }
}

TEST_F(DeviceTest, ClearHonoursViewportAndRectangles) {
  const D3DVIEWPORT8 viewport{100, 100, 200, 100, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(viewport), D3D_OK);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  EXPECT_EQ(at(99, 150).r, 0);
  EXPECT_EQ(at(100, 100).r, 255);
  EXPECT_EQ(at(299, 199).r, 255);
  EXPECT_EQ(at(300, 199).r, 0);
  // A rectangle is cut to the viewport.
  const D3DRECT rect{250, 150, 400, 400};
  device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  EXPECT_EQ(at(260, 160).b, 255);
  EXPECT_EQ(at(310, 160).b, 0);
  EXPECT_EQ(at(240, 160).b, 0);
  // A viewport outside the back buffer is refused.
  const D3DVIEWPORT8 outside{600, 0, 100, 100, 0.0f, 1.0f};
  EXPECT_EQ(device->SetViewport(outside), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, StencilMasksLaterDrawing) {
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetRenderState(D3DRS_STENCILENABLE, true);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
  drawRect(device, 100, 100, 200, 200, 0xFF000000);
  device->SetRenderState(D3DRS_STENCILREF, 1);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  drawRect(device, 0, 0, 640, 480, 0xFFFFFFFF);
  EXPECT_EQ(at(150, 150).r, 255);
  EXPECT_EQ(at(99, 150).r, 0);
  EXPECT_EQ(at(200, 150).r, 0);

  // Decrement wraps from 0 to 255.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_DECR);
  drawRect(device, 300, 300, 310, 310, 0xFF000000);
  device->SetRenderState(D3DRS_STENCILREF, 255);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  drawRect(device, 0, 0, 640, 480, 0xFF00FF00);
  EXPECT_EQ(at(305, 305).g, 255);
  EXPECT_EQ(at(315, 305).g, 0);
}

TEST_F(DeviceTest, RenderTargetTextureSamplesTopRowFirst) {
  std::unique_ptr<Texture> target;
  ASSERT_EQ(device->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
            D3D_OK);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(target->LockRect(0, &locked, 0), D3DERR_INVALIDCALL);
  Surface* backBuffer = nullptr;
  Surface* backDepth = nullptr;
  device->GetRenderTarget(&backBuffer);
  device->GetDepthStencilSurface(&backDepth);
  ASSERT_EQ(device->SetRenderTarget(target->GetSurfaceLevel(0), nullptr), D3D_OK);
  Surface* current = nullptr;
  device->GetRenderTarget(&current);
  EXPECT_EQ(current, target->GetSurfaceLevel(0));

  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  device->SetRenderState(D3DRS_ZENABLE, false);
  drawRect(device, 0, 0, 64, 32, 0xFF00FF00);
  const auto pixels = device->ReadSurface(target->GetSurfaceLevel(0));
  ASSERT_EQ(pixels.size(), 256u * 256u * 4u);
  EXPECT_TRUE(near(pixelOf(pixels, 256, 5, 5), {0, 255, 0, 255}, 0));
  EXPECT_TRUE(near(pixelOf(pixels, 256, 5, 40), {255, 0, 0, 255}, 0));

  ASSERT_EQ(device->SetRenderTarget(backBuffer, backDepth), D3D_OK);
  device->SetTexture(0, target.get());
  drawRect(device, 0, 0, 256, 256, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(5, 5), {0, 255, 0, 255}, 0));
  EXPECT_TRUE(near(at(5, 40), {255, 0, 0, 255}, 0));
  EXPECT_TRUE(near(at(100, 5), {255, 0, 0, 255}, 0));
}

// As in Direct3D 8, a new render target brings a viewport over the whole of it, so that a clear
// covers all of a 1024 x 512 capture target, and the back buffer gets its 640 x 480 back.
TEST_F(DeviceTest, NewRenderTargetGetsAViewportOverAllOfIt) {
  std::unique_ptr<Texture> target;
  ASSERT_EQ(device->CreateTexture(1024, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
            D3D_OK);
  Surface* backBuffer = nullptr;
  Surface* backDepth = nullptr;
  device->GetRenderTarget(&backBuffer);
  device->GetDepthStencilSurface(&backDepth);
  ASSERT_EQ(device->SetViewport({10, 10, 100, 100, 0.0f, 1.0f}), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(target->GetSurfaceLevel(0), nullptr), D3D_OK);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  const auto pixels = device->ReadSurface(target->GetSurfaceLevel(0));
  for (auto [x, y] : {std::pair{0, 0}, {700, 100}, {100, 500}, {1023, 511}})
    EXPECT_TRUE(near(pixelOf(pixels, 1024, x, y), {255, 0, 0, 255}, 0)) << x << "," << y;

  ASSERT_EQ(device->SetRenderTarget(backBuffer, backDepth), D3D_OK);
  D3DVIEWPORT8 viewport{};
  device->GetViewport(&viewport);
  EXPECT_EQ(viewport.X, 0u);
  EXPECT_EQ(viewport.Width, 640u);
  EXPECT_EQ(viewport.Height, 480u);
}

TEST_F(DeviceTest, TargetThatGoesAwayLeavesTheBackBuffer) {
  Surface* backBuffer = nullptr;
  device->GetRenderTarget(&backBuffer);
  {
    std::unique_ptr<Texture> target;
    ASSERT_EQ(device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    device->SetRenderTarget(target->GetSurfaceLevel(0), nullptr);
    device->SetTexture(0, target.get());
  }
  Surface* current = nullptr;
  device->GetRenderTarget(&current);
  EXPECT_EQ(current, backBuffer);
  device->SetRenderState(D3DRS_ZENABLE, false);
  drawRect(device, 0, 0, 10, 10, 0xFFFFFFFF);  // the dropped texture is not used
  EXPECT_EQ(at(5, 5).r, 255);
  // A texture surface that is not a render target is refused.
  std::unique_ptr<Texture> plain;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &plain), D3D_OK);
  EXPECT_EQ(device->SetRenderTarget(plain->GetSurfaceLevel(0), nullptr), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, SixteenBitTexturesAndTheAlphaTest) {
  device->SetRenderState(D3DRS_ZENABLE, false);
  // R5G6B5: red, green / blue, white.
  const uint16_t rgb565[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  auto t565 = makeTexture(device, D3DFMT_R5G6B5, 2, 2, rgb565, sizeof rgb565);
  device->SetTexture(0, t565.get());
  drawRect(device, 0, 0, 20, 20, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(4, 4), {255, 0, 0, 255}, 0));
  EXPECT_TRUE(near(at(14, 4), {0, 255, 0, 255}, 0));
  EXPECT_TRUE(near(at(4, 14), {0, 0, 255, 255}, 0));
  EXPECT_TRUE(near(at(14, 14), {255, 255, 255, 255}, 0));

  // A1R5G5B5 under the boot's alpha test (greater than 0): transparent texels are dropped.
  const uint16_t argb1555[4] = {0xFC00, 0x7C00, 0x83E0, 0x03E0};
  auto t1555 = makeTexture(device, D3DFMT_A1R5G5B5, 2, 2, argb1555, sizeof argb1555);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, true);
  device->SetRenderState(D3DRS_ALPHAREF, 0x3D800000);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device->SetTexture(0, t1555.get());
  drawRect(device, 100, 0, 120, 20, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(104, 4), {255, 0, 0, 255}, 0));
  EXPECT_TRUE(near(at(114, 4), {0, 0, 0, 255}, 0));
  EXPECT_TRUE(near(at(104, 14), {0, 255, 0, 255}, 0));
  EXPECT_TRUE(near(at(114, 14), {0, 0, 0, 255}, 0));
}

TEST_F(DeviceTest, Dxt1TextureIsDecodedWithItsTransparentColour) {
  // Block 0: four colours (red over blue), all texels red. Block 1: three colours and
  // transparent black (c0 <= c1), all texels index 3.
  const uint8_t blocks[16] = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF};
  auto t = makeTexture(device, D3DFMT_DXT1, 8, 4, blocks, sizeof blocks);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, true);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device->SetTexture(0, t.get());
  drawRect(device, 0, 0, 80, 40, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(10, 10), {255, 0, 0, 255}, 0));
  EXPECT_TRUE(near(at(60, 10), {0, 0, 255, 255}, 0));  // dropped: the clear colour shows
}

TEST(TextureFormat, DecodesEveryFormatToRgba) {
  uint8_t out[16 * 4];
  const uint16_t argb4444 = 0x8F40;
  DecodeToRgba(D3DFMT_A4R4G4B4, reinterpret_cast<const uint8_t*>(&argb4444), 2, 1, 1, out);
  EXPECT_EQ(out[0], 0xFF);
  EXPECT_EQ(out[1], 0x44);
  EXPECT_EQ(out[2], 0x00);
  EXPECT_EQ(out[3], 0x88);
  const uint8_t bgr[3] = {1, 2, 3};
  DecodeToRgba(D3DFMT_R8G8B8, bgr, 3, 1, 1, out);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[3], 255);
  const uint8_t xrgb[4] = {1, 2, 3, 0};
  DecodeToRgba(D3DFMT_X8R8G8B8, xrgb, 4, 1, 1, out);
  EXPECT_EQ(out[3], 255);

  // DXT5: alpha 255 and 0 with interpolation; index 1 everywhere gives alpha 0.
  uint8_t dxt5[16] = {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  DecodeToRgba(D3DFMT_DXT5, dxt5, 16, 4, 4, out);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(out[i * 4 + 3], 0) << i;
    EXPECT_EQ(out[i * 4 + 0], 255) << i;
  }
  // A 2 x 2 DXT3 level reads one block and writes only its own texels.
  uint8_t dxt3[16] = {0xF0, 0x0F, 0, 0, 0, 0, 0, 0, 0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
  std::memset(out, 0xAB, sizeof out);
  DecodeToRgba(D3DFMT_DXT3, dxt3, 16, 2, 2, out);
  EXPECT_EQ(out[3], 0x00);
  EXPECT_EQ(out[7], 0xFF);
  EXPECT_EQ(out[2], 255);
  EXPECT_EQ(out[16], 0xAB);

  EXPECT_EQ(LevelPitch(D3DFMT_DXT1, 5), 16u);
  EXPECT_EQ(LevelRows(D3DFMT_DXT1, 5), 2u);
  EXPECT_EQ(FullMipCount(256, 64), 9u);
}

TEST_F(DeviceTest, TextureCreationChecksItsArguments) {
  std::unique_ptr<Texture> t;
  EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateTexture(16, 8, 0, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &t), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 5u);
  EXPECT_EQ(t->GetLevelDesc(4).Width, 1u);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(t->LockRect(4, &locked, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 16);
  EXPECT_EQ(t->LockRect(4, &locked, 0), D3DERR_INVALIDCALL);  // already locked
  EXPECT_EQ(t->UnlockRect(4), D3D_OK);
  EXPECT_EQ(t->UnlockRect(4), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(5, &locked, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, CullingNamesTheWindingOnTheScreen) {
  const D3DMATRIX projection = perspective();
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetRenderState(D3DRS_LIGHTING, false);
  device->SetVertexShader(kColourFormat);
  // Seen through the identity view: +x is right and +y is up on the screen. Left, top, right is
  // clockwise on the screen.
  const ColourVertex clockwise[3] = {{-10, -10, 100, 0xFFFFFFFF}, {0, 10, 100, 0xFFFFFFFF}, {10, -10, 100, 0xFFFFFFFF}};
  const ColourVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
  auto drawnAtCentre = [&](const ColourVertex* triangle, DWORD cull) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_CULLMODE, cull);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColourVertex));
    return at(320, 240).r == 255;
  };
  EXPECT_TRUE(drawnAtCentre(clockwise, D3DCULL_CCW));
  EXPECT_FALSE(drawnAtCentre(counter, D3DCULL_CCW));
  EXPECT_FALSE(drawnAtCentre(clockwise, D3DCULL_CW));
  EXPECT_TRUE(drawnAtCentre(counter, D3DCULL_CW));
  EXPECT_TRUE(drawnAtCentre(counter, D3DCULL_NONE));

  // Orientation: a point up and to the right lands in the top-right quarter; nearer wins depth.
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  const ColourVertex upRight[3] = {{20, 20, 100, 0xFF00FF00}, {40, 20, 100, 0xFF00FF00}, {20, 40, 100, 0xFF00FF00}};
  const ColourVertex farther[3] = {{0, 0, 200, 0xFFFF0000}, {200, 0, 200, 0xFFFF0000}, {0, 200, 200, 0xFFFF0000}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, upRight, sizeof(ColourVertex));
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, farther, sizeof(ColourVertex));
  const float scale = 240.0f * projection.m[1][1] / 100.0f;  // pixels per unit at depth 100
  const int x = int(320 + 25 * scale), y = int(240 - 25 * scale);
  EXPECT_TRUE(near(at(x, y), {0, 255, 0, 255}, 0));
  EXPECT_TRUE(near(at(int(320 + 10 * scale), int(240 + 10 * scale)), {0, 0, 0, 255}, 0));
}

TEST_F(DeviceTest, LinearFogByDistanceFromTheEye) {
  const D3DMATRIX projection = perspective();
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetRenderState(D3DRS_LIGHTING, false);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_FOGENABLE, true);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(50.0f));
  device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(150.0f));
  device->SetVertexShader(kColourFormat);
  const ColourVertex quad[4] = {{-50, -50, 100, 0xFFFFFFFF}, {50, -50, 100, 0xFFFFFFFF}, {-50, 50, 100, 0xFFFFFFFF},
                                {50, 50, 100, 0xFFFFFFFF}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex));
  EXPECT_TRUE(near(at(320, 240), {128, 128, 255, 255}, 6));
  // Pre-transformed drawing is never fogged.
  drawRect(device, 0, 0, 10, 10, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(5, 5), {255, 255, 255, 255}, 0));
}

TEST_F(DeviceTest, DirectionalLightAndAmbient) {
  const D3DMATRIX projection = perspective();
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, true);
  device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
  device->SetRenderState(D3DRS_COLORVERTEX, false);
  device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  D3DMATERIAL8 material{};
  material.Diffuse = {1.0f, 0.5f, 0.0f, 1.0f};
  material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  device->SetMaterial(&material);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Direction = {0.0f, 0.0f, 1.0f};  // shining away from the eye
  device->SetLight(0, &light);
  device->LightEnable(0, true);
  device->SetVertexShader(kLitFormat);
  auto quadFacing = [&](float nz) {
    const LitVertex quad[4] = {{-50, -50, 100, 0, 0, nz}, {50, -50, 100, 0, 0, nz}, {-50, 50, 100, 0, 0, nz},
                               {50, 50, 100, 0, 0, nz}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex));
    return at(320, 240);
  };
  // Facing the eye: fully lit, plus the ambient. Facing away: the ambient only.
  EXPECT_TRUE(near(quadFacing(-1.0f), {255, 128 + 64, 64, 255}, 2));
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  EXPECT_TRUE(near(quadFacing(1.0f), {64, 64, 64, 255}, 2));
  // The light is in world space: a view turned half round lights the other side.
  D3DMATRIX turned{};
  turned.m[0][0] = -1, turned.m[1][1] = 1, turned.m[2][2] = -1, turned.m[3][3] = 1;
  device->SetTransform(D3DTS_VIEW, &turned);
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  const LitVertex behind[4] = {{-50, -50, -100, 0, 0, -1}, {50, -50, -100, 0, 0, -1}, {-50, 50, -100, 0, 0, -1},
                               {50, 50, -100, 0, 0, -1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, behind, sizeof(LitVertex));
  EXPECT_TRUE(near(at(320, 240), {255, 128 + 64, 64, 255}, 2));
}

TEST_F(DeviceTest, VertexBufferDrawAndBoundsChecks) {
  std::unique_ptr<VertexBuffer> buffer;
  ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(RhwVertex), 0, kRhwFormat, D3DPOOL_DEFAULT, &buffer), D3D_OK);
  uint8_t* bytes = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
  const RhwVertex quad[4] = {{0, 0, 0, 1, 0xFF00FF00, 0, 0}, {10, 0, 0, 1, 0xFF00FF00, 1, 0},
                             {0, 10, 0, 1, 0xFF00FF00, 0, 1}, {10, 10, 0, 1, 0xFF00FF00, 1, 1}};
  std::memcpy(bytes, quad, sizeof quad);
  buffer->Unlock();
  EXPECT_EQ(buffer->Lock(1, buffer->Size(), &bytes, 0), D3DERR_INVALIDCALL);
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetStreamSource(0, buffer.get(), sizeof(RhwVertex));
  device->SetVertexShader(kRhwFormat);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(at(5, 5).g, 255);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);

  const uint16_t indices[6] = {0, 1, 2, 2, 1, 4};
  EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, quad, sizeof(RhwVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, indices, quad, sizeof(RhwVertex)), D3D_OK);
  // A stride shorter than the vertex format is refused.
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 8), D3DERR_INVALIDCALL);
  buffer.reset();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, TextureStagesCombineAsSet) {
  device->SetRenderState(D3DRS_ZENABLE, false);
  const uint32_t grey = 0xFF808080;  // A8R8G8B8
  auto t = makeTexture(device, D3DFMT_A8R8G8B8, 1, 1, &grey, sizeof grey);
  device->SetTexture(0, t.get());
  // The graphics set-up's stage 0 (texture times diffuse).
  drawRect(device, 0, 0, 10, 10, 0xFF00FF00);
  EXPECT_TRUE(near(at(5, 5), {0, 128, 0, 255}, 1));
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
  drawRect(device, 0, 0, 10, 10, 0xFF0000FF);
  EXPECT_TRUE(near(at(5, 5), {128, 128, 255, 255}, 1));
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  drawRect(device, 0, 0, 10, 10, 0xFF0000FF);
  EXPECT_TRUE(near(at(5, 5), {0, 0, 255, 255}, 0));
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
  drawRect(device, 0, 0, 10, 10, 0xFFFF0000);
  EXPECT_TRUE(near(at(5, 5), {255, 0, 0, 255}, 0));
  // Stage 1 takes the texture factor onto stage 0's result.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
  drawRect(device, 0, 0, 10, 10, 0xFFFFFFFF);
  EXPECT_TRUE(near(at(5, 5), {0, 128, 0, 255}, 1));
}

TEST(PixelShader, TranslatesTheInstructionSet) {
  PixelShaderCode code;
  std::string error;
  const char* source =
      "ps.1.1  ; the character shader\n"
      "def c1, 0.5, 0.5, 0.5, 1.0f\n"
      "tex t0\n"
      "mul r0, t0, v0 // tint\n"
      "mad_sat r1, r0, c0, c1\n"
      "lrp r0.rgb, c0.a, r1, 1-r0\n"
      "+mov r0.a, -t0_bx2.b\n"
      "dp3_x2 r1, r0_bias, v1\n"
      "cnd r0, r0.a, r1, r0\n"
      "sub_d2 r0, r0, c2\n"
      "add r0, r0, c3\n";
  ASSERT_TRUE(TranslatePixelShader(source, &code, &error)) << error;
  EXPECT_NE(code.glsl.find("texture2D(uSampler0, gl_TexCoord[0].xy)"), std::string::npos);
  EXPECT_NE(code.glsl.find("c1 = vec4(0.500000000, 0.500000000, 0.500000000, 1.00000000)"), std::string::npos)
      << code.glsl;
  EXPECT_TRUE(TranslatePixelShader("ps.1.4\ntexld r0, t0\ntexcrd r1, t1\nphase\ncmp r0, r1, r0, c0\n", &code, &error))
      << error;

  const char* bad[] = {"", "mov r0, v0", "ps.2.0\nmov r0, v0", "ps.1.1\ntexbem t1, t0",
                       "ps.1.1\nmul r0, r9, v0", "ps.1.1\nmov c0, v0", "ps.1.1\nmul r0, v0",
                       "ps.1.1\nmov r0.ar, v0", "ps.1.1\nmov_x3 r0, v0", "ps.1.1\ndef c0, 1, 2, x, 4"};
  for (const char* text : bad) {
    error.clear();
    EXPECT_FALSE(TranslatePixelShader(text, &code, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST_F(DeviceTest, PixelShaderDrawsWithConstantsAndFixedVertexColours) {
  PixelShaderCode code;
  std::string error;
  ASSERT_TRUE(TranslatePixelShader("ps.1.1\ntex t0\nmul r0, t0, v0\nmul r0, r0, c0\n", &code, &error)) << error;
  PixelShaderHandle shader = 0;
  ASSERT_EQ(device->CreatePixelShader(code, &shader), D3D_OK);
  ASSERT_NE(shader, 0u);
  const float tint[4] = {1.0f, 0.5f, 0.0f, 1.0f};
  device->SetPixelShaderConstant(0, tint, 1);
  device->SetPixelShader(shader);
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetTexture(0, nullptr);
  drawRect(device, 0, 0, 10, 10, 0xFFFFFF00);
  EXPECT_TRUE(near(at(5, 5), {255, 128, 0, 255}, 1));
  device->SetPixelShader(0);
  drawRect(device, 0, 0, 10, 10, 0xFF00FFFF);
  EXPECT_TRUE(near(at(5, 5), {0, 255, 255, 255}, 0));
  EXPECT_EQ(device->SetPixelShaderConstant(7, tint, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DeletePixelShader(shader), D3D_OK);
  EXPECT_EQ(device->SetPixelShader(shader), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, StatesReadBackAsSet) {
  DWORD value = 0;
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD(D3DCULL_CCW));
  device->SetRenderState(D3DRS_FOGEND, 0x3F000000);
  device->GetRenderState(D3DRS_FOGEND, &value);
  EXPECT_EQ(value, 0x3F000000u);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATETYPE(300), 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTextureStageState(9, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
  D3DMATRIX scale{};
  scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 2.0f, scale.m[3][3] = 1.0f;
  D3DMATRIX move{};
  move.m[0][0] = move.m[1][1] = move.m[2][2] = move.m[3][3] = 1.0f;
  move.m[3][0] = 5.0f;
  device->SetTransform(D3DTS_WORLD, &move);
  device->MultiplyTransform(D3DTS_WORLD, &scale);  // scale first, then the world
  D3DMATRIX world;
  device->GetTransform(D3DTS_WORLD, &world);
  EXPECT_EQ(world.m[0][0], 2.0f);
  EXPECT_EQ(world.m[3][0], 5.0f);
}

TEST_F(DeviceTest, PresentLeavesTheStateAsTheGameSetIt) {
  device->SetRenderState(D3DRS_ZENABLE, false);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  drawRect(device, 0, 0, 20, 20, 0xFFFFFFFF);
  ASSERT_EQ(device->Present(), D3D_OK);
  EXPECT_EQ(at(10, 10).r, 255);  // the back buffer keeps its frame
  drawRect(device, 0, 0, 20, 20, 0x80000000);
  EXPECT_TRUE(near(at(10, 10), {127, 127, 127, 255}, 1));
}

TEST_F(DeviceTest, ResourcesMayOutliveTheirDevice) {
  auto own = CreateDevice();
  ASSERT_NE(own, nullptr);
  std::unique_ptr<Texture> texture;
  std::unique_ptr<Surface> depth;
  std::unique_ptr<VertexBuffer> buffer;
  ASSERT_EQ(own->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
  ASSERT_EQ(own->CreateDepthStencilSurface(64, 64, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &depth), D3D_OK);
  ASSERT_EQ(own->CreateVertexBuffer(64, 0, kRhwFormat, D3DPOOL_DEFAULT, &buffer), D3D_OK);
  own->SetRenderTarget(texture->GetSurfaceLevel(0), depth.get());
  own->SetTexture(0, texture.get());
  own->SetStreamSource(0, buffer.get(), sizeof(RhwVertex));
  // Another device's resources are refused.
  EXPECT_EQ(device->SetTexture(0, texture.get()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderTarget(texture->GetSurfaceLevel(0), nullptr), D3DERR_INVALIDCALL);
  own.reset();
  texture.reset();
  depth.reset();
  buffer.reset();
  // The game's device draws into its own back buffer again.
  device->SetRenderState(D3DRS_ZENABLE, false);
  drawRect(device, 0, 0, 10, 10, 0xFF00FF00);
  EXPECT_EQ(at(5, 5).g, 255);
}

TEST(Letterbox, FrameKeepsItsShapeCentredWithBlackBars) {
  using plat::LetterboxRect;
  using plat::PresentRect;
  EXPECT_EQ(LetterboxRect(640, 480), (PresentRect{0, 0, 640, 480}));
  EXPECT_EQ(LetterboxRect(1280, 960), (PresentRect{0, 0, 1280, 960}));
  // Wide screens: bars left and right.
  EXPECT_EQ(LetterboxRect(1920, 1080), (PresentRect{240, 0, 1440, 1080}));
  EXPECT_EQ(LetterboxRect(1366, 768), (PresentRect{171, 0, 1024, 768}));
  // Tall windows: bars above and below.
  EXPECT_EQ(LetterboxRect(1280, 1024), (PresentRect{0, 32, 1280, 960}));
  EXPECT_EQ(LetterboxRect(800, 800), (PresentRect{0, 100, 800, 600}));
  // Smaller than the frame: shrunk, never cut.
  EXPECT_EQ(LetterboxRect(320, 480), (PresentRect{0, 120, 320, 240}));
  // A minimised window shows nothing rather than a negative viewport.
  EXPECT_EQ(LetterboxRect(0, 0), (PresentRect{}));
  EXPECT_EQ(LetterboxRect(-5, 480), (PresentRect{}));
  const PresentRect huge = LetterboxRect(2147483647, 2147483647);
  EXPECT_EQ(huge.width, 2147483647);
  EXPECT_GE(huge.y, 0);
}
