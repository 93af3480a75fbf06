// The window framework on a real (offscreen) window and GL context.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

#include "app/clock.h"
#include "app/gl_window_app.h"
#include "app/platform.h"

namespace {

struct TestApp : GlWindowApp {
  explicit TestApp(int width = 320, int height = 240, bool fullscreen = false, WindowSettings settings = {})
      : GlWindowApp(width, height, "Test Title", 32, 24, fullscreen, true, settings) {}
  void shutdown() override {}
};

// Draws offscreen (Windows: in a hidden window), refuses every full-screen
// mode and answers the question as told.
struct RefusingPlatform : HeadlessPlatform {
  bool messageBox(const char* text, const char* caption, Box kind) override {
    boxes += std::string(caption) + "|" + text + "\n";
    return kind == Box::question && answerYes;
  }
  bool enterFullscreen(SDL_Window*, int, int, int) override { return false; }
  bool answerYes = true;
  std::string boxes;
};

// The one app, as in the program, on its offscreen window.
TEST(AppWindow, ViewportFollowsTheWindowAndRefusedFullscreenAsksEachTime) {
  RefusingPlatform refusing;
  setPlatform(&refusing);
  auto* app = new TestApp;
  // Wide: every mode boxed to 16:9 (pillar box when wider); plain: the whole
  // window, or a square when taller than wide. A viewport of height 0 (a
  // minimised window, or a letter box that thin) keeps the row before's projection.
  const struct {
    bool wide;
    int width, height;
    std::array<GLint, 4> viewport;
    double aspect;
  } cases[] = {
      {true, 640, 480, {0, 60, 640, 360}, 16.0 / 9}, {true, 1000, 400, {145, 0, 711, 400}, 711.0 / 400},
      {false, 400, 600, {0, 100, 400, 400}, 1},      {false, 800, 600, {0, 0, 800, 600}, 4.0 / 3},
      {false, 800, 0, {0, 0, 800, 0}, 4.0 / 3},      {true, 1, 300, {0, 150, 1, 0}, 4.0 / 3},
  };
  for (const auto& c : cases) {
    app->wide = c.wide;
    app->resize(c.width, c.height);
    std::array<GLint, 4> viewport;
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, c.viewport);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5] / m[0], c.aspect, 1e-6);  // f / (f / aspect)
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
  }

  // Refused full screen: Yes keeps the window and asks again next time; No closes the program.
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  EXPECT_TRUE(app->keyDown('F') && app->keyDown(' '));
  EXPECT_FALSE(app->fullscreen);
  EXPECT_FALSE(SDL_HasEvent(SDL_QUIT) || SDL_HasEvents(SDL_USEREVENT, SDL_LASTEVENT));
  refusing.answerYes = false;
  app->setFullscreen(true);
  EXPECT_TRUE(SDL_HasEvent(SDL_QUIT));
  const std::string question =
      "ZEPH|The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?\n";
  EXPECT_EQ(refusing.boxes, question + question + question + "ERROR|Program Will Now Close.\n");

  // No window message reaches a deleted app: the dispatch says so, for the
  // loop to end the process with status 1.
  delete app;
  EXPECT_EQ(activeApp, nullptr);
  refusing.boxes.clear();
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_q;
  EXPECT_EQ(DispatchMessageA(key), -1);
  EXPECT_EQ(refusing.boxes, "Error|Oh no! Pointer error.\n");
  setPlatform(nullptr);
}

// A live run's window waits for the display (adaptive sync where the GL
// has it, else every refresh); every other run's shows each frame at once.
TEST(AppWindow, WaitsForTheDisplayOnlyWhenAsked) {
  HeadlessPlatform headless;
  setPlatform(&headless);
  for (bool wait : {false, true}) {
    SCOPED_TRACE(wait);
    auto* app = new TestApp(320, 240, false, {autoSamples, wait});
    const int interval = SDL_GL_GetSwapInterval();
    if (wait) {
      EXPECT_TRUE(interval == -1 || interval == 1) << interval;
    } else {
      EXPECT_EQ(interval, 0);
    }
    delete app;
  }
  setPlatform(nullptr);
}

// The desktop's own size (0 x 0): the window covers the desktop without a
// mode change, and the title names its size; windowed, it is as large.
TEST(AppWindow, DesktopSizeCoversTheDesktopWithoutAModeChange) {
  HeadlessPlatform headless;
  setPlatform(&headless);
  auto* app = new TestApp(0, 0, true);
  SDL_DisplayMode desktop{}, now{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
  EXPECT_EQ(app->width, desktop.w);
  EXPECT_EQ(app->height, desktop.h);
  EXPECT_TRUE(app->fullscreen);
  EXPECT_EQ(SDL_GetWindowFlags(app->window) & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN_DESKTOP);
  ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &now), 0);
  EXPECT_EQ(now.w, desktop.w);
  EXPECT_EQ(now.h, desktop.h);
  app->lastTitleTime = GetTickCount() - 1000;  // the title is due
  app->idle();
  const std::string title = SDL_GetWindowTitle(app->window);
  EXPECT_EQ(title.rfind("Test Title : (" + std::to_string(desktop.w) + "x" + std::to_string(desktop.h) + "x32) fps=", 0),
            0u) << title;
  app->setFullscreen(false);
  EXPECT_EQ(SDL_GetWindowFlags(app->window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
#ifndef _WIN32  // Windows may keep a window with its frame within the screen: its inside smaller
  int width = 0, height = 0;
  SDL_GetWindowSize(app->window, &width, &height);
  EXPECT_EQ(std::tuple(width, height), std::tuple(desktop.w, desktop.h));
#endif
  delete app;
  setPlatform(nullptr);
}

}  // namespace
