#include <algorithm>
#include <cmath>

#include "fx/cube_lattice.h"
#include "fx/rosette.h"
#include "tests/fx/fx_gl.h"

TEST(FxRosetteRim, SwingsBetweenTenthAndThreeTenthsWithFiniteNormals) {
  const Rosette rosette(5, 0.2f, 0.1f);
  const auto start = rosette.rimPoint(0);
  EXPECT_NEAR(start[0], 0.2f, 1e-6);
  EXPECT_NEAR(start[1], 0.0f, 1e-6);
  const auto peak = rosette.rimPoint(18), dip = rosette.rimPoint(54);
  EXPECT_NEAR(std::hypot(peak[0], peak[1]), 0.3, 1e-6);
  EXPECT_NEAR(std::hypot(dip[0], dip[1]), 0.1, 1e-6);
  const auto end = rosette.rimPoint(360);
  EXPECT_NEAR(end[0], start[0], 1e-6);
  EXPECT_NEAR(end[1], start[1], 1e-6);
  // The normal (x / s, y / s, 1) with s = x + y + 1 never divides by anything near 0.
  for (float a = 0; a <= 360; a += 1) {
    const auto [x, y] = rosette.rimPoint(a);
    EXPECT_GT(x + y + 1, 0.57f) << a;
    EXPECT_LT(x + y + 1, 1.39f) << a;
  }
}

TEST(FxLatticeMotion, ScaleAndSpinFollowTheTime) {
  const CubeLattice::Scale still = CubeLattice::scaleAt(0);
  EXPECT_EQ(still.x, 0.0f);
  EXPECT_EQ(still.y, 1.0f);
  EXPECT_EQ(still.z, 0.0f);
  const CubeLattice::Scale later = CubeLattice::scaleAt(1000);
  EXPECT_EQ(later.x, static_cast<float>(-0.5440211108893698));  // sin 10
  EXPECT_EQ(later.y, static_cast<float>(-0.6536436208636119));  // cos 4
  EXPECT_EQ(later.z, static_cast<float>(-0.8373475672443423));  // sin(1000 / 56)
  EXPECT_EQ(CubeLattice::angleAt(0, -7.5f, -7.5f, 7.5f), -7.5f);
  EXPECT_EQ(CubeLattice::angleAt(0, 7.5f, 4.5f, -1.5f), 10.5f);
  EXPECT_EQ(CubeLattice::angleAt(1000, 1.5f, -4.5f, 7.5f), 1004.5f);
}

class FxRosette : public FxGl {};

TEST_F(FxRosette, FanOf362VerticesFacingPlusZ) {
  Rosette rosette(5, 0.2f, 0.1f);
  plainScene(0.5);
  EXPECT_EQ(polygons([&] { EXPECT_TRUE(rosette.draw(123)); }).size(), 360u);

  plainScene(0.5);
  glEnable(GL_CULL_FACE);
  EXPECT_TRUE(rosette.draw(0xFFFFFFFFu));
  const Lit front = lit();
  EXPECT_NEAR(front.x1 - front.x0 + 1, 0.6 * 128, 8);
  plainScene(0.5);
  glEnable(GL_CULL_FACE);
  glRotatef(180, 0, 1, 0);
  rosette.draw(0);
  EXPECT_EQ(lit().count, 0);
}

class FxCubeLattice : public FxGl {};

TEST_F(FxCubeLattice, AtTimeZeroEveryCubeIsALine) {
  CubeLattice lattice;
  plainScene(12);
  EXPECT_FALSE(lattice.draw(0));
  EXPECT_EQ(lit().count, 0);

  // Seen at a slant the faces are slivers of no area (up to rounding).
  auto largestArea = [&](unsigned time) {
    plainScene(12);
    glRotatef(30, 1, 1, 0);
    double largest = 0;
    for (const auto& p : polygons([&] { lattice.draw(time); })) {
      double twice = 0;
      for (size_t i = 0, n = p.size() / 3; i < n; ++i) {
        const size_t j = (i + 1) % n;
        twice += p[3 * i] * p[3 * j + 1] - p[3 * j] * p[3 * i + 1];
      }
      largest = std::max(largest, std::abs(twice) / 2);
    }
    return largest;
  };
  EXPECT_LT(largestArea(0), 0.01);
  EXPECT_GT(largestArea(1234), 1.0);
}

TEST_F(FxCubeLattice, Draws216CubesFromTheNearCornerToTheFarOne) {
  CubeLattice lattice;
  plainScene(20);
  const GLubyte quad[] = {0, 1, 2, 3};
  const GLfloat corners[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, corners);
  const size_t perQuad = polygons([&] { glDrawElements(GL_QUADS, 4, GL_UNSIGNED_BYTE, quad); }).size();
  glDisableClientState(GL_VERTEX_ARRAY);

  const auto cubes = polygons([&] { lattice.draw(1234); });
  const size_t perCube = 6 * perQuad;
  ASSERT_EQ(cubes.size(), 216 * perCube);
  // A cube is symmetric about its centre, so the middle of the box around
  // its corners is its centre. Window coordinates: 3.2 pixels per unit.
  auto centre = [&](size_t cube) {
    std::array<double, 3> low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (size_t i = cube * perCube; i < (cube + 1) * perCube; ++i)
      for (size_t k = 0; k < cubes[i].size(); k += 3)
        for (int c = 0; c < 3; ++c) {
          low[c] = std::min<double>(low[c], cubes[i][k + c]);
          high[c] = std::max<double>(high[c], cubes[i][k + c]);
        }
    return std::array<double, 3>{(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
  };
  auto window = [](double x, double y, double z) {
    return std::array<double, 3>{(x + 20) * 3.2, (y + 20) * 3.2, (1 - z / 20) / 2};
  };
  const auto first = centre(0), last = centre(215), expectFirst = window(-7.5, -7.5, 7.5),
             expectLast = window(7.5, 7.5, -7.5);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(first[c], expectFirst[c], 1e-3);
    EXPECT_NEAR(last[c], expectLast[c], 1e-3);
  }
}

TEST_F(FxCubeLattice, LeavesClientArraysAndMatricesAsTheyWere) {
  CubeLattice lattice;
  plainScene(12);
  const GLfloat mine[3] = {0, 0, 0};
  glEnableClientState(GL_NORMAL_ARRAY);
  glNormalPointer(GL_FLOAT, 0, mine);
  glVertexPointer(2, GL_FLOAT, 8, mine);
  const std::vector<GLfloat> before = modelview();
  lattice.draw(777);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
  EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
  GLvoid* pointer = nullptr;
  glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
  EXPECT_EQ(pointer, mine);
  GLint value;
  glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &value);
  EXPECT_EQ(value, 2);
  glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &value);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(modelview(), before);
  glDisableClientState(GL_NORMAL_ARRAY);
}
