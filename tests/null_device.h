// A device that draws nothing and answers every call with success. Test devices derive from it
// and override only the calls they record or answer differently.
#pragma once
#include <memory>

#include "platform/device.h"

class NullDevice : public plat::Device {
 public:
  using HRESULT = plat::HRESULT;
  using DWORD = plat::DWORD;

  HRESULT BeginScene() override { return plat::D3D_OK; }
  HRESULT EndScene() override { return plat::D3D_OK; }
  HRESULT Present() override { return plat::D3D_OK; }
  HRESULT Clear(DWORD, const plat::D3DRECT*, DWORD, plat::D3DCOLOR, float, DWORD) override { return plat::D3D_OK; }
  HRESULT SetViewport(const plat::D3DVIEWPORT8&) override { return plat::D3D_OK; }
  HRESULT GetViewport(plat::D3DVIEWPORT8*) override { return plat::D3D_OK; }
  HRESULT SetRenderState(plat::D3DRENDERSTATETYPE, DWORD) override { return plat::D3D_OK; }
  HRESULT GetRenderState(plat::D3DRENDERSTATETYPE, DWORD* value) override {
    *value = 0;
    return plat::D3D_OK;
  }
  HRESULT SetTextureStageState(DWORD, plat::D3DTEXTURESTAGESTATETYPE, DWORD) override { return plat::D3D_OK; }
  HRESULT GetTextureStageState(DWORD, plat::D3DTEXTURESTAGESTATETYPE, DWORD* value) override {
    *value = 0;
    return plat::D3D_OK;
  }
  HRESULT SetTransform(plat::D3DTRANSFORMSTATETYPE, const plat::D3DMATRIX*) override { return plat::D3D_OK; }
  HRESULT GetTransform(plat::D3DTRANSFORMSTATETYPE, plat::D3DMATRIX*) override { return plat::D3D_OK; }
  HRESULT MultiplyTransform(plat::D3DTRANSFORMSTATETYPE, const plat::D3DMATRIX*) override { return plat::D3D_OK; }
  HRESULT SetLight(DWORD, const plat::D3DLIGHT8*) override { return plat::D3D_OK; }
  HRESULT GetLight(DWORD, plat::D3DLIGHT8*) override { return plat::D3D_OK; }
  HRESULT LightEnable(DWORD, bool) override { return plat::D3D_OK; }
  HRESULT SetMaterial(const plat::D3DMATERIAL8*) override { return plat::D3D_OK; }
  HRESULT GetMaterial(plat::D3DMATERIAL8*) override { return plat::D3D_OK; }
  HRESULT CreateTexture(unsigned, unsigned, unsigned, DWORD, plat::D3DFORMAT, plat::D3DPOOL,
                        std::unique_ptr<plat::Texture>*) override {
    return plat::D3DERR_INVALIDCALL;
  }
  HRESULT SetTexture(DWORD, plat::Texture*) override { return plat::D3D_OK; }
  HRESULT CreateVertexBuffer(unsigned, DWORD, DWORD, plat::D3DPOOL, std::unique_ptr<plat::VertexBuffer>*) override {
    return plat::D3DERR_INVALIDCALL;
  }
  HRESULT SetStreamSource(unsigned, plat::VertexBuffer*, unsigned) override { return plat::D3D_OK; }
  HRESULT SetVertexShader(DWORD) override { return plat::D3D_OK; }
  HRESULT DrawPrimitive(plat::D3DPRIMITIVETYPE, unsigned, unsigned) override { return plat::D3D_OK; }
  HRESULT DrawPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, const void*, unsigned) override { return plat::D3D_OK; }
  HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned, unsigned, const uint16_t*, const void*,
                                 unsigned) override {
    return plat::D3D_OK;
  }
  HRESULT CreateDepthStencilSurface(unsigned, unsigned, plat::D3DFORMAT, plat::D3DMULTISAMPLE_TYPE,
                                    std::unique_ptr<plat::Surface>*) override {
    return plat::D3DERR_INVALIDCALL;
  }
  HRESULT GetRenderTarget(plat::Surface** surface) override {
    *surface = nullptr;
    return plat::D3D_OK;
  }
  HRESULT GetDepthStencilSurface(plat::Surface** surface) override {
    *surface = nullptr;
    return plat::D3D_OK;
  }
  HRESULT SetRenderTarget(plat::Surface*, plat::Surface*) override { return plat::D3D_OK; }
  HRESULT CreatePixelShader(const plat::PixelShaderCode&, plat::PixelShaderHandle* handle) override {
    *handle = 0;
    return plat::D3D_OK;
  }
  HRESULT SetPixelShader(plat::PixelShaderHandle) override { return plat::D3D_OK; }
  HRESULT DeletePixelShader(plat::PixelShaderHandle) override { return plat::D3D_OK; }
  HRESULT SetPixelShaderConstant(DWORD, const float*, DWORD) override { return plat::D3D_OK; }
  std::vector<uint8_t> ReadBackBuffer() override { return {}; }
  std::vector<uint8_t> ReadSurface(plat::Surface*) override { return {}; }
};
