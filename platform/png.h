// Writes RGBA pixels (top row first) as a PNG file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace plat
