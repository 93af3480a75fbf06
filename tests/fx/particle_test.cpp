// Tests of the shared random generator and particle creation.
#include "fx/particle.h"

#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

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
