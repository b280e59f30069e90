// The Mat model: tokens, the chunk line, materials, objects, merging, normals, messages, damaged
// files, drawing (recorded and on the real device) and the demo game's shadow model.
#include "gfx/mat_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "data/scramble.h"
#include "device_fixture.h"
#include "gfx/mat_tokenizer.h"
#include "image_files.h"
#include "platform/system.h"
#include "recording_device.h"
#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

std::span<const uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> tokensOf(const std::string& text) {
  MatTokenizer tokens(bytesOf(text));
  std::vector<std::string> out;
  std::string token;
  while (tokens.next(token)) out.push_back(token);
  return out;
}

// Records the message boxes (UTF-8 text) for the life of the object.
class MessageLog {
 public:
  MessageLog() {
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string&) { shown.push_back(text); });
  }
  ~MessageLog() { plat::SetMessageBoxHandler(nullptr); }
  std::vector<std::string> shown;
};

// A model from text; the window argument and check flag as the callers pass them.
struct Loaded {
  MakeMat model;
  MessageLog log;
  int result = 0;
  explicit Loaded(const std::string& text, float scale = 1.0f, int check = 0) {
    result = model.LoadFromMemory(nullptr, bytesOf(text), "test.mp", scale, check);
  }
};

const char* const kCannotRead = "test.mpを読込めません！";

// A single-material model with the given object text.
std::string withObjects(const std::string& objects) {
  return "ZD:\r\nMaterial 1 {\r\n \"m\" col(1 1 1 1)\r\n}\r\n" + objects;
}

}  // namespace

TEST(MatTokens, BracketsSplitOffAndQuotesHoldTogether) {
  EXPECT_EQ(tokensOf("V(1 2)"), (std::vector<std::string>{"V", "(", "1", "2", ")"}));
  EXPECT_EQ(tokensOf("\tface 2{\r\n}x"), (std::vector<std::string>{"face", "2", "{", "}", "x"}));
  EXPECT_EQ(tokensOf("tex(\"my tex (1).zgr\")"), (std::vector<std::string>{"tex", "(", "\"my tex (1).zgr\"", ")"}));
  EXPECT_EQ(tokensOf("a\"b c\"d e"), (std::vector<std::string>{"a\"b c\"d", "e"}));
  EXPECT_TRUE(tokensOf(" \r\n\t ").empty());
  // An unclosed quote runs to the end of the file.
  EXPECT_EQ(tokensOf("\"open } to end"), (std::vector<std::string>{"\"open } to end"}));
  // A token keeps its first 254 characters; the rest of it is dropped.
  const auto longTokens = tokensOf(std::string(300, 'a') + " b");
  ASSERT_EQ(longTokens.size(), 2u);
  EXPECT_EQ(longTokens[0], std::string(254, 'a'));
  EXPECT_EQ(longTokens[1], "b");
}

TEST(MatLoad, FirstLineIsDiscardedWhateverItHolds) {
  const std::string body = "Material 1 { \"m\" col(1 2 3 1) }\r\nObject \"o\" { vertex 1 { 1 2 3 } }\r\n";
  // A chunk line with CR LF: only line 1 goes.
  {
    Loaded l("ZD:\r\n" + body);
    EXPECT_EQ(l.result, 1);
    EXPECT_EQ(l.model.vertices.size(), 1u);
  }
  // No chunk line: line 1 still goes, and the file loads from line 2 on.
  {
    Loaded l("Some Document Header\r\n" + body);
    EXPECT_EQ(l.result, 1);
    EXPECT_EQ(l.model.materials[0].red, 1);
  }
  // "ZD:" with a bare line feed: the following lines go too, up to the first that differs.
  {
    Loaded l("zd:\nZD:\nMaterial 5 {\n" + body);
    EXPECT_EQ(l.result, 1);
    EXPECT_EQ(l.model.materials[0].red, 1);
  }
  // When the material line is line 1, there is no material section.
  {
    Loaded l(body);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.log.shown, (std::vector<std::string>{"Materialが設定されておりません！", kCannotRead}));
  }
}

