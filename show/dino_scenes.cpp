// Orders 5 to 11: the character rises, dances, forms a ring, the lattice
// flight, and the character as clouds of glowing sprites.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

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
  for (int i = 0; i < 100; ++i) particle(i);
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

namespace {

// Superstar's sprites as vertex arrays kept from frame to frame. Colours,
// texture coordinates and indices depend only on a sprite's number and are
// made once; the clip-space corners are rewritten every frame.
struct SpriteBatch {
  int meshVertices = -1;  // what the constant arrays were made for
  std::size_t sprites = 0;
  std::vector<GLfloat> corners;    // per sprite, 4 corners of (x, y, z, w)
  std::vector<GLfloat> colours;    // per sprite, 4 corners of RGBA
  std::vector<GLfloat> texCoords;  // per sprite, 4 corners of (s, t)
  std::vector<GLuint> indices;     // per sprite, the two triangles of its strip

  void prepare(int vertexCount, std::size_t count) {
    if (vertexCount != meshVertices) {
      meshVertices = vertexCount;
      sprites = 0;
    }
    if (count <= sprites) return;
    corners.resize(count * 16);
    colours.resize(count * 16);
    texCoords.resize(count * 8);
    indices.resize(count * 6);
    static const GLfloat corner[8] = {1, 1, 0, 1, 1, 0, 0, 0};
    for (std::size_t s = sprites; s < count; ++s) {
      // The float glColor4ub makes of each byte.
      const std::uint8_t* c = palette[(s % static_cast<std::size_t>(vertexCount)) % 12];
      for (int k = 0; k < 4; ++k) {
        GLfloat* rgba = &colours[16 * s + 4 * k];
        rgba[0] = c[0] / 255.0f;
        rgba[1] = c[1] / 255.0f;
        rgba[2] = c[2] / 255.0f;
        rgba[3] = 1.0f;
      }
      std::copy(corner, corner + 8, &texCoords[8 * s]);
      // A strip of four makes (0, 1, 2) and (2, 1, 3).
      const auto b = static_cast<GLuint>(4 * s);
      const GLuint strip[6] = {b, b + 1, b + 2, b + 2, b + 1, b + 3};
      std::copy(strip, strip + 6, &indices[6 * s]);
    }
    sprites = count;
  }
};

}  // namespace

// Order 11: the character as clouds of glowing sprites, one per vertex, and a
// caption sliding in. Each sprite is a camera-facing square placed by its own
// matrix: the copy's matrix translated to the vertex and scaled by 100. That
// is computed here as GL computes it (the same float operations in the same
// order: translate, scale, the product with the projection, each corner) and
// the sprites go to GL in one batch as clip-space corners, so the pixels are
// those of one strip per sprite at a fraction of the cost.
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
  static SpriteBatch batch;
  const int vertexCount = app.mesh.getVertexCount();
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  std::size_t drawn = 0;
  const auto copies = [this] { return (row() & ~3) > 48 ? 12 : row() / 4; };
  for (int j = 0; j < copies(); ++j) {
    glPushMatrix();
    glScalef(0.05f, 0.05f, 0.05f);
    glRotatef(static_cast<GLfloat>(30 * j), 0, 1, 0);
    glTranslatef(0, 0, -20);
    glRotatef(-90, 1, 0, 0);
    glRotatef(10, 0, 1, 0);
    glRotatef(-5, 0, 0, 1);
    if (vertexCount > 0) {
      GLfloat m[16];
      glGetFloatv(GL_MODELVIEW_MATRIX, m);
      batch.prepare(vertexCount, drawn + static_cast<std::size_t>(vertexCount));
      // The corners in the sprite's own space: O plus or minus R and U.
      const GLfloat r[3] = {m[0], m[4], m[8]};
      const GLfloat u[3] = {m[1], m[5], m[9]};
      const GLfloat corner[4][3] = {{0.5f + r[0] + u[0], 0.5f + r[1] + u[1], r[2] + u[2]},
                                    {0.5f - r[0] + u[0], 0.5f - r[1] + u[1], -r[2] + u[2]},
                                    {0.5f + r[0] - u[0], 0.5f + r[1] - u[1], r[2] - u[2]},
                                    {0.5f - r[0] - u[0], 0.5f - r[1] - u[1], -r[2] - u[2]}};
      // Scaling by 100 touches only the first three columns, the same for every sprite.
      GLfloat scaled[12];
      for (int k = 0; k < 12; ++k) scaled[k] = m[k] * 100.0f;
      // Projection times those columns, and their part of each corner's sum.
      GLfloat mvp[12];
      for (int col = 0; col < 3; ++col)
        for (int i = 0; i < 4; ++i)
          mvp[4 * col + i] = p[i] * scaled[4 * col] + p[4 + i] * scaled[4 * col + 1] +
                             p[8 + i] * scaled[4 * col + 2] + p[12 + i] * scaled[4 * col + 3];
      GLfloat partial[4][4];
      for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 4; ++i)
          partial[k][i] = corner[k][0] * mvp[i] + corner[k][1] * mvp[4 + i] + corner[k][2] * mvp[8 + i];
      GLfloat* out = &batch.corners[16 * drawn];
      for (int v = 0; v < vertexCount; ++v, out += 16) {
        const float* vertex = &app.mesh.vertices[3 * v];
        // glTranslatef: the fourth column becomes M * (x, y, z, 1).
        GLfloat t[4];
        for (int i = 0; i < 4; ++i)
          t[i] = m[i] * vertex[0] + m[4 + i] * vertex[1] + m[8 + i] * vertex[2] + m[12 + i];
        // The fourth column of projection times modelview, then each corner with w = 1.
        for (int i = 0; i < 4; ++i) {
          const GLfloat last = p[i] * t[0] + p[4 + i] * t[1] + p[8 + i] * t[2] + p[12 + i] * t[3];
          for (int k = 0; k < 4; ++k) out[4 * k + i] = partial[k][i] + last;
        }
      }
      drawn += static_cast<std::size_t>(vertexCount);
    }
    glPopMatrix();
  }
  glPopMatrix();
  if (drawn > 0) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(4, GL_FLOAT, 0, batch.corners.data());
    glColorPointer(4, GL_FLOAT, 0, batch.colours.data());
    glTexCoordPointer(2, GL_FLOAT, 0, batch.texCoords.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(6 * drawn), GL_UNSIGNED_INT, batch.indices.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    // What the last strip left current.
    paletteColour(vertexCount - 1, 255);
    glTexCoord2f(0, 0);
  }
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
