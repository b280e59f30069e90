#include "app/window_proc.h"
#include "platform/launch.h"

int main(int argc, char** argv) {
  const int exitCode = plat::Launch(argc, argv);
  if (exitCode != plat::kStartGame) return exitCode;
  return WinMain();
}
