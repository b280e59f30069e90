// Runs of the game program itself (or its launcher) as a player starts it, headless: in a chosen
// directory, with its standard output and error kept.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ProgramRun {
  bool exited = false;  // by itself or after the close request, not killed
  int exitCode = -1;
  std::string output;  // standard output and error
};

inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts program with args in directory dir. A program that does not end by itself is asked to
// close, as the desktop asks a window (SIGTERM), once its music is set up (it names its soundfont,
// or says there is none) and a second more has passed, which is some forty frames.
inline ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::filesystem::path& dir) {
  const std::filesystem::path log = dir / "program-output.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::chdir(dir.c_str());
    std::freopen(log.c_str(), "w", stdout);
    ::dup2(::fileno(stdout), 2);
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  bool ended = false;
  for (int tries = 0; tries < 3000 && !ended; ++tries) {
    ended = ::waitpid(pid, &status, WNOHANG) == pid;
    const std::string output = fileText(log);
    const bool musicSetUp = output.find("Orvane: soundfont") != std::string::npos ||
                            output.find("Orvane: music:") != std::string::npos;
    if (ended || musicSetUp) break;
    ::usleep(10000);
  }
  if (!ended) {
    ::sleep(1);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
  }
  return {WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(log)};
}

// The number of message boxes in a run's output (without a display a box is a line
// "[caption] text").
inline size_t messageBoxes(const std::string& output) {
  size_t n = 0;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) n += !line.empty() && line[0] == '[';
  return n;
}
