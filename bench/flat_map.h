// A flat test map in the Mat text format, for the benchmarks of the ground and the map drawing.
#pragma once
#include <string>

// A flat map of n x n quads of 64 units: with a gathering radius of 1024, each cell lists about
// (1024 / 64)^2 faces near its reference point.
inline std::string flatMap(int n) {
  std::string text = "ZD:\r\nMaterial 1 {\n \"g\" col(0 0 0 1)\n}\nObject \"g\" {\n vertex " +
                     std::to_string((n + 1) * (n + 1)) + " {\n";
  const float half = 32.0f * static_cast<float>(n);
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i)
      text += " " + std::to_string(-(64.0f * i - half) / 2) + " 0 " + std::to_string((64.0f * j - half) / 2) + "\n";
  text += " }\n face " + std::to_string(n * n) + " {\n";
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i;
      text += "  4 V(" + std::to_string(a) + " " + std::to_string(a + n + 1) + " " + std::to_string(a + n + 2) + " " +
              std::to_string(a + 1) + ") M(0)\n";
    }
  }
  return text + " }\n}\n";
}