TEST(MatLoad, MaterialLimitAndColours) {
  auto materials = [](int count, int declared) {
    std::string text = "ZD:\r\nMaterial " + std::to_string(declared) + " {\r\n";
    for (int i = 0; i < count; ++i) text += "\"m" + std::to_string(i) + "\" col(" + std::to_string(i) + " 2 3 1)\r\n";
    return text + "}\r\nObject \"o\" { vertex 3 { 0 0 0 1 0 0 0 1 0 } face 1 { 3 V(0 1 2) M(62) } }\r\n";
  };
  {
    Loaded l(materials(63, 63));
    EXPECT_EQ(l.result, 1);
    EXPECT_TRUE(l.log.shown.empty());
    EXPECT_EQ(l.model.materials[62].red, 62);
    EXPECT_EQ(l.model.objects.at(0).polygons.at(0).material, 62);
  }
  {
    Loaded l(materials(64, 64));
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.log.shown, (std::vector<std::string>{"Material数が上限超えしてます\n64\n", kCannotRead}));
    EXPECT_TRUE(l.model.objects.empty());
  }
  // A failed load leaves the model empty, whatever it held before.
  Loaded l(materials(2, 2));
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(l.model.LoadFromMemory(nullptr, bytesOf(materials(64, 70)), "test.mp", 1.0f, 0), 0);
  EXPECT_TRUE(l.model.vertices.empty());
  EXPECT_TRUE(l.model.objects.empty());
  EXPECT_EQ(l.model.materials[1].red, 0);

  // Colours are truncated to integers; alpha is skipped.
  Loaded c("ZD:\r\nMaterial 2 {\r\n \"a\" col(0.8 0.5 1.0 1.0) dif(0.8)\r\n \"b\" amb(0.6) col(255 128 300 0.5)\r\n}\r\n");
  EXPECT_EQ(c.result, 1);
  EXPECT_EQ(c.model.materials[0].red, 0);
  EXPECT_EQ(c.model.materials[0].green, 0);
  EXPECT_EQ(c.model.materials[0].blue, 1);
  EXPECT_EQ(c.model.materials[1].red, 255);
  EXPECT_EQ(c.model.materials[1].green, 128);
  EXPECT_EQ(c.model.materials[1].blue, 300 & 0xFF);
}

TEST(MatLoad, MaterialBlockEndsAtTheNameOfMaterialNAndSkipsUnknownAttributes) {
  // Material 1 carries attributes this reader does not know; they do not start new materials.
  Loaded l(
      "ZD:\r\nMaterial 2 {\r\n"
      " \"a\" col(1 0 0 1) shader(3) vcol(1)\r\n"
      " \"b\" reflect(0.5) col(2 0 0 1) uid(7)\r\n"
      " \"c\" col(3 0 0 1)\r\n"
      "Object \"o\" { vertex 1 { 0 0 0 } }\r\n");
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(l.model.materials[0].red, 1);
  EXPECT_EQ(l.model.materials[1].red, 2);
  EXPECT_EQ(l.model.materials[2].red, 0);  // "c" would be material 2: the block ended there
  EXPECT_EQ(l.model.vertices.size(), 1u);
}

