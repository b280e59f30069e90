// The maps: every content/maps/<file>.txt becomes "Mat\<map>.mp", a field map (or a battle map
// "btl<n>") in the game's format: the header (the walk grid's gathering radius "%f;" on the first
// line, the fog colour "%x;", fog start "%f;" and fog end "%f;" on the second), then a Mat model
// of one object.
//
// The source, UTF-8 text ("#" starts a comment line):
//
//   map     kazami                 the file: Mat\kazami.mp
//   tile    320                    the side of a tile in world units
//   level   40                     the height of one level in world units
//   radius  2560                   the walk grid's gathering radius
//   fog     ffc8dcf0 3000 11000    fog colour (hexadecimal ARGB), fog start, fog end
//   start   40 70 north            where the party starts: column, row, the way it faces
//   origin  40 41                  (optional) the tile whose centre, on its ground, is the world's
//                                  origin (0, 0, 0); without it the map is centred on the origin
//   view    40 30 north            (any number) places that show the map at its best, for previews
//   legend                         one line per tile character:
//   .  grass                         character, surface, [scenery], [blocked], [steps]
//   T  grass tree
//   ^  stone steps
//   tiles                          the tile characters, one line per row, north at the top
//   ..TT..
//   heights                        the same size: the level of every tile (0-9, then a-z for
//   000011                         10-35), or "/" for a ramp
//   場0 40 0 3 1 北の出口           event N on the tiles from column 40, row 0, 3 wide, 1 deep
//
// Columns run east (+x), rows south (-z), one level is `level` units up (+y). Surfaces: grass,
// meadow, moss, path, soil, crops, water, planks, stone, gravel, rock (water is never walkable).
// Scenery (never walkable, except a bridge): tree, pine, woods, bush, boulder, house, windmill,
// shrine, hokora, well, fence, chest, sign, lantern, torii, bell, bridge. A house, windmill or
// shrine takes a rectangle of its character; torii are posts in pairs on one row or column with
// the gate's way between them.
//
// Heights: flat tiles lie at their level; a neighbour on another level meets them in a step with
// a bank or wall. A run of ramp tiles "/" along a row or column rises evenly from the tile before
// it to the tile after it; with "steps" in the legend it is a flight of stairs (four to a tile).
// Two walkable tiles side by side may differ by at most kMaxStep. Where a path turns diagonally,
// the tile in its corner gives the path its half, so the path's edge runs straight.
//
// The model: the ground first (every tile's top, flat areas joined into rectangles small enough
// for the walk grid to find them, all of them triangles), then the banks, the edges of the map and
// the scenery. Ground is the only thing with a walkable material, and the field takes the first
// face hit from above in face order, so a tile's top always wins over a roof or a tree above it.
// A face's material is its attribute record: "col" red 1 not walkable, green the event number + 1.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "content/generator/map_mesh.h"
#include "content/generator/map_terrain.h"

