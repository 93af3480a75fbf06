// The window framework: the base class that owns the window and the GL context.
//
// Why these names: the show was written against a desktop platform's window
// framework, and the application object, the entry's loop and the scenes
// speak its language: window messages (WM_PAINT, WM_SIZE ...) posted with
// PostMessageA and dispatched with DispatchMessageA to a window procedure,
// virtual-key codes, a quit message. This layer keeps those names and
// carries them over SDL's events, so the show's code reads as it was
// written; nothing above it sees SDL's own event types.
#pragma once
#include <cstdint>

struct SDL_Window;

// Window messages as the framework sees them. Posted ones travel as SDL user
// events; the quit message is SDL_QUIT.
enum WindowMessage : int {
  WM_CREATE = 1,
  WM_SIZE,
  WM_PAINT,
  WM_KEYDOWN,
  WM_CLOSE,
  WM_DESTROY,
  WM_QUIT,
};

// Posts a message to the window's queue (WM_QUIT posts SDL_QUIT).
void PostMessageA(SDL_Window* window, int message, std::intptr_t wParam, std::intptr_t lParam);

union SDL_Event;
// Turns one SDL event into its window message and hands it to the window
// procedure; returns the message (0 for events that are no window message),
// or -1 when the procedure found no application object (after its box): the
// process is to end with status 1.
int DispatchMessageA(const SDL_Event& event);
// Virtual-key codes: letters and digits are their upper-case characters
// ('Q', 'F', 'W' ...); the other keys the show knows have these names.
enum VirtualKey : int {
  VK_RETURN = 13,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
};
// The virtual-key code of an SDL key; 0 for keys the show has no use for.
int virtualKeyOf(int sdlKey);

// Pixel format the window's GL context is made with. `samples` per pixel
// smooth the edges (0: none); autoSamples takes 4 where the GL is hardware
// and none on a software rasteriser, where they would cost frame time.
inline constexpr int autoSamples = -1;
struct PixelFormat {
  int colorBits;
  int depthBits;
  int samples = autoSamples;
};

// How the entry wants the window made: `samples` per pixel (autoSamples, or
// 0, 2, 4 or 8), and whether presenting a frame waits for the display
// (adaptive sync where the GL has it, else every refresh) rather than showing
// it at once. Live runs wait; runs that draw as fast as they can or on a
// fixed step do not.
struct WindowSettings {
  int samples = autoSamples;
  bool waitsForDisplay = false;
};

// Base of the application object: owns one window with a double-buffered GL
// context, turns window messages into virtual operations, keeps viewport and
// projection matched to the window (optionally boxed to 16:9), counts frames
// for the title, and switches between windowed and full-screen. A width and
// height of 0 ask for the desktop's own size: full-screen then covers the
// desktop without a mode change, and the window is as large as the desktop.
//
// A construction that cannot open the display or the window shows the box
// that says so and sets `failed`: the process is to end with status 1.
class GlWindowApp {
 public:
  GlWindowApp(int width, int height, const char* title, int colorBits, int depthBits,
              bool fullscreen, bool wide, WindowSettings settings = {});
  virtual ~GlWindowApp();
  GlWindowApp(const GlWindowApp&) = delete;
  GlWindowApp& operator=(const GlWindowApp&) = delete;

  virtual void resize(int clientWidth, int clientHeight);
  virtual void shutdown() = 0;
  virtual void draw();
  virtual void idle();
  virtual bool keyDown(int virtualKey);
  virtual void init();
  virtual void setFullscreen(bool on);

  // The window procedure: every message reaches the object through here.
  static std::intptr_t windowProc(SDL_Window* window, int message, std::intptr_t wParam,
                                  std::intptr_t lParam);

  std::uint32_t lastTitleTime = 0;
  int frameCount = 0;
  int width;
  int height;
  int colorBits;
  bool wide;
  bool fullscreen = false;
  bool desktopMode = false;  // width and height are the desktop's
  SDL_Window* window = nullptr;
  float fieldOfView = 90.0f;
  const PixelFormat* pixelFormat = nullptr;
  const char* title;
  bool waitsForDisplay;
  bool failed = false;

 private:
  void createContext();
  void closePath();

  PixelFormat format;  // what pixelFormat points to
};

// The one application object; the window procedure reaches it only through
// this. Process-wide because the window procedure is a plain function that
// the message dispatch calls with nothing but the message: that is how the
// framework reaches its object, so the pointer stays, set at construction
// and cleared when the object goes.
extern GlWindowApp* activeApp;
