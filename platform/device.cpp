#include "platform/device.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/gl_device.h"
#include "platform/screenshot.h"
#include "platform/texture_format.h"
#include "platform/window.h"

namespace plat {

int VertexSize(DWORD fvf) {
  int size = 0;
  if (fvf & D3DFVF_XYZRHW) size += 16;
  else if (fvf & D3DFVF_XYZ) size += 12;
  if (fvf & D3DFVF_NORMAL) size += 12;
  if (fvf & D3DFVF_DIFFUSE) size += 4;
  if (fvf & D3DFVF_SPECULAR) size += 4;
  if (fvf & D3DFVF_TEX1) size += 8;
  return size;
}

PresentRect LetterboxRect(int windowWidth, int windowHeight) {
  if (windowWidth <= 0 || windowHeight <= 0) return {};
  const int64_t w = windowWidth, h = windowHeight;
  PresentRect r;
  // Exact integer comparison of the two aspect ratios: the narrower side decides the scale.
  if (w * 480 <= h * 640) {
    r.width = windowWidth;
    r.height = int(w * 480 / 640);
  } else {
    r.height = windowHeight;
    r.width = int(h * 640 / 480);
  }
  r.x = (windowWidth - r.width) / 2;
  r.y = (windowHeight - r.height) / 2;
  return r;
}

PresentScale PresentScaleFromEnvironment() {
  const char* scale = std::getenv("ORVANE_SCALE");
  return scale && std::strcmp(scale, "integer") == 0 ? PresentScale::Integer : PresentScale::Fit;
}

PresentArea PresentAreaFor(int windowWidth, int windowHeight, PresentScale scale) {
  const int times = std::min(windowWidth / 640, windowHeight / 480);
  if (scale == PresentScale::Integer && times >= 1) {
    const int width = 640 * times, height = 480 * times;
    return {{(windowWidth - width) / 2, (windowHeight - height) / 2, width, height}, true};
  }
  return {LetterboxRect(windowWidth, windowHeight), false};
}

namespace {

float asFloat(DWORD bits) { return std::bit_cast<float>(bits); }

D3DMATRIX identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

void colourOf(D3DCOLOR c, float out[4]) {
  out[0] = float((c >> 16) & 255) / 255.0f;
  out[1] = float((c >> 8) & 255) / 255.0f;
  out[2] = float(c & 255) / 255.0f;
  out[3] = float(c >> 24) / 255.0f;
}

GLenum compareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum blendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;  // D3DBLEND_SRCALPHASAT
    default: return GL_ONE;
  }
}

GLenum blendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case 4: return GL_MIN;  // D3DBLENDOP_MIN
    case 5: return GL_MAX;  // D3DBLENDOP_MAX
    default: return GL_FUNC_ADD;
  }
}

GLenum stencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLint addressMode(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case 4: return GL_CLAMP_TO_BORDER;  // D3DTADDRESS_BORDER
    case 5: return GL_CLAMP_TO_EDGE;    // D3DTADDRESS_MIRRORONCE
    default: return GL_REPEAT;
  }
}

GLint minFilter(DWORD min, DWORD mip) {
  const bool linear = min >= D3DTEXF_LINEAR;
  if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

GLenum primitiveMode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
  }
}

// Vertices needed by primitiveCount primitives of a type (0 for an unknown type).
unsigned verticesFor(D3DPRIMITIVETYPE type, unsigned primitiveCount) {
  switch (type) {
    case D3DPT_POINTLIST: return primitiveCount;
    case D3DPT_LINELIST: return primitiveCount * 2;
    case D3DPT_LINESTRIP: return primitiveCount + 1;
    case D3DPT_TRIANGLELIST: return primitiveCount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
    default: return 0;
  }
}

// One texture-combine argument: the GL source and operand of a D3DTA value.
struct CombineArg {
  GLint source, operand;
};
CombineArg combineArg(DWORD arg, bool alpha) {
  constexpr DWORD kComplement = 0x10, kAlphaReplicate = 0x20;
  GLint source = GL_PREVIOUS;
  switch (arg & 0x0F) {
    case D3DTA_DIFFUSE: source = GL_PRIMARY_COLOR; break;
    case D3DTA_TEXTURE: source = GL_TEXTURE; break;
    case D3DTA_TFACTOR: source = GL_CONSTANT; break;
    case 4: source = GL_PRIMARY_COLOR; break;  // D3DTA_SPECULAR: the vertex colours come in one
    default: break;
  }
  const bool complement = arg & kComplement;
  if (alpha || (arg & kAlphaReplicate)) return {source, complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA};
  return {source, complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR};
}

// Sets the colour or alpha combiner of the active unit for a texture operation.
void setCombiner(bool alpha, DWORD op, DWORD arg1, DWORD arg2) {
  const GLenum modeName = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
  const GLenum source0 = alpha ? GL_SOURCE0_ALPHA : GL_SOURCE0_RGB;
  const GLenum source1 = alpha ? GL_SOURCE1_ALPHA : GL_SOURCE1_RGB;
  const GLenum operand0 = alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB;
  const GLenum operand1 = alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB;
  const GLenum scaleName = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
  GLint mode = GL_MODULATE;
  float scale = 1.0f;
  switch (op) {
    case D3DTOP_SELECTARG1: mode = GL_REPLACE; break;
    case D3DTOP_SELECTARG2:
      mode = GL_REPLACE;
      arg1 = arg2;
      break;
    case D3DTOP_MODULATE2X: scale = 2.0f; break;
    case D3DTOP_MODULATE4X: scale = 4.0f; break;
    case D3DTOP_ADD: mode = GL_ADD; break;
    case D3DTOP_ADDSIGNED: mode = GL_ADD_SIGNED; break;
    case 9:  // D3DTOP_ADDSIGNED2X
      mode = GL_ADD_SIGNED;
      scale = 2.0f;
      break;
    case D3DTOP_SUBTRACT: mode = GL_SUBTRACT; break;
    case D3DTOP_DISABLE:  // alpha disabled under an enabled colour: pass the alpha on
      mode = GL_REPLACE;
      arg1 = D3DTA_CURRENT;
      break;
    default: break;
  }
  const CombineArg a = combineArg(arg1, alpha), b = combineArg(arg2, alpha);
  glTexEnvi(GL_TEXTURE_ENV, modeName, mode);
  glTexEnvi(GL_TEXTURE_ENV, source0, a.source);
  glTexEnvi(GL_TEXTURE_ENV, operand0, a.operand);
  glTexEnvi(GL_TEXTURE_ENV, source1, b.source);
  glTexEnvi(GL_TEXTURE_ENV, operand1, b.operand);
  glTexEnvf(GL_TEXTURE_ENV, scaleName, scale);
}

