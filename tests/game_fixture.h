// The device fixture plus what tests of the game's frames need: captured message boxes, a
// restored clock, and single pixels as 0xRRGGBBAA.
#pragma once
#include <string>
#include <vector>

#include "device_fixture.h"
#include "platform/system.h"

class GameDeviceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption + "\t" + text);
    });
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    plat::SetClock({});
    DeviceTest::TearDown();
  }

  uint32_t pixel(int x, int y) {
    const Rgba p = at(x, y);
    return static_cast<uint32_t>(p.r) << 24 | static_cast<uint32_t>(p.g) << 16 | static_cast<uint32_t>(p.b) << 8 |
           static_cast<uint32_t>(p.a);
  }

  std::vector<std::string> messages;
};
