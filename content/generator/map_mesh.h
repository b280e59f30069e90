// The mesh of a field or battle map, built in world units, and the shapes its scenery is made of.
//
// A map file is one Mat object. Its faces come in two runs: first the ground (the top faces of
// the tiles, every one a triangle), then everything else (the sides of steps and banks, and the
// scenery). The field finds the ground under a point by taking the first face hit from above in
// face order, so a walkable top always wins over anything drawn above it; scenery faces carry
// blocked materials, so that a stray hit on them never lets anyone walk there.
//
// A material is the attribute record of its faces: "col" red 1 marks them not walkable, green is
// the event number + 1 (0: none). Textures are "Mat\<name>.zgr".
#pragma once
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "content/generator/mat_text.h"

namespace content {

struct MapUv {
  double u, v;
};

struct MapMaterial {
  std::string texture;  // file name under "Mat\"
  bool blocked = false;
  int event = -1;  // -1: none
};

class MapMesh {
 public:
  // The index of the material with these attributes; a new one is added the first time.
  int material(const std::string& texture, bool blocked, int event = -1);
  const std::vector<MapMaterial>& materials() const { return materials_; }

  // A top face of the ground, facing up; its corners are shared with the neighbouring ground
  // faces (smooth normals over slopes). The texture repeats every texScale units.
  void ground(const MatPoint& a, const MatPoint& b, const MatPoint& c, int material, double texScale);
  // A face of 3 or 4 corners with their texture coordinates, turned so that it faces the side
  // that `outward` points to (the device draws only the front of a face).
  void polygon(std::vector<MatPoint> corners, std::vector<MapUv> uvs, int material, const MatPoint& outward);

  size_t vertexCount() const { return points_.size(); }
  size_t faceCount() const { return ground_.size() + scenery_.size(); }
  size_t uvCount() const;
  // The largest |x| and |z| of any vertex.
  double extent() const;

  // The map file: the header lines, then the model.
  std::string text(const std::vector<std::string>& header) const;

 private:
  struct Face {
    std::vector<int> corners;
    std::vector<MapUv> uvs;
    int material;
  };
  int vertex(const MatPoint& p, const MatPoint& normal, bool shared);
  MatPoint centreOf(const Face& face) const;

  std::vector<MatPoint> points_;
  std::map<std::tuple<long long, long long, long long, long long, long long, long long>, int> vertexIndex_;
  std::vector<Face> ground_, scenery_;
  std::map<std::tuple<std::string, bool, int>, int> materialIndex_;
  std::vector<MapMaterial> materials_;
};

// Whether the map textures (content/generator/map_textures.cpp) include "Mat\<name>".
bool isMapTexture(const std::string& name);

// --- shapes; every face is turned outwards from the shape ---

// Texture materials of a shape: its sides and its top (or cap); -1 leaves the top open.
struct Skin {
  int side;
  int top = -1;
  double texScale = 256;  // world units per texture repeat
};

// A box from lo to hi (no bottom face).
void box(MapMesh& mesh, MatPoint lo, MatPoint hi, const Skin& skin);
// A box standing on y0 up to y1 with its footprint centred on (cx, cz), half sizes hx (along its
// own x) and hz, turned by yaw about the vertical.
void turnedBox(MapMesh& mesh, double cx, double cz, double y0, double y1, double hx, double hz, double yaw,
               const Skin& skin);
// A tapered prism of n sides round the vertical through (cx, cz): radius r0 at y0, r1 at y1 (0: a
// pointed cone); phase turns it.
void prism(MapMesh& mesh, double cx, double cz, double y0, double y1, double r0, double r1, int sides, double phase,
           const Skin& skin);
// A thin board seen from both sides: the rectangle a, b (bottom edge) up by height.
void panel(MapMesh& mesh, MatPoint a, MatPoint b, double height, int material, double texScale);
// A beam between two points with a square cross section of the given half width; its ends are
// closed with the skin's top material (open without one).
void beam(MapMesh& mesh, MatPoint from, MatPoint to, double half, const Skin& skin);

}  // namespace content
