// orvane-content: writes the demo game's data tree from the editable sources under content/.
// Each asset family has its own source file (tables, sheets, fonts, textures, sky, sounds,
// music); they share the helpers declared here: reading sources, the lint that collects
// problems, the code page conversion, the output tree and the image encoders.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "data/database.h"

namespace content {

namespace fs = std::filesystem;

// Collects every problem of the content; the generator fails when there is one.
class Lint {
 public:
  void report(const std::string& where, const std::string& what) { problems_.push_back(where + ": " + what); }
  bool failed() const { return !problems_.empty(); }
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  std::vector<std::string> problems_;
};

// A UTF-8 source text of the content without its comment lines ("#" first) and blank lines,
// each line with its number in the file.
struct SourceLine {
  int number;
  std::string text;
};
struct SourceFile {
  std::string path;  // relative to content/, for messages
  std::vector<SourceLine> lines;
  std::string where(const SourceLine& line) const { return "content/" + path + ":" + std::to_string(line.number); }
};
SourceFile readSource(const fs::path& contentRoot, const std::string& relative, Lint& lint);

// UTF-8 to code page 932; nothing when a character has no code.
std::optional<std::string> toCp932(std::string_view utf8);
// The code points of a UTF-8 text.
std::u32string codePoints(std::string_view utf8);
// One code point back to UTF-8 (for messages).
std::string utf8Of(char32_t c);
// The lines joined with the game's line end (CR LF), the last one ended too.
std::string joinLines(const std::vector<std::string>& lines);
// Splits at white space.
std::vector<std::string> words(std::string_view text);
// A decimal (or, with base 16, hexadecimal) integer filling the whole word.
std::optional<int> parseNumber(std::string_view word, int base = 10);

// The data tree next to the program. Paths use '/' and the game's own spelling.
class DataTree {
 public:
  explicit DataTree(fs::path root) : root_(std::move(root)) {}
  void write(const std::string& path, const std::string& bytes);
  void write(const std::string& path, std::vector<uint8_t> bytes);
  // The file scrambled as the game expects textures and sounds (first 96 bytes inverted).
  void writeScrambled(const std::string& path, std::vector<uint8_t> plain);

 const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

// ARGB pixels, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};
// DDS with A8R8G8B8 pixels, no mip levels.
std::vector<uint8_t> encodeDds(const Image& image);
// BMP with 24-bit pixels (alpha dropped), bottom row first.
std::vector<uint8_t> encodeBmp(const Image& image);
uint32_t argb(int a, int r, int g, int b);

// A mono 16-bit WAV file at 22050 Hz of signal(t) for seconds, t in seconds, clipped to -1 … 1.
std::vector<uint8_t> waveFile(double seconds, const std::function<double(double)>& signal);
// Mixes colour b over a by t (0 … 1), alpha included.
uint32_t mix(uint32_t a, uint32_t b, double t);

// The 16-dot bitmap fonts: two-byte characters (code page 932) from the Japanese font, ASCII
// from the 8 x 16 font.
class BitmapFont {
 public:
  BitmapFont();
  ~BitmapFont();
  BitmapFont(const BitmapFont&) = delete;
  BitmapFont& operator=(const BitmapFont&) = delete;
  // Whether the Japanese font has a glyph for the two-byte character.
  bool hasGlyph(std::string_view cp932Char) const;
  // Draws the character with its cell's top-left corner at (x, y); set pixels get colour.
  void drawWide(Image& image, int x, int y, std::string_view cp932Char, uint32_t colour) const;
  void drawAscii(Image& image, int x, int y, char c, uint32_t colour) const;

 private:
  struct Faces;
  Faces* faces_;
};

// Draws a text (two-byte characters 16 pixels apart, ASCII 8 apart) with a one-pixel outline.
void drawOutlinedText(const BitmapFont& font, Image& image, int x, int y, std::string_view utf8, uint32_t colour,
                      uint32_t outline);

// The font table: every drawable character, in glyph order.
struct FontTable {
  std::vector<std::string> characters;          // two bytes each, code page 932
  std::map<std::string, int> index;             // character -> glyph index
  // Reports every character of the text that is not in the table (or not a two-byte character).
  void checkText(std::string_view utf8, const std::string& where, Lint& lint) const;
};

// What the families share while they run.
struct Context {
  fs::path contentRoot;
  DataTree& out;
  Lint& lint;
  const BitmapFont& bitmapFont;
  FontTable font;
  // Record counts of the tables, for reading the character sheets back as the game does.
  int techniqueCount = 0;
  int tkCount = 0;
  int scrollCount = 0;
  std::vector<ItemRecord> items;  // as the game reads Db\ItmDt.zd, for the equipment bonuses
  std::vector<std::string> characterScripts;  // actor script name of each sheet
};

// A look of the demo figure (rb_models.cpp): its model and texture base name, cloth colours
// (0xRRGGBB) for the body, the legs (and skirt) and the hair, the skin, and a hat.
struct FigureLook {
  enum Kind { kPlain, kVillager };  // plain: one cloth texture on every box but the face
  enum Hat { kNoHat, kStrawHat, kTallCap, kHeadband };
  std::string name;
  Kind kind = kPlain;
  uint32_t top = 0, bottom = 0, hair = 0, skin = 0;
  Hat hat = kNoHat;
  uint32_t hatColour = 0;
  bool skirt = false;
  bool beard = false;
};
// Writes "Mdl\<name>.zdm", its textures and its eye textures "Mdl\eyes\<name>_e0.zgr", "_e1.zgr".
void writeFigure(Context& context, const FigureLook& look);
// The model a playable character wears: its hero look, or the plain demo figure "test".
std::string playableFigure(const std::string& script);

// The families, in the order the generator runs them.
void generateFonts(Context& context);         // RES\Fonts.zd, RES\fnt0.au, RES\fnt1.au
void checkProgramTexts(Context& context);     // the program's own texts against the font table
void generateTables(Context& context);        // Db\*.zd
void generateSheets(Context& context);        // SCHR\c%d.zd
void generatePortraits(Context& context);     // SCHR\<script name>.zgr
void generateBootTextures(Context& context);  // tex\cur.au, tex\dmg.au, tex\MBoxEdge.au
void generateSky(Context& context);           // Mat\SKY\sb0.zd, sb1.zd and their faces
void generateSounds(Context& context);        // se\*.zse
void generateMusic(Context& context);         // Zms\*.zms
void generateShaders(Context& context);       // RES\ps0.zf
void generateModels(Context& context);        // OTSK\shd.zdx (Mat model)
void generateRbModels(Context& context);      // Mdl\test.zdm, its texture and eye textures
void generateCharacters(Context& context);    // Mdl\<script name>.ZD, Wea\wea<item>.ZDX and textures
void generateMaps(Context& context);          // Mat\<map>.mp from content/maps, their textures Mat\*.zgr
void generateMapTextures(Context& context);   // Mat\*.zgr (run by generateMaps)
void generateEffects(Context& context);       // OTSK\*.AU, OTSK\bell.ZDX, se\*.zse of the object tasks

// The wind bell of the effects: its 64 x 64 texture (bronze above, the paper strip below) and the
// outline of its body as (radius, height) pairs from the top down, in model units.
Image bellTexture();
const std::vector<std::pair<double, double>>& bellOutside();
// The program's icon: the wind bell in the wind, 256 x 256 with a transparent background.
Image windBellIcon();
void generateScripts(Context& context);       // ev\*.zd, ev\OSCR\*.zd and the other script directories

}  // namespace content
