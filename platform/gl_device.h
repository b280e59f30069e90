// The Direct3D-style device on OpenGL 2.1 (fixed function). Render states, texture-stage states,
// transforms, lights and the material are kept as the game sets them and turned into GL state
// lazily, at the next draw, group by group.
//
// Orientation: the back buffer and render-target textures are stored with memory row 0 = top row
// of the frame, like uploaded textures, so both sample alike with uv (0, 0) at the top left. GL
// window y therefore equals the frame's screen y; the projection flips clip y and maps Direct3D's
// depth 0..1 onto GL's -1..1 (see loadProjection).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/device.h"
#include "platform/gl_api.h"
#include "platform/gl_resources.h"

namespace plat {

class GlDevice final : public Device {
 public:
  static constexpr int kStages = 4;  // texture stages applied (GL texture units)
  static constexpr int kLights = 8;
  static constexpr int kShaderConstants = 8;
  static constexpr unsigned kBackBufferWidth = 640;
  static constexpr unsigned kBackBufferHeight = 480;

  GlDevice() = default;
  ~GlDevice() override;
  // Makes the back buffer and the GL objects the device needs; false when the context cannot.
  bool init();

  HRESULT BeginScene() override { return D3D_OK; }
  HRESULT EndScene() override { return D3D_OK; }
  HRESULT Present() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override;
  HRESULT SetViewport(const D3DVIEWPORT8& viewport) override;
  HRESULT GetViewport(D3DVIEWPORT8* viewport) override;

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
  HRESULT LightEnable(DWORD index, bool enable) override;
  HRESULT SetMaterial(const D3DMATERIAL8* material) override;
  HRESULT GetMaterial(D3DMATERIAL8* material) override;

  HRESULT CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::unique_ptr<Texture>* texture) override;
  HRESULT SetTexture(DWORD stage, Texture* texture) override;
  HRESULT CreateVertexBuffer(unsigned length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             std::unique_ptr<VertexBuffer>* buffer) override;
  HRESULT SetStreamSource(unsigned stream, VertexBuffer* buffer, unsigned stride) override;
  HRESULT SetVertexShader(DWORD fvf) override;

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, unsigned startVertex, unsigned primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                          unsigned stride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned vertexCount,
                                 unsigned primitiveCount, const uint16_t* indices, const void* vertices,
                                 unsigned stride) override;

  HRESULT CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                                    std::unique_ptr<Surface>* surface) override;
  HRESULT GetRenderTarget(Surface** surface) override;
  HRESULT GetDepthStencilSurface(Surface** surface) override;
  HRESULT SetRenderTarget(Surface* renderTarget, Surface* depthStencil) override;

  HRESULT CreatePixelShader(const PixelShaderCode& code, PixelShaderHandle* handle) override;
  HRESULT SetPixelShader(PixelShaderHandle handle) override;
  HRESULT DeletePixelShader(PixelShaderHandle handle) override;
  HRESULT SetPixelShaderConstant(DWORD reg, const float* values, DWORD count) override;

  std::vector<uint8_t> ReadBackBuffer() override;
  std::vector<uint8_t> ReadSurface(Surface* surface) override;

  // Resources tell the device when they go, so that it drops its references to them.
  void forget(GlTexture* texture);
  void forget(GlSurface* surface);
  void forget(GlVertexBuffer* buffer);
  void adopt(GlSurface* surface) { surfaces_.insert(surface); }
  // GL texture bindings were changed behind the state cache (uploads, read-backs).
  void texturesDisturbed() { dirty_ |= kDirtyStages; }

 private:
  // Groups of state applied together at draw time.
  enum : uint32_t {
    kDirtyBlend = 1 << 0,
    kDirtyAlphaTest = 1 << 1,
    kDirtyDepth = 1 << 2,
    kDirtyStencil = 1 << 3,
    kDirtyRaster = 1 << 4,
    kDirtyFog = 1 << 5,
    kDirtyLighting = 1 << 6,
    kDirtyLights = 1 << 7,
    kDirtyTransform = 1 << 8,
    kDirtyStages = 1 << 9,
    kDirtyShader = 1 << 10,
    kDirtyViewport = 1 << 11,
    kDirtyAll = (1 << 12) - 1,
  };
  // What a draw's vertex format changes in the fixed pipeline.
  struct DrawMode {
    bool pretransformed = false;
    bool hasDiffuse = false;
    bool hasSpecular = false;
    bool operator==(const DrawMode&) const = default;
  };
  struct Program {
    GLuint program = 0;
    GLint constants = -1;
    GLint fogMode = -1;
  };

  static uint32_t groupOf(D3DRENDERSTATETYPE state);
  // Puts this device's framebuffer and state back after another device used the context.
  void takeContext();
  void setDefaultStates();
  // The lowest and highest index of an indexed draw.
  struct IndexRange {
    unsigned lowest, highest;
  };
  HRESULT draw(D3DPRIMITIVETYPE type, unsigned primitiveCount, const uint8_t* vertices, unsigned vertexCount,
               unsigned stride, const uint16_t* indices, IndexRange range = {});
  void applyState(DrawMode mode);
  void applyBlend();
  void applyAlphaTest();
  void applyDepth();
  void applyStencil();
  void applyRaster();
  void applyFog(DrawMode mode);
  void applyLighting(DrawMode mode);
  void applyLights();
  void applyTransform(DrawMode mode);
  void applyViewport();
  void applyStages();
  void applyShader();
  void bindVertexArrays(const uint8_t* vertices, unsigned vertexCount, unsigned stride);
  bool attachTarget(GlSurface* colour, GlSurface* depth);
  int fogMode() const;
  unsigned targetWidth() const;
  unsigned targetHeight() const;

  // Direct3D state as set.
  DWORD renderStates_[D3DRS_COUNT_] = {};
  DWORD stageStates_[kStages][D3DTSS_COUNT_] = {};
  D3DMATRIX world_{}, view_{}, projection_{}, texture0_{};
  D3DLIGHT8 lights_[kLights] = {};
  bool lightEnabled_[kLights] = {};
  D3DMATERIAL8 material_{};
  GlTexture* textures_[kStages] = {};
  GlVertexBuffer* stream_ = nullptr;
  unsigned streamStride_ = 0;
  DWORD fvf_ = 0;
  D3DVIEWPORT8 viewport_{0, 0, kBackBufferWidth, kBackBufferHeight, 0.0f, 1.0f};
  GlSurface* renderTarget_ = nullptr;
  GlSurface* depthStencil_ = nullptr;
  std::map<PixelShaderHandle, Program> programs_;
  PixelShaderHandle nextShader_ = 1;
  PixelShaderHandle shader_ = 0;
  float constants_[kShaderConstants][4] = {};

  // GL side.
  uint32_t dirty_ = kDirtyAll;
  DrawMode appliedMode_{};
  bool modeApplied_ = false;
  GLuint framebuffer_ = 0;
  PresentScale presentScale_ = PresentScale::Fit;
  GLuint backBufferTexture_ = 0;
  GLuint backBufferDepth_ = 0;
  GLuint whiteTexture_ = 0;
  std::unique_ptr<GlSurface> backBuffer_;
  std::unique_ptr<GlSurface> backBufferDepthSurface_;
  std::vector<float> positions_;  // pre-transformed positions divided by rhw

  // Live resources, told when the device goes.
  std::unordered_set<GlTexture*> textureSet_;
  std::unordered_set<GlSurface*> surfaces_;
  std::unordered_set<GlVertexBuffer*> buffers_;
};

}  // namespace plat
