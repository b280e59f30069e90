// The 3D passes that the field and the battle share after the sky: stencil shadows under the
// characters, the characters themselves sorted back to front, the battle's full-screen flash and
// the weapon trail. The characters are those of the character table (gCharas).
#pragma once
#include <cstdint>
#include <vector>

#include "gfx/chara.h"
#include "gfx/mat_model.h"
#include "gfx/math.h"

// What the shadow pass needs of the camera: where it is, the band of headings (radians, low to
// high; it may reach below 0 or past 2 pi) seen from the eye that lies behind the view, and how far
// it sees.
struct ShadowView {
  VECTOR eye;
  float bandLow = 0;
  float bandHigh = 0;
  float drawDistance = 0;
};

// The culling band of a camera at orbit angle a: a - pi/2 ... a + pi/2.
ShadowView shadowViewFor(const VECTOR& eye, float cameraAngle, float drawDistance);

// Visibility of every character of the table, by table number: 0 hidden, 1 visible,
// 2 ... 256 visible close to the camera (distance + 2). Made by the shadow pass.
// The shadow model, "otsk\\shd.zdx", loaded by the boot: the volume every character's stencil
// shadow is made from.
extern MakeMat gShadowModel;

extern std::vector<int> gCharaVisibility;
// Visibility of character i; 0 outside the list.
int charaVisibility(int index);

// Works out every character's visibility, then darkens the ground under each visible character
// (alpha 0.5 or more) by half: the shadow model gShadowModel, scaled by collision radius / 192 at
// the character's position, is drawn as a stencil volume and a half-black quad covers what lies
// inside it.
void drawShadows(const ShadowView& view);

// The characters' animation clock: milliseconds gathered towards the next 16-ms tick.
extern int32_t gAnimationClock;
// Feeds one frame time into the clock: the whole ticks that are due (the clock then starts again
// from 0), or 0 while less than 16 ms have gathered.
int animationClockTicks(int32_t frameTime);

// Advances (by the ticks that gFrameTime makes due) and draws every character of the table with
// an alpha not 0, farthest from the eye first. Blending stays on.
void drawCharacters(const VECTOR& eye);

// The battle's flash: an ARGB colour over the whole screen (0: none), its alpha moved by the step
// every frame.
struct Flash {
  uint32_t colour = 0;
  int32_t onTop = 0;  // drawn after the action scripts and popups instead of after the shadows
  int32_t step = 0;
};
// One frame of the flash: the alpha moves by the step up to 255 at most; a flash whose alpha
// would fall to 0 or below ends (colour and step 0).
void stepFlash(Flash& flash);
// A full-screen quad of the flash colour, without fog; nothing for colour 0.
void drawFlash(const Flash& flash);

// The weapon trail: a ribbon of blade positions behind a character's right hand.
constexpr int kTrailPoints = 4096;  // blade base and tip, in pairs
constexpr float kTrailBase = 90.0f;
constexpr float kTrailTip = 512.0f;
constexpr uint32_t kTrailDefaultColour = 0xD20000D2;

struct WeaponTrail {
  int chara = -1;           // number in the character table
  uint32_t colour = 0;      // ARGB
  VECTOR points[kTrailPoints];
  uint8_t fade[kTrailPoints / 2] = {};  // one per pair
  int count = 0;            // points in use; 0: no trail
  int32_t active = 0;       // new points are added only while set
  MATRIX lastHand;          // the hand transform at the last update
};
extern WeaponTrail gTrail;

// The world transform of a character's right hand (the weapon's placement); the character's own
// placement when it has no hand bone.
MATRIX trailHand(const CHARA& chara);
// Starts a trail behind the right hand of character `chara` of the table in colour k; k = 0 takes
// the weapon model's colour with alpha 0xE8, or 0xD20000D2 without a weapon model. Every point
// starts at the blade's base.
void startTrail(uint32_t colour, int chara, const MakeMat* weapon);
// While the trail is active, also after it has faded out: a pair of points (blade base, blade
// tip) for every 4 ms of gFrameTime, spread between last frame's hand and this frame's. A ring
// that would overflow starts again at 2 points and takes none of that frame's samples.
void updateTrail();
// Draws the trail and fades it; the trail ends when its newest pair has faded away.
void drawTrail();

// Back to the state at start: no shadow model, no visibilities, the animation clock 0, no trail.
void resetScenePasses();
