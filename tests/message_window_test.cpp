#include "event/message_window.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/keyboard.h"
#include "event/choice.h"
#include "game_state.h"
#include "text_fixture.h"

namespace {

using text_fixture::kA;
using text_fixture::kAI;

const std::string kI = "\x82\xa2";  // い
const std::string kU = "\x82\xa4";  // う
const std::string kE = "\x82\xa6";  // え

class MessageWindowTest : public GameStateTest {
 protected:
  // Draws frames until the opening animation has ended.
  void open() {
    for (int frame = 0; frame < 12; ++frame) messageDraw();
    ASSERT_TRUE(messageOpen());
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) messageDraw();
  }
  void revealAll() {
    for (int i = 0; i < 600 && gMessage.shown < static_cast<int>(gMessage.text.size()); ++i) messageDraw();
    messageDraw();  // the page end is met
  }
  // The glyph draws of the last frame: (x, y) of each glyph cell.
  std::vector<std::pair<float, float>> glyphsDrawn() {
    std::vector<std::pair<float, float>> out;
    // A glyph alone is a strip of 4 corners; a run of them six corners each.
    for (const auto& d : device.recorder().draws) {
      if (d.texture != font.page(0)) continue;
      const size_t step = d.vertices.size() == 4 ? 4 : 6;
      for (size_t i = 0; i + step <= d.vertices.size(); i += step) out.emplace_back(d.vertices[i].x, d.vertices[i].y);
    }
    return out;
  }
  void newFrame() {
    device.recorder().reset();
    messageDraw();
  }

  text_fixture::Font font;
  text_fixture::Device device;
};

TEST_F(MessageWindowTest, AppendOpensTheWindowEightPixelsAFrame) {
  messageAppend(kA);
  EXPECT_EQ(gMessage.text, kA + "\\e");
  EXPECT_EQ(gMessage.height, 1);
  EXPECT_TRUE(gMessage.flags & MSG_OPENING);
  messageDraw();
  EXPECT_EQ(gMessage.height, 9);
  EXPECT_EQ(gMessage.shown, 0);  // no reveal while the box opens
  frames(10);
  EXPECT_EQ(gMessage.height, 89);
  frames(1);
  EXPECT_EQ(gMessage.height, kMessageOpenHeight);
  EXPECT_TRUE(messageOpen());
  EXPECT_TRUE(glyphsDrawn().empty());
}

TEST_F(MessageWindowTest, CloseEmptiesTheTextAndShrinksTheBox) {
  messageAppend(kA);
  open();
  messageClose();
  EXPECT_FALSE(messageHasText());
  EXPECT_EQ(gKeyGate, -160);
  frames(11);
  EXPECT_EQ(gMessage.height, 8);
  EXPECT_FALSE(messageClosed());
  frames(1);
  EXPECT_TRUE(messageClosed());
  device.recorder().reset();
  frames(3);
  EXPECT_TRUE(device.recorder().draws.empty());  // nothing at height 0
}

TEST_F(MessageWindowTest, AllOptionsCloseTheWindowButKeepTheText) {
  messageAppend(kA);
  open();
  messageSetAllOptions();
  frames(12);
  EXPECT_TRUE(messageClosed());
  EXPECT_TRUE(messageHasText());
}

TEST_F(MessageWindowTest, RevealGrowsBySpeedAndTheWaitPassesWhenAllIsShown) {
  messageAppend(kAI);  // 4 bytes + "\e"
  open();
  EXPECT_FALSE(messageWaitShown());
  newFrame();
  EXPECT_EQ(gMessage.shown, 1);
  EXPECT_TRUE(glyphsDrawn().empty());  // half a character is not drawn
  newFrame();
  newFrame();
  ASSERT_EQ(glyphsDrawn().size(), 1u);
  EXPECT_EQ(glyphsDrawn()[0], std::make_pair(24.0f, 374.0f));
  messageSetSpeed(3);
  newFrame();
  newFrame();
  EXPECT_EQ(gMessage.shown, 6);
  EXPECT_TRUE(messageWaitShown());
  EXPECT_EQ(gKeyGate, -96);
}

