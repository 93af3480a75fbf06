// Camera-facing particles, the palette and the shared random generator.
#include "fx/particle.h"

#include <GL/gl.h>

const std::uint8_t palette[12][3] = {
    {255, 127, 127}, {255, 196, 127}, {255, 255, 255}, {196, 255, 127},
    {127, 255, 127}, {127, 255, 196}, {127, 255, 255}, {127, 196, 255},
    {127, 127, 255}, {196, 127, 255}, {255, 127, 255}, {255, 127, 196},
};

namespace {
std::uint32_t randomState = 1;
}

int nextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

void resetRandom() { randomState = 1; }

bool Particle::draw(unsigned elapsed) {
  if (colour[3] == 0) return false;

  // The first two rows of the modelview matrix: the viewer's right and up in model space.
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const double rx = m[0], ry = m[4], rz = m[8];
  const double ux = m[1], uy = m[5], uz = m[9];
  const double px = position[0], py = position[1], pz = position[2];

  glColor4ub(colour[0], colour[1], colour[2], colour[3]);
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(1, 1);
  glVertex3d(px + rx + ux + 0.5, py + ry + uy + 0.5, pz + rz + uz);
  glTexCoord2f(0, 1);
  glVertex3d(px - rx + ux - 0.5, py - ry + uy + 0.5, pz - rz + uz);
  glTexCoord2f(1, 0);
  glVertex3d(px + rx - ux + 0.5, py + ry - uy + 0.5, pz + rz - uz);
  glTexCoord2f(0, 0);
  glVertex3d(px - rx - ux - 0.5, py - ry - uy + 0.5, pz - rz - uz);
  glEnd();

  // Explicit Euler: the position moves with the velocity from before this step.
  const double t = elapsed;
  const double c = 0.001f;
  for (int i = 0; i < 3; ++i) position[i] = static_cast<float>(position[i] + t * velocity[i] * c);
  for (int i = 0; i < 3; ++i) velocity[i] = static_cast<float>(velocity[i] + t * acceleration[i] * c);
  return true;
}

Particle* createParticle(int index) {
  auto* p = new Particle;
  const std::uint8_t* rgb = palette[index % 12];
  p->colour[0] = rgb[0];
  p->colour[1] = rgb[1];
  p->colour[2] = rgb[2];
  p->colour[3] = 255;
  // z, y, x of each vector in turn, one draw each.
  for (int i = 2; i >= 0; --i) p->position[i] = static_cast<float>(0.5 - 0.01 * (nextRandom() % 100));
  for (int i = 2; i >= 0; --i) p->velocity[i] = static_cast<float>(0.05 - 0.001 * (nextRandom() % 100));
  for (int i = 2; i >= 0; --i)
    p->acceleration[i] = static_cast<float>(0.05 - 0.001 * (nextRandom() % 100));
  return p;
}
