// Object tasks on the real device, offscreen: the shapes where their colours and alphas are
// fixed, sprites on the screen and in the scene, and the demo game's effects (pictures under
// build/previews for a look by eye). Also a replay of a shrine scene through orvane-replay.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audio/sound.h"
#include "core/message_box.h"
#include "data/database.h"
#include "event/object_task.h"
#include "game_fixture.h"
#include "gfx/camera.h"
#include "platform/audio.h"
#include "platform/png.h"

namespace fs = std::filesystem;
using namespace plat;

namespace {

fs::path previews() {
  const fs::path dir = fs::path(ORVANE_BIN_DIR) / ".." / "previews";
  fs::create_directories(dir);
  return dir;
}

class ObjectTaskPictureTest : public GameDeviceTest {
 protected:
  void SetUp() override {
    GameDeviceTest::SetUp();
    setUpObjectTasks();
    const MATRIX projection = gameProjection();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_ZENABLE, true);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, true);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, true);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);  // as the sky leaves it
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  }
  void TearDown() override {
    resetObjectTasks();
    GameDeviceTest::TearDown();
  }

  void look(const VECTOR& eye, const VECTOR& target, const VECTOR& up = {0, 1, 0}) {
    gCamera.eye = eye;
    gCamera.target = target;
    matrixLookAtLH(gViewMatrix, eye, target, up);
    device->SetTransform(D3DTS_VIEW, &gViewMatrix);
  }
  // The red channel of the pixel where a world point lands.
  int redAt(const VECTOR& point) {
    VECTOR p = point;
    p.transform(gViewMatrix);
    const float w = p.z;
    p.transform(gameProjection());
    return at(static_cast<int>((1 + p.x / w) * 320), static_cast<int>((1 - p.y / w) * 240)).r;
  }
  ObjTask& run(const std::string& text, int slot = 0) {
    ObjTask& task = *objectTaskAt(slot);
    task.script.setText(text);
    task.script.active = 1;
    stepObjectTasks();
    return task;
  }
  void save(const std::string& name) { EXPECT_TRUE(WritePng((previews() / (name + ".png")).string(), 640, 480, frame())); }
};

TEST_F(ObjectTaskPictureTest, RingFadesToHalfAlphaAtItsOuterEdge) {
  look({0, 2000, 0}, {0, 0, 0}, {0, 0, 1});  // straight down
  run("c0 0,0,= c0 1,300,= c0 2,600,= c0 3,64,= o8; #");
  save("objtask_ring");
  // White over black shows the alpha: 255 at the inner edge falling to 127 at the outer one.
  EXPECT_NEAR(redAt({0, 0, 308}), 251, 6);
  EXPECT_NEAR(redAt({450, 0, 0}), 191, 6);
  EXPECT_NEAR(redAt({-592, 0, 0}), 131, 6);
  EXPECT_EQ(redAt({0, 0, 0}), 0);
  EXPECT_EQ(redAt({0, 0, -700}), 0);
}

TEST_F(ObjectTaskPictureTest, CylinderTopAndCrossTopAreHalfTransparent) {
  // From the cylinder's axis only the far wall is seen: full at the bottom, half at the top.
  look({0, 300, 0}, {0, 300, 1});
  run("c0 0,1,= c0 1,1500,= c0 2,600,= c0 3,48,= o8; #");
  save("objtask_cylinder");
  EXPECT_NEAR(redAt({0, 6, 1500}), 254, 6);
  EXPECT_NEAR(redAt({0, 594, 1500}), 128, 6);
  EXPECT_EQ(redAt({0, 700, 1500}), 0);
  // The cross's fin along +x faces an eye on -z: white at the bottom, half-transparent at the top.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  look({0, 144, -600}, {0, 144, 0});
  run("c0 0,2,= o8; #");
  save("objtask_cross");
  EXPECT_NEAR(redAt({32, 36, 0}), 253, 6);
  EXPECT_NEAR(redAt({32, 252, 0}), 130, 6);
  EXPECT_EQ(redAt({32, 20, 0}), 0);
  EXPECT_EQ(redAt({80, 144, 0}), 0);
}

