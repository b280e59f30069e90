// The window as the player sees it, on an X server: full screen and back with F11 and Alt+Enter
// keeps the picture's 4:3 shape with black bars, the pointer shows only in a window, and the
// integer scale draws every pixel of the frame as an exact block.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/device.h"
#include "platform/png.h"
#include "platform/system.h"
#include "platform/window.h"
#include "previews.h"
#include "xvfb.h"

using namespace plat;

namespace {

constexpr uint32_t kBlue = 0xFF2040C0;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

Rgb pixel(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
  return {p[0], p[1], p[2]};
}

void press(int key) {
  InjectKeyEvent({key, true});
  InjectKeyEvent({key, false});
}

// Lets the window's events arrive until its size is width x height (the X server resizes it in
// its own time); false when it never gets there.
bool waitForSize(int width, int height) {
  for (int tries = 0; tries < 500; ++tries) {
    Message drained;
    while (PeekMessage(drained)) {
    }
    int w = 0, h = 0;
    MainWindowSize(w, h);
    if (w == width && h == height) return true;
    Sleep(10);
  }
  return false;
}

// The window's picture after presenting the frame.
const WindowPicture& presented(Device* device) {
  EXPECT_EQ(device->Present(), D3D_OK);
  return LastWindowPicture();
}

class WindowOnX : public ::testing::Test {
 protected:
  // A window as the game makes it (the pointer hidden by the game) and the device.
  void open(WindowMode mode) {
    ChooseWindowMode(mode);
    ASSERT_TRUE(CreateMainWindow("orvane window test"));
    device = CreateDevice();
    ASSERT_NE(device, nullptr);
    KeepWindowPictures(true);
    ShowCursor(false);
  }
  void TearDown() override {
    device.reset();
    DestroyMainWindow();
  }

  // The picture is the frame's colour between the bars left and right and black in them: along
  // the middle row, and down the middle column.
  void expectBars(const WindowPicture& picture, int bar, const char* preview) {
    const int width = picture.width, height = picture.height;
    ASSERT_EQ(int(picture.rgba.size()), width * height * 4);
    const Rgb blue{0x20, 0x40, 0xC0}, black{0, 0, 0};
    int wrong = 0;
    for (int x = 0; x < width; ++x) {
      wrong += pixel(picture.rgba, width, x, height / 2) != (x >= bar && x < width - bar ? blue : black);
    }
    for (int y = 0; y < height; ++y) wrong += pixel(picture.rgba, width, width / 2, y) != blue;
    EXPECT_EQ(wrong, 0) << width << "x" << height;
    EXPECT_TRUE(WritePng(previewPath(preview), width, height, picture.rgba));
  }

  // From a 640 x 480 window to full screen on a screen of width x height with F11, and back with
  // Alt+Enter.
  void toggleOnScreen(int width, int height, int bar, const char* preview) {
    open(WindowMode::Windowed);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    ASSERT_TRUE(waitForSize(640, 480));
    expectBars(presented(device.get()), 0, "window_640x480.png");
    EXPECT_FALSE(MainWindowIsFullScreen());
    EXPECT_TRUE(CursorVisible());

    press(VK_F11);
    ASSERT_TRUE(waitForSize(width, height));
    EXPECT_TRUE(MainWindowIsFullScreen());
    EXPECT_FALSE(CursorVisible());
    expectBars(presented(device.get()), bar, preview);

    InjectKeyEvent({VK_LMENU, true});
    press(VK_RETURN);
    InjectKeyEvent({VK_LMENU, false});
    EXPECT_FALSE(GetKeyState(VK_RETURN) & 0x80);  // the game never saw the Enter of Alt+Enter
    ASSERT_TRUE(waitForSize(640, 480));
    EXPECT_FALSE(MainWindowIsFullScreen());
    EXPECT_TRUE(CursorVisible());
    expectBars(presented(device.get()), 0, "window_640x480_again.png");
  }

  std::unique_ptr<Device> device;
};

}  // namespace

TEST_F(WindowOnX, FullScreenAt1024x768FillsTheScreen) {
  RUN_ON_XVFB(1024, 768);
  toggleOnScreen(1024, 768, 0, "window_fullscreen_1024x768.png");
}

TEST_F(WindowOnX, FullScreenAt1280x720HasBarsLeftAndRight) {
  RUN_ON_XVFB(1280, 720);
  toggleOnScreen(1280, 720, 160, "window_fullscreen_1280x720.png");
}

TEST_F(WindowOnX, IntegerScaleDrawsEveryPixelAsATwoByTwoBlock) {
  RUN_ON_XVFB(1280, 960);
  setenv("ORVANE_SCALE", "integer", 1);
  open(WindowMode::FullScreen);
  ASSERT_TRUE(waitForSize(1280, 960));
  // A frame of single pixels that all differ from their neighbours.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  for (int y = 0; y < 480; y += 7) {
    for (int x = y % 11; x < 640; x += 11) {
      const D3DRECT one{x, y, x + 1, y + 1};
      device->Clear(1, &one, D3DCLEAR_TARGET, 0xFF000000u | uint32_t(x * 97 + y * 13) << 4, 1.0f, 0);
    }
  }
  const std::vector<uint8_t> frame = device->ReadBackBuffer();
  const WindowPicture& picture = presented(device.get());
  ASSERT_EQ(picture.width, 1280);
  ASSERT_EQ(picture.height, 960);
  int differences = 0;
  for (int y = 0; y < 960; ++y) {
    for (int x = 0; x < 1280; ++x) differences += pixel(picture.rgba, 1280, x, y) != pixel(frame, 640, x / 2, y / 2);
  }
  EXPECT_EQ(differences, 0);
  EXPECT_TRUE(WritePng(previewPath("window_integer_1280x960.png"), 1280, 960, picture.rgba));
  // Started full screen, F11 leaves it for a 640 x 480 window.
  press(VK_F11);
  EXPECT_TRUE(waitForSize(640, 480));
  EXPECT_TRUE(CursorVisible());
}