TEST_F(MessageWindowTest, NegativeSpeedNeverTakesBackShownText) {
  messageAppend(kAI);
  open();
  frames(3);
  messageSetSpeed(-5);
  frames(3);
  EXPECT_EQ(gMessage.shown, 3);
  messageSetSpeed(std::numeric_limits<int>::max());
  frames(1);
  EXPECT_EQ(gMessage.shown, 6);
}

TEST_F(MessageWindowTest, PauseHoldsTheRevealThirtyTwoFramesAndShowsASpace) {
  messageAppend(kA + "\\w" + kI);
  open();
  frames(4);  // あ and the "\w" are revealed; the pause is met on the next frame
  EXPECT_EQ(gMessage.shown, 4);
  int held = 0;
  for (; held < 100; ++held) {
    messageDraw();
    if (gMessage.shown != 4) break;
  }
  EXPECT_EQ(held, 32);
  EXPECT_EQ(gMessage.text, kA + "\\ " + kI + "\\e");
  revealAll();
  newFrame();
  const auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1], std::make_pair(24.0f + 32, 374.0f));  // one blank cell in between
}

TEST_F(MessageWindowTest, LineBreaksUseTheirMarginsAndAFifthLineScrolls) {
  messageAppend(kA + "\\n" + kI + "\\N" + kU + "\\N" + kE);
  messageSetSpeed(100);
  open();
  newFrame();
  newFrame();
  auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 4u);
  EXPECT_EQ(glyphs[1], std::make_pair(56.0f, 394.0f));
  EXPECT_EQ(glyphs[3], std::make_pair(24.0f, 434.0f));
  EXPECT_EQ(gMessage.firstLine, 0);

  messageAppend(kA);  // a fifth line
  newFrame();
  EXPECT_EQ(gMessage.firstLine, 1);
  newFrame();
  glyphs = glyphsDrawn();
  ASSERT_FALSE(glyphs.empty());
  // The last of four lines (the finished previous page has begun to scroll away).
  EXPECT_EQ(glyphs.back(), std::make_pair(24.0f, 434.0f + static_cast<float>(gMessage.scroll)));
  EXPECT_EQ(glyphs.front(), std::make_pair(56.0f, 374.0f + static_cast<float>(gMessage.scroll)));
}

TEST_F(MessageWindowTest, AppendingToAnOpenWindowContinuesOnANewLine) {
  messageAppend(kA);
  open();
  revealAll();
  messageAppend(kI);
  EXPECT_EQ(gMessage.text, kA + "\\N" + kI + "\\e");
  EXPECT_EQ(gMessage.height, kMessageOpenHeight);  // no new opening
  for (int i = 0; i < 4; ++i) newFrame();
  const auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1], std::make_pair(24.0f, 394.0f));
}

TEST_F(MessageWindowTest, AFinishedPageScrollsAwayAndIsDropped) {
  messageAppend(kA);
  open();
  revealAll();
  EXPECT_TRUE(gMessage.pageDone);
  EXPECT_EQ(gMessage.pageMark, 2);
  EXPECT_FALSE(messageScrolling());

  messageAppend(kI);
  EXPECT_FALSE(gMessage.pageDone);
  frames(4);  // "\N" and い revealed
  int scrollFrames = 0;
  while (!gMessage.pageDone && scrollFrames < 100) {
    messageDraw();
    if (messageScrolling()) ++scrollFrames;
  }
  EXPECT_EQ(scrollFrames, 10);  // one line of 20 pixels at 2 a frame
  EXPECT_EQ(gMessage.text, "\\N" + kI + "\\e");
  EXPECT_EQ(gMessage.firstLine, 1);
  EXPECT_EQ(gMessage.shown, 5);  // everything before "\e", then this frame's reveal step
  EXPECT_EQ(gMessage.pageMark, 4);
  EXPECT_FALSE(messageScrolling());
  newFrame();
  const auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0], std::make_pair(24.0f, 374.0f));  // the new page at the top
}

// Starts the scroll-away of a finished page: a first page is confirmed and a second one
// revealed until the first begins to leave the box.
void startPageScroll() {
  messageAppend(kA);
  for (int i = 0; i < 40; ++i) messageDraw();
  messageAppend(kI);
  for (int i = 0; i < 40 && !messageScrolling(); ++i) messageDraw();
}

