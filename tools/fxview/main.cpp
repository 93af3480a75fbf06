// Renders each effect once into a hidden GL context and writes it as a PNG:
// fx-text.png, fx-text-side.png, fx-particles.png, fx-sphere.png,
// fx-rosette.png and fx-lattice.png in the given folder (default: here).
#include <GL/glu.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fx/cube_lattice.h"
#include "fx/outline_font.h"
#include "fx/particle.h"
#include "fx/rosette.h"
#include "fx/shape_cache.h"
#include "show/show_state.h"
#include "tools/headless_gl/headless_gl.h"

namespace {

constexpr int width = 640, height = 360;

void beginFrame(double eyeZ) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, double(width) / height, 0.1, 200);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const GLfloat light[] = {1, 1, 1, 0};
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  glTranslated(0, 0, -eyeZ);
}

void colour(int i) { glColor3ubv(palette[i % 12]); }

// A radial glow like the show's particle texture.
GLuint glowTexture() {
  std::vector<unsigned char> image(256 * 256 * 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const double d = std::hypot((x - 128) / 128.0, (y - 128) / 128.0);
      const unsigned char v = d > 1 ? 0 : static_cast<unsigned char>(255 - 255 * d);
      for (int c = 0; c < 3; ++c) image[(256 * y + x) * 3 + c] = v;
    }
  GLuint name;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, image.data());
  return name;
}

bool save(const HeadlessGl& gl, const std::string& folder, const char* name) {
  const std::string path = folder + "/" + name;
  if (!gl.writePng(path.c_str())) {
    std::fprintf(stderr, "fxview: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  HeadlessGl gl(width, height);
  setShowState();
  bool ok = true;
  FaceSettings faces;
  faces.bundledFaceFile = FXVIEW_FONT_FILE;

  const auto start = std::chrono::steady_clock::now();
  OutlineFont font(faces, "Impact", false, true, true, 0.001f, 0.1f, 255, 0);
  const std::chrono::duration<double, std::milli> built = std::chrono::steady_clock::now() - start;
  std::printf("font: 255 glyphs in %.1f ms\n", built.count());

  auto textView = [&](double eyeZ, float yaw, float pitch, int palette, const char* text, const char* file) {
    beginFrame(eyeZ);
    glRotatef(yaw, 0, 1, 0);
    glRotatef(pitch, 1, 0, 0);
    colour(palette);
    font.drawText(text);
    ok &= save(gl, folder, file);
  };
  textView(4, -15, 10, 7, "ZELVARON", "fx-text.png");
  textView(2.5, -65, 20, 1, "AO&8", "fx-text-side.png");

  // Particles: additive glow, unlit, as a cloud after a few frames of motion.
  beginFrame(3);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  glowTexture();
  glScalef(0.2f, 0.2f, 0.2f);
  std::vector<Particle*> particles;
  for (int i = 0; i < 100; ++i) particles.push_back(createParticle(i));
  for (Particle* p : particles) {
    for (int k = 0; k < 3; ++k) p->position[k] *= 10;
    p->draw(0);
    delete p;
  }
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  ok &= save(gl, folder, "fx-particles.png");

  beginFrame(12);
  ShapeCache shapes;
  colour(0);
  glTranslatef(-2, 0, 0);
  shapes.drawSphere(3);
  colour(6);
  glTranslatef(5, 0, 0);
  shapes.drawSphere(1);
  ok &= save(gl, folder, "fx-sphere.png");

  beginFrame(1);
  colour(10);
  Rosette(5, 0.2f, 0.1f).draw(0);
  ok &= save(gl, folder, "fx-rosette.png");

  beginFrame(40);
  glRotatef(20, 1, 0, 0);
  glRotatef(30, 0, 1, 0);
  CubeLattice().draw(1234);
  ok &= save(gl, folder, "fx-lattice.png");
  return ok ? 0 : 1;
}
