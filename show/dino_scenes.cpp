// Orders 5 to 11: the character rises, dances, forms a ring, the lattice
// flight, and the character as clouds of glowing sprites.
#include <GL/gl.h>

#include <cmath>

#include "fx/particle.h"
#include "music/music.h"
#include "show/demo_app.h"
#include "show/director.h"

// Orders 5 and 6: the character grows out of a field of particle streaks.
void Director::dinoRise() {
  if (reseedPending) {
    reseedPending = false;
    for (Particle* p : app.particles) {
      const int r1 = nextRandom();
      const int r2 = nextRandom();
      if (!p) continue;
      p->position[0] = static_cast<float>(r2 % 10 - 5);
      p->position[1] = static_cast<float>(r1 % 10 - 5);
      p->position[2] = -5;
    }
  }
  additiveBlending();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  camera(std::cos(0.001 * T), std::sin(0.001 * T), 5);
  glPushMatrix();
  glScalef(32, 1, 1);
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  // The streaks always lie across the frame and add up past white with
  // sharp edges along them: every line, a tenth of the columns at 1080 lines.
  glows.begin(10, 1);
  for (int i = 0; i < 100; ++i) particle(i);
  glows.end();
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_BLEND);
  const auto s = static_cast<float>(0.01 * (row() + 64 * (order - 5)));
  glScalef(s, s, s);
  glColor4ub(64, 255, 32, 255);
  character();
  glEnable(GL_BLEND);
}

// Orders 7 and 8: twelve coloured characters close in under a falling caption.
void Director::dinoDance() {
  camera(2.5 * std::cos(0.001 * T), 2, 2.5 * std::sin(0.001 * T));
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, 0);
  const auto tilt = static_cast<float>(45 * std::sin(0.01 * T));
  const int base = 64 * (order - 7);
  for (int i = 0; i < 12; ++i) {
    glPushMatrix();
    glRotatef(static_cast<GLfloat>(30 * i), 0, 1, 0);
    glTranslatef(0, 0, static_cast<GLfloat>(0.1 * (row() + base) - 13.8));
    glRotatef(tilt, 0, 0, 1);
    paletteColour(i, 255);
    character();
    glPopMatrix();
  }
  glRotatef(static_cast<GLfloat>(0.1 * T), 0, 1, 0);
  glTranslatef(0, static_cast<GLfloat>(0.1 * (64 * (8 - order) - row())), 0);
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
  textureGeneration(true);
  glEnable(GL_LIGHTING);
  glColor4ub(196, 255, 255, 128);
  glScalef(2, 2, 2);
  text("do the");
  glTranslatef(0, -1, 0);
  text("dino");
  glTranslatef(0, -1, 0);
  text("dance");
  textureGeneration(false);
  glEnable(GL_BLEND);
}

// Order 9: the twelve form a small ring that drifts away.
void Director::dinoRing() {
  camera(2.5 * std::cos(0.001 * T), 2, 2.5 * std::sin(0.001 * T));
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, 0);
  const auto tilt = static_cast<float>(45 * std::sin(0.01 * T));
  for (int i = 0; i < 12; ++i) {
    glPushMatrix();
    const auto x = static_cast<GLfloat>(-0.1 * row());
    const auto y = static_cast<GLfloat>(-0.1 * row());
    const auto z = static_cast<GLfloat>(-0.1 * row());
    glTranslatef(x, y, z);
    glRotatef(static_cast<GLfloat>(30 * i), 0, 1, 0);
    glTranslatef(0, 0, -1);
    glRotatef(tilt, 0, 0, 1);
    paletteColour(i, 255);
    character();
    glPopMatrix();
  }
  glEnable(GL_BLEND);
}

// Order 10: an elliptical orbit around the spinning cube lattice.
void Director::latticeFlight() {
  camera(20 * std::cos(0.001 * T), 0, 15 * std::sin(0.001 * T));
  app.lattice.draw(static_cast<unsigned>(t));
}

// Order 11: the character as clouds of glowing sprites, one per vertex (a
// new copy every four rows), and a caption sliding in.
void Director::superstar() {
  glBindTexture(GL_TEXTURE_2D, 0);
  additiveBlending();
  textureGeneration(false);
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  glPushMatrix();
  camera(10 * std::cos(0.001 * T), 5 * std::cos(0.0005 * T), 10 * std::sin(0.002 * T));
  sprites.begin();
  const auto copies = [this] { return (row() & ~3) > 48 ? 12 : row() / 4; };
  for (int j = 0; j < copies(); ++j) {
    glPushMatrix();
    placeCopy(j);
    sprites.addCopy(app.mesh);
    glPopMatrix();
  }
  glPopMatrix();
  sprites.draw();
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
  textureGeneration(true);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  if (superstarStart == 0) superstarStart = t;
  camera(0, 0, 3);
  glTranslatef(static_cast<GLfloat>(0.01 * (t - superstarStart) - 32), 0, 0);
  glColor4ub(255, 196, 255, 255);
  glScalef(2, 2, 2);
  text("dino superstar");
  textureGeneration(false);
  glEnable(GL_BLEND);
}