namespace content {

namespace {

// The walk grid's cells are 1024 units square; a point of a cell lies less than this far from
// the cell's reference point (a corner of the cell, or the middle of the central one).
constexpr double kCellReach = 1449;
// The highest step between walkable tiles (the field's ground query itself reaches 256 units down
// and 512 up; more than a curb would look like a wall).
constexpr double kMaxStep = 64;
// A Mat model numbers its vertices, faces and texture coordinates in 16 bits.
constexpr size_t kMaxIndex = 65535;
constexpr int kMaxMaterials = 63;
// How far the map's vertices may reach from the origin.
constexpr double kMaxExtent = 16000;
// How deep the map's outer edge reaches below its lowest tile.
constexpr double kSkirt = 600;

const Surface kSurfaces[] = {
    {"grass", "grass.zgr", "earth.zgr", false},   {"meadow", "meadow.zgr", "earth.zgr", false},
    {"moss", "moss.zgr", "earth.zgr", false},     {"path", "path.zgr", "earth.zgr", false},
    {"soil", "soil.zgr", "earth.zgr", false},     {"crops", "crops.zgr", "earth.zgr", false},
    {"water", "water.zgr", "earth.zgr", true},    {"planks", "planks.zgr", "planks.zgr", false},
    {"stone", "stone.zgr", "stone.zgr", false},   {"gravel", "gravel.zgr", "stone.zgr", false},
    {"rock", "rock.zgr", "rock.zgr", false},
};

struct EventCells {
  int number;
  int col, row, width, height;
  std::string where;
};

struct MapSource {
  SourceFile file;
  std::string name;
  double tile = 0, level = 0, radius = 0;
  uint32_t fogColour = 0;
  double fogStart = 0, fogEnd = 0;
  int startCol = -1, startRow = -1;
  int originCol = -1, originRow = -1;  // -1: the map's middle lies at the origin
  std::string originWhere;
  std::vector<std::pair<int, int>> views;  // column, row
  std::vector<LegendEntry> legend;
  std::vector<std::string> tiles, heights;
  std::vector<EventCells> events;
};

const std::string kEventMark = "場";

bool isKeyword(const std::string& word) {
  static const std::set<std::string> keywords = {"map",  "tile",   "level",  "radius", "fog",    "start",
                                                 "view", "origin", "legend", "tiles",  "heights"};
  return keywords.contains(word) || word.rfind(kEventMark, 0) == 0;
}

std::optional<uint32_t> parseHex(const std::string& word) {
  if (word.empty() || word.size() > 8 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return std::nullopt;
  return static_cast<uint32_t>(std::stoul(word, nullptr, 16));
}

// Reads the source; every problem goes to the lint.
MapSource readMap(const fs::path& contentRoot, const std::string& relative, Lint& lint) {
  MapSource map;
  map.file = readSource(contentRoot, relative, lint);
  std::string section;
  for (const SourceLine& line : map.file.lines) {
    const std::string where = map.file.where(line);
    std::string text = line.text;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    const std::vector<std::string> w = words(text);
    if (w.empty()) continue;
    auto number = [&](size_t i, int low, int high) {
      const std::optional<int> n = i < w.size() ? parseNumber(w[i]) : std::nullopt;
      if (!n || *n < low || *n > high) {
        lint.report(where, "expected a number from " + std::to_string(low) + " to " + std::to_string(high));
        return low;
      }
      return *n;
    };
    if (!isKeyword(w[0])) {
      if (section == "tiles") {
        map.tiles.push_back(text);
      } else if (section == "heights") {
        map.heights.push_back(text);
      } else if (section == "legend") {
        LegendEntry entry;
        if (w[0].size() != 1 || w[0][0] < '!' || w[0][0] > '~' || w.size() < 2) {
          lint.report(where, "a legend line is one ASCII character and its surface");
          continue;
        }
        entry.symbol = w[0][0];
        entry.surface = findSurface(w[1]);
        if (!entry.surface) lint.report(where, "no surface \"" + w[1] + "\"");
        for (size_t i = 2; i < w.size(); ++i) {
          if (w[i] == "blocked") {
            entry.blocked = true;
          } else if (w[i] == "steps") {
            entry.steps = true;
          } else if (isProp(w[i]) && entry.prop.empty()) {
            entry.prop = w[i];
            entry.blocked = entry.blocked || !isWalkableProp(w[i]);
          } else {
            lint.report(where, "no scenery \"" + w[i] + "\" (or a second one)");
          }
        }
        if (entry.surface && entry.surface->blocked) entry.blocked = true;
        for (const LegendEntry& other : map.legend)
          if (other.symbol == entry.symbol) lint.report(where, std::string("'") + entry.symbol + "' is in the legend twice");
        map.legend.push_back(entry);
      } else {
        lint.report(where, "\"" + w[0] + "\" is not a keyword");
      }
      continue;
    }
    section.clear();
    if (w[0] == "map") {
      map.name = w.size() == 2 ? w[1] : "";
      if (map.name.empty() || map.name.size() > 16 ||
          map.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos)
        lint.report(where, "a map name is 1 to 16 of a-z, 0-9 and _");
    } else if (w[0] == "tile") {
      map.tile = number(1, 64, 1024);
    } else if (w[0] == "level") {
      map.level = number(1, 1, 512);
    } else if (w[0] == "radius") {
      map.radius = number(1, 1024, 8192);
    } else if (w[0] == "fog") {
      const std::optional<uint32_t> colour = w.size() == 4 ? parseHex(w[1]) : std::nullopt;
      if (!colour) lint.report(where, "fog: colour (hexadecimal ARGB), start, end");
      map.fogColour = colour.value_or(0);
      map.fogStart = number(2, 0, 100000);
      map.fogEnd = number(3, 1, 100000);
      if (map.fogEnd <= map.fogStart) lint.report(where, "the fog must end after it starts");
    } else if (w[0] == "start" || w[0] == "view") {
      const int col = number(1, 0, 999), row = number(2, 0, 999);
      const std::string facing = w.size() == 4 ? w[3] : "";
      if (facing != "north" && facing != "east" && facing != "south" && facing != "west")
        lint.report(where, w[0] + ": column, row, then north, east, south or west");
      if (w[0] == "view") {
        map.views.push_back({col, row});
      } else {
        map.startCol = col;
        map.startRow = row;
      }
    } else if (w[0] == "origin") {
      if (w.size() != 3) lint.report(where, "origin: column, row");
      map.originCol = number(1, 0, 999);
      map.originRow = number(2, 0, 999);
      map.originWhere = where;
    } else if (w[0] == "legend" || w[0] == "tiles" || w[0] == "heights") {
      section = w[0];
    } else {
      const std::optional<int> n = parseNumber(w[0].substr(kEventMark.size()));
      EventCells event{n.value_or(-1), number(1, 0, 999), number(2, 0, 999), 1, 1, where};
      if (!n || *n < 0 || *n > 254) lint.report(where, "an event is 場0 to 場254");
      if (w.size() >= 5 && parseNumber(w[3]) && parseNumber(w[4])) {
        event.width = number(3, 1, 999);
        event.height = number(4, 1, 999);
      }
      map.events.push_back(event);
    }
  }
  const std::string file = "content/" + relative;
  if (map.name.empty()) lint.report(file, "no \"map\" line");
  if (map.tile == 0 || map.level == 0 || map.radius == 0) lint.report(file, "\"tile\", \"level\" and \"radius\" are needed");
  if (map.fogEnd == 0) lint.report(file, "no \"fog\" line");
  if (map.startCol < 0) lint.report(file, "no \"start\" line");
  if (map.tiles.empty() || map.tiles.size() != map.heights.size())
    lint.report(file, "\"tiles\" and \"heights\" need the same number of rows");
  for (size_t r = 0; r < map.tiles.size(); ++r) {
    if (map.tiles[r].size() != map.tiles[0].size() || (r < map.heights.size() && map.heights[r].size() != map.tiles[0].size()))
      lint.report(file, "row " + std::to_string(r) + " of \"tiles\" or \"heights\" is not as long as the first");
  }
  return map;
}

// The level of a heights character; -1 for a ramp, -2 for anything else.
int levelOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return 10 + c - 'a';
  return c == '/' ? -1 : -2;
}

// The ends of a run of ramp tiles through (c, r) along (dc, dr): the levels of the tiles before
// and after the run, and where (c, r) lies in it. False when the run reaches the map's edge or
// its ends are not on two different levels.
struct RampRun {
  double from, to;  // heights at the run's start and end
  int index, length;
};
bool rampRun(const MapSource& map, const std::vector<std::vector<int>>& levels, int c, int r, int dc, int dr,
             RampRun& run) {
  const int cols = static_cast<int>(map.tiles[0].size()), rows = static_cast<int>(map.tiles.size());
  int back = 0, ahead = 0;
  while (true) {
    const int cc = c - (back + 1) * dc, rr = r - (back + 1) * dr;
    if (cc < 0 || rr < 0 || cc >= cols || rr >= rows) return false;
    if (levels[rr][cc] != -1) break;
    ++back;
  }
  while (true) {
    const int cc = c + (ahead + 1) * dc, rr = r + (ahead + 1) * dr;
    if (cc < 0 || rr < 0 || cc >= cols || rr >= rows) return false;
    if (levels[rr][cc] != -1) break;
    ++ahead;
  }
  const int startLevel = levels[r - (back + 1) * dr][c - (back + 1) * dc];
  const int endLevel = levels[r + (ahead + 1) * dr][c + (ahead + 1) * dc];
  run = {startLevel * map.level, endLevel * map.level, back, back + ahead + 1};
  return startLevel >= 0 && endLevel >= 0 && startLevel != endLevel;
}

// Moves the terrain so that the centre of tile (col, row), on its ground, lies at the origin.
void placeOrigin(Terrain& t, int col, int row, const std::string& where, Lint& lint) {
  if (!t.inside(col, row)) {
    lint.report(where, "the origin is not on the map");
    return;
  }
  t.originCol = col + 0.5;
  t.originRow = row + 0.5;
  const double ground = t.height(col, row);
  for (Cell& cell : t.cells)
    for (double& h : cell.corner) h -= ground;
}

Terrain buildTerrain(const MapSource& map, Lint& lint) {
  Terrain t;
  const std::string file = map.file.path.empty() ? "content/maps" : "content/" + map.file.path;
  t.rows = static_cast<int>(map.tiles.size());
  t.cols = t.rows ? static_cast<int>(map.tiles[0].size()) : 0;
  t.tile = map.tile;
  t.originCol = t.cols / 2.0;
  t.originRow = t.rows / 2.0;
  t.cells.resize(static_cast<size_t>(t.cols) * t.rows);
  std::vector<std::vector<int>> levels(t.rows, std::vector<int>(t.cols, 0));
  std::set<char> unknownLevels, unknownTiles;  // each reported once
  for (int r = 0; r < t.rows; ++r)
    for (int c = 0; c < t.cols; ++c) {
      const char h = static_cast<size_t>(c) < map.heights[r].size() ? map.heights[r][c] : '0';
      levels[r][c] = levelOf(h);
      if (levels[r][c] == -2) {
        if (unknownLevels.insert(h).second)
          lint.report(file, "heights row " + std::to_string(r) + ": '" + std::string(1, h) + "' is not a level");
        levels[r][c] = 0;
      }
    }
  static const LegendEntry kUnknown{'?', &kSurfaces[0], "", true, false};
  for (int r = 0; r < t.rows; ++r) {
    for (int c = 0; c < t.cols; ++c) {
      Cell& cell = t.at(c, r);
      const char symbol = static_cast<size_t>(c) < map.tiles[r].size() ? map.tiles[r][c] : ' ';
      cell.kind = &kUnknown;
      for (const LegendEntry& entry : map.legend)
        if (entry.symbol == symbol) cell.kind = &entry;
      if (cell.kind == &kUnknown && unknownTiles.insert(symbol).second)
        lint.report(file, "tiles row " + std::to_string(r) + ": '" + std::string(1, symbol) + "' is not in the legend");
      cell.blocked = cell.kind->blocked;
      if (levels[r][c] >= 0) {
        for (double& h : cell.corner) h = levels[r][c] * map.level;
        continue;
      }
      cell.ramp = true;
      RampRun run;
      if (rampRun(map, levels, c, r, 0, 1, run)) {  // rising or falling southwards
        const double north = run.from + (run.to - run.from) * run.index / run.length;
        const double south = run.from + (run.to - run.from) * (run.index + 1) / run.length;
        cell.corner[0] = cell.corner[1] = north;
        cell.corner[2] = cell.corner[3] = south;
        if (cell.kind->steps) cell.rise = south > north ? Rise::kSouth : Rise::kNorth;
      } else if (rampRun(map, levels, c, r, 1, 0, run)) {  // eastwards
        const double west = run.from + (run.to - run.from) * run.index / run.length;
        const double east = run.from + (run.to - run.from) * (run.index + 1) / run.length;
        cell.corner[0] = cell.corner[3] = west;
        cell.corner[1] = cell.corner[2] = east;
        if (cell.kind->steps) cell.rise = east > west ? Rise::kEast : Rise::kWest;
      } else {
        lint.report(file, "the ramp at column " + std::to_string(c) + ", row " + std::to_string(r) +
                              " does not run between two levels along its row or column");
      }
    }
  }
  for (const EventCells& e : map.events) {
    if (e.col + e.width > t.cols || e.row + e.height > t.rows) {
      lint.report(e.where, "the event's tiles are not all on the map");
      continue;
    }
    for (int r = e.row; r < e.row + e.height; ++r)
      for (int c = e.col; c < e.col + e.width; ++c) t.at(c, r).event = e.number;
  }
  if (map.originCol >= 0) placeOrigin(t, map.originCol, map.originRow, map.originWhere, lint);
  return t;
}

// --- the ground ---

// A piece of a tile's edge: from t0 to t1 along it (0 … 1, west to east or north to south) the
// height goes from h0 to h1.
struct EdgePiece {
  double t0, t1, h0, h1;
};
enum Side { kNorthSide, kEastSide, kSouthSide, kWestSide };

// The steps of a tile: tread k (0 … 3) covers [k/4, (k+1)/4] of the way from its low edge and
// lies at low + rise * (k+1)/4, so the last tread is level with the tile beyond.
constexpr int kTreads = 4;
double treadHeight(const Cell& cell, int k) {
  const double low = *std::min_element(cell.corner, cell.corner + 4);
  const double high = *std::max_element(cell.corner, cell.corner + 4);
  return low + (high - low) * (k + 1) / kTreads;
}
Side lowSide(Rise rise) {
  switch (rise) {
    case Rise::kNorth: return kSouthSide;
    case Rise::kSouth: return kNorthSide;
    case Rise::kEast: return kWestSide;
    default: return kEastSide;
  }
}

std::vector<EdgePiece> edgeOf(const Cell& cell, Side side) {
  const double* h = cell.corner;  // NW, NE, SE, SW
  if (cell.rise == Rise::kNone) {
    switch (side) {
      case kNorthSide: return {{0, 1, h[0], h[1]}};
      case kEastSide: return {{0, 1, h[1], h[2]}};
      case kSouthSide: return {{0, 1, h[3], h[2]}};
      default: return {{0, 1, h[0], h[3]}};
    }
  }
  const Side low = lowSide(cell.rise);
  if (side == low) return {{0, 1, treadHeight(cell, 0), treadHeight(cell, 0)}};
  if ((side + 2) % 4 == low) return {{0, 1, treadHeight(cell, kTreads - 1), treadHeight(cell, kTreads - 1)}};
  // A side edge: t runs north to south (east and west sides) or west to east (north and south
  // sides); the treads follow the way up.
  const bool upAlongT = cell.rise == Rise::kSouth || cell.rise == Rise::kEast;
  std::vector<EdgePiece> pieces;
  for (int k = 0; k < kTreads; ++k) {
    const double a = static_cast<double>(k) / kTreads, b = static_cast<double>(k + 1) / kTreads;
    const double y = treadHeight(cell, k);
    pieces.push_back(upAlongT ? EdgePiece{a, b, y, y} : EdgePiece{1 - b, 1 - a, y, y});
  }
  std::sort(pieces.begin(), pieces.end(), [](const EdgePiece& x, const EdgePiece& y) { return x.t0 < y.t0; });
  return pieces;
}

// The height of an edge at t, taken from the piece that holds the middle of [ta, tb].
double edgeHeight(const std::vector<EdgePiece>& edge, double ta, double tb, double t) {
  const double middle = (ta + tb) / 2;
  for (const EdgePiece& p : edge)
    if (middle >= p.t0 && middle <= p.t1) return p.h0 + (p.h1 - p.h0) * (t - p.t0) / (p.t1 - p.t0);
  return edge.back().h1;
}

std::vector<double> breaks(const std::vector<EdgePiece>& a, const std::vector<EdgePiece>& b) {
  std::vector<double> t;
  for (const auto* edge : {&a, &b})
    for (const EdgePiece& p : *edge) {
      t.push_back(p.t0);
      t.push_back(p.t1);
    }
  std::sort(t.begin(), t.end());
  t.erase(std::unique(t.begin(), t.end(), [](double x, double y) { return std::abs(x - y) < 1e-9; }), t.end());
  return t;
}

class GroundBuilder {
 public:
  GroundBuilder(const Terrain& t, MapMesh& mesh, double radius, Lint& lint, std::string where)
      : t_(t), mesh_(mesh), radius_(radius), lint_(lint), where_(std::move(where)) {}

