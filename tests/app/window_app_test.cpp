// The window framework on a real (offscreen) window and GL context.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/clock.h"
#include "app/gl_window_app.h"
#include "app/platform.h"

namespace {

class TestApp : public GlWindowApp {
 public:
  TestApp(int width, int height) : GlWindowApp(width, height, "Test Title", 32, 24, false, true) {}
  void shutdown() override { ++shutdowns; }
  int shutdowns = 0;
};

// Refuses every full-screen mode and answers the question as told.
class RefusingPlatform : public HeadlessPlatform {
 public:
  bool messageBox(const char* text, const char* caption, Box kind) override {
    boxes += std::string(caption) + "|" + text + "\n";
    return kind == Box::question && answerYes;
  }
  bool enterFullscreen(SDL_Window*, int, int, int) override { return false; }
  bool answerYes = true;
  std::string boxes;
};

struct Viewport {
  int x, y, w, h;
  bool operator==(const Viewport&) const = default;
};

void PrintTo(const Viewport& v, std::ostream* out) {
  *out << "(" << v.x << ", " << v.y << ", " << v.w << ", " << v.h << ")";
}

class WindowAppTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    setPlatform(&refusing);
    app = new TestApp(320, 240);
  }
  static void TearDownTestSuite() {
    delete app;
    setPlatform(nullptr);
  }
  void SetUp() override {
    app->wide = true;
    app->fullscreen = false;
    refusing.boxes.clear();
    refusing.answerYes = true;
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }

  static Viewport viewportFor(int width, int height) {
    app->resize(width, height);
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
  }

  static double projectionAspect() {
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    return m[5] / m[0];  // f / (f / aspect)
  }

  // Takes every queued event and says which window messages came.
  static std::string drainMessages() {
    std::string seen;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) seen += "quit ";
      else if (event.type >= SDL_USEREVENT) seen += std::to_string(event.user.code) + " ";
    }
    return seen;
  }

  static inline RefusingPlatform refusing;
  static inline TestApp* app = nullptr;
};

TEST_F(WindowAppTest, WideViewportBoxesEveryModeTo16By9) {
  EXPECT_EQ(viewportFor(640, 480), (Viewport{0, 60, 640, 360}));
  EXPECT_EQ(viewportFor(800, 600), (Viewport{0, 75, 800, 450}));
  EXPECT_EQ(viewportFor(1024, 768), (Viewport{0, 96, 1024, 576}));
  EXPECT_EQ(viewportFor(1280, 1024), (Viewport{0, 152, 1280, 720}));
  EXPECT_EQ(viewportFor(1280, 720), (Viewport{0, 0, 1280, 720}));
  EXPECT_NEAR(projectionAspect(), 16.0 / 9.0, 1e-6);
  // Wider than 16:9: pillar box.
  EXPECT_EQ(viewportFor(1000, 400), (Viewport{145, 0, 711, 400}));
}

TEST_F(WindowAppTest, PlainViewportFillsOrSquares) {
  app->wide = false;
  EXPECT_EQ(viewportFor(800, 600), (Viewport{0, 0, 800, 600}));
  EXPECT_NEAR(projectionAspect(), 4.0 / 3.0, 1e-6);
  EXPECT_EQ(viewportFor(400, 600), (Viewport{0, 100, 400, 400}));
  EXPECT_NEAR(projectionAspect(), 1.0, 1e-6);
}

