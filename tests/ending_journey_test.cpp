// The demo game from boot to its ending. A pilot plays it in process on a device that draws
// nothing, reading the game's state every frame: it walks the tile paths of the maps' sources
// (the village's north road, the forest, the shrine up to the old wind spirit), confirms
// messages and fights every battle with Shift. The keys it pressed are a key script, which
// orvane-replay then plays again from boot with the real renderer: the same script must reach
// the same ending.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "battle/battle_scenes.h"
#include "battle_support.h"
#include "core/frame.h"
#include "core/keyboard.h"
#include "data/database.h"
#include "demo_keys.h"
#include "event/actors.h"
#include "event/event_script.h"
#include "event/game_state.h"
#include "event/message_window.h"
#include "field/field.h"
#include "gfx/camera.h"
#include "gfx/chara.h"
#include "gfx/math.h"
#include "headless_game.h"
#include "replay_fixture.h"
#include "tools/replay/replay.h"

namespace {

namespace fs = std::filesystem;

using Tile = std::pair<int, int>;  // column, row

// A field map as its source describes it: which tiles can be walked, where tile centres lie and
// the tiles of each place ("場N").
struct MapSource {
  std::vector<std::string> rows;
  std::set<char> walkable;
  double originCol = 0, originRow = 0;
  float tileSize = 320;
  std::map<int, std::set<Tile>> places;

  static MapSource read(const std::string& name) {
    MapSource map;
    std::ifstream in(fs::path(ORVANE_SOURCE_DIR) / "content/maps" / (name + ".txt"));
    std::string line, section;
    bool hasOrigin = false;
    const std::set<std::string> standing = {"tree", "pine",    "woods",    "bush",   "boulder", "well",
                                            "fence", "chest",  "sign",     "lantern", "bell",   "hokora",
                                            "house", "windmill", "shrine", "torii",   "blocked", "water"};
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string first;
      words >> first;
      if (first == "legend" || first == "tiles" || first == "heights") {
        section = first;
        continue;
      }
      if (first == "tile") words >> map.tileSize;
      if (first == "origin") {
        words >> map.originCol >> map.originRow;
        hasOrigin = true;
      }
      if (first.rfind("場", 0) == 0) {
        int col = 0, row = 0, width = 1, depth = 1;
        words >> col >> row;
        if (!(words >> width >> depth)) width = depth = 1;
        for (int c = col; c < col + width; ++c)
          for (int r = row; r < row + depth; ++r) map.places[std::stoi(first.substr(3))].insert({c, r});
        continue;
      }
      if (section == "legend" && first.size() == 1 && first != "#") {
        std::string word;
        bool free = true;
        while (words >> word) free = free && !standing.count(word);
        if (free) map.walkable.insert(first[0]);
      }
      if (section == "tiles" && !line.empty() && line[0] != '#') map.rows.push_back(line);
    }
    if (!hasOrigin && !map.rows.empty()) {
      map.originCol = map.rows[0].size() / 2.0 - 0.5;
      map.originRow = map.rows.size() / 2.0 - 0.5;
    }
    return map;
  }

  bool free(Tile t) const {
    return t.second >= 0 && t.second < static_cast<int>(rows.size()) && t.first >= 0 &&
           t.first < static_cast<int>(rows[t.second].size()) && walkable.count(rows[t.second][t.first]);
  }
  Tile tileAt(const VECTOR& p) const {
    return {static_cast<int>(std::lround(p.x / tileSize + originCol)), static_cast<int>(std::lround(originRow - p.z / tileSize))};
  }
  VECTOR centre(Tile t) const {
    return {static_cast<float>((t.first - originCol) * tileSize), 0, static_cast<float>((originRow - t.second) * tileSize)};
  }

  // The cheapest way from start to any goal tile, keeping off the avoided places and away from
  // whatever stands beside the way.
  std::vector<Tile> path(Tile start, const std::set<Tile>& goals, const std::set<Tile>& avoided) const {
    std::map<Tile, int> cost{{start, 0}};
    std::map<Tile, Tile> from;
    std::priority_queue<std::pair<int, Tile>, std::vector<std::pair<int, Tile>>, std::greater<>> open;
    open.push({0, start});
    const Tile steps[] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    while (!open.empty()) {
      const auto [c, t] = open.top();
      open.pop();
      if (goals.count(t)) {
        std::vector<Tile> way{t};
        for (Tile p = t; p != start; p = from[p]) way.insert(way.begin(), from[p]);
        return way;
      }
      if (c > cost[t]) continue;
      for (const Tile& s : steps) {
        const Tile n{t.first + s.first, t.second + s.second};
        if (!goals.count(n) && (!free(n) || avoided.count(n))) continue;
        int step = 10;
        for (const Tile& s2 : steps)
          if (!free({n.first + s2.first, n.second + s2.second})) step += 25;
        if (!cost.count(n) || c + step < cost[n]) {
          cost[n] = c + step;
          from[n] = t;
          open.push({c + step, n});
        }
      }
    }
    return {};
  }
};

