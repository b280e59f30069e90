#include "app/window_proc.h"

int main() {
  return WinMain();
}
