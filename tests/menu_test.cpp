// The party menu over the demo game's database: the scroll rule, the pages and their fall-backs,
// the key gate, a journey from the field through every page and back driven frame by frame, and
// pictures of the screens drawn offscreen (kept under build/previews).
#include "field/menu.h"

#include <gtest/gtest.h>

#include "app/slot_names.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "data/scrambled.h"
#include "event/choice.h"
#include "event/message_window.h"
#include "field/field.h"
#include "field/scroll_progress.h"
#include "game_fixture.h"
#include "platform/png.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;

void setKey(int key, bool down) {
  plat::InjectKeyEvent({key, down});
  for (plat::Message drained; plat::PeekMessage(drained);) {
  }
}

// One frame of the frame loop without the device calls.
void frame() {
  gScene();
  updateFade();
  gOverlay1();
  gOverlay2();
}

bool runUntil(const std::function<bool()>& done, int limit = 60) {
  for (int i = 0; i < limit && !done(); ++i) frame();
  return done();
}

// Each key in turn is held until the menu accepts it (the gate drops to -48), then let go.
void keys(std::initializer_list<int> pressed) {
  for (const int key : pressed) {
    setKey(key, true);
    int frames = 0;
    do {
      frame();
    } while (gKeyGate != -48 && ++frames < 20);
    EXPECT_EQ(gKeyGate, -48) << "key " << key;
    setKey(key, false);
  }
}

using Texts = std::vector<std::string>;

// The entries of a list as UTF-8 texts, read back through the font table.
Texts texts(MenuList k) {
  Texts all;
  for (const LISTWIN::Entry& entry : gMenu.lists[k].entries) {
    std::string sjisText;
    for (size_t i = 0; i + 1 < entry.text.size(); ++i) {
      const int code = entry.text[i];
      sjisText.append(gFontText.text, static_cast<size_t>((code >> 8) * kGlyphColumns + (code & 0xFF)) * 2, 2);
    }
    all.push_back(plat::Utf8FromCp932(sjisText));
  }
  return all;
}

// Runs with the demo game's data tree as the working directory and data root, the party
// ナギ, スズ, トビ, the field as the scene and input on.
class DemoData {
 public:
  void open(std::vector<std::string>& messages) {
    plat::SetMessageBoxHandler([&messages](const std::string& text, const std::string&) { messages.push_back(text); });
    previous_ = fs::current_path();
    fs::current_path(ORVANE_BIN_DIR);
    plat::SetProgramDirectory(std::string(ORVANE_BIN_DIR) + "/");
    loadDatabase();
    resetGameProgress();
    for (int slot = 0; slot < kPartySlots; ++slot) gGame.party[slot] = slot + 1;
    gGame.money = 1234;
    resetMenu();
    messageReset();
    choiceReset();
    for (const int key : {plat::VK_DOWN, plat::VK_SHIFT, plat::VK_CONTROL, plat::VK_RETURN}) setKey(key, false);
    for (int32_t& slot : gKeySlots) slot = KEY_UP;
    gKeyGate = 0;
    gInputEnabled = 1;
    gFrameTime = 22;
    gScene = FieldScene;
    gOverlay1 = gOverlay2 = NoOverlay;
    gFadeColour = 0;
    gFadeSpeed = 0;
  }
  void close(const std::vector<std::string>& messages) {
    EXPECT_TRUE(messages.empty()) << messages.front();
    resetMenu();
    freeDatabase();
    freeOnDemandSounds();
    gScene = gOverlay1 = NoOverlay;
    plat::SetProgramDirectory("");
    fs::current_path(previous_);
    plat::SetMessageBoxHandler(nullptr);
  }

 private:
  fs::path previous_;
};

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override { data.open(messages); }
  void TearDown() override { data.close(messages); }
  // Straight onto a page of the party screen or of ナギ's screen, input on.
  void onPage(int page) {
    gScene = page < 2 ? PartyMenuScene : MemberMenuScene;
    BuildPage(0);
    if (page >= 1) BuildPage(1);
    if (page >= 2) BuildPage(2);
    gKeyGate = 86;
  }
  DemoData data;
  std::vector<std::string> messages;
};

}  // namespace

