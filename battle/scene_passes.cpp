#include "battle/scene_passes.h"

#include <algorithm>
#include <cmath>

#include "core/frame.h"
#include "core/graphics.h"

using namespace plat;

namespace {

float horizontalDistance(const VECTOR& a, const VECTOR& b) {
  const float dx = a.x - b.x;
  const float dz = a.z - b.z;
  return std::sqrt(dx * dx + dz * dz);
}

// Whether a heading in [0, 2 pi) lies in the band, also when the band reaches past 0 or 2 pi.
bool insideBand(float h, float low, float high) {
  for (const float turn : {0.0f, kTwoPi, -kTwoPi}) {
    const float a = h + turn;
    if (a >= low && a <= high) return true;
  }
  return false;
}

// The visibility of one character that is seen at all (alpha 0.5 or more).
int visibilityOf(const CHARA& chara, const ShadowView& view) {
  const float h = heading(chara.position.x, chara.position.z, view.eye.x, view.eye.z);
  if (insideBand(h, view.bandLow, view.bandHigh)) return 0;
  const float d = horizontalDistance(chara.position, view.eye) - static_cast<float>(chara.radius);
  if (d > view.drawDistance) return 0;
  if (d < 0) return 0;
  if (d < 255) return static_cast<int>(d + 2);
  return 1;
}

bool castsShadow(const CHARA* chara, int index) {
  return chara && chara->alpha >= 0.5f && charaVisibility(index) != 0;
}

void drawShadowVolumes() {
  for (size_t i = 0; i < gCharas.size(); ++i) {
    const CHARA* chara = gCharas[i].get();
    if (!castsShadow(chara, static_cast<int>(i))) continue;
    const float s = static_cast<float>(chara->radius) / 192.0f;
    MATRIX world, place;
    matrixScaling(world, s, s, s);
    matrixTranslation(place, chara->position.x, chara->position.y, chara->position.z);
    matrixMultiply(world, world, place);
    gDevice->SetTransform(D3DTS_WORLD, &world);
    gShadowModel.drawPlain(gDevice);
  }
}

// The part of the screen the shadow volumes drawn this frame can cover, from the corners of the
// shadow model's box under each caster's world transform and the device's view and projection:
// false when no character casts a shadow. A box that reaches the eye plane gives the whole
// screen.
bool shadowVolumesRect(float& x0, float& y0, float& x1, float& y1) {
  const std::vector<VECTOR>& model = gShadowModel.vertices;
  VECTOR low{0, 0, 0}, high{0, 0, 0};
  for (size_t i = 0; i < model.size(); ++i) {
    const VECTOR& v = model[i];
    low = i ? VECTOR{std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)} : v;
    high = i ? VECTOR{std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)} : v;
  }
  MATRIX view, projection, viewProjection;
  gDevice->GetTransform(D3DTS_VIEW, &view);
  gDevice->GetTransform(D3DTS_PROJECTION, &projection);
  matrixMultiply(viewProjection, view, projection);
  D3DVIEWPORT8 viewport{0, 0, 640, 480, 0.0f, 1.0f};
  gDevice->GetViewport(&viewport);
  const float left = static_cast<float>(viewport.X), top = static_cast<float>(viewport.Y);
  const float right = left + static_cast<float>(viewport.Width), bottom = top + static_cast<float>(viewport.Height);
  bool any = false, whole = false;
  x0 = right, y0 = bottom, x1 = left, y1 = top;
  for (size_t i = 0; i < gCharas.size() && !whole; ++i) {
    const CHARA* chara = gCharas[i].get();
    if (!castsShadow(chara, static_cast<int>(i))) continue;
    any = true;
    const float s = static_cast<float>(chara->radius) / 192.0f;
    for (int corner = 0; corner < 8 && !whole; ++corner) {
      const double p[3] = {(corner & 1 ? high.x : low.x) * s + chara->position.x,
                           (corner & 2 ? high.y : low.y) * s + chara->position.y,
                           (corner & 4 ? high.z : low.z) * s + chara->position.z};
      double clip[4];
      for (int j = 0; j < 4; ++j)
        clip[j] = p[0] * viewProjection.m[0][j] + p[1] * viewProjection.m[1][j] + p[2] * viewProjection.m[2][j] +
                  viewProjection.m[3][j];
      if (!(clip[3] > 1.0e-3) || !std::isfinite(clip[0]) || !std::isfinite(clip[1])) {
        whole = true;
        break;
      }
      const double sx = left + (clip[0] / clip[3] + 1.0) * 0.5 * viewport.Width;
      const double sy = top + (1.0 - clip[1] / clip[3]) * 0.5 * viewport.Height;
      x0 = static_cast<float>(std::clamp<double>(std::floor(std::min<double>(x0, sx) - 2.0), left, right));
      x1 = static_cast<float>(std::clamp<double>(std::ceil(std::max<double>(x1, sx) + 2.0), left, right));
      y0 = static_cast<float>(std::clamp<double>(std::floor(std::min<double>(y0, sy) - 2.0), top, bottom));
      y1 = static_cast<float>(std::clamp<double>(std::ceil(std::max<double>(y1, sy) + 2.0), top, bottom));
    }
  }
  if (whole) x0 = 0.0f, y0 = 0.0f, x1 = 640.0f, y1 = 480.0f;
  return any;
}

