#include <cstdio>

#include "app/slot_names.h"
#include "battle/battle_scenes.h"
#include "field/field.h"
#include "field/menu.h"
#include "tools/replay/replay.h"

namespace replay {

void PlayCounts::afterFrame(SlotFunction scene, const std::string& map, long long workMicros) {
  ++frames;
  if (scene != lastScene) {
    if (scene == BattleEntryScene) ++battles;
    if (scene == PartyMenuScene) ++menus;
    lastScene = scene;
  }
  if (map != lastMap) {
    if (!lastMap.empty() && !map.empty()) ++mapChanges;
    if (!map.empty()) lastMap = map;
  }
  if (workMicros > longestWorkMicros) longestWorkMicros = workMicros;
}

void PlayCounts::afterFrame() {
  afterFrame(gFrameScene, gField.mapName, gFrameWorkMicros);
}

namespace {

std::string figures(const std::vector<long long>& samples) {
  const Summary s = summarize(samples);
  char text[96];
  std::snprintf(text, sizeof text, "median %lld, p99 %lld, max %lld", s.median, s.p99, s.max);
  return text;
}

}  // namespace

std::string reportText(const std::vector<FrameTiming>& frames, const std::vector<long long>& floor,
                       long long bootMicros, long peakKilobytes, const PlayCounts& play) {
  std::string out = "frames " + std::to_string(frames.size()) + ", boot " + std::to_string(bootMicros / 1000) +
                    " ms, peak memory " + std::to_string(peakKilobytes / 1024) + " MB\n";
  out += "microseconds per frame: own work (until Present), full cost (until the renderer is done)\n";
  // One block per scene function, in the order the scenes first ran.
  std::vector<SlotFunction> scenes;
  for (const FrameTiming& f : frames) {
    bool known = false;
    for (SlotFunction s : scenes) known = known || s == f.scene;
    if (!known) scenes.push_back(f.scene);
  }
  for (SlotFunction scene : scenes) {
    std::vector<long long> work, full;
    for (const FrameTiming& f : frames) {
      if (f.scene != scene) continue;
      work.push_back(f.workMicros);
      full.push_back(f.fullMicros);
    }
    out += std::string(slotFunctionName(scene)) + " (" + std::to_string(work.size()) + " frames): own work " +
           figures(work) + "; full cost " + figures(full) + "\n";
  }
  if (floor.empty()) {
    out += "floor: not measured (it follows the last frame of --frames)\n";
  } else {
    out += "floor, clear and present only (" + std::to_string(floor.size()) + " frames): full cost " + figures(floor) +
           "\n";
  }
  out += "played: battles " + std::to_string(play.battles) + ", menus " + std::to_string(play.menus) +
         ", map changes " + std::to_string(play.mapChanges) + ", longest frame work " +
         std::to_string(play.longestWorkMicros) + " us\n";
  return out;
}

}  // namespace replay
