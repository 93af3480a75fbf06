// The character: the mesh upright at show scale, with two eyes whose pupils
// roll with the level of sound channel 0.
#include <GL/gl.h>

#include <cmath>

#include "fx/shape_cache.h"
#include "music/music.h"
#include "show/demo_app.h"

void DemoApp::drawCharacter() {
  const int v = (FSOUND_GetVolume(0) * FSOUND_IsPlaying(0)) & 0xFF;
  const double pi = 3.1415927410125732;  // pi in single precision
  const double phi = v * pi * (1.0 / 510);
  const auto dy = static_cast<float>(-3 * std::cos(phi));
  const auto dz = static_cast<float>(3 * std::sin(phi));

  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  glRotatef(10, 0, 1, 0);
  glRotatef(-5, 0, 0, 1);
  glScalef(0.02f, 0.02f, 0.02f);
  // The eyes sit at two vertices of the head; a smaller mesh has no head to put them on.
  if (mesh.getVertexCount() > 534) {
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glPushAttrib(GL_CURRENT_BIT);
    for (int eye : {73, 534}) {
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
