// CHARA: a character on screen. An OBJMODEL with a list of actions (each an animation slot of
// the model with its playback speed and loop mode), a four-entry action queue, swappable eye
// textures, a head that turns towards another character, and two hand-held Mat models (a weapon
// and a guard) placed at the bones "wea_b" and "gua_b".
//
// A character is described by the text file "mdl\<name>.ZD":
//   test                  the model base name M: the model is "mdl\M.zdm"
//   1.0,                  the model scale s
//   180,40,               height and collision radius (truncated to integers)
//   10,12,8;              action speeds: speed byte b plays b * 0.1 frames per 16-ms tick
//   0,1,0,                loop byte per action: bit 0 plays the action back and forth
//   0,0,0,                weapon offset (multiplied by s)
//   0,0,0,                weapon rotation: yaw, pitch, roll in degrees
//   0,0,0,                guard offset (multiplied by s)
//   0,0,0,                guard rotation: yaw, pitch, roll in degrees
// Eye textures are "Mdl\eyes\M_e0.zgr", "M_e1.zgr", ... under the data root, as many as exist
// counting up from 0.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/mat_model.h"
#include "gfx/math.h"
#include "gfx/rb_model.h"
#include "platform/device.h"

constexpr int kMaxActions = 255;
constexpr int kActionQueueSize = 4;
constexpr uint32_t kQueuedAction = 0x80000000u;  // marks a queue entry as set (action 0 too)
// Play flag bits.
constexpr int kPlayOn = 1;
constexpr int kPlayHold = 2;      // keep the last pose when the action ends
constexpr int kPlayPingPong = 4;  // play back and forth
// How far a head turns to either side: 65 degrees.
constexpr float kHeadTurnLimit = 65.0f * 0.0174532775f;

// What a configuration file holds, read as the game reads it: a conversion that fails leaves
// its value as it was (the defaults below) and reading goes on with the next field.
struct CharaConfig {
  std::string modelName;
  float scale = 1.0f;
  int height = 0;
  int radius = 0;
  std::vector<uint8_t> speeds;  // one per action, at most kMaxActions
  std::vector<uint8_t> loops;   // as many as speeds
  bool tooManyActions = false;  // the speed list went on past kMaxActions entries
  VECTOR weaponOffset;
  QUAT weaponRotation;
  VECTOR guardOffset;
  QUAT guardRotation;
};

// Reads a configuration file from its bytes as a file opened in text mode delivers them.
CharaConfig parseCharaConfig(std::string_view text);

class CHARA : public OBJMODEL {
 public:
  CHARA();
  ~CHARA() override;

  // Frees the hand-held models, the action lists and the eye textures (taking them off the eye
  // materials first), then clears the model. The placement, alpha and the other plain members
  // stay as they are.
  void release();
  // Loads the character "mdl\<name>.ZD" with its model, eye textures and attachment bones, then
  // starts action 0. A missing file leaves the character empty after its message.
  void Load(std::string_view name);
  // The same from the configuration file's bytes (as the file holds them; CR LF is read as a
  // line end).
  void LoadFromConfig(std::string_view name, std::string_view fileBytes);

  // Starts an action from its first frame: its speed, its animation, play flags on (with
  // ping-pong when bit 0 of its loop byte is set), forwards. 1 when it started; 0 (the current
  // action going on) when the model is empty, the action is not declared or its animation
  // slot is empty.
  int setAnm(int action);
  // setAnm unless the action's animation is already the current one (then 0).
  int setAnmIfNew(int action);
  // setAnm, then empties the queue.
  int setAnmClear(int action);
  // Puts an action into queue position 0 to 3 (other positions are ignored).
  void queueAnm(int place, int action);
  // Starts the action of queue entry 0 and moves the later entries up; the last one keeps its
  // value, so a set last entry repeats.
  void playNext();
  // Deletes every animation whose name begins with the prefix, in any letter case.
  void deleteAnims(std::string_view prefix);

  // Loads "Wea\<name>.ZDX" under the data root as the weapon (which = 0) or guard (any other
  // value), replacing the one there was.
  void loadWeapon(int which, std::string_view name);
  // The same from the Mat model's bytes (path names the file in messages).
  void loadWeaponFromMemory(int which, std::span<const uint8_t> file, std::string_view path);

