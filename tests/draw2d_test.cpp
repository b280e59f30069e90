// The 2D drawers on the real device: sprite placement, window frame colours, the stencil mask of
// the masked window, and the small geometry helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/draw2d.h"
#include "gfx/camera.h"
#include "device_fixture.h"
#include "platform/png.h"
#include "previews.h"

using namespace plat;

namespace {

class Draw2dTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    device->SetRenderState(D3DRS_ZENABLE, false);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  // An opaque white texture of the given size.
  TexRecord whiteTexture(unsigned size) {
    TexRecord record;
    EXPECT_EQ(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &record.texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    record.texture->LockRect(0, &locked, 0);
    std::memset(locked.pBits, 0xFF, size_t(locked.Pitch) * size);
    record.texture->UnlockRect(0);
    record.width = record.height = size;
    return record;
  }
  // The bounding box of the pixels whose red channel is set.
  struct Box {
    int x0 = 640, y0 = 480, x1 = -1, y1 = -1;
  };
  Box litBox() {
    const auto f = frame();
    Box box;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (pixelOf(f, 640, x, y).r > 128) {
          box.x0 = std::min(box.x0, x), box.y0 = std::min(box.y0, y);
          box.x1 = std::max(box.x1, x), box.y1 = std::max(box.y1, y);
        }
    return box;
  }
};

}  // namespace

TEST_F(Draw2dTest, UnturnedSpriteCoversItsRectangleWhateverThePivot) {
  TexRecord texture = whiteTexture(16);
  for (float pivot : {0.0f, 3.0f, -20.0f, 50.0f}) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    gSprite.pivotX = pivot;
    gSprite.pivotY = pivot * 0.5f;
    drawSprite(100, 50, texture, 4, 4, 10, 12);
    const Box box = litBox();
    EXPECT_EQ(box.x0, 100) << pivot;
    EXPECT_EQ(box.y0, 50) << pivot;
    EXPECT_EQ(box.x1, 109) << pivot;
    EXPECT_EQ(box.y1, 61) << pivot;
  }
}

TEST_F(Draw2dTest, SpriteScaledAboutItsCentreGrowsEvenly) {
  TexRecord texture = whiteTexture(16);
  gSprite.pivotX = 8.0f;
  gSprite.pivotY = 8.0f;
  setSpriteScale(2.0f, 2.0f);
  drawSprite(100, 50, texture, 0, 0, 16, 16);
  const Box box = litBox();
  EXPECT_EQ(box.x0, 92);
  EXPECT_EQ(box.y0, 42);
  EXPECT_EQ(box.x1, 123);
  EXPECT_EQ(box.y1, 73);

  // A quarter turn about the top-left corner swings the sprite clockwise, to the left of x.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  resetSpriteState();
  gSprite.angle = 1.5707964f;
  drawSprite(100, 50, texture, 0, 0, 16, 8);
  const Box turned = litBox();
  EXPECT_EQ(turned.x0, 92);
  EXPECT_EQ(turned.x1, 99);
  EXPECT_EQ(turned.y0, 50);
  EXPECT_EQ(turned.y1, 65);
}

TEST_F(Draw2dTest, SpriteStateResetsAndTints) {
  gSprite = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 0x12345678};
  resetSpriteState();
  EXPECT_EQ(gSprite.angle, 0.0f);
  EXPECT_EQ(gSprite.pivotX, 0.0f);
  EXPECT_EQ(gSprite.scaleY, 1.0f);
  EXPECT_EQ(gSprite.colour, 0xFFFFFFFFu);
  TexRecord texture = whiteTexture(8);
  setSpriteColour(0xFF00FF00);
  drawSprite(10, 10, texture, 0, 0, 8, 8);
  EXPECT_TRUE(near(at(12, 12), {0, 255, 0, 255}, 0));
  // The glyph cell draws with the texture and format already set, in the sprite colour.
  device->SetTexture(0, texture.texture.get());
  device->SetVertexShader(kScreenVertexFormat);
  setSpriteColour(0xFF0000FF);
  drawGlyphCell(40, 40, 0.0f, 0.0f);
  EXPECT_TRUE(near(at(40, 40), {0, 0, 255, 255}, 0));
  EXPECT_TRUE(near(at(55, 55), {0, 0, 255, 255}, 0));
  EXPECT_TRUE(near(at(56, 56), {0, 0, 0, 255}, 0));
}

TEST_F(Draw2dTest, WindowFrameCornerColours) {
  drawWindowFrame(100, 100, 200, 120);
  // Outer edge: orange on the left, purple on the right; inner edge: green to white. Pixel
  // centres lie an eighth of the way from the outer to the inner edge.
  EXPECT_TRUE(near(at(100, 100), {223, 144, 0, 255}, 3));
  EXPECT_TRUE(near(at(299, 100), {144, 32, 255, 255}, 3));
  EXPECT_TRUE(near(at(100, 219), {223, 144, 0, 255}, 3));
  EXPECT_TRUE(near(at(299, 219), {144, 32, 255, 255}, 3));
  EXPECT_TRUE(near(at(104, 103), {0, 255, 0, 255}, 40));
  EXPECT_TRUE(near(at(295, 103), {255, 255, 255, 255}, 40));
  // Inside the frame nothing is drawn.
  EXPECT_TRUE(near(at(200, 160), {0, 0, 0, 255}, 0));
}

