#include "gfx/mat_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/data_root.h"
#include "core/message_box.h"
#include "data/scrambled.h"
#include "gfx/mat_tokenizer.h"
#include "platform/d3dx.h"
#include "platform/system.h"

namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether token begins with keyword, ignoring ASCII case.
bool startsWithNoCase(std::string_view token, std::string_view keyword) {
  if (token.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i)
    if (lowerAscii(token[i]) != lowerAscii(keyword[i])) return false;
  return true;
}

bool equalsNoCase(std::string_view token, std::string_view keyword) {
  return token.size() == keyword.size() && startsWithNoCase(token, keyword);
}

bool isBracket(std::string_view token) {
  return token == "(" || token == ")" || token == "{" || token == "}";
}

// A decimal number as the standard conversion reads it; what is not a finite number gives 0.
float toFloat(const std::string& token) {
  // The common plain number goes through the quick locale-free reader, which rounds as the
  // standard conversion does; anything else (a sign "+", hexadecimal, trailing text, out of
  // range) is left to the standard conversion.
  float value = 0.0f;
  const char* end = token.data() + token.size();
  const auto [stop, error] = std::from_chars(token.data(), end, value);
  if (error != std::errc{} || stop != end) value = std::strtof(token.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0f;
}

// A decimal integer as the standard conversion reads it, held to the range of int.
int toInt(const std::string& token) {
  const long long value = std::strtoll(token.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                 std::numeric_limits<int>::max()));
}

// A number truncated toward zero to an int (a fraction such as 0.8 gives 0), held to the range.
int truncateToInt(float value) {
  if (value >= 2147483648.0f) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// Tokens with one token of look-ahead that can be put back.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : tokens_(bytes) {}

  bool next(std::string& out) {
    if (hasPutBack_) {
      out = std::move(putBack_);
      hasPutBack_ = false;
      return true;
    }
    return tokens_.next(out);
  }
  void putBack(std::string token) {
    putBack_ = std::move(token);
    hasPutBack_ = true;
  }
  // Consumes the next token if it is text; otherwise leaves it to be read again.
  bool accept(std::string_view text) {
    std::string token;
    if (!next(token)) return false;
    if (token == text) return true;
    putBack(std::move(token));
    return false;
  }
  // The value token of a keyword: the next token unless it is a bracket, which is left.
  bool value(std::string& out) {
    if (!next(out)) return false;
    if (!isBracket(out)) return true;
    putBack(std::move(out));
    out.clear();
    return false;
  }
  // Reads the tokens of a list up to the next bracket: the first `limit` go to take(i, token),
  // the rest are dropped. A closing ")" is consumed, any other bracket is left. Returns how
  // many tokens the list had.
  template <typename Take>
  size_t list(size_t limit, Take take) {
    size_t count = 0;
    std::string token;
    while (next(token)) {
      if (isBracket(token)) {
        if (token != ")") putBack(std::move(token));
        break;
      }
      if (count < limit) take(count, token);
      ++count;
    }
    return count;
  }
  // Skips a "{ ... }" block whose "{" has been read, nested blocks included.
  void closeBlock() {
    int depth = 1;
    std::string token;
    while (depth > 0 && next(token)) {
      if (token == "{") ++depth;
      else if (token == "}") --depth;
    }
  }

  // The raw bytes, for the chunk line and the binary vertex blocks. Only valid with nothing put
  // back.
  MatTokenizer& raw() { return tokens_; }

 private:
  MatTokenizer tokens_;
  std::string putBack_;
  bool hasPutBack_ = false;
};

// Line 1 is discarded whatever it holds; when it is exactly "ZD:" with a bare line feed, the
// following lines are discarded too, up to and including the first one that differs.
void skipChunkLine(MatTokenizer& tokens) {
  std::string line;
  if (!tokens.readLine(line) || !equalsNoCase(line, "ZD:\n")) return;
  while (tokens.readLine(line) && equalsNoCase(line, "ZD:\n")) {
  }
}

