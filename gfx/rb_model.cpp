#include "gfx/rb_model.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/message_box.h"
#include "data/scrambled.h"
#include "platform/d3dx.h"
#include "platform/system.h"

namespace {

// Reads little-endian values from the file's bytes. A read past the end fails, gives zeros and
// leaves the reader failed; callers check ok() after every record.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  void fail() { ok_ = false; }
  bool seek(size_t position) {
    if (!ok_ || position > bytes_.size()) return ok_ = false;
    pos_ = position;
    return true;
  }
  bool skip(size_t count) {
    if (!ok_ || count > remaining()) return ok_ = false;
    pos_ += count;
    return true;
  }
  // Whether count records of at least size bytes each can still follow.
  bool canHold(size_t count, size_t size) {
    if (ok_ && count <= remaining() / size) return true;
    return ok_ = false;
  }

  uint8_t u8() {
    const uint8_t* p = take(1);
    return p ? p[0] : 0;
  }
  uint16_t u16() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(p[0] | p[1] << 8) : 0;
  }
  int16_t s16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() {
    const uint8_t* p = take(4);
    return p ? static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
                   static_cast<uint32_t>(p[3]) << 24
             : 0;
  }
  float f32() {
    const uint32_t bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  VECTOR vector(float scale) {
    VECTOR v;
    v.x = f32() * scale;
    v.y = f32() * scale;
    v.z = f32() * scale;
    return v;
  }
  QUAT quat() {
    QUAT q;
    q.x = f32();
    q.y = f32();
    q.z = f32();
    q.w = f32();
    return q;
  }
  // A length byte and that many bytes.
  std::string string() {
    const uint8_t length = u8();
    const uint8_t* p = take(length);
    return p ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
  }

 private:
  const uint8_t* take(size_t count) {
    if (!ok_ || count > remaining()) {
      ok_ = false;
      return nullptr;
    }
    const uint8_t* p = bytes_.data() + pos_;
    pos_ += count;
    return p;
  }

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

constexpr size_t kVertexRecordSize = 18;
constexpr size_t kTexCoordRecordSize = 8;
constexpr size_t kMinGroupRecordSize = 6;     // index, visible flag, empty name, polygon count
constexpr size_t kMinPolygonRecordSize = 15;  // corner count, three corners, material
constexpr size_t kKeyRecordSize = 42;
constexpr size_t kMinTrackRecordSize = 3;

// The mode word of a header "RB Object format V%d.%d %s", or empty when the header does not read
// that far. The caller has checked the leading text.
std::string headerModeWord(const char* header) {
  const char* p = header + std::strlen("RB Object format V");
  auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  auto number = [&]() {
    while (space(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!digit(*p)) return false;
    while (digit(*p)) ++p;
    return true;
  };
  if (!number() || *p != '.') return {};
  ++p;
  if (!number()) return {};
  while (space(*p)) ++p;
  std::string word;
  while (*p != '\0' && !space(*p)) word.push_back(*p++);
  return word;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void showCannotOpen(std::string_view path) {
  showStandardMessage(std::string(path) + sjis("を開けなかったのさ"));
}

void showDamaged(std::string_view path) {
  showStandardMessage(std::string(path) + sjis("は壊れているのさ"));
}

}  // namespace

// Reads the sections of a file into a model that has just been reset.
class RbModelReader {
 public:
  RbModelReader(OBJMODEL& model, ByteReader& in, float scale) : model_(model), in_(in), scale_(scale) {}

  bool readBones(int& boneCount);
  bool readVertices();
  bool readTexCoords();
  bool readGroups();
  bool readMaterials(std::vector<std::pair<int, std::string>>& textures);
  bool readAnims(int boneCount);
  // One animation record's tracks into the animation of that slot.
  bool readTracks(ANIM& anim, int boneCount);
  // Steps over one animation record's tracks.
  bool skipTracks(int boneCount);

 private:
  bool boneOrNone(int slot) const { return slot == 0 || (slot < kBoneSlots && model_.bones_[slot]); }

  OBJMODEL& model_;
  ByteReader& in_;
  float scale_;
};

bool RbModelReader::readBones(int& boneCount) {
  boneCount = in_.u8();
  in_.u8();  // not used
  for (int i = 0; i < boneCount; ++i) {
    const uint8_t slot = in_.u8();
    std::string name = in_.string();
    const VECTOR pivot = in_.vector(scale_);
    const uint32_t userValue = in_.u32();
    const uint8_t parent = in_.u8();
    const uint8_t childCount = in_.u8();
    uint8_t children[kBoneChildren] = {};
    for (int c = 0; c < childCount && in_.ok(); ++c) {
      const uint8_t place = in_.u8();
      const uint8_t child = in_.u8();
      if (place >= kBoneChildren || child >= kBoneSlots) return false;
      children[place] = child;
    }
    if (!in_.ok() || slot >= kBoneSlots || parent >= kBoneSlots) return false;
    // The first record describes the root, which reset has made; the others bring new bones.
    std::unique_ptr<BONE>& bone = model_.bones_[slot];
    if (i > 0 || !bone) bone = std::make_unique<BONE>();
    bone->name = std::move(name);
    bone->pivot = pivot;
    bone->worldPosition = pivot;
    bone->userValue = userValue;
    bone->parent = parent;
    std::memcpy(bone->children, children, sizeof children);
  }
  if (!in_.ok()) return false;
  // Every parent and child named must be there: the hierarchy and the skinning follow them.
  for (const std::unique_ptr<BONE>& bone : model_.bones_) {
    if (!bone) continue;
    if (!boneOrNone(bone->parent)) return false;
    for (uint8_t child : bone->children)
      if (!boneOrNone(child)) return false;
  }
  return true;
}

bool RbModelReader::readVertices() {
  const uint16_t count = in_.u16();
  if (!in_.canHold(count, kVertexRecordSize)) return false;
  model_.vertices_.resize(count);
  for (RbVertex& vertex : model_.vertices_) {
    vertex.position = in_.vector(scale_);
    vertex.bone1 = in_.u8();
    vertex.bone2 = in_.u8();
    vertex.weight = in_.f32();
    if (vertex.bone1 != 0 && (!boneOrNone(vertex.bone1) || !boneOrNone(vertex.bone2))) return false;
  }
  return in_.ok();
}

bool RbModelReader::readTexCoords() {
  const uint16_t count = in_.u16();
  if (!in_.canHold(count, kTexCoordRecordSize)) return false;
  model_.texCoords_.resize(count);
  for (RbTexCoord& uv : model_.texCoords_) {
    uv.u = in_.f32();
    uv.v = in_.f32();
  }
  return in_.ok();
}

bool RbModelReader::readGroups() {
  const uint16_t count = in_.u16();
  if (!in_.canHold(count, kMinGroupRecordSize)) return false;
  model_.groups_.resize(count);
  const size_t vertexCount = model_.vertices_.size();
  const size_t texCoordCount = model_.texCoords_.size();
  for (int g = 0; g < count; ++g) {
    const uint16_t index = in_.u16();
    const uint8_t visible = in_.u8();
    in_.string();  // the group's name is not used
    const uint16_t polygonCount = in_.u16();
    if (index >= count || !in_.canHold(polygonCount, kMinPolygonRecordSize)) return false;
    RbGroup& group = model_.groups_[index];
    group.visible = visible;
    group.polygons.assign(polygonCount, RbPolygon{});
    for (RbPolygon& polygon : group.polygons) {
      polygon.cornerCount = in_.u16();
      if (polygon.cornerCount < 3 || polygon.cornerCount > 4) return false;
      for (int c = 0; c < polygon.cornerCount; ++c) {
        polygon.vertex[c] = in_.u16();
        polygon.texCoord[c] = in_.u16();
        if (polygon.vertex[c] >= vertexCount || polygon.texCoord[c] >= texCoordCount) return false;
      }
      polygon.material = in_.u8();
      if (!in_.ok() || polygon.material >= kMaterialSlots) return false;
    }
  }
  return in_.ok();
}

bool RbModelReader::readMaterials(std::vector<std::pair<int, std::string>>& textures) {
  const uint8_t count = in_.u8();
  if (count > kMaterialSlots) return false;
  for (int m = 0; m < count; ++m) {
    const uint8_t cull = in_.u8();
    in_.u8();  // two bytes not used
    in_.u8();
    const uint8_t hasTexture = in_.u8();
    model_.materials_[m].cullMode = cull != 0 ? plat::D3DCULL_CCW : plat::D3DCULL_NONE;
    if (hasTexture != 0) textures.emplace_back(m, in_.string());
    if (!in_.ok()) return false;
  }
  return true;
}

bool RbModelReader::readTracks(ANIM& anim, int boneCount) {
  for (int t = 0; t < boneCount; ++t) {
    const uint8_t slot = in_.u8();
    const int16_t keyCount = in_.s16();
    if (!in_.ok() || slot >= kBoneSlots || !anim.tracks[slot]) return false;
    if (keyCount <= 0) continue;
    if (!in_.canHold(static_cast<size_t>(keyCount), kKeyRecordSize)) return false;
    KEYTRACK& track = *anim.tracks[slot];
    for (int k = 0; k < keyCount; ++k) {
      KEYFRAME key;
      key.frame = in_.s16();
      key.position = in_.vector(scale_);
      key.rotation = in_.quat();
      key.scale = in_.vector(1.0f);
      track.insertKey(key);
    }
  }
  return in_.ok();
}

bool RbModelReader::skipTracks(int boneCount) {
  for (int t = 0; t < boneCount; ++t) {
    in_.u8();
    const int16_t keyCount = in_.s16();
    if (keyCount > 0) in_.skip(static_cast<size_t>(keyCount) * kKeyRecordSize);
    if (!in_.ok()) return false;
  }
  return true;
}

bool RbModelReader::readAnims(int boneCount) {
  model_.animSectionOffset_ = in_.position();
  const uint8_t count = in_.u8();
  for (int a = 0; a < count; ++a) {
    const uint8_t slot = in_.u8();
    const std::string name = in_.string();
    if (!in_.ok() || slot >= kAnimSlots || !in_.canHold(boneCount, kMinTrackRecordSize)) return false;
    model_.createAnim(slot, name);
    if (!readTracks(*model_.anims_[slot], boneCount)) return false;
  }
  return in_.ok();
}

// ---------------------------------------------------------------------------------------------
// Texture names

std::string rbTextureFileName(std::string_view textureDir, std::string_view fileName) {
  const size_t slash = fileName.rfind('\\');
  std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot != std::string_view::npos) base = base.substr(0, dot);
  std::string name(textureDir);
  name += base;
  name += ".zgr";
  return name;
}

bool isEyeTextureName(std::string_view name) {
  constexpr std::string_view kEyeEnding = "_e0.zgr";
  return name.size() >= kEyeEnding.size() && equalsIgnoringCase(name.substr(name.size() - kEyeEnding.size()), kEyeEnding);
}

// ---------------------------------------------------------------------------------------------
// KEYTRACK

void KEYTRACK::insertKey(const KEYFRAME& key) {
  auto at = std::lower_bound(keys_.begin(), keys_.end(), key.frame,
                             [](const KEYFRAME& k, int frame) { return k.frame < frame; });
  if (at != keys_.end() && at->frame == key.frame)
    *at = key;
  else
    keys_.insert(at, key);
  if (cursor_ >= keys_.size()) cursor_ = 0;
  computeSpan();
}

void KEYTRACK::computeSpan() {
  if (keys_.empty()) {
    span_ = 1;
    return;
  }
  const size_t next = cursor_ + 1 < keys_.size() ? cursor_ + 1 : cursor_;
  span_ = frameAt(next) - frameAt(cursor_);
  if (span_ == 0) span_ = 1;
}

void KEYTRACK::rewind() {
  cursor_ = 0;
  counter_ = 0;
  span_ = 1;
  advance(0);
}

bool KEYTRACK::advance(int delta) {
  if (keys_.size() <= 1) {
    span_ = 1;
    return true;
  }
  // The counter saturates instead of wrapping when a held animation is advanced for ever.
  counter_ = static_cast<int>(std::clamp<long long>(static_cast<long long>(counter_) + delta, INT_MIN, INT_MAX));
  bool ranOut = false;
  if (delta >= 0) {
    while (static_cast<long long>(counter_) >= static_cast<long long>(frameAt(cursor_)) + span_) {
      if (cursor_ + 1 >= keys_.size()) {
        ranOut = true;
        break;
      }
      ++cursor_;
      computeSpan();
    }
  } else if (counter_ < frameAt(cursor_) && cursor_ > 0) {
    --cursor_;
  }
  computeSpan();
  if (counter_ < 0) {
    counter_ = 0;
    return true;
  }
  return ranOut;
}

void KEYTRACK::sample(VECTOR& translation, QUAT& rotation, VECTOR& scale) const {
  if (keys_.empty()) {
    translation.set(0, 0, 0);
    rotation.set(0, 0, 0, 1);
    scale.set(1, 1, 1);
    return;
  }
  const size_t i0 = std::min(cursor_, keys_.size() - 1);
  const size_t i1 = i0 + 1 < keys_.size() ? i0 + 1 : i0;
  const size_t i2 = i1 + 1 < keys_.size() ? i1 + 1 : i1;
  const KEYFRAME& k0 = keys_[i0];
  const KEYFRAME& k1 = keys_[i1];
  const KEYFRAME& k2 = keys_[i2];
  float t = static_cast<float>(static_cast<long long>(counter_) - k0.frame) / static_cast<float>(span_);
  if (t < 0) t = 0;

  VECTOR t0 = k1.position, t1 = k2.position;
  t0.sub(k0.position);
  t1.sub(k1.position);
  hermite(translation, k0.position, k1.position, t0, t1, t);
  VECTOR s0 = k1.scale, s1 = k2.scale;
  s0.sub(k0.scale);
  s1.sub(k1.scale);
  hermite(scale, k0.scale, k1.scale, s0, s1, t);
  slerp(rotation, k0.rotation, k1.rotation, t);
  rotation.normalize();
}

// ---------------------------------------------------------------------------------------------
// OBJMODEL: tables

void OBJMODEL::clear() {
  reset();
  modelPath_.clear();
}

void OBJMODEL::reset() {
  for (std::unique_ptr<BONE>& bone : bones_) bone.reset();
  vertices_.clear();
  skinned_.clear();
  normals_.clear();
  texCoords_.clear();
  groups_.clear();
  for (RbMaterial& material : materials_) material = RbMaterial{};
  for (std::unique_ptr<ANIM>& anim : anims_) anim.reset();
  currentAnim_ = 0;
  for (int& slot : eyeSlots) slot = kNoEyeMaterial;
  bones_[0] = std::make_unique<BONE>();
  bones_[0]->name = "r";
}

void OBJMODEL::setTextureDir(std::string_view directory) {
  textureDir_.assign(directory.substr(0, std::min<size_t>(directory.find('\0'), 255)));
}

BONE* OBJMODEL::getBone(int slot) const {
  return slot >= 0 && slot < kBoneSlots ? bones_[slot].get() : nullptr;
}

ANIM* OBJMODEL::anim(int index) const {
  return index >= 0 && index < kAnimSlots ? anims_[index].get() : nullptr;
}

const RbMaterial& OBJMODEL::material(int slot) const {
  static const RbMaterial kNone;
  return slot >= 0 && slot < kMaterialSlots ? materials_[slot] : kNone;
}

void OBJMODEL::setMaterialTexture(int slot, plat::Texture* texture) {
  if (slot >= 0 && slot < kMaterialSlots) materials_[slot].texture = texture;
}

// ---------------------------------------------------------------------------------------------
// OBJMODEL: loading

int OBJMODEL::load(plat::Device* /*device*/, std::string_view path, int /*unused*/, float modelScale) {
  const std::optional<std::vector<uint8_t>> file = plat::ReadFile(path);
  if (!file) {
    showCannotOpen(path);
    return 0;
  }
  return loadFromMemory(*file, path, modelScale);
}

int OBJMODEL::loadFromMemory(std::span<const uint8_t> file, std::string_view path, float modelScale) {
  if (path.size() > kMaxModelPath) {
    showStandardMessage(sjis("文字列overです"));
    return 0;
  }
  modelPath_.assign(path);

  ByteReader in(file);
  char header[kRbHeaderSize + 1] = {};
  constexpr std::string_view kSignature = "RB Object format V";
  bool parsed = in.canHold(1, kRbHeaderSize);
  if (parsed) {
    std::memcpy(header, file.data(), kRbHeaderSize);
    in.skip(kRbHeaderSize);
    parsed = std::string_view(header, kSignature.size()) == kSignature;
  }
  if (parsed && headerModeWord(header) == "ASCII") {
    showStandardMessage(sjis("ASCIIか?"));
  } else {
    reset();
    loadScale_ = modelScale * 100.0f;
    RbModelReader reader(*this, in, loadScale_);
    std::vector<std::pair<int, std::string>> textures;
    int boneCount = 0;
    parsed = parsed && reader.readBones(boneCount) && reader.readVertices() && reader.readTexCoords() &&
             reader.readGroups() && reader.readMaterials(textures) && reader.readAnims(boneCount);
    if (!parsed) {
      reset();
      showDamaged(path);
      return 0;
    }
    for (const auto& [slot, name] : textures) loadMaterialTexture(slot, name);
  }
  skinned_.assign(vertices_.size(), VECTOR{});
  normals_.assign(vertices_.size(), VECTOR{});
  skin();
  computeNormals();
  return 1;
}

void OBJMODEL::loadMaterialTexture(int slot, std::string_view fileName) {
  RbMaterial& material = materials_[slot];
  if (!material.textureName.empty()) return;
  const std::string name = rbTextureFileName(textureDir_, fileName);
  if (isEyeTextureName(name)) {
    // Eye materials get their textures from the character.
    if (eyeSlots[0] == kNoEyeMaterial)
      eyeSlots[0] = slot;
    else
      eyeSlots[1] = slot;
    return;
  }
  data::loadScrambledTextureWithFormat(name, material.owned, plat::D3DFMT_R5G6B5, plat::D3DX_FILTER_LINEAR);
  material.texture = material.owned.get();
  if (material.owned) material.textureName = name;
}

void OBJMODEL::loadAnims(plat::Device* /*device*/, std::string_view prefix, int first, int last) {
  const std::optional<std::vector<uint8_t>> file = plat::ReadFile(modelPath_);
  if (!file) {
    showCannotOpen(modelPath_);
    return;
  }
  loadAnimsFromMemory(*file, prefix, first, last);
}

void OBJMODEL::loadAnimsFromMemory(std::span<const uint8_t> file, std::string_view prefix, int first, int last) {
  ByteReader in(file);
  in.skip(kRbHeaderSize);
  const int boneCount = in.u8();
  in.seek(animSectionOffset_);
  const int count = in.u8();
  RbModelReader reader(*this, in, loadScale_);
  long long wanted = first;
  for (int a = 0; a < count && in.ok() && wanted <= last; ++a) {
    const uint8_t slot = in.u8();
    const std::string name = in.string();
    if (!in.ok() || slot >= kAnimSlots) {
      in.fail();
      break;
    }
    const std::string wantedName = std::string(prefix) + std::to_string(wanted);
    if (anims_[slot] || !equalsIgnoringCase(name, wantedName)) {
      if (!reader.skipTracks(boneCount)) break;
      continue;
    }
    createAnim(slot, name);
    if (!reader.readTracks(*anims_[slot], boneCount)) {
      deleteAnim(slot);  // never keep half an animation
      break;
    }
    ++wanted;
  }
  if (!in.ok()) showDamaged(modelPath_);
}

// ---------------------------------------------------------------------------------------------
// OBJMODEL: animations

void OBJMODEL::setAnim(int index) {
  if (index < 0 || index >= kAnimSlots) return;
  currentAnim_ = index;
  if (!anims_[index]) return;
  for (const std::unique_ptr<KEYTRACK>& track : anims_[index]->tracks)
    if (track) track->rewind();
}

int OBJMODEL::hasAnim(int index) const {
  return anim(index) != nullptr ? 1 : 0;
}

void OBJMODEL::createAnim(int index, std::string_view name) {
  if (index < 0 || index >= kAnimSlots) return;
  anims_[index] = std::make_unique<ANIM>();
  anims_[index]->name.assign(name);
  for (int slot = 0; slot < kBoneSlots; ++slot)
    if (bones_[slot]) anims_[index]->tracks[slot] = std::make_unique<KEYTRACK>();
  const int remembered = currentAnim_;
  setAnim(index);
  addPoseKeys(0);
  setAnim(remembered);
}

void OBJMODEL::deleteAnim(int index) {
  if (index >= 0 && index < kAnimSlots) anims_[index].reset();
}

std::string_view OBJMODEL::getAnimName(int index) const {
  const ANIM* a = anim(index);
  return a ? std::string_view(a->name) : std::string_view();
}

void OBJMODEL::addPoseKeys(int frame) {
  ANIM* current = anim(currentAnim_);
  if (!current) return;
  for (int slot = 0; slot < kBoneSlots; ++slot) {
    const BONE* bone = bones_[slot].get();
    if (!bone) continue;
    if (!current->tracks[slot]) current->tracks[slot] = std::make_unique<KEYTRACK>();
    current->tracks[slot]->insertKey(KEYFRAME{frame, bone->translation, bone->rotation, bone->scale});
  }
}

void OBJMODEL::rewind() {
  if (ANIM* current = anim(currentAnim_))
    for (const std::unique_ptr<KEYTRACK>& track : current->tracks)
      if (track) track->rewind();
  advance(0);
}

int OBJMODEL::advance(int delta) {
  ANIM* current = anim(currentAnim_);
  if (!current) return 1;
  bool allFinished = true;
  for (int slot = 0; slot < kBoneSlots; ++slot) {
    BONE* bone = bones_[slot].get();
    KEYTRACK* track = current->tracks[slot].get();
    if (!bone || !track) continue;
    if (!track->advance(delta)) allFinished = false;
    track->sample(bone->translation, bone->rotation, bone->scale);
  }
  return allFinished ? 1 : 0;
}

int OBJMODEL::getFrame() const {
  const ANIM* current = anim(currentAnim_);
  if (!current) return -1;
  for (const std::unique_ptr<KEYTRACK>& track : current->tracks)
    if (track) return track->counter();
  return -1;
}

void OBJMODEL::setFrame(int frame) {
  if (ANIM* current = anim(currentAnim_))
    for (const std::unique_ptr<KEYTRACK>& track : current->tracks)
      if (track) track->setCounter(frame);
}

int OBJMODEL::getAnimLength() const {
  const ANIM* current = anim(currentAnim_);
  if (!current) return -1;
  for (const std::unique_ptr<KEYTRACK>& track : current->tracks)
    if (track) return track->keys().empty() ? -1 : track->keys().back().frame;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// OBJMODEL: skinning, normals, drawing

void OBJMODEL::placeBone(int slot, uint32_t& placed) {
  BONE& bone = *bones_[slot];
  placed |= 1u << slot;
  const BONE* parent = bone.parent != 0 ? bones_[bone.parent].get() : nullptr;
  if (!parent) {
    bone.worldPosition = bone.pivot;
    bone.worldPosition.add(bone.translation);
    bone.worldRotation = bone.rotation;
    bone.worldScale = bone.scale;
  } else {
    VECTOR v = bone.pivot;
    v.sub(parent->pivot);
    v.add(bone.translation);
    v.scale3(parent->worldScale.x, parent->worldScale.y, parent->worldScale.z);
    v.rotate(parent->worldRotation);
    v.add(parent->worldPosition);
    bone.worldPosition = v;
    bone.worldScale = bone.scale;
    bone.worldScale.scale3(parent->worldScale.x, parent->worldScale.y, parent->worldScale.z);
    bone.worldRotation = bone.rotation;
    bone.worldRotation.mul(parent->worldRotation);
  }
  // Each bone is placed once a pass, so a child list that loops back cannot recurse for ever.
  for (uint8_t child : bone.children)
    if (child != 0 && child < kBoneSlots && bones_[child] && !(placed & 1u << child)) placeBone(child, placed);
}

namespace {

VECTOR skinnedBy(const BONE& bone, const VECTOR& x) {
  VECTOR r = x;
  r.sub(bone.pivot);
  r.scale3(bone.worldScale.x, bone.worldScale.y, bone.worldScale.z);
  r.rotate(bone.worldRotation);
  r.add(bone.worldPosition);
  return r;
}

}  // namespace

void OBJMODEL::skin() {
  uint32_t placed = 0;
  if (bones_[0]) placeBone(0, placed);
  skinned_.resize(vertices_.size());
  for (size_t i = 0; i < vertices_.size(); ++i) {
    const RbVertex& vertex = vertices_[i];
    const BONE* first = bones_[vertex.bone1 % kBoneSlots].get();
    if (vertex.bone1 == 0 || !first) {
      skinned_[i] = vertex.position;
      continue;
    }
    const VECTOR r1 = skinnedBy(*first, vertex.position);
    const BONE* second = bones_[vertex.bone2 % kBoneSlots].get();
    if (vertex.bone2 == 0 || !second) {
      skinned_[i] = r1;
      continue;
    }
    VECTOR r = r1;
    VECTOR towards = skinnedBy(*second, vertex.position);
    towards.sub(r1);
    towards.scale(1.0f - vertex.weight);
    r.add(towards);
    skinned_[i] = r;
  }
}

void OBJMODEL::computeNormals() {
  normals_.assign(vertices_.size(), VECTOR{});
  if (skinned_.size() != vertices_.size()) return;
  for (RbGroup& group : groups_) {
    if (group.visible == 0) continue;
    for (RbPolygon& polygon : group.polygons) {
      const VECTOR& s0 = skinned_[polygon.vertex[0]];
      VECTOR e1 = skinned_[polygon.vertex[1]];
      VECTOR e2 = skinned_[polygon.vertex[2]];
      e1.sub(s0);
      e2.sub(s0);
      cross(polygon.normal, e1, e2);
      polygon.normal.normalize();
      for (int c = 0; c < polygon.cornerCount; ++c) normals_[polygon.vertex[c]].add(polygon.normal);
    }
  }
  for (VECTOR& normal : normals_) normal.normalize();
}

MATRIX OBJMODEL::worldMatrix() const {
  MATRIX world, rotate, translate;
  world.scaling(scale);
  rotate.rotationXYZ(rotation);
  translate.translation(position);
  world.mul(rotate);
  world.mul(translate);
  return world;
}

bool OBJMODEL::outOfView(plat::Device* device, const MATRIX& world) const {
  if (skinned_.empty()) return false;
  VECTOR low = skinned_[0], high = skinned_[0];
  for (const VECTOR& v : skinned_) {
    low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
    high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
  }
  const VECTOR centre{(low.x + high.x) * 0.5f, (low.y + high.y) * 0.5f, (low.z + high.z) * 0.5f};
  VECTOR halfDiagonal = high;
  halfDiagonal.sub(centre);
  // The test runs in the model's own space (the planes taken through the world transform), so
  // that any scale or rotation of the model keeps the box's sphere round.
  MATRIX view, projection, worldView, all;
  device->GetTransform(plat::D3DTS_VIEW, &view);
  device->GetTransform(plat::D3DTS_PROJECTION, &projection);
  matrixMultiply(worldView, world, view);
  matrixMultiply(all, worldView, projection);
  return ViewVolume(all).excludes(centre, halfDiagonal.length());
}

void OBJMODEL::draw(plat::Device* device, float alpha) {
  skin();
  computeNormals();
  if (!device) return;
  const MATRIX world = worldMatrix();
  // A model wholly outside the view gives no pixel: the renderer is spared its vertices.
  if (outOfView(device, world)) return;
  device->SetTransform(plat::D3DTS_WORLD, &world);
  plat::D3DMATERIAL8 material{};
  material.Diffuse = {colour.x, colour.y, colour.z, alpha};
  material.Ambient = material.Diffuse;
  device->SetMaterial(&material);
  device->SetVertexShader(plat::D3DFVF_XYZ | plat::D3DFVF_NORMAL | plat::D3DFVF_TEX1);

  struct Corner {
    float x, y, z, nx, ny, nz, u, v;
  };
  static_assert(sizeof(Corner) == 32);
  // Consecutive polygons of one material go to the device as one triangle list, in their order;
  // a quad is its two triangles 0-1-2 and 2-3-0.
  static std::vector<Corner> batch;
  batch.clear();
  auto flush = [&] {
    if (!batch.empty())
      device->DrawPrimitiveUP(plat::D3DPT_TRIANGLELIST, static_cast<unsigned>(batch.size() / 3), batch.data(),
                              sizeof(Corner));
    batch.clear();
  };
  static constexpr int kQuadCorners[6] = {0, 1, 2, 2, 3, 0};
  int currentMaterial = 255;
  for (const RbGroup& group : groups_) {
    if (group.visible == 0) continue;
    for (const RbPolygon& polygon : group.polygons) {
      if (polygon.material != currentMaterial) {
        flush();
        currentMaterial = polygon.material;
        const RbMaterial& m = materials_[currentMaterial];
        device->SetTexture(0, m.texture);
        device->SetRenderState(plat::D3DRS_CULLMODE, m.cullMode);
      }
      const int count = polygon.cornerCount == 4 ? 6 : 3;
      for (int k = 0; k < count; ++k) {
        const int c = kQuadCorners[k];
        const VECTOR& p = skinned_[polygon.vertex[c]];
        const VECTOR& n = normals_[polygon.vertex[c]];
        const RbTexCoord& uv = texCoords_[polygon.texCoord[c]];
        batch.push_back({p.x, p.y, p.z, n.x, n.y, n.z, uv.u, uv.v});
      }
    }
  }
  flush();
}