TEST_F(Draw2dTest, MaskedWindowLetsLaterDrawingOnlyIntoItsBackground) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  drawMaskedWindow(100, 80, 240, 160);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  const auto before = frame();
  drawColourRect(0, 0, 640, 480, 0xFFFF00FF);
  device->SetRenderState(D3DRS_STENCILENABLE, false);
  const auto after = frame();
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const bool background = x >= 104 && x < 336 && y >= 84 && y < 236;
      const bool changed = std::memcmp(&before[(y * 640 + x) * 4], &after[(y * 640 + x) * 4], 3) != 0;
      ASSERT_EQ(changed, background) << x << "," << y;
    }
}

TEST_F(Draw2dTest, ScreenOfWindowsAndSpritesLooksRight) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  drawGradientRect(0, 0, 640, 480, 0xFF8080FF, 0xFFE0E000, 0xFFE0E000, 0xFF8080FF);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  drawWindowBox(40, 40, 260, 140);
  drawMaskedWindow(340, 40, 260, 140);
  drawColourRect(300, 60, 200, 40, 0xC0FFFFFF);
  device->SetRenderState(D3DRS_STENCILENABLE, false);
  TexRecord texture = whiteTexture(16);
  setSpriteColour(0xFFFF4040);
  gSprite.pivotX = gSprite.pivotY = 16.0f;
  for (int i = 0; i < 6; ++i) {
    gSprite.angle = 0.25f * i;
    drawSprite(80.0f + 80.0f * i, 300.0f, texture, 0, 0, 32, 32);
  }
  const std::string path = previewPath("draw2d_windows.png");
  EXPECT_TRUE(WritePng(path, 640, 480, frame())) << path;
}

TEST(Geometry, WrapAngleIntoOneTurn) {
  EXPECT_NEAR(wrapAngle(-1.0f), 5.28318f, 1e-5f);
  EXPECT_NEAR(wrapAngle(7.0f), 0.71682f, 1e-5f);
  EXPECT_EQ(wrapAngle(6.28318f), 6.28318f);
  EXPECT_EQ(wrapAngle(0.0f), 0.0f);
  // Angles the loops could never bring home, and non-numbers, end in one turn at once.
  const float far = wrapAngle(1.0e12f);
  EXPECT_GE(far, 0.0f);
  EXPECT_LE(far, 6.28318f);
  EXPECT_EQ(wrapAngle(NAN), 0.0f);
  EXPECT_EQ(wrapAngle(-INFINITY), 0.0f);
}

TEST(Geometry, Sign) {
  EXPECT_EQ(sign(-7), -1);
  EXPECT_EQ(sign(0), 0);
  EXPECT_EQ(sign(42), 1);
}

TEST(Geometry, GameProjection) {
  const D3DMATRIX p = gameProjection();
  EXPECT_NEAR(p.m[1][1], 2.4142137f, 1e-5f);
  EXPECT_NEAR(p.m[0][0], 2.4142137f / 1.3333334f, 1e-5f);
  EXPECT_NEAR(p.m[2][2], 15000.0f / 14936.0f, 1e-6f);
  EXPECT_NEAR(p.m[3][2], -64.0f * 15000.0f / 14936.0f, 1e-3f);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_EQ(p.m[3][3], 0.0f);
}

TEST_F(Draw2dTest, ProjectPointUsesTheViewAndTheGameProjection) {
  gViewMatrix.identity();
  gViewMatrix.m[3][2] = 100.0f;  // the world moves 100 units away from the eye
  float x = 0, y = 0;
  EXPECT_TRUE(projectPoint(VECTOR{0, 0, 0}, x, y));
  EXPECT_FLOAT_EQ(x, 320.0f);
  EXPECT_FLOAT_EQ(y, 240.0f);
  // z' = 100 zs - 64 zs; e = 1 / (1 + z'); right and up of the centre.
  const D3DMATRIX p = gameProjection();
  const float e = 1.0f / (1.0f + (100.0f - 64.0f) * p.m[2][2]);
  EXPECT_TRUE(projectPoint(VECTOR{10, 5, 0}, x, y));
  EXPECT_NEAR(x, (1.0f + e * 10.0f * p.m[0][0]) * 320.0f, 1e-3f);
  EXPECT_NEAR(y, (1.0f - e * 5.0f * p.m[1][1]) * 240.0f, 1e-3f);
  EXPECT_GT(x, 320.0f);
  EXPECT_LT(y, 240.0f);
  // Just past the plane where 1 + z' is 0, and behind the eye: no screen position, x and y
  // untouched.
  const float eyePlane = 64.0f - 1.0f / p.m[2][2] - 100.0f - 0.01f;
  x = y = -7.0f;
  EXPECT_FALSE(projectPoint(VECTOR{10, 5, eyePlane}, x, y));
  EXPECT_FALSE(projectPoint(VECTOR{10, 5, -200.0f}, x, y));
  EXPECT_EQ(x, -7.0f);
  EXPECT_EQ(y, -7.0f);
}
