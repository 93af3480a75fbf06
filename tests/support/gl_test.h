// One hidden GL context per test binary, and what GL is sent, read back through feedback mode.
#pragma once
#include <GL/gl.h>

#include <vector>

#include <gtest/gtest.h>

#include "tools/headless_gl/headless_gl.h"

class GlTest : public ::testing::Test {
 protected:
  // Never torn down: the driver's own allocations would be reported as leaks.
  static void SetUpTestSuite() { [[maybe_unused]] static const HeadlessGl* context = new HeadlessGl(); }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  // The polygons `draw` sends to GL, after clipping, as window x, y, depth per vertex.
  template <typename Draw>
  static std::vector<std::vector<GLfloat>> polygons(Draw draw) {
    std::vector<GLfloat> buffer(1 << 18);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<GLfloat>> out;
    for (GLint i = 0; i < used; i += 2 + 3 * static_cast<GLint>(buffer[i + 1])) {
      EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
      out.emplace_back(buffer.begin() + i + 2, buffer.begin() + i + 2 + 3 * static_cast<GLint>(buffer[i + 1]));
    }
    return out;
  }

  static std::vector<GLfloat> modelview() {
    std::vector<GLfloat> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
  }
};
