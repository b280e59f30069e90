#include "platform/system.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/window.h"

namespace plat {

namespace {

Clock gClock;
MessageBoxHandler gMessageBoxHandler;
std::string gProgramDirectoryOverride;
bool gSeparateInstanceLock = false;
std::function<void(const std::string&)> gFileOpenObserver;

uint32_t realTicks() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

// One converter per pair of encodings and thread, opened once: opening one costs far more than
// converting a message.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    return cd_;
  }

 private:
  iconv_t cd_;
};

Converter& converter(const char* to, const char* from) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> converters;
  std::unique_ptr<Converter>& c = converters[{to, from}];
  if (!c) c = std::make_unique<Converter>(to, from);
  return *c;
}

std::string convert(const char* to, const char* from, std::string_view in) {
  Converter& c = converter(to, from);
  if (!c.ok()) return std::string(in);
  iconv_t cd = c.get();
  std::string out;
  out.reserve(in.size() * 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[256];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: one '?' for the byte, then go on after it.
      out.push_back('?');
      ++src;
      --srcLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The names in a directory, as read when its modification time was mtime.
struct DirectoryListing {
  timespec mtime{};
  bool settled = false;  // read two seconds or more after mtime
  std::vector<std::string> names;
};

// Listings of the directories searched so far. A directory whose modification time changed (an
// entry added, removed or renamed) is read again; the loaders look for missing files often, and
// reading the directory each time was most of their cost. A listing read within two seconds of
// the directory's change is not kept: the file system may stamp two changes that close alike.
std::mutex gListingsMutex;
std::unordered_map<std::string, DirectoryListing> gListings;
constexpr size_t kMostListings = 256;

bool readListing(const std::string& dir, DirectoryListing& listing) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  listing.names.clear();
  while (dirent* e = ::readdir(d)) listing.names.emplace_back(e->d_name);
  ::closedir(d);
  return true;
}

// Finds an entry of dir whose name equals name without regard to ASCII case.
bool findCaseless(const std::string& dir, const std::string& name, std::string& found) {
  const std::string path = dir.empty() ? "." : dir;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  std::lock_guard lock(gListingsMutex);
  auto it = gListings.find(path);
  if (it == gListings.end() || !it->second.settled || it->second.mtime.tv_sec != st.st_mtim.tv_sec ||
      it->second.mtime.tv_nsec != st.st_mtim.tv_nsec) {
    if (gListings.size() >= kMostListings) gListings.clear();
    DirectoryListing listing;
    if (!readListing(path, listing)) return false;
    listing.mtime = st.st_mtim;
    listing.settled = std::time(nullptr) >= st.st_mtim.tv_sec + 2;
    it = gListings.insert_or_assign(path, std::move(listing)).first;
  }
  for (const std::string& entry : it->second.names) {
    if (::strcasecmp(entry.c_str(), name.c_str()) == 0) {
      found = entry;
      return true;
    }
  }
  return false;
}

}  // namespace

uint32_t GetTickCount() {
  return gClock.now ? gClock.now() : realTicks();
}

void Sleep(int ms) {
  if (gClock.sleep) {
    gClock.sleep(ms);
    return;
  }
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  if (gClock.monotonic) return gClock.monotonic();
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetClock(Clock clock) {
  gClock = std::move(clock);
}

void MessageBox(std::string_view text, std::string_view caption) {
  MessageBoxUtf8(Utf8FromCp932(text), Utf8FromCp932(caption));
}

void MessageBoxUtf8(const std::string& textUtf8, const std::string& captionUtf8) {
  if (gMessageBoxHandler) {
    gMessageBoxHandler(textUtf8, captionUtf8);
    return;
  }
  if (!ShowMainWindowMessageBox(textUtf8, captionUtf8)) {
    // No way to show a box (no display): the text still reaches the user on the console.
    std::fprintf(stderr, "[%s] %s\n", captionUtf8.c_str(), textUtf8.c_str());
  }
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  gMessageBoxHandler = std::move(handler);
}

void UseSeparateInstanceLock() {
  gSeparateInstanceLock = true;
}

bool AcquireInstanceLock(const char* key) {
  // The lock file lives in the runtime directory (or /tmp) and is held with flock for the life
  // of the process; the kernel releases it when the process ends, however it ends.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string path = std::string(runtime && *runtime ? runtime : "/tmp") + "/";
  for (const char* p = key; *p; ++p) path.push_back(std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
  if (gSeparateInstanceLock) path += "_" + std::to_string(::getpid());
  path += ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no place for a lock: do not refuse to run
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  return true;  // fd stays open on purpose
}

void SetProgramDirectory(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  gProgramDirectoryOverride = std::move(dir);
}

std::string ProgramDirectory() {
  if (!gProgramDirectoryOverride.empty()) return gProgramDirectoryOverride;
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
  std::string path = n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string("./");
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ResolvePath(std::string_view path) {
  std::string plain(path);
  for (char& c : plain) {
    if (c == '\\') c = '/';
  }
  if (plain.empty() || exists(plain)) return plain;

  // Walk the components, keeping each one that exists and matching the others caselessly.
  std::string resolved;
  size_t pos = 0;
  if (plain[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= plain.size()) {
    size_t next = plain.find('/', pos);
    if (next == std::string::npos) next = plain.size();
    std::string part = plain.substr(pos, next - pos);
    if (!part.empty()) {
      std::string candidate = resolved + part;
      if (!exists(candidate)) {
        std::string found;
        if (!findCaseless(resolved, part, found)) return plain;
        candidate = resolved + found;
      }
      resolved = candidate;
      if (next < plain.size()) resolved += '/';
    }
    pos = next + 1;
  }
  return resolved;
}

FILE* OpenFile(std::string_view path, const char* mode) {
  const std::string resolved = ResolvePath(path);
  if (gFileOpenObserver) gFileOpenObserver(resolved);
  return std::fopen(resolved.c_str(), mode);
}

void SetFileOpenObserver(std::function<void(const std::string& resolvedPath)> observer) {
  gFileOpenObserver = std::move(observer);
}

std::optional<std::vector<uint8_t>> ReadFile(std::string_view path, size_t limit) {
  FILE* file = OpenFile(path, "rb");
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  while (bytes.size() < limit) {
    const size_t got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got == 0) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

std::string Utf8FromCp932(std::string_view cp932) {
  return convert("UTF-8", "CP932", cp932);
}

std::string Cp932FromUtf8(std::string_view utf8) {
  return convert("CP932", "UTF-8", utf8);
}

}  // namespace plat
