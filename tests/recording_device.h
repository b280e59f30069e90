// A device for tests that draws nothing and records what the drawers asked of it: the textures
// set, the vertex format, the render states and every DrawPrimitiveUP with its vertices.
#pragma once
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "core/draw2d.h"
#include "core/graphics.h"
#include "null_device.h"

namespace recording {

using namespace plat;

class FakeTexture : public Texture {
 public:
  unsigned GetLevelCount() const override { return 1; }
  D3DSURFACE_DESC GetLevelDesc(unsigned) const override { return {D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED, 256, 256}; }
  HRESULT LockRect(unsigned, D3DLOCKED_RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT UnlockRect(unsigned) override { return D3D_OK; }
  Surface* GetSurfaceLevel(unsigned) override { return nullptr; }
};

struct Draw {
  Texture* texture;
  DWORD format;
  std::vector<::ScreenVertex> vertices;
  bool stencil;
  // The quad's left and top corner and its colour (first vertex).
  float x() const { return vertices[0].x; }
  float y() const { return vertices[0].y; }
  uint32_t colour() const { return vertices[0].diffuse; }
};

class RecordingDevice : public NullDevice {
 public:
  std::vector<Texture*> textureCalls;  // every SetTexture(0, …)
  std::vector<Draw> draws;
  std::map<int, DWORD> renderStates;
  Texture* texture = nullptr;
  DWORD format = 0;
  int stencilClears = 0;

  void reset() {
    textureCalls.clear();
    draws.clear();
    stencilClears = 0;
  }
  // Draws with that texture bound, in order.
  std::vector<Draw> drawsWith(Texture* t) const {
    std::vector<Draw> out;
    for (const Draw& d : draws) {
      if (d.texture == t) out.push_back(d);
    }
    return out;
  }

  HRESULT Clear(DWORD, const D3DRECT*, DWORD flags, D3DCOLOR, float, DWORD) override {
    if (flags & D3DCLEAR_STENCIL) ++stencilClears;
    return D3D_OK;
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    renderStates[state] = value;
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    *value = renderStates[state];
    return D3D_OK;
  }
  HRESULT CreateTexture(unsigned, unsigned, unsigned, DWORD, D3DFORMAT, D3DPOOL, std::unique_ptr<Texture>* t) override {
    *t = std::make_unique<FakeTexture>();
    return D3D_OK;
  }
  HRESULT SetTexture(DWORD stage, Texture* t) override {
    if (stage == 0) {
      textureCalls.push_back(t);
      texture = t;
    }
    return D3D_OK;
  }
  HRESULT SetVertexShader(DWORD fvf) override {
    format = fvf;
    return D3D_OK;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, unsigned primitives, const void* vertices, unsigned stride) override {
    Draw d{texture, format, {}, renderStates[D3DRS_STENCILENABLE] != 0};
    if (stride == sizeof(::ScreenVertex)) {
      d.vertices.resize(primitives + 2);
      std::memcpy(d.vertices.data(), vertices, d.vertices.size() * sizeof(::ScreenVertex));
    }
    draws.push_back(d);
    return D3D_OK;
  }
};

// Installs a recording device as gDevice for the life of the object, with fake font and cursor
// textures, and puts the previous device back afterwards.
class ScopedRecordingDevice {
 public:
  RecordingDevice device;
  ScopedRecordingDevice() : previous_(gDevice) { gDevice = &device; }
  ~ScopedRecordingDevice() { gDevice = previous_; }
  ScopedRecordingDevice(const ScopedRecordingDevice&) = delete;
  ScopedRecordingDevice& operator=(const ScopedRecordingDevice&) = delete;

 private:
  Device* previous_;
};

}  // namespace recording