TEST_F(MessageWindowTest, ClosingInTheMiddleOfAPageScrollEndsTheScroll) {
  startPageScroll();
  ASSERT_TRUE(messageScrolling());
  messageClose();
  frames(12);
  EXPECT_TRUE(messageClosed());
  EXPECT_FALSE(messageScrolling());
  EXPECT_TRUE(messageWaitShown());  // a wait after the close goes on

  messageReset();
  startPageScroll();
  ASSERT_TRUE(messageScrolling());
  messageSetAllOptions();  // closes and keeps the text
  frames(12);
  EXPECT_TRUE(messageClosed());
  EXPECT_FALSE(messageScrolling());  // the field is not held by a scroll that cannot move
}

TEST_F(MessageWindowTest, OnlyTheClosingPageEndEndsThePage) {
  messageAppend(kA + "\\e" + kI);
  open();
  revealAll();
  EXPECT_TRUE(gMessage.pageDone);
  EXPECT_EQ(gMessage.pageMark, 6);  // the closing "\e", not the one inside the text
  newFrame();
  auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1], std::make_pair(24.0f + 16, 374.0f));  // the inner "\e" shows as nothing

  messageAppend(kU);
  revealAll();
  for (int i = 0; i < 30 && gMessage.text.size() > 4; ++i) messageDraw();
  EXPECT_EQ(gMessage.text, "\\N" + kU + "\\e");  // the previous page was dropped
  EXPECT_EQ(gMessage.firstLine, 1);
}

TEST_F(MessageWindowTest, ATextWithoutRoomAfterAFinishedPageStartsANewPage) {
  std::string longText;
  for (int i = 0; i < 253; ++i) longText += kA;  // 506 bytes: no room for "\N" and two more
  messageAppend(longText);
  messageSetSpeed(600);
  open();
  revealAll();
  ASSERT_TRUE(gMessage.pageDone);

  messageAppend(kI + kU);
  EXPECT_EQ(gMessage.text, kI + kU + "\\e");  // not lost
  EXPECT_EQ(gMessage.shown, 0);
  EXPECT_EQ(gMessage.firstLine, 0);
  EXPECT_EQ(gMessage.height, kMessageOpenHeight);  // no new opening
  messageSetSpeed(1);
  frames(4);
  newFrame();
  const auto glyphs = glyphsDrawn();
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0], std::make_pair(24.0f, 374.0f));  // at the top of the window
  revealAll();
  EXPECT_TRUE(gMessage.pageDone);
  EXPECT_FALSE(messageScrolling());
}

TEST_F(MessageWindowTest, TextIsCutAt511BytesWithoutSplittingACharacter) {
  std::string longText = "a";
  for (int i = 0; i < 300; ++i) longText += kA;
  messageAppend(longText);
  ASSERT_LE(gMessage.text.size(), 511u);
  EXPECT_EQ(gMessage.text.size(), 511u);  // "a" + 254 characters + "\e"
  EXPECT_TRUE(gMessage.text.ends_with("\\e"));
  EXPECT_EQ(gMessage.text.substr(gMessage.text.size() - 4, 2), kA);

  messageAppend(kI);  // no room for "\N", the text and "\e": the text stays as it was
  EXPECT_EQ(gMessage.text.size(), 511u);
  EXPECT_TRUE(gMessage.text.ends_with(kA + "\\e"));

  messageClose();
  std::string mixed = "\\N";
  while (mixed.size() < 520) mixed += kA + "\\N";
  messageAppend(kA);
  messageAppend(mixed);
  EXPECT_LE(gMessage.text.size(), 511u);
  EXPECT_TRUE(gMessage.text.ends_with("\\e"));
  const std::string body = gMessage.text.substr(0, gMessage.text.size() - 2);
  EXPECT_FALSE(body.ends_with("\\"));  // no control sequence cut in half
}

TEST_F(MessageWindowTest, GlyphsDropControlSequencesAndBlankSingleBytes) {
  const GlyphString glyphs = messageGlyphs(kA + "\\N" + "x" + "\\w" + kI + "\\e");
  EXPECT_EQ(glyphs, (GlyphString{1, 0, 2, kGlyphEnd}));
}

