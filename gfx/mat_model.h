// MakeMat: the static textured mesh of field maps, battle maps, weapons, object-task models and
// the shadow model, read from the Mat text format.
//
// The file: a first line that is discarded (the chunk line "ZD:"), a material block
//   Material N { "name" col(r g b a) dif(..) amb(..) emi(..) spc(..) power(..) tex("file") ... }
// and objects
//   Object "name" { visible v  vertex n { x y z ... }  face n { 3 V(a b c) M(m) UV(u v u v u v) ... } }
// (a vertex block may also come in binary form: BVertex n { Vector n [bytes] <n x 3 floats> }).
// Positions are scaled by the load scale s with the x axis mirrored: (-2sx, 2sy, 2sz).
// Only the first object is drawn by draw(); the others are kept for the owners that want them.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/math.h"
#include "platform/device.h"

// A polygon of a Mat model. Vertex indices are model-wide (the object's own indices plus the
// vertices of all earlier objects) and always below the model's vertex count; corners past the
// file's own (a polygon of fewer than four corners) repeat its first corner.
struct MatPolygon {
  uint16_t corners = 0;     // as given in the file: 3 a triangle, 4 a quad, 2 a line
  uint16_t vertex[4] = {};  // indices into MakeMat::vertices and MakeMat::normals
  uint16_t uv[4] = {};      // indices into MakeMat::uvs
  VECTOR normal;            // face normal (zero for 2-corner polygons)
  uint8_t material = 0;     // material used for drawing (changed by merging)
  uint8_t fileMaterial = 0; // the material index as read from the file
};

// A sphere holding every corner of a block of consecutive polygons of an object.
struct MatBlock {
  VECTOR centre;
  float radius = 0;
};
constexpr size_t kMatBlockPolygons = 32;

struct MatObject {
  std::vector<MatPolygon> polygons;
  // Polygons kMatBlockPolygons * i … + kMatBlockPolygons - 1 lie within block i; the loader makes
  // them (an object built by hand may have none, and is then drawn whole).
  std::vector<MatBlock> blocks;
};

// What an owner decides for a whole block before its polygons are looked at: left out, drawn
// whole, or each polygon asked.
enum class BlockDraw { Skip, All, EachPolygon };

class ViewVolume;
class HeadingBand;
// The map drawing's decision: a block the view volume excludes is left out, a block clear of the
// band behind the camera is drawn whole, any other is decided face by face.
BlockDraw mapBlockDraw(const MatBlock& block, const ViewVolume& view, const HeadingBand& behindCamera);

struct MatTexCoord {
  float u = 0, v = 0;
};

struct MatMaterial {
  std::string texturePath;                // full path of the loaded texture; empty when none
  std::unique_ptr<plat::Texture> texture;  // owned; empty when none
  int red = 0;                             // the "col" values as integers
  uint8_t green = 0;
  uint8_t blue = 0;
};

class MakeMat {
 public:
  static constexpr int kMaxMaterials = 64;
  // The directory buffer holds at most this many characters.
  static constexpr size_t kMaxDirectory = 63;

  MakeMat();
  ~MakeMat();
  MakeMat(const MakeMat&) = delete;
  MakeMat& operator=(const MakeMat&) = delete;

  // Loads the model from a file (path in the game's code page; '\' separators and any letter
  // case). The window argument is not used. check != 0 reports every polygon of the first object
  // that is not a triangle. Returns 1 on success; 0 after a message box, with the model empty.
  int Load(plat::Device* device, std::string_view path, const void* window, float scale, int check);
  // The same from the file's bytes; path only names the file in messages.
  int LoadFromMemory(plat::Device* device, std::span<const uint8_t> file, std::string_view path, float scale,
                     int check);
  // Releases the textures, then frees everything. The directory stays.
  void release();

  // Draws the first object textured: position, normal and texture coordinate per vertex, the
  // material's texture on stage 0 whenever the material changes. No material, cull mode or
  // transform is set here.
  void draw(plat::Device* device);
  // Draws the first object as positions only, without texture changes.
  void drawPlain(plat::Device* device);
  // Draws the polygons of any object like draw(), those for which keep is true (all when keep
  // is empty). For owners that cull faces themselves. With a block decision, each block of
  // polygons is first left out, drawn whole or handed to keep polygon by polygon as it says.
  void drawObject(plat::Device* device, size_t object, const std::function<bool(const MatPolygon&)>& keep = {},
                  const std::function<BlockDraw(const MatBlock&)>& blocks = {});

  // The directory prefixed to texture names ("Mat\" after construction), at most kMaxDirectory
  // characters; a longer text is cut.
  void setDirectory(std::string_view directory);
  const std::string& directory() const { return directory_; }

  std::vector<VECTOR> vertices;
  std::vector<VECTOR> normals;    // one per vertex, unit length (zero for unused vertices)
  std::vector<MatTexCoord> uvs;   // never empty once loaded: faces without "UV" use entry 0
  std::vector<MatObject> objects;
  std::array<MatMaterial, kMaxMaterials> materials;

 private:
  std::string directory_;
};
