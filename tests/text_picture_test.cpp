// Pictures of the list windows and the message window drawn by the real device offscreen, kept as
// PNG files next to the programs and checked at a few known pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/data_root.h"
#include "core/draw2d.h"
#include "core/message_box.h"
#include "data/database.h"
#include "device_fixture.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "gfx/listwin.h"
#include "gfx/text.h"
#include "platform/png.h"
#include "previews.h"
#include "platform/system.h"

namespace {

using namespace plat;

// The demo game's font when the data tree has been generated next to the programs; otherwise a
// font of its own: every cell a white square with a one-texel transparent border and a dark
// stroke, so each glyph shows as a framed block.
class TextPictureTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFailure()) return;
    const std::string fonts = std::string(dataRoot()) + "RES/Fonts.zd";
    if (FILE* file = plat::OpenFile(fonts, "rb")) {
      std::fclose(file);
      loadFonts();
      demoFont = gFontTextures[0].texture != nullptr;
    }
    if (!demoFont) buildFont();
    makeCursor();
    device->SetRenderState(D3DRS_ZENABLE, false);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }

  static TexRecord texture(unsigned size, uint32_t (*texel)(unsigned x, unsigned y)) {
    TexRecord record;
    EXPECT_EQ(gDevice->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &record.texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(record.texture->LockRect(0, &locked, 0), D3D_OK);
    for (unsigned y = 0; y < size; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (unsigned x = 0; x < size; ++x) row[x] = texel(x, y);
    }
    record.texture->UnlockRect(0);
    record.width = record.height = size;
    return record;
  }

  void buildFont() {
    // The characters of the texts below, in the order of their glyph index.
    gFontText.text = sjis("　あいうえおかきくけこ。、はをがのでたすよ選びなさい旅人山寺剣弓薬草戦逃げる「」に行く（）と持って");
    gFontText.blankGlyph = 0;
    for (TexRecord& page : gFontTextures) {
      page = texture(256, [](unsigned x, unsigned y) -> uint32_t {
        const unsigned cx = x % 8, cy = y % 8;
        const bool border = cx == 0 || cy == 0 || cx == 7 || cy == 7;
        if (border) return 0x00000000;
        if (cx == cy) return 0xFF000000;  // a dark stroke across the block
        return 0xFFFFFFFF;
      });
    }
    // Cell 0 (the blank) is empty.
    D3DLOCKED_RECT locked{};
    gFontTextures[0].texture->LockRect(0, &locked, 0);
    for (unsigned y = 0; y < 8; ++y) std::memset(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, 0, 32);
    gFontTextures[0].texture->UnlockRect(0);
  }

  void makeCursor() {
    gTextures[kTexCursor] = texture(16, [](unsigned x, unsigned y) -> uint32_t {
      return x >= 4 && x < 12 && y >= 4 && y < 12 ? 0xFFFF0000 : 0x00000000;
    });
  }

  void save(const char* name) {
    const std::string path = previewPath(name);
    EXPECT_TRUE(WritePng(path, 640, 480, frame())) << path;
  }

  bool demoFont = false;
};

