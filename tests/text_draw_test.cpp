#include "gfx/text.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/draw2d.h"
#include "text_fixture.h"

namespace {

using recording::Draw;

// A glyph as drawn: its top-left corner, texture cell, colour and texture. A run of text is one
// triangle list of six corners per glyph, the first of them the top-left.
struct DrawnGlyph {
  float x, y, u, v;
  uint32_t colour;
  plat::Texture* texture;
};

std::vector<DrawnGlyph> glyphsOf(const std::vector<Draw>& draws) {
  std::vector<DrawnGlyph> glyphs;
  for (const Draw& d : draws) {
    EXPECT_EQ(d.vertices.size() % 6, 0u);
    for (size_t i = 0; i + 6 <= d.vertices.size(); i += 6) {
      const auto& corner = d.vertices[i];
      glyphs.push_back({corner.x, corner.y, corner.u, corner.v, corner.diffuse, d.texture});
    }
  }
  return glyphs;
}

TEST(TextDraw, DrawNumberRightAlignsInTheGivenWidth) {
  text_fixture::Font font;
  text_fixture::Device device;
  drawNumber(7, 100, 40, 0xFF112233, 3);
  const auto& draws = device.recorder().draws;
  ASSERT_EQ(draws.size(), 1u);
  auto glyphs = glyphsOf(draws);
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_FLOAT_EQ(glyphs[0].x, 124);  // two missing digits: 24 pixels right
  EXPECT_FLOAT_EQ(glyphs[0].y, 40);
  EXPECT_FLOAT_EQ(glyphs[0].u, 7 * 0.03125f);
  EXPECT_FLOAT_EQ(glyphs[0].v, 0);
  EXPECT_EQ(glyphs[0].colour, 0xFF112233u);
  EXPECT_EQ(glyphs[0].texture, font.page(0));
  EXPECT_EQ(draws[0].format, kScreenVertexFormat);

  device.recorder().reset();
  drawNumber(1234, 0, 0, 0xFFFFFFFF, 2);  // wider than the width: not moved, and one draw
  ASSERT_EQ(device.recorder().draws.size(), 1u);
  glyphs = glyphsOf(device.recorder().draws);
  ASSERT_EQ(glyphs.size(), 4u);
  EXPECT_FLOAT_EQ(glyphs[0].x, 0);
  EXPECT_FLOAT_EQ(glyphs[3].x, 36);

  device.recorder().reset();
  drawNumber(5, 0, 0, 0xFFFFFFFF, 0);
  EXPECT_FLOAT_EQ(glyphsOf(device.recorder().draws)[0].x, 0);
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
  EXPECT_EQ(rec.draws.size(), 3u);  // one draw per run of a page
  const std::vector<DrawnGlyph> drawn = glyphsOf(rec.draws);
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(drawn[2].texture, font.page(1));
  EXPECT_FLOAT_EQ(drawn[2].x, 10 + 32);
  EXPECT_FLOAT_EQ(drawn[2].u, 3 * 0.03125f);
  EXPECT_FLOAT_EQ(drawn[2].v, 1 * 0.03125f);  // row 33 is row 1 of page 1
  EXPECT_FLOAT_EQ(drawn[1].v, 1 * 0.03125f);
  EXPECT_FLOAT_EQ(drawn[4].x, 10 + 64);
  for (const DrawnGlyph& g : drawn) EXPECT_EQ(g.colour, 0xFFABCDEFu);
  // Each glyph is its cell's two triangles, as the one-glyph strip draws them.
  const auto& v = rec.draws[0].vertices;
  EXPECT_FLOAT_EQ(v[1].x, 10 + 16);
  EXPECT_FLOAT_EQ(v[2].y, 20 + 16);
  EXPECT_FLOAT_EQ(v[5].x, 10 + 16);
  EXPECT_FLOAT_EQ(v[5].y, 20 + 16);
  EXPECT_FLOAT_EQ(v[5].u, 1 * 0.03125f + 0.03125f);
  drawText(GlyphString{0x0001, 0x0002}, 0, 0, 0xFFFFFFFF);  // no end code: stops at the end
  EXPECT_EQ(glyphsOf(rec.draws).size(), 7u);
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