// Where the pilot walks on each map: the goal place and the places it keeps off.
struct Leg {
  int goal;
  std::set<int> avoided;
};
const std::map<std::string, Leg> kLegs = {
    {"kiri", {1, {0, 2, 3}}},         // through the forest to its north exit
    {"yashiro", {2, {0, 1, 3, 4}}},  // up to the hall, where the old wind spirit waits
};

const char* keyName(int key) {
  switch (key) {
    case plat::VK_UP: return "UP";
    case plat::VK_DOWN: return "DOWN";
    case plat::VK_LEFT: return "LEFT";
    case plat::VK_RIGHT: return "RIGHT";
    default: return "SHIFT";
  }
}

float angleBetween(float a, float b) {
  float d = std::fmod(std::fabs(a - b), 6.2831853f);
  return d > 3.1415927f ? 6.2831853f - d : d;
}

class Pilot {
 public:
  // The keys of this frame.
  std::vector<plat::KeyEvent> frame(int n) {
    std::vector<plat::KeyEvent> keys;
    if (n <= scriptEnd_) {
      for (const replay::ScriptedKey& k : script_)
        if (k.frame == n) keys.push_back(k.event);
    } else if (mayWalk()) {
      // A Shift still down would talk instead of walking.
      if (shiftDown_) keys.push_back({plat::VK_SHIFT, false});
      shiftDown_ = false;
      walk(keys);
    } else {
      hold(keys, {});
      way_.clear();
      const int beat = (n - scriptEnd_) % 12;
      if (beat == 0 && !shiftDown_) keys.push_back({plat::VK_SHIFT, true}), shiftDown_ = true;
      if (beat == 3 && shiftDown_) keys.push_back({plat::VK_SHIFT, false}), shiftDown_ = false;
    }
    for (const plat::KeyEvent& k : keys) recorded_ += std::to_string(n) + " " + keyName(k.key) + (k.down ? " down\n" : " up\n");
    return keys;
  }
  bool atTheEnd() const { return gEvent.sceneName == "ending" && !gInputEnabled && messageHasText(); }
  const std::string& keyScript() const { return recorded_; }
  int stuckFrames = 0;

  explicit Pilot(const std::string& start) {
    std::string error;
    EXPECT_TRUE(replay::parseKeyScript(start, script_, error)) << error;
    scriptEnd_ = script_.back().frame;
  }

 private:
  static bool mayWalk() {
    return gScene == FieldScene && gOverlay1 == NoOverlay && gInputEnabled && !messageHasText() &&
           !gEvent.script.active && gEvent.transition == 0 && actorChara(0);
  }

  void walk(std::vector<plat::KeyEvent>& keys) {
    const auto leg = kLegs.find(gField.mapName);
    if (leg == kLegs.end()) return hold(keys, {});
    if (leg->first != mapName_) {
      map_ = MapSource::read(leg->first);
      mapName_ = leg->first;
      way_.clear();
    }
    const VECTOR at = actorChara(0)->position;
    if (stuckFrames % 40 == 39) {
      // Let go of everything for a frame, then find the way again from here.
      ++stuckFrames;
      way_.clear();
      return hold(keys, {});
    }
    if (way_.empty()) {
      std::set<Tile> avoided;
      for (int p : leg->second.avoided) avoided.insert(map_.places[p].begin(), map_.places[p].end());
      way_ = map_.path(map_.tileAt(at), map_.places[leg->second.goal], avoided);
      next_ = 0;
    }
    while (next_ + 1 < way_.size()) {
      const VECTOR c = map_.centre(way_[next_]);
      if (std::hypot(c.x - at.x, c.z - at.z) > 64.0f) break;
      ++next_;
    }
    if (way_.empty()) return hold(keys, {});
    const VECTOR target = map_.centre(way_[next_]);
    const float wanted = heading(target.x, target.z, at.x, at.z);
    // The arrows (one or two) whose walking heading comes closest to the wanted one.
    const int arrows[] = {plat::VK_UP, plat::VK_DOWN, plat::VK_LEFT, plat::VK_RIGHT};
    std::set<int> best;
    float bestAngle = 10;
    for (int a = 0; a < 4; ++a)
      for (int b = a; b < 4; ++b) {
        const std::set<int> pair{arrows[a], arrows[b]};
        auto on = [&](int k) { return pair.count(k) > 0; };
        float h = 0;
        if (!arrowHeading(gCamera.angle, on(plat::VK_UP), on(plat::VK_DOWN), on(plat::VK_LEFT), on(plat::VK_RIGHT), h))
          continue;
        if (angleBetween(h, wanted) < bestAngle - 0.01f) bestAngle = angleBetween(h, wanted), best = pair;
      }
    const float moved = std::hypot(at.x - last_.x, at.z - last_.z);
    stuckFrames = moved < 1.0f ? stuckFrames + 1 : 0;
    last_ = at;
    hold(keys, best);
  }