TEST_F(WindowAppTest, ZeroHeightKeepsTheLastProjection) {
  app->wide = false;
  viewportFor(800, 600);
  viewportFor(800, 0);
  EXPECT_NEAR(projectionAspect(), 4.0 / 3.0, 1e-6);
  app->wide = true;
  viewportFor(1, 300);  // a letter box of height 0
  EXPECT_NEAR(projectionAspect(), 4.0 / 3.0, 1e-6);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(WindowAppTest, KeysMapFromSdl) {
  EXPECT_EQ(virtualKeyOf(SDLK_ESCAPE), 27);
  EXPECT_EQ(virtualKeyOf(SDLK_q), 81);
  EXPECT_EQ(virtualKeyOf(SDLK_SPACE), 32);
  EXPECT_EQ(virtualKeyOf(SDLK_f), 70);
  EXPECT_EQ(virtualKeyOf(SDLK_w), 87);
  EXPECT_EQ(virtualKeyOf(SDLK_F1), 0);
}

TEST_F(WindowAppTest, EscapeAndQPostCloseOtherKeysAreNotHandled) {
  EXPECT_TRUE(app->keyDown(27));
  EXPECT_TRUE(app->keyDown(81));
  EXPECT_EQ(drainMessages(), std::to_string(WM_CLOSE) + " " + std::to_string(WM_CLOSE) + " ");
  EXPECT_FALSE(app->keyDown(65));
  EXPECT_EQ(drainMessages(), "");
}

TEST_F(WindowAppTest, WTogglesBoxingThroughTheQueue) {
  int w = 0, h = 0;
  SDL_GetWindowSize(app->window, &w, &h);
  EXPECT_TRUE(app->keyDown(87));
  EXPECT_FALSE(app->wide);
  SDL_Event event;
  ASSERT_EQ(SDL_PollEvent(&event), 1);
  ASSERT_GE(event.type, static_cast<Uint32>(SDL_USEREVENT));
  EXPECT_EQ(event.user.code, WM_SIZE);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(event.user.data2), (h << 16) | w);
  DispatchMessageA(event);
  GLint v[4];
  glGetIntegerv(GL_VIEWPORT, v);
  EXPECT_EQ(v[2], w);
  EXPECT_EQ(v[3], h);
  app->keyDown(87);
  EXPECT_TRUE(app->wide);
}

TEST_F(WindowAppTest, TitleShowsTheRequestedModeOnlyAfterMoreThan500Ms) {
  showclock::useFixedStep(1000);
  showclock::set(10000);
  app->lastTitleTime = 10000;
  app->frameCount = 0;
  SDL_SetWindowTitle(app->window, "Test Title");
  showclock::set(10500);
  app->frameCount = 7;
  app->idle();
  EXPECT_STREQ(SDL_GetWindowTitle(app->window), "Test Title");
  EXPECT_EQ(app->frameCount, 7);
  showclock::set(10501);
  app->frameCount = 30;
  app->idle();
  EXPECT_STREQ(SDL_GetWindowTitle(app->window), "Test Title : (320x240x32) fps=59.88");
  EXPECT_EQ(app->frameCount, 0);
  EXPECT_EQ(app->lastTitleTime, 10501u);
  // Every idle asks for the next frame.
  EXPECT_EQ(drainMessages(), std::to_string(WM_PAINT) + " " + std::to_string(WM_PAINT) + " ");
  showclock::useLive();
}

TEST_F(WindowAppTest, RefusedFullscreenAnsweredYesStaysWindowedAndAsksEachTime) {
  EXPECT_TRUE(app->keyDown(70));
  EXPECT_TRUE(app->keyDown(32));
  EXPECT_FALSE(app->fullscreen);
  const std::string question =
      "ZEPH|The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode "
      "Instead?\n";
  EXPECT_EQ(refusing.boxes, question + question);
  EXPECT_EQ(drainMessages(), "");
}

TEST_F(WindowAppTest, RefusedFullscreenAnsweredNoCloses) {
  refusing.answerYes = false;
  app->setFullscreen(true);
  EXPECT_NE(refusing.boxes.find("ERROR|Program Will Now Close.\n"), std::string::npos);
  EXPECT_FALSE(app->fullscreen);
  EXPECT_EQ(drainMessages(), "quit ");
}

}  // namespace

namespace {

TEST_F(WindowAppTest, DefaultDrawIsTheColouredQuadOnBlack) {
  app->wide = false;
  int w = 0, h = 0;
  SDL_GetWindowSize(app->window, &w, &h);
  app->resize(w, h);
  showclock::useFixedStep(60);  // tick 0: the quad is not turned
  glClearColor(0, 0, 0, 0);
  app->draw();
  auto pixel = [](int x, int y) {
    GLubyte rgb[3];
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return std::vector<int>{rgb[0], rgb[1], rgb[2]};
  };
  // 90 degrees of view from distance 1: the quad's corners touch the viewport's
  // top and bottom; beside it the background is black.
  EXPECT_EQ(pixel(2, h / 2), (std::vector<int>{0, 0, 0}));
  const int left = w / 2 - h / 2 + 3, right = w / 2 + h / 2 - 3;
  const auto topLeft = pixel(left, h - 3), bottomLeft = pixel(left, 2);
  const auto bottomRight = pixel(right, 2), topRight = pixel(right, h - 3);
  EXPECT_GT(topLeft[0], 200);
  EXPECT_GT(bottomLeft[1], 200);
  EXPECT_GT(bottomRight[2], 200);
  EXPECT_LT(topRight[0] + topRight[1] + topRight[2], 40);
  showclock::useLive();
}

}  // namespace