  void build() {
    tops();
    banks();
  }

 private:
  int materialOf(const Cell& cell) {
    return mesh_.material(cell.kind->surface->texture, cell.blocked, cell.event);
  }
  double texScale() const { return t_.tile * 2; }

  // Whether a rectangle of w x h tiles as two triangles can be found from every walk grid cell
  // it reaches: the middle of its diagonal is the point farthest from its corners.
  bool fits(int w, int h) const {
    return std::hypot(w * t_.tile, h * t_.tile) / 2 <= radius_ - kCellReach;
  }

  bool joinable(int c, int r, int material, double height) {
    const Cell& cell = t_.at(c, r);
    int corner = 0;
    return !done_[static_cast<size_t>(r) * t_.cols + c] && !cell.ramp && materialOf(cell) == material &&
           cell.corner[0] == height && !cornerSurface(c, r, corner);
  }

  // Whether a tile takes part in the rounding of diagonal ways: flat, walkable, without event or
  // scenery, of a natural surface; its surface, or nullptr.
  const Surface* blendable(int c, int r, double height) const {
    if (!t_.walkable(c, r)) return nullptr;
    const Cell& cell = t_.at(c, r);
    const std::string name = cell.kind->surface->name;
    const bool natural = name == "grass" || name == "meadow" || name == "moss" || name == "path" || name == "gravel";
    if (cell.ramp || cell.event >= 0 || !cell.kind->prop.empty() || !natural || cell.corner[0] != height) return nullptr;
    return cell.kind->surface;
  }