GLuint makeTexture(unsigned width, unsigned height, unsigned levels, GLint internalFormat) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  std::vector<uint8_t> zeros(size_t(width) * height * 4, 0);
  for (unsigned level = 0; level < levels; ++level) {
    glTexImage2D(GL_TEXTURE_2D, GLint(level), internalFormat, GLsizei(MipSize(width, level)),
                 GLsizei(MipSize(height, level)), 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels - 1));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return name;
}

GLuint makeDepthStencil(unsigned width, unsigned height) {
  GLuint name = 0;
  gl::GenRenderbuffers(1, &name);
  gl::BindRenderbuffer(GL_RENDERBUFFER, name);
  gl::RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(width), GLsizei(height));
  return name;
}

std::vector<uint8_t> readTexture(GLuint name, unsigned level, unsigned width, unsigned height) {
  std::vector<uint8_t> rgba(size_t(width) * height * 4);
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexImage(GL_TEXTURE_2D, GLint(level), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

// The default framebuffer (the window) as RGBA rows, top row first.
WindowPicture readWindow(int width, int height) {
  WindowPicture picture{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
  std::vector<uint8_t> rows(picture.rgba.size());
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  const size_t stride = size_t(width) * 4;
  for (int y = 0; y < height; ++y)
    std::memcpy(&picture.rgba[size_t(y) * stride], &rows[size_t(height - 1 - y) * stride], stride);
  return picture;
}

// The device whose framebuffer and GL state are in place (one context may outlive a device and
// see the next one made).
GlDevice* gBoundDevice = nullptr;

}  // namespace

// --- life ---

void GlDevice::takeContext() {
  if (gBoundDevice == this) return;
  gBoundDevice = this;
  attachTarget(renderTarget_, depthStencil_);
  dirty_ = kDirtyAll;
  modeApplied_ = false;
}

bool GlDevice::init() {
  const char* missing = nullptr;
  if (!gl::Load(&missing)) return false;
  while (glGetError() != GL_NO_ERROR) {
  }
  presentScale_ = PresentScaleFromEnvironment();

  backBufferTexture_ = makeTexture(kBackBufferWidth, kBackBufferHeight, 1, GL_RGB8);
  backBufferDepth_ = makeDepthStencil(kBackBufferWidth, kBackBufferHeight);
  const D3DSURFACE_DESC colourDesc{D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, kBackBufferWidth,
                                   kBackBufferHeight};
  const D3DSURFACE_DESC depthDesc{D3DFMT_D24S8, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, kBackBufferWidth,
                                  kBackBufferHeight};
  backBuffer_ = std::make_unique<GlSurface>(nullptr, GlSurface::Kind::Colour, colourDesc, backBufferTexture_, 0, 0,
                                            false);
  backBufferDepthSurface_ =
      std::make_unique<GlSurface>(nullptr, GlSurface::Kind::Depth, depthDesc, 0, 0, backBufferDepth_, false);

  const uint8_t white[4] = {255, 255, 255, 255};
  glGenTextures(1, &whiteTexture_);
  glBindTexture(GL_TEXTURE_2D, whiteTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

  gl::GenFramebuffers(1, &framebuffer_);
  if (!attachTarget(backBuffer_.get(), backBufferDepthSurface_.get())) return false;
  gBoundDevice = this;

  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
  glHint(GL_FOG_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);
  glEnable(GL_SCISSOR_TEST);
  // Flat shading takes the colour of a triangle's first vertex, as in Direct3D.
  if (gl::ProvokingVertex) gl::ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  setDefaultStates();
  return glGetError() == GL_NO_ERROR;
}

GlDevice::~GlDevice() {
  // GL bindings are changed only when they are this device's; another device may own them now.
  const bool bound = gBoundDevice == this;
  if (bound) {
    gBoundDevice = nullptr;
    gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl::UseProgram(0);
  }
  for (GlTexture* t : textureSet_) t->detach();
  for (GlSurface* s : surfaces_) s->detach();
  for (GlVertexBuffer* b : buffers_) b->detach();
  for (auto& [handle, program] : programs_) gl::DeleteProgram(program.program);
  if (framebuffer_) gl::DeleteFramebuffers(1, &framebuffer_);
  backBuffer_.reset();
  backBufferDepthSurface_.reset();
  if (backBufferTexture_) glDeleteTextures(1, &backBufferTexture_);
  if (whiteTexture_) glDeleteTextures(1, &whiteTexture_);
  if (backBufferDepth_) gl::DeleteRenderbuffers(1, &backBufferDepth_);
}

// The device's state after creation, as a Direct3D 8 device starts.
void GlDevice::setDefaultStates() {
  DWORD* rs = renderStates_;
  rs[D3DRS_ZENABLE] = D3DZB_TRUE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = 1;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGSTART] = std::bit_cast<DWORD>(0.0f);
  rs[D3DRS_FOGEND] = std::bit_cast<DWORD>(1.0f);
  rs[D3DRS_FOGDENSITY] = std::bit_cast<DWORD>(1.0f);
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_LIGHTING] = 1;
  rs[D3DRS_COLORVERTEX] = 1;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  for (int stage = 0; stage < kStages; ++stage) {
    DWORD* ts = stageStates_[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = DWORD(stage);
    ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
  }
  world_ = view_ = projection_ = texture0_ = identity();
  material_.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  for (D3DLIGHT8& light : lights_) {
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
  }
  dirty_ = kDirtyAll;
  modeApplied_ = false;
}

std::unique_ptr<Device> CreateDevice() {
  auto device = std::make_unique<GlDevice>();
  if (!device->init()) return nullptr;
  return device;
}

void GlDevice::forget(GlTexture* texture) {
  textureSet_.erase(texture);
  for (GlTexture*& bound : textures_)
    if (bound == texture) bound = nullptr;
  dirty_ |= kDirtyStages;
}

void GlDevice::forget(GlSurface* surface) {
  surfaces_.erase(surface);
  // A target that goes is replaced: colour by the back buffer, depth by none.
  if (surface == renderTarget_ || surface == depthStencil_) {
    GlSurface* colour = surface == renderTarget_ ? backBuffer_.get() : renderTarget_;
    GlSurface* depth = surface == depthStencil_ ? nullptr : depthStencil_;
    attachTarget(colour, depth);
  }
}

void GlDevice::forget(GlVertexBuffer* buffer) {
  buffers_.erase(buffer);
  if (stream_ == buffer) stream_ = nullptr;
}

// --- frame ---

HRESULT GlDevice::Present() {
  takeContext();
  if (TakeScreenshotRequest()) SaveScreenshot(ReadBackBuffer());
  int windowWidth = 0, windowHeight = 0;
  MainWindowSize(windowWidth, windowHeight);
  gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  gl::UseProgram(0);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  // The frame keeps its 4:3 shape; black bars fill the rest (a frame that fills the window
  // leaves nothing to clear).
  const PresentArea area = PresentAreaFor(windowWidth, windowHeight, presentScale_);
  const PresentRect& shown = area.rect;
  if (!(shown == PresentRect{0, 0, windowWidth, windowHeight})) {
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glViewport(shown.x, shown.y, shown.width, shown.height);
  for (GLenum cap : {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE, GL_FOG, GL_LIGHTING})
    glDisable(cap);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  for (int unit = kStages - 1; unit >= 0; --unit) {
    gl::ActiveTexture(GL_TEXTURE0 + unit);
    glDisable(GL_TEXTURE_2D);
  }
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, backBufferTexture_);
  // At its own size the frame's pixels meet the window's one to one: nearest is the same
  // picture as linear, for less work.
  const bool oneToOne = shown.width == int(kBackBufferWidth) && shown.height == int(kBackBufferHeight);
  const GLint filter = area.pointSampling || oneToOne ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
  for (int unit = 0; unit < kStages; ++unit) {
    gl::ClientActiveTexture(GL_TEXTURE0 + unit);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  // Row 0 of the frame is its top row: t = 0 goes to the top of the window.
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(0, 1), glVertex2f(-1, -1);
  glTexCoord2f(1, 1), glVertex2f(1, -1);
  glTexCoord2f(0, 0), glVertex2f(-1, 1);
  glTexCoord2f(1, 0), glVertex2f(1, 1);
  glEnd();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glDisable(GL_TEXTURE_2D);

  if (KeepingWindowPictures()) LastWindowPicture() = readWindow(windowWidth, windowHeight);
  SwapMainWindow();

  glEnable(GL_SCISSOR_TEST);
  attachTarget(renderTarget_, depthStencil_);
  dirty_ = kDirtyAll;
  modeApplied_ = false;
  return D3D_OK;
}

unsigned GlDevice::targetWidth() const { return renderTarget_ ? renderTarget_->GetDesc().Width : 0; }
unsigned GlDevice::targetHeight() const { return renderTarget_ ? renderTarget_->GetDesc().Height : 0; }

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) {
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
  if (depthStencil_ && (flags & D3DCLEAR_ZBUFFER)) mask |= GL_DEPTH_BUFFER_BIT;
  if (depthStencil_ && (flags & D3DCLEAR_STENCIL)) mask |= GL_STENCIL_BUFFER_BIT;
  if (!mask) return D3D_OK;
  takeContext();
  float c[4];
  colourOf(colour, c);
  glClearColor(c[0], c[1], c[2], c[3]);
  glClearDepth(std::clamp(z, 0.0f, 1.0f));
  glClearStencil(GLint(stencil & 0xFF));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  dirty_ |= kDirtyRaster | kDirtyDepth | kDirtyStencil | kDirtyViewport;

  // Each rectangle is cut to the viewport; without rectangles the viewport is cleared.
  const long vx0 = long(viewport_.X), vy0 = long(viewport_.Y);
  const long vx1 = vx0 + long(viewport_.Width), vy1 = vy0 + long(viewport_.Height);
  auto clearRect = [&](long x0, long y0, long x1, long y1) {
    x0 = std::max(x0, vx0), y0 = std::max(y0, vy0), x1 = std::min(x1, vx1), y1 = std::min(y1, vy1);
    if (x1 <= x0 || y1 <= y0) return;
    glScissor(GLint(x0), GLint(y0), GLsizei(x1 - x0), GLsizei(y1 - y0));
    glClear(mask);
  };
  if (count == 0 || !rects) {
    clearRect(vx0, vy0, vx1, vy1);
  } else {
    for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  }
  return D3D_OK;
}

HRESULT GlDevice::SetViewport(const D3DVIEWPORT8& viewport) {
  if (viewport.Width == 0 || viewport.Height == 0 || uint64_t(viewport.X) + viewport.Width > targetWidth() ||
      uint64_t(viewport.Y) + viewport.Height > targetHeight())
    return D3DERR_INVALIDCALL;
  viewport_ = viewport;
  dirty_ |= kDirtyViewport | kDirtyTransform;
  return D3D_OK;
}

HRESULT GlDevice::GetViewport(D3DVIEWPORT8* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = viewport_;
  return D3D_OK;
}

// --- state ---

uint32_t GlDevice::groupOf(D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP: return kDirtyBlend;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC: return kDirtyAlphaTest;
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_ZBIAS: return kDirtyDepth;
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK: return kDirtyStencil;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_SHADEMODE:
    case D3DRS_DITHERENABLE:
    case D3DRS_COLORWRITEENABLE: return kDirtyRaster;
    case D3DRS_FOGENABLE:
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_FOGVERTEXMODE: return kDirtyFog | kDirtyShader;
    case D3DRS_LIGHTING:
    case D3DRS_AMBIENT:
    case D3DRS_COLORVERTEX:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_SPECULARENABLE:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: return kDirtyLighting | kDirtyLights;
    case D3DRS_TEXTUREFACTOR: return kDirtyStages;
    default: return 0;
  }
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (unsigned(state) >= D3DRS_COUNT_) return D3DERR_INVALIDCALL;
  if (renderStates_[state] != value) {
    renderStates_[state] = value;
    dirty_ |= groupOf(state);
  }
  return D3D_OK;
}

HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (unsigned(state) >= D3DRS_COUNT_ || !value) return D3DERR_INVALIDCALL;
  *value = renderStates_[state];
  return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kStages || unsigned(type) >= D3DTSS_COUNT_) return D3DERR_INVALIDCALL;
  if (stageStates_[stage][type] != value) {
    stageStates_[stage][type] = value;
    dirty_ |= kDirtyStages;
  }
  return D3D_OK;
}

