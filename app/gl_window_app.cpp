// The window framework over SDL: window, GL context, window messages as virtual operations.
#include "app/gl_window_app.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "app/clock.h"
#include "app/platform.h"

GlWindowApp* activeApp = nullptr;

namespace {

// SDL event type that carries posted window messages.
Uint32 messageEventType() {
  static const Uint32 type = SDL_RegisterEvents(1);
  return type;
}

void errorBox(const char* text) { platform().messageBox(text, "Error", Platform::Box::error); }

void PostQuitMessage() {
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// Whether the GL rasterises in software (Mesa's llvmpipe, softpipe or
// swrast; the generic GDI renderer of Windows), asked of a hidden throwaway
// context (a few ms once the driver is loaded).
bool softwareRasteriser() {
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!probe) return true;
  bool software = true;
  if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
    if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
      software = std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe") ||
                 std::strstr(renderer, "swrast") || std::strstr(renderer, "GDI Generic");
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(probe);
  return software;
}

// Whether the window's pixel format has multisampling. Where the samples
// asked for are not to be had, X11 refuses the window but Windows gives one
// without any: ask a throwaway context.
bool multisampled(SDL_Window* window) {
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return false;
  int samples = 0;
  SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
  SDL_GL_DeleteContext(context);
  return samples > 0;
}

// Opens the window with a GL-capable visual: the requested depth buffer first,
// then the closest smaller one the driver has, as the platform's pixel-format
// choice does; for each, the samples asked for, then half as many down to 2,
// then none (a GL may have no multisampled visual at all).
SDL_Window* createWindow(const char* title, int width, int height, const PixelFormat& format) {
  const int channel = format.colorBits <= 16 ? 5 : 8;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colorBits <= 16 ? 6 : 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window = nullptr;
  const Uint32 shown = platform().showsWindow() ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  for (int depth : {format.depthBits, 24, 16}) {
    if (depth > format.depthBits) continue;
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
    for (int samples = format.samples;; samples = samples > 2 ? samples / 2 : 0) {
      SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
      SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
      window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                SDL_WINDOW_OPENGL | shown | SDL_WINDOW_RESIZABLE);
      if (window && samples > 0 && !multisampled(window)) {
        SDL_DestroyWindow(window);
        window = nullptr;
      }
      if (window || samples == 0) break;
    }
    if (window) break;
  }
  return window;
}

}  // namespace

void PostMessageA(SDL_Window* window, int message, std::intptr_t wParam, std::intptr_t lParam) {
  if (message == WM_QUIT) {
    PostQuitMessage();
    return;
  }
  SDL_Event event = {};
  event.type = messageEventType();
  event.user.windowID = window ? SDL_GetWindowID(window) : 0;
  event.user.code = message;
  event.user.data1 = reinterpret_cast<void*>(wParam);
  event.user.data2 = reinterpret_cast<void*>(lParam);
  SDL_PushEvent(&event);
}

int virtualKeyOf(int sdlKey) {
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return '0' + (sdlKey - SDLK_0);
  switch (sdlKey) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_RETURN: return VK_RETURN;
    default: return 0;
  }
}

int DispatchMessageA(const SDL_Event& event) {
  int message = 0;
  std::intptr_t wParam = 0, lParam = 0;
  if (event.type == messageEventType()) {
    message = event.user.code;
    wParam = reinterpret_cast<std::intptr_t>(event.user.data1);
    lParam = reinterpret_cast<std::intptr_t>(event.user.data2);
  } else if (event.type == SDL_KEYDOWN) {
    // Auto-repeat counts as a press.
    wParam = virtualKeyOf(event.key.keysym.sym);
    if (wParam) message = WM_KEYDOWN;
  } else if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      message = WM_SIZE;
      lParam = (event.window.data2 << 16) | event.window.data1;
    } else if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
      message = WM_CLOSE;
    }
  }
  if (!message) return 0;
  const bool noApp = activeApp == nullptr;
  GlWindowApp::windowProc(noApp ? nullptr : activeApp->window, message, wParam, lParam);
  return noApp ? -1 : message;
}

