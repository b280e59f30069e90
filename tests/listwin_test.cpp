#include "gfx/listwin.h"

#include <gtest/gtest.h>

#include <limits>

#include "recording_device.h"
#include "text_fixture.h"

namespace {

using recording::Draw;

// A list of count entries with the given ones filled (text "あ", value = index).
LISTWIN listWith(int count, std::initializer_list<int> filled, int columns = 1) {
  LISTWIN list;
  list.setCount(count);
  list.columns = columns;
  for (int i : filled) list.set(i, text_fixture::kA, i);
  return list;
}

TEST(ListWindow, AddFillsFreeEntriesInOrderAndReportsFullList) {
  text_fixture::Font font;
  LISTWIN list;
  list.setCount(3);
  list.set(1, text_fixture::kA, 5);
  EXPECT_EQ(list.add(text_fixture::kAI, 7), 0);
  EXPECT_EQ(list.add(text_fixture::kA, 8), 2);
  EXPECT_EQ(list.add(text_fixture::kA, 9), 3);  // none free: the entry count, nothing stored
  EXPECT_EQ(list.countFilled(), 3);
  EXPECT_EQ(list.entries[0].value, 7);
  EXPECT_EQ(glyphLength(list.entries[0].text), 2);
  list.set(-1, text_fixture::kA, 1);  // ignored
  list.set(3, text_fixture::kA, 1);   // ignored
  list.clearAll();
  EXPECT_EQ(list.countFilled(), 0);
}

TEST(ListWindow, SetCountKeepsTheCursorAndItsUsesStayInsideTheEntries) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(6, {0, 5});
  list.cursor = 5;
  list.setCount(8);  // a list made anew starts where the last one left the cursor
  EXPECT_EQ(list.cursor, 5);
  list.setCount(2);
  EXPECT_EQ(list.cursor, 5);
  list.set(0, text_fixture::kA, 10);
  list.set(1, text_fixture::kA, 11);
  EXPECT_EQ(list.cursorEntry(), 1);
  EXPECT_EQ(list.cursorValue(), 11);  // confirming takes the last entry
  list.openAmount = kListFullyOpen;
  list.drawList(0, 0);
  const auto cursor = device.recorder().drawsWith(font.cursor());
  ASSERT_EQ(cursor.size(), 1u);
  EXPECT_FLOAT_EQ(cursor[0].y(), 16 + 6);  // on the last entry
  list.moveCursor(-1);  // moves from the last entry
  EXPECT_EQ(list.cursor, 0);
  list.setCount(0);
  EXPECT_EQ(list.cursorValue(), 0);
  list.moveCursor(1);  // nothing to move over
  list.drawGrid(0, 0);
  EXPECT_EQ(list.cursor, 0);
}

TEST(ListWindow, FitSizeUsesTheLongestOfTheFirstRowsTexts) {
  text_fixture::Font font;
  LISTWIN list;
  list.setCount(4);
  list.set(0, text_fixture::kA, 0);
  list.set(1, text_fixture::kAI, 0);
  list.set(3, text_fixture::kAIUE, 0);  // beyond the rows considered
  list.fitSize(3);
  EXPECT_EQ(list.width, 16.0f * 2 + 32);
  EXPECT_EQ(list.height, 16.0f * 3 + 12);
  list.columns = 2;
  list.fitSize(4);
  EXPECT_EQ(list.width, 16.0f * 2 * 4 + 32);
  EXPECT_EQ(list.height, 16.0f * 4 / 2 + 12);
  list.clearAll();
  list.columns = 1;
  list.fitSize(2);
  EXPECT_EQ(list.width, 16.0f + 32);  // at least one glyph wide
  list.fitSize(std::numeric_limits<int>::max());  // no overflow
  EXPECT_GT(list.height, 1e10f);
}

TEST(ListWindow, MoveCursorSkipsFreeEntriesAndWrapsOnlyInOneColumn) {
  text_fixture::Font font;
  LISTWIN single = listWith(4, {0, 2});
  single.moveCursor(1);
  EXPECT_EQ(single.cursor, 2);
  single.moveCursor(1);
  EXPECT_EQ(single.cursor, 0);  // wraps
  single.moveCursor(-1);
  EXPECT_EQ(single.cursor, 2);  // wraps from the top to the last filled entry

  LISTWIN grid = listWith(4, {0, 2}, 2);
  grid.moveCursor(1);
  EXPECT_EQ(grid.cursor, 2);
  grid.moveCursor(1);
  EXPECT_EQ(grid.cursor, 2);  // no wrap with columns
  grid.cursor = 0;
  grid.moveCursor(-2);
  EXPECT_EQ(grid.cursor, 0);
}

