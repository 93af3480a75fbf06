// The character: the mesh upright at show scale, with two eyes whose pupils
// roll with a sound level.
#include "fx/character.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "assets/mesh.h"
#include "fx/shape_cache.h"

namespace {

constexpr float meshScale = 0.02f;

// A pupil reaches this far beyond the mesh's farthest vertex: an eye's
// radius and the pupil's, in mesh units.
constexpr float pupilReach = 3 + 1;

}  // namespace

void standUpright() {
  glRotatef(-90, 1, 0, 0);
  glRotatef(10, 0, 1, 0);
  glRotatef(-5, 0, 0, 1);
  glScalef(meshScale, meshScale, meshScale);
}

bool characterOutOfView(const Mesh& mesh) {
  GLfloat m[16], p[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  // The rotations and the scale leave the origin where the modelview puts it.
  // How much its 3x3 part A stretches the sphere at most is the root of the
  // largest eigenvalue of A^T A; both its trace and its largest absolute row
  // sum bound that eigenvalue from above (the row sum is exact for a rotation
  // with an even scale). The longest column of A would not: a scale that is
  // uneven after a turn stretches further than any column says.
  const double centre[4] = {m[12], m[13], m[14], m[15]};
  double gram[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      gram[i][j] = double{m[4 * i]} * m[4 * j] + double{m[4 * i + 1]} * m[4 * j + 1] +
                   double{m[4 * i + 2]} * m[4 * j + 2];
  double rowSum = 0;
  for (const auto& row : gram) rowSum = std::max(rowSum, std::abs(row[0]) + std::abs(row[1]) + std::abs(row[2]));
  const double stretch = std::sqrt(std::min(rowSum, gram[0][0] + gram[1][1] + gram[2][2]));
  const double radius = (mesh.reach + pupilReach) * meshScale * stretch;
  // Each plane of the view volume is the projection's last row plus or minus
  // one of the others (eye space; inside is where it is not negative).
  for (int row = 0; row < 3; ++row) {
    for (int sign : {1, -1}) {
      double plane[4], normal = 0;
      for (int col = 0; col < 4; ++col) plane[col] = p[4 * col + 3] + sign * p[4 * col + row];
      for (int col = 0; col < 3; ++col) normal += plane[col] * plane[col];
      double distance = 0;
      for (int col = 0; col < 4; ++col) distance += plane[col] * centre[col];
      // A sliver of margin for the rounding of GL's own transformation.
      if (distance < -(radius * std::sqrt(normal) * 1.001 + 1e-6)) return true;
    }
  }
  return false;
}

void drawCharacter(Mesh& mesh, int level, ShapeCache& shapes) {
  if (mesh.triangleCount > 0 && mesh.normals && characterOutOfView(mesh)) {
    glNormal3fv(&mesh.normals[3 * mesh.triangles[3 * mesh.triangleCount - 1]]);
    return;
  }
  const double pi = 3.1415927410125732;  // pi in single precision
  const double phi = level * pi * (1.0 / 510);
  const auto dy = static_cast<float>(-3 * std::cos(phi));
  const auto dz = static_cast<float>(3 * std::sin(phi));

  glPushMatrix();
  standUpright();
  if (mesh.getVertexCount() > eyeVertices[1]) {
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glPushAttrib(GL_CURRENT_BIT);
    for (int eye : eyeVertices) {
      const float* at = &mesh.vertices[3 * eye];
      glPushMatrix();
      glTranslatef(at[0], at[1], at[2]);
      glColor4ub(255, 255, 255, 255);
      shapes.drawSphere(3);
      glTranslatef(0, dy, dz);
      glColor4ub(0, 0, 0, 255);
      shapes.drawSphere(1);
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