  // A tile beside a path that runs on two of its sides meeting at one of its corners (and not on
  // the other two) gives the half at that corner to the path, so that a path running diagonally
  // over the tiles has straight edges. The corner: 0 north-west, 1 north-east, 2 south-east, 3
  // south-west.
  const Surface* cornerSurface(int c, int r, int& corner) const {
    const double height = t_.at(c, r).corner[0];
    const Surface* own = blendable(c, r, height);
    if (!own) return nullptr;
    // The sides north, east, south, west; corner k lies between sides k - 1 and k (north-west
    // between west and north).
    const Surface* side[4] = {blendable(c, r - 1, height), blendable(c + 1, r, height), blendable(c, r + 1, height),
                              blendable(c - 1, r, height)};
    for (int k = 0; k < 4; ++k) {
      const Surface* a = side[(k + 3) % 4];
      const Surface* b = side[k];
      if (a && a == b && a != own && a == findSurface("path") && side[(k + 1) % 4] != a && side[(k + 2) % 4] != a) {
        corner = k;
        return a;
      }
    }
    return nullptr;
  }

  void tops() {
    done_.assign(t_.cells.size(), false);
    for (int r = 0; r < t_.rows; ++r) {
      for (int c = 0; c < t_.cols; ++c) {
        if (done_[static_cast<size_t>(r) * t_.cols + c]) continue;
        const Cell& cell = t_.at(c, r);
        if (cell.rise != Rise::kNone) {
          steps(c, r);
          continue;
        }
        if (cell.ramp) {
          quad(t_.west(c), t_.north(r), t_.west(c + 1), t_.north(r + 1), cell.corner, materialOf(cell));
          continue;
        }
        int corner = 0;
        if (const Surface* other = cornerSurface(c, r, corner)) {
          halves(c, r, corner, mesh_.material(other->texture, false), materialOf(cell));
          continue;
        }
        // A flat tile: joined with its like to the east, then the rows below, while it fits.
        const int material = materialOf(cell);
        const double height = cell.corner[0];
        int w = 1, h = 1;
        while (c + w < t_.cols && fits(w + 1, h) && joinable(c + w, r, material, height)) ++w;
        for (bool grow = true; grow && r + h < t_.rows && fits(w, h + 1);) {
          for (int k = 0; k < w && grow; ++k) grow = joinable(c + k, r + h, material, height);
          if (grow) ++h;
        }
        for (int rr = r; rr < r + h; ++rr)
          for (int cc = c; cc < c + w; ++cc) done_[static_cast<size_t>(rr) * t_.cols + cc] = true;
        const double flat[4] = {height, height, height, height};
        quad(t_.west(c), t_.north(r), t_.west(c + w), t_.north(r + h), flat, material);
      }
    }
  }

