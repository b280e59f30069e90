// The graphics device: the Direct3D 8 calls the game makes, with their names, types and
// constants, carried out on OpenGL 2.1 (fixed function). The game renders a 640 x 480 frame
// into an offscreen back buffer; Present scales it into the window keeping the aspect ratio.
//
// Coordinates follow Direct3D: pre-transformed vertices are screen pixels with y down, depth
// runs 0 (near) to 1 (far), matrices are row-vector D3DMATRIX layout, the world is left-handed,
// and culling modes name the winding as seen on the screen.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

using DWORD = uint32_t;
using D3DCOLOR = uint32_t;  // ARGB, alpha in bits 24 to 31
using HRESULT = int32_t;
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_INVALIDCALL = -1;
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = -2;
inline bool FAILED(HRESULT hr) { return hr < 0; }
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

struct D3DMATRIX {
  float m[4][4];
};
struct D3DVECTOR {
  float x, y, z;
};
struct D3DCOLORVALUE {
  float r, g, b, a;
};
struct D3DVIEWPORT8 {
  DWORD X, Y, Width, Height;
  float MinZ, MaxZ;
};
struct D3DRECT {
  long x1, y1, x2, y2;
};

enum D3DLIGHTTYPE { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };
struct D3DLIGHT8 {
  D3DLIGHTTYPE Type;
  D3DCOLORVALUE Diffuse, Specular, Ambient;
  D3DVECTOR Position, Direction;
  float Range, Falloff, Attenuation0, Attenuation1, Attenuation2, Theta, Phi;
};
struct D3DMATERIAL8 {
  D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
  float Power;
};

enum D3DFORMAT {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_D24S8 = 75,
  D3DFMT_DXT1 = 0x31545844,
  D3DFMT_DXT3 = 0x33545844,
  D3DFMT_DXT5 = 0x35545844,
};
// Bytes per pixel of an uncompressed format (0 for compressed or unknown formats).
int BytesPerPixel(D3DFORMAT format);

