// A hidden 128 x 128 GL context per test suite, and read-back helpers.
#pragma once
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/headless_gl.h"

class FxGl : public ::testing::Test {
 protected:
  static constexpr int size = 128;

  static void SetUpTestSuite() { gl = std::make_unique<HeadlessGl>(size, size); }
  static void TearDownTestSuite() { gl.reset(); }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  // A black frame, unlit, untextured, no blending, depth test or culling,
  // colour white, identity modelview, and an orthographic view of the cube
  // -half..half on every axis.
  static void plainScene(double half) {
    for (GLenum cap : {GL_LIGHTING, GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE})
      glDisable(cap);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-half, half, -half, half, -half, half);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4ub(255, 255, 255, 255);
  }

  // The pixels that are not black and their bounding box (x1, y1 inclusive).
  struct Lit {
    int count = 0;
    int x0 = size, y0 = size, x1 = -1, y1 = -1;
  };
  static Lit lit() {
    const std::vector<std::uint8_t> rgb = gl->readRgb();
    Lit area;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::uint8_t* p = &rgb[(y * size + x) * 3];
        if (p[0] + p[1] + p[2] == 0) continue;
        ++area.count;
        area.x0 = std::min(area.x0, x);
        area.x1 = std::max(area.x1, x);
        area.y0 = std::min(area.y0, y);
        area.y1 = std::max(area.y1, y);
      }
    return area;
  }

  static std::vector<GLfloat> modelview() {
    std::vector<GLfloat> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
  }

  // The polygons `draw` sends to GL, as feedback (GL_3D: window x, y, depth).
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

  static inline std::unique_ptr<HeadlessGl> gl;
};
