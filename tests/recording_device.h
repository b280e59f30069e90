// The recording device of the tests: it keeps what the drawers asked of it (the textures set,
// the vertex format, the render states, every DrawPrimitiveUP with its vertices) and passes every
// call on, either to a real device (to watch the game draw real pixels) or to a blank device
// that draws nothing and makes fake textures. Textures in memory for loaders that fill them live
// here too.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "forwarding_device.h"
#include "null_device.h"
#include "platform/image.h"

namespace recording {

using namespace plat;

// A 256 x 256 texture that holds nothing and cannot be locked.
class FakeTexture : public Texture {
 public:
  unsigned GetLevelCount() const override { return 1; }
  D3DSURFACE_DESC GetLevelDesc(unsigned) const override { return {D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED, 256, 256}; }
  HRESULT LockRect(unsigned, D3DLOCKED_RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT UnlockRect(unsigned) override { return D3D_OK; }
  Surface* GetSurfaceLevel(unsigned) override { return nullptr; }
};

// A texture in memory with every level lockable; rows are padded to a pitch wider than a row, as
// a device may do.
class MemoryTexture : public Texture {
 public:
  MemoryTexture(unsigned width, unsigned height, unsigned levels, D3DFORMAT format) : format_(format) {
    for (unsigned i = 0; i < std::max(levels, 1u); ++i) {
      const unsigned pitch = static_cast<unsigned>(ImageRowSize(format, width)) + 8;
      levels_.push_back({width, height, pitch, std::vector<uint8_t>(size_t{pitch} * ImageRowCount(format, height), 0xEE)});
      width = std::max(1u, width / 2);
      height = std::max(1u, height / 2);
    }
  }
  unsigned GetLevelCount() const override { return static_cast<unsigned>(levels_.size()); }
  D3DSURFACE_DESC GetLevelDesc(unsigned level) const override {
    return {format_, 0, D3DPOOL_MANAGED, levels_[level].width, levels_[level].height};
  }
  HRESULT LockRect(unsigned level, D3DLOCKED_RECT* locked, DWORD) override {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    locked->Pitch = static_cast<int>(levels_[level].pitch);
    locked->pBits = levels_[level].bytes.data();
    return D3D_OK;
  }
  HRESULT UnlockRect(unsigned) override { return D3D_OK; }
  Surface* GetSurfaceLevel(unsigned) override { return nullptr; }

  // A level's rows without their padding.
  std::vector<uint8_t> rows(unsigned level) const {
    const Level& l = levels_[level];
    const size_t rowSize = ImageRowSize(format_, l.width);
    std::vector<uint8_t> out;
    for (unsigned r = 0; r < ImageRowCount(format_, l.height); ++r)
      out.insert(out.end(), l.bytes.begin() + r * l.pitch, l.bytes.begin() + r * l.pitch + rowSize);
    return out;
  }

 private:
  struct Level {
    unsigned width, height, pitch;
    std::vector<uint8_t> bytes;
  };
  D3DFORMAT format_;
  std::vector<Level> levels_;
};

// One DrawPrimitiveUP.
struct Draw {
  D3DPRIMITIVETYPE type;
  unsigned primitives;
  Texture* texture;
  DWORD format;
  std::vector<::ScreenVertex> vertices;  // filled for 32-byte vertices only
  bool stencil;
  // The quad's left and top corner and its colour (first vertex).
  float x() const { return vertices[0].x; }
  float y() const { return vertices[0].y; }
  uint32_t colour() const { return vertices[0].diffuse; }
};

// The vertices a draw of that many primitives uses.
inline unsigned verticesOf(D3DPRIMITIVETYPE type, unsigned primitives) {
  switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
  }
  return 0;
}

// Draws nothing; makes fake textures.
class BlankDevice : public NullDevice {
 public:
  HRESULT CreateTexture(unsigned, unsigned, unsigned, DWORD, D3DFORMAT, D3DPOOL, std::unique_ptr<Texture>* t) override {
    *t = std::make_unique<FakeTexture>();
    return D3D_OK;
  }
};

class RecordingDevice : public ForwardingDevice {
 public:
  // Passes every call on to next, or to a blank device of its own when there is none.
  explicit RecordingDevice(Device* next = nullptr) : ForwardingDevice(next ? next : &blank_) {}
  RecordingDevice(const RecordingDevice&) = delete;
  RecordingDevice& operator=(const RecordingDevice&) = delete;

  std::vector<Texture*> textureCalls;  // every SetTexture(0, …)
  std::vector<Draw> draws;
  std::map<int, DWORD> renderStates;  // as set through this device
  Texture* texture = nullptr;
  DWORD format = 0;
  int stencilClears = 0;

  // Forgets what was recorded (the current texture, format and render states stay).
  void reset() {
    textureCalls.clear();
    draws.clear();
    stencilClears = 0;
  }
  // Draws with that texture bound, in order.
  std::vector<Draw> drawsWith(Texture* t) const {
    std::vector<Draw> out;
    for (const Draw& draw : draws) {
      if (draw.texture == t) out.push_back(draw);
    }
    return out;
  }

  HRESULT Clear(DWORD n, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override {
    if (flags & D3DCLEAR_STENCIL) ++stencilClears;
    return d->Clear(n, rects, flags, colour, z, stencil);
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    renderStates[state] = value;
    return d->SetRenderState(state, value);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    const auto set = renderStates.find(state);
    if (set == renderStates.end()) return d->GetRenderState(state, value);
    *value = set->second;
    return D3D_OK;
  }
  HRESULT SetTexture(DWORD stage, Texture* t) override {
    if (stage == 0) {
      textureCalls.push_back(t);
      texture = t;
    }
    return d->SetTexture(stage, t);
  }
  HRESULT SetVertexShader(DWORD fvf) override {
    format = fvf;
    return d->SetVertexShader(fvf);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitives, const void* vertices, unsigned stride) override {
    DWORD stencil = 0;
    GetRenderState(D3DRS_STENCILENABLE, &stencil);
    Draw draw{type, primitives, texture, format, {}, stencil != 0};
    if (stride == sizeof(::ScreenVertex)) {
      draw.vertices.resize(verticesOf(type, primitives));
      std::memcpy(draw.vertices.data(), vertices, draw.vertices.size() * sizeof(::ScreenVertex));
    }
    draws.push_back(std::move(draw));
    return d->DrawPrimitiveUP(type, primitives, vertices, stride);
  }

 private:
  BlankDevice blank_;
};

// Installs a recording device as gDevice for the life of the object (drawing nothing, or passing
// on to the device installed before), and puts the previous device back afterwards.
class ScopedRecordingDevice {
 public:
  RecordingDevice device;
  explicit ScopedRecordingDevice(Device* next = nullptr) : device(next), previous_(gDevice) { gDevice = &device; }
  ~ScopedRecordingDevice() { gDevice = previous_; }
  ScopedRecordingDevice(const ScopedRecordingDevice&) = delete;
  ScopedRecordingDevice& operator=(const ScopedRecordingDevice&) = delete;

 private:
  Device* previous_;
};

}  // namespace recording
