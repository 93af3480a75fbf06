// Tests of the particles and the shared random generator.
#include "fx/particle.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "tests/fx/fx_gl.h"

TEST(FxParticleCreation, NineDrawsZYXInTurnAndPaletteColours) {
  resetRandom();
  for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464})
    EXPECT_EQ(nextRandom(), expected);

  resetRandom();
  std::vector<std::unique_ptr<Particle>> all;
  for (int i = 0; i < 100; ++i) all.emplace_back(createParticle(i));
  // Particle 0 took the draws above, each mod 100: z, y, x of each vector.
  const Particle& p = *all[0];
  const float expected[9] = {0.16f, -0.17f, 0.09f, 0.026f, -0.019f, 0.05f, -0.012f, -0.008f, -0.028f};
  const float* got[3] = {p.position, p.velocity, p.acceleration};
  for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(got[k / 3][k % 3], expected[k]) << k;
  const std::uint8_t first[4] = {255, 127, 127, 255};
  for (int i : {0, 12, 24, 96}) EXPECT_EQ(0, std::memcmp(all[i]->colour, first, 4)) << i;
  for (int c = 0; c < 3; ++c) EXPECT_EQ(all[2]->colour[c], 255);
  // 900 draws in all.
  const int after = nextRandom();
  resetRandom();
  for (int i = 0; i < 900; ++i) nextRandom();
  EXPECT_EQ(nextRandom(), after);
}

class FxParticle : public FxGl {};

TEST_F(FxParticle, QuadUnderIdentityIsThreeByTwoAboveTheOriginAndFacesTheViewer) {
  plainScene(2);  // 32 pixels per unit, origin at pixel 64
  glEnable(GL_CULL_FACE);
  Particle p;
  p.colour[0] = p.colour[1] = p.colour[2] = p.colour[3] = 255;
  EXPECT_TRUE(p.draw(0));
  const Lit area = lit();
  // Corners (+-1.5, 1.5) and (+-1.5, -0.5).
  EXPECT_EQ(area.x0, 16);
  EXPECT_EQ(area.x1, 111);
  EXPECT_EQ(area.y0, 48);
  EXPECT_EQ(area.y1, 111);
  EXPECT_EQ(area.count, 96 * 64);
}

TEST_F(FxParticle, MovesByExplicitEulerWithTheOldVelocityUnlessInvisible) {
  plainScene(2);
  Particle p;
  const float v[3] = {0.05f, 2, 3}, a[3] = {0.01f, 5, 6};
  std::copy(v, v + 3, p.velocity);
  std::copy(a, a + 3, p.acceleration);
  p.colour[0] = 255;
  EXPECT_FALSE(p.draw(4000000000u));  // alpha 0: neither drawn nor moved
  EXPECT_EQ(lit().count, 0);
  p.colour[3] = 255;
  EXPECT_TRUE(p.draw(0));
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(p.position[k], 0);
    EXPECT_EQ(p.velocity[k], v[k]);
  }
  p.draw(1000);
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(p.position[k], v[k]);
    EXPECT_FLOAT_EQ(p.velocity[k], v[k] + a[k]);
  }
}