GlWindowApp::GlWindowApp(int width, int height, const char* title, int colorBits, int depthBits,
                         bool fullscreen, bool wide, WindowSettings settings)
    : width(width), height(height), colorBits(colorBits), wide(wide), title(title),
      waitsForDisplay(settings.waitsForDisplay), format{colorBits, depthBits, settings.samples} {
  activeApp = this;
  pixelFormat = &format;

  // The close box is a window message like any other, not a quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (!platform().openDisplay()) {
    std::fprintf(stderr, "No display: %s\n", SDL_GetError());
    errorBox("Failed To Register The Window Class.");
    failed = true;
    return;
  }
  messageEventType();
  if (width <= 0 || height <= 0) {
    desktopMode = true;
    platform().desktopSize(this->width, this->height);
  }
  if (format.samples == autoSamples) format.samples = softwareRasteriser() ? 0 : 4;
  window = createWindow(title, this->width, this->height, format);
  if (window) {
    windowProc(window, WM_CREATE, 0, 0);
    int clientWidth = 0, clientHeight = 0;
    SDL_GetWindowSize(window, &clientWidth, &clientHeight);
    windowProc(window, WM_SIZE, 0, (clientHeight << 16) | clientWidth);
  }
  GlWindowApp::setFullscreen(fullscreen);
  if (!window) {
    std::fprintf(stderr, "Cannot open the window: %s\n", SDL_GetError());
    errorBox("Window Creation Error.");
    failed = true;
  }
}

GlWindowApp::~GlWindowApp() {
  // A message that comes after the app is gone finds no app, not a freed one.
  if (activeApp == this) activeApp = nullptr;
}

std::intptr_t GlWindowApp::windowProc(SDL_Window* window, int message, std::intptr_t wParam,
                                      std::intptr_t lParam) {
  GlWindowApp* app = activeApp;
  if (!app) {
    errorBox("Oh no! Pointer error.");
    return -1;
  }
  switch (message) {
    case WM_CREATE:
      app->window = window;
      app->createContext();
      return 0;
    case WM_SIZE:
      app->resize(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
      return 0;
    case WM_PAINT:
      ++app->frameCount;
      app->draw();
      return 0;
    case WM_KEYDOWN:
      return app->keyDown(static_cast<int>(wParam)) ? 0 : 1;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUIT:
      app->closePath();
      return 0;
    default:
      return 0;
  }
}

void GlWindowApp::createContext() {
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    std::fprintf(stderr, "No OpenGL context: %s\n", SDL_GetError());
    errorBox("Can't Create A GL Rendering Context.");
    PostQuitMessage();
    return;
  }
  if (SDL_GL_MakeCurrent(window, context) != 0) {
    std::fprintf(stderr, "Cannot make the OpenGL context current: %s\n", SDL_GetError());
    errorBox("Can't activate GLRC.");
    SDL_GL_DeleteContext(context);
    PostQuitMessage();
    return;
  }
  // The show draws with OpenGL 1.1: an older context cannot run it.
  int major = 0, minor = 0;
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2 || major * 10 + minor < 11) {
    std::fprintf(stderr, "OpenGL 1.1 is needed; this context is %s\n", version ? version : "unknown");
    errorBox("Can't Create A GL Rendering Context.");
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    PostQuitMessage();
    return;
  }
  // Fewer samples than asked for (or more: a GL may round up) are taken as they come.
  int samples = 0;
  SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
  if (samples != pixelFormat->samples) {
    const std::string gives = samples > 0 ? std::to_string(samples) : "none";
    std::fprintf(stderr, "Multisampling: %d samples per pixel asked for, the GL gives %s\n", pixelFormat->samples,
                 gives.c_str());
  }
  // Waiting for the display: adaptive (a late frame is shown at once rather
  // than a whole refresh later), else every refresh. Otherwise, or where the
  // GL cannot wait, frames are not limited.
  if (!waitsForDisplay) {
    SDL_GL_SetSwapInterval(0);
  } else if (SDL_GL_SetSwapInterval(-1) != 0 && SDL_GL_SetSwapInterval(1) != 0) {
    std::fprintf(stderr, "Vsync: the GL cannot wait for the display (%s); frames are not limited\n",
                 SDL_GetError());
  }
  init();
  lastTitleTime = GetTickCount();
}

