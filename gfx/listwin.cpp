#include "gfx/listwin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "gfx/text.h"

namespace {

constexpr float kOpenScale = 0.083333f;  // box scale per step of the open amount
constexpr float kCursorSize = 16.0f;
constexpr float kRowHeight = 16.0f;
constexpr int kRowShift = 4;  // pixels to rows: >> 4
// Far beyond any screen; sizes are held inside it so that they convert to integers safely and
// their sums and products stay inside 64 bits.
constexpr float kPixelLimit = 1073741824.0f;  // 2^30

// trunc(v) as an integer: a width or height made from a damaged script's row count may lie
// beyond the int range (or be NaN when set by hand).
int64_t truncPixels(float v) {
  if (std::isnan(v)) return 0;
  return static_cast<int64_t>(std::clamp(v, -kPixelLimit, kPixelLimit));
}

GlyphString emptyText() {
  return GlyphString{kGlyphEnd};
}

void stencilOff() {
  gDevice->SetRenderState(plat::D3DRS_STENCILENABLE, false);
}

void drawCursor(float x, float y) {
  drawTextureRect(x, y, kCursorSize, kCursorSize, gTextures[kTexCursor]);
}

}  // namespace

int glyphLength(const GlyphString& glyphs) {
  int n = 0;
  while (n < static_cast<int>(glyphs.size()) && glyphs[n] != kGlyphEnd) ++n;
  return n;
}

LISTWIN::LISTWIN() {
  setCount(8);
}

void LISTWIN::setCount(int n) {
  count = std::max(n, 0);
  entries.assign(count, Entry{0, emptyText()});
  clearAll();
}

void LISTWIN::clearAll() {
  scrollOffset = 0;
  scrollSpeed = 0;  // a scroll still under way would carry the emptied list off its first row
  for (Entry& entry : entries) entry.text = emptyText();
}

void LISTWIN::set(int index, std::string_view sjisText, int value) {
  if (index < 0 || index >= count) return;
  setGlyphs(index, toGlyphString(sjisText), value);
}

void LISTWIN::setGlyphs(int index, GlyphString glyphs, int value) {
  if (index < 0 || index >= count) return;
  if (glyphs.empty() || glyphs.back() != kGlyphEnd) glyphs.push_back(kGlyphEnd);
  entries[index].text = std::move(glyphs);
  entries[index].value = value;
}

int LISTWIN::add(std::string_view sjisText, int value) {
  for (int i = 0; i < count; ++i) {
    if (!isFilled(i)) {
      set(i, sjisText, value);
      return i;
    }
  }
  return count;
}

bool LISTWIN::isFilled(int index) const {
  return index >= 0 && index < count && glyphLength(entries[index].text) > 0;
}

int LISTWIN::countFilled() const {
  int n = 0;
  for (int i = 0; i < count; ++i) n += isFilled(i) ? 1 : 0;
  return n;
}

int LISTWIN::cursorEntry() const {
  return std::clamp(cursor, 0, std::max(count - 1, 0));
}

int LISTWIN::cursorValue() const {
  return count > 0 ? entries[cursorEntry()].value : 0;
}

void LISTWIN::fitSize(int rows) {
  int longest = 1;
  const int considered = std::min(rows, count);
  for (int i = 0; i < considered; ++i) {
    if (isFilled(i)) longest = std::max(longest, glyphLength(entries[i].text));
  }
  width = static_cast<float>(16 * int64_t{columnCount()} * longest + 32);
  height = static_cast<float>(16 * int64_t{rows} / columnCount() + 12);
}

void LISTWIN::moveCursor(int delta) {
  if (count <= 0) return;
  const int from = cursorEntry();
  // The target, kept inside the int range: the scans below only compare it with the entries.
  int j = static_cast<int>(std::clamp<int64_t>(int64_t{from} + delta, -1, count));
  if (delta != 1 && j >= count && from != count - 1) j = count - 1;

  const bool wraps = columns <= 1;
  int found = -1;
  if (delta < 0) {
    for (int i = std::min(j, count - 1); i >= 0 && found < 0; --i) {
      if (isFilled(i)) found = i;
    }
    for (int i = count - 1; wraps && i >= 0 && found < 0; --i) {
      if (isFilled(i)) found = i;
    }
  } else {
    for (int i = std::max(j, 0); i < count && found < 0; ++i) {
      if (isFilled(i)) found = i;
    }
    for (int i = 0; wraps && i < count && found < 0; ++i) {
      if (isFilled(i)) found = i;
    }
  }
  if (found < 0) return;
  cursor = found;

  const int row = cursor / columnCount();
  if (row >= (scrollOffset + truncPixels(height)) >> kRowShift) {
    scrollSpeed = kListScrollStep;
  } else if (row < scrollOffset >> kRowShift) {
    scrollSpeed = -kListScrollStep;
  }
}