TEST_F(MessageWindowTest, StateJsonCarriesTheTextAsUtf8) {
  messageAppend(kAI);
  const std::string json = messageStateJson();
  EXPECT_NE(json.find("\"text\": \"あい\\\\e\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"height\": 1"), std::string::npos) << json;
  EXPECT_NE(json.find("\"first_line\": 0"), std::string::npos) << json;
}

TEST_F(MessageWindowTest, ChoiceIsBuiltShownAndAnswered) {
  choiceBegin();
  EXPECT_EQ(gChoice.state, CHOICE_BUILDING);
  EXPECT_TRUE(choiceBusy());
  choiceMake(3);
  choiceAdd(kA, 10);
  choiceAdd(kAI, 20);
  choiceFit(2);
  EXPECT_EQ(gChoice.list.width, 16.0f * 2 + 32);
  choiceShow();
  EXPECT_EQ(gChoice.state, CHOICE_SHOWN);
  EXPECT_EQ(gChoice.pending, 1);
  EXPECT_TRUE(choiceBusy());  // still opening
  for (int i = 0; i < 13; ++i) choiceDraw();
  EXPECT_FALSE(choiceBusy());
  gChoice.list.moveCursor(1);
  const std::string json = choiceStateJson();
  EXPECT_NE(json.find("{\"text\": \"あい\", \"value\": 20}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"cursor\": 1"), std::string::npos) << json;
  EXPECT_EQ(choiceAnswer(), 20);
  EXPECT_EQ(gChoice.pending, 0);
  EXPECT_EQ(gChoice.selected, 20);
}

// Runs the list keys every millisecond for the given time with the Down key in the states
// produced by the poll; returns the milliseconds at which the cursor moved.
std::vector<int> moveTimes(LISTWIN& list, int milliseconds, bool held) {
  std::vector<int> times;
  gKeyGate = 86;
  for (int ms = 0; ms < milliseconds; ++ms) {
    gKeySlots[SLOT_DOWN] = held ? (ms == 0 ? KEY_PRESSED : KEY_HELD) : (ms == 0 ? KEY_PRESSED : KEY_UP);
    const int before = list.cursor;
    listKeys(list);
    if (list.cursor != before) times.push_back(ms);
    ++gKeyGate;
  }
  gKeySlots[SLOT_DOWN] = KEY_UP;
  return times;
}

TEST_F(MessageWindowTest, HeldDownRepeatsEvery86MillisecondsAfterTheFirstStep) {
  LISTWIN list;
  list.setCount(8);
  for (int i = 0; i < 8; ++i) list.set(i, kA, i);
  const std::vector<int> held = moveTimes(list, 500, true);
  ASSERT_GE(held.size(), 4u);
  EXPECT_EQ(held[0], 0);
  EXPECT_EQ(held[1], 134);  // a fresh press blocks the next step for 134 ms
  EXPECT_EQ(held[2] - held[1], 86);
  EXPECT_EQ(held[3] - held[2], 86);

  list.cursor = 0;
  const std::vector<int> single = moveTimes(list, 500, false);
  EXPECT_EQ(single, std::vector<int>{0});
  EXPECT_EQ(list.cursor, 1);
}

TEST_F(MessageWindowTest, ListKeysWaitForTheGateAndPreferUpAndLeft) {
  LISTWIN list;
  list.setCount(6);
  list.columns = 2;
  for (int i = 0; i < 6; ++i) list.set(i, kA, i);
  list.cursor = 3;
  gKeyGate = 85;
  gKeySlots[SLOT_UP] = KEY_HELD;
  EXPECT_FALSE(listKeys(list));
  gKeyGate = 86;
  gKeySlots[SLOT_RIGHT] = KEY_HELD;
  EXPECT_TRUE(listKeys(list));
  EXPECT_EQ(list.cursor, 1);  // Up steps by the column count
  EXPECT_EQ(gKeyGate, 0);
  gKeySlots[SLOT_UP] = KEY_RELEASED;
  gKeyGate = 86;
  EXPECT_TRUE(listKeys(list));
  EXPECT_EQ(list.cursor, 2);
  gKeySlots[SLOT_UP] = KEY_UP;
  gKeySlots[SLOT_RIGHT] = KEY_UP;
}

}  // namespace
