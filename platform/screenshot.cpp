#include "platform/screenshot.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/png.h"

namespace plat {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string withSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string picturesDirectory() {
  const std::string chosen = environment("XDG_PICTURES_DIR");
  if (!chosen.empty()) return chosen;
  const std::string home = environment("HOME");
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  std::ostringstream text;
  text << file.rdbuf();
  const std::string named = PicturesDirectoryFromUserDirs(text.str(), home);
  return named.empty() ? home + "/Pictures" : named;
}

}  // namespace

std::string PicturesDirectoryFromUserDirs(std::string_view userDirs, const std::string& home) {
  constexpr std::string_view kKey = "XDG_PICTURES_DIR=\"";
  size_t start = 0;
  while (start < userDirs.size()) {
    size_t end = userDirs.find('\n', start);
    if (end == std::string_view::npos) end = userDirs.size();
    std::string_view line = userDirs.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    const size_t quote = line.find('"');
    if (quote == std::string_view::npos) continue;
    line = line.substr(0, quote);
    if (line.substr(0, 5) == "$HOME") return home + std::string(line.substr(5));
    if (line.substr(0, 1) == "/") return std::string(line);
  }
  return "";
}

std::string ScreenshotDirectory() {
  return withSlash(picturesDirectory()) + "Orvane/";
}

std::string ScreenshotFileName(const std::tm& localTime, int n) {
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &localTime);
  std::string name = std::string("Orvane_") + stamp;
  if (n > 1) name += "_" + std::to_string(n);
  return name + ".png";
}

std::string SaveScreenshot(const std::vector<uint8_t>& rgba) {
  const std::string dir = ScreenshotDirectory();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::string path;
  for (int n = 1; n < 1000; ++n) {
    path = dir + ScreenshotFileName(local, n);
    if (!std::filesystem::exists(path, ec)) break;
  }
  if (!WritePng(path, 640, 480, rgba)) {
    std::fprintf(stderr, "Orvane: cannot write the screenshot %s\n", path.c_str());
    return "";
  }
  std::fprintf(stderr, "Orvane: screenshot %s\n", path.c_str());
  return path;
}

}  // namespace plat
