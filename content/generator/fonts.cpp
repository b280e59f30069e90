// The font table and the two font textures, drawn from the 16-dot bitmap fonts of the system's
// shinonome package.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

#include "content/generator/content.h"

namespace content {

namespace {

const char* const kWideFontPath = "/usr/share/fonts/X11/misc/shnmk16.pcf.gz";
const char* const kAsciiFontPath = "/usr/share/fonts/X11/misc/shnm8x16r.pcf.gz";
constexpr int kCell = 16;
constexpr int kCellsPerRow = 32;
constexpr int kCellsPerPage = kCellsPerRow * kCellsPerRow;
constexpr int kPages = 2;
constexpr int kPageSize = kCell * kCellsPerRow;  // 512

// The JIS X 0208 code of a code page 932 two-byte character (the Japanese font's encoding).
unsigned jisOf(std::string_view cp932Char) {
  unsigned c1 = static_cast<unsigned char>(cp932Char[0]);
  unsigned c2 = static_cast<unsigned char>(cp932Char[1]);
  if (c1 >= 0xE0) c1 -= 0x40;
  c1 -= 0x81;
  if (c2 >= 0x80) c2 -= 1;
  if (c2 >= 0x9E) return (c1 * 2 + 0x22) << 8 | (c2 - 0x9E + 0x21);
  return (c1 * 2 + 0x21) << 8 | (c2 - 0x40 + 0x21);
}

}  // namespace

struct BitmapFont::Faces {
  FT_Library library = nullptr;
  FT_Face wide = nullptr;
  FT_Face ascii = nullptr;
  int wideAscent = 14;
  int asciiAscent = 14;
};

namespace {

FT_Face openFace(FT_Library library, const char* path, int& ascent) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, path, 0, &face) != 0) throw std::runtime_error(std::string("cannot open the font ") + path);
  if (face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
  if (face->num_fixed_sizes > 0 && FT_Select_Size(face, 0) == 0 && face->size->metrics.ascender > 0) {
    ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  }
  return face;
}

void drawGlyph(FT_Face face, int ascent, unsigned code, Image& image, int x, int y, uint32_t colour) {
  if (FT_Get_Char_Index(face, code) == 0) return;
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return;
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  const int left = x + face->glyph->bitmap_left;
  const int top = y + ascent - face->glyph->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    for (unsigned col = 0; col < bitmap.width; ++col) {
      const unsigned char byte = bitmap.buffer[row * bitmap.pitch + col / 8];
      if (!(byte & (0x80 >> (col % 8)))) continue;
      const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
      if (image.inside(px, py)) image.at(px, py) = colour;
    }
  }
}

}  // namespace

BitmapFont::BitmapFont() : faces_(new Faces) {
  if (FT_Init_FreeType(&faces_->library) != 0) throw std::runtime_error("FreeType does not start");
  faces_->wide = openFace(faces_->library, kWideFontPath, faces_->wideAscent);
  faces_->ascii = openFace(faces_->library, kAsciiFontPath, faces_->asciiAscent);
}

BitmapFont::~BitmapFont() {
  FT_Done_Face(faces_->wide);
  FT_Done_Face(faces_->ascii);
  FT_Done_FreeType(faces_->library);
  delete faces_;
}

bool BitmapFont::hasGlyph(std::string_view cp932Char) const {
  return cp932Char.size() == 2 && FT_Get_Char_Index(faces_->wide, jisOf(cp932Char)) != 0;
}

void BitmapFont::drawWide(Image& image, int x, int y, std::string_view cp932Char, uint32_t colour) const {
  if (cp932Char.size() == 2) drawGlyph(faces_->wide, faces_->wideAscent, jisOf(cp932Char), image, x, y, colour);
}

void BitmapFont::drawAscii(Image& image, int x, int y, char c, uint32_t colour) const {
  drawGlyph(faces_->ascii, faces_->asciiAscent, static_cast<unsigned char>(c), image, x, y, colour);
}

