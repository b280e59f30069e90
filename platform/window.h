// The one window of the game, its messages and the keyboard state, in place of the Win32
// window, message queue and GetKeyState.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat {

// Virtual-key codes, with the values the game's key tables use.
enum : int {
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,  // Alt
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_F9 = 0x78,
  VK_F11 = 0x7A,
  VK_F12 = 0x7B,
  // The left and right keys of the three pairs, tracked apart; VK_SHIFT, VK_CONTROL and VK_MENU
  // read as down while either key of their pair is down.
  VK_LSHIFT = 0xA0,
  VK_RSHIFT = 0xA1,
  VK_LCONTROL = 0xA2,
  VK_RCONTROL = 0xA3,
  VK_LMENU = 0xA4,
  VK_RMENU = 0xA5,
};

// The window's own keys, which never reach the game: F11 and Alt+Enter switch between full
// screen and a window, F9 saves a screenshot.
enum class WindowAction { None, ToggleFullScreen, Screenshot };
WindowAction WindowActionFor(int virtualKey, bool altDown);

enum class MessageKind { KeyDown, Close, Quit };
struct Message {
  MessageKind kind;
  int key = 0;  // virtual-key code of a KeyDown
};

// How the window starts: Default is full screen, or a window when the environment variable
// ORVANE_WINDOWED is 1 (and always under the offscreen video driver); the command line may
// choose either.
enum class WindowMode { Default, Windowed, FullScreen };
void ChooseWindowMode(WindowMode mode);

// Creates the window and its OpenGL context: full screen at the desktop size (the display mode
// is never changed), or a 640 x 480 window that the player may resize. Gamepads are taken up as
// they are plugged in. Returns false on failure.
bool CreateMainWindow(const char* title);
void DestroyMainWindow();
bool MainWindowExists();
// Drawable size of the window in pixels.
void MainWindowSize(int& width, int& height);
// Swaps the window's buffers (the device's Present calls it).
void SwapMainWindow();
// Switches between full screen and a window (F11, Alt+Enter).
void ToggleFullScreen();
bool MainWindowIsFullScreen();
// Whether the game wants the mouse pointer; it shows only in a window or when the game wants it.
void ShowCursor(bool show);
bool CursorVisible();
// True once after F9: the next Present saves its frame as a screenshot.
bool TakeScreenshotRequest();

// What Present last drew into the window (top row first), kept only while asked for: pictures
// of the whole window for the tests of scaling and bars.
struct WindowPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};
void KeepWindowPictures(bool keep);
bool KeepingWindowPictures();
WindowPicture& LastWindowPicture();
// A modal box with an OK button, owned by the main window when there is one, so that it shows
// above a full-screen game. Returns false when no box can be shown (no display).
bool ShowMainWindowMessageBox(const std::string& textUtf8, const std::string& captionUtf8);

// Takes the next message, if any: key presses, window close requests and the quit message.
bool PeekMessage(Message& out);
// Queues a message (PostMessageA / PostQuitMessage).
void PostMessage(const Message& message);

// Like GetKeyState: bit 0x80 is set while the key is down (for VK_SHIFT and VK_CONTROL, while
// either key of the pair is down) or while a gamepad holds it (platform/pad.h).
int16_t GetKeyState(int virtualKey);

// Scripted input for the replay runner: before each frame the source is asked for the key events
// of that frame; events update the key state and key-downs are queued as messages. A key may
// also be a pad button (PAD_A …): it presses the button of one scripted pad. While a source is
// set, the real keyboard and pads are not read. Frames count from 1 and advance with every swap
// of the window.
struct KeyEvent {
  int key;
  bool down;
};
using KeySource = std::function<void(int frame, std::function<void(KeyEvent)> emit)>;
void SetKeySource(KeySource source);
// Delivers one key event at once, as the keyboard would: the key state changes and a key-down
// is queued as a message.
void InjectKeyEvent(KeyEvent event);
// Number of frames presented so far.
int PresentedFrames();
// Called after every presented frame with its number (the replay runner's shots and dumps).
void SetFrameHook(std::function<void(int frame)> hook);
// When set, every swap waits until the renderer has finished the frame, before the frame hook
// runs (the replay runner's report times whole frames so).
void SetWaitForRenderer(bool wait);

}  // namespace plat
