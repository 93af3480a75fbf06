// Particles, the show's palette and its shared random generator.
#pragma once
#include <cstdint>

// The 12 colours of the show (red, green, blue); every index is taken modulo 12.
extern const std::uint8_t palette[12][3];

// The shared random generator: one for the whole show, state 1 at start,
// never reseeded. state = state * 214013 + 2531011; yields (state >> 16) & 0x7FFF.
int nextRandom();
// Back to state 1 (tests only: the show never reseeds).
void resetRandom();

// Where a particle's texture can give light, in texture coordinates: the
// disc of this radius about (particleDiscCentre, particleDiscCentre), the
// show's glow (black outside it). Unlit, a particle draws only the part of
// its quad that covers this disc, with a margin for texture filtering:
// under additive blending black texels add nothing, and the rasteriser need
// not fill them.
constexpr double particleDiscCentre = 128.5 / 256;
constexpr double particleDiscRadius = 0.5;

// A camera-facing textured quad moved by explicit Euler integration each
// time it is drawn. Owns nothing.
class Particle {
 public:
  virtual ~Particle() = default;
  // Draws the particle and moves it by `elapsed` milliseconds; false (and
  // nothing drawn or moved) when its alpha is 0.
  virtual bool draw(unsigned elapsed);

  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  float acceleration[3] = {0, 0, 0};
  std::uint8_t colour[4] = {0, 0, 0, 0};
};

// Particle i of the show: palette colour i, then nine draws of the shared generator.
Particle* createParticle(int index);
