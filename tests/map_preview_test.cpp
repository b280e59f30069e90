// The demo game's maps as the game reads them: every source in content/maps gives a Mat file that
// loads with all its textures, puts the start on walkable ground, marks its event tiles and its
// blocked places, and keeps the walkable ground in triangles that the field's ground query can
// take. Each map is drawn from a field camera behind the start into build/previews/<map>.png,
// from its views into <map>_view<n>.png and from high above into <map>_top.png, for a look by eye.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "battle/sky.h"
#include "device_fixture.h"
#include "gfx/chara.h"
#include "gfx/mat_model.h"
#include "platform/png.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

const fs::path kBin = ORVANE_BIN_DIR;
const fs::path kMaps = fs::path(ORVANE_SOURCE_DIR) / "content" / "maps";

struct EventCells {
  int number, col, row, width, height;
};

// What the test needs of a map source: its name, its grid and its places.
struct MapFacts {
  std::string name;
  float tile = 0;
  int cols = 0, rows = 0;
  int startCol = 0, startRow = 0;
  int originCol = -1, originRow = -1;  // the tile at the world's origin; -1: the map's middle
  float heading = 0;  // the way the party faces at the start
  std::vector<std::tuple<int, int, float>> views;  // column, row and heading of the map's best views
  std::vector<EventCells> events;

  float x(float col) const { return (col + 0.5f - (originCol >= 0 ? originCol + 0.5f : cols / 2.0f)) * tile; }
  float z(float row) const { return ((originRow >= 0 ? originRow + 0.5f : rows / 2.0f) - row - 0.5f) * tile; }
};

MapFacts readFacts(const fs::path& source) {
  MapFacts facts;
  std::ifstream in(source);
  std::string section;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first.empty() || first[0] == '#') continue;
    if (first == "map") words >> facts.name;
    if (first == "tile") words >> facts.tile;
    if (first == "origin") words >> facts.originCol >> facts.originRow;
    if (first == "start" || first == "view") {
      int col = 0, row = 0;
      std::string facing;
      words >> col >> row >> facing;
      const float heading = facing == "east" ? 1.5708f : facing == "south" ? 3.14159f : facing == "west" ? 4.71239f : 0;
      if (first == "view") facts.views.push_back({col, row, heading});
      else std::tie(facts.startCol, facts.startRow, facts.heading) = std::tie(col, row, heading);
    }
    if (first.rfind("場", 0) == 0) {
      EventCells e{std::stoi(first.substr(3)), 0, 0, 1, 1};
      words >> e.col >> e.row;
      int w = 0, h = 0;
      if (words >> w >> h) e.width = w, e.height = h;
      facts.events.push_back(e);
    }
    if (first == "tiles" || first == "heights" || first == "legend") section = first;
    else if (section == "tiles" && line.find(' ') == std::string::npos) {
      facts.cols = static_cast<int>(line.size());
      ++facts.rows;
    }
  }
  return facts;
}

// The ground as the field finds it: the first face of the first object, in face order, whose
// triangle of its first three corners a vertical line through (x, z) meets.
struct Ground {
  const MatPolygon* face = nullptr;
  float y = 0;
};
Ground groundAt(const MakeMat& map, float x, float z) {
  for (const MatPolygon& p : map.objects.at(0).polygons) {
    const VECTOR& a = map.vertices[p.vertex[0]];
    const VECTOR& b = map.vertices[p.vertex[1]];
    const VECTOR& c = map.vertices[p.vertex[2]];
    const float d = (b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z);
    if (std::abs(d) < 1e-3f) continue;  // a wall: no vertical line meets it
    const float u = ((x - a.x) * (c.z - a.z) - (c.x - a.x) * (z - a.z)) / d;
    const float v = ((b.x - a.x) * (z - a.z) - (x - a.x) * (b.z - a.z)) / d;
    if (u < -1e-4f || v < -1e-4f || u + v > 1.0001f) continue;
    return {&p, a.y + u * (b.y - a.y) + v * (c.y - a.y)};
  }
  return {};
}

