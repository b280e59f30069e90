// The device's resources on OpenGL: textures, surfaces and vertex buffers. Private to the
// device files of the platform layer.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/device.h"
#include "platform/gl_api.h"

namespace plat {

class GlDevice;

// Sampler settings as last given to a GL texture object.
struct SamplerParams {
  GLint wrapS = 0, wrapT = 0, magFilter = 0, minFilter = 0;
  bool operator==(const SamplerParams&) const = default;
};

// A surface: the back buffer's colour or depth, a level of a texture, or a depth surface.
class GlSurface final : public Surface {
 public:
  enum class Kind { Colour, Depth };
  GlSurface(GlDevice* device, Kind kind, D3DSURFACE_DESC desc, GLuint texture, unsigned level, GLuint renderbuffer,
            bool ownsRenderbuffer);
  ~GlSurface() override;
  D3DSURFACE_DESC GetDesc() const override { return desc_; }

  Kind kind() const { return kind_; }
  bool renderable() const { return kind_ == Kind::Colour && level_ == 0 && (desc_.Usage & D3DUSAGE_RENDERTARGET); }
  GLuint texture() const { return texture_; }
  unsigned level() const { return level_; }
  GLuint renderbuffer() const { return renderbuffer_; }
  GlDevice* device() const { return device_; }
  void detach() { device_ = nullptr; }

 private:
  GlDevice* device_;
  Kind kind_;
  D3DSURFACE_DESC desc_;
  GLuint texture_;
  unsigned level_;
  GLuint renderbuffer_;
  bool ownsRenderbuffer_;
};

class GlTexture final : public Texture {
 public:
  GlTexture(GlDevice* device, GLuint name, unsigned width, unsigned height, unsigned levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool);
  ~GlTexture() override;

  unsigned GetLevelCount() const override { return levels_; }
  D3DSURFACE_DESC GetLevelDesc(unsigned level) const override;
  HRESULT LockRect(unsigned level, D3DLOCKED_RECT* locked, DWORD flags) override;
  HRESULT UnlockRect(unsigned level) override;
  Surface* GetSurfaceLevel(unsigned level) override;

  GLuint name() const { return name_; }
  bool isRenderTarget() const { return usage_ & D3DUSAGE_RENDERTARGET; }
  GlDevice* device() const { return device_; }
  void detach();
  SamplerParams applied;  // what the GL object is set to

 private:
  GlDevice* device_;
  GLuint name_;
  unsigned width_, height_, levels_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  std::vector<std::vector<uint8_t>> memory_;  // each level in its own format, made on first lock
  std::vector<DWORD> lockFlags_;
  std::vector<bool> locked_;
  std::vector<std::unique_ptr<GlSurface>> surfaces_;
};

class GlVertexBuffer final : public VertexBuffer {
 public:
  GlVertexBuffer(GlDevice* device, unsigned size) : device_(device), bytes_(size) {}
  ~GlVertexBuffer() override;
  HRESULT Lock(unsigned offset, unsigned size, uint8_t** data, DWORD flags) override;
  HRESULT Unlock() override;
  unsigned Size() const override { return unsigned(bytes_.size()); }

  const uint8_t* bytes() const { return bytes_.data(); }
  GlDevice* device() const { return device_; }
  void detach() { device_ = nullptr; }

 private:
  GlDevice* device_;
  std::vector<uint8_t> bytes_;
  bool locked_ = false;
};

}  // namespace plat
