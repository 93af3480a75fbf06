// Tests of the character: restored state, pupils following channel 0, a mesh too small for eyes.
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "fx/character.h"
#include "tests/show/show_fixture.h"

namespace {

class CharacterTest : public ShowTest {
 protected:
  // Where vertex 73, the left eye, ends up when the character stands at the origin.
  static std::array<float, 3> leftEye() {
    glLoadIdentity();
    standUpright();
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    if (app->mesh.getVertexCount() <= 73) return {};  // a small mesh has no eyes
    const float* v = &app->mesh.vertices[3 * 73];
    std::array<float, 3> at{};
    for (int i = 0; i < 3; ++i) at[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2];
    return at;
  }

  // The character's left eye, close up, with channel 0 at `level`.
  static std::vector<std::uint8_t> closeUp(int level, bool playing = true) {
    channels(1, level);
    script.playing[0] = playing;
    const auto eye = leftEye();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const GLfloat fromTheViewer[] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, fromTheViewer);
    gluLookAt(eye[0], eye[1], eye[2] + 0.2, eye[0], eye[1], eye[2], 0, 1, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glColor4ub(64, 255, 32, 255);
    app->drawCharacter();
    std::vector<std::uint8_t> rgb(width * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }

  static std::array<float, 4> get(GLenum what) {
    std::array<float, 4> v{};
    glGetFloatv(what, v.data());
    return v;
  }
};

TEST_F(CharacterTest, BodyWearsTheCallersColourAndEverythingIsRestored) {
  ASSERT_GE(app->mesh.getVertexCount(), 535);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  std::array<float, 16> before{}, after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  glColor4ub(51, 102, 153, 255);
  const auto colour = get(GL_CURRENT_COLOR);
  app->drawCharacter();
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  EXPECT_EQ(after, before);
  EXPECT_EQ(get(GL_CURRENT_COLOR), colour);
  std::array<float, 4> diffuse{};
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
  EXPECT_EQ(diffuse, colour) << "the colour material must not keep the pupils' black";
}

TEST_F(CharacterTest, PupilsRollWithChannel0WhileItPlays) {
  const auto silent = closeUp(0);
  const auto loud = closeUp(255);
  EXPECT_NE(silent, loud);
  EXPECT_EQ(closeUp(255, false), silent);
  // The eye is white with a black pupil, on a green body.
  int white = 0, green = 0;
  for (size_t i = 0; i < silent.size(); i += 3) {
    white += silent[i] > 150 && silent[i + 1] > 150 && silent[i + 2] > 150;
    green += silent[i + 1] > 2 * silent[i] + 20;
  }
  EXPECT_GT(white, 100);
  EXPECT_GT(green, 100);
}

// An uneven scale after a turn, where the matrix's columns understate how far
// the character reaches: a stretch by 3 towards the viewer (across the near
// plane) and a squeeze by 0.3 across, after a turn that brings the far end of
// the standing character onto the stretch's axis. (A bound by the longest
// column leaves the character out at 22 places of the sweep where it shows.)
std::array<GLfloat, 16> stretchedTowardsTheViewer() {
  std::array<GLfloat, 16> pose{};
  glLoadIdentity();
  glRotatef(90, 0, 1, 0);  // x to -z
  glScalef(3, 0.3f, 0.3f);
  glRotatef(60, 0, -1, 1);
  glGetFloatv(GL_MODELVIEW_MATRIX, pose.data());
  return pose;
}

// The character is left out only where drawing it would colour no pixel:
// swept across the left and right edges of the view, its top and bottom, and
// through the near and far planes; as it stands, and stretched unevenly.
TEST_F(CharacterTest, LeftOutOnlyWhereItWouldColourNoPixel) {
  ASSERT_GE(app->mesh.getVertexCount(), 535);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glColor4ub(255, 255, 255, 255);
  const std::array<GLfloat, 16> poses[] = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                                           stretchedTowardsTheViewer()};
  int leftOut = 0, seen = 0;
  const auto sweep = [&](float x, float y, float z, const std::array<GLfloat, 16>& pose) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(x, y, z);
    glMultMatrixf(pose.data());
    const bool out = characterOutOfView(app->mesh);
    // Everything the character is made of, drawn whatever the test says.
    standUpright();
    app->mesh.draw(0);
    std::vector<std::uint8_t> rgb(width * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    const int lit = litPixels(rgb);
    if (out) {
      EXPECT_EQ(lit, 0) << "left out at " << x << ", " << y << ", " << z << " (pose " << &pose - poses << ")";
    }
    leftOut += out;
    seen += lit > 0;
  };
  for (const auto& pose : poses) {
    for (float step = -80; step <= 80; ++step) {
      sweep(step / 10, 0, -3, pose);                    // across the sides
      sweep(0, step / 20, -3, pose);                    // across the top and bottom
      sweep(0.3f, 0.2f, 3 - (step + 80) / 40, pose);   // through the near plane, from behind
      sweep(0, 0, -1000 + step / 20, pose);             // through the far plane
    }
  }
  // 244 of the 1288 places are left out, 760 show something.
  EXPECT_GT(leftOut, 180);
  EXPECT_GT(seen, 600);
  glEnable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
}

TEST_F(CharacterTest, SmallMeshIsDrawnWithoutEyes) {
  const auto path = std::filesystem::temp_directory_path() / "flipp-kroma-small.obj";
  std::FILE* file = std::fopen(path.string().c_str(), "w");
  std::fputs("g one\nv 0 0 0\nv 10 0 0\nv 0 10 0\nf 1 2 3\n", file);
  std::fclose(file);
  ASSERT_EQ(app->mesh.load(path.string().c_str(), false), 1);
  closeUp(255);  // must not read vertices 73 and 534
  ASSERT_EQ(app->mesh.load("dino.obj", true), 1);
  std::filesystem::remove(path);
}

}  // namespace