void showCannotRead(std::string_view path) {
  showStandardMessage(std::string(path) + sjis("を読込めません！"));
}

float readFloat32(const uint8_t* p) {
  const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                        static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return std::isfinite(value) ? value : 0.0f;
}

struct TexturedVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(TexturedVertex) == 32);
static_assert(sizeof(VECTOR) == 12);

constexpr plat::DWORD kTexturedFormat = plat::D3DFVF_XYZ | plat::D3DFVF_NORMAL | plat::D3DFVF_TEX1;

// The corners of a polygon in drawing order: a quad as the triangles 0-1-2 and 2-3-0, anything
// else as the triangle of its first three corners.
constexpr int kQuadOrder[6] = {0, 1, 2, 2, 3, 0};
int drawnCorners(const MatPolygon& polygon) {
  return polygon.corners == 4 ? 6 : 3;
}

// The file reading of one load: fills the model's arrays and tables.
class MatReader {
 public:
  MatReader(MakeMat& model, Reader& in, float scale) : model_(model), in_(in), scale_(scale) {}

  // The material block after "Material N {": N names with their attributes, up to "}".
  void materials(int count, const std::function<void(int, const std::string&)>& loadTexture) {
    int started = 0;  // materials begun by a name
    std::string token;
    while (in_.next(token)) {
      if (token == "}") break;
      MatMaterial* current = started > 0 ? &model_.materials[started - 1] : nullptr;
      if (startsWithNoCase(token, "col")) {
        float rgba[4] = {};
        in_.accept("(");
        in_.list(4, [&](size_t i, const std::string& v) { rgba[i] = toFloat(v); });
        if (current) {
          current->red = truncateToInt(rgba[0]);
          current->green = static_cast<uint8_t>(truncateToInt(rgba[1]));
          current->blue = static_cast<uint8_t>(truncateToInt(rgba[2]));
        }
      } else if (startsWithNoCase(token, "dif") || startsWithNoCase(token, "amb") ||
                 startsWithNoCase(token, "emi") || startsWithNoCase(token, "spc") ||
                 startsWithNoCase(token, "power") || startsWithNoCase(token, "aplane") ||
                 startsWithNoCase(token, "bump")) {
        in_.accept("(");
        in_.list(0, [](size_t, const std::string&) {});
      } else if (startsWithNoCase(token, "tex")) {
        std::string name;
        in_.accept("(");
        in_.list(1, [&](size_t, const std::string& v) { name = v; });
        name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
        if (current && !name.empty()) loadTexture(started - 1, name);
      } else if (!isBracket(token) && in_.accept("(")) {
        // An attribute this reader does not know, with its values: skipped, so that it does
        // not shift the numbering of the materials after it.
        in_.list(0, [](size_t, const std::string&) {});
      } else {
        if (started >= count) break;  // the name of material N ends the block
        ++started;
      }
    }
  }

  // Every object from here to the end of the file.
  void objects() {
    std::string token;
    while (in_.next(token)) {
      if (!startsWithNoCase(token, "Object")) continue;
      // The object's name, then its content from "{" to the matching "}".
      bool opened = false;
      while (in_.next(token)) {
        if (token == "{") {
          opened = true;
          break;
        }
      }
      if (!opened) break;
      model_.objects.emplace_back();
      objectContent(model_.objects.back());
    }
  }

 private:
  void objectContent(MatObject& object) {
    base_ = model_.vertices.size();
    int depth = 1;
    std::string token;
    while (depth > 0 && in_.next(token)) {
      if (token == "{") {
        ++depth;
      } else if (token == "}") {
        --depth;
      } else if (startsWithNoCase(token, "visible")) {
        in_.value(token);
      } else if (startsWithNoCase(token, "vertex")) {
        vertexBlock();
      } else if (startsWithNoCase(token, "BVertex")) {
        binaryVertexBlock();
      } else if (startsWithNoCase(token, "face") && !startsWithNoCase(token, "facet")) {
        faceBlock(object);
      }
    }
  }

