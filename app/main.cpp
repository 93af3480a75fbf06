// Entry: the setup dialog (or the command line), the demo object, the message loop.
#include <SDL.h>

#include <cstdio>
#include <memory>
#include <new>

#include "app/clock.h"
#include "app/data_path.h"
#include "app/frame_output.h"
#include "app/options.h"
#include "app/platform.h"
#include "app/setup_dialog.h"
#include "assets/message_box.h"
#include "fx/outline_font.h"
#include "music/music_control.h"
#include "show/demo_app.h"

namespace {

void desktopMessageBox(const char* text, const char* caption) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, SDL_GetKeyboardFocus()) != 0)
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Takes waiting messages one by one and dispatches them; when none waits,
// presents the frame and calls idle. Ends at the quit message.
int runMessageLoop(GlWindowApp& app, const Options& options, PngFrames* frames) {
  long drawn = 0;
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) return 0;
      if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture)
        music::deviceRemoved(event.adevice.which);
      if (DispatchMessageA(event) != WM_PAINT) continue;
      // A frame was drawn: hand it to the outputs before it is presented.
      ++drawn;
      if (frames) {
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(app.window, &width, &height);
        if (!frames->writeFrame(width, height)) return 1;
      }
      if (showclock::isFixedStep()) showclock::nextFrame();
      if (options.frames > 0 && drawn >= options.frames) PostMessageA(app.window, WM_QUIT, 0, 0);
    }
    if (app.window) SDL_GL_SwapWindow(app.window);
    app.idle();
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string message;
  switch (parseOptions(argc, argv, options, message)) {
    case ParseResult::help:
      std::fputs(usageText(), stdout);
      return 0;
    case ParseResult::version:
      std::printf("flipp-kroma %s\n", FK_VERSION);
      return 0;
    case ParseResult::error:
      std::fprintf(stderr, "flipp-kroma: %s\n%s", message.c_str(), usageText());
      return 2;
    case ParseResult::run:
      break;
  }

  static HeadlessPlatform headless;
  if (options.headless) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    setPlatform(&headless);
  } else {
    setMessageBoxFunction(desktopMessageBox);
  }
  if (options.fps > 0) {
    showclock::useFixedStep(options.fps);
    music::useLockstep(&timeGetTime);
  }
  music::setStartOrder(options.startOrder);
  bundledFaceFile = dataFile("fonts/anton-latin-400-normal.woff");

  std::unique_ptr<PngFrames> frames;
  if (!options.pngDirectory.empty()) {
    frames = std::make_unique<PngFrames>(options.pngDirectory);
    if (!frames->open()) return 1;
  }

  DisplaySetup setup{options.width, options.height, options.bits, options.fullscreen};
  if (options.showDialog) showSetupDialog(setup);

  DemoApp* app = new (std::nothrow) DemoApp(setup.width, setup.height, setup.bits, setup.fullscreen);
  if (!app) {
    std::fputs("flipp-kroma: out of memory\n", stderr);
    return 1;
  }
  // Without a GL context the window framework has said why and asked to
  // quit: nothing to set up, and the run has failed.
  const bool drawable = SDL_GL_GetCurrentContext() != nullptr;
  if (drawable) app->init();
  const int status = runMessageLoop(*app, options, frames.get()) != 0 || !drawable ? 1 : 0;
  app->shutdown();
  delete app;
  SDL_Quit();
  return status;
}
