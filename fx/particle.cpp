// Camera-facing particles, the palette and the shared random generator.
#include "fx/particle.h"

#include <GL/gl.h>

#include <cmath>

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

namespace {

// The part of the quad that can give light, in texture coordinates: the
// quad [0, 1]^2 with its corners cut along the diagonals at the disc's
// radius and 8 texels of 256 more (bilinear filtering reaches 1.5 texels
// further, a coarser mipmap level k 1.5 * 2^k; beyond level 2 the particle
// is a few pixels wide). In the order of a triangle strip that zig-zags
// across it, wound as the quad's strip.
struct TexturePoint {
  double s, t;
};
constexpr double cut = (particleDiscRadius + 8.0 / 256) * 1.4142135623730951;
constexpr double low = 2 * particleDiscCentre - cut;   // s + t on the cut of the corner (0, 0)
constexpr double high = 2 * particleDiscCentre + cut;  // ... of the corner (1, 1)
constexpr TexturePoint outline[8] = {{low, 0},  {cut, 0},      {0, low},      {1, 1 - cut},
                                     {0, cut},  {1, high - 1}, {1 - cut, 1}, {high - 1, 1}};

}  // namespace

bool Particle::draw(unsigned elapsed) {
  if (colour[3] == 0) return false;

  // The first two rows of the modelview matrix: the viewer's right and up in model space.
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const double rx = m[0], ry = m[4], rz = m[8];
  const double ux = m[1], uy = m[5], uz = m[9];
  const double px = position[0], py = position[1], pz = position[2];

  glColor4ub(colour[0], colour[1], colour[2], colour[3]);
  // The whole quad when lit: GL lights each corner and interpolates over the
  // quad, and the corners of a smaller polygon would be lit otherwise. And
  // for a streak, stretched more than 4 times one way: its corners lie far
  // off the screen, and the cuts would only add edges for the rasteriser.
  const double across = (rx + 0.5) * (rx + 0.5) + ry * ry + rz * rz, up = ux * ux + uy * uy + uz * uz;
  if (glIsEnabled(GL_LIGHTING) || across > 16 * up || up > 16 * across) {
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
  } else {
    // Trimmed to the disc. The quad's point at texture coordinate (s, t) is
    // P + (0, 0.5, 0) + (2s - 1) (R + (0.5, 0, 0)) + (2t - 1) U: the corners
    // above at s, t = 0 or 1, and the texture coordinates interpolate alike.
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& [s, t] : outline) {
      const double a = 2 * s - 1, b = 2 * t - 1;
      glTexCoord2d(s, t);
      glVertex3d(px + a * (rx + 0.5) + b * ux, py + 0.5 + a * ry + b * uy, pz + a * rz + b * uz);
    }
    glEnd();
  }

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