TEST(MatLoad, ObjectsVerticesFacesAndTextureCoordinates) {
  Loaded l(withObjects(
               "Object \"first\" {\r\n"
               " depth 0\r\n facet 59.5\r\n visible 15\r\n color 0.1 0.2 0.3\r\n"
               " vertex 3 {\r\n  1 2 3\r\n  4 5 6\r\n  -7 8.5 9\r\n }\r\n"
               " face 2 {\r\n  3 V(0 1 2) M(5) UV(0.1 0.2 0.3 0.4 0.5 0.6)\r\n  3 V(2 1 0)\r\n }\r\n"
               "}\r\n"
               "Object \"second\" {\r\n"
               " vertex 4 { 0 0 0 1 0 0 1 1 0 0 1 0 }\r\n"
               " face 1 { 4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1) }\r\n"
               "}\r\n"),
           2.0f);
  ASSERT_EQ(l.result, 1);
  const MakeMat& m = l.model;
  ASSERT_EQ(m.vertices.size(), 7u);
  // x mirrored, everything times twice the scale.
  EXPECT_FLOAT_EQ(m.vertices[0].x, -4.0f);
  EXPECT_FLOAT_EQ(m.vertices[0].y, 8.0f);
  EXPECT_FLOAT_EQ(m.vertices[0].z, 12.0f);
  EXPECT_FLOAT_EQ(m.vertices[2].x, 28.0f);
  EXPECT_FLOAT_EQ(m.vertices[2].y, 34.0f);
  ASSERT_EQ(m.objects.size(), 2u);
  ASSERT_EQ(m.objects[0].polygons.size(), 2u);
  const MatPolygon& p = m.objects[0].polygons[0];
  EXPECT_EQ(p.corners, 3);
  EXPECT_EQ(p.material, 5);
  EXPECT_EQ(p.fileMaterial, 5);
  EXPECT_EQ(p.vertex[0], 0);
  EXPECT_EQ(p.vertex[2], 2);
  ASSERT_EQ(m.uvs.size(), 7u);
  EXPECT_FLOAT_EQ(m.uvs[p.uv[2]].u, 0.5f);
  EXPECT_FLOAT_EQ(m.uvs[p.uv[2]].v, 0.6f);
  // Without "UV" the corners take coordinate 0; without "M" the material is 0.
  const MatPolygon& q = m.objects[0].polygons[1];
  EXPECT_EQ(q.uv[0], 0);
  EXPECT_EQ(q.material, 0);
  // The second object's indices come after the first object's vertices.
  const MatPolygon& quad = m.objects[1].polygons.at(0);
  EXPECT_EQ(quad.corners, 4);
  EXPECT_EQ(quad.vertex[0], 3);
  EXPECT_EQ(quad.vertex[3], 6);
  EXPECT_FLOAT_EQ(m.uvs[quad.uv[2]].u, 1.0f);
  EXPECT_EQ(quad.uv[0], 3);
}

// Numbers in every form the standard conversion reads, as it reads them: a plus sign,
// hexadecimal, an exponent, trailing text, nothing numeric at all, and out of range (0).
TEST(MatLoad, NumbersReadAsTheStandardConversionReadsThem) {
  Loaded l(withObjects(" Object \"o\" {\r\n vertex 3 {\r\n  +1.5 0x10 1e2\r\n  12abc .25 -.5\r\n  x 1e99 -0\r\n"
                       " }\r\n}\r\n"));
  ASSERT_EQ(l.result, 1);
  const std::vector<VECTOR>& v = l.model.vertices;
  ASSERT_EQ(v.size(), 3u);
  EXPECT_FLOAT_EQ(v[0].x, -3.0f);  // x mirrored, all doubled
  EXPECT_FLOAT_EQ(v[0].y, 32.0f);
  EXPECT_FLOAT_EQ(v[0].z, 200.0f);
  EXPECT_FLOAT_EQ(v[1].x, -24.0f);
  EXPECT_FLOAT_EQ(v[1].y, 0.5f);
  EXPECT_FLOAT_EQ(v[1].z, -1.0f);
  EXPECT_FLOAT_EQ(v[2].x, 0.0f);
  EXPECT_FLOAT_EQ(v[2].y, 0.0f);
  EXPECT_FLOAT_EQ(v[2].z, 0.0f);
}

TEST(MatLoad, BinaryVertexBlock) {
  std::string floats(36, '\0');
  const float values[9] = {1, 2, 3, -4, 5, 6, 7, 8, -9};
  std::memcpy(floats.data(), values, sizeof values);
  Loaded l(withObjects("Object \"b\" {\r\n BVertex 3 {\r\n  Vector 3 [36]\r\n" + floats +
                       "\r\n }\r\n face 1 { 3 V(0 1 2) }\r\n}\r\n"));
  ASSERT_EQ(l.result, 1);
  ASSERT_EQ(l.model.vertices.size(), 3u);
  EXPECT_FLOAT_EQ(l.model.vertices[1].x, 8.0f);
  EXPECT_FLOAT_EQ(l.model.vertices[2].z, -18.0f);
  ASSERT_EQ(l.model.objects.at(0).polygons.size(), 1u);
}

