// Pictures that tests write for people to look at go to the build's "previews" directory, never
// into the data tree next to the programs.
#pragma once
#include <filesystem>
#include <string>

// The path of a preview picture; the directory is made when missing.
inline std::string previewPath(const std::string& name) {
  std::filesystem::create_directories(ORVANE_PREVIEW_DIR);
  return (std::filesystem::path(ORVANE_PREVIEW_DIR) / name).string();
}
