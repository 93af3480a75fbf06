// The particle fields drawn small and stretched over the frame.
#include "show/glow_layer.h"

#include <algorithm>

namespace {

int powerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

}  // namespace

int GlowLayer::divisorAt(int lines, int atFullHd) { return std::max(1, atFullHd * lines / 1080); }

void GlowLayer::begin(int acrossAtFullHd, int downAtFullHd) {
  glGetIntegerv(GL_VIEWPORT, viewport);
  across = divisorAt(viewport[3], acrossAtFullHd);
  down = divisorAt(viewport[3], downAtFullHd);
  if (across == 1 && down == 1) return;
  // The field's pixel (i, j) is the frame's block from (across * i, down * j).
  const double fieldWidth = static_cast<double>(viewport[2]) / across;
  const double fieldHeight = static_cast<double>(viewport[3]) / down;
  width = (viewport[2] + across - 1) / across;
  height = (viewport[3] + down - 1) / down;
  glViewport(viewport[0], viewport[1], width + 2, height + 2);
  // The projection's picture lands one pixel in from the corner, at the
  // field's scale; the ring around it holds what lies just outside the frame.
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glTranslated((fieldWidth - width) / (width + 2), (fieldHeight - height) / (height + 2), 0);
  glScaled(fieldWidth / (width + 2), fieldHeight / (height + 2), 1);
  glMultMatrixf(projection);
  glMatrixMode(GL_MODELVIEW);
}

void GlowLayer::end() {
  if (across == 1 && down == 1) return;
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
  const int needWidth = powerOfTwoAtLeast(width + 2), needHeight = powerOfTwoAtLeast(height + 2);
  if (!texture) glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  if (needWidth != textureWidth || needHeight != textureHeight) {
    textureWidth = needWidth;
    textureHeight = needHeight;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, textureWidth, textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, viewport[0], viewport[1], width + 2, height + 2);

  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  // The field's projection, popped below.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  // The frame's edges are the field's, one texel in from the corner.
  const double s0 = 1.0 / textureWidth, t0 = 1.0 / textureHeight;
  const double s1 = (1.0 + static_cast<double>(viewport[2]) / across) / textureWidth;
  const double t1 = (1.0 + static_cast<double>(viewport[3]) / down) / textureHeight;
  glBegin(GL_QUADS);
  glTexCoord2d(s0, t0);
  glVertex2i(-1, -1);
  glTexCoord2d(s1, t0);
  glVertex2i(1, -1);
  glTexCoord2d(s1, t1);
  glVertex2i(1, 1);
  glTexCoord2d(s0, t1);
  glVertex2i(-1, 1);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}