  // Puts eye texture k on the material of eye slot which (0 or 1); which 2 takes texture k of
  // the second set for the third eye slot. A k that names no texture changes nothing.
  void setEyes(int which, int k);
  // Starts turning the head, over the given number of frames, towards character target of the
  // character table (straight ahead when target is self, or is no character), at most 65
  // degrees to either side. Nothing happens for a model without "head_b".
  void lookAt(int self, int target, int frames);
  // Clears what a scene leaves on a character beside its model and placement: the action
  // queue, the head turn and the shader flag.
  void clearExtra();

  // Whether characters a and b of the character table touch: b is shown, a and b differ, and
  // their distance is less than the sum of their collision radii.
  static int hit(int a, int b);
  // Whether character a touches any present character of the table.
  static int hitAny(int a);

  // One frame: advances the action by the ticks that passed (16 ms each) and, unless
  // visibility is 0, turns the head and draws the character with its hand-held models on the
  // game's device. Visibility 1 draws with alpha, v >= 2 with (v - 2) / 255 of it.
  void step(int ticks, int visibility);

  // Loop byte and speed byte of an action; 0 outside the list.
  int actionCount() const { return static_cast<int>(speeds_.size()); }
  int actionSpeed(int action) const;
  int actionLoop(int action) const;

  // The attachment bones; empty when the model has no bone of that name.
  BONE* weaponBone() const { return boneBySlot(weaponBoneSlot_); }
  BONE* guardBone() const { return boneBySlot(guardBoneSlot_); }
  BONE* headBone() const { return boneBySlot(headBoneSlot_); }
  MakeMat* weaponModel() const { return weapon_.get(); }
  MakeMat* guardModel() const { return guard_.get(); }

  int eyeTextureCount() const { return static_cast<int>(eyeTextures_.size()); }
  plat::Texture* eyeTexture(int k) const;
  int secondEyeTextureCount() const { return static_cast<int>(secondEyeTextures_.size()); }
  // Adds a texture to the second eye set (for the third eye slot).
  void addSecondEyeTexture(std::unique_ptr<plat::Texture> texture);

  // The world matrix of a hand-held model at a bone: the bone's world scale, the model's
  // rotation after the bone's, the bone's world position plus the offset turned by the bone,
  // then the character's own placement.
  MATRIX attachmentMatrix(const BONE& bone, const VECTOR& offset, const QUAT& rotation) const;

  float alpha = 0;           // 0: neither animated, drawn nor hit
  int playDirection = 0;     // +1 forwards, -1 backwards
  int playFlags = 0;         // kPlayOn, kPlayHold, kPlayPingPong
  uint32_t queue[kActionQueueSize] = {};  // action | kQueuedAction, 0 = empty
  int radius = 0;            // collision radius
  int height = 0;            // model height; the body centre is at half of it
  float speed = 1.0f;        // frames per tick of the current action
  int present = 1;           // takes part in collision tests
  VECTOR weaponOffset;
  VECTOR guardOffset;
  QUAT weaponRotation;
  QUAT guardRotation;
  VECTOR headTurn;           // head turn angles (pitch x, yaw y, roll z)
  VECTOR headTurnStep;       // added to headTurn while more than one frame is left
  int headTurnFrames = 0;    // 0: no head turn; 1: the turn is held
  int shaderFlag = 0;        // draw through the program's pixel shader

 private:
  BONE* boneBySlot(int slot) const { return slot >= 0 ? getBone(slot) : nullptr; }
  int findBone(std::string_view name) const;
  void loadEyeTextures(const std::string& modelName);
  void applyConfig(const CharaConfig& config);
  void drawHeld(plat::Device* device, MakeMat& model, const BONE& bone, const VECTOR& offset, const QUAT& rotation);

  std::vector<uint8_t> speeds_;
  std::vector<uint8_t> loops_;
  std::unique_ptr<MakeMat> weapon_;
  std::unique_ptr<MakeMat> guard_;
  // Bones are kept by slot and looked up when used, so that a model cleared or loaded again
  // never leaves a character pointing at a bone that is gone.
  int weaponBoneSlot_ = -1;
  int headBoneSlot_ = -1;
  int guardBoneSlot_ = -1;
  std::vector<std::unique_ptr<plat::Texture>> eyeTextures_;
  std::vector<std::unique_ptr<plat::Texture>> secondEyeTextures_;
};

// The character table: the CHARAs of the current scene, numbered from 0 (the actors of the
// field, the fighters of a battle). Its owner fills it; hit tests and head turns find the
// characters there by number.
extern std::vector<std::unique_ptr<CHARA>> gCharas;
// Character i of the table; empty outside the table or for an empty entry.
CHARA* charaAt(int index);

// Empties the character table.
void resetCharaTable();