TEST(ScrollProgress, LevelsGrowByTheSpAndTheRestOfAScrollGetsWhatTheLearnedOneLacked) {
  std::vector<MkmnRecord> scrolls(2);
  scrolls[0].techniques = {0, 1, 2};
  scrolls[1].techniques = {3, 7};
  const int16_t slots[kScrollSlots] = {0, kNoScroll, 1, 9};  // an empty slot and an unknown scroll
  // 95 + 10 reaches 100: learned, and p is 5 for 40 (100 is skipped); the next scroll gets 10
  // again; technique 7 lies beyond the levels.
  const std::vector<uint8_t> levels = {95, 40, 100, 10};
  const ScrollProgress result = progressScrolls(slots, levels, scrolls, 10);
  EXPECT_EQ(result.levels, (std::vector<uint8_t>{100, 45, 100, 20}));
  EXPECT_EQ(result.learned, (std::vector<int>{0}));
  EXPECT_EQ(progressScrolls(slots, levels, scrolls, 0).levels, levels);
  EXPECT_EQ(progressScrolls(slots, levels, scrolls, -5).levels, levels);
  // A huge p (no overflow): 0 is learned and p becomes 100, 40 is learned and p becomes 60.
  const ScrollProgress huge = progressScrolls(slots, std::vector<uint8_t>{0, 40, 0, 10}, scrolls, 2147483647);
  EXPECT_EQ(huge.levels, (std::vector<uint8_t>{100, 100, 60, 100}));
  EXPECT_EQ(huge.learned, (std::vector<int>{0, 1, 3}));
}

TEST(MenuRules, GaugeColoursAndTheEquippedMarkerOfTheFourEquippedSlotsOnly) {
  EXPECT_EQ(gaugeColour(0, 140), 0xFFD20000u);
  EXPECT_EQ(gaugeColour(7, 140), 0xFFFFFF00u);  // below 140 / 16 = 8
  EXPECT_EQ(gaugeColour(8, 140), 0xFFFFFFFFu);
  // Right hand slot 1, accessory 1 slot 0; the scroll bytes 04 05 lie where slots 4 and 5 would
  // be compared by a reading past the four equipment bytes.
  SchrRecord record;
  record.equipped[0] = 1;
  record.equipped[2] = 0;
  record.scrolls[0] = 0x0504;
  for (int i = 0; i < kItemSlots; ++i) EXPECT_EQ(isEquippedSlot(record, i), i == 0 || i == 1) << i;
}

TEST_F(MenuTest, CommandListOffersItemsEvenWithoutFieldCommandsAndScrollsOnlyWithTheSwitch) {
  CharacterTables& tables = *partyMemberTables(0);
  for (uint8_t& command : tables.firstCommands) command = 3;  // attack: battle only
  onPage(2);
  EXPECT_EQ(texts(LIST_COMMANDS), (Texts{"装備", "巻物", "道具", "", "", "", "", ""}));
  EXPECT_EQ(gMenu.lists[LIST_COMMANDS].entries[2].value, kItemCommand);
  // Field commands keep their order and command 2 is not added once more.
  const uint8_t commands[kFirstCommandSlots] = {5, 2, 3, 7, 2};
  std::copy(std::begin(commands), std::end(commands), tables.firstCommands);
  gGame.scrollSwitch = 0;
  BuildPage(2);
  EXPECT_EQ(texts(LIST_COMMANDS), (Texts{"装備", "技術", "道具", "道具", "", "", "", ""}));
}

TEST_F(MenuTest, AnEmptySubListGoesBackToTheCommandsWithTheirCursor) {
  for (int16_t& scroll : partyMember(0)->scrolls) scroll = kNoScroll;
  onPage(2);
  gMenu.lists[LIST_COMMANDS].cursor = 1;
  gMenu.command = kScrollCommand;
  BuildPage(3);
  EXPECT_EQ(gMenu.page, 2);
  EXPECT_EQ(gMenu.lists[LIST_COMMANDS].cursor, 1);
}

TEST_F(MenuTest, ShiftOnTheGoodsStockStaysOnTheTopPage) {
  onPage(0);
  keys({plat::VK_DOWN});
  gKeyGate = 86;
  keys({plat::VK_SHIFT});
  EXPECT_EQ(gMenu.page, 0);
  EXPECT_EQ(gMenu.top, 1);
}

TEST_F(MenuTest, KeysWithin134MsOfAnAcceptedKeyAreIgnored) {
  onPage(2);
  setKey(plat::VK_DOWN, true);
  frame();
  EXPECT_EQ(gMenu.lists[LIST_COMMANDS].cursor, 1);
  gFrameTime = 133;  // -48 + 133: not above 85
  frame();
  EXPECT_EQ(gMenu.lists[LIST_COMMANDS].cursor, 1);
  gFrameTime = 1;
  frame();
  EXPECT_EQ(gMenu.lists[LIST_COMMANDS].cursor, 2);
}

