// System services in place of the Win32 system calls the game makes: ticks and sleep, message
// boxes, the single-instance lock, the program's own directory, data path resolution and the
// code page 932 conversions.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Milliseconds since an arbitrary start; wraps like GetTickCount.
uint32_t GetTickCount();
// Sleeps (or, under a simulated clock, advances the clock) for ms milliseconds.
void Sleep(int ms);
// Milliseconds of the system's monotonic clock (counted from an unspecified start, usually the
// machine's own start), so two launches read different values.
uint64_t MonotonicMilliseconds();

// Replaces the clock. now() gives the tick; sleep(ms) is called for every Sleep; monotonic()
// answers MonotonicMilliseconds. The replay runner installs a simulated clock; an empty function
// leaves that part to the real clock.
struct Clock {
  std::function<uint32_t()> now;
  std::function<void(int)> sleep;
  std::function<uint64_t()> monotonic;
};
void SetClock(Clock clock);

// A modal message box with an OK button. Text and caption are in code page 932, as the game
// keeps its texts. Returns when the box is closed.
void MessageBox(std::string_view text, std::string_view caption);
// The same box for texts of the platform's own, in UTF-8.
void MessageBoxUtf8(const std::string& textUtf8, const std::string& captionUtf8);
// Replaces how message boxes are shown (the replay runner and the tests answer them at once).
// The handler receives UTF-8 text and caption.
using MessageBoxHandler = std::function<void(const std::string& textUtf8, const std::string& captionUtf8)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// Holds a lock named key for the life of the process. Returns false when another process
// already holds it.
bool AcquireInstanceLock(const char* key);
// Makes this process's lock its own, so that it never excludes another copy: the replay runner
// runs many copies of the game side by side.
void UseSeparateInstanceLock();

// The running program's own directory with a trailing '/'.
std::string ProgramDirectory();
// The longest directory the game's data root holds (its buffer has room for the terminator too).
constexpr size_t kDataRootMaxLength = 255;
// Makes ProgramDirectory() answer dir instead (the replay runner runs a data tree that does not
// lie next to the game's program). An empty dir restores the real one.
void SetProgramDirectory(std::string dir);

// Resolves a game path: '\' becomes '/', and each component that does not exist under its exact
// name is matched against the directory's entries without regard to ASCII case. A path that
// cannot be resolved comes back with only the separators changed.
std::string ResolvePath(std::string_view path);
// fopen through the resolver.
FILE* OpenFile(std::string_view path, const char* mode);
// Called with the resolved path of every OpenFile, whether the file opens or not (the tests learn
// which files a run reads). Empty: nobody is told.
void SetFileOpenObserver(std::function<void(const std::string& resolvedPath)> observer);
// The bytes of a file (through the resolver), at most limit of them; nothing when the file cannot
// be opened or read (a directory, a read error).
constexpr size_t kFileReadLimit = 64u << 20;
std::optional<std::vector<uint8_t>> ReadFile(std::string_view path, size_t limit = kFileReadLimit);

// Code page 932 <-> UTF-8. Bytes that cannot be converted become '?'.
std::string Utf8FromCp932(std::string_view cp932);
std::string Cp932FromUtf8(std::string_view utf8);

}  // namespace plat