struct Header {
  float radius = 0, fogStart = 0, fogEnd = 0;
  unsigned fogColour = 0;
};
std::optional<Header> readHeader(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string text(512, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  Header h;
  if (std::sscanf(text.c_str(), "%f;\n%x;%f;%f;", &h.radius, &h.fogColour, &h.fogStart, &h.fogEnd) != 4) return {};
  return h;
}

class MapPreview : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    previous_ = fs::current_path();
    fs::current_path(kBin);
    plat::SetProgramDirectory(kBin.string() + "/");
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { messages.push_back(text); });
    fs::create_directories(kBin / ".." / "previews");
  }
  void TearDown() override {
    for (auto& texture : gSky.textures) texture.reset();
    gSky.enabled = 0;
    plat::SetMessageBoxHandler(nullptr);
    plat::SetProgramDirectory("");
    fs::current_path(previous_);
    DeviceTest::TearDown();
  }

  // Draws the map as the field does (sky, then the map under its fog with the game's light) from
  // the eye towards the target, with characters standing at the given places, and saves it.
  void picture(MakeMat& map, const Header& header, const VECTOR& eye, const VECTOR& target, float far,
               const std::vector<std::pair<std::string, VECTOR>>& people, const std::string& file) {
    using namespace plat;
    MATRIX projection, view, identity;
    matrixPerspectiveFovLH(projection, 3.14159f / 4, 4.0f / 3.0f, 64.0f, far);
    matrixLookAtLH(view, eye, target, VECTOR{0, 1, 0});
    identity.identity();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &view);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, header.fogColour | 0xFF000000, 1.0f, 0);
    device->BeginScene();
    if (far <= 15000) drawSky(eye);
    lightSetup();
    device->SetRenderState(D3DRS_ZENABLE, true);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, true);
    device->SetRenderState(D3DRS_FOGENABLE, far <= 15000);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, header.fogColour);
    device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(header.fogStart));
    device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(header.fogEnd));
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    D3DMATERIAL8 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1.5f, 1.5f, 1.5f, 1};
    device->SetMaterial(&material);
    device->SetTransform(D3DTS_WORLD, &identity);
    map.draw(device);
    for (const auto& [name, place] : people) {
      CHARA person;
      person.Load(name);
      person.alpha = 1;
      person.position = place;
      person.rotation.y = std::atan2(place.x - eye.x, place.z - eye.z);  // the figure's front is -z
      EXPECT_GT(person.vertexCount(), 0) << name;
      EXPECT_GE(person.eyeTextureCount(), 2) << name;
      EXPECT_GE(person.actionCount(), 2) << name;
      person.step(1, 1);
    }
    device->SetRenderState(D3DRS_FOGENABLE, false);
    device->EndScene();
    EXPECT_TRUE(WritePng((kBin / ".." / "previews" / file).string(), 640, 480, frame()));
  }

  // A person standing across and ahead of the leader's place.
  struct Person {
    const char* name;
    float across, ahead;
  };
  // A field camera: `back` behind the place and `up` above it, looking at a point 256 above it.
  void fieldPicture(MakeMat& map, const Header& header, float x, float z, float heading, float back, float up,
                    const std::vector<Person>& people, const std::string& file) {
    const float y = groundAt(map, x, z).y;
    const float behind = heading + 3.14159f;
    const VECTOR eye{x + std::sin(behind) * back, y + up, z + std::cos(behind) * back};
    std::vector<std::pair<std::string, VECTOR>> placed;
    for (const Person& p : people) {
      const float px = x + std::cos(heading) * p.across + std::sin(heading) * p.ahead;
      const float pz = z - std::sin(heading) * p.across + std::cos(heading) * p.ahead;
      placed.push_back({p.name, {px, groundAt(map, px, pz).y, pz}});
    }
    picture(map, header, eye, {x, y + 256, z}, 15000, placed, file);
  }

  std::vector<std::string> messages;

 private:
  fs::path previous_;
};

std::vector<fs::path> mapSources() {
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(kMaps))
    if (entry.path().extension() == ".txt") sources.push_back(entry.path());
  std::sort(sources.begin(), sources.end());
  return sources;
}

}  // namespace

