#include "platform/gl_api.h"

#include <SDL.h>

#include <string>

namespace plat::gl {

#define ORVANE_GL_DEFINE(type, name) type name = nullptr;
ORVANE_GL_REQUIRED(ORVANE_GL_DEFINE)
ORVANE_GL_OPTIONAL(ORVANE_GL_DEFINE)
#undef ORVANE_GL_DEFINE

namespace {
// Framebuffer objects under their extension names, for contexts that offer only those.
void* lookUp(const char* name) {
  if (void* p = SDL_GL_GetProcAddress(name)) return p;
  std::string ext = std::string(name) + "EXT";
  return SDL_GL_GetProcAddress(ext.c_str());
}
}  // namespace

bool Load(const char** missing) {
  if (!SDL_GL_GetCurrentContext()) {
    if (missing) *missing = "an OpenGL context";
    return false;
  }
  bool ok = true;
#define ORVANE_GL_LOAD_REQUIRED(type, name)                     \
  name = reinterpret_cast<type>(lookUp("gl" #name));            \
  if (!name && ok) {                                            \
    ok = false;                                                 \
    if (missing) *missing = "gl" #name;                         \
  }
#define ORVANE_GL_LOAD_OPTIONAL(type, name) name = reinterpret_cast<type>(lookUp("gl" #name));
  ORVANE_GL_REQUIRED(ORVANE_GL_LOAD_REQUIRED)
  ORVANE_GL_OPTIONAL(ORVANE_GL_LOAD_OPTIONAL)
#undef ORVANE_GL_LOAD_REQUIRED
#undef ORVANE_GL_LOAD_OPTIONAL
  return ok;
}

}  // namespace plat::gl
