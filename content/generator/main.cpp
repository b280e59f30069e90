// orvane-content <content directory> <output directory>
// Writes the demo game's data tree; exits with 1 and lists every problem when the sources are
// broken (a wrong field count, a character without a code in code page 932, a map that cannot be
// built). What the written tree says is checked by orvane-check, which the build runs after it.
// orvane-content --icon <file.png>
// Writes the program's icon.
#include <cstdio>
#include <cstring>
#include <exception>

#include "content/generator/battle_content.h"
#include "content/generator/content.h"
#include "platform/png.h"

namespace {

int writeIcon(const char* path) {
  const content::Image icon = content::windBellIcon();
  std::vector<uint8_t> rgba;
  rgba.reserve(icon.pixels.size() * 4);
  for (uint32_t p : icon.pixels) {
    rgba.insert(rgba.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p),
                             static_cast<uint8_t>(p >> 24)});
  }
  if (plat::WritePng(path, icon.width, icon.height, rgba)) return 0;
  std::fprintf(stderr, "orvane-content: cannot write %s\n", path);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) return writeIcon(argv[2]);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane-content <content directory> <output directory>\n"
                         "       orvane-content --icon <file.png>\n");
    return 2;
  }
  try {
    content::Lint lint;
    content::DataTree out{content::fs::path(argv[2])};
    const content::BitmapFont bitmapFont;
    content::Context context{content::fs::path(argv[1]), out, lint, bitmapFont, {}};
    content::generateFonts(context);
    content::checkProgramTexts(context);
    content::generateTables(context);
    content::generateSheets(context);
    content::generatePortraits(context);
    content::generateBootTextures(context);
    content::generateSky(context);
    content::generateSounds(context);
    content::generateMusic(context);
    content::generateShaders(context);
    content::generateModels(context);
    content::generateRbModels(context);
    content::generateCharacters(context);
    content::generateMaps(context);
    content::generateEffects(context);
    content::generateEnemyFigures(context);
    content::generateScripts(context);
    content::generateEnemies(context);
    if (lint.failed()) {
      for (const std::string& problem : lint.problems()) std::fprintf(stderr, "%s\n", problem.c_str());
      std::fprintf(stderr, "orvane-content: %zu problem(s) in the content\n", lint.problems().size());
      return 1;
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orvane-content: %s\n", error.what());
    return 2;
  }
}
