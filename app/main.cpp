// Entry: the setup dialog (or the command line), the demo object, the message
// loop; or, instead of the show as it plays, its capture to video or its
// frame-time benchmark.
#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "app/bench.h"
#include "app/clock.h"
#include "app/data_path.h"
#include "app/frame_output.h"
#include "app/frame_record.h"
#include "app/installed_face.h"
#include "app/options.h"
#include "app/platform.h"
#include "app/presentation_delay.h"
#include "app/setup_dialog.h"
#include "assets/message_box.h"
#include "music/music_control.h"
#include "show/demo_app.h"
#include "show/scenes.h"

namespace {

using FrameSinks = std::vector<std::unique_ptr<FrameSink>>;

// The status to end with at once (--help, --version, a wrong command line),
// or nothing when the show is to run.
std::optional<int> readCommandLine(int argc, char** argv, Options& options) {
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
  return std::nullopt;
}

// The show's settings from the options; false (after saying why) when a face
// the user named cannot be read: a typo would otherwise pass unseen.
bool chooseSettings(const Options& options, ShowSettings& settings) {
  settings.faces = {dataFile("fonts/anton-latin-400-normal.woff"), options.fontFile, installedFace};
  settings.window = {options.msaa, options.vsync};
  settings.play = {options.fps, options.startOrder, options.audioOffsetMs};
  if (options.fontFile.empty()) return true;
  std::ifstream font(options.fontFile, std::ios::binary);
  if (font && font.peek() != std::ifstream::traits_type::eof()) return true;
  std::fprintf(stderr, "flipp-kroma: cannot read the font '%s'\n", options.fontFile.c_str());
  return false;
}

// The sinks the options ask for, opened; false (after saying why) when one cannot be.
bool openFrameSinks(const Options& options, FrameSinks& sinks) {
  if (!options.pngDirectory.empty()) {
    auto frames = std::make_unique<PngFrames>(options.pngDirectory);
    frames->flashingReduced = options.reduceFlashing;
    if (!frames->open()) return false;
    sinks.push_back(std::move(frames));
  }
  if (!options.captureFile.empty()) {
    sinks.push_back(openCapture(options));
    if (!sinks.back()) return false;
  }
  return true;
}

// A loader's box, and its line on standard error for whoever started the show from a terminal.
void desktopMessageBox(const char* text, const char* caption) {
  printMessageBox(text, caption);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, SDL_GetKeyboardFocus());
}

// The display the show runs on (the desktop's, or none: `headless`); then
// the mode, from the options or the setup dialog.
DisplaySetup chooseDisplay(const Options& options, HeadlessPlatform& headless) {
  if (options.headless) setPlatform(&headless);
  else setMessageBoxFunction(desktopMessageBox);
  DisplaySetup setup{options.width, options.height, options.bits, options.fullscreen, options.reduceFlashing};
  if (options.showDialog) showSetupDialog(setup);
  return setup;
}

std::int64_t monotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The display's refresh period where presenting a frame waits for it, else 0.
std::int64_t refreshWaitNs(SDL_Window* window) {
  if (SDL_GL_GetSwapInterval() == 0) return 0;
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window);
  const bool known = SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate > 0;
  return 1'000'000'000 / (known ? mode.refresh_rate : 60);
}

// A live frame that began drawing at `drawnNs` has just been swapped: the
// next is drawn (song time, position and levels) for the moment it will be seen.
void aimAtPresentation(PresentationDelay& delay, SDL_Window* window, std::int64_t drawnNs) {
  delay.refreshNs = refreshWaitNs(window);
  delay.frameShown(drawnNs, monotonicNs());
  music::aimAhead(delay.ns());
  showclock::aimAhead(static_cast<std::uint32_t>((delay.ns() + 500'000) / 1'000'000));
}

// Takes waiting messages one by one and dispatches them; when none waits,
// presents the frame and calls idle. Each drawn frame goes to the sinks
// before it is presented. Ends at the quit message (status 0), a failing
// sink (1) or a stop signal (128 + the signal).
int runMessageLoop(DemoApp& app, const Options& options, FrameSinks& sinks) {
  long drawn = 0;
  PresentationDelay delay;
  std::int64_t drawnNs = -1;  // when the frame to be presented began drawing, live
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (stopSignal) return 128 + stopSignal;
      if (event.type == SDL_QUIT) return 0;
      if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture)
        music::deviceRemoved(event.adevice.which);
      const std::int64_t dispatchedNs = monotonicNs();
      const int message = DispatchMessageA(event);
      if (message < 0) return 1;  // no application object to take it (the box has said so)
      if (message != WM_PAINT) continue;
      if (!showclock::isFixedStep()) drawnNs = dispatchedNs;
      DrawnFrame frame{0, 0, ++drawn, app.song};
      SDL_GL_GetDrawableSize(app.window, &frame.width, &frame.height);
      for (const auto& sink : sinks)
        if (!sink->addFrame(frame)) return stopSignal ? 128 + stopSignal : 1;
      if (showclock::isFixedStep()) showclock::nextFrame();
      if (options.frames > 0 && drawn >= options.frames) PostMessageA(app.window, WM_QUIT, 0, 0);
    }
    if (stopSignal) return 128 + stopSignal;
    if (app.window) {
      SDL_GL_SwapWindow(app.window);
      // An offscreen surface has no real swap to hold the drawing back: without
      // this the driver would queue frame after frame, and their memory.
      if (options.headless) glFinish();
      recordShownFrame(app.director.t);
      if (drawnNs >= 0) aimAtPresentation(delay, app.window, drawnNs);
      drawnNs = -1;
    }
    app.idle();
  }
}