  // Two triangles over x0 … x1, z0 (north) … z1 with the corner heights NW, NE, SE, SW.
  void quad(double x0, double z0, double x1, double z1, const double* h, int material) {
    const MatPoint nw{x0, h[0], z0}, ne{x1, h[1], z0}, se{x1, h[2], z1}, sw{x0, h[3], z1};
    mesh_.ground(nw, ne, se, material, texScale());
    mesh_.ground(nw, se, sw, material, texScale());
  }

  // A flat tile in two triangles split across the given corner: that corner's half in one
  // material, the rest in the other.
  void halves(int c, int r, int corner, int cornerMaterial, int restMaterial) {
    const double y = t_.at(c, r).corner[0];
    const MatPoint p[4] = {{t_.west(c), y, t_.north(r)}, {t_.west(c + 1), y, t_.north(r)},
                           {t_.west(c + 1), y, t_.north(r + 1)}, {t_.west(c), y, t_.north(r + 1)}};
    mesh_.ground(p[(corner + 3) % 4], p[corner], p[(corner + 1) % 4], cornerMaterial, texScale());
    mesh_.ground(p[(corner + 1) % 4], p[(corner + 2) % 4], p[(corner + 3) % 4], restMaterial, texScale());
  }

  // The world position of (along, across) in a stepped tile: along from its low edge to its high
  // edge, across from one side to the other, both 0 … 1.
  MatPoint stepPoint(int c, int r, Rise rise, double along, double across, double y) const {
    const double x0 = t_.west(c), z0 = t_.north(r), s = t_.tile;
    switch (rise) {
      case Rise::kNorth: return {x0 + across * s, y, z0 - s + along * s};
      case Rise::kSouth: return {x0 + across * s, y, z0 - along * s};
      case Rise::kEast: return {x0 + along * s, y, z0 - across * s};
      default: return {x0 + s - along * s, y, z0 - across * s};
    }
  }