TEST_F(ObjectTaskPictureTest, BandAndSpritesOnTheScreenAndInTheScene) {
  // A texture of two cells: red on the left, green on the right.
  TexRecord& record = objectTaskAt(0)->textures[0];
  ASSERT_FALSE(FAILED(device->CreateTexture(128, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &record.texture)));
  D3DLOCKED_RECT locked{};
  ASSERT_FALSE(FAILED(record.texture->LockRect(0, &locked, 0)));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x)
      static_cast<uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x] = x < 64 ? 0xFFFF0000 : 0xFF00FF00;
  record.texture->UnlockRect(0);
  record.width = 128;
  record.height = 64;

  look({0, 100, -1000}, {0, 100, 0});
  ObjTask& task = run("c0 4,0,= c0 0,9,= c0 2,16711680,= o6; c0 0,3,= c0 1,200,= o8; #");
  task.rotation = {300, 0, 0};
  task.position = {-300, 0, 0};
  run("c0 0,3,= c0 1,200,= o8; #");
  EXPECT_TRUE(near(at(320, 240 - 20), {255, 0, 0, 255}, 2));
  // Screen sprite: cell (1, 0) at (200, 150), twice as large: 128 pixels of green round it.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  run("c0 4,0,= c0 0,0,= o5; c0 0,9,= c0 2,16777215,= o6; c0 0,11,= c0 3,1,= c0 2,1,= o6; "
      "c0 0,0,= c0 1,0,= c0 2,200,= o6; c0 0,1,= c0 2,150,= o6; c0 0,10,= c0 2,200,= o6; o14; #");
  save("objtask_screen_sprite");
  EXPECT_TRUE(near(at(200, 150), {0, 255, 0, 255}, 2));
  EXPECT_TRUE(near(at(200 + 62, 150 + 62), {0, 255, 0, 255}, 2));
  EXPECT_TRUE(near(at(200 + 66, 150), {0, 0, 0, 255}, 2));
  EXPECT_TRUE(near(at(200 - 66, 150), {0, 0, 0, 255}, 2));
  // In the scene: cell (0, 0) facing the camera at the part's place, 256 × 0.5 across.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  task.position = {0, 100, 0};
  run("c0 0,11,= c0 3,1,= c0 2,0,= o6; c0 0,0,= c0 1,0,= c0 2,0,= o6; c0 0,1,= o6; c0 0,10,= c0 2,50,= o6; o1; #");
  save("objtask_scene_sprite");
  DWORD u = 0, v = 0;  // o1 clamps; the pass ends with the addressing wrapped again
  device->GetTextureStageState(0, D3DTSS_ADDRESSU, &u);
  device->GetTextureStageState(0, D3DTSS_ADDRESSV, &v);
  EXPECT_EQ(u, static_cast<DWORD>(D3DTADDRESS_WRAP));
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
  EXPECT_EQ(redAt({0, 100, 0}), 255);
  EXPECT_EQ(redAt({60, 160, 0}), 255);
  EXPECT_EQ(redAt({70, 100, 0}), 0);
}

