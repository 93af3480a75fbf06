// Tests of the rosette and the cube lattice: what they send to GL, and the state the lattice leaves.
#include <vector>

#include "fx/cube_lattice.h"
#include "fx/rosette.h"
#include "tests/support/gl_test.h"

class FxRosetteLattice : public GlTest {};

TEST_F(FxRosetteLattice, RosetteIsAFanOver361RimPoints) {
  Rosette rosette(5, 0.2f, 0.1f);
  EXPECT_EQ(polygons([&] { EXPECT_TRUE(rosette.draw(123)); }).size(), 360u);
}

// 216 cubes of six faces (quads, or each as two triangles) from the client
// arrays, which are left as they were, like the matrices.
TEST_F(FxRosetteLattice, LatticeDraws216CubesAndLeavesClientArraysAndMatricesAsTheyWere) {
  CubeLattice lattice;
  const GLfloat mine[3] = {0, 0, 0};
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(2, GL_FLOAT, 8, mine);
  glScalef(0.04f, 0.04f, 0.04f);  // all of the lattice in view, none clipped away
  const std::vector<GLfloat> before = modelview();
  const std::size_t faces = polygons([&] { EXPECT_FALSE(lattice.draw(1000)); }).size();
  EXPECT_TRUE(faces == 216 * 6 || faces == 216 * 12) << faces;
  EXPECT_EQ(modelview(), before);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_COLOR_ARRAY));
  EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
  GLint size = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &size);
  EXPECT_EQ(size, 2);
  glDisableClientState(GL_NORMAL_ARRAY);
  glLoadIdentity();
}
