// Superstar's vertex clouds computed on the CPU and drawn in one batch (the
// header says why the pixels equal one strip per sprite).
#include "show/sprite_batch.h"

#include <algorithm>
#include <cstdint>

#include "assets/mesh.h"
#include "fx/particle.h"

void placeCopy(int j) {
  glScalef(0.05f, 0.05f, 0.05f);
  glRotatef(static_cast<GLfloat>(30 * j), 0, 1, 0);
  glTranslatef(0, 0, -20);
  glRotatef(-90, 1, 0, 0);
  glRotatef(10, 0, 1, 0);
  glRotatef(-5, 0, 0, 1);
}

void SpriteBatch::prepare(int vertexCount, std::size_t count) {
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

void SpriteBatch::begin() {
  drawn = 0;
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
}

void SpriteBatch::addCopy(const Mesh& mesh) {
  const int vertexCount = mesh.getVertexCount();
  if (vertexCount <= 0) return;
  lastVertexCount = vertexCount;
  const GLfloat* p = projection;
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  prepare(vertexCount, drawn + static_cast<std::size_t>(vertexCount));
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
      mvp[4 * col + i] = p[i] * scaled[4 * col] + p[4 + i] * scaled[4 * col + 1] + p[8 + i] * scaled[4 * col + 2] +
                         p[12 + i] * scaled[4 * col + 3];
  GLfloat partial[4][4];
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 4; ++i)
      partial[k][i] = corner[k][0] * mvp[i] + corner[k][1] * mvp[4 + i] + corner[k][2] * mvp[8 + i];
  GLfloat* out = &corners[16 * drawn];
  for (int v = 0; v < vertexCount; ++v, out += 16) {
    const float* vertex = &mesh.vertices[3 * v];
    // glTranslatef: the fourth column becomes M * (x, y, z, 1).
    GLfloat t[4];
    for (int i = 0; i < 4; ++i) t[i] = m[i] * vertex[0] + m[4 + i] * vertex[1] + m[8 + i] * vertex[2] + m[12 + i];
    // The fourth column of projection times modelview, then each corner with w = 1.
    for (int i = 0; i < 4; ++i) {
      const GLfloat last = p[i] * t[0] + p[4 + i] * t[1] + p[8 + i] * t[2] + p[12 + i] * t[3];
      for (int k = 0; k < 4; ++k) out[4 * k + i] = partial[k][i] + last;
    }
  }
  drawn += static_cast<std::size_t>(vertexCount);
}

void SpriteBatch::draw() {
  if (drawn == 0) return;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(4, GL_FLOAT, 0, corners.data());
  glColorPointer(4, GL_FLOAT, 0, colours.data());
  glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(6 * drawn), GL_UNSIGNED_INT, indices.data());
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  // What the last strip left current: its vertex's palette colour, the last corner's coordinate.
  const std::uint8_t* c = palette[(lastVertexCount - 1) % 12];
  glColor4ub(c[0], c[1], c[2], 255);
  glTexCoord2f(0, 0);
}