TEST(MatLoad, NormalsSkipTwoCornerPolygons) {
  // A square in the x-z plane facing up, and a line from its corner going up.
  Loaded l(withObjects(
      "Object \"o\" {\r\n vertex 5 { 0 0 0  0 0 1  -1 0 1  -1 0 0  0 1 0 }\r\n"
      " face 2 { 4 V(0 1 2 3) 2 V(0 4) }\r\n}\r\n"));
  ASSERT_EQ(l.result, 1);
  const MatPolygon& square = l.model.objects[0].polygons.at(0);
  EXPECT_NEAR(std::fabs(square.normal.y), 1.0f, 1e-6f);
  const float up = square.normal.y;
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(l.model.normals[i].y, up, 1e-6f) << i;
  const MatPolygon& line = l.model.objects[0].polygons.at(1);
  EXPECT_EQ(line.corners, 2);
  EXPECT_FLOAT_EQ(line.normal.length(), 0.0f);
  EXPECT_FLOAT_EQ(l.model.normals[4].length(), 0.0f);  // used by the line only
}

TEST(MatLoad, MessagesForMissingFilesAndNonTriangles) {
  {
    MakeMat model;
    MessageLog log;
    EXPECT_EQ(model.Load(nullptr, "/no/such/dir/map.mp", nullptr, 10.0f, 0), 0);
    EXPECT_EQ(log.shown, (std::vector<std::string>{"mpﾌｧｲﾙが開けません！", "/no/such/dir/map.mpを読込めません！"}));
  }
  // The check reports every polygon of the first object that is not a triangle.
  const std::string text = withObjects(
      "Object \"a\" { vertex 4 { 0 0 0 1 0 0 1 1 0 0 1 0 } face 3 { 4 V(0 1 2 3) 3 V(0 1 2) 4 V(3 2 1 0) } }\r\n"
      "Object \"b\" { vertex 4 { 0 0 0 1 0 0 1 1 0 0 1 0 } face 1 { 4 V(0 1 2 3) } }\r\n");
  Loaded checked(text, 1.0f, 1);
  EXPECT_EQ(checked.result, 1);
  const std::string notTriangles = "マットモデルに\n三角形以外のポリゴンが存在します！";
  EXPECT_EQ(checked.log.shown, (std::vector<std::string>{notTriangles, notTriangles}));
  Loaded unchecked(text, 1.0f, 0);
  EXPECT_TRUE(unchecked.log.shown.empty());
}

TEST(MatLoad, DamagedFilesLoadWhatCanBeUsed) {
  // Indices outside the model, negative or past 16 bits drop their polygon; the others stay.
  Loaded bad(withObjects(
      "Object \"o\" { vertex 3 { 0 0 0 1 0 0 0 1 0 }\r\n"
      " face 5 { 3 V(0 1 3) 3 V(0 -1 2) 3 V(0 1 70000) 3 V() 3 V(2 1 0) } }\r\n"));
  ASSERT_EQ(bad.result, 1);
  ASSERT_EQ(bad.model.objects[0].polygons.size(), 1u);
  EXPECT_EQ(bad.model.objects[0].polygons[0].vertex[0], 2);
  // A polygon with fewer corners than it declares repeats its first corner.
  Loaded few(withObjects("Object \"o\" { vertex 2 { 0 0 0 1 0 0 } face 1 { 3 V(1 0) } }"));
  ASSERT_EQ(few.model.objects.at(0).polygons.size(), 1u);
  EXPECT_EQ(few.model.objects[0].polygons[0].vertex[2], 1);
  // Counts far beyond the data, blocks cut off by the end of the file, stray brackets.
  const char* const damaged[] = {
      "Object \"o\" { vertex 2000000000 { 1 2 3 4 5 6 }",
      "Object \"o\" { vertex -5 { 1 2 3 } face 9999999 { 3 V(0 0 0",
      "Object \"o\" { BVertex 100000000 { Vector 100000000 [1200000000]\n\x01\x02\x03",
      "Object \"o\" { vertex 3 { 0 0 0 1 0 0 0 1 0 } face 1 { 70000 V(0 1 2 0 1 2) UV( 1 2 3",
      "Object \"o\" { face 1 { 3 V(0 1 2) } vertex 1 { 0 0 0 } }",
      "Object \"o\" { } } } Object { { vertex 1 { ( ) 1 2 3 } }",
      "Object",
  };
  for (const char* text : damaged) {
    SCOPED_TRACE(text);
    Loaded l(withObjects(text));
    EXPECT_EQ(l.result, 1);
    for (const MatObject& object : l.model.objects)
      for (const MatPolygon& p : object.polygons)
        for (uint16_t v : p.vertex) EXPECT_LT(v, l.model.vertices.size());
    EXPECT_EQ(l.model.normals.size(), l.model.vertices.size());
    EXPECT_FALSE(l.model.uvs.empty());
  }
}

