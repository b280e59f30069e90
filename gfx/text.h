// The text drawers: glyph strings, numbers and single glyphs as 16-pixel cells of the two font
// textures. A glyph code names row code >> 8 and column code & 0xFF; rows from 32 on lie on the
// second font texture.
#pragma once
#include <cstdint>
#include <span>

constexpr float kGlyphCellUv = 0.03125f;  // one cell of the 32 x 32 grid of a font texture
constexpr float kGlyphAdvance = 16.0f;    // pixels from one glyph to the next
constexpr float kDigitAdvance = 12.0f;    // pixels from one digit to the next

// The font texture a glyph row lies on and the row inside it.
constexpr int glyphPage(int row) { return row >= 32 ? 1 : 0; }
constexpr int glyphPageRow(int row) { return row - 32 * glyphPage(row); }

// Glyphs left to right, 16 pixels apart, up to the end code (or the end of the span). Sets the
// screen vertex format and the font texture itself; switches texture only at page changes.
void drawText(std::span<const int16_t> glyphs, float x, float y, uint32_t colour);
// The decimal digits of the value, 12 pixels apart; right-aligned in width digits when width
// is not 0. Sets the vertex format, font page 0 and the colour.
void drawNumber(int value, float x, float y, uint32_t colour, int width);
// One glyph in the present sprite colour; sets the page texture, not the vertex format.
void drawGlyph(float x, float y, int16_t code);
// One glyph given by cell in that colour; rows above 31 lie on the second page. Sets the page
// texture and the colour, not the vertex format.
void drawGlyphAt(float x, float y, int column, int row, uint32_t colour);