HRESULT GlDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (stage >= kStages || unsigned(type) >= D3DTSS_COUNT_ || !value) return D3DERR_INVALIDCALL;
  *value = stageStates_[stage][type];
  return D3D_OK;
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  switch (type) {
    case D3DTS_WORLD: world_ = *matrix; break;
    case D3DTS_VIEW:
      view_ = *matrix;
      dirty_ |= kDirtyLights;
      break;
    case D3DTS_PROJECTION: projection_ = *matrix; break;
    case D3DTS_TEXTURE0: texture0_ = *matrix; return D3D_OK;  // kept; texture transforms are not used
    default: return D3DERR_INVALIDCALL;
  }
  dirty_ |= kDirtyTransform;
  return D3D_OK;
}

HRESULT GlDevice::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  switch (type) {
    case D3DTS_WORLD: *matrix = world_; return D3D_OK;
    case D3DTS_VIEW: *matrix = view_; return D3D_OK;
    case D3DTS_PROJECTION: *matrix = projection_; return D3D_OK;
    case D3DTS_TEXTURE0: *matrix = texture0_; return D3D_OK;
    default: return D3DERR_INVALIDCALL;
  }
}

HRESULT GlDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  D3DMATRIX current;
  if (!matrix || FAILED(GetTransform(type, &current))) return D3DERR_INVALIDCALL;
  const D3DMATRIX product = multiply(*matrix, current);
  return SetTransform(type, &product);
}

HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT8* light) {
  if (index >= kLights || !light) return D3DERR_INVALIDCALL;
  lights_[index] = *light;
  dirty_ |= kDirtyLights;
  return D3D_OK;
}

HRESULT GlDevice::GetLight(DWORD index, D3DLIGHT8* light) {
  if (index >= kLights || !light) return D3DERR_INVALIDCALL;
  *light = lights_[index];
  return D3D_OK;
}

HRESULT GlDevice::LightEnable(DWORD index, bool enable) {
  if (index >= kLights) return D3DERR_INVALIDCALL;
  lightEnabled_[index] = enable;
  dirty_ |= kDirtyLights;
  return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  material_ = *material;
  dirty_ |= kDirtyLighting;
  return D3D_OK;
}

HRESULT GlDevice::GetMaterial(D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = material_;
  return D3D_OK;
}

// --- resources ---

HRESULT GlDevice::CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, std::unique_ptr<Texture>* texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  texture->reset();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (width == 0 || height == 0 || width > unsigned(maxSize) || height > unsigned(maxSize) ||
      !IsSupportedTextureFormat(format))
    return D3DERR_INVALIDCALL;
  const unsigned full = FullMipCount(width, height);
  if (levels == 0) levels = full;
  if (levels > full) return D3DERR_INVALIDCALL;
  const bool renderTarget = usage & D3DUSAGE_RENDERTARGET;
  if (renderTarget && (levels != 1 || IsBlockCompressed(format))) return D3DERR_INVALIDCALL;

  // Formats without alpha sample with alpha 1; render targets of them keep no alpha either.
  const bool hasAlpha = format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A4R4G4B4 ||
                        format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5;
  while (glGetError() != GL_NO_ERROR) {
  }
  const GLuint name = makeTexture(width, height, levels, hasAlpha ? GL_RGBA8 : GL_RGB8);
  dirty_ |= kDirtyStages;
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  auto made = std::make_unique<GlTexture>(this, name, width, height, levels, usage, format, pool);
  textureSet_.insert(made.get());
  *texture = std::move(made);
  return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, Texture* texture) {
  if (stage >= kStages) return D3DERR_INVALIDCALL;
  auto* gl = dynamic_cast<GlTexture*>(texture);
  if (texture && (!gl || gl->device() != this)) return D3DERR_INVALIDCALL;
  if (textures_[stage] != gl) {
    textures_[stage] = gl;
    dirty_ |= kDirtyStages;
  }
  return D3D_OK;
}

