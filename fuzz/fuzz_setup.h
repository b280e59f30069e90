// What the fuzz targets set up once per process: message boxes answered silently, and a device
// that draws nothing.
#pragma once
#include <string>

#include "core/graphics.h"
#include "platform/system.h"
#include "tests/null_device.h"

inline void quietMessageBoxes() {
  static const bool done = [] {
    plat::SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)done;
}

inline void useNullDevice() {
  static NullDevice device;
  quietMessageBoxes();
  gDevice = &device;
}