TEST_F(MapPreview, EveryMapLoadsWithItsPlacesAndIsDrawn) {
  const std::vector<fs::path> sources = mapSources();
  ASSERT_GE(sources.size(), 6u);
  for (const fs::path& source : sources) {
    const MapFacts facts = readFacts(source);
    SCOPED_TRACE(facts.name);
    const std::optional<Header> header = readHeader(kBin / "Mat" / (facts.name + ".mp"));
    ASSERT_TRUE(header);
    EXPECT_LT(header->fogStart, header->fogEnd);
    MakeMat map;
    ASSERT_EQ(map.Load(device, "Mat\\" + facts.name + ".mp", nullptr, 10.0f, 0), 1);
    loadSky(header->fogEnd < 6000 ? "sb1" : "sb0");  // the mist's sky where the fog is thick
    EXPECT_TRUE(messages.empty()) << messages.front();
    messages.clear();
    ASSERT_FALSE(map.objects.empty());
    ASSERT_FALSE(map.objects[0].polygons.empty());
    // Texture coordinate numbers are 16-bit: past 65536 they would wrap silently.
    EXPECT_LE(map.uvs.size(), 65536u);

    // Walkable ground is made of triangles; something on every map is blocked.
    bool anyBlocked = false;
    for (const MatPolygon& p : map.objects[0].polygons) {
      const MatMaterial& m = map.materials[p.fileMaterial];
      anyBlocked = anyBlocked || (m.red & 1);
      if (!(m.red & 1)) {
        EXPECT_EQ(p.corners, 3);
      }
    }
    EXPECT_TRUE(anyBlocked);

    // The start stands on walkable ground without an event; every event tile carries its number.
    const float sx = facts.x(facts.startCol), sz = facts.z(facts.startRow);
    const Ground start = groundAt(map, sx, sz);
    ASSERT_NE(start.face, nullptr);
    EXPECT_EQ(map.materials[start.face->fileMaterial].red & 1, 0);
    EXPECT_EQ(map.materials[start.face->fileMaterial].green, 0);
    for (const EventCells& e : facts.events) {
      for (int r = e.row; r < e.row + e.height; ++r) {
        for (int c = e.col; c < e.col + e.width; ++c) {
          const Ground g = groundAt(map, facts.x(c), facts.z(r));
          ASSERT_NE(g.face, nullptr) << "場" << e.number;
          EXPECT_EQ(map.materials[g.face->fileMaterial].green, e.number + 1) << "場" << e.number;
        }
      }
    }

    // Scene effects play round the world's origin: on a map with an origin tile its ground lies
    // there at height 0. The shrine's ring (about 600 round the bell stand) and the forest's
    // falling leaves (x within 1500, z within 900) need open level ground.
    if (facts.originCol >= 0) {
      const Ground origin = groundAt(map, 0, 0);
      ASSERT_NE(origin.face, nullptr);
      EXPECT_NEAR(origin.y, 0.0f, 0.5f);
    }
    std::vector<std::pair<float, float>> open;
    if (facts.name == "yashiro")
      for (const float radius : {300.0f, 640.0f})
        for (int degrees = 0; degrees < 360; degrees += 10)
          open.push_back({radius * std::sin(degrees * 0.0174533f), radius * std::cos(degrees * 0.0174533f)});
    if (facts.name == "kiri")
      for (float x = -1500; x <= 1500; x += 100)
        for (float z = -900; z <= 900; z += 100) open.push_back({x, z});
    for (const auto& [x, z] : open) {
      const Ground g = groundAt(map, x, z);
      const bool level = g.face && !(map.materials[g.face->fileMaterial].red & 1) && std::abs(g.y) < 0.5f;
      EXPECT_TRUE(level) << "no open level ground at (" << x << ", " << z << ")";
      if (!level) break;
    }

    // From the start with the party's leader (and the villagers in the village), and from the
    // map's best view.
    std::vector<Person> people = {{"NAGI", 0, 0}};
    if (facts.name == "kazami") {
      const char* const villagers[] = {"SONCHO", "FUSHA", "NOUFU", "OBABA", "KODOMO", "MUSUME", "KANNUSHI"};
      for (int i = 0; i < 7; ++i) people.push_back({villagers[i], (i - 3) * 150.0f, 500});
    }
    fieldPicture(map, *header, facts.x(facts.startCol), facts.z(facts.startRow), facts.heading, 1500, 1000, people,
                 facts.name + ".png");
    for (size_t i = 0; i < facts.views.size(); ++i) {
      const auto [col, row, heading] = facts.views[i];
      fieldPicture(map, *header, facts.x(col), facts.z(row), heading, 1800, 1100, {},
                   facts.name + "_view" + std::to_string(i + 1) + ".png");
    }
    const float span = std::max(facts.cols, facts.rows) * facts.tile;
    const float middleX = facts.x((facts.cols - 1) / 2.0f), middleZ = facts.z((facts.rows - 1) / 2.0f);
    picture(map, *header, {middleX, span * 0.75f, middleZ - span * 0.85f}, {middleX, 0, middleZ - span * 0.05f},
            span * 3, {}, facts.name + "_top.png");
    EXPECT_TRUE(messages.empty()) << messages.front();
    messages.clear();
  }
}

