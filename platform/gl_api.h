// OpenGL entry points beyond OpenGL 1.1, fetched from the context at device creation.
// Only the device files of the platform layer include this header.
#pragma once
#include <SDL_opengl.h>

namespace plat::gl {

// X(type, name): every entry point the device needs; a missing one makes the device unusable.
#define ORVANE_GL_REQUIRED(X)                                              \
  X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                                 \
  X(PFNGLCLIENTACTIVETEXTUREARBPROC, ClientActiveTexture)                  \
  X(PFNGLBLENDEQUATIONPROC, BlendEquation)                                 \
  X(PFNGLDRAWRANGEELEMENTSPROC, DrawRangeElements)                         \
  X(PFNGLSECONDARYCOLORPOINTERPROC, SecondaryColorPointer)                 \
  X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                             \
  X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                       \
  X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                             \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)                   \
  X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)             \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)               \
  X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                           \
  X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)                     \
  X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                           \
  X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage)                     \
  X(PFNGLCREATESHADERPROC, CreateShader)                                   \
  X(PFNGLSHADERSOURCEPROC, ShaderSource)                                   \
  X(PFNGLCOMPILESHADERPROC, CompileShader)                                 \
  X(PFNGLGETSHADERIVPROC, GetShaderiv)                                     \
  X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                           \
  X(PFNGLDELETESHADERPROC, DeleteShader)                                   \
  X(PFNGLCREATEPROGRAMPROC, CreateProgram)                                 \
  X(PFNGLATTACHSHADERPROC, AttachShader)                                   \
  X(PFNGLLINKPROGRAMPROC, LinkProgram)                                     \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                                   \
  X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)                         \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                                 \
  X(PFNGLUSEPROGRAMPROC, UseProgram)                                       \
  X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                       \
  X(PFNGLUNIFORM1IPROC, Uniform1i)                                         \
  X(PFNGLUNIFORM4FVPROC, Uniform4fv)

// Entry points used when present (flat shading takes the first vertex's colour with them).
#define ORVANE_GL_OPTIONAL(X) X(PFNGLPROVOKINGVERTEXPROC, ProvokingVertex)

#define ORVANE_GL_DECLARE(type, name) extern type name;
ORVANE_GL_REQUIRED(ORVANE_GL_DECLARE)
ORVANE_GL_OPTIONAL(ORVANE_GL_DECLARE)
#undef ORVANE_GL_DECLARE

// Fetches the entry points from the current context. Returns false, naming the first missing
// one in *missing, when a required one is absent.
bool Load(const char** missing);

}  // namespace plat::gl