void GlWindowApp::closePath() {
  setFullscreen(false);
  shutdown();
  if (SDL_GLContext context = SDL_GL_GetCurrentContext()) {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
  }
  PostQuitMessage();
}

void GlWindowApp::resize(int clientWidth, int clientHeight) {
  const int cw = clientWidth, ch = clientHeight;
  int x, y, w, h;
  if (wide && 9 * cw > 16 * ch) {
    w = static_cast<int>(ch * 1.7777777777777777);
    h = ch;
    x = cw / 2 - static_cast<int>(ch * 0.8888888888888888);
    y = 0;
  } else if (wide) {
    w = cw;
    h = static_cast<int>(cw * 0.5625);
    x = 0;
    y = ch / 2 - static_cast<int>(cw * 0.28125);
  } else if (cw < ch) {
    w = h = cw;
    x = 0;
    y = ch / 2 - cw / 2;
  } else {
    x = y = 0;
    w = cw;
    h = ch;
  }
  glViewport(x, y, w, h);
  // A zero-height viewport (minimised window) has no aspect: keep the old projection.
  if (h <= 0) return;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fieldOfView, static_cast<double>(w) / h, 0.1f, 1000.0);
  glMatrixMode(GL_MODELVIEW);
}

void GlWindowApp::draw() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);
  glRotatef(static_cast<float>((GetTickCount() / 4) % 360), 0, 0, 1);
  glBegin(GL_QUADS);
  glColor3ub(255, 0, 0);
  glVertex2f(-1, 1);
  glColor3ub(0, 255, 0);
  glVertex2f(-1, -1);
  glColor3ub(0, 0, 255);
  glVertex2f(1, -1);
  glColor3ub(0, 0, 0);
  glVertex2f(1, 1);
  glEnd();
  glFlush();
}

void GlWindowApp::idle() {
  const std::uint32_t elapsed = GetTickCount() - lastTitleTime;
  if (elapsed > 500) {
    const double rate = frameCount * 1000.0 / elapsed;
    char text[160];
    std::snprintf(text, sizeof text, "%s : (%dx%dx%d) fps=%.2f", title, width, height, colorBits,
                  rate);
    if (window) SDL_SetWindowTitle(window, text);
    lastTitleTime = GetTickCount();
    frameCount = 0;
  }
  PostMessageA(window, WM_PAINT, 0, 0);
}

bool GlWindowApp::keyDown(int virtualKey) {
  switch (virtualKey) {
    case VK_ESCAPE:
    case 'Q':
      PostMessageA(window, WM_CLOSE, 0, 0);
      return true;
    case VK_SPACE:
    case 'F':
      setFullscreen(!fullscreen);
      return true;
    case 'W': {
      wide = !wide;
      int right = 0, bottom = 0;
      if (window) SDL_GetWindowSize(window, &right, &bottom);
      PostMessageA(window, WM_SIZE, 0, (static_cast<std::intptr_t>(bottom) << 16) | right);
      return true;
    }
    default:
      return false;
  }
}

void GlWindowApp::init() {}

void GlWindowApp::setFullscreen(bool on) {
  if (!window) return;
  if (on) {
    if (fullscreen) return;
    if (desktopMode ? platform().fillDesktop(window)
                    : platform().enterFullscreen(window, width, height, colorBits)) {
      SDL_ShowCursor(SDL_DISABLE);
      SDL_RaiseWindow(window);
      fullscreen = true;
    } else if (platform().messageBox("The Requested Fullscreen Mode Is Not Supported By\nYour "
                                     "Video Card. Use Windowed Mode Instead?",
                                     "ZEPH", Platform::Box::question)) {
      fullscreen = false;
    } else {
      platform().messageBox("Program Will Now Close.", "ERROR", Platform::Box::error);
      PostQuitMessage();
    }
    return;
  }
  if (!fullscreen) return;
  platform().leaveFullscreen(window);
  int desktopWidth = 0, desktopHeight = 0;
  platform().desktopSize(desktopWidth, desktopHeight);
  SDL_SetWindowSize(window, width, height);
  SDL_SetWindowPosition(window, desktopWidth / 2 - width / 2, desktopHeight / 2 - height / 2);
  SDL_ShowCursor(SDL_ENABLE);
  SDL_RaiseWindow(window);
  fullscreen = false;
}
