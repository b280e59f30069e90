// The whole game in process on a device that draws nothing: booted on the data directory that is
// current (a test's own, lending the demo tree), with a simulated clock and a pinned random
// source, message boxes collected, and keys delivered as the keyboard would, frame by frame. For
// long runs that need no picture.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/boot.h"
#include "app/game_state.h"
#include "app/main_loop.h"
#include "app/window_proc.h"
#include "audio/sound.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "platform/system.h"
#include "platform/window.h"
#include "recording_device.h"

// A vertex buffer in memory, so that what the game fills stays where it put it.
class MemoryVertexBuffer : public plat::VertexBuffer {
 public:
  explicit MemoryVertexBuffer(unsigned size) : bytes_(size) {}
  plat::HRESULT Lock(unsigned offset, unsigned, uint8_t** data, plat::DWORD) override {
    if (offset > bytes_.size()) return plat::D3DERR_INVALIDCALL;
    *data = bytes_.data() + offset;
    return plat::D3D_OK;
  }
  plat::HRESULT Unlock() override { return plat::D3D_OK; }
  unsigned Size() const override { return static_cast<unsigned>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
};

// Draws nothing; textures and vertex buffers live in memory and can be filled.
class HeadlessDevice : public NullDevice {
 public:
  HRESULT CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD, plat::D3DFORMAT format, plat::D3DPOOL,
                        std::unique_ptr<plat::Texture>* texture) override {
    *texture = std::make_unique<recording::MemoryTexture>(width, height, levels, format);
    return plat::D3D_OK;
  }
  HRESULT CreateVertexBuffer(unsigned size, DWORD, DWORD, plat::D3DPOOL,
                             std::unique_ptr<plat::VertexBuffer>* buffer) override {
    *buffer = std::make_unique<MemoryVertexBuffer>(size);
    return plat::D3D_OK;
  }
};

inline uint32_t gHeadlessClock = 1000;

class HeadlessGame {
 public:
  explicit HeadlessGame(std::vector<std::string>& messages) {
    resetGameState();
    gDevice = &device_;
    plat::SetClock({[] { return gHeadlessClock; }, [](int ms) { gHeadlessClock += static_cast<uint32_t>(ms); },
                    [] { return uint64_t{1}; }});
    plat::SetMessageBoxHandler([&messages](const std::string& text, const std::string& caption) {
      messages.push_back(caption + "\t" + text);
    });
    soundReady_ = soundSetup();
    gFrameStart = plat::GetTickCount();
    BootScene();
  }
  ~HeadlessGame() {
    resetGameState();
    if (soundReady_) soundShutdown();
    gDevice = nullptr;
    plat::SetMessageBoxHandler(nullptr);
    plat::SetClock({});
  }
  HeadlessGame(const HeadlessGame&) = delete;
  HeadlessGame& operator=(const HeadlessGame&) = delete;

  // Delivers the key events as the keyboard would, handles the messages, runs one frame.
  void frame(const std::vector<plat::KeyEvent>& keys) {
    for (const plat::KeyEvent& key : keys) plat::InjectKeyEvent(key);
    plat::Message message;
    while (plat::PeekMessage(message)) windowProcedure(message);
    runOneFrame();
  }

 private:
  HeadlessDevice device_;
  bool soundReady_ = false;
};

// Built with AddressSanitizer: the long runs run whole there and shortened elsewhere.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif
#else
constexpr bool kSanitizerBuild = false;
#endif
