// Orders 16 to 21: greetings, the invitation, the farewell that ends the
// show, and the two scenes that play only when the farewell's end is missed.
#include <GL/gl.h>

#include <cmath>

#include "music/music.h"
#include "show/demo_app.h"
#include "show/director.h"
#include "show/greetings.h"

// Order 16: a turning drum of greeted handles, each with its message below.
void Director::greetings() {
  camera(0, 0, 5);
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  text("GREETINGS:");
  const double spin = T * (1.0 / 15);
  for (int i = 0; i < 8; ++i) {
    paletteColour(i, 255);
    glPushMatrix();
    glTranslatef(0, 2, 0);
    glRotatef(static_cast<GLfloat>(40 * i + spin), 1, 0, 0);
    glTranslatef(0, -3, 0);
    glScalef(2, 2, 2);
    text(greetingsTable[i].handle);
    glTranslatef(0, -1, 0);
    glScalef(0.5f, 0.5f, 0.5f);
    text(greetingsTable[i].message);
    glTranslatef(0, -1, 0);
    glPopMatrix();
  }
}

// Order 17: an invitation to make a demo, over a tumbling character.
void Director::invitation() {
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  textureGeneration(true);
  glBindTexture(GL_TEXTURE_2D, 0);
  glColor4ub(255, 255, 255, 255);
  camera(std::cos(0.001 * T), std::sin(0.001 * T), 3);
  glTranslatef(0, 1, 0);
  text("demos are fun!");
  glTranslatef(0, -1, 0);
  text("you should make one too!");
  rowColour();
  glBindTexture(GL_TEXTURE_2D, app.glowTexture);
  glTranslatef(0, -2, -5);
  glScalef(2, 2, 2);
  glRotatef(static_cast<GLfloat>(0.1 * T), 0, 1, 1);
  character();
}

// Order 18: the sign-off over the cube lattice; row 63 ends the show.
void Director::farewell() {
  camera(std::cos(0.001 * T), std::sin(0.001 * T), 3);
  glColor4ub(255, 255, 255, 255);
  glTranslatef(0, 1, 0);
  text("until next time:");
  glTranslatef(0, -2, 0);
  text("sniff snaff");
  app.lattice.draw(static_cast<unsigned>(t));
  if (row() == 63) PostMessageA(app.window, WM_QUIT, 0, 0);
}

// Order 20: a turning wheel of rosettes that all follow channel 0.
void Director::rosetteWheel() {
  camera(0, 0, 5 + std::sin(0.002 * T));
  additiveBlending();
  glBindTexture(GL_TEXTURE_2D, 0);
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glScalef(10, 10, 10);
  glRotatef(static_cast<GLfloat>(0.1 * T), 0, 0, 1);
  rosettesFollowingChannel0(128);
}

// Order 21: a flat square of the stripe texture.
void Director::stripeCard() {
  glDisable(GL_LIGHTING);
  camera(0, 0, 0.5);
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
  glColor4ub(255, 255, 255, 255);
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(1, 1);
  glVertex3f(0.5f, 0.5f, 0);
  glTexCoord2f(0, 1);
  glVertex3f(-0.5f, 0.5f, 0);
  glTexCoord2f(1, 0);
  glVertex3f(0.5f, -0.5f, 0);
  glTexCoord2f(0, 0);
  glVertex3f(-0.5f, -0.5f, 0);
  glEnd();
  glEnable(GL_LIGHTING);
}
