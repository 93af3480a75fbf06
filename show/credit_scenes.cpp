// Orders 12 to 15: the music and code credits, each a heading and a handle.
#include <GL/gl.h>

#include <cmath>

#include "fx/particle.h"
#include "show/demo_app.h"
#include "show/director.h"

// The close camera that sways in front of every credit.
void Director::creditCamera() const {
  camera(0.5 * std::cos(0.001 * T), 1.5 * std::sin(0.001 * T), 0.75);
}

// Every credit's text: lit, sphere-mapped with the stripes, opaque.
void Director::creditTextState() const {
  textureGeneration(true);
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
}

// Order 12: "Music:" over three characters in a fan.
void Director::musicCredit() {
  creditCamera();
  creditTextState();
  glColor4ub(255, 255, 255, 255);
  text("Music:");
  glBindTexture(GL_TEXTURE_2D, 0);
  glTranslatef(0, -0.5f, -2.5f);
  rowColour();
  character();
  glRotatef(20, 0, 1, 0);
  character();
  glRotatef(-40, 0, 1, 0);
  character();
  textureGeneration(false);
}

// Order 13: the musician's handle over a turning character wearing the picture.
void Director::musician() {
  textureGeneration(true);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  creditCamera();
  rowColour();
  glBindTexture(GL_TEXTURE_2D, app.stripeTexture);
  text("p0lder");
  glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, app.pictureTexture);
  glTranslatef(0, -0.5f, -2.5f);
  glRotatef(static_cast<GLfloat>(0.05 * T), 0, 1, 0);
  character();
  textureGeneration(false);
}

// The spinning clouds of the code credits: points every `spacing` units from
// -7.5 to 7.5 on each axis (z falling), each in colours from the palette,
// scaled by `factor` (asked once per axis), turned about its own position and
// drawn by `shape` with the colour counter after its increment.
template <typename Factor, typename Shape>
static void spinningCloud(float spacing, int k, double spin, Factor factor, Shape shape) {
  for (float x = -7.5f; x < 8; x += spacing) {
    for (float y = -7.5f; y < 8; y += spacing) {
      for (float z = 7.5f; z >= -8; z -= spacing) {
        glColor4ub(palette[(k + 1) % 12][0], palette[(k + 1) % 12][1], palette[k % 12][2], 255);
        ++k;
        glPushMatrix();
        glTranslatef(x, y, z);
        const GLfloat sx = factor();
        const GLfloat sy = factor();
        const GLfloat sz = factor();
        glScalef(sx, sy, sz);
        glRotatef(static_cast<GLfloat>(x + y + z + spin), x, y, z);
        shape(k);
        glPopMatrix();
      }
    }
  }
}

// Order 14: "Code:" over a spinning cloud of binary digits in runs of 16.
void Director::codeCredit() {
  creditCamera();
  creditTextState();
  rowColour();
  text("Code:");
  glEnable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
  glTranslatef(0, 0, -6);
  spinningCloud(
      3, row(), 0.1 * T, [this] { return static_cast<GLfloat>(0.1 * row()); },
      [this](int k) { text(k & 16 ? "1" : "0"); });
}

// Order 15: the coder's handle over a spinning cloud of characters.
void Director::coder() {
  creditCamera();
  creditTextState();
  rowColour();
  text("gravimond");
  glEnable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
  glTranslatef(0, 0, -6);
  spinningCloud(
      5, row(), 0.1 * T, [this] { return static_cast<GLfloat>((10 - 0.1 * row()) * 0.1); },
      [this](int) { character(); });
}
