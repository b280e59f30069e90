// Directories for tests that read and write files: a fresh directory of the test's own, which may
// also be the game's data root and the current directory, and the demo game's data tree as data
// root. Everything is put back when the objects go.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

// Makes the game's data root (ProgramDirectory) answer dir while it lives.
class ScopedDataRoot {
 public:
  explicit ScopedDataRoot(const std::string& dir) { plat::SetProgramDirectory(dir); }
  ~ScopedDataRoot() { plat::SetProgramDirectory(""); }
  ScopedDataRoot(const ScopedDataRoot&) = delete;
  ScopedDataRoot& operator=(const ScopedDataRoot&) = delete;
};

// Makes dir the current directory while it lives (for the paths the game opens relative to it).
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDirectory() { std::filesystem::current_path(previous_); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// The demo game's data tree, generated next to the programs.
inline std::string demoDataDir() {
  return ORVANE_BIN_DIR;
}

// An empty directory under the system's temporary directory, named after the running test and
// the process (and numbered, for several in one test), removed with everything in it at the end.
class TempDataRoot {
 public:
  TempDataRoot() {
    static int made = 0;
    std::string name = "orvane";
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
      name += std::string("_") + info->test_suite_name() + "_" + info->name();
    }
    name += "_" + std::to_string(::getpid()) + "_" + std::to_string(++made);
    for (char& c : name) {
      if (c == '/') c = '_';  // parameterised test names
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDataRoot() {
    current_.reset();
    dataRoot_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDataRoot(const TempDataRoot&) = delete;
  TempDataRoot& operator=(const TempDataRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }
  // The directory with a trailing '/', as the game writes its data root.
  std::string root() const { return path_.string() + "/"; }

  // Makes it the game's data root until the end.
  void useAsDataRoot() { dataRoot_.emplace(root()); }
  // Makes it the current directory until the end.
  void enter() { current_.emplace(path_); }
  // Makes directories below it.
  void makeDirectories(const std::string& relative) const { std::filesystem::create_directories(path_ / relative); }
  // Writes a file below it, making its directory; returns the file's full path.
  std::string write(const std::string& relative, std::string_view bytes) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }
  std::string write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    return write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }

 private:
  std::filesystem::path path_;
  std::optional<ScopedDataRoot> dataRoot_;
  std::optional<ScopedCurrentDirectory> current_;
};
