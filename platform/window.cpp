#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <deque>

namespace plat {

namespace {

SDL_Window* gWindow = nullptr;
SDL_GLContext gContext = nullptr;
std::deque<Message> gQueue;
bool gKeyDown[256] = {};
KeySource gKeySource;
int gKeySourceFrame = 0;  // last frame whose scripted keys were delivered
int gPresented = 0;
std::function<void(int)> gFrameHook;
bool gWaitForRenderer = false;

int virtualKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: return VK_LSHIFT;
    case SDLK_RSHIFT: return VK_RSHIFT;
    case SDLK_LCTRL: return VK_LCONTROL;
    case SDLK_RCTRL: return VK_RCONTROL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_F12: return VK_F12;
    default: return 0;
  }
}

// The key a message names: a side key of a pair is reported as the pair, as key messages do.
int messageKeyOf(int key) {
  if (key == VK_LSHIFT || key == VK_RSHIFT) return VK_SHIFT;
  if (key == VK_LCONTROL || key == VK_RCONTROL) return VK_CONTROL;
  return key;
}

void keyEvent(KeyEvent e) {
  if (e.key <= 0 || e.key > 255) return;
  gKeyDown[e.key] = e.down;
  if (e.down) gQueue.push_back({MessageKind::KeyDown, messageKeyOf(e.key)});
}

// A key, or for the pairs either of its side keys (or the pair itself, as scripted input names
// it), is down.
bool keyIsDown(int key) {
  if (key == VK_SHIFT) return gKeyDown[VK_SHIFT] || gKeyDown[VK_LSHIFT] || gKeyDown[VK_RSHIFT];
  if (key == VK_CONTROL) return gKeyDown[VK_CONTROL] || gKeyDown[VK_LCONTROL] || gKeyDown[VK_RCONTROL];
  return gKeyDown[key];
}

void pumpSdlEvents() {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) {
    switch (ev.type) {
      case SDL_QUIT: gQueue.push_back({MessageKind::Close, 0}); break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (!gKeySource) {
          int vk = virtualKeyOf(ev.key.keysym.sym);
          if (vk) keyEvent({vk, ev.type == SDL_KEYDOWN});
        }
        break;
      default: break;
    }
  }
}

bool windowedRequested() {
  const char* w = std::getenv("ORVANE_WINDOWED");
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return (w && std::strcmp(w, "1") == 0) || (driver && std::strcmp(driver, "offscreen") == 0);
}

}  // namespace

bool CreateMainWindow(const char* title) {
  if (gWindow) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  // The OpenGL library stays loaded for the life of the process, whatever happens to the window:
  // the system's drivers do not expect to be unloaded and reloaded.
  static const bool glLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
  (void)glLoaded;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
  int width = 640, height = 480;
  // Present keeps the frame's shape in any window size, so a window may be resized freely.
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  SDL_DisplayMode desktop;
  if (windowedRequested()) {
    flags |= SDL_WINDOW_RESIZABLE;
  } else {
    // Full screen is a borderless window over the whole desktop at its own resolution; the
    // display mode is never changed.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
      x = y = 0;
      width = desktop.w;
      height = desktop.h;
    }
  }
  gWindow = SDL_CreateWindow(title, x, y, width, height, flags);
  if (!gWindow) return false;
  gContext = SDL_GL_CreateContext(gWindow);
  if (!gContext) {
    SDL_DestroyWindow(gWindow);
    gWindow = nullptr;
    return false;
  }
  SDL_GL_MakeCurrent(gWindow, gContext);
  SDL_GL_SetSwapInterval(0);  // the game paces itself
  return true;
}

void DestroyMainWindow() {
  if (gContext) SDL_GL_DeleteContext(gContext);
  if (gWindow) SDL_DestroyWindow(gWindow);
  gContext = nullptr;
  gWindow = nullptr;
}

bool MainWindowExists() {
  return gWindow != nullptr;
}

void MainWindowSize(int& width, int& height) {
  width = 640;
  height = 480;
  if (gWindow) SDL_GL_GetDrawableSize(gWindow, &width, &height);
}

void SwapMainWindow() {
  if (gWindow) SDL_GL_SwapWindow(gWindow);
  if (gWindow && gWaitForRenderer) glFinish();
  ++gPresented;
  if (gFrameHook) gFrameHook(gPresented);
}

void ShowCursor(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool ShowMainWindowMessageBox(const std::string& textUtf8, const std::string& captionUtf8) {
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, captionUtf8.c_str(), textUtf8.c_str(), gWindow) == 0;
}

bool PeekMessage(Message& out) {
  if (gKeySource && gKeySourceFrame < gPresented + 1) {
    gKeySourceFrame = gPresented + 1;
    gKeySource(gKeySourceFrame, keyEvent);
  }
  if (gQueue.empty()) pumpSdlEvents();
  if (gQueue.empty()) return false;
  out = gQueue.front();
  gQueue.pop_front();
  return true;
}

void PostMessage(const Message& message) {
  gQueue.push_back(message);
}

int16_t GetKeyState(int virtualKey) {
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  return keyIsDown(virtualKey) ? static_cast<int16_t>(0xFF80) : 0;
}

void SetKeySource(KeySource source) {
  gKeySource = std::move(source);
  gKeySourceFrame = gPresented;
}

void InjectKeyEvent(KeyEvent event) {
  keyEvent(event);
}

int PresentedFrames() {
  return gPresented;
}

void SetFrameHook(std::function<void(int)> hook) {
  gFrameHook = std::move(hook);
}

void SetWaitForRenderer(bool wait) {
  gWaitForRenderer = wait;
}

}  // namespace plat