void setWhiteMaterial() {
  D3DMATERIAL8 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {1, 1, 1, 1};
  gDevice->SetMaterial(&material);
}

// A point along the blade (+Y of the weapon) under a hand transform.
VECTOR bladePoint(float along, const MATRIX& hand) {
  VECTOR p{0, along, 0};
  p.transform(hand);
  return p;
}

MATRIX lerpMatrix(const MATRIX& a, const MATRIX& b, float t) {
  MATRIX out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = a.m[r][c] + (b.m[r][c] - a.m[r][c]) * t;
  return out;
}

struct TrailVertex {
  float x, y, z;
  uint32_t colour;
};
static_assert(sizeof(TrailVertex) == 16);

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shadows

MakeMat gShadowModel;
std::vector<int> gCharaVisibility;

int charaVisibility(int index) {
  if (index < 0 || static_cast<size_t>(index) >= gCharaVisibility.size()) return 0;
  return gCharaVisibility[static_cast<size_t>(index)];
}

ShadowView shadowViewFor(const VECTOR& eye, float cameraAngle, float drawDistance) {
  return {eye, cameraAngle - kHalfPi, cameraAngle + kHalfPi, drawDistance};
}

void drawShadows(const ShadowView& view) {
  // Characters added to the table since the last frame start hidden.
  gCharaVisibility.resize(gCharas.size(), 0);
  for (size_t i = 0; i < gCharas.size(); ++i) {
    const CHARA* chara = gCharas[i].get();
    if (!chara) {
      gCharaVisibility[i] = 0;
      continue;
    }
    // A faint character keeps the visibility it had.
    if (chara->alpha < 0.5f) continue;
    gCharaVisibility[i] = visibilityOf(*chara, view);
  }
  if (!gDevice) return;

  // Front faces of the volumes count up, back faces count down: what stays above 0 lies inside.
  gDevice->SetTexture(0, nullptr);
  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  gDevice->SetRenderState(D3DRS_FOGENABLE, false);
  gDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  gDevice->SetRenderState(D3DRS_ZWRITEENABLE, false);
  gDevice->SetRenderState(D3DRS_STENCILENABLE, true);
  gDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  gDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  drawShadowVolumes();

  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  gDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_DECR);
  drawShadowVolumes();

  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  gDevice->SetRenderState(D3DRS_STENCILREF, 1);
  gDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
  gDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  // The half-black quad darkens what the volumes marked; it need only cover where they can be.
  float x0, y0, x1, y1;
  if (shadowVolumesRect(x0, y0, x1, y1) && x1 > x0 && y1 > y0) drawFadeRect(0x80000000, x0, y0, x1, y1);

  gDevice->SetRenderState(D3DRS_STENCILENABLE, false);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, false);
  gDevice->SetRenderState(D3DRS_ZWRITEENABLE, true);
  gDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  gDevice->SetRenderState(D3DRS_FOGENABLE, true);
}

// ---------------------------------------------------------------------------------------------
// Characters

int32_t gAnimationClock = 0;

int animationClockTicks(int32_t frameTime) {
  // A clock that went backwards gives no time; the sum is taken wide so that no frame time
  // overflows it.
  const int64_t clock = static_cast<int64_t>(gAnimationClock) + std::max<int32_t>(frameTime, 0);
  if (clock < 16) {
    gAnimationClock = static_cast<int32_t>(clock);
    return 0;
  }
  gAnimationClock = 0;
  return static_cast<int>(clock / 16);
}