HRESULT GlDevice::CreateVertexBuffer(unsigned length, DWORD, DWORD, D3DPOOL, std::unique_ptr<VertexBuffer>* buffer) {
  if (!buffer || length == 0) return D3DERR_INVALIDCALL;
  auto made = std::make_unique<GlVertexBuffer>(this, length);
  buffers_.insert(made.get());
  *buffer = std::move(made);
  return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(unsigned stream, VertexBuffer* buffer, unsigned stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;
  auto* gl = dynamic_cast<GlVertexBuffer*>(buffer);
  if (buffer && (!gl || gl->device() != this)) return D3DERR_INVALIDCALL;
  stream_ = gl;
  streamStride_ = stride;
  return D3D_OK;
}

HRESULT GlDevice::SetVertexShader(DWORD fvf) {
  fvf_ = fvf;
  return D3D_OK;
}

HRESULT GlDevice::CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                            std::unique_ptr<Surface>* surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  surface->reset();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
  if (format != D3DFMT_D24S8 || width == 0 || height == 0 || width > unsigned(maxSize) || height > unsigned(maxSize))
    return D3DERR_INVALIDCALL;
  while (glGetError() != GL_NO_ERROR) {
  }
  const GLuint name = makeDepthStencil(width, height);
  if (glGetError() != GL_NO_ERROR) {
    gl::DeleteRenderbuffers(1, &name);
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  const D3DSURFACE_DESC desc{format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, width, height};
  *surface = std::make_unique<GlSurface>(this, GlSurface::Kind::Depth, desc, 0, 0, name, true);
  return D3D_OK;
}

// --- render targets ---

HRESULT GlDevice::GetRenderTarget(Surface** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = renderTarget_;
  return D3D_OK;
}

HRESULT GlDevice::GetDepthStencilSurface(Surface** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = depthStencil_;
  return depthStencil_ ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::SetRenderTarget(Surface* renderTarget, Surface* depthStencil) {
  takeContext();
  auto* colour = renderTarget ? dynamic_cast<GlSurface*>(renderTarget) : renderTarget_;
  auto* depth = dynamic_cast<GlSurface*>(depthStencil);
  auto ours = [this](GlSurface* s) {
    return s->device() == this || s == backBuffer_.get() || s == backBufferDepthSurface_.get();
  };
  if (!colour || !ours(colour) || !colour->renderable()) return D3DERR_INVALIDCALL;
  if (depthStencil && (!depth || !ours(depth) || depth->kind() != GlSurface::Kind::Depth)) return D3DERR_INVALIDCALL;
  GlSurface* oldColour = renderTarget_;
  GlSurface* oldDepth = depthStencil_;
  const D3DVIEWPORT8 oldViewport = viewport_;
  if (!attachTarget(colour, depth)) {
    attachTarget(oldColour, oldDepth);
    viewport_ = oldViewport;
    return D3DERR_INVALIDCALL;
  }
  // As in Direct3D 8, a new target brings a viewport over the whole of it; the frame sets its
  // 640 x 480 viewport again at its start.
  viewport_ = {0, 0, colour->GetDesc().Width, colour->GetDesc().Height, 0.0f, 1.0f};
  dirty_ |= kDirtyViewport | kDirtyTransform;
  return D3D_OK;
}

// Binds the colour and depth surfaces for drawing. The viewport stays as set, cut to the new
// target (SetRenderTarget then widens it to the whole target).
bool GlDevice::attachTarget(GlSurface* colour, GlSurface* depth) {
  if (!colour) return false;
  gl::BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour->texture(), 0);
  const GLuint rb = depth ? depth->renderbuffer() : 0;
  gl::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
  gl::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, rb);
  renderTarget_ = colour;
  depthStencil_ = depth;
  const unsigned w = colour->GetDesc().Width, h = colour->GetDesc().Height;
  viewport_.X = std::min(viewport_.X, w - 1);
  viewport_.Y = std::min(viewport_.Y, h - 1);
  viewport_.Width = std::min(viewport_.Width, w - viewport_.X);
  viewport_.Height = std::min(viewport_.Height, h - viewport_.Y);
  dirty_ |= kDirtyViewport | kDirtyTransform | kDirtyDepth | kDirtyStencil;
  return gl::CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// --- pixel shaders ---

HRESULT GlDevice::CreatePixelShader(const PixelShaderCode& code, PixelShaderHandle* handle) {
  if (!handle || code.glsl.empty()) return D3DERR_INVALIDCALL;
  *handle = 0;
  takeContext();
  const GLuint shader = gl::CreateShader(GL_FRAGMENT_SHADER);
  const char* text = code.glsl.c_str();
  gl::ShaderSource(shader, 1, &text, nullptr);
  gl::CompileShader(shader);
  GLint ok = 0;
  gl::GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    gl::DeleteShader(shader);
    return D3DERR_INVALIDCALL;
  }
  const GLuint program = gl::CreateProgram();
  gl::AttachShader(program, shader);
  gl::LinkProgram(program);
  gl::DeleteShader(shader);
  gl::GetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    gl::DeleteProgram(program);
    return D3DERR_INVALIDCALL;
  }
  Program p{program, gl::GetUniformLocation(program, "uConst"), gl::GetUniformLocation(program, "uFogMode")};
  gl::UseProgram(program);
  for (int unit = 0; unit < kStages; ++unit) {
    const std::string name = "uSampler" + std::to_string(unit);
    gl::Uniform1i(gl::GetUniformLocation(program, name.c_str()), unit);
  }
  dirty_ |= kDirtyShader;
  *handle = nextShader_++;
  programs_[*handle] = p;
  return D3D_OK;
}

HRESULT GlDevice::SetPixelShader(PixelShaderHandle handle) {
  if (handle != 0 && !programs_.count(handle)) return D3DERR_INVALIDCALL;
  shader_ = handle;
  dirty_ |= kDirtyShader | kDirtyStages;
  return D3D_OK;
}

HRESULT GlDevice::DeletePixelShader(PixelShaderHandle handle) {
  auto it = programs_.find(handle);
  if (it == programs_.end()) return D3DERR_INVALIDCALL;
  takeContext();
  if (shader_ == handle) SetPixelShader(0);
  gl::UseProgram(0);
  gl::DeleteProgram(it->second.program);
  programs_.erase(it);
  dirty_ |= kDirtyShader;
  return D3D_OK;
}

HRESULT GlDevice::SetPixelShaderConstant(DWORD reg, const float* values, DWORD count) {
  if (!values || reg >= kShaderConstants || count > kShaderConstants - reg) return D3DERR_INVALIDCALL;
  std::memcpy(constants_[reg], values, sizeof(float) * 4 * count);
  dirty_ |= kDirtyShader;
  return D3D_OK;
}

// --- reading ---

std::vector<uint8_t> GlDevice::ReadBackBuffer() {
  auto pixels = readTexture(backBufferTexture_, 0, kBackBufferWidth, kBackBufferHeight);
  dirty_ |= kDirtyStages;
  return pixels;
}

