// Renders the program's icon: the character as the show draws it (green, lit,
// with its eyes) on a transparent background; the whole of it from 48 pixels
// up, its head below, where the whole would be a green smudge.
//   icon DINO.obj OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/SIZExSIZE/apps/flipp-kroma.png for every size.
//
// Each size is drawn at several times its size and averaged down. The
// transparency comes from two drawings, over black and over white: a pixel
// that differs between them is background.
#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "fx/character.h"
#include "fx/shape_cache.h"
#include "show/show_state.h"
#include "tools/headless_gl/headless_gl.h"

namespace {

constexpr int largest = 1024;  // the largest drawing, in pixels a side

// What the camera looks at: a point of the character and the field of view
// around it (degrees). The camera itself stands to the front and right.
struct Framing {
  double x, y, fieldOfView;
};
constexpr Framing wholeCharacter = {0.06, 0.035, 20};
constexpr Framing head = {0.07, 0.36, 13};

std::vector<std::uint8_t> draw(Mesh& mesh, ShapeCache& shapes, const Framing& framing, int side, float background) {
  glViewport(0, 0, side, side);
  glClearColor(background, background, background, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(framing.fieldOfView, 1, 0.1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const GLfloat light[] = {6, 8, 10, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  gluLookAt(framing.x + 1.2, framing.y + 0.45, 3.2, framing.x, framing.y, 0, 0, 1, 0);
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
  glColor4ub(64, 255, 32, 255);
  drawCharacter(mesh, 0, shapes);
  std::vector<std::uint8_t> rgb(static_cast<size_t>(side) * side * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, side, side, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

// The icon at `size` pixels a side, RGBA, top row first.
std::vector<std::uint8_t> render(Mesh& mesh, ShapeCache& shapes, int size) {
  const int scale = largest / size > 8 ? 8 : largest / size;
  const int side = size * scale;
  const Framing& framing = size >= 48 ? wholeCharacter : head;
  const std::vector<std::uint8_t> black = draw(mesh, shapes, framing, side, 0);
  const std::vector<std::uint8_t> white = draw(mesh, shapes, framing, side, 1);
  std::vector<std::uint8_t> rgba(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int covered = 0, sum[3] = {0, 0, 0};
      for (int sy = 0; sy < scale; ++sy)
        for (int sx = 0; sx < scale; ++sx) {
          const size_t at = 3 * (static_cast<size_t>(y * scale + sy) * side + x * scale + sx);
          if (black[at] != white[at] || black[at + 1] != white[at + 1] || black[at + 2] != white[at + 2])
            continue;
          ++covered;
          for (int c = 0; c < 3; ++c) sum[c] += black[at + c];
        }
      // GL's rows run bottom to top.
      std::uint8_t* out = &rgba[4 * (static_cast<size_t>(size - 1 - y) * size + x)];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(covered ? (sum[c] + covered / 2) / covered : 0);
      out[3] = static_cast<std::uint8_t>((255 * covered + scale * scale / 2) / (scale * scale));
    }
  return rgba;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: icon DINO.obj OUTPUT_DIR SIZE...\n");
    return 2;
  }
  HeadlessGl gl(largest, largest);
  setShowState();
  Mesh mesh;
  ShapeCache shapes;
  if (!mesh.load(argv[1], true)) {
    std::fprintf(stderr, "icon: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const std::string_view text = argv[i];
    int size = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), size).ptr != text.data() + text.size() ||
        size < 1 || size > largest) {
      std::fprintf(stderr, "icon: bad size '%s'\n", argv[i]);
      return 2;
    }
    const std::vector<std::uint8_t> rgba = render(mesh, shapes, size);
    const std::filesystem::path folder = std::filesystem::path(argv[2]) / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string path = (folder / "flipp-kroma.png").string();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), size * 4, nullptr)) {
      std::fprintf(stderr, "icon: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
