// The rosette: a petalled triangle fan.
#include "fx/rosette.h"

#include <GL/gl.h>

#include <cmath>

namespace {
// pi rounded to single precision, as the rim formula uses it.
constexpr double pi1 = 3.1415927410125732;
}

std::array<float, 2> Rosette::rimPoint(float degrees) const {
  const double theta = degrees * pi1 * (1.0 / 180);
  const double r = amplitude * std::sin(petals * theta + 2 * pi1) + baseRadius;
  return {static_cast<float>(r * std::cos(theta)), static_cast<float>(r * std::sin(theta))};
}

bool Rosette::draw(unsigned) {
  glBegin(GL_TRIANGLE_FAN);
  glVertex3f(0, 0, 0);
  // 361 rim points counter-clockwise, the last on the first.
  for (float a = 0; a <= 360; a += 1) {
    const auto [x, y] = rimPoint(a);
    const float s = x + y + 1;
    glNormal3f(x / s, y / s, 1);
    glVertex2f(x, y);
  }
  glEnd();
  return true;
}