  void steps(int c, int r) {
    const Cell& cell = t_.at(c, r);
    const int material = materialOf(cell);
    const int side = mesh_.material(cell.kind->surface->sideTexture, true);
    const MatPoint down = stepPoint(c, r, cell.rise, 0, 0.5, 0);
    const MatPoint up = stepPoint(c, r, cell.rise, 1, 0.5, 0);
    const MatPoint facing = {down.x - up.x, 0, down.z - up.z};
    for (int k = 0; k < kTreads; ++k) {
      const double a = static_cast<double>(k) / kTreads, b = static_cast<double>(k + 1) / kTreads;
      const double y = treadHeight(cell, k);
      const MatPoint p0 = stepPoint(c, r, cell.rise, a, 0, y), p1 = stepPoint(c, r, cell.rise, a, 1, y);
      const MatPoint p2 = stepPoint(c, r, cell.rise, b, 1, y), p3 = stepPoint(c, r, cell.rise, b, 0, y);
      mesh_.ground(p0, p1, p2, material, texScale());
      mesh_.ground(p0, p2, p3, material, texScale());
      if (k + 1 < kTreads) {
        const double y1 = treadHeight(cell, k + 1);
        const MatPoint q0 = stepPoint(c, r, cell.rise, b, 0, y), q1 = stepPoint(c, r, cell.rise, b, 1, y);
        const double width = t_.tile / 256, rise = (y1 - y) / 256;
        mesh_.polygon({q0, q1, {q1.x, y1, q1.z}, {q0.x, y1, q0.z}}, {{0, rise}, {width, rise}, {width, 0}, {0, 0}},
                      side, facing);
      }
    }
  }

