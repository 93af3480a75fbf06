// The cube lattice: 216 spinning colour cubes from one vertex array.
#include "fx/cube_lattice.h"

#include <GL/gl.h>

#include <cmath>

namespace {
// The unit cube; each corner's colour is its position mapped to 0..1.
const GLfloat positions[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                 {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
const GLfloat colours[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                               {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
// Six quads, counter-clockwise seen from outside.
const GLubyte indices[24] = {0, 3, 2, 1, 2, 3, 7, 6, 0, 4, 7, 3, 1, 2, 6, 5, 4, 5, 6, 7, 0, 1, 5, 4};
}  // namespace

CubeLattice::Scale CubeLattice::scaleAt(unsigned time) {
  const double t = time;
  return {static_cast<float>(std::sin(t * 0.01)), static_cast<float>(std::cos(t * 0.004)),
          static_cast<float>(std::sin(t * (1.0 / 56)))};
}

float CubeLattice::angleAt(unsigned time, float x, float y, float z) {
  const float sum = static_cast<float>(time) + y + x;
  return sum + z;
}

bool CubeLattice::draw(unsigned time) {
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, positions);
  glColorPointer(3, GL_FLOAT, 0, colours);
  const Scale scale = scaleAt(time);
  for (float x = -7.5f; x < 8; x += 3) {
    for (float y = -7.5f; y < 8; y += 3) {
      for (float z = 7.5f; z >= -8; z -= 3) {
        glPushMatrix();
        glTranslatef(x, y, z);
        glScalef(scale.x, scale.y, scale.z);
        glRotatef(angleAt(time, x, y, z), x, y, z);
        glDrawElements(GL_QUADS, 24, GL_UNSIGNED_BYTE, indices);
        glPopMatrix();
      }
    }
  }
  glPopClientAttrib();
  return false;
}
