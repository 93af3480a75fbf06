// The particle fields drawn small and stretched over the frame.
#include "show/glow_layer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

int powerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

// The smallest box holding the pixels of an RGBA picture with any light in
// them; right < left when none has.
struct Box {
  int left, bottom, right, top;
};

Box litBox(const std::vector<std::uint8_t>& rgba, int width, int height) {
  Box box{width, height, -1, -1};
  const auto lit = [&](int i, int j) {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(j) * width + i) * 4];
    return (p[0] | p[1] | p[2]) != 0;
  };
  for (int j = 0; j < height; ++j) {
    int i = 0;
    while (i < width && !lit(i, j)) ++i;
    if (i == width) continue;
    box.left = std::min(box.left, i);
    box.bottom = std::min(box.bottom, j);
    box.top = j;
    i = width - 1;
    while (!lit(i, j)) --i;
    box.right = std::max(box.right, i);
  }
  return box;
}

}  // namespace

int GlowLayer::divisorAt(int lines, int atFullHd) {
  // On smaller frames the glows' edges are a few pixels wide, and a field
  // squeezed even by 2 samples the glow at coarser mipmaps: it is drawn whole.
  return lines < 1080 ? 1 : std::max(1, atFullHd * lines / 1080);
}

void GlowLayer::begin(int acrossAtFullHd, int downAtFullHd) {
  glGetIntegerv(GL_VIEWPORT, viewport);
  across = divisorAt(viewport[3], acrossAtFullHd);
  down = divisorAt(viewport[3], downAtFullHd);
  if (across == 1 && down == 1) return;
  multisampled = glIsEnabled(GL_MULTISAMPLE);
  glDisable(GL_MULTISAMPLE);
  // The field's pixel (i, j) is the frame's block from (across * i, down * j).
  // A ring of one pixel holds what lies just beyond the frame's edges, where
  // the stretch interpolates; not along an axis kept whole, whose pixels the
  // stretch takes at their centres (and whose ring would fall off the frame).
  ringX = across > 1 ? 1 : 0;
  ringY = down > 1 ? 1 : 0;
  const double fieldWidth = static_cast<double>(viewport[2]) / across;
  const double fieldHeight = static_cast<double>(viewport[3]) / down;
  width = (viewport[2] + across - 1) / across;
  height = (viewport[3] + down - 1) / down;
  const int outerWidth = width + 2 * ringX, outerHeight = height + 2 * ringY;
  glViewport(viewport[0], viewport[1], outerWidth, outerHeight);
  // The projection's picture lands inside the ring, at the field's scale.
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glTranslated((fieldWidth - width) / outerWidth, (fieldHeight - height) / outerHeight, 0);
  glScaled(fieldWidth / outerWidth, fieldHeight / outerHeight, 1);
  glMultMatrixf(projection);
  glMatrixMode(GL_MODELVIEW);
}

void GlowLayer::end() {
  if (across == 1 && down == 1) return;
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);

  // Where the field has light. Elsewhere the frame is to stay black, as
  // cleared: all the texels the stretch would take there are black.
  const int outerWidth = width + 2 * ringX, outerHeight = height + 2 * ringY;
  pixels.resize(static_cast<std::size_t>(outerWidth) * outerHeight * 4);
  glReadPixels(viewport[0], viewport[1], outerWidth, outerHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  const Box lit = litBox(pixels, outerWidth, outerHeight);
  if (lit.right < lit.left) {
    if (multisampled) glEnable(GL_MULTISAMPLE);
    return;
  }

  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT | GL_SCISSOR_BIT);
  const int needWidth = powerOfTwoAtLeast(outerWidth), needHeight = powerOfTwoAtLeast(outerHeight);
  if (!texture) glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  if (needWidth != textureWidth || needHeight != textureHeight) {
    textureWidth = needWidth;
    textureHeight = needHeight;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, textureWidth, textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, viewport[0], viewport[1], outerWidth, outerHeight);
  // The corner back to black, then the stretch over the frame's pixels that
  // take any lit texel (bilinear: the two nearest each way), and a pixel more
  // each side.
  glEnable(GL_SCISSOR_TEST);
  glScissor(viewport[0], viewport[1], outerWidth, outerHeight);
  glClear(GL_COLOR_BUFFER_BIT);
  const int x0 = std::max(0, (lit.left - 1 - ringX) * across), x1 = std::min(viewport[2], (lit.right + 2 - ringX) * across);
  const int y0 = std::max(0, (lit.bottom - 1 - ringY) * down), y1 = std::min(viewport[3], (lit.top + 2 - ringY) * down);
  glScissor(viewport[0] + x0, viewport[1] + y0, x1 - x0, y1 - y0);

  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  // The frame's edges are the field's, inside the ring.
  const double s0 = static_cast<double>(ringX) / textureWidth, t0 = static_cast<double>(ringY) / textureHeight;
  const double s1 = (ringX + static_cast<double>(viewport[2]) / across) / textureWidth;
  const double t1 = (ringY + static_cast<double>(viewport[3]) / down) / textureHeight;
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
  if (multisampled) glEnable(GL_MULTISAMPLE);
}
