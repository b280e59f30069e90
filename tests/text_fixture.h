// Shared set-up of the text, list and message tests: a small font table with fake font and
// cursor textures, and a recording device installed as the game's device.
#pragma once
#include <memory>
#include <string>

#include "core/graphics.h"
#include "data/database.h"
#include "recording_device.h"

namespace text_fixture {

// Shift-JIS texts of the font table below.
inline const std::string kA = "\x82\xa0";                          // あ
inline const std::string kAI = "\x82\xa0\x82\xa2";                 // あい
inline const std::string kAIUE = "\x82\xa0\x82\xa2\x82\xa4\x82\xa6";  // あいうえ
inline const std::string kSpace = "\x81\x40";                      // full-width space

// The font table "　あいうえ" (glyph codes 0 … 4) with fake textures for both pages and the
// cursor; the previous table and textures come back afterwards.
class Font {
 public:
  Font() : previousText_(gFontText) {
    gFontText.text = kSpace + kAIUE;
    gFontText.blankGlyph = 0;
    for (int page = 0; page < kFontPages; ++page) {
      previousPages_[page] = std::move(gFontTextures[page].texture);
      gFontTextures[page].texture = std::make_unique<recording::FakeTexture>();
      gFontTextures[page].width = gFontTextures[page].height = 256;
    }
    previousCursor_ = std::move(gTextures[kTexCursor].texture);
    gTextures[kTexCursor].texture = std::make_unique<recording::FakeTexture>();
    gTextures[kTexCursor].width = gTextures[kTexCursor].height = 16;
  }
  ~Font() {
    gFontText = previousText_;
    for (int page = 0; page < kFontPages; ++page) gFontTextures[page].texture = std::move(previousPages_[page]);
    gTextures[kTexCursor].texture = std::move(previousCursor_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  plat::Texture* page(int n) const { return gFontTextures[n].texture.get(); }
  plat::Texture* cursor() const { return gTextures[kTexCursor].texture.get(); }

 private:
  FontText previousText_;
  std::unique_ptr<plat::Texture> previousPages_[kFontPages];
  std::unique_ptr<plat::Texture> previousCursor_;
};

class Device {
 public:
  recording::RecordingDevice& recorder() { return scoped_.device; }

 private:
  recording::ScopedRecordingDevice scoped_;
};

}  // namespace text_fixture