std::vector<uint8_t> GlDevice::ReadSurface(Surface* surface) {
  auto* s = dynamic_cast<GlSurface*>(surface);
  if (!s || s->kind() != GlSurface::Kind::Colour) return {};
  auto pixels = readTexture(s->texture(), s->level(), s->GetDesc().Width, s->GetDesc().Height);
  dirty_ |= kDirtyStages;
  return pixels;
}

// --- drawing ---

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE type, unsigned startVertex, unsigned primitiveCount) {
  if (!stream_) return D3DERR_INVALIDCALL;
  const unsigned count = verticesFor(type, primitiveCount);
  const uint64_t end = (uint64_t(startVertex) + count) * streamStride_;
  if (end > stream_->Size()) return D3DERR_INVALIDCALL;
  return draw(type, primitiveCount, stream_->bytes() + size_t(startVertex) * streamStride_, count, streamStride_,
              nullptr);
}

HRESULT GlDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                                  unsigned stride) {
  if (!vertices) return D3DERR_INVALIDCALL;
  return draw(type, primitiveCount, static_cast<const uint8_t*>(vertices), verticesFor(type, primitiveCount), stride,
              nullptr);
}

HRESULT GlDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned vertexCount,
                                         unsigned primitiveCount, const uint16_t* indices, const void* vertices,
                                         unsigned stride) {
  if (!vertices || !indices) return D3DERR_INVALIDCALL;
  const unsigned indexCount = verticesFor(type, primitiveCount);
  const uint64_t available = uint64_t(minIndex) + vertexCount;
  // The range the indices use, found while checking them, spares the driver a pass of its own.
  IndexRange range{0xFFFF, 0};
  for (unsigned i = 0; i < indexCount; ++i) {
    if (indices[i] < minIndex || indices[i] >= available) return D3DERR_INVALIDCALL;
    range.lowest = std::min<unsigned>(range.lowest, indices[i]);
    range.highest = std::max<unsigned>(range.highest, indices[i]);
  }
  return draw(type, primitiveCount, static_cast<const uint8_t*>(vertices), unsigned(available), stride, indices,
              range);
}

HRESULT GlDevice::draw(D3DPRIMITIVETYPE type, unsigned primitiveCount, const uint8_t* vertices, unsigned vertexCount,
                       unsigned stride, const uint16_t* indices, IndexRange range) {
  const unsigned drawn = verticesFor(type, primitiveCount);
  if (drawn == 0 && primitiveCount != 0) return D3DERR_INVALIDCALL;
  if (!(fvf_ & (D3DFVF_XYZ | D3DFVF_XYZRHW)) || stride < unsigned(VertexSize(fvf_))) return D3DERR_INVALIDCALL;
  if (primitiveCount == 0) return D3D_OK;
  takeContext();
  applyState(DrawMode{(fvf_ & D3DFVF_XYZRHW) != 0, (fvf_ & D3DFVF_DIFFUSE) != 0, (fvf_ & D3DFVF_SPECULAR) != 0});
  bindVertexArrays(vertices, vertexCount, stride);
  if (indices)
    gl::DrawRangeElements(primitiveMode(type), range.lowest, range.highest, GLsizei(drawn), GL_UNSIGNED_SHORT,
                          indices);
  else
    glDrawArrays(primitiveMode(type), 0, GLsizei(drawn));
  return D3D_OK;
}

void GlDevice::bindVertexArrays(const uint8_t* vertices, unsigned vertexCount, unsigned stride) {
  const GLsizei s = GLsizei(stride);
  const uint8_t* p = vertices;
  glEnableClientState(GL_VERTEX_ARRAY);
  if (fvf_ & D3DFVF_XYZRHW) {
    // Screen positions become homogeneous (x, y, z, 1) / rhw, so that texture coordinates and
    // colours are interpolated with perspective as Direct3D does with rhw.
    positions_.resize(size_t(vertexCount) * 4);
    for (unsigned i = 0; i < vertexCount; ++i) {
      float v[4];
      std::memcpy(v, p + size_t(i) * stride, sizeof v);
      const float w = (v[3] != 0.0f && std::isfinite(v[3])) ? 1.0f / v[3] : 1.0f;
      positions_[i * 4 + 0] = v[0] * w;
      positions_[i * 4 + 1] = v[1] * w;
      positions_[i * 4 + 2] = v[2] * w;
      positions_[i * 4 + 3] = w;
    }
    glVertexPointer(4, GL_FLOAT, 0, positions_.data());
    p += 16;
  } else {
    glVertexPointer(3, GL_FLOAT, s, p);
    p += 12;
  }
  if (fvf_ & D3DFVF_NORMAL) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, s, p);
    p += 12;
  } else {
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3f(0.0f, 0.0f, 0.0f);
  }
  if (fvf_ & D3DFVF_DIFFUSE) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, s, p);
    p += 4;
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
  if (fvf_ & D3DFVF_SPECULAR) {
    glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
    gl::SecondaryColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, s, p);
    p += 4;
  } else {
    glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
  }
  for (int unit = 0; unit < kStages; ++unit) {
    gl::ClientActiveTexture(GL_TEXTURE0 + unit);
    if (fvf_ & D3DFVF_TEX1) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, s, p);
    } else {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
  }
}

void GlDevice::applyState(DrawMode mode) {
  if (!modeApplied_ || !(mode == appliedMode_)) {
    dirty_ |= kDirtyTransform | kDirtyLighting | kDirtyFog | kDirtyShader;
    if (!modeApplied_ || mode.pretransformed != appliedMode_.pretransformed) dirty_ |= kDirtyLights;
    appliedMode_ = mode;
    modeApplied_ = true;
  }
  if (!dirty_) return;
  if (dirty_ & kDirtyBlend) applyBlend();
  if (dirty_ & kDirtyAlphaTest) applyAlphaTest();
  if (dirty_ & kDirtyDepth) applyDepth();
  if (dirty_ & kDirtyStencil) applyStencil();
  if (dirty_ & kDirtyRaster) applyRaster();
  if (dirty_ & kDirtyFog) applyFog(mode);
  if (dirty_ & kDirtyLighting) applyLighting(mode);
  if ((dirty_ & kDirtyLights) && !mode.pretransformed) applyLights();
  if (dirty_ & kDirtyViewport) applyViewport();
  if (dirty_ & kDirtyTransform) applyTransform(mode);
  if (dirty_ & kDirtyStages) applyStages();
  if (dirty_ & kDirtyShader) applyShader();
  dirty_ = mode.pretransformed ? (dirty_ & kDirtyLights) : 0;
}

