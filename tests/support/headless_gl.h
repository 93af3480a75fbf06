// One hidden OpenGL context per test binary, and read-back helpers.
#pragma once
#include <cstdint>
#include <vector>

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

  // The back buffer as RGB bytes, bottom row first.
  std::vector<std::uint8_t> readRgb() const;
  // One pixel's RGB, (0, 0) at the bottom left.
  std::vector<std::uint8_t> pixel(int x, int y) const;
  // Writes the back buffer as a PNG (for looking at a test's picture).
  bool writePng(const char* path) const;

  int width;
  int height;
  SDL_Window* window = nullptr;
  void* context = nullptr;
};
