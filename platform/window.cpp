#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "platform/pad.h"

namespace plat {

namespace {

SDL_Window* gWindow = nullptr;
SDL_GLContext gContext = nullptr;
WindowMode gWindowMode = WindowMode::Default;
bool gStartedFullScreen = false;
bool gCursorWanted = true;
bool gScreenshotRequested = false;
bool gKeepWindowPictures = false;
WindowPicture gWindowPicture;
std::deque<Message> gQueue;
bool gKeyDown[256] = {};
// Window keys still held since they acted, so that a held key (or its repeats) acts once.
bool gWindowKeyHeld[256] = {};
// The pads plugged in, by SDL's instance id, and the one pad that scripted input presses.
struct OpenPad {
  SDL_GameController* controller;
  PadState state;
};
std::map<SDL_JoystickID, OpenPad> gPads;
PadState gScriptedPad;
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
    case SDLK_LALT: return VK_LMENU;
    case SDLK_RALT: return VK_RMENU;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_F9: return VK_F9;
    case SDLK_F11: return VK_F11;
    case SDLK_F12: return VK_F12;
    default: return 0;
  }
}

int padButtonOf(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PAD_A;
    case SDL_CONTROLLER_BUTTON_B: return PAD_B;
    case SDL_CONTROLLER_BUTTON_START: return PAD_START;
    case SDL_CONTROLLER_BUTTON_BACK: return PAD_BACK;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PAD_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PAD_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PAD_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PAD_RIGHT;
    default: return 0;
  }
}

// The key a message names: a side key of a pair is reported as the pair, as key messages do.
int messageKeyOf(int key) {
  if (key == VK_LSHIFT || key == VK_RSHIFT) return VK_SHIFT;
  if (key == VK_LCONTROL || key == VK_RCONTROL) return VK_CONTROL;
  if (key == VK_LMENU || key == VK_RMENU) return VK_MENU;
  return key;
}

// A key, or for the pairs either of its side keys (or the pair itself, as scripted input names
// it), is down on the keyboard.
bool keyIsDown(int key) {
  if (key == VK_SHIFT) return gKeyDown[VK_SHIFT] || gKeyDown[VK_LSHIFT] || gKeyDown[VK_RSHIFT];
  if (key == VK_CONTROL) return gKeyDown[VK_CONTROL] || gKeyDown[VK_LCONTROL] || gKeyDown[VK_RCONTROL];
  if (key == VK_MENU) return gKeyDown[VK_MENU] || gKeyDown[VK_LMENU] || gKeyDown[VK_RMENU];
  return gKeyDown[key];
}

void runWindowAction(WindowAction action) {
  if (action == WindowAction::ToggleFullScreen) ToggleFullScreen();
  if (action == WindowAction::Screenshot) gScreenshotRequested = true;
}

void keyEvent(KeyEvent e) {
  if (IsPadButton(e.key)) {
    gScriptedPad.button(e.key) = e.down;
    return;
  }
  if (e.key <= 0 || e.key > 255) return;
  const WindowAction action = e.down ? WindowActionFor(e.key, keyIsDown(VK_MENU)) : WindowAction::None;
  if (action != WindowAction::None) {
    if (!gWindowKeyHeld[e.key]) runWindowAction(action);
    gWindowKeyHeld[e.key] = true;
    return;
  }
  gWindowKeyHeld[e.key] = false;
  gKeyDown[e.key] = e.down;
  if (e.down) gQueue.push_back({MessageKind::KeyDown, messageKeyOf(e.key)});
}

void openPad(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (gPads.count(id)) {
    SDL_GameControllerClose(controller);  // already open: SDL counts the opens
    return;
  }
  gPads[id] = {controller, {}};
}

// A pad pulled out lets go of everything it held.
void closePad(SDL_JoystickID id) {
  auto it = gPads.find(id);
  if (it == gPads.end()) return;
  SDL_GameControllerClose(it->second.controller);
  gPads.erase(it);
}

void closeAllPads() {
  for (auto& [id, pad] : gPads) SDL_GameControllerClose(pad.controller);
  gPads.clear();
}

