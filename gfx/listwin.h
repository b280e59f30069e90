// The list window: a box of text entries with values, a cursor, optional columns, an opening
// animation and a scrolled variant with a scroll bar. Coordinates are screen pixels.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/database.h"

// Entry colours of the list drawers.
constexpr uint32_t kListTextColour = 0xFFFFFFFF;
constexpr uint32_t kListCursorColour = 0xFFEFEF00;
constexpr uint32_t kListGreyColour = 0xFF808080;
constexpr uint32_t kScrollTrackColour = 0xC8000000;
constexpr uint32_t kScrollThumbColour = 0xFFFFFFFF;

// The open amount at which the box has its full size.
constexpr int kListFullyOpen = 12;
// Pixels a scrolled list moves per draw while it scrolls.
constexpr int kListScrollStep = 4;

class LISTWIN {
 public:
  // A value (negative: the entry is shown greyed) and a text; an empty text marks a free entry.
  struct Entry {
    int value = 0;
    GlyphString text;
  };

  int count = 0;
  std::vector<Entry> entries;
  float width = 128.0f;
  float height = 128.0f;
  int openAmount = 0;  // 0 closed; full size at kListFullyOpen
  int cursor = 0;      // entry index; may lie past a list made smaller since (see cursorEntry)
  int columns = 1;
  int openSpeed = 0;    // added to the open amount at every draw until it exceeds kListFullyOpen
  int scrollSpeed = 0;  // pixels per draw: kListScrollStep or its negative while scrolling
  int scrollOffset = 0;

  LISTWIN();

  // Makes n free entries (the old ones are dropped), then clearAll. The cursor stays where it
  // was, so a list made anew starts where the last one left it.
  void setCount(int n);
  // Scroll offset 0 and every text emptied.
  void clearAll();
  // The entry's text becomes the glyph string of the Shift-JIS text; out-of-range indexes are
  // ignored.
  void set(int index, std::string_view sjisText, int value);
  void setGlyphs(int index, GlyphString glyphs, int value);
  // Stores into the first free entry; returns its index, or the entry count when none is free.
  int add(std::string_view sjisText, int value);
  int countFilled() const;
  // Width from the longest of the first rows texts, height from the row count.
  void fitSize(int rows);
  // Moves the cursor by delta to the next filled entry in that direction, with its wrap and
  // scroll rules.
  void moveCursor(int delta);

  bool isFilled(int index) const;
  // The entry the cursor stands on: the cursor kept inside the entries (0 for an empty list).
  // Drawing, moving and the cursor value all go by it.
  int cursorEntry() const;
  // The value of the cursor entry (0 for an empty list).
  int cursorValue() const;
  // True while the opening animation runs.
  bool opening() const { return openSpeed != 0; }

  // One column, no scrolling.
  void drawList(float x, float y);
  // Several columns, no scrolling.
  void drawGrid(float x, float y);
  // Several columns with scrolling and a scroll bar.
  void drawScrolled(float x, float y);

  // The per-draw opening step; returns the box scale k.
  float stepOpening();
  // The column count used in divisions (at least 1).
  int columnCount() const { return columns > 0 ? columns : 1; }

 private:
  void drawEntries(float textX, float textY, int first, int end);
};

// Number of glyphs of a glyph string before its end code.
int glyphLength(const GlyphString& glyphs);