  void hold(std::vector<plat::KeyEvent>& keys, const std::set<int>& wanted) {
    for (int k : held_)
      if (!wanted.count(k)) keys.push_back({k, false});
    for (int k : wanted)
      if (!held_.count(k)) keys.push_back({k, true});
    held_ = wanted;
  }

  std::vector<replay::ScriptedKey> script_;
  int scriptEnd_ = 0;
  std::string recorded_;
  std::set<int> held_;
  bool shiftDown_ = false;
  std::string mapName_;
  MapSource map_;
  std::vector<Tile> way_;
  size_t next_ = 0;
  VECTOR last_{};
};

class EndingJourney : public JourneyTest {};

TEST_F(EndingJourney, FromBootThroughTheForestAndTheShrineToTheEnding) {
  constexpr int kFrameLimit = 30000;
  int frames = 0, battles = 0;
  std::string keys;
  std::vector<int> levels, levelsAtTheBoss;
  {
    battle_test::DataDir data("ending", {"Mat"});
    std::vector<std::string> messages;
    HeadlessGame game(messages);
    Pilot pilot(std::string(demo_keys::kOpening) + demo_keys::kToTheNorthRoad);
    SlotFunction lastScene = nullptr;
    for (frames = 1; frames <= kFrameLimit && !pilot.atTheEnd(); ++frames) {
      game.frame(pilot.frame(frames));
      if (gScene == BattleScene && lastScene != BattleScene) {
        ++battles;
        if (gGame.formation == 6)  // the old wind spirit
          for (int k = 1; k <= 3; ++k) levelsAtTheBoss.push_back(gCharacters[k].baseAttributes[ATTR_LEVEL]);
      }
      lastScene = gScene;
      ASSERT_TRUE(messages.empty()) << "frame " << frames << ": " << messages.front();
      ASSERT_LT(pilot.stuckFrames, 600) << "stuck on " << gField.mapName << " at " << actorChara(0)->position.x << ", "
                                        << actorChara(0)->position.z;
      // Back in the village after the road north means a lost battle.
      ASSERT_FALSE(gField.mapName == "kazami" && frames > 1000)
          << "the party lost a battle at frame " << frames << " against group " << gGame.formation;
    }
    ASSERT_TRUE(pilot.atTheEnd()) << "no ending after " << kFrameLimit << " frames, on " << gField.mapName;
    --frames;
    for (int k = 1; k <= 3; ++k) levels.push_back(gCharacters[k].baseAttributes[ATTR_LEVEL]);
    keys = pilot.keyScript();
  }
  std::printf("ending reached after %d frames (%.0f s of play), %d battles, levels %d %d %d at the end\n", frames,
              frames * 0.022, battles, levels[0], levels[1], levels[2]);
  // Random battles on the way grow the party from level 3 by two or three levels before the old
  // wind spirit.
  EXPECT_GE(battles, 3);
  ASSERT_EQ(levelsAtTheBoss.size(), 3u);
  for (int level : levelsAtTheBoss) {
    EXPECT_GE(level, 5);
    EXPECT_LE(level, 6);
  }

  // The same keys through orvane-replay, drawn: the same ending at the same frame. The sanitizer
  // build leaves the drawn run out: it is long, and the run above has been through its checks.
  if (kSanitizerBuild) return;
  run(keys, frames + 60, {frames}, {{frames + 60, "ending.png"}});
  const Json end = state(frames);
  EXPECT_EQ(end["field"]["scene"].text(), "ending");
  EXPECT_EQ(end["input_enabled"].integer(), 0);
  EXPECT_NE(end["message"]["text"].text().find("おわり"), std::string::npos) << at(frames);
  for (size_t k = 1; k <= 3; ++k) EXPECT_EQ(end["characters"][k]["level"].integer(), levels[k - 1]);
}

}  // namespace
