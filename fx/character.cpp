// The character: the mesh upright at show scale, with two eyes whose pupils
// roll with a sound level.
#include "fx/character.h"

#include <GL/gl.h>

#include <cmath>

#include "assets/mesh.h"
#include "fx/shape_cache.h"

void drawCharacter(Mesh& mesh, int level) {
  const double pi = 3.1415927410125732;  // pi in single precision
  const double phi = level * pi * (1.0 / 510);
  const auto dy = static_cast<float>(-3 * std::cos(phi));
  const auto dz = static_cast<float>(3 * std::sin(phi));

  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  glRotatef(10, 0, 1, 0);
  glRotatef(-5, 0, 0, 1);
  glScalef(0.02f, 0.02f, 0.02f);
  if (mesh.getVertexCount() > eyeVertices[1]) {
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glPushAttrib(GL_CURRENT_BIT);
    for (int eye : eyeVertices) {
      const float* at = &mesh.vertices[3 * eye];
      glPushMatrix();
      glTranslatef(at[0], at[1], at[2]);
      glColor4ub(255, 255, 255, 255);
      drawSphere(3);
      glTranslatef(0, dy, dz);
      glColor4ub(0, 0, 0, 255);
      drawSphere(1);
      glPopMatrix();
    }
    // Popping the current colour does not reach the colour material on every
    // driver (Mesa keeps the pupils' black): set it before the pop, so the body
    // wears the caller's colour.
    glColor4fv(colour);
    glPopAttrib();
  }
  mesh.draw(0);
  glPopMatrix();
}