  void addVertex(float x, float y, float z) {
    model_.vertices.push_back({-2.0f * scale_ * x, 2.0f * scale_ * y, 2.0f * scale_ * z});
  }

  // "vertex" count "{" x y z … "}"
  void vertexBlock() {
    std::string token;
    const int count = in_.value(token) ? toInt(token) : 0;
    if (!in_.accept("{")) return;
    for (int i = 0; i < count; ++i) {
      float xyz[3];
      size_t got = 0;
      while (got < 3 && in_.value(token)) xyz[got++] = toFloat(token);
      if (got < 3) break;  // the block ends early
      addVertex(xyz[0], xyz[1], xyz[2]);
    }
    in_.closeBlock();
  }

  // "BVertex" count … "Vector" count "[bytes]", one further byte, count × 3 little-endian floats,
  // then the block's "}".
  void binaryVertexBlock() {
    std::string token;
    const int count = in_.value(token) ? toInt(token) : 0;
    bool found = false;
    while (in_.next(token)) {
      if (startsWithNoCase(token, "Vector")) {
        found = true;
        break;
      }
      if (token == "}") {
        in_.putBack(std::move(token));
        break;
      }
    }
    if (!found) return;
    in_.value(token);  // the count again
    in_.value(token);  // the size in bytes, in square brackets
    MatTokenizer& raw = in_.raw();
    raw.skip(1);
    const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
    const size_t n = std::min(wanted, raw.remaining() / 12);
    const uint8_t* p = raw.current();
    for (size_t i = 0; i < n; ++i, p += 12) addVertex(readFloat32(p), readFloat32(p + 4), readFloat32(p + 8));
    raw.skip(n * 12);
    in_.accept("}");
  }

  // "face" count "{" faces "}"
  void faceBlock(MatObject& object) {
    std::string token;
    const int count = in_.value(token) ? toInt(token) : 0;
    if (!in_.accept("{")) return;
    for (int i = 0; i < count; ++i) {
      if (!in_.value(token)) break;
      face(object, toInt(token));
    }
    in_.closeBlock();
  }

  // A face: corner count n, then "V" "(" n indices ")", "M" "(" material ")" and "UV" "(" n
  // pairs ")", the last two optional.
  void face(MatObject& object, int n) {
    MatPolygon polygon;
    polygon.corners = static_cast<uint16_t>(n);
    const size_t wanted = n > 0 ? static_cast<size_t>(n) : 0;
    long long index[4] = {};
    size_t indices = 0;
    std::string token;
    while (in_.next(token)) {
      if (equalsNoCase(token, "V")) {
        in_.accept("(");
        indices = std::min<size_t>(4, in_.list(wanted, [&](size_t i, const std::string& v) {
          if (i < 4) index[i] = toInt(v);
        }));
        indices = std::min(indices, wanted);
      } else if (equalsNoCase(token, "M")) {
        in_.accept("(");
        in_.list(1, [&](size_t, const std::string& v) {
          polygon.material = polygon.fileMaterial = static_cast<uint8_t>(toInt(v));
        });
      } else if (equalsNoCase(token, "UV")) {
        in_.accept("(");
        float u = 0;
        in_.list(wanted <= std::numeric_limits<size_t>::max() / 2 ? wanted * 2 : wanted,
                 [&](size_t i, const std::string& v) {
                   if (i % 2 == 0) {
                     u = toFloat(v);
                     return;
                   }
                   if (i / 2 < 4) polygon.uv[i / 2] = static_cast<uint16_t>(model_.uvs.size());
                   model_.uvs.push_back({u, toFloat(v)});
                 });
      } else {
        in_.putBack(std::move(token));
        break;
      }
    }
    if (indices == 0) return;  // no corners: nothing to keep
    for (size_t i = 0; i < 4; ++i) {
      const long long vertex = static_cast<long long>(base_) + (i < indices ? index[i] : index[0]);
      if (index[i < indices ? i : 0] < 0 || vertex > 0xFFFF) return;  // cannot be addressed
      polygon.vertex[i] = static_cast<uint16_t>(vertex);
    }
    object.polygons.push_back(polygon);
  }

