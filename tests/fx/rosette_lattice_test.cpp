// Tests of the rosette and the cube lattice.
#include "fx/cube_lattice.h"
#include "fx/rosette.h"
#include "tests/fx/fx_gl.h"

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

TEST_F(FxCubeLattice, At216CubesThatAreLinesAtTimeZero) {
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
  plainScene(20);
  const size_t faces = polygons([&] { lattice.draw(1000); }).size();
  EXPECT_TRUE(faces == 216 * 6 || faces == 216 * 12) << faces;  // quads, or each as two triangles
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
