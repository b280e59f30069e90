#include "gfx/chara.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "core/data_root.h"
#include "core/error_text.h"
#include "core/graphics.h"
#include "core/message_box.h"
#include "data/scrambled.h"
#include "data/text_scanner.h"
#include "platform/d3dx.h"
#include "platform/system.h"

std::vector<std::unique_ptr<CHARA>> gCharas;

CHARA* charaAt(int index) {
  if (index < 0 || static_cast<size_t>(index) >= gCharas.size()) return nullptr;
  return gCharas[static_cast<size_t>(index)].get();
}

namespace {

constexpr float kDegree = 0.0174532775f;  // 3.14159 / 180

// A float truncated toward zero into an int; values outside the int range are held at its
// ends and NaN gives 0.
int truncToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

void skipRestOfLine(data::TextScanner& in) {
  for (int c = in.getChar(); c >= 0 && c != '\n'; c = in.getChar()) {
  }
}

void readVector(data::TextScanner& in, float values[3]) {
  for (int i = 0; i < 3; ++i) in.scan("%f,", {values[i]});
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

std::optional<std::vector<uint8_t>> readFile(std::string_view path) {
  std::FILE* file = plat::OpenFile(path, "rb");
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[16384];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;  // a directory, or a read error
  return bytes;
}

bool fileExists(const std::string& path) {
  std::FILE* file = plat::OpenFile(path, "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

void showHollinError(std::string_view text, std::optional<int> number = std::nullopt) {
  appendErrorText(text);
  if (number) appendErrorNumber(*number);
  showErrorText();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Configuration file

CharaConfig parseCharaConfig(std::string_view text) {
  CharaConfig config;
  data::TextScanner in(text);
  in.scan("%s\n", {config.modelName});
  in.scan("%f,", {config.scale});
  float height = 0, radius = 0;
  in.scan("%f,", {height});
  in.scan("%f,", {radius});
  config.height = truncToInt(height);
  config.radius = truncToInt(radius);

  // Speeds: each number follows one separator character; ';' ends the list. The end of the
  // file ends it too.
  int number = 0;
  for (int c = in.getChar(); c >= 0 && c != ';'; c = in.getChar()) {
    in.scan("%d", {number});
    if (config.speeds.size() < static_cast<size_t>(kMaxActions))
      config.speeds.push_back(static_cast<uint8_t>(number));
    else
      config.tooManyActions = true;
  }
  skipRestOfLine(in);

  for (size_t i = 0; i < config.speeds.size(); ++i) {
    in.scan("%d,", {number});
    config.loops.push_back(static_cast<uint8_t>(number));
  }
  skipRestOfLine(in);

  float v[3] = {};
  readVector(in, v);
  config.weaponOffset.set(v[0] * config.scale, v[1] * config.scale, v[2] * config.scale);
  float r[3] = {};
  readVector(in, r);
  config.weaponRotation.fromYawPitchRoll(r[0] * kDegree, r[1] * kDegree, r[2] * kDegree);
  float g[3] = {};
  readVector(in, g);
  config.guardOffset.set(g[0] * config.scale, g[1] * config.scale, g[2] * config.scale);
  float gr[3] = {};
  readVector(in, gr);
  config.guardRotation.fromYawPitchRoll(gr[0] * kDegree, gr[1] * kDegree, gr[2] * kDegree);
  return config;
}

// ---------------------------------------------------------------------------------------------
// Life

CHARA::CHARA() {
  reset();
}

CHARA::~CHARA() {
  release();
}

void CHARA::release() {
  weapon_.reset();
  guard_.reset();
  speeds_.clear();
  loops_.clear();
  for (int slot : eyeSlots) setMaterialTexture(slot, nullptr);
  eyeTextures_.clear();
  secondEyeTextures_.clear();
  weaponBoneSlot_ = headBoneSlot_ = guardBoneSlot_ = -1;
  clear();
}

void CHARA::clearExtra() {
  for (uint32_t& entry : queue) entry = 0;
  headTurn = {};
  headTurnStep = {};
  headTurnFrames = 0;
  shaderFlag = 0;
}

void CHARA::Load(std::string_view name) {
  const std::string path = "mdl\\" + std::string(name) + ".ZD";
  std::optional<std::vector<uint8_t>> bytes = readFile(path);
  if (!bytes) {
    release();
    setTextureDir("mdl\\");
    showHollinError(sjis("CHARA->Load::設定fileが開けないのさ:\n") + std::string(name));
    return;
  }
  LoadFromConfig(name, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void CHARA::LoadFromConfig(std::string_view /*name*/, std::string_view fileBytes) {
  release();
  setTextureDir("mdl\\");
  const std::span<const uint8_t> raw(reinterpret_cast<const uint8_t*>(fileBytes.data()), fileBytes.size());
  const CharaConfig config = parseCharaConfig(data::textModeBytes(raw));
  load(gDevice, "mdl\\" + config.modelName + ".zdm", 0, config.scale);
  if (config.tooManyActions) showStandardMessage(sjis("ｱﾘｬ"));
  applyConfig(config);
  loadEyeTextures(config.modelName);

  weaponBoneSlot_ = findBone("wea_b");
  if (weaponBoneSlot_ < 0) showStandardMessage(sjis("wea_b:ｱﾘｬ"));
  guardBoneSlot_ = findBone("gua_b");
  if (guardBoneSlot_ < 0) showStandardMessage(sjis("gua_b:ｱﾘｬ"));
  headBoneSlot_ = findBone("head_b");
  if (headBoneSlot_ < 0) showStandardMessage(sjis("head_b:ｱﾘｬ"));
  setAnm(0);
}

void CHARA::applyConfig(const CharaConfig& config) {
  height = config.height;
  radius = config.radius;
  speeds_ = config.speeds;
  loops_ = config.loops;
  weaponOffset = config.weaponOffset;
  weaponRotation = config.weaponRotation;
  guardOffset = config.guardOffset;
  guardRotation = config.guardRotation;
}

void CHARA::loadEyeTextures(const std::string& modelName) {
  auto eyePath = [&](int n) {
    return std::string(dataRoot()) + "Mdl\\eyes\\" + modelName + "_e" + std::to_string(n) + ".zgr";
  };
  int count = 0;
  while (fileExists(eyePath(count))) ++count;
  eyeTextures_.resize(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n)
    data::loadScrambledTextureWithFormat(eyePath(n), eyeTextures_[static_cast<size_t>(n)], plat::D3DFMT_R5G6B5,
                                         plat::D3DX_FILTER_LINEAR);
  if (count > 0) {
    setMaterialTexture(eyeSlots[0], eyeTextures_[0].get());
    setMaterialTexture(eyeSlots[1], eyeTextures_[0].get());
  }
}

int CHARA::findBone(std::string_view name) const {
  for (int slot = 0; slot < kBoneSlots; ++slot) {
    const BONE* bone = getBone(slot);
    if (bone && bone->name == name) return slot;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Actions

int CHARA::actionSpeed(int action) const {
  return action >= 0 && action < actionCount() ? speeds_[static_cast<size_t>(action)] : 0;
}

int CHARA::actionLoop(int action) const {
  return action >= 0 && action < actionCount() ? loops_[static_cast<size_t>(action)] : 0;
}

int CHARA::setAnm(int action) {
  if (vertexCount() == 0) return 0;
  if (action < 0 || action >= actionCount()) {
    showHollinError("CHARA::setAnm::This action_speed wasn't declared:", action);
    return 0;
  }
  if (!hasAnim(action)) {
    showStandardMessage(sjis("そのフレームは、ないのさ"));
    return 0;
  }
  speed = static_cast<float>(speeds_[static_cast<size_t>(action)]) * 0.1f;
  setAnim(action);
  playFlags = (loops_[static_cast<size_t>(action)] & 1) ? kPlayOn | kPlayPingPong : kPlayOn;
  rewind();
  playDirection = 1;
  return 1;
}

int CHARA::setAnmIfNew(int action) {
  if (action == getAnim()) return 0;
  return setAnm(action);
}

int CHARA::setAnmClear(int action) {
  const int started = setAnm(action);
  for (uint32_t& entry : queue) entry = 0;
  return started;
}

void CHARA::queueAnm(int place, int action) {
  if (place < 0 || place >= kActionQueueSize) return;
  queue[place] = static_cast<uint32_t>(action) | kQueuedAction;
}

void CHARA::playNext() {
  const uint32_t next = queue[0];
  // The last entry keeps its value: the last follow-up repeats until the queue is changed.
  for (int i = 0; i + 1 < kActionQueueSize; ++i) queue[i] = queue[i + 1];
  setAnm(static_cast<int>(next & ~kQueuedAction));
}

void CHARA::deleteAnims(std::string_view prefix) {
  for (int index = 0; index < kAnimSlots; ++index)
    if (hasAnim(index) && startsWithIgnoringCase(getAnimName(index), prefix)) deleteAnim(index);
}

// ---------------------------------------------------------------------------------------------
// Hand-held models and eyes

void CHARA::loadWeapon(int which, std::string_view name) {
  const std::string path = std::string(dataRoot()) + "Wea\\" + std::string(name) + ".ZDX";
  std::unique_ptr<MakeMat>& held = which != 0 ? guard_ : weapon_;
  held = std::make_unique<MakeMat>();
  held->setDirectory("wea\\");
  held->Load(gDevice, path, nullptr, 1.0f, 0);
}

void CHARA::loadWeaponFromMemory(int which, std::span<const uint8_t> file, std::string_view path) {
  std::unique_ptr<MakeMat>& held = which != 0 ? guard_ : weapon_;
  held = std::make_unique<MakeMat>();
  held->setDirectory("wea\\");
  held->LoadFromMemory(gDevice, file, path, 1.0f, 0);
}

plat::Texture* CHARA::eyeTexture(int k) const {
  return k >= 0 && k < eyeTextureCount() ? eyeTextures_[static_cast<size_t>(k)].get() : nullptr;
}

void CHARA::addSecondEyeTexture(std::unique_ptr<plat::Texture> texture) {
  secondEyeTextures_.push_back(std::move(texture));
}

void CHARA::setEyes(int which, int k) {
  if (which == 0 || which == 1) {
    if (k >= 0 && k < eyeTextureCount()) setMaterialTexture(eyeSlots[which], eyeTextures_[static_cast<size_t>(k)].get());
  } else if (which == 2) {
    if (k >= 0 && k < secondEyeTextureCount())
      setMaterialTexture(eyeSlots[2], secondEyeTextures_[static_cast<size_t>(k)].get());
  }
}

// ---------------------------------------------------------------------------------------------
// Head turn and hit tests

void CHARA::lookAt(int self, int target, int frames) {
  BONE* head = headBone();
  if (!head) return;
  float h = 0;
  if (target != self) {
    if (const CHARA* other = charaAt(target))
      h = heading(other->position.x, other->position.z, position.x, position.z) + rotation.y;
  }
  advance(0);
  VECTOR a;
  head->rotation.toAngles(a);
  const float d = std::clamp(reduceAngle(a.y + h), -kHeadTurnLimit, kHeadTurnLimit);
  // A turn over no frames would divide by zero; it has no step.
  const float step = frames != 0 ? (d - a.y - headTurn.y) / static_cast<float>(frames) : 0.0f;
  headTurnStep.set(0, step, 0);
  headTurnFrames = frames;
}

int CHARA::hit(int a, int b) {
  const CHARA* first = charaAt(a);
  const CHARA* second = charaAt(b);
  if (!first || !second || second->alpha == 0 || a == b) return 0;
  const double dx = static_cast<double>(first->position.x) - second->position.x;
  const double dy = static_cast<double>(first->position.y) - second->position.y;
  const double dz = static_cast<double>(first->position.z) - second->position.z;
  const double reach = static_cast<double>(first->radius) + static_cast<double>(second->radius);
  return std::sqrt(dx * dx + dy * dy + dz * dz) < reach ? 1 : 0;
}

int CHARA::hitAny(int a) {
  for (size_t b = 0; b < gCharas.size(); ++b) {
    const CHARA* other = gCharas[b].get();
    if (other && other->present && hit(a, static_cast<int>(b))) return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The frame

MATRIX CHARA::attachmentMatrix(const BONE& bone, const VECTOR& offset, const QUAT& heldRotation) const {
  MATRIX world;
  world.scaling(bone.worldScale);
  QUAT q = heldRotation;
  q.mul(bone.worldRotation);
  MATRIX turn;
  turn.fromQuat(q);
  world.mul(turn);
  VECTOR at = offset;
  at.rotate(bone.worldRotation);
  at.add(bone.worldPosition);
  MATRIX move;
  move.translation(at);
  world.mul(move);
  world.mul(worldMatrix());
  return world;
}

void CHARA::drawHeld(plat::Device* device, MakeMat& model, const BONE& bone, const VECTOR& offset,
                     const QUAT& heldRotation) {
  const MATRIX world = attachmentMatrix(bone, offset, heldRotation);
  device->SetTransform(plat::D3DTS_WORLD, &world);
  model.draw(device);
}

void CHARA::step(int ticks, int visibility) {
  if (alpha == 0) return;

  if (playFlags != 0) {
    const double frames = static_cast<double>(playDirection) * static_cast<double>(speed) * ticks;
    if (advance(truncToInt(frames))) {
      if (queue[0] != 0) {
        playNext();
      } else if (!(playFlags & kPlayHold)) {
        if (playFlags & kPlayPingPong)
          playDirection = -playDirection;
        else
          rewind();
      }
    }
  }
  if (visibility == 0) return;

  // The turn is put on top of the animated pose for this drawing only, so that it never adds
  // up on a head that no animation poses again.
  BONE* head = headBone();
  QUAT animatedHead;
  const bool turned = head && headTurnFrames != 0;
  if (turned) {
    if (headTurnFrames > 1) {
      --headTurnFrames;
      headTurn.add(headTurnStep);
    }
    QUAT q;
    q.fromYawPitchRoll(headTurn.y, headTurn.x, headTurn.z);
    animatedHead = head->rotation;
    head->rotation.mul(q);
  }

  const float opacity = visibility == 1 ? alpha : static_cast<float>(visibility - 2) * alpha * 0.003922f;
  plat::Device* device = gDevice;
  const bool shader = shaderFlag != 0 && device && gPixelShader != 0;
  if (shader) {
    device->SetPixelShader(gPixelShader);
    const float constant[4] = {colour.x, colour.y, colour.z, opacity};
    device->SetPixelShaderConstant(0, constant, 1);
  }
  draw(device, opacity);
  if (device && weapon_) {
    if (const BONE* bone = weaponBone()) drawHeld(device, *weapon_, *bone, weaponOffset, weaponRotation);
    if (guard_)
      if (const BONE* bone = guardBone()) drawHeld(device, *guard_, *bone, guardOffset, guardRotation);
  }
  if (shader) device->SetPixelShader(0);
  if (turned) head->rotation = animatedHead;
}

void resetCharaTable() {
  gCharas.clear();
}