TEST(ListWindow, MoveCursorClampsALongStepToTheLastEntryAndScansUp) {
  text_fixture::Font font;
  LISTWIN list = listWith(4, {0, 1, 2});
  list.cursor = 1;
  list.moveCursor(5);
  EXPECT_EQ(list.cursor, 0);  // clamped to 3, which is free; the upward scan wraps to 0
  list.cursor = 1;
  list.moveCursor(-5);
  EXPECT_EQ(list.cursor, 2);  // a long step back: the downward scan wraps to the last filled
  list = listWith(4, {0, 1, 2, 3});
  list.cursor = 1;
  list.moveCursor(5);
  EXPECT_EQ(list.cursor, 3);
  list.moveCursor(5);  // already on the last entry: no clamp, the scan wraps to the first
  EXPECT_EQ(list.cursor, 0);
  list.moveCursor(std::numeric_limits<int>::max());
  EXPECT_EQ(list.cursor, 3);
  list.moveCursor(std::numeric_limits<int>::min());
  EXPECT_EQ(list.cursor, 3);  // nothing below 0: wraps to the last
}

TEST(ListWindow, GreyedEntriesStaySelectable) {
  text_fixture::Font font;
  LISTWIN list = listWith(3, {0});
  list.set(1, text_fixture::kA, -1);
  list.moveCursor(1);
  EXPECT_EQ(list.cursor, 1);
  EXPECT_EQ(list.cursorValue(), -1);
}

TEST(ListWindow, CursorBelowTheVisibleRowsStartsScrollingAndTheOffsetStopsAtARow) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  list.fitSize(4);  // height 76: rows 0 … 3 visible
  list.cursor = 3;
  list.moveCursor(1);
  EXPECT_EQ(list.scrollSpeed, kListScrollStep);
  for (int draw = 0; draw < 4; ++draw) list.drawScrolled(0, 0);
  EXPECT_EQ(list.scrollOffset, 16);
  EXPECT_EQ(list.scrollSpeed, 0);
  list.cursor = 1;
  list.moveCursor(-1);
  EXPECT_EQ(list.scrollSpeed, -kListScrollStep);
}

TEST(ListWindow, OpenSpeedOneOpensOverThirteenDraws) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(2, {0, 1});
  list.openSpeed = 1;
  for (int draw = 1; draw <= 12; ++draw) {
    list.drawList(0, 0);
    EXPECT_EQ(list.openSpeed, 1) << draw;
  }
  list.drawList(0, 0);
  EXPECT_EQ(list.openAmount, 13);
  EXPECT_EQ(list.openSpeed, 0);
  list.drawList(0, 0);
  EXPECT_EQ(list.openAmount, 13);
}

// The stencil clears that start a masked window, and the draws of the list's glyph page.
TEST(ListWindow, DrawListPlacesTextsAndCursorAndTurnsTheStencilOff) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(3, {0, 2});
  list.openAmount = kListFullyOpen;
  list.cursor = 2;
  list.drawList(100, 50);
  EXPECT_EQ(device.recorder().stencilClears, 1);
  const auto glyphs = device.recorder().drawsWith(font.page(0));
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_FLOAT_EQ(glyphs[0].x(), 124);
  EXPECT_FLOAT_EQ(glyphs[0].y(), 56);
  EXPECT_EQ(glyphs[0].colour(), kListTextColour);
  EXPECT_FLOAT_EQ(glyphs[1].y(), 50 + 32 + 6);
  EXPECT_EQ(glyphs[1].colour(), kListCursorColour);
  const auto cursor = device.recorder().drawsWith(font.cursor());
  ASSERT_EQ(cursor.size(), 1u);
  EXPECT_FLOAT_EQ(cursor[0].x(), 108);
  EXPECT_FLOAT_EQ(cursor[0].y(), 88);
  EXPECT_TRUE(glyphs[0].stencil);
  EXPECT_EQ(device.recorder().renderStates[plat::D3DRS_STENCILENABLE], 0u);
}

