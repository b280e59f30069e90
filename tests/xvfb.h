// Tests of the real window on an X server of their own. The test starts Xvfb with a screen of the
// size it needs and a small window manager (full screen is the window manager's to grant), and
// runs itself once more, alone, in a child process on that display (the test program's other
// windows use the offscreen driver, and a process has one video driver). The child's failures
// fail the test.
#pragma once
#include <X11/Xlib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

enum class XvfbRun { InChild, Done, NoServer };

// Starts the window manager on the display and waits until it has announced itself on the root
// window; false when it never does.
inline bool startWindowManager(const std::string& program, const std::string& display, pid_t& pid) {
  pid = ::fork();
  if (pid == 0) {
    ::setenv("DISPLAY", display.c_str(), 1);
    std::freopen("/dev/null", "w", stderr);
    // evilwm needs a font for its messages: the bitmap font that the content generator uses is
    // on the server's font path (the server has no "fixed" without xfonts-base).
    ::execl(program.c_str(), program.c_str(), "-fn", "-shinonome-gothic-medium-r-normal--16-*",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  Display* x = XOpenDisplay(display.c_str());
  if (!x) return false;
  const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
  bool up = false;
  for (int tries = 0; tries < 500 && !up; ++tries) {
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, AnyPropertyType, &type, &format, &items, &after,
                       &data);
    up = items > 0;
    if (data) XFree(data);
    if (!up) ::usleep(10000);
  }
  XCloseDisplay(x);
  return up;
}

// In the child: InChild, and the test's body runs. In the parent: starts the server, runs the
// child and waits for it (Done), or NoServer when Xvfb or the window manager is not installed.
inline XvfbRun runUnderXvfb(int width, int height) {
  if (std::getenv("ORVANE_UNDER_XVFB")) return XvfbRun::InChild;
  const std::string server = "/usr/bin/Xvfb", windowManager = "/usr/bin/evilwm";
  if (::access(server.c_str(), X_OK) != 0 || ::access(windowManager.c_str(), X_OK) != 0) return XvfbRun::NoServer;

  // The server names its display on the pipe once it accepts clients.
  int ready[2];
  if (::pipe(ready) != 0) {
    ADD_FAILURE() << "no pipe";
    return XvfbRun::Done;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const pid_t serverPid = ::fork();
  if (serverPid == 0) {
    ::close(ready[0]);
    std::freopen("/dev/null", "w", stderr);
    const std::string fd = std::to_string(ready[1]);
    ::execl(server.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(ready[1]);
  std::string display;
  char c;
  while (::read(ready[0], &c, 1) == 1 && c != '\n') display.push_back(c);
  ::close(ready[0]);
  pid_t windowManagerPid = -1;
  // SIGKILL: the window manager has been seen to ignore SIGTERM, and the wait would never end.
  auto stop = [&] {
    for (pid_t pid : {windowManagerPid, serverPid}) {
      if (pid <= 0) continue;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  };
  if (display.empty() || !startWindowManager(windowManager, ":" + display, windowManagerPid)) {
    stop();
    ADD_FAILURE() << "Xvfb or its window manager did not start";
    return XvfbRun::Done;
  }

  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter = std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("ORVANE_UNDER_XVFB", "1", 1);
    ::setenv("DISPLAY", (":" + display).c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    ::execl(self.c_str(), self.c_str(), filter.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the test failed on the X server (output above)";
  return XvfbRun::Done;
}

// Runs the rest of the test on an X server with a screen of width x height.
#define RUN_ON_XVFB(width, height)                                   \
  switch (runUnderXvfb(width, height)) {                             \
    case XvfbRun::NoServer: GTEST_SKIP() << "Xvfb or evilwm is not installed"; \
    case XvfbRun::Done: return;                                      \
    case XvfbRun::InChild: break;                                    \
  }
