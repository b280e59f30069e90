#include "app/startup.h"

#include "app/graphics.h"

// The audio subsystem joins here: its set-ups run inside these, in the start-up's order.
bool setUpGraphicsAndMusic() {
  return graphicsSetup();
}

void shutdownGraphicsAndMusic() {
  graphicsShutdown();
}

bool setUpSound() {
  return true;
}

void shutdownSound() {}