void padEvent(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_CONTROLLERDEVICEADDED: openPad(ev.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED: closePad(ev.cdevice.which); break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      auto it = gPads.find(ev.cbutton.which);
      const int button = padButtonOf(ev.cbutton.button);
      if (it != gPads.end() && button) it->second.state.button(button) = ev.type == SDL_CONTROLLERBUTTONDOWN;
      break;
    }
    case SDL_CONTROLLERAXISMOTION: {
      auto it = gPads.find(ev.caxis.which);
      if (it == gPads.end()) break;
      if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) it->second.state.stickX = ev.caxis.value;
      if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) it->second.state.stickY = ev.caxis.value;
      break;
    }
    default: break;
  }
}

// The pads whose state counts now: the scripted one while a key source is set, else the real ones.
std::vector<PadState> padsInUse() {
  if (gKeySource) return {gScriptedPad};
  std::vector<PadState> pads;
  for (const auto& [id, pad] : gPads) pads.push_back(pad.state);
  pads.push_back(gScriptedPad);  // pressed by InjectKeyEvent
  return pads;
}

void applyCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(CursorVisible() ? SDL_ENABLE : SDL_DISABLE);
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
      default: padEvent(ev); break;
    }
  }
}

bool offscreenDriver() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && std::strcmp(driver, "offscreen") == 0;
}

bool windowedRequested() {
  if (offscreenDriver()) return true;
  if (gWindowMode != WindowMode::Default) return gWindowMode == WindowMode::Windowed;
  const char* w = std::getenv("ORVANE_WINDOWED");
  return w && std::strcmp(w, "1") == 0;
}

}  // namespace

WindowAction WindowActionFor(int virtualKey, bool altDown) {
  if (virtualKey == VK_F11 || (virtualKey == VK_RETURN && altDown)) return WindowAction::ToggleFullScreen;
  if (virtualKey == VK_F9) return WindowAction::Screenshot;
  return WindowAction::None;
}

void ChooseWindowMode(WindowMode mode) {
  gWindowMode = mode;
}

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
  // Present keeps the frame's shape in any window size, so a window may be resized freely.
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
  int width = 640, height = 480;
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  SDL_DisplayMode desktop;
  gStartedFullScreen = !windowedRequested();
  if (gStartedFullScreen) {
    // Full screen is a borderless window over the whole desktop at its own resolution (so that it
    // covers the screen even without a window manager); the display mode is never changed.
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
  // Pads already plugged in arrive as added events too; without a display nobody holds one. No
  // pad support is no reason to stop.
  if (!offscreenDriver() && !SDL_WasInit(SDL_INIT_GAMECONTROLLER)) SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  applyCursor();
  return true;
}

void DestroyMainWindow() {
  closeAllPads();
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

void ToggleFullScreen() {
  if (!gWindow) return;
  if (!MainWindowIsFullScreen()) {
    SDL_SetWindowFullscreen(gWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(gWindow, 0);
    // A window that started full screen has no window size of its own yet: 640 x 480 with a frame.
    if (gStartedFullScreen) {
      gStartedFullScreen = false;
      SDL_SetWindowBordered(gWindow, SDL_TRUE);
      SDL_SetWindowSize(gWindow, 640, 480);
      SDL_SetWindowPosition(gWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
  }
  applyCursor();
}

bool MainWindowIsFullScreen() {
  return gWindow && (SDL_GetWindowFlags(gWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

void ShowCursor(bool show) {
  gCursorWanted = show;
  applyCursor();
}

bool CursorVisible() {
  return gCursorWanted || !MainWindowIsFullScreen();
}

bool TakeScreenshotRequest() {
  const bool requested = gScreenshotRequested;
  gScreenshotRequested = false;
  return requested;
}

void KeepWindowPictures(bool keep) {
  gKeepWindowPictures = keep;
}

bool KeepingWindowPictures() {
  return gKeepWindowPictures;
}

WindowPicture& LastWindowPicture() {
  return gWindowPicture;
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
  return KeyHeld(keyIsDown(virtualKey), padsInUse(), virtualKey) ? static_cast<int16_t>(0xFF80) : 0;
}

void SetKeySource(KeySource source) {
  gKeySource = std::move(source);
  gKeySourceFrame = gPresented;
  gScriptedPad = {};
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