enum D3DPOOL { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
constexpr DWORD D3DUSAGE_RENDERTARGET = 0x1;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x2;
enum D3DMULTISAMPLE_TYPE { D3DMULTISAMPLE_NONE = 0 };

enum D3DPRIMITIVETYPE {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

// Flexible vertex format bits.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEX1 = 0x100;
// Size in bytes of one vertex of a format (the layout order is position, [rhw], [normal],
// [diffuse], [specular], [u, v]).
int VertexSize(DWORD fvf);

enum D3DTRANSFORMSTATETYPE { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3, D3DTS_TEXTURE0 = 16, D3DTS_WORLD = 256 };

enum D3DRENDERSTATETYPE {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_SHADEMODE = 9,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHAREF = 24,
  D3DRS_ALPHAFUNC = 25,
  D3DRS_DITHERENABLE = 26,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_FOGENABLE = 28,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_FOGCOLOR = 34,
  D3DRS_FOGTABLEMODE = 35,
  D3DRS_FOGSTART = 36,  // float bits
  D3DRS_FOGEND = 37,    // float bits
  D3DRS_FOGDENSITY = 38,
  D3DRS_ZBIAS = 47,
  D3DRS_STENCILENABLE = 52,
  D3DRS_STENCILFAIL = 53,
  D3DRS_STENCILZFAIL = 54,
  D3DRS_STENCILPASS = 55,
  D3DRS_STENCILFUNC = 56,
  D3DRS_STENCILREF = 57,
  D3DRS_STENCILMASK = 58,
  D3DRS_STENCILWRITEMASK = 59,
  D3DRS_TEXTUREFACTOR = 60,
  D3DRS_LIGHTING = 137,
  D3DRS_AMBIENT = 139,
  D3DRS_FOGVERTEXMODE = 140,
  D3DRS_COLORVERTEX = 141,
  D3DRS_NORMALIZENORMALS = 143,
  D3DRS_DIFFUSEMATERIALSOURCE = 145,
  D3DRS_SPECULARMATERIALSOURCE = 146,
  D3DRS_AMBIENTMATERIALSOURCE = 147,
  D3DRS_EMISSIVEMATERIALSOURCE = 148,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_BLENDOP = 171,
  D3DRS_COUNT_ = 256,
};

enum D3DFILLMODE { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum D3DCULL { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC {
  D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5, D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8,
};
enum D3DBLEND {
  D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9, D3DBLEND_INVDESTCOLOR = 10,
};
enum D3DBLENDOP { D3DBLENDOP_ADD = 1, D3DBLENDOP_SUBTRACT = 2, D3DBLENDOP_REVSUBTRACT = 3 };
enum D3DSTENCILOP {
  D3DSTENCILOP_KEEP = 1, D3DSTENCILOP_ZERO = 2, D3DSTENCILOP_REPLACE = 3, D3DSTENCILOP_INCRSAT = 4,
  D3DSTENCILOP_DECRSAT = 5, D3DSTENCILOP_INVERT = 6, D3DSTENCILOP_INCR = 7, D3DSTENCILOP_DECR = 8,
};
enum D3DFOGMODE { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum D3DMATERIALCOLORSOURCE { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };
enum D3DZBUFFERTYPE { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };

enum D3DTEXTURESTAGESTATETYPE {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14,
  D3DTSS_MAGFILTER = 16,
  D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18,
  D3DTSS_COUNT_ = 32,
};
enum D3DTEXTUREOP {
  D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3, D3DTOP_MODULATE = 4,
  D3DTOP_MODULATE2X = 5, D3DTOP_MODULATE4X = 6, D3DTOP_ADD = 7, D3DTOP_ADDSIGNED = 8,
  D3DTOP_SUBTRACT = 10,
};
constexpr DWORD D3DTA_DIFFUSE = 0x0;
constexpr DWORD D3DTA_CURRENT = 0x1;
constexpr DWORD D3DTA_TEXTURE = 0x2;
constexpr DWORD D3DTA_TFACTOR = 0x3;
enum D3DTEXTUREADDRESS { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3 };
enum D3DTEXTUREFILTERTYPE { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 };

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
constexpr DWORD D3DCLEAR_STENCIL = 0x4;

constexpr DWORD D3DLOCK_READONLY = 0x10;

struct D3DLOCKED_RECT {
  int Pitch;
  void* pBits;
};
struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  DWORD Usage;
  D3DPOOL Pool;
  unsigned Width, Height;
};

class Device;

// A surface: a level of a texture, a depth surface or the back buffer.
class Surface {
 public:
  virtual ~Surface() = default;
  virtual D3DSURFACE_DESC GetDesc() const = 0;
};

class Texture {
 public:
  virtual ~Texture() = default;
  virtual unsigned GetLevelCount() const = 0;
  virtual D3DSURFACE_DESC GetLevelDesc(unsigned level) const = 0;
  // Level pixels in the texture's own format (compressed formats: blocks, pitch of one block
  // row). The lock is written back on unlock. Render targets cannot be locked.
  virtual HRESULT LockRect(unsigned level, D3DLOCKED_RECT* locked, DWORD flags) = 0;
  virtual HRESULT UnlockRect(unsigned level) = 0;
  // The surface of a level; the texture keeps ownership.
  virtual Surface* GetSurfaceLevel(unsigned level) = 0;
};

class VertexBuffer {
 public:
  virtual ~VertexBuffer() = default;
  virtual HRESULT Lock(unsigned offset, unsigned size, uint8_t** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual unsigned Size() const = 0;
};

// The translated form of a pixel shader source ("byte code" of the shader translator).
struct PixelShaderCode {
  std::string glsl;
};
using PixelShaderHandle = DWORD;  // 0 = none

// Direct3D-style set-up; the device lives on the main window's OpenGL context.
class Device {
 public:
  virtual ~Device() = default;

  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Shows the back buffer in the window, scaled to fit with the aspect ratio kept.
  virtual HRESULT Present() = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT8& viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT8* viewport) = 0;

  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
  virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT8* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT8* light) = 0;
  virtual HRESULT LightEnable(DWORD index, bool enable) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL8* material) = 0;