namespace {

// Keeps every draw's vertices (32-byte position, normal, u, v or 12-byte positions); an indexed
// draw's vertices in the order of its indices.
class VertexRecorder : public recording::RecordingDevice {
 public:
  struct Call {
    plat::Texture* texture;
    plat::DWORD format;
    std::vector<float> floats;
    unsigned distinctVertices = 0;  // of an indexed draw
  };
  std::vector<Call> calls;
  plat::HRESULT DrawPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned primitives, const void* vertices,
                                unsigned stride) override {
    Call call{texture, format, std::vector<float>(primitives * 3 * stride / sizeof(float))};
    std::memcpy(call.floats.data(), vertices, call.floats.size() * sizeof(float));
    calls.push_back(std::move(call));
    return plat::D3D_OK;
  }
  plat::HRESULT DrawIndexedPrimitiveUP(plat::D3DPRIMITIVETYPE, unsigned, unsigned vertexCount, unsigned primitives,
                                       const uint16_t* indices, const void* vertices, unsigned stride) override {
    Call call{texture, format, {}, vertexCount};
    const size_t perVertex = stride / sizeof(float);
    for (unsigned i = 0; i < primitives * 3; ++i) {
      EXPECT_LT(indices[i], vertexCount);
      const float* v = static_cast<const float*>(vertices) + indices[i] * perVertex;
      call.floats.insert(call.floats.end(), v, v + perVertex);
    }
    calls.push_back(std::move(call));
    return plat::D3D_OK;
  }
};

}  // namespace

