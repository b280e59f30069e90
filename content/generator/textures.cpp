// The boot textures: the list cursor, the shared 2D sheet of numbers, words and labels, and the
// message box edge. All are scrambled DDS files with alpha.
#include <algorithm>
#include <cmath>

#include "content/generator/content.h"
#include "data/label_sheet.h"

namespace content {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kOutline = 0xFF101020;

// A right-pointing arrow head, yellow to orange, with a dark rim: the list cursor (16 x 16).
Image cursor() {
  Image image(16, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const double cx = x + 0.5, cy = y + 0.5;
      const double halfHeight = 7.0 * (1.0 - (cx - 2.0) / 12.0);  // the triangle (2, 1) (14, 8) (2, 15)
      const double distance = std::abs(cy - 8.0);
      if (cx < 2.0 || cx > 14.0 || distance > halfHeight) continue;
      const bool rim = cx < 3.2 || distance > halfHeight - 1.3;
      image.at(x, y) = rim ? kOutline : mix(0xFFFFF060, 0xFFFF9020, (cx - 2.0) / 12.0);
    }
  }
  return image;
}

void drawIn(const BitmapFont& font, Image& image, const SheetRect& rect, std::string_view utf8, int textWidth) {
  const int x = rect.x + (rect.width - textWidth) / 2;
  drawOutlinedText(font, image, x, rect.y, utf8, kWhite, kOutline);
}

// Capital letters five pixels tall for the battle display's column captions; each row is read
// from the left, '#' lit.
struct SmallLetter {
  char letter;
  const char* rows[5];
};
constexpr SmallLetter kSmallLetters[] = {
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}},       {'E', {"###", "#..", "##.", "#..", "###"}},
    {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},       {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},  {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
};

// A caption in those letters, white with a dark rim, from (x + 1, y + 1) of the sheet.
void drawSmallCaption(Image& image, const SheetRect& rect, std::string_view text) {
  int x = rect.x + 1;
  for (char c : text) {
    for (const SmallLetter& letter : kSmallLetters) {
      if (letter.letter != c) continue;
      const int width = static_cast<int>(std::string_view(letter.rows[0]).size());
      for (int pass = 0; pass < 2; ++pass) {
        for (int row = 0; row < 5; ++row) {
          for (int col = 0; col < width; ++col) {
            if (letter.rows[row][col] != '#') continue;
            if (pass == 1) {
              image.at(x + col, rect.y + 1 + row) = kWhite;
              continue;
            }
            for (int dy = 0; dy <= 2; ++dy)
              for (int dx = 0; dx <= 2; ++dx) image.at(x + col + dx - 1, rect.y + row + dy) = kOutline;
          }
        }
      }
      x += width + 1;
    }
  }
}

// The shared 2D sheet; where each sprite lies is data/label_sheet.h.
Image labelSheet(const BitmapFont& font) {
  Image image(kLabelSheetWidth, kLabelSheetHeight);
  for (int d = 0; d < 10; ++d) {
    const SheetRect cell{kSheetDigit.x + 12 * d, kSheetDigit.y, 12, 16};
    drawIn(font, image, cell, std::string(1, static_cast<char>('0' + d)), 8);
  }
  drawIn(font, image, kSheetHpLabel, "HP", 16);
  drawIn(font, image, kSheetMpLabel, "MP", 16);
  drawIn(font, image, kSheetSeparator, "/", 8);
  drawIn(font, image, kSheetTensionLabel, "TP", 16);
  drawSmallCaption(image, kSheetCaptionName, "NAME");
  drawSmallCaption(image, kSheetCaptionHp, "HP");
  drawSmallCaption(image, kSheetCaptionMp, "MP");
  drawSmallCaption(image, kSheetCaptionTension, "TP");
  drawIn(font, image, kSheetEvadedWord, "回避！", 48);
  drawIn(font, image, kSheetCriticalWord, "クリティカル！", 112);
  return image;
}

// A rounded frame corner piece with a soft inner glow (32 x 32).
Image messageBoxEdge() {
  Image image(32, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const double cx = x + 0.5 - 16.0, cy = y + 0.5 - 16.0;
      const double edge = std::max(std::abs(cx), std::abs(cy));
      const double round = std::hypot(std::max(std::abs(cx) - 10.0, 0.0), std::max(std::abs(cy) - 10.0, 0.0));
      if (round > 6.0) continue;
      const double glow = std::clamp((edge - 8.0) / 8.0, 0.0, 1.0);
      const int alpha = static_cast<int>(255 * glow);
      image.at(x, y) = round > 4.5 || edge > 14.5 ? argb(255, 255, 240, 200) : argb(alpha, 120, 160, 255);
    }
  }
  return image;
}

}  // namespace

void generateBootTextures(Context& context) {
  context.out.writeScrambled("tex/cur.au", encodeDds(cursor()));
  context.out.writeScrambled("tex/dmg.au", encodeDds(labelSheet(context.bitmapFont)));
  context.out.writeScrambled("tex/MBoxEdge.au", encodeDds(messageBoxEdge()));
}

}  // namespace content