// Every order from its first row for options.frames frames on the fixed step,
// each frame timed from the start of drawing until GL has finished it.
int runBench(DemoApp& app, const Options& options) {
  std::vector<OrderTiming> rows;
  double startupMs = 0;
  for (const Scene& scene : scenes) {
    music::setStartOrder(scene.order);
    FMUSIC_PlaySong(app.song);
    app.songStartTime = timeGetTime();
    std::vector<double> frameMs;
    const double cpuBefore = processCpuMs();
    for (long frame = 0; frame < options.frames; ++frame) {
      SDL_Event event;
      while (SDL_PollEvent(&event)) {
      }  // the farewell's quit message among them: the benchmark goes on
      if (stopSignal) {
        std::fprintf(stderr, "flipp-kroma: benchmark interrupted\n");
        return 128 + stopSignal;
      }
      const auto begin = std::chrono::steady_clock::now();
      app.draw();
      SDL_GL_SwapWindow(app.window);
      glFinish();
      const auto end = std::chrono::steady_clock::now();
      frameMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
      if (startupMs == 0) startupMs = processAgeMs();
      showclock::nextFrame();
    }
    rows.push_back(summarise(scene.order, scene.name, std::move(frameMs), processCpuMs() - cpuBefore));
  }
  int samples = 0;
  SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
  std::printf("flipp-kroma --bench: %dx%d, %d samples per pixel, %ld frames per order %.1f ms apart, %s%s\n",
              app.width, app.height, samples, options.frames, 1000.0 / options.fps,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              app.settings.reduceFlashing ? ", flashing reduced" : "");
  printBenchTable(stdout, rows);
  std::printf("start-up to the first frame: %.0f ms; peak memory: %.0f MB\n", startupMs, peakMemoryMb());
  if (!options.benchOut.empty() && !writeBenchCsv(options.benchOut, rows)) return 1;
  return 0;
}

// Sets the show up and runs it, or the benchmark, to its end; the status
// the loop ended with.
int runShow(DemoApp& app, const Options& options, FrameSinks& sinks) {
  // No display or no window: the window framework has said why.
  if (app.failed) return 1;
  // Without a GL context the window framework has said why and asked to
  // quit: nothing to set up, and the run has failed.
  if (!SDL_GL_GetCurrentContext()) {
    runMessageLoop(app, options, sinks);
    return 1;
  }
  app.init();
  if (options.bench) return runBench(app, options);
  return runMessageLoop(app, options, sinks);
}

}  // namespace

// The command line, the show's settings, where the frames go, the display,
// the show and its loop; the status says how it went.
int main(int argc, char** argv) {
  Options options;
  if (const std::optional<int> status = readCommandLine(argc, argv, options)) return *status;
  keepFreedMemory();
  if (options.bench || !options.captureFile.empty()) catchStopSignals();
  ShowSettings settings;
  if (!chooseSettings(options, settings)) return 2;

  FrameSinks sinks;
  if (!openFrameSinks(options, sinks)) return 1;

  HeadlessPlatform headless;
  const DisplaySetup setup = chooseDisplay(options, headless);
  settings.reduceFlashing = setup.reduceFlashing;

  std::unique_ptr<DemoApp> app(new (std::nothrow)
                                   DemoApp(setup.width, setup.height, setup.bits, setup.fullscreen, settings));
  if (!app) {
    std::fputs("flipp-kroma: out of memory\n", stderr);
    return 1;
  }
  int status = runShow(*app, options, sinks);
  for (const auto& sink : sinks) status = sink->close(status);

  app->shutdown();
  app.reset();
  sinks.clear();
  setPlatform(nullptr);
  // No SDL_Quit: the display's connection closes with the process, and
  // closing it first tears llvmpipe down, whose threads now and then wait
  // for each other there forever.
  return status;
}
