#include "platform/gl_resources.h"

#include "platform/gl_device.h"
#include "platform/texture_format.h"

namespace plat {

GlSurface::GlSurface(GlDevice* device, Kind kind, D3DSURFACE_DESC desc, GLuint texture, unsigned level,
                     GLuint renderbuffer, bool ownsRenderbuffer)
    : device_(device),
      kind_(kind),
      desc_(desc),
      texture_(texture),
      level_(level),
      renderbuffer_(renderbuffer),
      ownsRenderbuffer_(ownsRenderbuffer) {
  if (device_) device_->adopt(this);
}

GlSurface::~GlSurface() {
  if (device_) device_->forget(this);
  if (ownsRenderbuffer_ && renderbuffer_) gl::DeleteRenderbuffers(1, &renderbuffer_);
}

GlTexture::GlTexture(GlDevice* device, GLuint name, unsigned width, unsigned height, unsigned levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool)
    : device_(device),
      name_(name),
      width_(width),
      height_(height),
      levels_(levels),
      usage_(usage),
      format_(format),
      pool_(pool),
      memory_(levels),
      lockFlags_(levels, 0),
      locked_(levels, false),
      surfaces_(levels) {}

GlTexture::~GlTexture() {
  if (device_) device_->forget(this);
  surfaces_.clear();  // the surfaces leave the device's lists before the GL texture goes
  glDeleteTextures(1, &name_);
}

void GlTexture::detach() {
  device_ = nullptr;
  for (auto& surface : surfaces_)
    if (surface) surface->detach();
}

D3DSURFACE_DESC GlTexture::GetLevelDesc(unsigned level) const {
  D3DSURFACE_DESC desc{format_, usage_, pool_, MipSize(width_, level), MipSize(height_, level)};
  if (level >= levels_) desc.Width = desc.Height = 0;
  return desc;
}

HRESULT GlTexture::LockRect(unsigned level, D3DLOCKED_RECT* locked, DWORD flags) {
  if (!locked || level >= levels_ || locked_[level] || isRenderTarget()) return D3DERR_INVALIDCALL;
  const unsigned w = MipSize(width_, level), h = MipSize(height_, level);
  if (memory_[level].empty()) memory_[level].assign(LevelBytes(format_, w, h), 0);
  locked->Pitch = int(LevelPitch(format_, w));
  locked->pBits = memory_[level].data();
  locked_[level] = true;
  lockFlags_[level] = flags;
  return D3D_OK;
}

HRESULT GlTexture::UnlockRect(unsigned level) {
  if (level >= levels_ || !locked_[level]) return D3DERR_INVALIDCALL;
  locked_[level] = false;
  if (lockFlags_[level] & D3DLOCK_READONLY) return D3D_OK;
  const unsigned w = MipSize(width_, level), h = MipSize(height_, level);
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  DecodeToRgba(format_, memory_[level].data(), LevelPitch(format_, w), w, h, rgba.data());
  glBindTexture(GL_TEXTURE_2D, name_);
  glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, 0, GLsizei(w), GLsizei(h), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  if (device_) device_->texturesDisturbed();
  return D3D_OK;
}

Surface* GlTexture::GetSurfaceLevel(unsigned level) {
  if (level >= levels_) return nullptr;
  if (!surfaces_[level]) {
    surfaces_[level] = std::make_unique<GlSurface>(device_, GlSurface::Kind::Colour, GetLevelDesc(level), name_, level,
                                                   0, false);
  }
  return surfaces_[level].get();
}

GlVertexBuffer::~GlVertexBuffer() {
  if (device_) device_->forget(this);
}

HRESULT GlVertexBuffer::Lock(unsigned offset, unsigned size, uint8_t** data, DWORD) {
  if (!data || locked_ || offset > bytes_.size()) return D3DERR_INVALIDCALL;
  if (size == 0) size = unsigned(bytes_.size()) - offset;
  if (size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
  *data = bytes_.data() + offset;
  locked_ = true;
  return D3D_OK;
}

HRESULT GlVertexBuffer::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

}  // namespace plat
