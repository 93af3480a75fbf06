// Dino, credit and closing scenes: the latches, the row- and time-driven
// rules, on real rendering with the show's assets.
#include <cmath>

#include "fx/particle.h"
#include "tests/show/show_fixture.h"

namespace {

class LaterScenesTest : public ShowTest {};

TEST_F(LaterScenesTest, ParticlesAreReseededOnceEvenWhenOrder6ComesFirst) {
  app->director.reseedPending = true;
  frame(9, 0, 20000);  // no particles; the next frame's step is 0, so they do not move
  frame(6, 0, 20000);
  EXPECT_FALSE(app->director.reseedPending);
  for (const Particle* p : app->particles) {
    // Whole numbers from -5 to 4 in x and y, z = -5.
    for (int axis : {0, 1}) {
      EXPECT_EQ(p->position[axis], std::floor(p->position[axis]));
      EXPECT_GE(p->position[axis], -5);
      EXPECT_LE(p->position[axis], 4);
    }
    EXPECT_EQ(p->position[2], -5);
  }
  for (Particle* p : app->particles) p->position[2] = 77;
  frame(5, 10, 20000);
  for (const Particle* p : app->particles) EXPECT_EQ(p->position[2], 77);
}

TEST_F(LaterScenesTest, DinoRiseAtRow0OfOrder5ShowsNoCharacter) {
  channels(0, 0);
  // The particle field is drawn the same; only the character's size differs.
  frame(5, 0, 30000);
  const auto row0 = frame(5, 0, 30000);
  EXPECT_EQ(frame(5, 0, 30000), row0);
  EXPECT_NE(frame(5, 40, 30000), row0);
}

TEST_F(LaterScenesTest, SuperstarCaptionRunsOnTimeFromItsFirstFrame) {
  app->director.superstarStart = 0;
  frame(11, 0, 50000);
  EXPECT_EQ(app->director.superstarStart, 50000);
  frame(11, 30, 53000);
  EXPECT_EQ(app->director.superstarStart, 50000);
}

TEST_F(LaterScenesTest, CodeCreditDigitsVanishAtRow0) {
  channels(0, 0);
  frame(14, 0, 60000);
  const int headingOnly = litPixels(frame(14, 0, 60000));
  EXPECT_GT(litPixels(frame(14, 20, 60000)), headingOnly);
}

TEST_F(LaterScenesTest, RosetteWheelVanishesAtVolume128) {
  // Order 22 draws the same channel flower with no scene under it.
  channels(8, 128);
  const auto flowerAlone = frame(22, 0, 70000);
  EXPECT_EQ(frame(20, 0, 70000), flowerAlone);
  channels(8, 127);
  const auto withWheel = frame(20, 0, 70000);
  EXPECT_GT(litPixels(withWheel), litPixels(frame(22, 0, 70000)));
}

}  // namespace
