#include "gfx/text.h"

#include <gtest/gtest.h>

#include "core/draw2d.h"
#include "text_fixture.h"

namespace {

using recording::Draw;

TEST(TextDraw, DrawNumberRightAlignsInTheGivenWidth) {
  text_fixture::Font font;
  text_fixture::Device device;
  drawNumber(7, 100, 40, 0xFF112233, 3);
  const auto& draws = device.recorder().draws;
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_FLOAT_EQ(draws[0].x(), 124);  // two missing digits: 24 pixels right
  EXPECT_FLOAT_EQ(draws[0].y(), 40);
  EXPECT_FLOAT_EQ(draws[0].vertices[0].u, 7 * 0.03125f);
  EXPECT_FLOAT_EQ(draws[0].vertices[0].v, 0);
  EXPECT_EQ(draws[0].colour(), 0xFF112233u);
  EXPECT_EQ(draws[0].texture, font.page(0));
  EXPECT_EQ(draws[0].format, kScreenVertexFormat);

  device.recorder().reset();
  drawNumber(1234, 0, 0, 0xFFFFFFFF, 2);  // wider than the width: not moved
  ASSERT_EQ(device.recorder().draws.size(), 4u);
  EXPECT_FLOAT_EQ(device.recorder().draws[0].x(), 0);
  EXPECT_FLOAT_EQ(device.recorder().draws[3].x(), 36);

  device.recorder().reset();
  drawNumber(5, 0, 0, 0xFFFFFFFF, 0);
  EXPECT_FLOAT_EQ(device.recorder().draws[0].x(), 0);
}

TEST(TextDraw, MixedPagesSwitchTextureOnlyAtPageChanges) {
  text_fixture::Font font;
  text_fixture::Device device;
  // Page 0, page 0, page 1 (row 33), page 1, page 0, then the end code stops the string.
  const GlyphString glyphs = {0x0001, 0x0102, 0x2103, 0x2004, 0x0005, kGlyphEnd, 0x2000};
  drawText(glyphs, 10, 20, 0xFFABCDEF);
  const auto& rec = device.recorder();
  ASSERT_EQ(rec.textureCalls.size(), 3u);
  EXPECT_EQ(rec.textureCalls[0], font.page(0));
  EXPECT_EQ(rec.textureCalls[1], font.page(1));
  EXPECT_EQ(rec.textureCalls[2], font.page(0));
  ASSERT_EQ(rec.draws.size(), 5u);
  EXPECT_EQ(rec.draws[2].texture, font.page(1));
  EXPECT_FLOAT_EQ(rec.draws[2].x(), 10 + 32);
  EXPECT_FLOAT_EQ(rec.draws[2].vertices[0].u, 3 * 0.03125f);
  EXPECT_FLOAT_EQ(rec.draws[2].vertices[0].v, 1 * 0.03125f);  // row 33 is row 1 of page 1
  EXPECT_FLOAT_EQ(rec.draws[1].vertices[0].v, 1 * 0.03125f);
  EXPECT_FLOAT_EQ(rec.draws[4].x(), 10 + 64);
  for (const Draw& d : rec.draws) EXPECT_EQ(d.colour(), 0xFFABCDEFu);
  drawText(GlyphString{0x0001, 0x0002}, 0, 0, 0xFFFFFFFF);  // no end code: stops at the end
  EXPECT_EQ(rec.draws.size(), 7u);
}

TEST(TextDraw, SingleGlyphsChooseTheirPage) {
  text_fixture::Font font;
  text_fixture::Device device;
  setSpriteColour(0xFF00FF00);
  drawGlyph(5, 6, 0x2201);
  drawGlyphAt(7, 8, 4, 40, 0xFF0000FF);
  drawGlyphAt(9, 10, 2, 3, 0xFF0000FF);
  const auto& rec = device.recorder();
  ASSERT_EQ(rec.draws.size(), 3u);
  EXPECT_EQ(rec.draws[0].texture, font.page(1));
  EXPECT_EQ(rec.draws[0].colour(), 0xFF00FF00u);
  EXPECT_FLOAT_EQ(rec.draws[0].vertices[0].v, 2 * 0.03125f);
  EXPECT_EQ(rec.draws[1].texture, font.page(1));
  EXPECT_FLOAT_EQ(rec.draws[1].vertices[0].u, 4 * 0.03125f);
  EXPECT_FLOAT_EQ(rec.draws[1].vertices[0].v, 8 * 0.03125f);
  EXPECT_EQ(rec.draws[1].colour(), 0xFF0000FFu);
  EXPECT_EQ(rec.draws[2].texture, font.page(0));
  EXPECT_FLOAT_EQ(rec.draws[2].vertices[3].x, 9 + 16);
  EXPECT_FLOAT_EQ(rec.draws[2].vertices[3].y, 10 + 16);
}

}  // namespace