void drawCharacters(const VECTOR& eye) {
  // Farthest first, by whole units of horizontal distance.
  struct Entry {
    int index;
    int distance;
  };
  std::vector<Entry> order;
  for (size_t i = 0; i < gCharas.size(); ++i) {
    if (const CHARA* chara = gCharas[i].get())
      order.push_back({static_cast<int>(i), static_cast<int>(horizontalDistance(chara->position, eye))});
  }
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t j = i + 1; j < order.size(); ++j)
      if (order[j].distance > order[i].distance) std::swap(order[i], order[j]);

  if (gDevice) {
    gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
    gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  const int ticks = animationClockTicks(gFrameTime);
  for (const Entry& e : order) {
    CHARA* chara = gCharas[static_cast<size_t>(e.index)].get();
    if (chara->alpha == 0) continue;
    // Steps the animation, then draws when visible, faded by closeness for values from 2 up.
    chara->step(ticks, charaVisibility(e.index));
  }

  if (!gDevice) return;
  gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  setWhiteMaterial();
  gDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

// ---------------------------------------------------------------------------------------------
// Flash

void stepFlash(Flash& flash) {
  if (flash.colour == 0 || flash.step == 0) return;
  const int64_t alpha = static_cast<int64_t>(flash.colour >> 24) + flash.step;
  if (alpha >= 256) {
    flash.colour = (flash.colour & 0x00FFFFFFu) | 0xFF000000u;
  } else if (alpha > 0) {
    flash.colour = (flash.colour & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24);
  } else {
    flash.colour = 0;
    flash.step = 0;
  }
}

void drawFlash(const Flash& flash) {
  if (flash.colour == 0 || !gDevice) return;
  DWORD fog = 0;
  gDevice->GetRenderState(D3DRS_FOGENABLE, &fog);
  gDevice->SetRenderState(D3DRS_FOGENABLE, false);
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  drawFadeQuad(flash.colour);
  gDevice->SetRenderState(D3DRS_FOGENABLE, fog);
}

// ---------------------------------------------------------------------------------------------
// Weapon trail

WeaponTrail gTrail;

MATRIX trailHand(const CHARA& chara) {
  if (const BONE* bone = chara.weaponBone())
    return chara.attachmentMatrix(*bone, chara.weaponOffset, chara.weaponRotation);
  return chara.worldMatrix();
}

void startTrail(uint32_t colour, int chara, const MakeMat* weapon) {
  if (colour == 0) {
    if (weapon) {
      const MatMaterial& m = weapon->materials[0];
      colour = 0xE8000000u | (static_cast<uint32_t>(m.red & 0xFF) << 16) | (static_cast<uint32_t>(m.green) << 8) |
               m.blue;
    } else {
      colour = kTrailDefaultColour;
    }
  }
  gTrail.colour = colour;
  gTrail.chara = chara;
  const CHARA* follower = charaAt(chara);
  if (follower) gTrail.lastHand = trailHand(*follower);
  const VECTOR base = follower ? bladePoint(kTrailBase, gTrail.lastHand) : VECTOR{};
  std::fill(std::begin(gTrail.points), std::end(gTrail.points), base);
  std::fill(std::begin(gTrail.fade), std::end(gTrail.fade), uint8_t{0});
  gTrail.fade[0] = 10;
  // The first pair is the starting point; new pairs join it.
  gTrail.count = follower ? 2 : 0;
}

void updateTrail() {
  if (gTrail.active == 0) return;
  const CHARA* chara = charaAt(gTrail.chara);
  if (!chara) return;
  const MATRIX now = trailHand(*chara);
  // A sample every 4 ms, never more than the ring holds behind its first pair.
  const int n = std::min(static_cast<int>(static_cast<float>(gFrameTime) * 0.25f), (kTrailPoints - 2) / 2);
  if (n > 0 && gTrail.count + 2 * n > kTrailPoints) {
    // The ring would overflow: it starts again behind its first pair, and this frame adds nothing.
    gTrail.count = 2;
  } else if (n > 0) {
    for (int i = 1; i <= n; ++i) {
      const MATRIX hand = lerpMatrix(gTrail.lastHand, now, static_cast<float>(i) / static_cast<float>(n));
      gTrail.points[gTrail.count] = bladePoint(kTrailBase, hand);
      gTrail.points[gTrail.count + 1] = bladePoint(kTrailTip, hand);
      gTrail.fade[gTrail.count / 2] = 255;
      gTrail.count += 2;
    }
  }
  gTrail.lastHand = now;
}

void drawTrail() {
  if (gTrail.count < 2) return;
  const int pairs = gTrail.count / 2;
  if (gDevice && pairs >= 2) {
    static std::vector<TrailVertex> strip;
    strip.clear();
    const uint32_t rgb = gTrail.colour & 0x00FFFFFFu;
    for (int p = 0; p < pairs; ++p) {
      const uint32_t colour = rgb | (static_cast<uint32_t>(gTrail.fade[p]) << 24);
      for (int k = 0; k < 2; ++k) {
        const VECTOR& v = gTrail.points[2 * p + k];
        strip.push_back({v.x, v.y, v.z, colour});
      }
    }
    MATRIX world;
    world.identity();
    gDevice->SetTransform(D3DTS_WORLD, &world);
    gDevice->SetTexture(0, nullptr);
    gDevice->SetRenderState(D3DRS_LIGHTING, false);
    gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    gDevice->SetRenderState(D3DRS_ZWRITEENABLE, false);
    gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
    gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    gDevice->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    gDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, static_cast<unsigned>(strip.size() - 2), strip.data(),
                             sizeof(TrailVertex));
    gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    gDevice->SetRenderState(D3DRS_LIGHTING, true);
    gDevice->SetRenderState(D3DRS_ZWRITEENABLE, true);
  }
  for (int p = 0; p < pairs; ++p) gTrail.fade[p] = static_cast<uint8_t>(static_cast<float>(gTrail.fade[p]) * 0.9f);
  if (gTrail.fade[pairs - 1] < 4) gTrail.count = 0;
}

void resetScenePasses() {
  gShadowModel.release();
  gCharaVisibility.clear();
  gAnimationClock = 0;
  gTrail = WeaponTrail{};
}
