#include <algorithm>
#include <cmath>

#include "fx/cube_lattice.h"
#include "fx/rosette.h"
#include "tests/fx/fx_gl.h"

TEST(FxRosetteRim, SwingsBetweenTenthAndThreeTenthsWithFiniteNormals) {
  const Rosette rosette(5, 0.2f, 0.1f);
  const auto start = rosette.rimPoint(0), peak = rosette.rimPoint(18), dip = rosette.rimPoint(54);
  EXPECT_NEAR(start[0], 0.2f, 1e-6);
  EXPECT_NEAR(start[1], 0.0f, 1e-6);
  EXPECT_NEAR(std::hypot(peak[0], peak[1]), 0.3, 1e-6);
  EXPECT_NEAR(std::hypot(dip[0], dip[1]), 0.1, 1e-6);
  // The normal (x / s, y / s, 1) with s = x + y + 1 never divides by anything near 0.
  for (float a = 0; a <= 360; a += 1) {
    const auto [x, y] = rosette.rimPoint(a);
    EXPECT_GT(x + y + 1, 0.57f) << a;
    EXPECT_LT(x + y + 1, 1.39f) << a;
  }
}

class FxRosette : public FxGl {};

TEST_F(FxRosette, FanOf362VerticesFacingPlusZ) {
  Rosette rosette(5, 0.2f, 0.1f);
  plainScene(0.5);
  EXPECT_EQ(polygons([&] { EXPECT_TRUE(rosette.draw(123)); }).size(), 360u);
  plainScene(0.5);
  glEnable(GL_CULL_FACE);
  EXPECT_TRUE(rosette.draw(0xFFFFFFFFu));
  EXPECT_GT(lit().count, 1000);
  plainScene(0.5);
  glEnable(GL_CULL_FACE);
  glRotatef(180, 0, 1, 0);
  rosette.draw(0);
  EXPECT_EQ(lit().count, 0);
}

class FxCubeLattice : public FxGl {};

TEST_F(FxCubeLattice, AtTimeZeroEveryCubeIsALine) {
  CubeLattice lattice;
  // Seen from the front and, exactly, from the side: no area at time 0.
  const GLfloat side[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (bool fromSide : {false, true}) {
    SCOPED_TRACE(fromSide ? "side" : "front");
    plainScene(12);
    if (fromSide) glMultMatrixf(side);
    EXPECT_FALSE(lattice.draw(0));
    EXPECT_EQ(lit().count, 0);
    lattice.draw(1000);
    EXPECT_GT(lit().count, 1000);
  }
}

TEST_F(FxCubeLattice, Draws216CubesFromTheNearCornerToTheFarOne) {
  CubeLattice lattice;
  plainScene(20);
  const auto cubes = polygons([&] { lattice.draw(1000); });
  ASSERT_EQ(cubes.size() % 216, 0u);
  const size_t perCube = cubes.size() / 216;
  ASSERT_TRUE(perCube == 6 || perCube == 12) << perCube;  // quads, or each as two triangles
  // A cube is symmetric about its centre, so the middle of the box around its
  // corners is its centre, in window coordinates (3.2 pixels per unit).
  auto expectCentre = [&](size_t cube, double x, double y, double z) {
    double low[3] = {1e9, 1e9, 1e9}, high[3] = {-1e9, -1e9, -1e9};
    for (size_t i = cube * perCube; i < (cube + 1) * perCube; ++i)
      for (size_t k = 0; k < cubes[i].size(); ++k) {
        low[k % 3] = std::min<double>(low[k % 3], cubes[i][k]);
        high[k % 3] = std::max<double>(high[k % 3], cubes[i][k]);
      }
    const double window[3] = {(x + 20) * 3.2, (y + 20) * 3.2, (1 - z / 20) / 2};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR((low[c] + high[c]) / 2, window[c], 1e-3) << "cube " << cube;
  };
  expectCentre(0, -7.5, -7.5, 7.5);
  expectCentre(215, 7.5, 7.5, -7.5);
}

TEST_F(FxCubeLattice, LeavesClientArraysAndMatricesAsTheyWere) {
  CubeLattice lattice;
  plainScene(12);
  const GLfloat mine[3] = {0, 0, 0};
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(2, GL_FLOAT, 8, mine);
  const std::vector<GLfloat> before = modelview();
  lattice.draw(777);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
  EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
  GLint size;
  glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &size);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(modelview(), before);
  glDisableClientState(GL_NORMAL_ARRAY);
}
