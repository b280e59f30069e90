// What the battle tests share: a data directory of their own that lends the generated demo tree
// (figures, weapons, textures, scripts) and takes the files a test writes (enemy files, battle
// and view scripts, a battle map), made the program directory and the working directory while
// the test runs.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "data/scramble.h"
#include "platform/system.h"

namespace battle_test {

namespace fs = std::filesystem;

// The generated demo tree: next to the test programs (ORVANE_BIN_DIR), or the running program's
// own directory for the programs that are built there (the benchmarks).
#ifdef ORVANE_BIN_DIR
inline const fs::path kGeneratedTree = ORVANE_BIN_DIR;
#else
inline const fs::path kGeneratedTree = plat::ProgramDirectory();
#endif

// A small battle map: a 4000 x 4000 ground of two triangles at height 0 (a checker texture
// "btltest.zgr" when textured), and the header's fog.
inline std::string testMap(const std::string& fogHeader = "0;\nff8090a0;\n2000;\n9000;\n", bool textured = false) {
  std::string text = fogHeader + "ZD:\nMaterial 1 {\n \"g\" col(0 0 0 1)";
  if (textured) text += " tex(\"btltest.zgr\")";
  text += "\n}\nObject \"ground\" {\n vertex 4 {\n";
  // The reader maps a file position to (-2sx, 2sy, 2sz) with the battle map's scale s = 10.
  text += "  100 0 -100\n  -100 0 -100\n  -100 0 100\n  100 0 100\n }\n face 2 {\n";
  text += "  3 V(0 1 2) M(0) UV(0 0 8 0 8 8)\n  3 V(0 2 3) M(0) UV(0 0 8 8 0 8)\n }\n}\n";
  return text;
}

// An 8 x 8 BMP of two greens, scrambled as the game's textures are.
inline std::vector<uint8_t> checkerTexture() {
  const int w = 8, h = 8, row = w * 3;
  std::vector<uint8_t> bmp(54 + row * h, 0);
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, static_cast<uint32_t>(row * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &bmp[54 + y * row + x * 3];
      const bool light = ((x / 2 + y / 2) % 2) != 0;
      p[0] = light ? 60 : 40;    // blue
      p[1] = light ? 150 : 120;  // green
      p[2] = light ? 80 : 60;    // red
    }
  data::scrambleBytes(bmp.data(), bmp.size());
  return bmp;
}

// The test's own data directory. Lends every top-level entry of the generated tree (except what
// the test names) and is the working and the program directory until it is destroyed.
class DataDir {
 public:
  explicit DataDir(const std::string& name, std::vector<std::string> own = {"Enem", "EV", "Mat"}) {
    root_ = fs::temp_directory_path() / ("orvane_battle_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(root_);
    fs::create_directories(root_);
    const fs::path& tree = kGeneratedTree;
    for (const auto& entry : fs::directory_iterator(tree)) {
      const std::string file = entry.path().filename().string();
      bool kept = false;
      for (const std::string& o : own) kept = kept || o == file;
      if (kept || !entry.is_directory()) continue;
      fs::create_directory_symlink(entry.path(), root_ / file);
    }
    // The sky and the field maps of the demo, beside the test's own battle maps.
    fs::create_directories(root_ / "Mat");
    if (fs::exists(tree / "Mat" / "SKY")) fs::create_directory_symlink(tree / "Mat" / "SKY", root_ / "Mat" / "SKY");
    if (fs::exists(tree / "Mat"))
      for (const auto& entry : fs::directory_iterator(tree / "Mat"))
        if (entry.is_regular_file()) fs::create_symlink(entry.path(), root_ / "Mat" / entry.path().filename());
    previous_ = fs::current_path();
    fs::current_path(root_);
    plat::SetProgramDirectory(root_.string() + "/");
  }
  ~DataDir() {
    fs::current_path(previous_);
    plat::SetProgramDirectory("");
    fs::remove_all(root_);
  }
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;

  // Writes a file under the directory (UTF-8 text is turned into code page 932 when sjisText).
  void write(const std::string& relative, const std::string& text, bool sjisText = false) const {
    const fs::path path = ownPath(relative);
    std::ofstream(path, std::ios::binary) << (sjisText ? sjis(text) : text);
  }
  void write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    const fs::path path = ownPath(relative);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  // Takes a file away (a lent one only from this directory, never from the generated tree).
  void remove(const std::string& relative) const { fs::remove(ownPath(relative)); }
  // Lends one more file or directory of the generated tree.
  void lend(const std::string& relative) const {
    const fs::path from = kGeneratedTree / relative;
    fs::create_directories((root_ / relative).parent_path());
    if (fs::is_directory(from))
      fs::create_directory_symlink(from, root_ / relative);
    else
      fs::create_symlink(from, root_ / relative);
  }
  const fs::path& root() const { return root_; }

 private:
  // Where the test's own file goes: never through a link into the generated tree. A lent
  // folder on the way becomes a folder of its own that lends its entries one by one.
  fs::path ownPath(const std::string& relative) const {
    fs::path at = root_;
    for (const fs::path& part : fs::path(relative).parent_path()) {
      at /= part;
      if (fs::is_symlink(at)) {
        const fs::path target = fs::read_symlink(at);
        fs::remove(at);
        fs::create_directory(at);
        for (const auto& entry : fs::directory_iterator(target)) {
          if (entry.is_directory()) {
            fs::create_directory_symlink(entry.path(), at / entry.path().filename());
          } else {
            fs::create_symlink(entry.path(), at / entry.path().filename());
          }
        }
      }
    }
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    if (fs::is_symlink(path)) fs::remove(path);
    return path;
  }

  fs::path root_;
  fs::path previous_;
};

}  // namespace battle_test