float LISTWIN::stepOpening() {
  if (openSpeed != 0) {
    openAmount += openSpeed;
    if (openAmount > kListFullyOpen) openSpeed = 0;
  }
  return static_cast<float>(openAmount) * kOpenScale;
}

void LISTWIN::drawList(float x, float y) {
  const float k = stepOpening();
  drawMaskedWindow(x + (width - width * k) * 0.5f, y + (height - height * k) * 0.5f, width * k, height * k);
  const int at = cursorEntry();
  for (int i = 0; i < count; ++i) {
    if (!isFilled(i)) continue;
    const float textY = y + kRowHeight * i + 6.0f;
    drawText(entries[i].text, x + 24.0f, textY, i == at ? kListCursorColour : kListTextColour);
    if (i == at) drawCursor(x + 8.0f, textY);
  }
  stencilOff();
}

void LISTWIN::drawEntries(float textX, float textY, int first, int end) {
  const float columnStep = (width - 24.0f) * 0.5f;
  const int perRow = columnCount();
  const int at = cursorEntry();
  float entryX = textX;
  for (int i = first; i < end; ++i) {
    if (isFilled(i)) {
      uint32_t colour = kListTextColour;
      if (entries[i].value < 0) {
        colour = kListGreyColour;
      } else if (i == at) {
        colour = kListCursorColour;
      }
      drawText(entries[i].text, entryX, textY, colour);
      if (i == at) drawCursor(entryX - 16.0f, textY);
    }
    entryX += columnStep;
    if ((i - first + 1) % perRow == 0) {
      entryX = textX;
      textY += kRowHeight;
    }
  }
}

void LISTWIN::drawGrid(float x, float y) {
  const float k = stepOpening();
  drawMaskedWindow(x + (width - width * k) * 0.5f, y + (height - height * k) * 0.5f, width * k, height * k);
  drawEntries(x + 24.0f, y + 8.0f, 0, count);
  stencilOff();
}

void LISTWIN::drawScrolled(float x, float y) {
  const float k = stepOpening();
  const float top = y + (height - height * k) * 0.5f;
  drawMaskedWindow(x, top, width, height * k);

  // Scroll bar: the track over the box's height, the thumb sized by the visible share of rows.
  const float barX = std::trunc(x + width - 12.0f);
  const float barTop = top + 4.0f;
  const int64_t length = truncPixels(height * k - 8.0f);
  if (length > 0) {
    drawColourRect(barX, barTop, 8.0f, static_cast<float>(length), kScrollTrackColour);
    const int64_t rows = truncPixels(static_cast<float>(count) / static_cast<float>(columnCount()) + 0.5f);
    if (rows > 0) {
      const float thumbTop = barTop + static_cast<float>(length / rows) * static_cast<float>(scrollOffset) * 0.0625f;
      const int64_t thumbLength = length * length / (16 * rows);
      drawColourRect(barX, thumbTop, 8.0f, static_cast<float>(thumbLength), kScrollThumbColour);
    } else {
      // Nothing to scroll: the thumb fills the track.
      drawColourRect(barX, barTop, 8.0f, static_cast<float>(length), kScrollThumbColour);
    }
  }

  if (scrollSpeed != 0) {
    scrollOffset += scrollSpeed;
    if (scrollOffset % 16 == 0) scrollSpeed = 0;
  }

  const int perRow = columnCount();
  const int64_t firstRow = std::max(scrollOffset >> kRowShift, 0);
  const int first = static_cast<int>(std::min(firstRow * perRow, int64_t{count}));
  const int end = static_cast<int>(std::min(first + perRow * ((truncPixels(height) >> kRowShift) + 1), int64_t{count}));
  const float textY = y + static_cast<float>(16 * int64_t{first} / perRow - scrollOffset) + 8.0f;
  drawEntries(x + 24.0f, textY, first, end);
  stencilOff();
}
