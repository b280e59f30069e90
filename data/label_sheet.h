// The layout of the shared 2D sheet "tex\dmg.au" (texture table entry 3): where each sprite lies,
// in pixels of the 256 x 64 sheet. The battle popups, the status display, the menus and the
// results screen draw from here; the content generator draws the sheet from the same table.
#pragma once

#include <cstdint>

struct SheetRect {
  int x, y, width, height;
};

constexpr int kLabelSheetWidth = 256;
constexpr int kLabelSheetHeight = 64;

// Digit d (0 … 9) lies at x = 12 × d of this cell.
constexpr SheetRect kSheetDigit = {0, 0, 12, 16};
constexpr SheetRect kSheetHpLabel = {128, 0, 24, 16};     // "HP", first gauge line
constexpr SheetRect kSheetMpLabel = {152, 0, 24, 16};     // "MP", second gauge line
constexpr SheetRect kSheetSeparator = {176, 0, 12, 16};   // "/" between two numbers
constexpr SheetRect kSheetTensionLabel = {192, 0, 24, 16};  // "TP" beside a tension value
// The battle status display's column captions: small letters that sit on its divider line.
constexpr SheetRect kSheetCaptionName = {0, 16, 26, 7};
constexpr SheetRect kSheetCaptionHp = {32, 16, 14, 7};
constexpr SheetRect kSheetCaptionMp = {48, 16, 14, 7};
constexpr SheetRect kSheetCaptionTension = {64, 16, 14, 7};
constexpr SheetRect kSheetEvadedWord = {0, 32, 54, 16};
constexpr SheetRect kSheetCriticalWord = {0, 48, 120, 16};

// Draws that sprite of the sheet at (x, y) in the colour; nothing while the sheet is not loaded.
void drawSheetSprite(float x, float y, const SheetRect& rect, uint32_t colour);