void GlDevice::applyBlend() {
  const DWORD* rs = renderStates_;
  if (rs[D3DRS_ALPHABLENDENABLE]) glEnable(GL_BLEND);
  else glDisable(GL_BLEND);
  glBlendFunc(blendFactor(rs[D3DRS_SRCBLEND]), blendFactor(rs[D3DRS_DESTBLEND]));
  gl::BlendEquation(blendEquation(rs[D3DRS_BLENDOP]));
}

void GlDevice::applyAlphaTest() {
  const DWORD* rs = renderStates_;
  if (rs[D3DRS_ALPHATESTENABLE]) glEnable(GL_ALPHA_TEST);
  else glDisable(GL_ALPHA_TEST);
  // The reference is the low 8 bits of the value.
  glAlphaFunc(compareFunc(rs[D3DRS_ALPHAFUNC]), float(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
}

void GlDevice::applyDepth() {
  const DWORD* rs = renderStates_;
  if (rs[D3DRS_ZENABLE] && depthStencil_) glEnable(GL_DEPTH_TEST);
  else glDisable(GL_DEPTH_TEST);
  glDepthFunc(compareFunc(rs[D3DRS_ZFUNC]));
  glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  const DWORD bias = std::min<DWORD>(rs[D3DRS_ZBIAS], 16);
  if (bias) {
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(0.0f, -float(bias));
  } else {
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
}

void GlDevice::applyStencil() {
  const DWORD* rs = renderStates_;
  if (rs[D3DRS_STENCILENABLE] && depthStencil_) glEnable(GL_STENCIL_TEST);
  else glDisable(GL_STENCIL_TEST);
  glStencilFunc(compareFunc(rs[D3DRS_STENCILFUNC]), GLint(rs[D3DRS_STENCILREF] & 0xFF), rs[D3DRS_STENCILMASK]);
  glStencilOp(stencilOp(rs[D3DRS_STENCILFAIL]), stencilOp(rs[D3DRS_STENCILZFAIL]), stencilOp(rs[D3DRS_STENCILPASS]));
  glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
}

// Window y equals the frame's screen y (see the header), so a triangle that is counter-clockwise
// on the screen is clockwise to GL: D3DCULL_CCW removes GL's back faces.
void GlDevice::applyRaster() {
  const DWORD* rs = renderStates_;
  glFrontFace(GL_CCW);
  switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_CCW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default: glDisable(GL_CULL_FACE); break;
  }
  const DWORD fill = rs[D3DRS_FILLMODE];
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  glShadeModel(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
  if (rs[D3DRS_DITHERENABLE]) glEnable(GL_DITHER);
  else glDisable(GL_DITHER);
  const DWORD write = rs[D3DRS_COLORWRITEENABLE];
  glColorMask((write & 1) != 0, (write & 2) != 0, (write & 4) != 0, (write & 8) != 0);
}

// The fog formula in use: table (pixel) fog when set, else vertex fog; 0 when there is none.
int GlDevice::fogMode() const {
  const DWORD table = renderStates_[D3DRS_FOGTABLEMODE];
  return int(table != D3DFOG_NONE ? table : renderStates_[D3DRS_FOGVERTEXMODE]);
}

// Fog goes by the distance from the eye; pre-transformed vertices get none.
void GlDevice::applyFog(DrawMode mode) {
  const DWORD* rs = renderStates_;
  const int formula = fogMode();
  if (!rs[D3DRS_FOGENABLE] || mode.pretransformed || formula == D3DFOG_NONE) {
    glDisable(GL_FOG);
    return;
  }
  glEnable(GL_FOG);
  glFogi(GL_FOG_MODE, formula == D3DFOG_EXP ? GL_EXP : formula == D3DFOG_EXP2 ? GL_EXP2 : GL_LINEAR);
  glFogf(GL_FOG_START, asFloat(rs[D3DRS_FOGSTART]));
  glFogf(GL_FOG_END, asFloat(rs[D3DRS_FOGEND]));
  glFogf(GL_FOG_DENSITY, asFloat(rs[D3DRS_FOGDENSITY]));
  float colour[4];
  colourOf(rs[D3DRS_FOGCOLOR], colour);
  glFogfv(GL_FOG_COLOR, colour);
}

void GlDevice::applyLighting(DrawMode mode) {
  const DWORD* rs = renderStates_;
  const bool specular = rs[D3DRS_SPECULARENABLE] != 0;
  // Vertex specular colours are added after texturing when lighting is off.
  if (specular && (mode.pretransformed || !rs[D3DRS_LIGHTING]) && mode.hasSpecular) glEnable(GL_COLOR_SUM);
  else glDisable(GL_COLOR_SUM);
  if (mode.pretransformed || !rs[D3DRS_LIGHTING]) {
    glDisable(GL_LIGHTING);
    return;
  }
  glEnable(GL_LIGHTING);
  float ambient[4];
  colourOf(rs[D3DRS_AMBIENT], ambient);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, specular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
  if (rs[D3DRS_NORMALIZENORMALS]) glEnable(GL_NORMALIZE);
  else glDisable(GL_NORMALIZE);

  glDisable(GL_COLOR_MATERIAL);
  const D3DCOLORVALUE none{0, 0, 0, 0};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &material_.Diffuse.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &material_.Ambient.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular ? &material_.Specular.r : &none.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &material_.Emissive.r);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material_.Power, 0.0f, 128.0f));

  // Material colours taken from the vertex colour (one source at a time in GL).
  if (rs[D3DRS_COLORVERTEX] && mode.hasDiffuse) {
    const bool diffuse = rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool ambientFromVertex = rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool emissive = rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    GLenum tracked = 0;
    if (diffuse && ambientFromVertex) tracked = GL_AMBIENT_AND_DIFFUSE;
    else if (diffuse) tracked = GL_DIFFUSE;
    else if (ambientFromVertex) tracked = GL_AMBIENT;
    else if (emissive) tracked = GL_EMISSION;
    if (tracked) {
      glColorMaterial(GL_FRONT_AND_BACK, tracked);
      glEnable(GL_COLOR_MATERIAL);
    }
  }
}

