// The program's command line and what happens before the game starts: the window mode, the
// soundfont, the data directory, and the one message when there is no game data at all. The
// game itself reads no command line.
#pragma once
#include <string>
#include <vector>

#include "platform/window.h"

namespace plat {

struct LaunchOptions {
  bool help = false;
  bool version = false;
  WindowMode windowMode = WindowMode::Default;
  std::string dataDir;    // empty: the program's own directory
  std::string soundfont;  // empty: ORVANE_SOUNDFONT or the system's
};

// Reads the arguments after the program's name; a later option wins over an earlier one. False
// with a message in error on an argument it does not know or a missing value.
bool ParseLaunchArguments(const std::vector<std::string>& args, LaunchOptions& options, std::string& error);
// The text of --help: the options and the environment variables.
std::string LaunchHelpText();
// The text of the message shown when dataRoot holds no game data.
std::string NoDataMessage(const std::string& dataRoot);
// The game data's root holds "RES\Fonts.zd".
bool HoldsGameData(const std::string& dataRoot);

// Launch's result when the game should start.
constexpr int kStartGame = -1;
// Reads the command line and prepares the platform: answers --help and --version, makes the
// data directory the data root and the current directory, and without game data there shows one
// message box. Returns kStartGame, or the exit code of the program when it ends here.
int Launch(int argc, char** argv);

}  // namespace plat
