// One headless demo object for a test binary, drawn with a scripted music
// position and a fixed clock.
#pragma once
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/platform.h"
#include "music/music_control.h"
#include "show/demo_app.h"

class ShowTest : public ::testing::Test {
 public:
  static constexpr int width = 128;
  static constexpr int height = 72;

  // One demo object for the whole binary, as in the show (there is one
  // window and one GL context per process); making it builds the font and
  // loads the mesh, which takes a while.
  class Environment : public ::testing::Environment {
   public:
    void SetUp() override {
#ifndef _WIN32  // Windows: a hidden window of the default driver
      SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif
      setPlatform(&headless);
      music::useScript(&script);
      ShowSettings settings;
      settings.play.fps = 60;
      settings.faces.bundledFaceFile = FK_DATA_DIR "/fonts/anton-latin-400-normal.woff";
      app = new DemoApp(width, height, 32, false, settings);
      app->init();
    }
    void TearDown() override {
      app->shutdown();
      delete app;
      music::useScript(nullptr);
      setPlatform(nullptr);
    }
  };

 protected:
  void SetUp() override {
    script = music::Script{};
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }

  // All channels playing at one level.
  static void channels(int count, int level) {
    script.channelsPlaying = count;
    for (int i = 0; i < 64; ++i) {
      script.volume[i] = i < count ? level : 0;
      script.playing[i] = i < count;
    }
  }

  // Draws one frame at song time `ms` with the scripted order and row and
  // returns it as RGB, bottom row first.
  static std::vector<std::uint8_t> frame(int order, int row, std::int32_t ms = 1000) {
    script.order = order;
    script.row = row;
    showclock::set(app->songStartTime + static_cast<std::uint32_t>(ms));
    app->draw();
    std::vector<std::uint8_t> rgb(width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }

  static int litPixels(const std::vector<std::uint8_t>& rgb) {
    int lit = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) lit += (rgb[i] | rgb[i + 1] | rgb[i + 2]) > 8;
    return lit;
  }

  // Lit pixels in columns [x0, x1) of the picture.
  static int litColumns(const std::vector<std::uint8_t>& rgb, int x0, int x1) {
    int lit = 0;
    for (int y = 0; y < height; ++y)
      for (int x = x0; x < x1; ++x) {
        const std::uint8_t* p = &rgb[(y * width + x) * 3];
        lit += (p[0] | p[1] | p[2]) > 8;
      }
    return lit;
  }

  static bool quitPosted() {
    SDL_Event event;
    bool quit = false;
    while (SDL_PollEvent(&event)) quit |= event.type == SDL_QUIT;
    return quit;
  }

  static inline HeadlessPlatform headless;
  static inline music::Script script;
  static inline DemoApp* app = nullptr;
};