// Lights are given in world space: they are set under the view matrix alone.
void GlDevice::applyLights() {
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(&view_.m[0][0]);
  for (int i = 0; i < kLights; ++i) {
    const GLenum id = GL_LIGHT0 + GLenum(i);
    if (!lightEnabled_[i]) {
      glDisable(id);
      continue;
    }
    const D3DLIGHT8& l = lights_[i];
    glEnable(id);
    glLightfv(id, GL_DIFFUSE, &l.Diffuse.r);
    glLightfv(id, GL_SPECULAR, &l.Specular.r);
    glLightfv(id, GL_AMBIENT, &l.Ambient.r);
    if (l.Type == D3DLIGHT_DIRECTIONAL) {
      const float towardsLight[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
      glLightfv(id, GL_POSITION, towardsLight);
      glLightf(id, GL_SPOT_CUTOFF, 180.0f);
      glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
      glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
      glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
      continue;
    }
    const float position[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
    glLightfv(id, GL_POSITION, position);
    const bool noAttenuation = l.Attenuation0 == 0.0f && l.Attenuation1 == 0.0f && l.Attenuation2 == 0.0f;
    glLightf(id, GL_CONSTANT_ATTENUATION, noAttenuation ? 1.0f : l.Attenuation0);
    glLightf(id, GL_LINEAR_ATTENUATION, l.Attenuation1);
    glLightf(id, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
    if (l.Type == D3DLIGHT_SPOT) {
      const float direction[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
      glLightfv(id, GL_SPOT_DIRECTION, direction);
      const float halfAngle = std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f);
      glLightf(id, GL_SPOT_CUTOFF, halfAngle);
      glLightf(id, GL_SPOT_EXPONENT, std::clamp(l.Falloff, 0.0f, 128.0f));
    } else {
      glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    }
  }
  dirty_ |= kDirtyTransform;  // the modelview matrix was replaced
}

void GlDevice::applyViewport() {
  const D3DVIEWPORT8& v = viewport_;
  glViewport(GLint(v.X), GLint(v.Y), GLsizei(v.Width), GLsizei(v.Height));
  glScissor(GLint(v.X), GLint(v.Y), GLsizei(v.Width), GLsizei(v.Height));
}

void GlDevice::applyTransform(DrawMode mode) {
  const D3DVIEWPORT8& v = viewport_;
  glMatrixMode(GL_PROJECTION);
  if (mode.pretransformed) {
    // Screen pixels of the viewport to clip space; z 0..1 to -1..1.
    float ortho[16] = {};
    ortho[0] = 2.0f / float(v.Width);
    ortho[5] = 2.0f / float(v.Height);
    ortho[10] = 2.0f;
    ortho[12] = -2.0f * float(v.X) / float(v.Width) - 1.0f;
    ortho[13] = -2.0f * float(v.Y) / float(v.Height) - 1.0f;
    ortho[14] = -1.0f;
    ortho[15] = 1.0f;
    glLoadMatrixf(ortho);
    glDepthRange(0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return;
  }
  // Direct3D's clip space to GL's: y flips (the frame is stored top row first) and z' = 2z - w.
  // A row-vector D3DMATRIX read as column-major is exactly the matrix GL applies to columns.
  const float toGl[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1};
  glLoadMatrixf(toGl);
  glMultMatrixf(&projection_.m[0][0]);
  glDepthRange(v.MinZ, v.MaxZ);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(&view_.m[0][0]);
  glMultMatrixf(&world_.m[0][0]);
}

void GlDevice::applyStages() {
  // A stage whose colour operation is DISABLE ends the chain. A stage without a texture reads
  // white, so its operations act on the incoming colour.
  bool chainOpen = true;
  for (int unit = 0; unit < kStages; ++unit) {
    const DWORD* ts = stageStates_[unit];
    if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) chainOpen = false;
    gl::ActiveTexture(GL_TEXTURE0 + GLenum(unit));
    GlTexture* texture = textures_[unit];
    glBindTexture(GL_TEXTURE_2D, texture ? texture->name() : whiteTexture_);
    if (texture) {
      const SamplerParams wanted{addressMode(ts[D3DTSS_ADDRESSU]), addressMode(ts[D3DTSS_ADDRESSV]),
                                 ts[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST,
                                 minFilter(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER])};
      SamplerParams& applied = texture->applied;
      if (applied.wrapS != wanted.wrapS) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wanted.wrapS);
      if (applied.wrapT != wanted.wrapT) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wanted.wrapT);
      if (applied.magFilter != wanted.magFilter)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, wanted.magFilter);
      if (applied.minFilter != wanted.minFilter)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, wanted.minFilter);
      applied = wanted;
    }
    if (!chainOpen) {
      glDisable(GL_TEXTURE_2D);
      continue;
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    setCombiner(false, ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]);
    setCombiner(true, ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]);
    float factor[4];
    colourOf(renderStates_[D3DRS_TEXTUREFACTOR], factor);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
  }
  gl::ActiveTexture(GL_TEXTURE0);
}

void GlDevice::applyShader() {
  auto it = programs_.find(shader_);
  if (it == programs_.end()) {
    gl::UseProgram(0);
    return;
  }
  const Program& p = it->second;
  gl::UseProgram(p.program);
  if (p.constants >= 0) gl::Uniform4fv(p.constants, kShaderConstants, &constants_[0][0]);
  const bool fogged = renderStates_[D3DRS_FOGENABLE] && !appliedMode_.pretransformed;
  if (p.fogMode >= 0) gl::Uniform1i(p.fogMode, fogged ? fogMode() : 0);
}

}  // namespace plat