  MakeMat& model_;
  Reader& in_;
  float scale_;
  size_t base_ = 0;  // vertices of the earlier objects
};

// Corners of polygons with one texture, gathered for one indexed draw: a corner that repeats
// a vertex and texture coordinate already in the batch is drawn from the same entry, so that the
// device transforms and lights each shared corner once.
class IndexedBatch {
 public:
  // The most entries one draw can index.
  static constexpr size_t kMostVertices = 65536 - 6;

  void begin(size_t vertexCount) {
    vertices_.clear();
    indices_.clear();
    ++batch_;
    if (batch_ == 0) {  // the counter went round: forget every mark
      std::fill(mark_.begin(), mark_.end(), Mark{});
      batch_ = 1;
    }
    if (mark_.size() < vertexCount) mark_.resize(vertexCount);
  }
  bool empty() const { return indices_.empty(); }
  bool full() const { return vertices_.size() >= kMostVertices; }
  void add(uint16_t vertex, uint16_t uv, const MakeMat& model) {
    Mark& m = mark_[vertex];
    if (m.batch != batch_ || m.uv != uv) {
      const VECTOR& p = model.vertices[vertex];
      const VECTOR& n = model.normals[vertex];
      const MatTexCoord& t = model.uvs[uv];
      m = {batch_, uv, static_cast<uint16_t>(vertices_.size())};
      vertices_.push_back({p.x, p.y, p.z, n.x, n.y, n.z, t.u, t.v});
    }
    indices_.push_back(m.index);
  }
  void draw(plat::Device* device) const {
    if (empty()) return;
    device->DrawIndexedPrimitiveUP(plat::D3DPT_TRIANGLELIST, 0, static_cast<unsigned>(vertices_.size()),
                                   static_cast<unsigned>(indices_.size() / 3), indices_.data(), vertices_.data(),
                                   sizeof(TexturedVertex));
  }

 private:
  struct Mark {
    uint32_t batch = 0;
    uint16_t uv = 0;
    uint16_t index = 0;
  };
  std::vector<TexturedVertex> vertices_;
  std::vector<uint16_t> indices_;
  std::vector<Mark> mark_;  // per model vertex: its entry in the batch that last used it
  uint32_t batch_ = 0;
};

void makeBlocks(MatObject& object, const std::vector<VECTOR>& vertices) {
  object.blocks.clear();
  for (size_t first = 0; first < object.polygons.size(); first += kMatBlockPolygons) {
    const size_t end = std::min(first + kMatBlockPolygons, object.polygons.size());
    VECTOR low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    auto corners = [&](auto&& visit) {
      for (size_t p = first; p < end; ++p) {
        const MatPolygon& polygon = object.polygons[p];
        // The corners drawn: four of a quad, the first three of anything else.
        for (int k = 0; k < (polygon.corners == 4 ? 4 : 3); ++k) visit(vertices[polygon.vertex[k]]);
      }
    };
    bool finite = true;
    corners([&](const VECTOR& v) {
      finite = finite && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
      low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
      high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    });
    MatBlock block;
    block.centre = {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
    double radius = 0;
    corners([&](const VECTOR& v) {
      const double dx = v.x - block.centre.x, dy = v.y - block.centre.y, dz = v.z - block.centre.z;
      radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
    });
    // A corner that is not a finite number leaves the block unbounded: it is always drawn.
    block.radius = finite && std::isfinite(static_cast<float>(radius)) ? static_cast<float>(radius) : INFINITY;
    if (!std::isfinite(block.radius)) block.centre = {};
    object.blocks.push_back(block);
  }
}

IndexedBatch& texturedBatch() {
  static IndexedBatch batch;
  return batch;
}

std::vector<VECTOR>& plainBatch() {
  static std::vector<VECTOR> batch;
  return batch;
}

}  // namespace

MakeMat::MakeMat() : directory_("Mat\\") {}