void drawOutlinedText(const BitmapFont& font, Image& image, int x, int y, std::string_view utf8, uint32_t colour,
                      uint32_t outline) {
  auto drawAll = [&](int dx, int dy, uint32_t c) {
    int penX = x + dx;
    for (const char32_t code : codePoints(utf8)) {
      if (code < 0x80) {
        font.drawAscii(image, penX, y + dy, static_cast<char>(code), c);
        penX += 8;
      } else {
        if (const auto cp932 = toCp932(utf8Of(code))) font.drawWide(image, penX, y + dy, *cp932, c);
        penX += 16;
      }
    }
  };
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx != 0 || dy != 0) drawAll(dx, dy, outline);
    }
  }
  drawAll(0, 0, colour);
}

void generateFonts(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "res/Fonts.txt", context.lint);
  FontTable& table = context.font;
  const std::string fullWidthSpace = "\x81\x40";
  for (const SourceLine& line : source.lines) {
    for (const char32_t c : codePoints(line.text)) {
      const std::string character = utf8Of(c);
      const auto cp932 = toCp932(character);
      if (!cp932 || cp932->size() != 2) {
        context.lint.report(source.where(line), "'" + character + "' is not a two-byte character of code page 932");
        continue;
      }
      if (table.index.contains(*cp932)) {
        context.lint.report(source.where(line), "'" + character + "' is in the font table twice");
        continue;
      }
      if (*cp932 != fullWidthSpace && !context.bitmapFont.hasGlyph(*cp932)) {
        context.lint.report(source.where(line), "'" + character + "' has no glyph in the bitmap font");
      }
      table.index[*cp932] = static_cast<int>(table.characters.size());
      table.characters.push_back(*cp932);
    }
  }
  if (static_cast<int>(table.characters.size()) > kCellsPerPage * kPages) {
    context.lint.report("content/res/Fonts.txt", "the font table holds " + std::to_string(table.characters.size()) +
                                                     " characters; the two textures have 2048 cells");
  }
  const std::u32string digits = U"０１２３４５６７８９";
  for (size_t d = 0; d < digits.size(); ++d) {
    const auto cp932 = toCp932(utf8Of(digits[d]));
    if (table.characters.size() <= d || table.characters[d] != *cp932) {
      context.lint.report("content/res/Fonts.txt", "the font table must begin with the digits ０ to ９ (numbers are drawn from row 0)");
      break;
    }
  }
  if (!table.index.contains(fullWidthSpace)) {
    context.lint.report("content/res/Fonts.txt", "the font table must hold the full-width space (the blank cell)");
  }

  std::vector<std::string> lines;
  for (size_t i = 0; i < table.characters.size(); i += kCellsPerRow) {
    std::string line;
    for (size_t k = i; k < table.characters.size() && k < i + kCellsPerRow; ++k) line += table.characters[k];
    lines.push_back(line);
  }
  context.out.write("RES/Fonts.zd", joinLines(lines));

  for (int page = 0; page < kPages; ++page) {
    Image image(kPageSize, kPageSize, 0x00FFFFFF);  // transparent white, so filtering never darkens an edge
    for (int cell = 0; cell < kCellsPerPage; ++cell) {
      const size_t glyph = static_cast<size_t>(page * kCellsPerPage + cell);
      if (glyph >= table.characters.size()) break;
      const int x = cell % kCellsPerRow * kCell, y = cell / kCellsPerRow * kCell;
      context.bitmapFont.drawWide(image, x, y, table.characters[glyph], 0xFFFFFFFF);
    }
    context.out.writeScrambled("RES/fnt" + std::to_string(page) + ".au", encodeDds(image));
  }
}

void checkProgramTexts(Context& context) {
  const SourceFile source = readSource(context.contentRoot, "res/program_texts.txt", context.lint);
  for (const SourceLine& line : source.lines) context.font.checkText(line.text, source.where(line), context.lint);
}

}  // namespace content