TEST_F(MenuTest, JourneyFromTheFieldThroughEveryPageAndBack) {
  ASSERT_TRUE(soundSetup());
  const auto fadeDone = [] { return gOverlay1 == NoOverlay; };
  // Enter held in the field: input is off through the fade until the menu shows.
  setKey(plat::VK_RETURN, true);
  ASSERT_TRUE(runUntil([] { return gOverlay1 == MenuOpenFade; }));
  setKey(plat::VK_RETURN, false);
  int inputDuringFade = 0;
  ASSERT_TRUE(runUntil([&] { return fadeDone() || (inputDuringFade |= gInputEnabled, false); }));
  EXPECT_EQ(inputDuringFade, 0);
  EXPECT_EQ(gScene, PartyMenuScene);
  EXPECT_EQ(texts(LIST_TOP), (Texts{"パーティー", "グッズのストック", "プレヤーノート", "システムコンフィグ"}));

  // "パーティー": whose? ナギ's screen comes through a fade.
  keys({plat::VK_SHIFT});
  EXPECT_EQ(gMenu.page, 1);
  EXPECT_EQ(texts(LIST_MEMBER), (Texts{"ナギ", "スズ", "トビ"}));
  keys({plat::VK_SHIFT});
  EXPECT_EQ(gInputEnabled, 0);
  ASSERT_TRUE(runUntil(fadeDone));
  EXPECT_EQ(gScene, MemberMenuScene);
  EXPECT_EQ(texts(LIST_COMMANDS), (Texts{"装備", "巻物", "技術", "道具", "", "", "", ""}));

  keys({plat::VK_SHIFT});  // 装備
  EXPECT_EQ(texts(LIST_SUBLIST), (Texts{"右手　　：木刀", "左手　　：", "アクセ１：旅人の服", "アクセ２：数珠"}));
  keys({plat::VK_CONTROL, plat::VK_DOWN, plat::VK_SHIFT});  // 巻物
  EXPECT_EQ(texts(LIST_SUBLIST), (Texts{"風の巻物", "炎の巻物", "", ""}));
  EXPECT_EQ(gMenu.lists[LIST_SKILLS].openAmount, 0);
  keys({plat::VK_DOWN, plat::VK_SHIFT});  // shows what the first scroll teaches
  EXPECT_EQ(texts(LIST_SKILLS), (Texts{"●習得技術●", "癒しの風", "烈風"}));
  EXPECT_GT(gMenu.lists[LIST_SKILLS].openAmount, 0);

  keys({plat::VK_CONTROL, plat::VK_DOWN, plat::VK_DOWN, plat::VK_SHIFT});  // 道具
  EXPECT_EQ(texts(LIST_SUBLIST),
            (Texts{"Ｅ　木刀", "Ｅ　旅人の服", "薬草", "薬草", "霊水", "火薬玉", "Ｅ　数珠", "", "", "", "", ""}));
  const int values[] = {-1, -1, 2, 3, 4, -1, -1};  // greyed: not usable in the field
  for (int i = 0; i < 7; ++i) EXPECT_EQ(gMenu.lists[LIST_SUBLIST].entries[static_cast<size_t>(i)].value, values[i]);
  keys({plat::VK_SHIFT, plat::VK_DOWN, plat::VK_DOWN, plat::VK_SHIFT});  // not the wooden sword: the herb
  EXPECT_EQ(gMenu.page, 4);
  EXPECT_EQ(texts(LIST_TARGET), (Texts{"ナギ", "スズ", "トビ"}));
  keys({plat::VK_DOWN, plat::VK_SHIFT});
  EXPECT_TRUE(soundSlotLoaded(kFirstOnDemandSoundSlot));

  // Back page by page, the cursors where they were.
  keys({plat::VK_CONTROL});
  EXPECT_EQ(gMenu.lists[LIST_SUBLIST].cursor, 2);
  keys({plat::VK_CONTROL, plat::VK_CONTROL});
  EXPECT_EQ(gOverlay1, MemberBackFade);
  ASSERT_TRUE(runUntil(fadeDone));
  EXPECT_EQ(gScene, PartyMenuScene);
  EXPECT_EQ(gMenu.page, 0);

  // With the scroll switch off the member's commands have no "巻物".
  gGame.scrollSwitch = 0;
  keys({plat::VK_SHIFT, plat::VK_SHIFT});
  ASSERT_TRUE(runUntil(fadeDone));
  EXPECT_EQ(texts(LIST_COMMANDS), (Texts{"装備", "技術", "道具", "", "", "", "", ""}));
  keys({plat::VK_CONTROL});
  ASSERT_TRUE(runUntil(fadeDone));

  // Ctrl on the top page: back to the field, input as it was once the fade has cleared.
  keys({plat::VK_CONTROL});
  EXPECT_EQ(gOverlay1, MenuCloseFade);
  ASSERT_TRUE(runUntil([] { return gOverlay1 == FieldReturnFade; }));
  EXPECT_EQ(gScene, FieldScene);
  EXPECT_EQ(gInputEnabled, 0);
  ASSERT_TRUE(runUntil(fadeDone));
  EXPECT_EQ(gInputEnabled, 1);
  EXPECT_EQ(gFadeSpeed, 0);
  soundShutdown();
}