// The demo game's effects from the generated data tree, each run for a while and pictured.
TEST_F(ObjectTaskPictureTest, DemoEffects) {
  const fs::path bin = ORVANE_BIN_DIR;
  const fs::path previous = fs::current_path();
  fs::current_path(bin);
  SetProgramDirectory(bin.string() + "/");
  SelectAudioOutput(AudioOutput::Offline);
  ASSERT_TRUE(soundSetup());
  loadFonts();
  lightSetup();
  device->SetRenderState(D3DRS_AMBIENT, 0xFF808080);
  const struct {
    const char* name;
    int shot;  // the frame pictured
    int ends;  // the frame the task ends itself after; 0 for good
    VECTOR at;
  } effects[] = {{"shrine", 40, 0, {}},         {"windbell", 30, 0, {}},     {"leaves", 120, 0, {}},
                 {"mist", 20, 0, {}},           {"rain", 20, 0, {}},         {"pnKazami", 60, 155, {}},
                 {"pnMori", 20, 155, {}},       {"pnYashiro", 140, 155, {}}, {"bSlash", 5, 21, {0, 300, 0}},
                 {"bFire", 12, 37, {0, 0, 0}},  {"bHeal", 30, 71, {0, 0, 0}}, {"bStar", 24, 64, {0, 300, 0}},
                 {"bStar", 40, 64, {0, 300, 0}}};
  int picture = 0;
  for (const auto& effect : effects) {
    look({0, 800, -2600}, {0, 300, 0});
    ObjTask& task = *objectTaskAt(0);
    task.position = effect.at;
    loadObjectTask(0, effect.name);
    int step = 0;
    for (; step < 400 && (step == 0 || task.script.active); ++step) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
      if (step == 0) runObjectTask(0);
      else stepObjectTasks();
      if (step == effect.shot) {
        const std::vector<uint8_t> pixels = frame();
        EXPECT_TRUE(WritePng((previews() / ("effect_" + std::to_string(picture++) + "_" + effect.name + ".png")).string(),
                             640, 480, pixels));
        int changed = 0;  // pixels away from the background 0x203040
        for (size_t i = 0; i < pixels.size(); i += 4)
          changed += std::abs(pixels[i] - 0x20) + std::abs(pixels[i + 1] - 0x30) + std::abs(pixels[i + 2] - 0x40) > 24;
        EXPECT_GT(changed, 400) << effect.name;
      }
      if (effect.ends == 0 && step > effect.shot) break;
    }
    if (effect.ends) {
      EXPECT_EQ(step, effect.ends) << effect.name;
      EXPECT_FALSE(task.script.hasText()) << effect.name;
      EXPECT_EQ(task.sounds[0], -1) << effect.name;
    } else {
      EXPECT_TRUE(task.script.active) << effect.name;
    }
    EXPECT_TRUE(messages.empty()) << effect.name << ": " << messages.front();
    messages.clear();
    freeObjectTask(0);
  }
  D3DMATERIAL8 material{};  // the wind bell's mesh gave the material back as all ones
  device->GetMaterial(&material);
  EXPECT_EQ(material.Diffuse.g, 1.0f);
  EXPECT_EQ(material.Ambient.a, 1.0f);
  resetObjectTasks();
  freeDatabase();
  soundShutdown();
  SelectAudioOutput(AudioOutput::Device);
  SetProgramDirectory("");
  fs::current_path(previous);
}

// The game itself on the demo data, its opening scene replaced by the wind shrine's effects:
// the ring, the pillar, the wind bell and the place name (build/previews/shrine_replay.png).
TEST(ObjectTaskReplay, ShrineSceneRunsAndIsPictured) {
  const fs::path bin = ORVANE_BIN_DIR;
  const fs::path data = fs::temp_directory_path() / ("orvane_shrine_" + std::to_string(::getpid()));
  fs::remove_all(data);
  fs::create_directories(data);
  for (const auto& entry : fs::directory_iterator(bin))
    if (entry.is_directory()) fs::copy(entry.path(), data / entry.path().filename(), fs::copy_options::recursive);
  std::ofstream(data / "ev" / "ST_tk0.zd", std::ios::binary)
      << "c1 sb0//= f45;\n"
         "c0 0,0,= c0 1,2400,= c0 2,900,= f24; f30;\n"
         "c1 shrine//= c0 0,0,= c0 4,0,= f46; c0 0,1,= f46;\n"
         "c1 windbell//= c0 0,0,= c0 4,1,= f46; c0 0,1,= f46;\n"
         "c1 pnYashiro//= c0 0,0,= c0 4,2,= f46; c0 0,1,= f46;\n"
         "f3;\n@:idle// # c3 idle//1\n";
  const fs::path shot = previews() / "shrine_replay.png", log = data / "messages.log";
  fs::remove(shot);
  const std::string command = (bin / "orvane-replay").string() + " --data " + data.string() + " --frames 60 --shot 50:" +
                              shot.string() + " --messages " + log.string() + " > " + (data / "out.txt").string() +
                              " 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(log);
  const std::string messages((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(messages, "");
  EXPECT_GT(fs::file_size(shot), 10000u);
  fs::remove_all(data);
}

}  // namespace
