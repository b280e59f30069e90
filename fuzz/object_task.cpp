// Runs object-task script text from the input for a few frames in slots 0 and 1, with the
// object-task "o" commands, f46 and "!", a device that draws nothing and eight textures in
// each slot. The input's first 28 bytes are the slots' variables V0 … V6; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/graphics.h"
#include "event/object_task.h"
#include "platform/system.h"
#include "fuzz/fuzz_setup.h"

namespace {

class FakeTexture : public plat::Texture {
 public:
  unsigned GetLevelCount() const override { return 1; }
  plat::D3DSURFACE_DESC GetLevelDesc(unsigned) const override {
    return {plat::D3DFMT_A8R8G8B8, 0, plat::D3DPOOL_MANAGED, 256, 256};
  }
  plat::HRESULT LockRect(unsigned, plat::D3DLOCKED_RECT*, plat::DWORD) override { return plat::D3DERR_INVALIDCALL; }
  plat::HRESULT UnlockRect(unsigned) override { return plat::D3D_OK; }
  plat::Surface* GetSurfaceLevel(unsigned) override { return nullptr; }
};

// The commands of the runner without the rest of the game's "f" table.
const ScriptCommands& commands() {
  static const CommandTable f({objectTaskFunctionCommands()});
  static const CommandTable o({objectTaskCommands()});
  static const ScriptCommands set{&f, &o, nullptr, nullptr, nullptr, endScriptStep};
  return set;
}

void check(const ObjTask& task) {
  const Script& s = task.script;
  if (s.position() < 0 || s.position() > s.length()) std::abort();
  if (task.parts.size() > static_cast<size_t>(kMaxObjectParts)) std::abort();
  for (const int32_t entry : task.sounds)
    if (entry != -1) std::abort();  // nothing can be loaded here
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  useNullDevice();
  int32_t variables[kScriptVariableCount] = {};
  const size_t head = std::min(size, sizeof variables);
  std::memcpy(variables, data, head);
  const std::string_view text(reinterpret_cast<const char*>(data) + head, size - head);

  setUpObjectTasks();
  for (ObjTask& task : gObjectTasks) task.script.commands = &commands();
  for (int slot = 0; slot < 2; ++slot) {
    ObjTask& task = *objectTaskAt(slot);
    task.script.stepBudget = 1024;
    std::memcpy(task.script.v, variables, sizeof variables);
    task.script.setText(text.substr(static_cast<size_t>(slot) * text.size() / 2));
    task.script.active = 1;
    for (TexRecord& record : task.textures) {
      record.texture = std::make_unique<FakeTexture>();
      record.width = record.height = 256;
    }
  }
  for (int frame = 0; frame < 6; ++frame) {
    stepObjectTasks();
    for (const ObjTask& task : gObjectTasks) check(task);
  }
  resetObjectTasks();
  return 0;
}
