// Tests that draw with the real device: a hidden window on the offscreen video driver (one per
// test program) and the game's device, made fresh for every test. The game state is reset around
// every test, and once more before the device goes, while what it holds can still be released.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/graphics.h"
#include "game_state.h"
#include "gfx/camera.h"
#include "platform/window.h"

struct Rgba {
  int r, g, b, a;
};

inline Rgba pixelOf(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

inline ::testing::AssertionResult near(Rgba got, Rgba want, int tolerance) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << got.r << ", " << got.g << ", " << got.b << ") want (" << want.r
                                       << ", " << want.g << ", " << want.b << ") +-" << tolerance;
}

class DeviceTest : public GameStateTest {
 protected:
  static bool openWindow() {
    // The software renderer draws on the test's own thread: its worker threads, still alive at
    // exit, crash the leak checker's thread tracer.
    setenv("LP_NUM_THREADS", "0", 0);
    return plat::CreateMainWindow("orvane tests");
  }

  void SetUp() override {
    static const bool window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(graphicsSetup());
    device = gDevice;
    device->Clear(0, nullptr, plat::D3DCLEAR_TARGET | plat::D3DCLEAR_ZBUFFER | plat::D3DCLEAR_STENCIL, 0xFF000000,
                  1.0f, 0);
  }
  void TearDown() override {
    resetGameState();
    graphicsShutdown();
  }

  std::vector<uint8_t> frame() { return device->ReadBackBuffer(); }
  // The game's projection, the eye at the origin looking along +z, depth test on, the game's
  // light with a grey ambient: the set-up of the model pictures.
  void litScene() {
    const MATRIX projection = gameProjection();
    MATRIX view;
    view.identity();
    device->SetTransform(plat::D3DTS_PROJECTION, &projection);
    device->SetTransform(plat::D3DTS_VIEW, &view);
    device->SetRenderState(plat::D3DRS_ZENABLE, true);
    lightSetup();
    device->SetRenderState(plat::D3DRS_AMBIENT, 0xFF606060);
  }
  Rgba at(int x, int y) { return pixelOf(device->ReadBackBuffer(), 640, x, y); }

  plat::Device* device = nullptr;
};
