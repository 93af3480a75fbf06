// The director: dispatch, overlay, clock and latches, on real rendering.
#include "fx/particle.h"
#include "tests/show/show_fixture.h"

namespace {

class DirectorTest : public ShowTest {};

TEST_F(DirectorTest, NegativeOrderAndOrdersZeroAndOneDrawNoOverlay) {
  channels(8, 200);
  EXPECT_EQ(litPixels(frame(-1, 10)), 0);
  // Logo echo at row 0 adds nothing (alpha 0), and order 0 has no overlay.
  EXPECT_EQ(litPixels(frame(0, 0)), 0);
  EXPECT_GT(litPixels(frame(0, 32)), 0);
  channels(0, 0);
  const int spiralAlone = litPixels(frame(1, 0));
  channels(8, 200);
  EXPECT_EQ(litPixels(frame(1, 0)), spiralAlone);
}

TEST_F(DirectorTest, OddOrdersGetTheChannelRowEvenOnesTheFlower) {
  channels(8, 200);
  // The row spreads from x = -4 to 3; the flower stays within 0.6 of the centre at T = 0.
  for (int order : {19, 23, 31}) {
    const auto rgb = frame(order, 0, 0);
    EXPECT_GT(litColumns(rgb, 0, width * 2 / 5), 0) << order;
  }
  for (int order : {22, 24}) {
    const auto rgb = frame(order, 0, 0);
    EXPECT_GT(litPixels(rgb), 0) << order;
    EXPECT_EQ(litColumns(rgb, 0, width * 2 / 5), 0) << order;
  }
  channels(0, 0);
  EXPECT_EQ(litPixels(frame(19, 0)), 0);
  EXPECT_EQ(litPixels(frame(22, 0)), 0);
}

TEST_F(DirectorTest, OverlayWithNoChannelLeavesItsStateAsWithChannels) {
  channels(0, 0);
  frame(2, 10);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
}

TEST_F(DirectorTest, ChannelFlowerAlphaWrapsAtVolume192) {
  // v = 191 gives alpha 255, v = 192 gives 0: the flower vanishes.
  channels(1, 191);
  EXPECT_GT(litPixels(frame(22, 0, 0)), 0);
  channels(1, 192);
  EXPECT_EQ(litPixels(frame(22, 0, 0)), 0);
}

TEST_F(DirectorTest, ParticlesMoveByTheFrameStepClampedAtZeroAcrossTheTimerWrap) {
  Particle& p = *app->particles[0];
  p.velocity[0] = 1;  // one unit per second
  p.acceleration[0] = 0;
  p.colour[3] = 255;
  frame(2, 0, 5000);
  const float before = p.position[0];
  frame(2, 0, 5100);
  EXPECT_NEAR(p.position[0] - before, 0.1f, 1e-6f);
  // Time running backwards is no step at all.
  frame(2, 0, 4000);
  EXPECT_FLOAT_EQ(p.position[0], before + 0.1f);

  const std::uint32_t start = app->songStartTime;
  app->songStartTime = 0xFFFFFF00u;
  frame(2, 0, 0x80);  // the clock reads 0xFFFFFF80
  p.position[0] = 0;
  frame(2, 0, 0x80 + 200);  // the clock has wrapped to 0x48
  EXPECT_NEAR(p.position[0], 0.2f, 1e-6f);
  app->songStartTime = start;
}

TEST_F(DirectorTest, FarewellQuitsOnRow63AfterACompleteFrame) {
  channels(8, 100);
  frame(18, 62);
  EXPECT_FALSE(quitPosted());
  const auto last = frame(18, 63);
  EXPECT_TRUE(quitPosted());
  // The overlay was still drawn: the same picture as a frame that does not quit.
  EXPECT_GT(litPixels(last), 0);
}

}  // namespace
