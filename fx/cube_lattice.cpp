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
// Reduced flashing: the same colours at 60 % alpha, and the motion at a quarter of its pace.
const GLfloat reducedColours[8][4] = {{0, 0, 0, 0.6f}, {1, 0, 0, 0.6f}, {1, 1, 0, 0.6f}, {0, 1, 0, 0.6f},
                                      {0, 0, 1, 0.6f}, {1, 0, 1, 0.6f}, {1, 1, 1, 0.6f}, {0, 1, 1, 0.6f}};
constexpr double reducedPace = 0.25;
// Six quads, counter-clockwise seen from outside.
const GLubyte indices[24] = {0, 3, 2, 1, 2, 3, 7, 6, 0, 4, 7, 3, 1, 2, 6, 5, 4, 5, 6, 7, 0, 1, 5, 4};
}  // namespace

CubeLattice::Scale CubeLattice::scaleAt(double time) {
  return {static_cast<float>(std::sin(time * 0.01)), static_cast<float>(std::cos(time * 0.004)),
          static_cast<float>(std::sin(time * (1.0 / 56)))};
}

float CubeLattice::angleAt(double time, float x, float y, float z) {
  const float sum = static_cast<float>(time) + y + x;
  return sum + z;
}

bool CubeLattice::draw(unsigned time) {
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, positions);
  if (reduceFlashing)
    glColorPointer(4, GL_FLOAT, 0, reducedColours);
  else
    glColorPointer(3, GL_FLOAT, 0, colours);
  const double motion = reduceFlashing ? time * reducedPace : time;
  const Scale scale = scaleAt(motion);
  for (float x = -7.5f; x < 8; x += 3) {
    for (float y = -7.5f; y < 8; y += 3) {
      for (float z = 7.5f; z >= -8; z -= 3) {
        glPushMatrix();
        glTranslatef(x, y, z);
        glScalef(scale.x, scale.y, scale.z);
        glRotatef(angleAt(motion, x, y, z), x, y, z);
        glDrawElements(GL_QUADS, 24, GL_UNSIGNED_BYTE, indices);
        glPopMatrix();
      }
    }
  }
  glPopClientAttrib();
  return false;
}