MakeMat::~MakeMat() {
  release();
}

void MakeMat::setDirectory(std::string_view directory) {
  directory_.assign(directory.substr(0, std::min(directory.size(), kMaxDirectory)));
}

void MakeMat::release() {
  for (MatMaterial& material : materials) {
    material.texture.reset();
    material.texturePath.clear();
    material.red = 0;
    material.green = material.blue = 0;
  }
  vertices.clear();
  normals.clear();
  uvs.clear();
  objects.clear();
}

int MakeMat::Load(plat::Device* device, std::string_view path, const void* /*window*/, float scale, int check) {
  release();
  const std::optional<std::vector<uint8_t>> bytes = plat::ReadFile(path);
  if (!bytes) {
    showStandardMessage(sjis("mpﾌｧｲﾙが開けません！"));
    showCannotRead(path);
    return 0;
  }
  return LoadFromMemory(device, *bytes, path, scale, check);
}

int MakeMat::LoadFromMemory(plat::Device* /*device*/, std::span<const uint8_t> file, std::string_view path,
                            float scale, int check) {
  release();
  Reader in(file);
  skipChunkLine(in.raw());

  std::string token;
  bool found = false;
  while (in.next(token)) {
    if (startsWithNoCase(token, "Material")) {
      found = true;
      break;
    }
  }
  if (!found) {
    showStandardMessage(sjis("Materialが設定されておりません！"));
    showCannotRead(path);
    return 0;
  }
  const int count = in.value(token) ? toInt(token) : 0;
  if (count >= kMaxMaterials) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", count);
    showStandardMessage(sjis("Material数が上限超えしてます\n") + number + "\n");
    showCannotRead(path);
    return 0;
  }
  in.accept("{");

  MatReader reader(*this, in, scale);
  reader.materials(count, [this](int index, const std::string& name) {
    MatMaterial& material = materials[index];
    if (!material.texturePath.empty()) return;
    const std::string texturePath = std::string(dataRoot()) + directory_ + name;
    data::loadScrambledTextureWithFormat(texturePath, material.texture, plat::D3DFMT_A1R5G5B5,
                                         plat::D3DX_FILTER_LINEAR);
    if (material.texture) {
      material.texturePath = texturePath;
    } else {
      showStandardMessage(texturePath);
    }
  });
  reader.objects();

  // Polygons whose corners name vertices the model does not have are dropped.
  const size_t vertexCount = vertices.size();
  for (MatObject& object : objects) {
    std::erase_if(object.polygons, [vertexCount](const MatPolygon& p) {
      return p.vertex[0] >= vertexCount || p.vertex[1] >= vertexCount || p.vertex[2] >= vertexCount ||
             p.vertex[3] >= vertexCount;
    });
  }
  if (uvs.empty()) uvs.push_back({0, 0});

  if (check && !objects.empty()) {
    for (const MatPolygon& polygon : objects[0].polygons)
      if (polygon.corners != 3) showStandardMessage(sjis("マットモデルに\n三角形以外のポリゴンが存在します！"));
  }

  // Materials with the same texture: the polygons of the later-seen one move to the first
  // other material holding that path, and its texture is released.
  bool settled[kMaxMaterials] = {};  // checked and found without a partner (paths only empty out)
  for (MatObject& object : objects) {
    for (MatPolygon& polygon : object.polygons) {
      const int m = polygon.material;
      if (m >= kMaxMaterials || settled[m]) continue;
      const std::string& texture = materials[m].texturePath;
      int partner = -1;
      if (!texture.empty()) {
        for (int i = 0; i < kMaxMaterials && partner < 0; ++i)
          if (i != m && materials[i].texturePath == texture) partner = i;
      }
      if (partner < 0) {
        settled[m] = true;
        continue;
      }
      materials[m].texture.reset();
      materials[m].texturePath.clear();
      settled[m] = true;
      for (MatObject& other : objects)
        for (MatPolygon& p : other.polygons)
          if (p.material == m) p.material = static_cast<uint8_t>(partner);
    }
  }

  // Vertex normals: the sum of the face normals around each vertex, made unit length.
  normals.assign(vertices.size(), VECTOR{});
  for (MatObject& object : objects) {
    for (MatPolygon& polygon : object.polygons) {
      if (polygon.corners == 2) continue;
      VECTOR a = vertices[polygon.vertex[1]];
      VECTOR b = vertices[polygon.vertex[2]];
      a.sub(vertices[polygon.vertex[0]]);
      b.sub(vertices[polygon.vertex[0]]);
      cross(polygon.normal, a, b);
      polygon.normal.normalize();
      const int corners = std::min<int>(polygon.corners, 4);
      for (int i = 0; i < corners; ++i) normals[polygon.vertex[i]].add(polygon.normal);
    }
  }
  for (VECTOR& normal : normals) normal.normalize();
  for (MatObject& object : objects) makeBlocks(object, vertices);
  return 1;
}