TEST(MatDraw, FirstObjectOnlyWithQuadsAsTwoTriangles) {
  Loaded l(withObjects(
      "Object \"a\" { vertex 4 { 0 0 0 1 0 0 1 1 0 0 1 0 }\r\n"
      " face 3 { 4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1) 3 V(0 1 2) M(0) 3 V(0 2 3) M(1) } }\r\n"
      "Object \"b\" { vertex 3 { 5 5 5 6 6 6 7 7 7 } face 1 { 3 V(0 1 2) } }\r\n"));
  ASSERT_EQ(l.result, 1);
  VertexRecorder device;
  l.model.draw(&device);
  EXPECT_EQ(device.format, plat::D3DFVF_XYZ | plat::D3DFVF_NORMAL | plat::D3DFVF_TEX1);
  // Materials 0 and 1 carry no texture: one texture call and one triangle list for all three.
  EXPECT_EQ(device.textureCalls.size(), 1u);
  ASSERT_EQ(device.calls.size(), 1u);
  const std::vector<float>& first = device.calls[0].floats;
  ASSERT_EQ(first.size(), 12u * 8u);  // 0-1-2, 2-3-0, then the two triangles
  // Corners with one vertex and one texture coordinate are sent once: the quad's four, then the
  // triangles' corners at texture coordinate 0 (the quad's first, which vertex 0 shares).
  EXPECT_EQ(device.calls[0].distinctVertices, 7u);
  const int order[6] = {0, 1, 2, 2, 3, 0};
  for (int k = 0; k < 6; ++k) {
    EXPECT_FLOAT_EQ(first[k * 8 + 0], l.model.vertices[order[k]].x) << k;
    EXPECT_FLOAT_EQ(first[k * 8 + 1], l.model.vertices[order[k]].y) << k;
    EXPECT_FLOAT_EQ(first[k * 8 + 5], l.model.normals[order[k]].z) << k;
  }
  EXPECT_FLOAT_EQ(first[2 * 8 + 6], 1.0f);  // corner 2 has u = 1, v = 1
  EXPECT_FLOAT_EQ(first[2 * 8 + 7], 1.0f);

  VertexRecorder plain;
  l.model.drawPlain(&plain);
  EXPECT_EQ(plain.format, plat::D3DFVF_XYZ);
  EXPECT_TRUE(plain.textureCalls.empty());
  ASSERT_EQ(plain.calls.size(), 1u);
  EXPECT_EQ(plain.calls[0].floats.size(), 12u * 3u);

  // A filter keeps only the polygons it accepts; any object can be drawn.
  VertexRecorder filtered;
  l.model.drawObject(&filtered, 0, [](const MatPolygon& p) { return p.corners == 3; });
  ASSERT_EQ(filtered.calls.size(), 1u);
  EXPECT_EQ(filtered.calls[0].floats.size(), 6u * 8u);
  // A view volume leaves out the blocks wholly outside it: a camera at z -100 looking along -z
  // sees nothing of the object (its corners lie at z 0).
  ASSERT_EQ(l.model.objects[0].blocks.size(), 1u);
  MATRIX view, projection, both;
  matrixLookAtLH(view, VECTOR{0, 0, -100}, VECTOR{0, 0, -200}, VECTOR{0, 1, 0});
  matrixPerspectiveFovLH(projection, 0.7853982f, 1.3333334f, 1.0f, 1000.0f);
  matrixMultiply(both, view, projection);
  const ViewVolume away(both);
  VertexRecorder unseen;
  const HeadingBand nowhere(VECTOR{0, 0, -100}, 0.0f, -1.0f);  // a band that holds nothing
  l.model.drawObject(&unseen, 0, {}, [&](const MatBlock& b) { return mapBlockDraw(b, away, nowhere); });
  EXPECT_TRUE(unseen.calls.empty());
  matrixLookAtLH(view, VECTOR{0, 0, -100}, VECTOR{0, 0, 0}, VECTOR{0, 1, 0});
  matrixMultiply(both, view, projection);
  const ViewVolume towards(both);
  VertexRecorder seen;
  l.model.drawObject(&seen, 0, {}, [&](const MatBlock& b) { return mapBlockDraw(b, towards, nowhere); });
  ASSERT_EQ(seen.calls.size(), 1u);
  EXPECT_EQ(seen.calls[0].floats, device.calls[0].floats);

  VertexRecorder second;
  l.model.drawObject(&second, 1);
  ASSERT_EQ(second.calls.size(), 1u);
  EXPECT_FLOAT_EQ(second.calls[0].floats[0], -10.0f);

  // A first object without polygons draws nothing, whatever the others hold.
  Loaded empty(withObjects("Object \"a\" { }\r\nObject \"b\" { vertex 3 { 0 0 0 1 0 0 0 1 0 } face 1 { 3 V(0 1 2) } }"));
  VertexRecorder none;
  empty.model.draw(&none);
  empty.model.drawPlain(&none);
  EXPECT_TRUE(none.calls.empty());
  MakeMat unloaded;
  unloaded.draw(&none);
  EXPECT_TRUE(none.calls.empty());
}

