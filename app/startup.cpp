#include "app/startup.h"

#include "core/graphics.h"
#include "audio/music.h"
#include "audio/sound.h"

bool setUpGraphicsAndMusic() {
  return graphicsSetup() && musicSetup();
}

void shutdownGraphicsAndMusic() {
  musicShutdown();
  graphicsShutdown();
}

bool setUpSound() {
  return soundSetup();
}

void shutdownSound() {
  soundShutdown();
}
