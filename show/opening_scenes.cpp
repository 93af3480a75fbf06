// Orders 0 to 4: the logo as echoes and as a spiral, "PRESENTS", the title.
#include <GL/gl.h>

#include <cmath>

#include "show/demo_app.h"
#include "show/director.h"

// Order 0: a fan of blue echoes that opens out and brightens with the row.
void Director::logoEcho() {
  camera(0, std::sin(0.001 * T), 1);
  glPushAttrib(GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
  additiveBlending();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  for (int copy = 0; copy < 32; ++copy) {
    glColor4ub(64, 128, 196, static_cast<GLubyte>((2 * row()) % 256));
    const auto sx = static_cast<GLfloat>(0.9 + row() * 0.0015625);
    const auto sy = static_cast<GLfloat>(0.9 + row() * 0.0015625);
    const auto sz = static_cast<GLfloat>(0.9 + row() * 0.0015625);
    glScalef(sx, sy, sz);
    text("ZELVARON");
  }
  glPopAttrib();
}

// Order 1: a spinning spiral of shrinking logos around a solid, glowing one.
void Director::logoSpiral() {
  camera(0, std::sin(0.001 * T), 1);
  glPushAttrib(GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, 0);
  additiveBlending();
  glPushMatrix();
  const auto spin = static_cast<float>(0.01 * T);
  for (int copy = 0; copy < 32; ++copy) {
    glColor4ub(64, 128, 196, static_cast<GLubyte>((4 * row()) % 256));
    glScalef(0.9f, 0.9f, 0.9f);
    glRotatef(spin, 0, 0, 1);
    text("ZELVARON");
  }
  glPopMatrix();
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  glEnable(GL_DEPTH_TEST);
  textureGeneration(true);
  glDisable(GL_BLEND);
  glColor4ub(255, 255, 255, 255);
  text("ZELVARON");
  glScalef(1.02f, 1.02f, 1.02f);
  glColor4ub(255, 255, 255, static_cast<GLubyte>(row()));
  text("ZELVARON");
  glEnable(GL_BLEND);
  textureGeneration(false);
  glPopAttrib();
}

// Order 2: "PRESENTS" over a swirl of glowing particles.
void Director::presents() {
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glBindTexture(GL_TEXTURE_2D, 0);
  additiveBlending();
  glEnable(GL_BLEND);
  glPushMatrix();
  glScalef(1.5f, 1.5f, 1);
  camera(std::cos(0.001 * T), std::sin(0.001 * T), 5 + 2 * std::cos(0.002 * T));
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  // Round glows: a quarter of the size each way at 1080 lines.
  glows.begin(4, 4);
  for (int i = 0; i < 25; ++i) {
    glRotatef(1, 0, 1, 0);
    particle(i);
  }
  glows.end();
  glPopMatrix();
  camera(0, std::sin(0.001 * T), 1.5);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  textureGeneration(true);
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
  glColor4ub(255, 255, 255, 255);
  text("PRESENTS");
  if (row() > 40) {
    glTranslatef(0, -0.75f, 0);
    glScalef(0.5f, 0.5f, 0.5f);
    text("(A JUST FOR FUN DEMO)");
  }
  textureGeneration(false);
  glEnable(GL_BLEND);
}

namespace {

// How many of Main title's columns at 1080 lines one column of its streak
// field stands for, by the camera's distance from the streaks' plane (its
// z). Far from it the streaks lie across the frame, changing slowly along
// their length and steeply across it: a sixteenth of the columns describes
// them. Within about 2 the camera passes through them and looks along them,
// where they converge on the frame with steep edges at every angle: there
// the field is drawn whole.
int streakColumns(double cameraZ) { return std::abs(cameraZ) >= 2.25 ? 16 : 1; }

}  // namespace

// Orders 3 and 4: the title over particle streaks; the subtitle in order 4.
void Director::mainTitle() {
  glDisable(GL_DEPTH_TEST);
  const double cameraZ = 8 * std::cos(0.0005 * T);
  camera(std::cos(0.001 * T), std::sin(0.001 * T), cameraZ);
  glPushMatrix();
  glScalef(64, 1, 1);
  additiveBlending();
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  glows.begin(streakColumns(cameraZ), 1);
  for (int i = 0; i < 100; ++i) particle(i);
  glows.end();
  glPopMatrix();
  textureGeneration(true);
  glDisable(GL_BLEND);
  glColor4ub(255, 255, 196, 255);
  glScalef(2, 2, 2);
  glEnable(GL_DEPTH_TEST);
  text("FLIPP KROMA");
  if (order == 4) {
    glTranslatef(0, -1, 0);
    glScalef(0.5f, 0.5f, 0.5f);
    glColor4ub(255, 255, static_cast<GLubyte>((2 * row()) % 256), 255);
    text("(the return of arlo fenk)");
  }
  glEnable(GL_BLEND);
  textureGeneration(false);
}
