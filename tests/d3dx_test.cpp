// Texture creation from image files against a recording device: what is created, how the levels
// are copied through LockRect (with a pitch wider than a row), and the fallback format.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "null_device.h"
#include "recording_device.h"
#include "platform/d3dx.h"
#include "tests/image_files.h"

using namespace plat;
using recording::MemoryTexture;

namespace {

// Creates textures in memory, refusing the formats it is told to refuse and keeping the formats
// asked for; everything else does nothing.
class TextureMakingDevice : public NullDevice {
 public:
  std::set<D3DFORMAT> refused;
  std::vector<D3DFORMAT> asked;

  HRESULT CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD, D3DFORMAT format, D3DPOOL,
                        std::unique_ptr<Texture>* texture) override {
    asked.push_back(format);
    if (refused.count(format)) return D3DERR_INVALIDCALL;
    *texture = std::make_unique<MemoryTexture>(width, height, levels, format);
    return D3D_OK;
  }
};

std::vector<uint8_t> redDxt1Chain() {
  const std::vector<uint8_t> red = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
  std::vector<uint8_t> chain;
  for (int i = 0; i < 3; ++i) chain.insert(chain.end(), red.begin(), red.end());
  return testimg::makeDds(4, 4, testimg::dxt("DXT1"), 3, chain);
}

}  // namespace

TEST(TextureFromFile, LevelsAreCopiedRowByRowIntoTheLockedPitch) {
  const std::vector<uint32_t> pixels = {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C};
  const auto file = testimg::makeDds(2, 2, testimg::kDdsArgb8, 1, testimg::argbBytes(pixels));
  TextureMakingDevice device;
  std::unique_ptr<Texture> texture;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(&device, file.data(), file.size(), &texture), D3D_OK);
  ASSERT_NE(texture, nullptr);
  auto& memory = static_cast<MemoryTexture&>(*texture);
  ASSERT_EQ(memory.GetLevelCount(), 2u);
  EXPECT_EQ(memory.GetLevelDesc(0).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(memory.rows(0), testimg::argbBytes(pixels));
  EXPECT_EQ(memory.rows(1), testimg::argbBytes({0xFF060708}));
}

TEST(TextureFromFile, RefusedFormatFallsBackToA8R8G8B8) {
  TextureMakingDevice device;
  device.refused = {D3DFMT_DXT1, D3DFMT_R8G8B8};
  const auto file = redDxt1Chain();
  std::unique_ptr<Texture> texture;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(&device, file.data(), file.size(), &texture), D3D_OK);
  EXPECT_EQ(device.asked, (std::vector<D3DFORMAT>{D3DFMT_DXT1, D3DFMT_A8R8G8B8}));
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(static_cast<MemoryTexture&>(*texture).rows(2), testimg::argbBytes({0xFFFF0000}));

  device.asked.clear();
  ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(&device, file.data(), file.size(), 0, 0, 0, 0, D3DFMT_R8G8B8,
                                                D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0, &texture),
            D3D_OK);
  EXPECT_EQ(device.asked, (std::vector<D3DFORMAT>{D3DFMT_R8G8B8, D3DFMT_A8R8G8B8}));
}

TEST(TextureFromFile, FailuresLeaveTheDestinationEmpty) {
  TextureMakingDevice device;
  const auto file = redDxt1Chain();
  std::unique_ptr<Texture> texture = std::make_unique<MemoryTexture>(1, 1, 1, D3DFMT_A8R8G8B8);
  const std::vector<uint8_t> junk(200, 0x42);
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileInMemory(&device, junk.data(), junk.size(), &texture)));
  EXPECT_EQ(texture, nullptr);
  EXPECT_TRUE(device.asked.empty());

  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileInMemory(nullptr, file.data(), file.size(), &texture)));
  device.refused = {D3DFMT_DXT1, D3DFMT_A8R8G8B8};
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileInMemory(&device, file.data(), file.size(), &texture)));
  EXPECT_EQ(texture, nullptr);
}