namespace {

// The real device, a scratch data root with textures under "Mat", and the message log.
class MatDeviceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    root_.makeDirectories("Mat");
    root_.useAsDataRoot();
    log_ = std::make_unique<MessageLog>();
  }
  void TearDown() override {
    log_.reset();
    DeviceTest::TearDown();
  }

  // A scrambled 2 x 2 BMP of one colour (0xRRGGBB).
  void writeTexture(const std::string& name, uint32_t rgb) {
    testimg::BmpSpec spec;
    spec.width = spec.height = 2;
    for (int row = 0; row < 2; ++row) {
      for (int x = 0; x < 2; ++x) {
        spec.pixels.push_back(static_cast<uint8_t>(rgb));
        spec.pixels.push_back(static_cast<uint8_t>(rgb >> 8));
        spec.pixels.push_back(static_cast<uint8_t>(rgb >> 16));
      }
      spec.pixels.push_back(0);
      spec.pixels.push_back(0);
    }
    std::vector<uint8_t> file = testimg::makeBmp(spec);
    data::scrambleBytes(file.data(), file.size());
    root_.write("Mat/" + name, file);
  }

  TempDataRoot root_;
  std::unique_ptr<MessageLog> log_;
};

}  // namespace

TEST_F(MatDeviceTest, MaterialsWithOneTexturePathAreMerged) {
  writeTexture("red.zgr", 0xFF0000);
  writeTexture("blue.zgr", 0x0000FF);
  const std::string text =
      "ZD:\r\nMaterial 4 {\r\n"
      " \"a\" tex(\"red.zgr\")\r\n \"b\" tex(\"red.zgr\")\r\n \"c\" tex(\"blue.zgr\") tex(\"red.zgr\")\r\n"
      " \"d\" tex(\"missing.zgr\")\r\n}\r\n"
      "Object \"o\" { vertex 3 { 0 0 0 1 0 0 0 1 0 }\r\n"
      " face 4 { 3 V(0 1 2) M(1) 3 V(0 1 2) M(0) 3 V(0 1 2) M(2) 3 V(0 1 2) M(1) } }\r\n"
      "Object \"p\" { vertex 3 { 0 0 0 1 0 0 0 1 0 } face 1 { 3 V(0 1 2) M(1) } }\r\n";
  MakeMat model;
  ASSERT_EQ(model.LoadFromMemory(device, bytesOf(text), "test.mp", 1.0f, 0), 1);
  const std::string root = root_.root();
  // Only the missing texture was reported: the loader's open error, then its path.
  ASSERT_EQ(log_->shown.size(), 2u);
  EXPECT_NE(log_->shown[0].find("missing.zgr"), std::string::npos);
  EXPECT_EQ(log_->shown[1], root + "Mat\\missing.zgr");
  // Material 1 was met first: its polygons, in every object, moved to material 0.
  EXPECT_EQ(model.materials[0].texturePath, root + "Mat\\red.zgr");
  EXPECT_NE(model.materials[0].texture, nullptr);
  EXPECT_TRUE(model.materials[1].texturePath.empty());
  EXPECT_EQ(model.materials[1].texture, nullptr);
  // A second "tex" for a material that has its texture changes nothing.
  EXPECT_EQ(model.materials[2].texturePath, root + "Mat\\blue.zgr");
  EXPECT_TRUE(model.materials[3].texturePath.empty());
  const auto& polygons = model.objects[0].polygons;
  EXPECT_EQ(polygons[0].material, 0);
  EXPECT_EQ(polygons[0].fileMaterial, 1);
  EXPECT_EQ(polygons[1].material, 0);
  EXPECT_EQ(polygons[2].material, 2);
  EXPECT_EQ(polygons[3].material, 0);
  EXPECT_EQ(model.objects[1].polygons[0].material, 0);
  model.release();
  EXPECT_EQ(model.materials[0].texture, nullptr);
  EXPECT_TRUE(model.objects.empty());
  EXPECT_EQ(model.directory(), "Mat\\");
}

