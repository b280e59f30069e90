// The run of a check: the game's state set up for the tree and put back afterwards, the parts
// in order, the findings and their two written forms.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include "audio/sound.h"
#include "battle/sky.h"
#include "core/graphics.h"
#include "core/state_json.h"
#include "data/database.h"
#include "event/object_task.h"
#include "field/field.h"
#include "platform/audio.h"
#include "platform/image.h"
#include "platform/system.h"
#include "tests/null_device.h"
#include "tools/check/checker.h"

namespace check {

namespace fs = std::filesystem;

namespace {

// A texture whose levels the loaders write and nothing reads back: every lock lends the same
// scratch memory, so that a check holds one level at a time.
class ScratchTexture : public plat::Texture {
 public:
  ScratchTexture(unsigned width, unsigned height, unsigned levels, plat::D3DFORMAT format) : format_(format) {
    for (unsigned i = 0; i < std::max(levels, 1u); ++i) {
      sizes_.push_back({width, height});
      width = std::max(1u, width / 2);
      height = std::max(1u, height / 2);
    }
  }
  unsigned GetLevelCount() const override { return static_cast<unsigned>(sizes_.size()); }
  plat::D3DSURFACE_DESC GetLevelDesc(unsigned level) const override {
    const Size& size = sizes_[std::min<size_t>(level, sizes_.size() - 1)];
    return {format_, 0, plat::D3DPOOL_MANAGED, size.width, size.height};
  }
  plat::HRESULT LockRect(unsigned level, plat::D3DLOCKED_RECT* locked, plat::DWORD) override {
    if (level >= sizes_.size()) return plat::D3DERR_INVALIDCALL;
    const size_t pitch = plat::ImageRowSize(format_, sizes_[level].width);
    static std::vector<uint8_t> scratch;
    scratch.resize(std::max(scratch.size(), pitch * plat::ImageRowCount(format_, sizes_[level].height)));
    locked->Pitch = static_cast<int>(pitch);
    locked->pBits = scratch.data();
    return plat::D3D_OK;
  }
  plat::HRESULT UnlockRect(unsigned) override { return plat::D3D_OK; }
  plat::Surface* GetSurfaceLevel(unsigned) override { return nullptr; }

 private:
  struct Size {
    unsigned width, height;
  };
  plat::D3DFORMAT format_;
  std::vector<Size> sizes_;
};

// A device that draws nothing and makes scratch textures, so that the loaders decode every image
// as they do in the game.
class CheckDevice : public NullDevice {
 public:
  HRESULT CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD, plat::D3DFORMAT format, plat::D3DPOOL,
                        std::unique_ptr<plat::Texture>* texture) override {
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return plat::D3DERR_INVALIDCALL;
    *texture = std::make_unique<ScratchTexture>(width, height, levels, format);
    return plat::D3D_OK;
  }
};

// The game's state for the tree while a check runs: the tree is the data root and the current
// directory (the game opens some of its files relative to it), the device makes scratch
// textures, sounds go to the offline mixer. Everything is put back at the end.
class Session {
 public:
  explicit Session(const fs::path& tree) : previousDirectory_(fs::current_path()), previousDevice_(gDevice) {
    plat::SetProgramDirectory(tree.string() + "/");
    fs::current_path(tree);
    gDevice = &device_;
    plat::SelectAudioOutput(plat::AudioOutput::Offline);
    audioOpen_ = plat::OpenAudio();
  }
  ~Session() {
    freeDatabase();
    resetField();
    resetSky();
    for (int slot = kFirstOnDemandSoundSlot; slot < kSoundSlotCount; ++slot) freeSound(slot);
    if (audioOpen_) plat::CloseAudio();
    plat::SelectAudioOutput(plat::AudioOutput::Device);  // the mixer's own choice
    gDevice = previousDevice_;
    plat::SetProgramDirectory("");
    std::error_code ignored;
    fs::current_path(previousDirectory_, ignored);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  fs::path previousDirectory_;
  plat::Device* previousDevice_;
  CheckDevice device_;
  bool audioOpen_ = false;
};

std::string oneLine(std::string_view text) {
  std::string line(text);
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  return line;
}

const char* severityName(Severity severity) {
  return severity == Severity::Error ? "error" : "warning";
}

}  // namespace

// ---- findings ----

void Findings::add(Severity severity, std::string_view file, int line, std::string_view text) {
  findings_.push_back({std::string(file), line, severity, oneLine(text)});
}

Report Findings::report() const {
  Report report;
  // A rule met twice at the same place (an include read by several scripts) is said once.
  std::set<std::tuple<std::string, int, Severity, std::string>> seen;
  for (const Finding& f : findings_)
    if (seen.insert({f.file, f.line, f.severity, f.text}).second) report.findings.push_back(f);
  std::stable_sort(report.findings.begin(), report.findings.end(), [](const Finding& a, const Finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  return report;
}

int Report::errors() const {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; }));
}

int Report::warnings() const {
  return static_cast<int>(findings.size()) - errors();
}

// ---- message boxes ----

MessageTrap::MessageTrap() {
  plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { texts_.push_back(text); });
}

MessageTrap::~MessageTrap() {
  plat::SetMessageBoxHandler(nullptr);
}

std::vector<std::string> MessageTrap::take() {
  std::vector<std::string> taken;
  taken.swap(texts_);
  return taken;
}

void Context::reportMessages(std::string_view file, int line) {
  for (const std::string& text : trap.take()) findings.error(file, line, "message box \"" + text + "\"");
}

// ---- paths ----

std::optional<std::string> findFile(std::string_view gamePath) {
  const std::string resolved = plat::ResolvePath(gamePath);
  std::error_code error;
  if (!fs::is_regular_file(resolved, error)) return std::nullopt;
  std::string relative = fs::path(resolved).lexically_normal().generic_string();
  if (relative.rfind("./", 0) == 0) relative.erase(0, 2);
  return relative;
}

std::string reportPath(std::string_view gamePath) {
  if (const auto found = findFile(gamePath)) return *found;
  std::string path(gamePath);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string utf8(std::string_view cp932) {
  return plat::Utf8FromCp932(cp932);
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// ---- the run ----

Report checkTree(const std::string& dir) {
  std::error_code error;
  const fs::path tree = fs::absolute(dir, error);
  if (error || !fs::is_directory(tree, error)) {
    Findings findings;
    findings.error(dir, 0, "not a directory");
    return findings.report();
  }
  Session session(tree);
  Context context;
  checkTables(context);
  checkFiles(context);
  std::vector<ScannedScript> scripts = scanScripts(context);
  checkReferences(context, scripts);
  context.discardMessages();
  return context.findings.report();
}

std::string textReport(const Report& report) {
  std::string text;
  for (const Finding& f : report.findings)
    text += f.file + ":" + std::to_string(f.line) + ": " + severityName(f.severity) + ": " + f.text + "\n";
  text += "orvane-check: " + std::to_string(report.errors()) + " error(s), " + std::to_string(report.warnings()) +
          " warning(s)\n";
  return text;
}

std::string jsonReport(const Report& report) {
  std::string list = "[";
  for (const Finding& f : report.findings) {
    state_json::Object o;
    o.add("file", state_json::quoted(f.file));
    o.add("line", f.line);
    o.add("severity", state_json::quoted(severityName(f.severity)));
    o.add("text", state_json::quoted(f.text));
    list += (list.size() > 1 ? ", " : "") + o.text();
  }
  list += "]";
  state_json::Object o;
  o.add("errors", report.errors());
  o.add("warnings", report.warnings());
  o.add("findings", list);
  return o.text() + "\n";
}

}  // namespace check
