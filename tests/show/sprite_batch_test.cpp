// Superstar drawn by the scene, its sprites in one batch, and drawn the
// straightforward way, one matrix read and one strip per sprite (kept here
// as the reference): the same pixels, bit for bit, at two sizes.
#include <GL/glu.h>

#include <cmath>

#include "fx/outline_font.h"
#include "fx/particle.h"
#include "tests/show/show_fixture.h"

namespace {

class SpriteBatchTest : public ShowTest {
 protected:
  // The Superstar scene's steps at song time `ms`, every sprite by itself.
  static std::vector<std::uint8_t> oneByOne(int row, std::int32_t ms) {
    const double T = ms;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, app->glowTexture);
    glPushMatrix();
    gluLookAt(10 * std::cos(0.001 * T), 5 * std::cos(0.0005 * T), 10 * std::sin(0.002 * T), 0, 0, 0, 0, 1, 0);
    const int copies = (row & ~3) > 48 ? 12 : row / 4;
    for (int j = 0; j < copies; ++j) {
      glPushMatrix();
      glScalef(0.05f, 0.05f, 0.05f);
      glRotatef(static_cast<GLfloat>(30 * j), 0, 1, 0);
      glTranslatef(0, 0, -20);
      glRotatef(-90, 1, 0, 0);
      glRotatef(10, 0, 1, 0);
      glRotatef(-5, 0, 0, 1);
      for (int v = 0; v < app->mesh.getVertexCount(); ++v) {
        glPushMatrix();
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const float* at = &app->mesh.vertices[3 * v];
        glTranslatef(at[0], at[1], at[2]);
        const std::uint8_t* c = palette[v % 12];
        glColor4ub(c[0], c[1], c[2], 255);
        glScalef(100, 100, 100);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(1, 1);
        glVertex3f(0.5f + m[0] + m[1], 0.5f + m[4] + m[5], m[8] + m[9]);
        glTexCoord2f(0, 1);
        glVertex3f(0.5f - m[0] + m[1], 0.5f - m[4] + m[5], -m[8] + m[9]);
        glTexCoord2f(1, 0);
        glVertex3f(0.5f + m[0] - m[1], 0.5f + m[4] - m[5], m[8] - m[9]);
        glTexCoord2f(0, 0);
        glVertex3f(0.5f - m[0] - m[1], 0.5f - m[4] - m[5], -m[8] - m[9]);
        glEnd();
        glPopMatrix();
      }
      glPopMatrix();
    }
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, app->stripeTexture);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
    glTranslatef(static_cast<GLfloat>(0.01 * (ms - app->director.superstarStart) - 32), 0, 0);
    glColor4ub(255, 196, 255, 255);
    glScalef(2, 2, 2);
    app->font->drawText("dino superstar");
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_BLEND);
    std::vector<std::uint8_t> rgb(width * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }
};

TEST_F(SpriteBatchTest, SuperstarIsTheSameAsOneStripPerSprite) {
  ASSERT_GE(app->mesh.getVertexCount(), 535);
  channels(0, 0);  // no overlay over the scene
  // Two viewport sizes, at moments from a few copies to all twelve, with the
  // caption in view.
  for (const auto& [w, h] : {std::pair{width, height}, std::pair{96, 54}}) {
    app->resize(w, h);
    for (const auto& [row, ms] : {std::pair{9, 71000}, std::pair{33, 74500}, std::pair{63, 78200}}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " row " + std::to_string(row));
      app->director.superstarStart = ms - 3000;
      const auto batched = frame(11, row, ms);
      EXPECT_GT(litPixels(batched), width * height / 20);
      EXPECT_TRUE(oneByOne(row, ms) == batched);
    }
  }
  app->resize(width, height);
}

}  // namespace