TEST(ListWindow, DrawGridGreysNegativeValuesAndStepsColumns) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(4, {0, 1, 3}, 2);
  list.width = 200;
  list.set(1, text_fixture::kA, -3);
  list.cursor = 1;
  list.openAmount = kListFullyOpen;
  list.drawGrid(10, 20);
  const auto glyphs = device.recorder().drawsWith(font.page(0));
  ASSERT_EQ(glyphs.size(), 3u);
  EXPECT_FLOAT_EQ(glyphs[0].x(), 34);
  EXPECT_FLOAT_EQ(glyphs[0].y(), 28);
  EXPECT_FLOAT_EQ(glyphs[1].x(), 34 + 88);  // (width - 24) / 2 further right
  EXPECT_EQ(glyphs[1].colour(), kListGreyColour);  // grey even under the cursor
  EXPECT_FLOAT_EQ(glyphs[2].x(), 34 + 88);  // entry 3: second row, second column
  EXPECT_FLOAT_EQ(glyphs[2].y(), 44);
  const auto cursor = device.recorder().drawsWith(font.cursor());
  ASSERT_EQ(cursor.size(), 1u);
  EXPECT_FLOAT_EQ(cursor[0].x(), 34 + 88 - 16);
}

// Untextured draws of that colour (track and thumb of the scroll bar).
std::vector<Draw> rectsOf(const recording::RecordingDevice& device, uint32_t colour) {
  std::vector<Draw> out;
  for (const Draw& d : device.drawsWith(nullptr)) {
    if (d.colour() == colour && d.vertices.size() == 4 && d.vertices[0].z == 0.0f) out.push_back(d);
  }
  return out;
}

TEST(ListWindow, ScrollBarThumbFollowsTheOffset) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  list.fitSize(4);  // height 76, bar length 68
  list.width = 100;
  list.openAmount = kListFullyOpen;
  list.scrollOffset = 32;
  list.drawScrolled(0, 0);
  const float top = (76 - 76 * kListFullyOpen * 0.083333f) * 0.5f;
  const auto track = rectsOf(device.recorder(), kScrollTrackColour);
  ASSERT_EQ(track.size(), 1u);
  EXPECT_FLOAT_EQ(track[0].x(), 88);
  EXPECT_FLOAT_EQ(track[0].y(), top + 4);
  const auto thumb = rectsOf(device.recorder(), kScrollThumbColour);
  ASSERT_EQ(thumb.size(), 1u);
  EXPECT_FLOAT_EQ(thumb[0].y(), top + 4 + (67 / 16) * 2);  // length trunc(76 * 0.999996 - 8) = 67
  EXPECT_FLOAT_EQ(thumb[0].vertices[3].y - thumb[0].y(), 67 * 67 / (16 * 16));
  // Rows from the offset on are drawn, starting one row up by the offset.
  const auto glyphs = device.recorder().drawsWith(font.page(0));
  ASSERT_FALSE(glyphs.empty());
  EXPECT_FLOAT_EQ(glyphs[0].y(), 8);  // entry 2 at 16 * 2 - 32 + 8
}

TEST(ListWindow, EmptyScrolledListDrawsItsBarWithoutDividingByZero) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list;
  list.setCount(0);
  list.openAmount = kListFullyOpen;
  list.drawScrolled(0, 0);
  const auto thumb = rectsOf(device.recorder(), kScrollThumbColour);
  ASSERT_EQ(thumb.size(), 1u);
  const auto track = rectsOf(device.recorder(), kScrollTrackColour);
  ASSERT_EQ(track.size(), 1u);
  EXPECT_FLOAT_EQ(thumb[0].vertices[3].y, track[0].vertices[3].y);  // the thumb fills the track
  list.setCount(3);  // three entries in eight columns round to no row either
  list.columns = 8;
  list.drawScrolled(0, 0);
}

// The box of the masked window a drawer starts with: the outer corners of its frame.
struct Box {
  float left, top, right, bottom;
};
Box firstBox(const recording::RecordingDevice& device) {
  const auto& draws = device.draws;
  if (draws.size() < 2) return {0, 0, 0, 0};
  // The frame's top strip runs from the top-left to the top-right corner; its bottom strip
  // reaches the bottom edge with its third vertex.
  return {draws[0].vertices[0].x, draws[0].vertices[0].y, draws[0].vertices[1].x, draws[1].vertices[2].y};
}

