// Superstar drawn by the scene, its sprites in one batch, and drawn the
// straightforward way, one matrix read and one strip per sprite (kept here
// as the reference): the same pixels, bit for bit, at two sizes, for copy
// counts from none to all twelve.
#include <GL/glu.h>

#include <cmath>

#include "fx/particle.h"
#include "show/sprite_batch.h"
#include "tests/show/show_fixture.h"

namespace {

class SpriteBatchTest : public ShowTest {
 protected:
  // The clouds at song time `ms` with every sprite by itself.
  static std::vector<std::uint8_t> oneByOne(int row, std::int32_t ms) {
    const double T = ms;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(10 * std::cos(0.001 * T), 5 * std::cos(0.0005 * T), 10 * std::sin(0.002 * T), 0, 0, 0, 0, 1, 0);
    // The clouds' state (the overlay after a frame turns depth test and lighting back on).
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, app->glowTexture);
    const int copies = (row & ~3) > 48 ? 12 : row / 4;
    for (int j = 0; j < copies; ++j) {
      glPushMatrix();
      placeCopy(j);
      for (int v = 0; v < app->mesh.getVertexCount(); ++v) {
        glPushMatrix();
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const float* at = &app->mesh.vertices[3 * v];
        glTranslatef(at[0], at[1], at[2]);
        glColor4ub(palette[v % 12][0], palette[v % 12][1], palette[v % 12][2], 255);
        glScalef(100, 100, 100);
        glBegin(GL_TRIANGLE_STRIP);
        for (const auto& [s, t] : {std::pair{1, 1}, {0, 1}, {1, 0}, {0, 0}}) {
          const float r = s ? 1.0f : -1.0f, u = t ? 1.0f : -1.0f;
          glTexCoord2f(static_cast<GLfloat>(s), static_cast<GLfloat>(t));
          glVertex3f(0.5f + r * m[0] + u * m[1], 0.5f + r * m[4] + u * m[5], r * m[8] + u * m[9]);
        }
        glEnd();
        glPopMatrix();
      }
      glPopMatrix();
    }
    std::vector<std::uint8_t> rgb(width * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }
};

TEST_F(SpriteBatchTest, SuperstarIsTheSameAsOneStripPerSprite) {
  ASSERT_GE(app->mesh.getVertexCount(), 535);
  channels(0, 0);  // no overlay over the scene
  for (const auto& [w, h] : {std::pair{width, height}, std::pair{96, 54}}) {
    app->resize(w, h);
    for (const int row : {3, 4, 33, 47, 48, 63}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " row " + std::to_string(row));
      const std::int32_t ms = 71000 + 500 * row;
      app->director.superstarStart = ms;  // the caption still far out of view
      const auto batched = frame(11, row, ms);
      EXPECT_TRUE(oneByOne(row, ms) == batched);
      EXPECT_EQ(litPixels(batched) > 0, row > 3);  // rows 0 to 3 draw no copy
    }
  }
  app->resize(width, height);
}

}  // namespace