TEST_F(MatDeviceTest, DrawsTheFirstObjectTexturedOnTheDevice) {
  writeTexture("red.zgr", 0xFF0000);
  writeTexture("green.zgr", 0x00FF00);
  // Object 1 covers the middle of the screen at depth 100 with the red texture; object 2 lies
  // nearer and green, and is never drawn. File positions are half the world ones, x mirrored.
  const std::string text =
      "ZD:\r\nMaterial 2 {\r\n \"r\" tex(\"red.zgr\")\r\n \"g\" tex(\"green.zgr\")\r\n}\r\n"
      "Object \"ground\" { vertex 4 { 5 -5 50  -5 -5 50  -5 5 50  5 5 50 }\r\n"
      " face 1 { 4 V(0 3 2 1) M(0) UV(0 1 0 0 1 0 1 1) } }\r\n"
      "Object \"other\" { vertex 4 { 5 -5 45  -5 -5 45  -5 5 45  5 5 45 }\r\n"
      " face 1 { 4 V(0 3 2 1) M(1) UV(0 1 0 0 1 0 1 1) } }\r\n";
  MakeMat model;
  ASSERT_EQ(model.LoadFromMemory(device, bytesOf(text), "test.mp", 1.0f, 0), 1);
  EXPECT_TRUE(log_->shown.empty());
  MATRIX projection, identity;
  matrixPerspectiveFovLH(projection, 3.14159f / 4, 4.0f / 3.0f, 10.0f, 1000.0f);
  identity.identity();
  device->SetTransform(plat::D3DTS_PROJECTION, &projection);
  device->SetTransform(plat::D3DTS_VIEW, &identity);
  device->SetTransform(plat::D3DTS_WORLD, &identity);
  device->SetRenderState(plat::D3DRS_LIGHTING, false);
  device->SetRenderState(plat::D3DRS_CULLMODE, plat::D3DCULL_NONE);
  model.draw(device);
  EXPECT_TRUE(near(at(320, 240), {255, 0, 0, 255}, 8));
  EXPECT_TRUE(near(at(5, 5), {0, 0, 0, 255}, 0));

  // The plain draw leaves the texture alone: with none set, the shape comes out white.
  device->Clear(0, nullptr, plat::D3DCLEAR_TARGET | plat::D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetTexture(0, nullptr);
  model.drawPlain(device);
  EXPECT_TRUE(near(at(320, 240), {255, 255, 255, 255}, 0));
  EXPECT_TRUE(near(at(5, 5), {0, 0, 0, 255}, 0));
}

TEST(MatContent, ShadowModelIsAClosedVolumeFacingOutwards) {
  MakeMat model;
  MessageLog log;
  int result = 0;
  {
    const ScopedDataRoot root(demoDataDir());
    // The boot's own path, relative to the program's directory.
    result = model.Load(nullptr, demoDataDir() + "/otsk\\shd.zdx", nullptr, 1.0f, 0);
  }
  ASSERT_EQ(result, 1);
  EXPECT_TRUE(log.shown.empty());
  ASSERT_EQ(model.objects.size(), 1u);
  const auto& polygons = model.objects[0].polygons;
  ASSERT_FALSE(polygons.empty());
  float radius = 0, top = 0, bottom = 0;
  for (const VECTOR& v : model.vertices) {
    radius = std::max(radius, std::sqrt(v.x * v.x + v.z * v.z));
    top = std::max(top, v.y);
    bottom = std::min(bottom, v.y);
  }
  EXPECT_NEAR(radius, 192.0f, 0.5f);  // the collision radius at a scale of radius / 192
  EXPECT_GT(top, 0.0f);
  EXPECT_LT(bottom, 0.0f);
  // Closed: every edge is met once in each direction. Outward: every face normal points away
  // from the centre (the device's front faces are the outside).
  std::map<std::pair<int, int>, int> edges;
  for (const MatPolygon& p : polygons) {
    const int n = std::min<int>(p.corners, 4);
    VECTOR centre{};
    for (int i = 0; i < n; ++i) {
      edges[{p.vertex[i], p.vertex[(i + 1) % n]}]++;
      centre.add(model.vertices[p.vertex[i]]);
    }
    EXPECT_GT(dot(p.normal, centre), 0.0f);
  }
  for (const auto& [edge, count] : edges) {
    EXPECT_EQ(count, 1);
    EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
  }
}
