// Every file of the tree that the game loads with one of its loaders: textures, sounds, music,
// maps, Mat models, "RB Object format" models, characters, skies and the pixel shader. Each is loaded as the game
// loads it; the loader's message boxes are reported at the file, and a texture or piece of music
// that the game would silently leave empty is reported too. The maps' event numbers are kept for
// the scripts' "場N" labels. Last, the files that the program itself loads by name.
#include <algorithm>
#include <filesystem>

#include "audio/sound.h"
#include "battle/sky.h"
#include "core/graphics.h"
#include "data/scrambled.h"
#include "field/field.h"
#include "gfx/chara.h"
#include "gfx/mat_model.h"
#include "gfx/rb_model.h"
#include "platform/audio.h"
#include "platform/device.h"
#include "platform/system.h"
#include "tools/check/checker.h"

namespace check {

namespace fs = std::filesystem;

namespace {

// Every regular file of the tree (the current directory), relative, with '/' separators.
std::vector<std::string> treeFiles() {
  std::vector<std::string> files;
  std::error_code error;
  fs::recursive_directory_iterator it(".", fs::directory_options::follow_directory_symlink, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it.depth() > 8) it.disable_recursion_pending();
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    files.push_back(it->path().lexically_relative(".").generic_string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void checkTexture(Context& context, const std::string& file) {
  TexRecord record;
  data::loadScrambledTexture(file, record);
  context.reportMessages(file, 0);
  if (!record.texture) context.findings.error(file, 0, "the texture cannot be read as a DDS or BMP image");
}

void checkSound(Context& context, const std::string& file) {
  data::loadScrambledSound(file, kFirstOnDemandSoundSlot);
  freeSound(kFirstOnDemandSoundSlot);
  context.reportMessages(file, 0);
}

void checkMusic(Context& context, const std::string& file) {
  const auto bytes = plat::ReadFile(file);
  if (!bytes || !plat::IsPlayableMidi(bytes->data(), bytes->size()))
    context.findings.error(file, 0, "not a Standard MIDI File that can be played: the music stays silent");
}

// A field or battle map: its header, its model and its walk grid; the events of its faces.
void checkMap(Context& context, const std::string& file, const std::string& name) {
  LoadMap(name, true);
  context.reportMessages(file, 0);
  std::set<int>& events = context.mapEvents[lowerCase(name)];
  if (!gField.mapLoaded || gField.map.objects.empty()) return;
  const size_t faces = gField.map.objects[0].polygons.size();
  for (size_t face = 0; face < faces; ++face) {
    const int event = faceAttribute(static_cast<int>(face)).event;
    if (event >= 0) events.insert(event);
  }
}

void checkMatModel(Context& context, const std::string& file, const std::string& directory, const std::string& name) {
  if (directory == "wea") {
    CHARA holder;
    holder.loadWeapon(0, name);
  } else {
    // An object task's model (o4) takes its textures from OTSK\ too; other models from Mat\.
    MakeMat model;
    if (directory == "otsk") model.setDirectory("OTSK\\");
    model.Load(gDevice, file, nullptr, 1.0f, 0);
  }
  context.reportMessages(file, 0);
}

void checkRbModel(Context& context, const std::string& file) {
  OBJMODEL model;
  model.setTextureDir("mdl\\");
  model.load(gDevice, file, 0, 1.0f);
  context.reportMessages(file, 0);
}

void checkCharacter(Context& context, const std::string& file, const std::string& name) {
  CHARA character;
  character.Load(name);
  context.reportMessages(file, 0);
}

void checkPixelShader(Context& context, const std::string& file) {
  const auto bytes = plat::ReadFile(file);
  plat::PixelShaderCode code;
  std::string error;
  if (!bytes || bytes->empty() || !plat::TranslatePixelShader(std::string(bytes->begin(), bytes->end()), &code, &error))
    context.findings.error(file, 0,
                           "the pixel shader cannot be translated (" + error + "): the game shows \"PxSでエラーが！\"");
}

void checkSky(Context& context, const std::string& file, const std::string& name) {
  loadSky(name);
  context.reportMessages(file, 0);
}

// The files the program loads by name, with when it loads them; missing music is silent.
struct FixedFile {
  const char* path;
  const char* when;
};
constexpr FixedFile kFixedFiles[] = {
    {"tex\\cur.au", "at boot"},         {"tex\\dmg.au", "at boot"},         {"tex\\MBoxEdge.au", "at boot"},
    {"se\\cur0.zse", "at boot"},        {"se\\cmd0.zse", "at boot"},        {"se\\enc.zse", "at boot"},
    {"se\\punch0.zse", "at boot"},      {"otsk\\shd.zdx", "at boot"},       {"res\\ps0.zf", "at boot"},
    {"Mat\\SKY\\sb0_0.zgr", "at boot"}, {"Mat\\SKY\\sb0_1.zgr", "at boot"}, {"Mat\\SKY\\sb0_2.zgr", "at boot"},
    {"Mat\\SKY\\sb0_3.zgr", "at boot"}, {"Mat\\SKY\\sb0_4.zgr", "at boot"}, {"ev\\ST_tk0.zd", "at boot"},
    {"SE\\fix0.zse", "in the menu"},    {"wz\\wz0.zd", "in battle"},        {"wz\\NonBtGz.zd", "in battle"},
    {"wz\\GUARD.zd", "in battle"},      {"wz\\CHANGE.zd", "in battle"},     {"wz\\ESCAPE.zd", "in battle"},
    {"wz\\dead0.zd", "in battle"},      {"wz\\win.zd", "in battle"},        {"wz\\win0.zd", "in battle"},
    {"wz\\LACKMP.zd", "in battle"},
};
constexpr FixedFile kFixedMusic[] = {
    {"Zms\\init.zms", "at boot"}, {"Zms\\btl0.zms", "in battle"}, {"Zms\\win.zms", "after a victory"}};

void checkFixedFiles(Context& context) {
  for (const FixedFile& fixed : kFixedFiles)
    if (!findFile(fixed.path))
      context.findings.error(reportPath(fixed.path), 0,
                             std::string("the game loads this file ") + fixed.when + "; it is not in the tree");
  for (const FixedFile& fixed : kFixedMusic)
    if (!findFile(fixed.path))
      context.findings.warning(
          reportPath(fixed.path), 0,
          std::string("the game plays this music ") + fixed.when + "; without the file it is silent");
}

}  // namespace

void checkFiles(Context& context) {
  for (const std::string& file : treeFiles()) {
    const fs::path path(file);
    const std::string extension = lowerCase(path.extension().string());
    const std::string directory = lowerCase(path.parent_path().generic_string());
    const std::string name = path.stem().string();
    if (extension == ".au" || extension == ".zgr")
      checkTexture(context, file);
    else if (extension == ".zse")
      checkSound(context, file);
    else if (extension == ".zms")
      checkMusic(context, file);
    else if (extension == ".mp" && directory == "mat")
      checkMap(context, file, name);
    else if (extension == ".mp" || extension == ".zdx")
      checkMatModel(context, file, directory, name);
    else if (extension == ".zdm")
      checkRbModel(context, file);
    else if (extension == ".zd" && directory == "mdl")
      checkCharacter(context, file, name);
    else if (extension == ".zd" && directory == "mat/sky")
      checkSky(context, file, name);
    else if (extension == ".zf")
      checkPixelShader(context, file);
  }
  resetField();
  resetSky();
  context.discardMessages();
  checkFixedFiles(context);
}

}  // namespace check
