// A window and device on the offscreen video driver, for tests that run frames of the game.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/graphics.h"
#include "platform/system.h"
#include "platform/window.h"

class GameDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::CreateMainWindow("test"));
    device_ = plat::CreateDevice();
    ASSERT_NE(device_, nullptr);
    gDevice = device_.get();
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption + "\t" + text);
    });
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    plat::SetClock({});
    gDevice = nullptr;
    device_.reset();
    plat::DestroyMainWindow();
  }

  // RGBA of one pixel of the back buffer.
  uint32_t pixel(int x, int y) {
    const std::vector<uint8_t> rgba = gDevice->ReadBackBuffer();
    const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * 640 + x) * 4;
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
  }

  std::vector<std::string> messages;

 private:
  std::unique_ptr<plat::Device> device_;
};
