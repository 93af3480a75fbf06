// PNG frame output: the back buffer of each drawn frame written as a numbered file.
#include "app/frame_output.h"

#include <GL/gl.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

bool writePng(const std::string& path, const std::uint8_t* rgb, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // A negative stride: GL's rows run bottom to top (libpng takes the buffer's start).
  return png_image_write_to_file(&image, path.c_str(), 0, rgb, -width * 3, nullptr) != 0;
}

bool PngFrames::open() {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error || !std::filesystem::is_directory(directory)) {
    std::fprintf(stderr, "flipp-kroma: cannot create the frame directory '%s'\n", directory.c_str());
    return false;
  }
  return true;
}

bool PngFrames::addFrame(const DrawnFrame& frame) {
  const int width = frame.width, height = frame.height;
  pixels.resize(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  char name[32];
  std::snprintf(name, sizeof name, "/frame-%06ld.png", next);
  const std::string path = directory + name;
  errno = 0;
  if (!writePng(path, pixels.data(), width, height)) {
    std::fprintf(stderr, "flipp-kroma: cannot write '%s' (%s)\n", path.c_str(),
                 errno != 0 ? std::strerror(errno) : "refused by libpng");
    return false;
  }
  ++next;
  return true;
}

int PngFrames::close(int status) {
  if (status == 0)
    std::fprintf(stderr, "flipp-kroma: wrote %ld frames to '%s'%s\n", next, directory.c_str(),
                 flashingReduced ? ", flashing reduced" : "");
  return status;
}
