#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "content/generator/content.h"
#include "data/scramble.h"

namespace content {

SourceFile readSource(const fs::path& contentRoot, const std::string& relative, Lint& lint) {
  SourceFile source{relative, {}};
  std::ifstream in(contentRoot / relative, std::ios::binary);
  if (!in) {
    lint.report("content/" + relative, "the source file is missing");
    return source;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    source.lines.push_back({number, line});
  }
  return source;
}

std::optional<std::string> toCp932(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no CP932");
  std::string input(utf8);
  std::string output(input.size() * 2 + 4, '\0');
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

std::u32string codePoints(std::string_view utf8) {
  std::u32string result;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t value = length == 1 ? c : length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) value = value << 6 | (utf8[i + k] & 0x3F);
    result.push_back(value);
    i += length;
  }
  return result;
}

std::string utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    s.push_back(static_cast<char>(0xC0 | c >> 6));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    s.push_back(static_cast<char>(0xE0 | c >> 12));
    s.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    s.push_back(static_cast<char>(0xF0 | c >> 18));
    s.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return s;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> result;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) result.push_back(word);
  return result;
}

std::optional<int> parseNumber(std::string_view word, int base) {
  if (word.empty()) return std::nullopt;
  size_t used = 0;
  try {
    const long value = std::stol(std::string(word), &used, base);
    if (used != word.size() || value < -1000000000L || value > 1000000000L) return std::nullopt;
    return static_cast<int>(value);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void FontTable::checkText(std::string_view utf8, const std::string& where, Lint& lint) const {
  for (const char32_t c : codePoints(utf8)) {
    const std::string character = utf8Of(c);
    const auto cp932 = toCp932(character);
    if (!cp932) {
      lint.report(where, "'" + character + "' has no code in code page 932");
    } else if (cp932->size() != 2) {
      lint.report(where, "'" + character + "' is a one-byte character; the game draws only two-byte characters");
    } else if (!index.contains(*cp932)) {
      lint.report(where, "'" + character + "' is not in the font table content/res/Fonts.txt");
    }
  }
}

void DataTree::write(const std::string& path, const std::string& bytes) {
  write(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void DataTree::write(const std::string& path, std::vector<uint8_t> bytes) {
  const fs::path target = root_ / path;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + target.string());
}

void DataTree::writeScrambled(const std::string& path, std::vector<uint8_t> plain) {
  data::scrambleBytes(plain.data(), plain.size());
  write(path, std::move(plain));
}

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> encodeDds(const Image& image) {
  std::vector<uint8_t> out;
  const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
  out.insert(out.end(), {'D', 'D', 'S', ' '});
  put32(out, 124);                            // header size
  put32(out, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
  put32(out, h);
  put32(out, w);
  put32(out, w * 4);  // pitch
  put32(out, 0);      // depth
  put32(out, 0);      // mip levels
  for (int i = 0; i < 11; ++i) put32(out, 0);
  put32(out, 32);           // pixel format size
  put32(out, 0x40 | 0x01);  // RGB with alpha
  put32(out, 0);            // no FourCC
  put32(out, 32);
  put32(out, 0x00FF0000);
  put32(out, 0x0000FF00);
  put32(out, 0x000000FF);
  put32(out, 0xFF000000);
  put32(out, 0x1000);  // a texture
  for (int i = 0; i < 4; ++i) put32(out, 0);
  for (const uint32_t p : image.pixels) put32(out, p);  // B, G, R, A in memory
  return out;
}

std::vector<uint8_t> encodeBmp(const Image& image) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.height);
  std::vector<uint8_t> out;
  out.insert(out.end(), {'B', 'M'});
  put32(out, 54 + dataBytes);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(image.width));
  put32(out, static_cast<uint32_t>(image.height));
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);  // no compression
  put32(out, dataBytes);
  put32(out, 2835);  // 72 dots per inch
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = image.at(x, y);
      out.push_back(static_cast<uint8_t>(p));
      out.push_back(static_cast<uint8_t>(p >> 8));
      out.push_back(static_cast<uint8_t>(p >> 16));
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

uint32_t argb(int a, int r, int g, int b) {
  auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto channel = [&](int shift) {
    const double x = (a >> shift & 0xFF), y = (b >> shift & 0xFF);
    return static_cast<int>(std::lround(x + (y - x) * t));
  };
  return argb(channel(24), channel(16), channel(8), channel(0));
}

}  // namespace content