TEST_F(TextPictureTest, ListWindowWithCursorAndGreyedGrid) {
  LISTWIN list;
  list.setCount(4);
  list.add(sjis("薬草"), 1);
  list.add(sjis("剣"), 2);
  list.add(sjis("弓"), 3);
  list.fitSize(4);
  list.cursor = 1;
  list.openAmount = kListFullyOpen;
  list.drawList(40, 40);

  LISTWIN grid;
  grid.setCount(6);
  grid.columns = 2;
  grid.add(sjis("戦う"), 1);
  grid.add(sjis("行く"), -1);
  grid.add(sjis("逃げる"), 3);
  grid.width = 200;
  grid.height = 60;
  grid.cursor = 2;
  grid.openAmount = kListFullyOpen;
  grid.drawGrid(300, 40);
  save("text_list.png");

  // Inside the box, away from the texts: the window background's gradient.
  const Rgba background = at(44 + 2, 40 + 70);
  EXPECT_GT(background.g + background.b + background.r, 60);
  // Outside every box: untouched black.
  EXPECT_TRUE(near(at(20, 20), {0, 0, 0, 255}, 0));
  // The cursor image sits 8 pixels into the box on the cursor's row (red square at its centre).
  EXPECT_TRUE(near(at(40 + 8 + 8, 40 + 16 + 6 + 8), {255, 0, 0, 255}, 8));
  if (!demoFont) {
    // A glyph block of the cursor entry in the cursor colour, of the others in white.
    EXPECT_TRUE(near(at(64 + 4, 40 + 16 + 6 + 10), {0xEF, 0xEF, 0x00, 255}, 8));
    EXPECT_TRUE(near(at(64 + 4, 40 + 6 + 10), {255, 255, 255, 255}, 8));
    // The greyed grid entry (second column of the first row).
    EXPECT_TRUE(near(at(324 + 88 + 4, 48 + 10), {0x80, 0x80, 0x80, 255}, 8));
  }
}

TEST_F(TextPictureTest, ScrolledListWithItsBar) {
  LISTWIN list;
  list.setCount(12);
  const char* names[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "はい", "いいえ"};
  for (const char* name : names) list.add(sjis(name), 0);
  list.fitSize(4);
  list.width = 160;
  list.openAmount = kListFullyOpen;
  list.cursor = 2;
  list.scrollOffset = 32;
  list.drawScrolled(100, 100);

  LISTWIN empty;
  empty.setCount(0);
  empty.width = 160;
  empty.fitSize(4);
  empty.width = 160;
  empty.openAmount = kListFullyOpen;
  empty.drawScrolled(300, 100);
  save("text_scrolled.png");

  // Track: bar x = 100 + 160 - 12 = 248, from y 104; thumb 4 rows in 12: (67 / 12) * 2 = 10 down.
  EXPECT_TRUE(near(at(251, 104 + 2), {0x38, 0x38, 0x38}, 60));  // dark track over the background
  EXPECT_TRUE(near(at(251, 104 + 12), {255, 255, 255, 255}, 4));  // thumb
  EXPECT_TRUE(near(at(251, 104 + 60), {0, 0, 0, 255}, 60));       // track below the thumb
  // The empty list's thumb fills its track.
  EXPECT_TRUE(near(at(300 + 160 - 12 + 3, 104 + 60), {255, 255, 255, 255}, 4));
}

TEST_F(TextPictureTest, MessageWindowWithJapaneseText) {
  messageSetSpeed(400);
  messageAppend(sjis("「旅の人よ、山寺に行くのです。\\n（剣と弓を持って）\\Nはい、いいえを選びなさい。」"));
  for (int frame = 0; frame < 14; ++frame) messageDraw();
  choiceBegin();
  choiceMake(2);
  choiceAdd(sjis("はい"), 1);
  choiceAdd(sjis("いいえ"), 0);
  choiceFit(2);
  choiceShow();
  for (int frame = 0; frame < 13; ++frame) choiceDraw();
  save("text_message.png");

  // The box spans x 16 … 624 and y 368 … 464: its frame's outer edge is orange on the left.
  EXPECT_TRUE(near(at(16, 416), {255, 128, 0, 255}, 40));
  EXPECT_TRUE(near(at(10, 416), {0, 0, 0, 255}, 0));
  if (!demoFont) {
    // The first character "「" at (24, 374), a white block; the next lines start at y 394 and 414.
    EXPECT_TRUE(near(at(24 + 4, 374 + 10), {255, 255, 255, 255}, 8));
    EXPECT_TRUE(near(at(56 + 4, 394 + 10), {255, 255, 255, 255}, 8));  // indented line
    EXPECT_TRUE(near(at(24 + 4, 414 + 10), {255, 255, 255, 255}, 8));
  }
  // The choice sits above the box at x 32.
  const Rgba choice = at(32 + 6, kChoiceBottom - 4);
  EXPECT_GT(choice.r + choice.g + choice.b, 60);
}

}  // namespace
