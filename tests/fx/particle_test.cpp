#include "fx/particle.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "tests/fx/fx_gl.h"

TEST(FxRandom, StartsFromStateOneAndRunsTheKnownSequence) {
  resetRandom();
  for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464})
    EXPECT_EQ(nextRandom(), expected);
}

TEST(FxParticleCreation, FirstParticleTakesNineDrawsZYXInTurn) {
  resetRandom();
  std::unique_ptr<Particle> p(createParticle(0));
  // Draws 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962 reduced mod 100.
  EXPECT_FLOAT_EQ(p->position[2], 0.09f);
  EXPECT_FLOAT_EQ(p->position[1], -0.17f);
  EXPECT_FLOAT_EQ(p->position[0], 0.16f);
  EXPECT_FLOAT_EQ(p->velocity[2], 0.05f);
  EXPECT_FLOAT_EQ(p->velocity[1], -0.019f);
  EXPECT_FLOAT_EQ(p->velocity[0], 0.026f);
  EXPECT_FLOAT_EQ(p->acceleration[2], -0.028f);
  EXPECT_FLOAT_EQ(p->acceleration[1], -0.008f);
  EXPECT_FLOAT_EQ(p->acceleration[0], -0.012f);
  EXPECT_EQ(p->colour[0], 255);
  EXPECT_EQ(p->colour[1], 127);
  EXPECT_EQ(p->colour[2], 127);
  EXPECT_EQ(p->colour[3], 255);
}

TEST(FxParticleCreation, HundredParticlesMake900DrawsAndRepeatEachRun) {
  auto makeAll = [] {
    std::vector<std::unique_ptr<Particle>> all;
    for (int i = 0; i < 100; ++i) all.emplace_back(createParticle(i));
    return all;
  };
  resetRandom();
  const auto first = makeAll();
  const int after = nextRandom();
  resetRandom();
  const auto second = makeAll();
  for (int i = 0; i < 100; ++i) {
    const Particle &a = *first[i], &b = *second[i];
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(a.position[k], b.position[k]);
      EXPECT_EQ(a.velocity[k], b.velocity[k]);
      EXPECT_EQ(a.acceleration[k], b.acceleration[k]);
    }
  }
  resetRandom();
  for (int i = 0; i < 900; ++i) nextRandom();
  EXPECT_EQ(nextRandom(), after);

  for (int i : {12, 24, 96}) EXPECT_EQ(0, std::memcmp(first[i]->colour, first[0]->colour, 4));
  for (int c = 0; c < 3; ++c) EXPECT_EQ(first[2]->colour[c], 255);
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

TEST_F(FxParticle, TextureStaysUprightOnScreenUnderARoll) {
  // 2 x 2 texture: bottom row red, green; top row blue, white.
  const GLubyte texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  GLuint texture;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  Particle p;
  p.colour[0] = p.colour[1] = p.colour[2] = p.colour[3] = 255;
  auto at = [](double x, double y) {
    return gl->pixel(static_cast<int>(64 + 32 * x), static_cast<int>(64 + 32 * y));
  };
  const std::vector<std::uint8_t> red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};

  plainScene(2);
  glEnable(GL_TEXTURE_2D);
  p.draw(0);
  EXPECT_EQ(at(1.2, 1.2), white);
  EXPECT_EQ(at(-1.2, 1.2), blue);
  EXPECT_EQ(at(1.2, -0.2), green);
  EXPECT_EQ(at(-1.2, -0.2), red);

  // Rolled a quarter turn: the quad's right and up are still the screen's;
  // only the model-space offsets of 0.5 turn with the model.
  plainScene(2);
  glEnable(GL_TEXTURE_2D);
  glRotatef(90, 0, 0, 1);
  p.draw(0);
  // Corners on screen: (0.5, 1.5), (-1.5, 0.5), (0.5, -0.5), (-1.5, -1.5).
  EXPECT_EQ(at(0.3, 1.1), white);
  EXPECT_EQ(at(-1.3, 0.3), blue);
  EXPECT_EQ(at(0.3, -0.5), green);
  EXPECT_EQ(at(-1.3, -1.1), red);
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &texture);
}

TEST_F(FxParticle, MovesByExplicitEulerWithTheOldVelocity) {
  plainScene(2);
  Particle p;
  p.colour[3] = 255;
  p.velocity[0] = 0.05f;
  p.acceleration[0] = 0.01f;
  EXPECT_TRUE(p.draw(1000));
  EXPECT_FLOAT_EQ(p.position[0], 0.05f);
  EXPECT_FLOAT_EQ(p.velocity[0], 0.06f);

  Particle q;
  q.colour[3] = 255;
  const float v[3] = {1, 2, 3}, a[3] = {4, 5, 6};
  std::copy(v, v + 3, q.velocity);
  std::copy(a, a + 3, q.acceleration);
  q.draw(0);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(q.position[k], 0);
    EXPECT_EQ(q.velocity[k], v[k]);
  }
  q.draw(500);
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(q.position[k], 0.5f * v[k]);
    EXPECT_FLOAT_EQ(q.velocity[k], v[k] + 0.5f * a[k]);
  }
}

TEST_F(FxParticle, InvisibleParticleIsNeitherDrawnNorMoved) {
  plainScene(2);
  Particle p;
  p.colour[0] = p.colour[1] = p.colour[2] = 255;
  p.velocity[1] = 1;
  p.acceleration[2] = 1;
  EXPECT_FALSE(p.draw(4000000000u));
  EXPECT_EQ(lit().count, 0);
  EXPECT_EQ(p.position[1], 0);
  EXPECT_EQ(p.velocity[2], 0);
}
