// The demo game's battle content: the fighters' actions on the demo figure, the enemies' figures
// and configurations, and the enemy, group and formation files.
//
// Battle actions (animation slot = action number): 0 stand (enemies: "fld_idle"), 1 walk,
// 2 walk slowly, 3 battle stance, 4 weak, 5 down, 6 walk in battle, 7 attack, 8 cast, 9 victory,
// 10 hurt, 11 guard, 12 kneel (played backwards it stands up again), 13 dodge.
#pragma once
#include <string>

#include "content/generator/content.h"
#include "content/generator/rb_writer.h"

namespace content {

constexpr int kBattleActionCount = 14;

// Adds actions 2 … 13 to a figure whose bones are the demo figure's ("r", "waist_b", "head_b",
// "arm_r", "wea_b", "arm_l", "gua_b", "leg_r", "leg_l"; missing ones are left out). A floating
// figure hovers above the ground instead of walking. Slot 1 must hold the walk.
void addBattleAnimations(RbModel& model, bool floating = false);

// The configuration of a figure that fights: model, scale, height and radius, speeds and loop
// modes of the 14 battle actions, the weapon tilted forward.
std::string fighterConfiguration(const std::string& model, const std::string& scale = "1.0", int height = 180,
                                 int radius = 40, int weaponTilt = 70);

// Mdl\<enemy>.ZD, .zdm and their textures, for every enemy of the demo; the party members'
// configurations again with all 14 actions.
void generateEnemyFigures(Context& context);
// Enem\e<n>.zd, Enem\Group.zd and Enem\Form.zd from content/enem.
void generateEnemies(Context& context);

}  // namespace content
