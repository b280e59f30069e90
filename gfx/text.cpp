#include "gfx/text.h"

#include <cstdio>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "data/database.h"

namespace {

void setFontPage(int page) {
  gDevice->SetTexture(0, gFontTextures[page].texture.get());
}

// Row and column of a glyph code (the code read as 16 bits).
int glyphRow(int16_t code) {
  return static_cast<uint16_t>(code) >> 8;
}
int glyphColumn(int16_t code) {
  return static_cast<uint16_t>(code) & 0xFF;
}

float cellU(int column) {
  return static_cast<float>(column) * kGlyphCellUv;
}
float cellV(int row) {
  return static_cast<float>(glyphPageRow(row)) * kGlyphCellUv;
}

void drawCell(float x, float y, int column, int row) {
  drawGlyphCell(x, y, cellU(column), cellV(row));
}

// One run for all text: its storage is kept from call to call.
GlyphRun& textRun() {
  static GlyphRun run;
  return run;
}

}  // namespace

void drawText(std::span<const int16_t> glyphs, float x, float y, uint32_t colour) {
  gDevice->SetVertexShader(kScreenVertexFormat);
  setFontPage(0);
  setSpriteColour(colour);
  // The glyphs of one font page go to the device together.
  GlyphRun& run = textRun();
  int page = 0;
  for (int16_t code : glyphs) {
    if (code == kGlyphEnd) break;
    const int row = glyphRow(code);
    if (glyphPage(row) != page) {
      run.draw();
      page = glyphPage(row);
      setFontPage(page);
      setSpriteColour(colour);
    }
    run.add(x, y, cellU(glyphColumn(code)), cellV(row));
    x += kGlyphAdvance;
  }
  run.draw();
}

void drawNumber(int value, float x, float y, uint32_t colour, int width) {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%d", value);
  if (width != 0 && length < width) x += kDigitAdvance * static_cast<float>(width - length);
  gDevice->SetVertexShader(kScreenVertexFormat);
  setFontPage(0);
  setSpriteColour(colour);
  GlyphRun& run = textRun();
  for (int i = 0; i < length; ++i) {
    run.add(x, y, static_cast<float>(digits[i] - '0') * kGlyphCellUv, 0.0f);
    x += kDigitAdvance;
  }
  run.draw();
}

void drawGlyph(float x, float y, int16_t code) {
  const int row = glyphRow(code);
  setFontPage(glyphPage(row));
  drawCell(x, y, glyphColumn(code), row);
}

void drawGlyphAt(float x, float y, int column, int row, uint32_t colour) {
  setFontPage(glyphPage(row));
  setSpriteColour(colour);
  drawCell(x, y, column, row);
}
