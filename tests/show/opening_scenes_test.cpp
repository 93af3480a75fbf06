// Tests of the opening scenes' row- and order-driven rules.
#include "tests/show/show_fixture.h"

namespace {

class OpeningScenesTest : public ShowTest {};

// The capabilities the logo scenes change, and the texture bound.
std::vector<GLint> sceneState() {
  std::vector<GLint> state;
  for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
    state.push_back(glIsEnabled(cap));
  state.push_back(0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.back());
  return state;
}

TEST_F(OpeningScenesTest, LogoScenesRestoreTheirStateButLeaveBlendingAdditive) {
  for (int order : {0, 1}) {
    // An unusual state to come back to.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glBindTexture(GL_TEXTURE_2D, app->stripeTexture);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const std::vector<GLint> before = sceneState();
    frame(order, 40);
    EXPECT_EQ(sceneState(), before) << order;
    GLint source, destination;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);
  }
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

TEST_F(OpeningScenesTest, PresentsSubtitleAppearsFromRow41) {
  channels(0, 0);
  frame(2, 39, 2000);  // particles move by the step from the last frame; from here on by 0
  const auto row39 = frame(2, 39, 2000);
  const auto row40 = frame(2, 40, 2000);
  const auto row41 = frame(2, 41, 2000);
  EXPECT_EQ(row39, row40);
  EXPECT_NE(row40, row41);
  EXPECT_GT(litPixels(row41), litPixels(row40));
}

TEST_F(OpeningScenesTest, MainTitleSubtitleOnlyInOrder4) {
  channels(0, 0);
  // The particles take the normal the previous frame's last glyph left: warm up in order 3.
  frame(3, 20, 200);
  const auto order3 = frame(3, 20, 200);
  EXPECT_EQ(frame(3, 50, 200), order3);  // order 3 ignores the row
  EXPECT_NE(frame(4, 20, 200), order3);
}

}  // namespace
