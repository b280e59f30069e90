#include "battle/sky.h"

#include <cstdio>
#include <string>

#include "core/data_root.h"
#include "core/graphics.h"
#include "core/message_box.h"
#include "data/scrambled.h"
#include "data/text_scanner.h"
#include "platform/system.h"

namespace {

using namespace plat;

constexpr DWORD kSkyVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr float kHalf = 256.0f;
constexpr uint32_t kWhite = 0xFFFFFFFF;
// Base texture coordinates of the corners of every face (top left, top right, bottom left,
// bottom right); a 1 marks a tiling coordinate.
constexpr float kCornerUV[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

// Faces 0 to 3 go round the horizon (+z, +x, -z, -x), face 4 is the top. Each face lists its
// corners top left, top right, bottom left, bottom right as seen from inside, so that both of its
// triangles are clockwise on the screen.
SkyBox makeSkyTable() {
  SkyBox sky;
  const float h = kHalf;
  const float corners[kSkyFaces][4][3] = {
      {{-h, h, h}, {h, h, h}, {-h, -h, h}, {h, -h, h}},
      {{h, h, h}, {h, h, -h}, {h, -h, h}, {h, -h, -h}},
      {{h, h, -h}, {-h, h, -h}, {h, -h, -h}, {-h, -h, -h}},
      {{-h, h, -h}, {-h, h, h}, {-h, -h, -h}, {-h, -h, h}},
      {{-h, h, -h}, {h, h, -h}, {-h, h, h}, {h, h, h}},
  };
  for (int f = 0; f < kSkyFaces; ++f) {
    for (int c = 0; c < 4; ++c) {
      sky.faces[f][c] = {corners[f][c][0], corners[f][c][1], corners[f][c][2], kWhite, kCornerUV[c][0],
                         kCornerUV[c][1]};
    }
  }
  return sky;
}

std::string skyPath(const char* format, std::string_view name, int face = 0) {
  char path[512];
  std::snprintf(path, sizeof path, format, dataRoot(), std::string(name).c_str(), face);
  return path;
}

void loadFaces(std::string_view baseName) {
  for (int f = 0; f < kSkyFaces; ++f) {
    data::loadScrambledTextureWithFormat(skyPath("%sMat\\SKY\\%s_%d.zgr", baseName, f), gSky.textures[f],
                                         D3DFMT_R8G8B8, D3DX_FILTER_LINEAR);
  }
}

// Every tiling coordinate takes the value, whatever an earlier sky left there (a tiling of 0
// must not lose them for the skies after it).
void setTiling(float tiling) {
  for (auto& face : gSky.faces) {
    for (int c = 0; c < 4; ++c) {
      face[c].u = kCornerUV[c][0] != 0.0f ? tiling : 0.0f;
      face[c].v = kCornerUV[c][1] != 0.0f ? tiling : 0.0f;
    }
  }
}

}  // namespace

SkyBox gSky = makeSkyTable();

void loadSky(std::string_view name) {
  const auto file = plat::ReadFile(skyPath("%sMat\\SKY\\%s.zd", name));
  if (!file) {
    showStandardMessage("SB:Load Error!");
    return;
  }
  const std::string text = data::textModeBytes(*file);
  data::TextScanner in(text);
  int enabled = 0;
  in.scan("%d ", {enabled});
  if (enabled == 0) {
    gSky.enabled = 0;
    for (auto& texture : gSky.textures) texture.reset();
    return;
  }
  gSky.enabled = enabled;
  std::string baseName;
  int tiling = 0, spin = 0;
  in.scan("%s\n", {baseName});
  in.scan("%d ", {tiling});
  in.scan("%d", {spin});
  loadFaces(baseName);
  setTiling(static_cast<float>(tiling));
  gSky.spinSpeed = static_cast<float>(spin) * 0.02f;
}

void loadDefaultSky() {
  loadFaces("sb0");
  gSky.enabled = 1;
}

void drawSky(const VECTOR& eye) {
  if (!gDevice) return;
  if (gSky.enabled == 0) {
    gDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    return;
  }
  gDevice->SetRenderState(D3DRS_LIGHTING, false);
  gDevice->SetRenderState(D3DRS_ZENABLE, false);
  gSky.angle += gSky.spinSpeed;

  MATRIX turn, place, world;
  matrixRotationY(turn, gSky.angle * 0.0174533f);
  matrixTranslation(place, eye.x, eye.y, eye.z);
  matrixMultiply(world, turn, place);
  gDevice->SetTransform(D3DTS_WORLD, &world);

  gDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  const SkyVertex& far = gSky.faces[0][3];  // holds the tiling value in u and v
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, far.u != 1.0f ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, far.v != 1.0f ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
  gDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  gDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetVertexShader(kSkyVertexFormat);

  static constexpr uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
  for (int f = 0; f < kSkyFaces; ++f) {
    gDevice->SetTexture(0, gSky.textures[f].get());
    gDevice->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, kIndices, gSky.faces[f], sizeof(SkyVertex));
  }

  gDevice->SetRenderState(D3DRS_ZENABLE, true);
  gDevice->SetRenderState(D3DRS_LIGHTING, true);
  gDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  gDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

void resetSky() {
  gSky = makeSkyTable();
}