TEST(ListWindow, HalfOpenBoxesGrowFromTheCentreAndTheScrolledOneKeepsItsWidth) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(8, {0, 1, 2, 3, 4, 5, 6, 7});
  list.fitSize(4);  // 48 x 76
  list.width = 128;
  list.openAmount = 6;  // k just under 0.5
  list.drawList(100, 50);
  Box box = firstBox(device.recorder());
  EXPECT_NEAR(box.left, 132, 0.01);
  EXPECT_NEAR(box.right, 196, 0.01);
  EXPECT_NEAR(box.top, 69, 0.01);
  EXPECT_NEAR(box.bottom, 107, 0.01);

  device.recorder().reset();
  list.drawGrid(100, 50);
  box = firstBox(device.recorder());
  EXPECT_NEAR(box.left, 132, 0.01);
  EXPECT_NEAR(box.top, 69, 0.01);

  device.recorder().reset();
  list.drawScrolled(100, 50);
  box = firstBox(device.recorder());
  EXPECT_FLOAT_EQ(box.left, 100);
  EXPECT_FLOAT_EQ(box.right, 228);
  EXPECT_NEAR(box.top, 69, 0.01);
  EXPECT_NEAR(box.bottom, 107, 0.01);
  // The bar: x trunc(100 + 128 - 12), length trunc(76 * k - 8) = 29 (not 30).
  const auto track = rectsOf(device.recorder(), kScrollTrackColour);
  ASSERT_EQ(track.size(), 1u);
  EXPECT_FLOAT_EQ(track[0].x(), 216);
  EXPECT_NEAR(track[0].y(), 73, 0.01);
  EXPECT_NEAR(track[0].vertices[3].y - track[0].y(), 29, 0.001);
}

TEST(ListWindow, ScrolledGridShowsTheRowsFromTheOffsetInColumns) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 2);
  list.fitSize(8);  // height 16 * 8 / 2 + 12 = 76: four rows
  list.width = 200;
  list.openAmount = kListFullyOpen;
  list.cursor = 7;  // row 3, the last visible one
  list.moveCursor(2);
  EXPECT_EQ(list.cursor, 9);
  EXPECT_EQ(list.scrollSpeed, kListScrollStep);  // row 4 lies below the box
  for (int draw = 0; draw < 4; ++draw) {
    device.recorder().reset();
    list.drawScrolled(10, 20);
  }
  EXPECT_EQ(list.scrollOffset, 16);
  EXPECT_EQ(list.scrollSpeed, 0);
  // Rows 1 … 5 (entries 2 … 11) from y 20 + 8, the second column (200 - 24) / 2 further right.
  const auto glyphs = device.recorder().drawsWith(font.page(0));
  ASSERT_EQ(glyphs.size(), 10u);
  EXPECT_FLOAT_EQ(glyphs[0].x(), 34);
  EXPECT_FLOAT_EQ(glyphs[0].y(), 28);
  EXPECT_FLOAT_EQ(glyphs[1].x(), 34 + 88);
  EXPECT_FLOAT_EQ(glyphs[1].y(), 28);
  EXPECT_FLOAT_EQ(glyphs[9].y(), 28 + 4 * 16);
  const auto cursor = device.recorder().drawsWith(font.cursor());
  ASSERT_EQ(cursor.size(), 1u);
  EXPECT_FLOAT_EQ(cursor[0].x(), 34 + 88 - 16);  // entry 9: second column of row 4
  EXPECT_FLOAT_EQ(cursor[0].y(), 28 + 3 * 16);

  // Back up to row 0, which lies above the offset: the list scrolls back.
  list.cursor = 2;
  list.moveCursor(-2);
  EXPECT_EQ(list.cursor, 0);
  EXPECT_EQ(list.scrollSpeed, -kListScrollStep);
}

TEST(ListWindow, ClearingAListStopsItsScroll) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  list.fitSize(4);
  list.cursor = 3;
  list.moveCursor(1);  // starts scrolling down
  list.drawScrolled(0, 0);
  list.clearAll();
  list.set(0, text_fixture::kA, 0);
  list.cursor = 0;
  for (int draw = 0; draw < 8; ++draw) list.drawScrolled(0, 0);
  EXPECT_EQ(list.scrollOffset, 0);  // the refilled list shows its first row
}

TEST(ListWindow, SizesFromAHugeRowCountStayUsable) {
  text_fixture::Font font;
  text_fixture::Device device;
  LISTWIN list = listWith(10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  list.fitSize(std::numeric_limits<int>::max());  // beyond the int range in pixels
  list.openAmount = kListFullyOpen;
  list.moveCursor(1);
  EXPECT_EQ(list.cursor, 1);
  EXPECT_EQ(list.scrollSpeed, 0);  // every row lies inside the box
  list.drawScrolled(0, 0);
  EXPECT_EQ(device.recorder().drawsWith(font.page(0)).size(), 10u);

  list.fitSize(std::numeric_limits<int>::min());  // a negative box
  list.moveCursor(1);
  list.drawScrolled(0, 0);
  list.height = std::numeric_limits<float>::quiet_NaN();
  list.moveCursor(1);
  list.drawScrolled(0, 0);
  list.drawList(0, 0);
  EXPECT_EQ(list.cursor, 3);
}

}  // namespace
