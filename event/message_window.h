// The message window: the dialogue that scripts write, revealed letter by letter in a box at
// the bottom of the screen that slides open and closed.
//
// The text is Shift-JIS with control sequences: "\N" new line at the normal margin, "\n" new
// line indented, "\e" end of page, "\w" a pause of 32 frames (its "w" becomes a space once met,
// so it then shows as one blank cell). A backslash before any other byte is an ordinary
// character. Every appended text ends with "\e", where the reveal stops; only that closing "\e"
// ends a page (one inside a text shows as nothing).
#pragma once
#include <string>
#include <string_view>

#include "data/database.h"

constexpr int kMessageTextBytes = 512;  // including the terminating zero of the original buffer
constexpr int kMessageTextLimit = kMessageTextBytes - 1;
constexpr int kMessageOpenHeight = 96;
constexpr int kMessageHeightStep = 8;  // pixels per frame of the opening and closing
constexpr int kMessageVisibleLines = 4;
constexpr int kMessageLineHeight = 20;
constexpr int kMessageTextTop = 374;
constexpr int kMessageMargin = 24;
constexpr int kMessageIndent = 56;
constexpr int kMessageBoxX = 16;
constexpr int kMessageBoxWidth = 608;
constexpr int kMessageBoxCentreY = 416;
constexpr int kMessagePauseFrames = 32;
constexpr int kMessageScrollStep = 2;  // pixels per frame while a finished page scrolls away
constexpr uint32_t kMessageTextColour = 0xFFFFFFFF;

enum MessageFlag { MSG_BOX = 1, MSG_OPENING = 2, MSG_CLOSING = 4 };

struct MessageWindow {
  std::string text;      // Shift-JIS with control sequences, at most kMessageTextLimit bytes
  GlyphString glyphs;    // one glyph per character of the text, control sequences dropped
  int flags = MSG_BOX;   // MessageFlag bits
  int height = 0;        // 0 closed … kMessageOpenHeight
  int shown = 0;         // text bytes revealed so far
  int speed = 1;         // bytes revealed per frame
  int pause = 0;         // frames left of a "\w" pause
  int firstLine = 0;     // first visible line
  int scroll = 0;        // pixel offset while the previous page scrolls away (0 or negative)
  int pageMark = 0;      // where the current page's "\e" was met; 0 = none
  int newLineCount = 0;  // line breaks in the last appended text
  bool pageDone = false; // the reveal has reached this page's "\e"
};

extern MessageWindow gMessage;

// Back to the state at boot: empty, closed, box shown, speed 1.
void messageReset();

// Operations of the script commands.
// Adds a text: an empty window takes it and starts opening; otherwise it continues on a new line.
// The text never grows beyond kMessageTextLimit bytes. A text that does not fit after a finished
// page starts a page of its own at the top of the window; otherwise what does not fit is cut at
// a character boundary.
void messageAppend(std::string_view sjisText);
void messageSetSpeed(int bytesPerFrame);
// Shows or hides the box behind the text.
void messageShowBox(bool show);
// Sets every option bit: the window closes with its animation and keeps its text.
void messageSetAllOptions();
// Starts the closing animation, empties the text and holds input back (key repeat gate -160).
void messageClose();
// The wait for the message: true (and the key repeat gate := -96) when the window is not
// scrolling and all of the text is shown or the window is closed; false means wait a frame.
bool messageWaitShown();
// True when the window is closed (open height 0).
bool messageClosed();

// Queries of the field.
bool messageHasText();
// True while a finished page scrolls away.
bool messageScrolling();
// All bytes up to the closing "\e" are shown.
bool messageAllShown();
// Full height and not animating.
bool messageOpen();

// Once per frame with depth testing off.
void messageDraw();

// The text as a glyph string: one glyph per character, control sequences dropped, a blank cell
// for a single-byte character.
GlyphString messageGlyphs(std::string_view sjisText);

// The window's state as one JSON object (text as UTF-8).
std::string messageStateJson();