  // A bank where two edges (or an edge and the map's skirt) meet at different heights.
  void banks() {
    double lowest = 0;
    for (const Cell& cell : t_.cells) lowest = std::min(lowest, *std::min_element(cell.corner, cell.corner + 4));
    const std::vector<EdgePiece> skirt = {{0, 1, lowest - kSkirt, lowest - kSkirt}};
    for (int r = 0; r < t_.rows; ++r) {
      for (int c = 0; c < t_.cols; ++c) {
        const Cell& cell = t_.at(c, r);
        const double x0 = t_.west(c), x1 = t_.west(c + 1), z0 = t_.north(r), z1 = t_.north(r + 1);
        auto alongZ = [&](double x) { return [=](double t) { return std::make_pair(x, z0 + (z1 - z0) * t); }; };
        auto alongX = [&](double z) { return [=](double t) { return std::make_pair(x0 + (x1 - x0) * t, z); }; };
        const Cell* east = t_.inside(c + 1, r) ? &t_.at(c + 1, r) : nullptr;
        const Cell* south = t_.inside(c, r + 1) ? &t_.at(c, r + 1) : nullptr;
        between(cell, edgeOf(cell, kEastSide), east, east ? edgeOf(*east, kWestSide) : skirt, alongZ(x1), {1, 0, 0});
        between(cell, edgeOf(cell, kSouthSide), south, south ? edgeOf(*south, kNorthSide) : skirt, alongX(z1),
                {0, 0, -1});
        if (c == 0) between(cell, edgeOf(cell, kWestSide), nullptr, skirt, alongZ(x0), {-1, 0, 0});
        if (r == 0) between(cell, edgeOf(cell, kNorthSide), nullptr, skirt, alongX(z0), {0, 0, 1});
        if (east) checkStep(c, r, cell, edgeOf(cell, kEastSide), *east, edgeOf(*east, kWestSide));
        if (south) checkStep(c, r, cell, edgeOf(cell, kSouthSide), *south, edgeOf(*south, kNorthSide));
      }
    }
  }

  // The walls between edge a of cell `first` and edge b of `second` (nullptr: the map's skirt),
  // which lies in direction `towardsSecond`; at(t) is the world (x, z) of the edge at t.
  template <typename At>
  void between(const Cell& first, const std::vector<EdgePiece>& a, const Cell* second,
               const std::vector<EdgePiece>& b, At at, MatPoint towardsSecond) {
    const std::vector<double> t = breaks(a, b);
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      const double ta = t[i], tb = t[i + 1];
      const double a0 = edgeHeight(a, ta, tb, ta), a1 = edgeHeight(a, ta, tb, tb);
      const double b0 = edgeHeight(b, ta, tb, ta), b1 = edgeHeight(b, ta, tb, tb);
      if (std::abs(a0 - b0) < 0.01 && std::abs(a1 - b1) < 0.01) continue;
      if (a0 >= b0 - 0.01 && a1 >= b1 - 0.01) {
        wall(first, at, ta, tb, a0, a1, b0, b1, towardsSecond);
      } else if (b0 >= a0 - 0.01 && b1 >= a1 - 0.01) {
        wall(second ? *second : first, at, ta, tb, b0, b1, a0, a1, {-towardsSecond.x, 0, -towardsSecond.z});
      } else {
        lint_.report(where_, "two tiles' edges cross in height at (" + std::to_string(at(ta).first) + ", " +
                                 std::to_string(at(ta).second) + "); make one of them flat");
      }
    }
  }

  template <typename At>
  void wall(const Cell& upper, At at, double ta, double tb, double top0, double top1, double bottom0, double bottom1,
            MatPoint outward) {
    const int material = mesh_.material(upper.kind->surface->sideTexture, true);
    const auto [xa, za] = at(ta);
    const auto [xb, zb] = at(tb);
    const double scale = 256, width = std::hypot(xb - xa, zb - za) / scale, high = std::max(top0, top1);
    std::vector<MatPoint> corners;
    std::vector<MapUv> uvs;
    auto add = [&](double x, double z, double y, double u) {
      corners.push_back({x, y, z});
      uvs.push_back({u, (high - y) / scale});
    };
    add(xa, za, bottom0, 0);
    add(xb, zb, bottom1, width);
    if (top1 - bottom1 > 0.01) add(xb, zb, top1, width);
    if (top0 - bottom0 > 0.01) add(xa, za, top0, 0);
    if (corners.size() >= 3) mesh_.polygon(corners, uvs, material, outward);
  }

