// The window framework on a real (offscreen) window and GL context.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/gl_window_app.h"
#include "app/platform.h"

namespace {

struct TestApp : GlWindowApp {
  TestApp() : GlWindowApp(320, 240, "Test Title", 32, 24, false, true) {}
  void shutdown() override {}
};

// Refuses every full-screen mode and answers the question as told.
struct RefusingPlatform : HeadlessPlatform {
  bool messageBox(const char* text, const char* caption, Box kind) override {
    boxes += std::string(caption) + "|" + text + "\n";
    return kind == Box::question && answerYes;
  }
  bool enterFullscreen(SDL_Window*, int, int, int) override { return false; }
  bool answerYes = true;
  std::string boxes;
};

class WindowAppTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifndef _WIN32  // Windows: a hidden window of the default driver
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif
    app = new TestApp;
  }
  static void TearDownTestSuite() {
    delete app;
    EXPECT_EQ(activeApp, nullptr);  // no window message reaches a deleted app
  }
  void SetUp() override {
    setPlatform(&refusing);
    app->wide = true;
    app->fullscreen = false;
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  void TearDown() override { setPlatform(nullptr); }

  static double projectionAspect() {
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    return m[5] / m[0];  // f / (f / aspect)
  }
  // Takes every queued event and says which window messages came.
  static std::string drainMessages() {
    std::string seen;
    for (SDL_Event e; SDL_PollEvent(&e);)
      seen += e.type == SDL_QUIT ? "quit " : e.type >= SDL_USEREVENT ? std::to_string(e.user.code) + " " : "";
    return seen;
  }

  RefusingPlatform refusing;
  static inline TestApp* app = nullptr;
};

// Wide: every mode boxed to 16:9 (pillar box when wider); plain: the whole
// window, or a square when taller than wide.
TEST_F(WindowAppTest, ViewportAndProjectionFollowTheWindow) {
  const struct {
    bool wide;
    int width, height;
    std::array<GLint, 4> viewport;
    double aspect;
  } cases[] = {
      {true, 640, 480, {0, 60, 640, 360}, 16.0 / 9},  {true, 1000, 400, {145, 0, 711, 400}, 711.0 / 400},
      {false, 800, 600, {0, 0, 800, 600}, 4.0 / 3},   {false, 400, 600, {0, 100, 400, 400}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + (c.wide ? " wide" : ""));
    app->wide = c.wide;
    app->resize(c.width, c.height);
    std::array<GLint, 4> viewport;
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, c.viewport);
    EXPECT_NEAR(projectionAspect(), c.aspect, 1e-6);
  }
}

TEST_F(WindowAppTest, ZeroHeightKeepsTheLastProjection) {
  app->wide = false;
  app->resize(800, 600);
  app->resize(800, 0);
  EXPECT_NEAR(projectionAspect(), 4.0 / 3.0, 1e-6);
  app->wide = true;
  app->resize(1, 300);  // a letter box of height 0
  EXPECT_NEAR(projectionAspect(), 4.0 / 3.0, 1e-6);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

// Yes keeps the window and asks again next time; No closes the program.
TEST_F(WindowAppTest, RefusedFullscreenAsksEachTime) {
  EXPECT_TRUE(app->keyDown(70));
  EXPECT_TRUE(app->keyDown(32));
  EXPECT_FALSE(app->fullscreen);
  EXPECT_EQ(drainMessages(), "");
  refusing.answerYes = false;
  app->setFullscreen(true);
  EXPECT_FALSE(app->fullscreen);
  EXPECT_EQ(drainMessages(), "quit ");
  const std::string question =
      "ZEPH|The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?\n";
  EXPECT_EQ(refusing.boxes, question + question + question + "ERROR|Program Will Now Close.\n");
}

}  // namespace
