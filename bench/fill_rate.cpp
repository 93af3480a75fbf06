// The rasteriser's fill rate: how long one layer of plain, textured,
// additively blended full-screen quad takes, the unit in which the
// particle scenes' cost is counted (bench/README.md); the same layer drawn
// opaque; reading a frame back, as RGB and as BGRA.
//   fill_rate [WIDTH HEIGHT [LAYERS]]   (default 1920 1080 50)
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/headless_gl/headless_gl.h"

// GL 1.2's, which Windows' GL 1.1 header lacks.
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

namespace {

// A 256 x 256 RGB mipmapped texture of a ramp, as the show's glow.
GLuint rampTexture() {
  std::vector<unsigned char> image(256 * 256 * 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const int d = std::min(255, (std::abs(x - 128) + std::abs(y - 128)));
      std::fill_n(&image[(256 * y + x) * 3], 3, static_cast<unsigned char>(255 - d));
    }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, image.data());
  return name;
}

void fullScreenQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2f(1, 0);
  glVertex2f(1, -1);
  glTexCoord2f(1, 1);
  glVertex2f(1, 1);
  glTexCoord2f(0, 1);
  glVertex2f(-1, 1);
  glEnd();
}

// Milliseconds per layer: the median of five runs of `layers` layers each.
template <typename Draw>
double msPerLayer(int layers, Draw draw) {
  std::vector<double> runs;
  for (int run = 0; run < 5; ++run) {
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < layers; ++i) draw();
    glFinish();
    runs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count() /
                   layers);
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

}  // namespace

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 1920;
  const int height = argc > 2 ? std::atoi(argv[2]) : 1080;
  const int layers = argc > 3 ? std::atoi(argv[3]) : 50;
  if (width <= 0 || height <= 0 || layers <= 0) {
    std::fprintf(stderr, "usage: fill_rate [WIDTH HEIGHT [LAYERS]]\n");
    return 2;
  }
  HeadlessGl gl(width, height);
  std::printf("%dx%d, %s\n", width, height, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, rampTexture());
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColor4ub(255, 200, 150, 255);
  const double pixels = static_cast<double>(width) * height;
  const auto report = [&](const char* what, double ms) {
    std::printf("%-44s %7.2f ms a layer, %6.0f Mpixels/s\n", what, ms, pixels / ms / 1e3);
  };
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  report("textured, additive (the unit)", msPerLayer(layers, fullScreenQuad));
  glDisable(GL_BLEND);
  report("textured, opaque", msPerLayer(layers, fullScreenQuad));
  std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const auto read = [&](GLenum format) {
    return msPerLayer(5, [&] { glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, frame.data()); });
  };
  report("reading the frame back as RGB", read(GL_RGB));
  report("reading the frame back as BGRA", read(GL_BGRA));
  return 0;
}