  void checkStep(int c, int r, const Cell& a, const std::vector<EdgePiece>& ea, const Cell& b,
                 const std::vector<EdgePiece>& eb) {
    if (a.blocked || b.blocked) return;
    const std::vector<double> t = breaks(ea, eb);
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      for (const double at : {t[i], t[i + 1]}) {
        if (std::abs(edgeHeight(ea, t[i], t[i + 1], at) - edgeHeight(eb, t[i], t[i + 1], at)) > kMaxStep) {
          lint_.report(where_, "a step of more than " + std::to_string(static_cast<int>(kMaxStep)) +
                                   " units between walkable tiles at column " + std::to_string(c) + ", row " +
                                   std::to_string(r) + "; add a ramp or block one side");
          return;
        }
      }
    }
  }

  const Terrain& t_;
  MapMesh& mesh_;
  double radius_;
  Lint& lint_;
  std::string where_;
  std::vector<bool> done_;
};

std::string headerValue(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void checkMesh(const MapMesh& mesh, const std::string& where, Lint& lint) {
  if (mesh.materials().size() > kMaxMaterials)
    lint.report(where, std::to_string(mesh.materials().size()) + " materials; a map holds at most 63");
  for (const MapMaterial& m : mesh.materials())
    if (!isMapTexture(m.texture)) lint.report(where, "no map texture \"" + m.texture + "\"");
  if (mesh.vertexCount() > kMaxIndex || mesh.faceCount() > kMaxIndex || mesh.uvCount() > kMaxIndex + 1)
    lint.report(where, "too big: " + std::to_string(mesh.vertexCount()) + " vertices, " +
                           std::to_string(mesh.faceCount()) + " faces, " + std::to_string(mesh.uvCount()) +
                           " texture coordinates (at most 65535 each)");
  if (mesh.extent() > kMaxExtent)
    lint.report(where, "reaches " + std::to_string(static_cast<int>(mesh.extent())) + " units from the origin (at most " +
                           std::to_string(static_cast<int>(kMaxExtent)) + ")");
}

void generateMap(Context& context, const std::string& relative, std::set<std::string>& names) {
  Lint& lint = context.lint;
  const std::string where = "content/" + relative;
  const size_t problems = lint.problems().size();
  const MapSource map = readMap(context.contentRoot, relative, lint);
  if (lint.problems().size() != problems) return;
  if (!names.insert(map.name).second) lint.report(where, "a second map \"" + map.name + "\"");
  if (std::sqrt(2.0) * map.tile / 2 > map.radius - kCellReach)
    lint.report(where, "the radius is too small for the walk grid to find tiles of this size");
  const Terrain terrain = buildTerrain(map, lint);
  if (lint.problems().size() != problems) return;
  if (!terrain.walkable(map.startCol, map.startRow)) lint.report(where, "the start is not on a walkable tile");
  for (const auto& [col, row] : map.views)
    if (!terrain.inside(col, row)) lint.report(where, "a view is not on the map");
  std::set<int> seen;
  for (const EventCells& e : map.events)
    if (!seen.insert(e.number).second) lint.report(e.where, "event " + std::to_string(e.number) + " is given twice");

  MapMesh mesh;
  GroundBuilder(terrain, mesh, map.radius, lint, where).build();
  buildScenery(terrain, mesh, lint, where);
  checkMesh(mesh, where, lint);
  char fog[16];
  std::snprintf(fog, sizeof fog, "%08x;", map.fogColour);
  const std::vector<std::string> header = {
      headerValue("%f;", map.radius),
      fog + headerValue("%f;", map.fogStart) + headerValue("%f;", map.fogEnd),
  };
  context.out.write("Mat/" + map.name + ".mp", mesh.text(header));
}

}  // namespace

const Surface* findSurface(const std::string& name) {
  for (const Surface& s : kSurfaces)
    if (name == s.name) return &s;
  return nullptr;
}

void generateMaps(Context& context) {
  generateMapTextures(context);
  const fs::path folder = context.contentRoot / "maps";
  std::vector<std::string> sources;
  if (fs::is_directory(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file() && entry.path().extension() == ".txt")
        sources.push_back("maps/" + entry.path().filename().string());
  std::sort(sources.begin(), sources.end());
  if (sources.empty()) context.lint.report("content/maps", "no maps");
  std::set<std::string> names;
  for (const std::string& source : sources) generateMap(context, source, names);
}

}  // namespace content
