#include "event/message_window.h"

#include <algorithm>
#include <cstdint>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "core/keyboard.h"
#include "core/state_json.h"
#include "gfx/text.h"

MessageWindow gMessage;

namespace {

constexpr std::string_view kPageEnd = "\\e";
constexpr std::string_view kNewLine = "\\N";
constexpr int kCloseGate = -160;
constexpr int kWaitGate = -96;

enum class TokenKind { Character, Byte, NewLine, IndentedLine, PageEnd, Pause, SpentPause };

struct Token {
  TokenKind kind;
  int length;  // bytes
};

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The token that starts at pos: a double-byte character, a control sequence or a single byte.
Token tokenAt(std::string_view text, size_t pos) {
  const auto c = static_cast<unsigned char>(text[pos]);
  const bool hasNext = pos + 1 < text.size();
  if (isLeadByte(c) && hasNext) return {TokenKind::Character, 2};
  if (c == '\\' && hasNext) {
    switch (text[pos + 1]) {
      case 'N': return {TokenKind::NewLine, 2};
      case 'n': return {TokenKind::IndentedLine, 2};
      case 'e': return {TokenKind::PageEnd, 2};
      case 'w': return {TokenKind::Pause, 2};
      case ' ': return {TokenKind::SpentPause, 2};
      default: break;
    }
  }
  return {TokenKind::Byte, 1};
}

bool isLineBreak(TokenKind kind) {
  return kind == TokenKind::NewLine || kind == TokenKind::IndentedLine;
}

// The longest prefix of text, at most limit bytes, that ends at a token boundary.
size_t cutAtToken(std::string_view text, size_t limit) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t next = pos + static_cast<size_t>(tokenAt(text, pos).length);
    if (next > limit) break;
    pos = next;
  }
  return pos;
}

int countLineBreaks(std::string_view text) {
  int breaks = 0;
  for (size_t pos = 0; pos < text.size(); pos += static_cast<size_t>(tokenAt(text, pos).length)) {
    if (isLineBreak(tokenAt(text, pos).kind)) ++breaks;
  }
  return breaks;
}

void rebuildGlyphs(MessageWindow& m) {
  m.glyphs = messageGlyphs(m.text);
}

int textLength(const MessageWindow& m) {
  return static_cast<int>(m.text.size());
}

// The previous page has scrolled away: the text after the page mark becomes the text.
void dropPreviousPage(MessageWindow& m, size_t pageEndPos) {
  const size_t mark = static_cast<size_t>(m.pageMark);
  m.text.erase(0, mark);
  rebuildGlyphs(m);
  m.firstLine = 1;
  m.scroll = 0;
  m.shown = std::max(textLength(m) - 2, 0);
  m.pageMark = static_cast<int>(pageEndPos - mark);
}

// The reveal has reached a page end at pos; markLine is the line the page mark lies on.
// Returns true when the text was replaced.
bool meetPageEnd(MessageWindow& m, size_t pos, int markLine) {
  const bool hasMark = m.pageMark > 0 && static_cast<size_t>(m.pageMark) < pos;
  if (hasMark) {
    // The line after the mark's break goes to the top once the previous page is gone.
    const int target = (m.firstLine - markLine - 1) * kMessageLineHeight;
    if (m.scroll > target) {
      m.scroll = std::max(m.scroll - kMessageScrollStep, target);
      return false;
    }
  }
  m.pageDone = true;
  if (hasMark) {
    dropPreviousPage(m, pos);
    return true;
  }
  m.pageMark = static_cast<int>(pos);
  return false;
}

// Processes the revealed control sequences: line breaks move the first visible line, a pause
// starts, a page end finishes the page. Returns true when the text was replaced.
bool processRevealed(MessageWindow& m) {
  int line = 0;
  int markLine = 0;
  for (size_t pos = 0; pos < m.text.size();) {
    const Token token = tokenAt(m.text, pos);
    if (static_cast<int>(pos) + token.length > m.shown) break;
    if (static_cast<int>(pos) == m.pageMark) markLine = line;
    switch (token.kind) {
      case TokenKind::NewLine:
      case TokenKind::IndentedLine:
        ++line;
        if (line - m.firstLine >= kMessageVisibleLines) ++m.firstLine;
        break;
      case TokenKind::Pause:
        m.text[pos + 1] = ' ';
        m.pause = kMessagePauseFrames;
        break;
      case TokenKind::PageEnd:
        // Only the closing "\e" ends the page; one inside a script's text shows as nothing, so
        // that the page mark always lies where the next text is joined on.
        if (pos + 2 == m.text.size() && !m.pageDone && meetPageEnd(m, pos, markLine)) return true;
        break;
      default:
        break;
    }
    pos += static_cast<size_t>(token.length);
  }
  return false;
}

