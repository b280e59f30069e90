// OBJMODEL: the skinned, key-frame animated model of the "RB Object format" (".zdm" files and
// the models events load by name). Up to 32 bones in a hierarchy, vertices bound to at most two
// bones, textured triangles and quads in groups, up to 32 materials and up to 128 named
// animations whose tracks are played with Hermite curves (positions, scales) and slerp
// (rotations). Skinning and normals are computed on the CPU on every draw, and every polygon is
// sent to the device by itself.
//
// Files are little-endian binary after a 30-byte text header "RB Object format V%d.%d %s".
// The loader checks every count, index and length against the file and the tables; a file that
// does not hold together is refused as damaged and leaves the model empty.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/math.h"
#include "platform/device.h"

constexpr int kBoneSlots = 32;
constexpr int kMaterialSlots = 32;
constexpr int kAnimSlots = 128;
constexpr int kBoneChildren = 8;
constexpr int kEyeSlots = 3;
constexpr int kNoEyeMaterial = 255;  // an empty eye slot
constexpr size_t kRbHeaderSize = 30;
constexpr size_t kMaxModelPath = 254;  // longest model path the model remembers

struct BONE {
  std::string name;
  VECTOR pivot;                    // bind position in model space
  VECTOR translation;              // animated offset
  VECTOR worldPosition;
  QUAT rotation;                   // animated
  QUAT worldRotation;
  VECTOR scale{1, 1, 1};           // animated
  VECTOR worldScale{1, 1, 1};
  uint32_t userValue = 0;          // stored with the bone in the file; no meaning here
  uint8_t parent = 0;              // 0 = no parent
  uint8_t children[kBoneChildren] = {};  // bone slots, 0 = empty
};

struct KEYFRAME {
  int frame = 0;
  VECTOR position;
  QUAT rotation;
  VECTOR scale{1, 1, 1};
};

// The keys of one bone in one animation, in ascending frame order without two keys on one frame,
// with the playback state: the cursor key, the frame counter and the span from the cursor key to
// the next one (at least 1).
class KEYTRACK {
 public:
  // Overwrites the key at that frame, or inserts a new one in order.
  void insertKey(const KEYFRAME& key);
  // Cursor to the first key, counter 0, then advance(0).
  void rewind();
  // Moves the counter by delta frames and the cursor with it. Returns true when the track has
  // finished: it has at most one key, it ran past its last key, or a backward step took the
  // counter below 0 (the counter is then held at 0).
  bool advance(int delta);
  // The pose at the counter: Hermite curves through the cursor key, the next key and the one
  // after for position and scale, slerp between the cursor key and the next for the rotation.
  // Without keys the identity pose.
  void sample(VECTOR& translation, QUAT& rotation, VECTOR& scale) const;

  const std::vector<KEYFRAME>& keys() const { return keys_; }
  int counter() const { return counter_; }
  void setCounter(int frame) { counter_ = frame; }
  size_t cursor() const { return cursor_; }
  int span() const { return span_; }

 private:
  void computeSpan();
  int frameAt(size_t index) const { return keys_[index].frame; }

  std::vector<KEYFRAME> keys_;
  size_t cursor_ = 0;
  int counter_ = 0;
  int span_ = 1;
};

struct ANIM {
  std::string name;
  std::unique_ptr<KEYTRACK> tracks[kBoneSlots];  // one per bone slot that held a bone
};

struct RbVertex {
  VECTOR position;
  uint8_t bone1 = 0;  // 0 = not skinned
  uint8_t bone2 = 0;  // 0 = bound to bone1 alone
  float weight = 1;   // share of bone1 when bound to two bones
};

struct RbPolygon {
  uint16_t cornerCount = 3;  // 3 or 4
  uint16_t vertex[4] = {};
  uint16_t texCoord[4] = {};
  VECTOR normal;
  uint8_t material = 0;
};

struct RbGroup {
  uint8_t visible = 0;  // 0 = hidden
  std::vector<RbPolygon> polygons;
};

struct RbMaterial {
  std::string textureName;                 // the full name the texture was loaded from, or empty
  std::unique_ptr<plat::Texture> owned;    // the texture the model loaded
  plat::Texture* texture = nullptr;        // what is drawn: the owned texture or one lent by the owner
  uint8_t cullMode = plat::D3DCULL_CCW;    // D3DCULL_NONE or D3DCULL_CCW
};

struct RbTexCoord {
  float u = 0, v = 0;
};

// Where an "RB Object format" texture name leads: the name after its last '\', prefixed with
// the texture directory, its extension (from its last '.') replaced by ".zgr".
std::string rbTextureFileName(std::string_view textureDir, std::string_view fileName);
// Whether a texture file name names an eye material: it ends in "_e0.zgr", in any letter case.
bool isEyeTextureName(std::string_view name);

class OBJMODEL {
 public:
  OBJMODEL() = default;
  OBJMODEL(const OBJMODEL&) = delete;
  OBJMODEL& operator=(const OBJMODEL&) = delete;
  virtual ~OBJMODEL() = default;

