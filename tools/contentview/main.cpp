// Renders the generated character and picture to PNG files for a look:
//   content_view DINO.obj KO.bmp OUTPUT_DIR
// Views: the character as the show first shows it, the same view narrowed
// with pupils at rest and at full level, close-ups from several sides, and the
// character wearing the picture as a sphere map; plus the picture itself.

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <cstdio>
#include <string>

#include "show/show_state.h"
#include "tools/headless_gl/headless_gl.h"
#include "tools/contentview/content_files.h"

namespace {

struct View {
  const char* name;
  double eye[3];
  int level;
  bool textured;
  float turn;  // about the world's Y axis, degrees
  double fieldOfView;
};

void render(const ObjFile& obj, unsigned texture, const View& view) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(view.fieldOfView, 640.0 / 480.0, 0.1, 1000);
  glClearColor(0.1f, 0.1f, 0.15f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float light[] = {10, 0, 10, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  gluLookAt(view.eye[0], view.eye[1], view.eye[2], 0, 0, 0, 0, 1, 0);
  glRotatef(view.turn, 0, 1, 0);
  if (view.textured) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glColor4ub(255, 255, 255, 255);
  } else {
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4ub(64, 255, 32, 255);
  }
  drawCharacter(obj, view.level);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: content_view DINO.obj KO.bmp OUTPUT_DIR\n");
    return 2;
  }
  ObjFile obj;
  BmpFile bmp;
  std::string error;
  if (!readObj(argv[1], obj, error) || !readBmp24(argv[2], bmp, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::string dir = argv[3];

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = bmp.width;
  image.height = bmp.height;
  image.format = PNG_FORMAT_RGB;
  png_image_write_to_file(&image, (dir + "/ko.png").c_str(), 0,
                          bmp.rgb.data(), -bmp.width * 3, nullptr);

  HeadlessGl gl(640, 480);
  setShowState();
  unsigned texture = uploadTexture(bmp);

  const View views[] = {
      {"show", {0, 0, 3}, 0, false, 0, 90},
      {"front", {0, 0, 3}, 0, false, 0, 30},
      {"front-loud", {0, 0, 3}, 255, false, 0, 30},
      {"three-quarter", {0.75, 0.25, 0.75}, 0, false, 0, 90},
      {"side", {1.1, 0, 0}, 0, false, 0, 90},
      {"back", {-0.5, 0.3, -1.0}, 0, false, 0, 90},
      {"top", {0, 1.1, 0.05}, 0, false, 0, 90},
      {"textured", {0, 0, 3}, 0, true, 0, 30},
      {"textured-turned", {0, 0, 3}, 128, true, 60, 30},
  };
  for (const View& view : views) {
    render(obj, texture, view);
    std::string path = dir + "/dino-" + view.name + ".png";
    if (!gl.writePng(path.c_str())) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