void MakeMat::draw(plat::Device* device) {
  drawObject(device, 0);
}

BlockDraw mapBlockDraw(const MatBlock& block, const ViewVolume& view, const HeadingBand& behindCamera) {
  if (view.excludes(block.centre, block.radius)) return BlockDraw::Skip;
  if (behindCamera.clearOf(block.centre, block.radius)) return BlockDraw::All;
  return BlockDraw::EachPolygon;
}

void MakeMat::drawObject(plat::Device* device, size_t object, const std::function<bool(const MatPolygon&)>& keep,
                         const std::function<BlockDraw(const MatBlock&)>& blocks) {
  if (!device || object >= objects.size()) return;
  const MatObject& drawn = objects[object];
  const bool byBlocks =
      blocks && drawn.blocks.size() == (drawn.polygons.size() + kMatBlockPolygons - 1) / kMatBlockPolygons;
  BlockDraw decision = BlockDraw::EachPolygon;
  device->SetVertexShader(kTexturedFormat);
  // Consecutive polygons with one texture go to the device as one indexed triangle list
  // (materials that differ only in their attributes share a texture).
  IndexedBatch& batch = texturedBatch();
  batch.begin(vertices.size());
  auto flush = [&] {
    batch.draw(device);
    batch.begin(vertices.size());
  };
  bool started = false;
  plat::Texture* current = nullptr;
  for (size_t p = 0; p < drawn.polygons.size(); ++p) {
    if (byBlocks && p % kMatBlockPolygons == 0) {
      decision = blocks(drawn.blocks[p / kMatBlockPolygons]);
      if (decision == BlockDraw::Skip) {
        p += kMatBlockPolygons - 1;
        continue;
      }
    }
    const MatPolygon& polygon = drawn.polygons[p];
    if (decision != BlockDraw::All && keep && !keep(polygon)) continue;
    plat::Texture* texture = polygon.material < kMaxMaterials ? materials[polygon.material].texture.get() : nullptr;
    if (!started || texture != current || batch.full()) {
      flush();
      if (!started || texture != current) device->SetTexture(0, texture);
      started = true;
      current = texture;
    }
    const int count = drawnCorners(polygon);
    for (int k = 0; k < count; ++k) batch.add(polygon.vertex[kQuadOrder[k]], polygon.uv[kQuadOrder[k]], *this);
  }
  flush();
}

void MakeMat::drawPlain(plat::Device* device) {
  if (!device || objects.empty()) return;
  device->SetVertexShader(plat::D3DFVF_XYZ);
  std::vector<VECTOR>& batch = plainBatch();
  batch.clear();
  for (const MatPolygon& polygon : objects[0].polygons) {
    const int count = drawnCorners(polygon);
    for (int k = 0; k < count; ++k) batch.push_back(vertices[polygon.vertex[kQuadOrder[k]]]);
  }
  if (!batch.empty())
    device->DrawPrimitiveUP(plat::D3DPT_TRIANGLELIST, static_cast<unsigned>(batch.size() / 3), batch.data(),
                            sizeof(VECTOR));
}
