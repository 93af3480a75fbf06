// The window framework: the base class that owns the window and the GL context.
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
// procedure; returns the message (0 for events that are no window message).
int DispatchMessageA(const SDL_Event& event);
// The virtual-key code of an SDL key: letters as their upper-case codes; 0 for keys the show has no use for.
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

// Multisampling for the window the next construction makes, when it is the
// first: autoSamples, or 0, 2, 4 or 8 samples per pixel.
extern int windowSamples;

// Whether the window's presentation waits for the display (adaptive sync
// where the GL has it, else every refresh) rather than showing each frame at
// once; set before the construction. Live runs wait; runs that draw as fast
// as they can or on a fixed step do not.
extern bool windowWaitsForDisplay;

// Base of the application object: owns one window with a double-buffered GL
// context, turns window messages into virtual operations, keeps viewport and
// projection matched to the window (optionally boxed to 16:9), counts frames
// for the title, and switches between windowed and full-screen. A width and
// height of 0 ask for the desktop's own size: full-screen then covers the
// desktop without a mode change, and the window is as large as the desktop.
class GlWindowApp {
 public:
  GlWindowApp(int width, int height, const char* title, int colorBits, int depthBits,
              bool fullscreen, bool wide);
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

 private:
  void createContext();
  void closePath();
};

// The one application object; the window procedure reaches it only through this.
extern GlWindowApp* activeApp;
