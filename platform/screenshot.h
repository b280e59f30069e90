// Screenshots (F9): the 640 x 480 frame as a PNG file in the user's pictures directory.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The pictures directory named by a user-dirs.dirs text (XDG_PICTURES_DIR="$HOME/…" or an
// absolute path), with $HOME replaced by home; empty when the text names none.
std::string PicturesDirectoryFromUserDirs(std::string_view userDirs, const std::string& home);
// Where screenshots go, with a trailing '/': "Orvane/" in $XDG_PICTURES_DIR, else in the
// pictures directory of ~/.config/user-dirs.dirs, else in ~/Pictures.
std::string ScreenshotDirectory();
// "Orvane_YYYY-MM-DD_HH-MM-SS.png" for the local time; n > 1 adds "_n" for a further
// screenshot within the same second.
std::string ScreenshotFileName(const std::tm& localTime, int n);
// Writes the frame (RGBA rows, top row first) into the screenshot directory, making it when
// needed, and prints the path on standard error. Returns the path, or "" when it cannot be
// written (also said on standard error).
std::string SaveScreenshot(const std::vector<uint8_t>& rgba);

}  // namespace plat
