#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "core/graphics.h"
#include "battle/sky.h"
#include "device_fixture.h"
#include "null_device.h"
#include "platform/png.h"
#include "platform/system.h"
#include "previews.h"
#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

// Records the texture-stage states and counts the faces drawn.
class StageRecorder : public NullDevice {
 public:
  std::map<int, DWORD> stageStates;
  int indexedDraws = 0;
  HRESULT SetTextureStageState(DWORD stage, plat::D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    if (stage == 0) stageStates[type] = value;
    return plat::D3D_OK;
  }
  HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned, unsigned, const uint16_t*, const void*,
                                 unsigned) override {
    ++indexedDraws;
    return plat::D3D_OK;
  }
};

// A data root of its own with sky files; message boxes are collected.
class SkyFiles : public GameStateTest {
 protected:
  void SetUp() override {
    root.makeDirectories("Mat/SKY");
    root.useAsDataRoot();
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages.push_back(text); });
    gDevice = &device;
  }
  void TearDown() override {
    gDevice = nullptr;
    plat::SetMessageBoxHandler(nullptr);
  }
  void write(const std::string& name, const std::string& text) { root.write("Mat/SKY/" + name, text); }
  TempDataRoot root;
  StageRecorder device;
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(SkyFiles, MissingFileIsReportedAndLeavesTheSkyAsItWas) {
  gSky.enabled = 1;
  gSky.spinSpeed = 0.5f;
  loadSky("nothing");
  EXPECT_EQ(messages, (std::vector<std::string>{"SB:Load Error!"}));
  EXPECT_EQ(gSky.enabled, 1);
  EXPECT_EQ(gSky.spinSpeed, 0.5f);
}

TEST_F(SkyFiles, TilingOneClampsAndAnyOtherValueRepeats) {
  write("one.zd", "1 faces\r\n1 5\r\n");
  loadSky("one");
  EXPECT_EQ(gSky.enabled, 1);
  EXPECT_FLOAT_EQ(gSky.spinSpeed, 0.1f);
  drawSky(VECTOR{});
  EXPECT_EQ(device.indexedDraws, kSkyFaces);
  // The faces' textures are missing in this tree; the open errors say so, and the sky still draws.
  EXPECT_EQ(messages.size(), static_cast<size_t>(kSkyFaces));
  // Clamped while drawing, then both address modes wrap again.
  EXPECT_EQ(device.stageStates[plat::D3DTSS_ADDRESSU], plat::D3DTADDRESS_WRAP);

  write("four.zd", "1 faces\r\n4 0\r\n");
  loadSky("four");
  EXPECT_EQ(gSky.faces[0][3].u, 4.0f);
  EXPECT_EQ(gSky.faces[0][0].u, 0.0f);
  EXPECT_EQ(gSky.faces[0][1].v, 0.0f);
  EXPECT_EQ(gSky.faces[4][3].v, 4.0f);

  // A sky with tiling 0 does not lose the tiling coordinates for the skies after it.
  write("zero.zd", "1 faces\r\n0 0\r\n");
  loadSky("zero");
  EXPECT_EQ(gSky.faces[0][3].u, 0.0f);
  loadSky("four");
  for (const auto& face : gSky.faces) {
    EXPECT_EQ(face[0].u, 0.0f);
    EXPECT_EQ(face[1].u, 4.0f);
    EXPECT_EQ(face[2].v, 4.0f);
    EXPECT_EQ(face[3].u, 4.0f);
    EXPECT_EQ(face[3].v, 4.0f);
  }
}

TEST_F(SkyFiles, AddressModesFollowTheTilingWhileTheFacesDraw) {
  // A device that notes the address mode in force at each face.
  struct AtDraw : StageRecorder {
    std::vector<DWORD> modes;
    HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned, unsigned, const uint16_t*,
                                   const void*, unsigned) override {
      modes.push_back(stageStates[plat::D3DTSS_ADDRESSU]);
      return plat::D3D_OK;
    }
  } atDraw;
  gDevice = &atDraw;
  write("one.zd", "1 faces\r\n1 0\r\n");
  loadSky("one");
  drawSky(VECTOR{});
  write("two.zd", "1 faces\r\n2 0\r\n");
  loadSky("two");
  drawSky(VECTOR{});
  ASSERT_EQ(atDraw.modes.size(), 2u * kSkyFaces);
  EXPECT_EQ(atDraw.modes.front(), plat::D3DTADDRESS_CLAMP);
  EXPECT_EQ(atDraw.modes.back(), plat::D3DTADDRESS_WRAP);
}

TEST_F(SkyFiles, SwitchedOffSkyReleasesItsFacesAndClearsTheFrame) {
  gSky.enabled = 1;
  write("off.zd", "0 ");
  loadSky("off");
  EXPECT_EQ(gSky.enabled, 0);
  for (const auto& texture : gSky.textures) EXPECT_EQ(texture, nullptr);
  drawSky(VECTOR{});
  EXPECT_EQ(device.indexedDraws, 0);
}

// The demo sky seen from its centre in every direction: no face is culled or missing.
TEST_F(DeviceTest, DemoSkyCoversEveryDirection) {
  const ScopedDataRoot root(demoDataDir());
  loadDefaultSky();
  ASSERT_EQ(gSky.enabled, 1);
  const MATRIX projection = gameProjection();
  device->SetTransform(plat::D3DTS_PROJECTION, &projection);
  const VECTOR eye{0, 0, 0};
  const VECTOR looks[] = {{0, 0, 1}, {1, 0, 0}, {0, 0, -1}, {-1, 0, 0}, {0.01f, 1, 0.2f}};
  for (const VECTOR& look : looks) {
    SCOPED_TRACE(testing::Message() << look.x << " " << look.y << " " << look.z);
    MATRIX view;
    matrixLookAtLH(view, eye, look, VECTOR{0, 1, 0});
    device->SetTransform(plat::D3DTS_VIEW, &view);
    device->Clear(0, nullptr, plat::D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawSky(eye);
    const std::vector<uint8_t> frame = device->ReadBackBuffer();
    if (look.z == 1) plat::WritePng(previewPath("sky_front.png"), 640, 480, frame);
    for (auto [x, y] : {std::pair{320, 240}, {2, 2}, {637, 2}, {2, 477}, {637, 477}}) {
      const Rgba p = pixelOf(frame, 640, x, y);
      EXPECT_GT(p.r + p.g + p.b, 0) << "black at " << x << "," << y;
    }
  }
}