float boxTop(const MessageWindow& m) {
  return static_cast<float>(kMessageBoxCentreY) - static_cast<float>(m.height) * 0.5f;
}

// Draws the revealed characters, a run of glyphs per line.
void drawRevealed(const MessageWindow& m) {
  const float top = static_cast<float>(kMessageTextTop + m.scroll - m.firstLine * kMessageLineHeight);
  const float boxTopY = static_cast<float>(kMessageBoxCentreY - kMessageOpenHeight / 2);
  const float boxBottomY = boxTopY + static_cast<float>(kMessageOpenHeight);
  const std::span<const int16_t> glyphs(m.glyphs);
  size_t glyph = 0;
  size_t runStart = 0;
  float runX = kMessageMargin;
  float x = kMessageMargin;
  int line = 0;
  auto flush = [&] {
    const float y = top + static_cast<float>(line * kMessageLineHeight);
    const size_t end = std::min(glyph, glyphs.size());
    if (end > runStart && y + 16.0f > boxTopY && y < boxBottomY) {
      drawText(glyphs.subspan(runStart, end - runStart), runX, y, kMessageTextColour);
    }
  };
  for (size_t pos = 0; pos < m.text.size();) {
    const Token token = tokenAt(m.text, pos);
    if (static_cast<int>(pos) + token.length > m.shown) break;
    switch (token.kind) {
      case TokenKind::Character:
      case TokenKind::Byte:
        ++glyph;
        x += kGlyphAdvance;
        break;
      case TokenKind::NewLine:
      case TokenKind::IndentedLine:
        flush();
        ++line;
        x = token.kind == TokenKind::NewLine ? kMessageMargin : kMessageIndent;
        runStart = glyph;
        runX = x;
        break;
      case TokenKind::Pause:
      case TokenKind::SpentPause:
        flush();
        x += kGlyphAdvance;
        runStart = glyph;
        runX = x;
        break;
      case TokenKind::PageEnd:
        break;
    }
    pos += static_cast<size_t>(token.length);
  }
  flush();
}

void revealStep(MessageWindow& m) {
  const int speed = std::max(m.speed, 0);
  if (m.pause > 0) {
    m.pause = std::max(m.pause - speed, 0);
  } else {
    m.shown = static_cast<int>(std::clamp<int64_t>(int64_t{m.shown} + speed, 0, textLength(m)));
  }
}

// The opening or closing animation; true while it runs.
bool animate(MessageWindow& m) {
  if (m.flags & MSG_CLOSING) {
    m.height = std::max(m.height - kMessageHeightStep, 0);
    if (m.height == 0) m.flags &= ~MSG_CLOSING;
    return true;
  }
  if (m.flags & MSG_OPENING) {
    m.height = std::min(m.height + kMessageHeightStep, kMessageOpenHeight);
    if (m.height == kMessageOpenHeight) m.flags &= ~MSG_OPENING;
    return true;
  }
  return false;
}

}  // namespace

GlyphString messageGlyphs(std::string_view sjisText) {
  // Single bytes stand as a full-width space, which the font table turns into a blank cell.
  std::string characters;
  for (size_t pos = 0; pos < sjisText.size();) {
    const Token token = tokenAt(sjisText, pos);
    if (token.kind == TokenKind::Character) characters.append(sjisText.substr(pos, 2));
    if (token.kind == TokenKind::Byte) characters.append("\x81\x40");
    pos += static_cast<size_t>(token.length);
  }
  return toGlyphString(characters);
}

void messageReset() {
  gMessage = MessageWindow{};
}

