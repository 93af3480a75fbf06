// One hidden GL context per test binary, and a count of what GL is sent,
// read back through feedback mode.
#pragma once
#include <GL/gl.h>

#include <vector>

#include <gtest/gtest.h>

#include "tests/support/headless_gl.h"

class GlTest : public ::testing::Test {
 protected:
  // Never torn down: the driver's own allocations would be reported as leaks.
  static void SetUpTestSuite() { [[maybe_unused]] static const HeadlessGl* context = new HeadlessGl(); }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  // Number of triangles that `draw` sends to GL.
  template <typename Draw>
  static int trianglesDrawn(Draw draw) {
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = glRenderMode(GL_RENDER);
    int triangles = 0;
    for (GLint i = 0; i < size; i += 2 + 3 * static_cast<GLint>(buffer[i + 1])) {
      EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
      triangles += buffer[i + 1] == 3;
    }
    return triangles;
  }
};
