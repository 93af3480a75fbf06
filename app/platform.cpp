// Message boxes, display modes and the display itself through SDL.
#include "app/platform.h"

#include <SDL.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <cstring>

bool Platform::openDisplay() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* named = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  const bool unseen = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  if (!unseen || (named && *named)) return true;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_SetError("SDL could open none (only its %s driver, which shows nothing)", driver);
  return false;
}

bool Platform::messageBox(const char* text, const char* caption, Box kind) {
  if (kind == Box::error) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
      std::fprintf(stderr, "%s: %s\n", caption, text);
    return false;
  }
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  const SDL_MessageBoxData box = {SDL_MESSAGEBOX_WARNING, nullptr, caption, text, 2, buttons,
                                  nullptr};
  int answer = 0;
  if (SDL_ShowMessageBox(&box, &answer) != 0) {
    // No way to ask: say so and take the safe answer, windowed.
    std::fprintf(stderr, "%s: %s (Yes)\n", caption, text);
    return true;
  }
  return answer == 1;
}

bool Platform::enterFullscreen(SDL_Window* window, int width, int height, int bits) {
  const int display = SDL_GetWindowDisplayIndex(window);
  SDL_DisplayMode wanted = {};
  wanted.w = width;
  wanted.h = height;
  SDL_DisplayMode found;
  if (!SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &found)) return false;
  if (found.w != width || found.h != height) return false;
  if (bits == 16 && SDL_BITSPERPIXEL(found.format) > 16) {
    // A 16-bit mode is granted only where the display lists one.
    bool listed = false;
    const int modes = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < modes && !listed; ++i) {
      SDL_DisplayMode mode;
      if (SDL_GetDisplayMode(display, i, &mode) == 0 && mode.w == width && mode.h == height &&
          SDL_BITSPERPIXEL(mode.format) == 16) {
        found = mode;
        listed = true;
      }
    }
    if (!listed) return false;
  }
  if (SDL_SetWindowDisplayMode(window, &found) != 0) return false;
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

bool Platform::fillDesktop(SDL_Window* window) {
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void Platform::leaveFullscreen(SDL_Window* window) { SDL_SetWindowFullscreen(window, 0); }

void Platform::desktopSize(int& width, int& height) {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    width = mode.w;
    height = mode.h;
  } else {
    width = height = 0;
  }
}

bool HeadlessPlatform::openDisplay() {
  // Over whatever SDL_VIDEODRIVER names for the desktop: a headless run needs
  // none. Windows builds of SDL have no offscreen GL: there the desktop's
  // driver draws into a hidden window (showsWindow).
#ifdef _WIN32
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "windows", SDL_HINT_OVERRIDE);
#else
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
#endif
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool HeadlessPlatform::messageBox(const char* text, const char* caption, Box kind) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  return kind == Box::question;
}

namespace {
Platform desktop;
Platform* current = &desktop;
}  // namespace

Platform& platform() { return *current; }
void setPlatform(Platform* layer) { current = layer ? layer : &desktop; }

void keepFreedMemory() {
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}

volatile std::sig_atomic_t stopSignal = 0;

namespace {
void onStopSignal(int signal) { stopSignal = signal; }
}  // namespace

void catchStopSignals() {
#ifdef _WIN32
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGBREAK, onStopSignal);
#else
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
#endif
}