void messageAppend(std::string_view sjisText) {
  MessageWindow& m = gMessage;
  std::string_view separator;
  if (m.text.empty()) {
    m.shown = 0;
    m.flags = (m.flags | MSG_OPENING) & ~MSG_CLOSING;
    m.height = 1;
    m.firstLine = 0;
    m.pageMark = 0;
    m.scroll = 0;
  } else {
    if (m.text.ends_with(kPageEnd)) m.text.resize(m.text.size() - kPageEnd.size());
    separator = kNewLine;
    const size_t joined = m.text.size() + separator.size() + sjisText.size() + kPageEnd.size();
    if (m.pageDone && joined > static_cast<size_t>(kMessageTextLimit)) {
      // The finished page leaves no room for the new text: rather than cut or lose it, the new
      // text starts a page of its own at the top of the open window.
      m.text.clear();
      separator = {};
      m.shown = 0;
      m.firstLine = 0;
      m.pageMark = 0;
      m.scroll = 0;
    }
  }
  const int room = kMessageTextLimit - textLength(m) - static_cast<int>(separator.size() + kPageEnd.size());
  if (room >= 0) {
    const std::string_view part = sjisText.substr(0, cutAtToken(sjisText, static_cast<size_t>(room)));
    m.text.append(separator);
    m.text.append(part);
    m.newLineCount = countLineBreaks(part);
  } else {
    m.newLineCount = 0;
  }
  m.text.append(kPageEnd);
  m.pageDone = false;
  rebuildGlyphs(m);
}

void messageSetSpeed(int bytesPerFrame) {
  gMessage.speed = bytesPerFrame;
}

void messageShowBox(bool show) {
  gMessage.flags = show ? (gMessage.flags | MSG_BOX) : (gMessage.flags & ~MSG_BOX);
}

void messageSetAllOptions() {
  gMessage.flags = MSG_BOX | MSG_OPENING | MSG_CLOSING;
  gMessage.scroll = 0;  // a closed window draws nothing, so a page scroll could never end
}

void messageClose() {
  MessageWindow& m = gMessage;
  m.flags |= MSG_CLOSING;
  m.text.clear();
  m.glyphs = GlyphString{kGlyphEnd};
  m.shown = 0;
  m.pause = 0;
  m.scroll = 0;  // a closed window draws nothing, so a page scroll could never end
  gKeyGate = kCloseGate;
}

bool messageWaitShown() {
  if (messageScrolling() || !(messageAllShown() || messageClosed())) return false;
  gKeyGate = kWaitGate;
  return true;
}

bool messageClosed() {
  return gMessage.height == 0;
}

bool messageHasText() {
  return !gMessage.text.empty();
}

bool messageScrolling() {
  return gMessage.scroll != 0;
}

bool messageAllShown() {
  return gMessage.shown >= textLength(gMessage) - 1;
}

bool messageOpen() {
  return gMessage.height == kMessageOpenHeight && (gMessage.flags & (MSG_OPENING | MSG_CLOSING)) == 0;
}

void messageDraw() {
  MessageWindow& m = gMessage;
  if (m.height <= 0) return;
  const bool boxed = (m.flags & MSG_BOX) != 0;
  if (boxed) {
    // The masked box keeps the text of a page scrolling away inside it.
    drawMaskedWindow(kMessageBoxX, boxTop(m), kMessageBoxWidth, static_cast<float>(m.height));
  }
  if (!animate(m)) {
    // A dropped page changes the text once; the second pass lays out the new page.
    if (processRevealed(m)) processRevealed(m);
    drawRevealed(m);
    revealStep(m);
  }
  if (boxed) gDevice->SetRenderState(plat::D3DRS_STENCILENABLE, false);
}

std::string messageStateJson() {
  const MessageWindow& m = gMessage;
  state_json::Object object;
  object.add("text", state_json::gameText(m.text));
  object.add("shown", m.shown);
  object.add("height", m.height);
  object.add("flags", m.flags);
  object.add("first_line", m.firstLine);
  object.add("speed", m.speed);
  object.add("pause", m.pause);
  object.add("scroll", m.scroll);
  object.add("page_done", m.pageDone ? 1 : 0);
  return object.text();
}
