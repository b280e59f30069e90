#include "platform/launch.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/audio.h"
#include "platform/system.h"

namespace plat {

bool ParseLaunchArguments(const std::vector<std::string>& args, LaunchOptions& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    if (arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--windowed") {
      options.windowMode = WindowMode::Windowed;
    } else if (arg == "--fullscreen") {
      options.windowMode = WindowMode::FullScreen;
    } else if (arg == "--data") {
      if (!value(options.dataDir)) return false;
    } else if (arg == "--soundfont") {
      if (!value(options.soundfont)) return false;
    } else {
      error = "unknown argument \"" + arg + "\"";
      return false;
    }
  }
  return true;
}

std::string LaunchHelpText() {
  return "usage: Orvane [--windowed | --fullscreen] [--data DIR] [--soundfont FILE]\n"
         "       Orvane --help | --version\n"
         "\n"
         "  --windowed        start in a 640 x 480 window\n"
         "  --fullscreen      start full screen at the desktop's resolution (the default)\n"
         "  --data DIR        play the game data in DIR (default: the program's own directory)\n"
         "  --soundfont FILE  play the music with this General MIDI soundfont (.sf2)\n"
         "  --help            show this text\n"
         "  --version         show the version\n"
         "\n"
         "Environment:\n"
         "  ORVANE_WINDOWED=1      start in a window, as --windowed\n"
         "  ORVANE_SCALE=integer   draw at the largest whole multiple of 640 x 480, crisp\n"
         "                         (otherwise as large as fits, smoothed)\n"
         "  ORVANE_SOUNDFONT=FILE  the soundfont when --soundfont is not given (otherwise the\n"
         "                         system's: timgm6mb, fluid-soundfont-gm, /usr/share/sounds/sf2)\n"
         "  XDG_PICTURES_DIR       screenshots go to its folder Orvane (default ~/Pictures/Orvane)\n"
         "\n"
         "Keys: arrows walk, Shift talks and confirms, Ctrl goes back (held: walks slowly),\n"
         "Enter opens the menu, F9 takes a screenshot, F11 or Alt+Enter switches between full\n"
         "screen and a window, F12 ends the game. A gamepad: d-pad or left stick walks, A is\n"
         "Shift, B is Ctrl, Start is Enter, Back is Space.\n";
}

std::string NoDataMessage(const std::string& dataRoot) {
  return "There is no game data in\n" + dataRoot +
         "\n(\"RES/Fonts.zd\" is missing).\n\n"
         "To play the demo game, run ./dev run in Orvane's source directory: it builds the game and "
         "writes its data next to the program. To play game data from elsewhere, start Orvane with "
         "--data DIR.";
}

bool HoldsGameData(const std::string& dataRoot) {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath(dataRoot + "RES\\Fonts.zd"), ec);
}

int Launch(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  LaunchOptions options;
  std::string error;
  if (!ParseLaunchArguments(args, options, error)) {
    std::fprintf(stderr, "Orvane: %s (Orvane --help lists the options)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(LaunchHelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("Orvane %s\n", ORVANE_VERSION);
    return 0;
  }
  ChooseWindowMode(options.windowMode);
  ChooseSoundfont(options.soundfont);

  // The data root is also the current directory: the game opens some of its files by paths
  // relative to it.
  if (!options.dataDir.empty()) SetProgramDirectory(std::filesystem::absolute(options.dataDir).string());
  const std::string dataRoot = ProgramDirectory();
  if (dataRoot.size() > kDataRootMaxLength) {
    MessageBoxUtf8("The game cannot play data from a directory whose path is longer than " +
                       std::to_string(kDataRootMaxLength) + " characters:\n" + dataRoot,
                   "Orvane");
    return 0;
  }
  if (!HoldsGameData(dataRoot) || ::chdir(dataRoot.c_str()) != 0) {
    MessageBoxUtf8(NoDataMessage(dataRoot), "Orvane");
    return 0;
  }
  return kStartGame;
}

}  // namespace plat