TEST_F(MapPreview, BattleMapsAreLevelArenas) {
  for (int n : {0, 1, 2}) {
    const std::string name = "btl" + std::to_string(n);
    SCOPED_TRACE(name);
    MakeMat map;
    ASSERT_EQ(map.Load(device, "mat\\" + name + ".mp", nullptr, 10.0f, 0), 1);
    // Fighters stand at height 0 from the party's homes (z 740 … 1524) to the enemies' side.
    for (const float x : {-1600.0f, 0.0f, 1600.0f}) {
      for (const float z : {-1600.0f, 0.0f, 1600.0f}) {
        const Ground g = groundAt(map, x, z);
        ASSERT_NE(g.face, nullptr) << x << ", " << z;
        EXPECT_NEAR(g.y, 0.0f, 0.5f) << x << ", " << z;
      }
    }
  }
}

// The generator refuses map sources that the game could not walk as written.
TEST(MapSource, LintRejectsBrokenMaps) {
  const fs::path root = fs::temp_directory_path() / ("orvane_maps_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  fs::copy(fs::path(ORVANE_SOURCE_DIR) / "content", root / "content", fs::copy_options::recursive);
  auto write = [&](const std::string& name, const std::string& start, const std::string& tiles,
                   const std::string& heights, const std::string& more) {
    std::ofstream(root / "content" / "maps" / (name + ".txt"))
        << "map " << name << "\ntile 320\nlevel 40\nradius 2560\nfog ff808080 100 1000\nstart " << start
        << "\nlegend\n.  grass\n~  water\ntiles\n" << tiles << "\nheights\n" << heights << "\n" << more;
  };
  write("zz_step", "0 0 north", "....\n....", "0022\n0022", "");
  write("zz_legend", "0 0 north", "..?.\n....", "0000\n0000", "場0 9 9\n");
  write("zz_start", "1 1 north", "....\n.~..", "0000\n0000", "");
  write("zz_origin", "0 0 north", "....\n....", "0000\n0000", "origin 4 1\n");
  const fs::path log = root / "log.txt";
  const std::string command = "\"" + (kBin / ".." / "tools" / "orvane-content").string() + "\" \"" +
                              (root / "content").string() + "\" \"" + (root / "out").string() + "\" 2> \"" +
                              log.string() + "\"";
  EXPECT_NE(std::system(command.c_str()), 0);
  std::ifstream in(log);
  const std::string errors((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* expected : {"zz_step.txt: a step of more than 64 units between walkable tiles at column 1, row 0",
                               "zz_legend.txt: tiles row 0: '?' is not in the legend",
                               "zz_legend.txt:16: the event's tiles are not all on the map",
                               "zz_start.txt: the start is not on a walkable tile",
                               "zz_origin.txt:16: the origin is not on the map"})
    EXPECT_NE(errors.find(expected), std::string::npos) << expected << "\n" << errors;
  fs::remove_all(root);
}