  // Releases everything (reset) and forgets the model path.
  void clear();
  // Frees geometry, materials with their textures, bones and animations; eye slots empty,
  // animation 0 current, and a new root bone "r" at (0, 0, 0) in slot 0.
  void reset();
  void setTextureDir(std::string_view directory);

  // Reads an "RB Object format" file; positions are multiplied by modelScale * 100. Returns 1 on
  // success (an "ASCII" file is not read and keeps the model as it was, also 1), 0 when the
  // file cannot be opened ("%sを開けなかったのさ"), the path is longer than 254 characters
  // ("文字列overです") or the file is damaged ("%sは壊れているのさ"; the model is left empty).
  int load(plat::Device* device, std::string_view path, int unused, float modelScale);
  // The same from the file's bytes already in memory (path names the file in messages and is
  // remembered for loadAnims).
  int loadFromMemory(std::span<const uint8_t> file, std::string_view path, float modelScale);
  // Loads the animations named prefix + first, prefix + first + 1, ... up to prefix + last (names
  // compared without regard to case, in file order) from the model's own file into their slots,
  // skipping slots that are already filled.
  void loadAnims(plat::Device* device, std::string_view prefix, int first, int last);
  void loadAnimsFromMemory(std::span<const uint8_t> file, std::string_view prefix, int first, int last);

  // Skins, computes normals and draws with the colour and the given alpha.
  void draw(plat::Device* device, float alpha);
  // Places every bone from the root down, then every vertex from its bones.
  void skin();
  // Face normals of the visible polygons and, from them, the vertex normals.
  void computeNormals();
  // scaling(scale) * rotationXYZ(rotation) * translation(position).
  MATRIX worldMatrix() const;

  BONE* getBone(int slot) const;
  int getAnim() const { return currentAnim_; }
  // Makes the animation current and rewinds its tracks (an empty slot only becomes current).
  // Indices outside 0 to 127 are ignored.
  void setAnim(int index);
  int hasAnim(int index) const;
  // A new animation in that slot (replacing one that is there) with a track for every bone,
  // each holding a key at frame 0 with the bone's present pose.
  void createAnim(int index, std::string_view name);
  void deleteAnim(int index);
  // The animation's name; empty for an empty slot.
  std::string_view getAnimName(int index) const;
  ANIM* anim(int index) const;
  // Keys at that frame with every bone's present pose in the current animation.
  void addPoseKeys(int frame);
  void rewind();
  // Steps every track of the current animation and poses the bones; 1 when every track has
  // finished (also when there are none).
  int advance(int delta);
  int getFrame() const;
  void setFrame(int frame);
  int getAnimLength() const;

  // Geometry and materials, for owners and tests.
  const std::vector<RbVertex>& vertices() const { return vertices_; }
  int vertexCount() const { return static_cast<int>(vertices_.size()); }
  const std::vector<VECTOR>& skinnedPositions() const { return skinned_; }
  const std::vector<VECTOR>& vertexNormals() const { return normals_; }
  const std::vector<RbTexCoord>& texCoords() const { return texCoords_; }
  const std::vector<RbGroup>& groups() const { return groups_; }
  // The material of a slot; an empty material for slots outside 0 to 31.
  const RbMaterial& material(int slot) const;
  // Lends a texture to a material (eye textures of characters); the model does not own it.
  // Slots outside 0 to 31 are ignored.
  void setMaterialTexture(int slot, plat::Texture* texture);
  const std::string& modelPath() const { return modelPath_; }
  const std::string& textureDir() const { return textureDir_; }
  float loadScale() const { return loadScale_; }

  VECTOR colour{1, 1, 1};
  // Material slots of eye materials, kNoEyeMaterial when empty; the loader fills the first two.
  int eyeSlots[kEyeSlots] = {kNoEyeMaterial, kNoEyeMaterial, kNoEyeMaterial};
  VECTOR position;
  VECTOR rotation;  // pitch x, yaw y, roll z
  VECTOR scale{1, 1, 1};

 private:
  friend class RbModelReader;
  void placeBone(int slot, uint32_t& placed);
  // Whether the skinned vertices, under the world transform and the device's view and
  // projection, lie wholly outside the view volume.
  bool outOfView(plat::Device* device, const MATRIX& world) const;
  void loadMaterialTexture(int slot, std::string_view fileName);

  std::string textureDir_;
  std::unique_ptr<BONE> bones_[kBoneSlots];
  std::vector<RbVertex> vertices_;
  std::vector<VECTOR> skinned_;
  std::vector<VECTOR> normals_;
  std::vector<RbTexCoord> texCoords_;
  std::vector<RbGroup> groups_;
  RbMaterial materials_[kMaterialSlots];
  std::unique_ptr<ANIM> anims_[kAnimSlots];
  int currentAnim_ = 0;
  size_t animSectionOffset_ = 0;
  float loadScale_ = 100.0f;
  std::string modelPath_;
};
