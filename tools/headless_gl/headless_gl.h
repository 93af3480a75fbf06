// One hidden OpenGL context for tests and tools, and a PNG of its picture.
#pragma once

struct SDL_Window;

// One hidden OpenGL context for a test binary: SDL's offscreen video driver
// over EGL (Mesa llvmpipe). No display needed. The context stays current on
// the calling thread while the object lives.
class HeadlessGl {
 public:
  HeadlessGl(int width = 64, int height = 48);
  ~HeadlessGl();
  HeadlessGl(const HeadlessGl&) = delete;
  HeadlessGl& operator=(const HeadlessGl&) = delete;

  // Writes the back buffer as a PNG (for looking at a picture).
  bool writePng(const char* path) const;

  int width;
  int height;
  SDL_Window* window = nullptr;
  void* context = nullptr;
};
