// One hidden OpenGL context per test binary.
#include "tools/headless_gl/headless_gl.h"

#include <GL/gl.h>
#include <SDL.h>
#include <png.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

HeadlessGl::HeadlessGl(int w, int h) : width(w), height(h) {
#ifndef _WIN32  // Windows: a hidden window of the default driver
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    throw std::runtime_error(std::string("SDL video: ") + SDL_GetError());
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) throw std::runtime_error(std::string("SDL window: ") + SDL_GetError());
  context = SDL_GL_CreateContext(window);
  if (!context) throw std::runtime_error(std::string("GL context: ") + SDL_GetError());
  glViewport(0, 0, width, height);
}

HeadlessGl::~HeadlessGl() {
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool HeadlessGl::writePng(const char* path) const {
  std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // Negative stride: GL's rows run bottom to top (libpng finds the top row itself).
  return png_image_write_to_file(&image, path, 0, rgb.data(), -width * 3, nullptr) != 0;
}