TEST_F(MenuTest, StateDumpAndSlotNames) {
  onPage(2);
  const std::string json = menuStateJson();
  EXPECT_EQ(json.find("{\"page\": 2, \"top\": 0, \"member\": 0, \"slide\": 0, \"lists\": [{\"cursor\": 0, \"count\": 4, "
                      "\"entries\": [\"パーティー\", \"グッズのストック\""),
            0u) << json;
  EXPECT_STREQ(slotFunctionName(MemberBackFade), "MemberBackFade");
  EXPECT_STREQ(slotFunctionName(FieldScene), "FieldScene");
}

// ---- pictures ----

namespace {

class MenuPictureTest : public GameDeviceTest {
 protected:
  void SetUp() override {
    GameDeviceTest::SetUp();
    if (HasFailure()) return;
    data.open(messages);
    data::loadScrambledTexture("tex\\cur.au", gTextures[kTexCursor]);
    data::loadScrambledTexture("tex\\dmg.au", gTextures[kTexLabels]);
    device->SetRenderState(plat::D3DRS_SRCBLEND, plat::D3DBLEND_SRCALPHA);
    device->SetRenderState(plat::D3DRS_DESTBLEND, plat::D3DBLEND_INVSRCALPHA);
    gFullScreenViewport = {0, 0, 640, 480, 0.0f, 1.0f};
    OpenMenu();
    gFadeColour = 0xFF000000u;  // covered at once: the fade is skipped
    MenuOpenFade();
    gFadeColour = 0;
    gFadeSpeed = 0;
    gOverlay1 = NoOverlay;
    gInputEnabled = 1;
    gKeyGate = 86;
  }
  void TearDown() override {
    data.close(messages);
    GameDeviceTest::TearDown();
  }
  void framesAndSave(int n, const char* name) {
    for (int i = 0; i < n; ++i) frameFunction();
    const fs::path previews = fs::path(ORVANE_BIN_DIR) / ".." / "previews";
    fs::create_directories(previews);
    EXPECT_TRUE(plat::WritePng((previews / name).string(), 640, 480, frame()));
  }
  DemoData data;
};

const Rgba kFrameOrange = {255, 128, 0, 255};  // a window frame's outer left edge

}  // namespace

TEST_F(MenuPictureTest, TopPageMemberChoiceAndEquipmentPage) {
  gCharacters[2].effectiveHp = 0;  // スズ: a red gauge line
  framesAndSave(2, "menu_top.png");
  // The gradient's bottom left corner; the header band halves the top left one.
  EXPECT_TRUE(near(at(0, 479), {0xE0, 0xE0, 0x00, 255}, 12));
  EXPECT_TRUE(near(at(2, 2), {0x40, 0x40, 0x80, 255}, 12));
  // The money box at x 416, the top list at (16, 384), portraits at (32, 96 + 104 i).
  EXPECT_TRUE(near(at(416, 458), kFrameOrange, 48));
  EXPECT_TRUE(near(at(16, 420), kFrameOrange, 48));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(near(at(34, 98 + 104 * i), at(20, 98 + 104 * i), 10)) << i;
  // スズ's current HP (0) in red in the digit cells from (152, 220).
  bool red = false;
  for (int y = 220; y < 236; ++y)
    for (int x = 152; x < 200; ++x) red = red || near(at(x, y), {0xD2, 0, 0, 255}, 16);
  EXPECT_TRUE(red);

  // The member choice on スズ with the status panel slid in.
  BuildPage(1);
  setKey(plat::VK_DOWN, true);
  framesAndSave(5, "menu_member.png");
  setKey(plat::VK_DOWN, false);
  EXPECT_EQ(gMenu.slide, kPanelSlideFrames);
  // The grey bar behind party slot 1 is 320 x 80 from (0, 192); none behind slot 0. The panel's
  // left edge at (10 - 4) x 64 + 18 = 402.
  EXPECT_FALSE(near(at(316, 268), at(324, 268), 10));
  EXPECT_TRUE(near(at(316, 100), at(324, 100), 6));
  EXPECT_TRUE(near(at(402, 200), kFrameOrange, 48));

  // ナギ's equipment page.
  gMenu.lists[LIST_MEMBER].cursor = 0;
  gMenu.member = 0;
  gScene = MemberMenuScene;
  BuildPage(2);
  gMenu.command = kEquipCommand;
  BuildPage(3);
  framesAndSave(2, "menu_equipment.png");
  // The member gradient, the portrait at (64, 48) and the sub-list's box from x 120.
  EXPECT_TRUE(near(at(4, 476), {0x00, 0x00, 0x40, 255}, 12));
  EXPECT_FALSE(near(at(66, 50), at(40, 50), 10));
  EXPECT_TRUE(near(at(120, 300), kFrameOrange, 48));
}