  virtual HRESULT CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, std::unique_ptr<Texture>* texture) = 0;
  virtual HRESULT SetTexture(DWORD stage, Texture* texture) = 0;
  virtual HRESULT CreateVertexBuffer(unsigned length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     std::unique_ptr<VertexBuffer>* buffer) = 0;
  virtual HRESULT SetStreamSource(unsigned stream, VertexBuffer* buffer, unsigned stride) = 0;
  // Selects the fixed-function vertex format (Direct3D 8 calls this SetVertexShader).
  virtual HRESULT SetVertexShader(DWORD fvf) = 0;

  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, unsigned startVertex, unsigned primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                                  unsigned stride) = 0;
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned vertexCount,
                                         unsigned primitiveCount, const uint16_t* indices, const void* vertices,
                                         unsigned stride) = 0;

  // Render targets and depth surfaces. GetRenderTarget/GetDepthStencilSurface return the current
  // ones (the device keeps ownership of the back buffer and its depth surface).
  virtual HRESULT CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multisample, std::unique_ptr<Surface>* surface) = 0;
  virtual HRESULT GetRenderTarget(Surface** surface) = 0;
  virtual HRESULT GetDepthStencilSurface(Surface** surface) = 0;
  virtual HRESULT SetRenderTarget(Surface* renderTarget, Surface* depthStencil) = 0;

  // Pixel shaders: the translated source becomes a handle; 0 selects the fixed function.
  virtual HRESULT CreatePixelShader(const PixelShaderCode& code, PixelShaderHandle* handle) = 0;
  virtual HRESULT SetPixelShader(PixelShaderHandle handle) = 0;
  virtual HRESULT DeletePixelShader(PixelShaderHandle handle) = 0;
  virtual HRESULT SetPixelShaderConstant(DWORD reg, const float* values, DWORD count) = 0;

  // Reads the back buffer (the 640 x 480 frame as presented) as RGBA rows, top row first.
  virtual std::vector<uint8_t> ReadBackBuffer() = 0;
  // Reads a render-target surface or the back buffer as RGBA rows, top row first.
  virtual std::vector<uint8_t> ReadSurface(Surface* surface) = 0;
};

// Where Present shows the 640 x 480 frame in a window whose drawable is windowWidth x
// windowHeight pixels: as large as fits with its 4:3 shape kept, centred, black bars on the rest.
// x and y count from the window's bottom-left corner (OpenGL's window coordinates).
struct PresentRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PresentRect&) const = default;
};
PresentRect LetterboxRect(int windowWidth, int windowHeight);

// How Present scales the frame: Fit to the largest size that fits, smoothed (linear filtering);
// Integer to the largest whole multiple of 640 x 480 that fits, point-sampled, so that every
// pixel of the frame becomes a sharp square block. A window too small for one whole multiple is
// fitted. The environment variable ORVANE_SCALE=integer chooses Integer.
enum class PresentScale { Fit, Integer };
PresentScale PresentScaleFromEnvironment();
struct PresentArea {
  PresentRect rect;
  bool pointSampling = false;
  bool operator==(const PresentArea&) const = default;
};
PresentArea PresentAreaFor(int windowWidth, int windowHeight, PresentScale scale);

struct DeviceOptions {
  bool softwareVertexProcessing = false;
};
// Creates the device on the main window's OpenGL context (Direct3DCreate8 + CreateDevice).
// Returns nullptr when the context lacks what the device needs.
std::unique_ptr<Device> CreateDevice();

// Translates pixel shader source text (ps.1.x assembly) into a form CreatePixelShader takes.
// Returns false with a reason on a source it cannot translate.
bool TranslatePixelShader(const std::string& source, PixelShaderCode* code, std::string* error);

}  // namespace plat
