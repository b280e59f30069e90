// A device that passes every call on to another one, for tests that watch or change some calls
// of the real device.
#pragma once
#include <memory>
#include <vector>

#include "platform/device.h"

namespace plat {

// Passes every call on to another device; tests override the calls they watch or change.
class ForwardingDevice : public Device {
 public:
  explicit ForwardingDevice(Device* real) : d(real) {}
  HRESULT CreateTexture(unsigned w, unsigned h, unsigned levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        std::unique_ptr<Texture>* texture) override {
    return d->CreateTexture(w, h, levels, usage, format, pool, texture);
  }
  HRESULT BeginScene() override { return d->BeginScene(); }
  HRESULT EndScene() override { return d->EndScene(); }
  HRESULT Present() override { return d->Present(); }
  HRESULT Clear(DWORD n, const D3DRECT* r, DWORD f, D3DCOLOR c, float z, DWORD s) override {
    return d->Clear(n, r, f, c, z, s);
  }
  HRESULT SetViewport(const D3DVIEWPORT8& v) override { return d->SetViewport(v); }
  HRESULT GetViewport(D3DVIEWPORT8* v) override { return d->GetViewport(v); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override { return d->SetRenderState(s, v); }
  HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override { return d->GetRenderState(s, v); }
  HRESULT SetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD v) override {
    return d->SetTextureStageState(st, t, v);
  }
  HRESULT GetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override {
    return d->GetTextureStageState(st, t, v);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override { return d->SetTransform(t, m); }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) override { return d->GetTransform(t, m); }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override {
    return d->MultiplyTransform(t, m);
  }
  HRESULT SetLight(DWORD i, const D3DLIGHT8* l) override { return d->SetLight(i, l); }
  HRESULT GetLight(DWORD i, D3DLIGHT8* l) override { return d->GetLight(i, l); }
  HRESULT LightEnable(DWORD i, bool e) override { return d->LightEnable(i, e); }
  HRESULT SetMaterial(const D3DMATERIAL8* m) override { return d->SetMaterial(m); }
  HRESULT GetMaterial(D3DMATERIAL8* m) override { return d->GetMaterial(m); }
  HRESULT SetTexture(DWORD s, Texture* t) override { return d->SetTexture(s, t); }
  HRESULT CreateVertexBuffer(unsigned l, DWORD u, DWORD f, D3DPOOL p, std::unique_ptr<VertexBuffer>* b) override {
    return d->CreateVertexBuffer(l, u, f, p, b);
  }
  HRESULT SetStreamSource(unsigned s, VertexBuffer* b, unsigned stride) override {
    return d->SetStreamSource(s, b, stride);
  }
  HRESULT SetVertexShader(DWORD f) override { return d->SetVertexShader(f); }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE t, unsigned s, unsigned n) override { return d->DrawPrimitive(t, s, n); }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE t, unsigned n, const void* v, unsigned s) override {
    return d->DrawPrimitiveUP(t, n, v, s);
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE t, unsigned m, unsigned c, unsigned n, const uint16_t* i,
                                 const void* v, unsigned s) override {
    return d->DrawIndexedPrimitiveUP(t, m, c, n, i, v, s);
  }
  HRESULT CreateDepthStencilSurface(unsigned w, unsigned h, D3DFORMAT f, D3DMULTISAMPLE_TYPE m,
                                    std::unique_ptr<Surface>* s) override {
    return d->CreateDepthStencilSurface(w, h, f, m, s);
  }
  HRESULT GetRenderTarget(Surface** s) override { return d->GetRenderTarget(s); }
  HRESULT GetDepthStencilSurface(Surface** s) override { return d->GetDepthStencilSurface(s); }
  HRESULT SetRenderTarget(Surface* c, Surface* z) override { return d->SetRenderTarget(c, z); }
  HRESULT CreatePixelShader(const PixelShaderCode& c, PixelShaderHandle* h) override {
    return d->CreatePixelShader(c, h);
  }
  HRESULT SetPixelShader(PixelShaderHandle h) override { return d->SetPixelShader(h); }
  HRESULT DeletePixelShader(PixelShaderHandle h) override { return d->DeletePixelShader(h); }
  HRESULT SetPixelShaderConstant(DWORD r, const float* v, DWORD n) override {
    return d->SetPixelShaderConstant(r, v, n);
  }
  std::vector<uint8_t> ReadBackBuffer() override { return d->ReadBackBuffer(); }
  std::vector<uint8_t> ReadSurface(Surface* s) override { return d->ReadSurface(s); }

 protected:
  Device* d;
};

}  // namespace plat
