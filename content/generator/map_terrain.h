// The tiles of a map as read from its source (content/maps/*.txt, see maps.cpp): what each tile
// is, how high its corners lie, whether it can be walked on and which event it starts. The
// ground builder (maps.cpp) and the scenery builder (map_props.cpp) share it.
#pragma once
#include <string>
#include <vector>

#include "content/generator/content.h"
#include "content/generator/map_mesh.h"

namespace content {

// A ground surface: the texture of its top, the texture of its sides (banks, steps, the map's
// edge) and whether it is always blocked.
struct Surface {
  const char* name;
  const char* texture;
  const char* sideTexture;
  bool blocked;
};
// The surface of that name; nullptr when there is none.
const Surface* findSurface(const std::string& name);

// A legend line: a tile character, its surface, the scenery standing on it (may be empty) and
// its flags.
struct LegendEntry {
  char symbol = 0;
  const Surface* surface = nullptr;
  std::string prop;
  bool blocked = false;  // not walkable (scenery except bridges, water, "blocked")
  bool steps = false;    // a ramp of this kind is built as a flight of steps
};

// Which way a tile's steps rise.
enum class Rise { kNone, kNorth, kEast, kSouth, kWest };

struct Cell {
  const LegendEntry* kind = nullptr;
  double corner[4] = {};  // heights at the north-west, north-east, south-east and south-west corners
  bool ramp = false;
  Rise rise = Rise::kNone;  // set for steps only
  int event = -1;
  bool blocked = false;
};

// The grid of tiles: column c runs east (+x), row r runs south (-z) from the top line of the
// source. The grid line originCol (a column number, 0 … cols) lies at x = 0, the grid line
// originRow at z = 0: the map's middle, or the centre of the source's origin tile.
struct Terrain {
  int cols = 0, rows = 0;
  double tile = 320;
  double originCol = 0, originRow = 0;
  std::vector<Cell> cells;

  bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < cols && r < rows; }
  const Cell& at(int c, int r) const { return cells[static_cast<size_t>(r) * cols + c]; }
  Cell& at(int c, int r) { return cells[static_cast<size_t>(r) * cols + c]; }
  double west(int c) const { return (c - originCol) * tile; }
  double north(int r) const { return (originRow - r) * tile; }
  double centreX(int c) const { return west(c) + tile / 2; }
  double centreZ(int r) const { return north(r) - tile / 2; }
  // The height in the middle of the tile (the mean of its corners).
  double height(int c, int r) const {
    const Cell& cell = at(c, r);
    return (cell.corner[0] + cell.corner[1] + cell.corner[2] + cell.corner[3]) / 4;
  }
  bool walkable(int c, int r) const { return inside(c, r) && !at(c, r).blocked; }
  // The scenery of the tile; empty outside the map.
  std::string prop(int c, int r) const { return inside(c, r) ? at(c, r).kind->prop : std::string(); }
  char symbol(int c, int r) const { return inside(c, r) ? at(c, r).kind->symbol : '\0'; }
};

// Builds the scenery standing on the tiles (map_props.cpp); problems go to the lint with where.
void buildScenery(const Terrain& terrain, MapMesh& mesh, Lint& lint, const std::string& where);
// Whether a prop name is one that buildScenery knows, and whether it can be walked through.
bool isProp(const std::string& name);
bool isWalkableProp(const std::string& name);

}  // namespace content
