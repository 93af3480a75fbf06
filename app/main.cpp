// Entry: the setup dialog (or the command line), the demo object, the message
// loop; or, instead of the show as it plays, its capture to video or its
// frame-time benchmark.
#include <GL/gl.h>
#include <SDL.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "app/bench.h"
#ifndef _WIN32
#include "app/capture.h"
#endif
#include "app/clock.h"
#include "app/data_path.h"
#include "app/frame_output.h"
#include "app/frame_record.h"
#include "app/installed_face.h"
#include "app/options.h"
#include "app/platform.h"
#include "app/setup_dialog.h"
#include "assets/message_box.h"
#include "fx/outline_font.h"
#include "music/music_control.h"
#include "music/song_renderer.h"
#include "show/demo_app.h"
#include "show/scenes.h"

namespace {

constexpr const char* songFile = "ko-trampelin.it";
// The show ends at the last row of the farewell.
constexpr int endPosition = farewellOrder * 64 + 63;

volatile std::sig_atomic_t stopSignal = 0;
void onStopSignal(int signal) { stopSignal = signal; }

// A capture or a benchmark ends cleanly on Ctrl-C or termination. These
// handlers go in before SDL's, which would turn the signal into the same quit
// message that ends the show.
void catchStopSignals() {
#ifdef _WIN32
  // Ctrl-C and Ctrl-Break reach a console program as these two.
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGBREAK, onStopSignal);
#else
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a dead encoder is an error to report, not a death
#endif
}

// A loader's box, and its line on standard error for whoever started the show from a terminal.
void desktopMessageBox(const char* text, const char* caption) {
  printMessageBox(text, caption);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, SDL_GetKeyboardFocus());
}

// Where the outputs of each drawn frame go, and how far the show has come.
struct FrameOutputs {
  PngFrames* png = nullptr;
#ifndef _WIN32
  VideoCapture* video = nullptr;
#endif
  FMUSIC_MODULE* song = nullptr;
  int firstPosition = -1;  // order * 64 + row of the first frame
};

#ifndef _WIN32
// How far the show has come, 0 to 1: by its music position, or by the frame
// limit when that comes first.
double progress(const Options& options, FrameOutputs& outputs, long drawn) {
  const int position = FMUSIC_GetOrder(outputs.song) * 64 + FMUSIC_GetRow(outputs.song);
  if (outputs.firstPosition < 0) outputs.firstPosition = position;
  const int span = endPosition - outputs.firstPosition;
  double done = span > 0 ? static_cast<double>(position - outputs.firstPosition) / span : 0;
  if (options.frames > 0) done = std::max(done, static_cast<double>(drawn) / static_cast<double>(options.frames));
  return done;
}
#endif

// Takes waiting messages one by one and dispatches them; when none waits,
// presents the frame and calls idle. Ends at the quit message (status 0), a
// failing output (1) or a stop signal (128 + the signal).
int runMessageLoop(DemoApp& app, const Options& options, FrameOutputs& outputs) {
  long drawn = 0;
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (stopSignal) return 128 + stopSignal;
      if (event.type == SDL_QUIT) return 0;
      if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture)
        music::deviceRemoved(event.adevice.which);
      if (DispatchMessageA(event) != WM_PAINT) continue;
      // A frame was drawn: hand it to the outputs before it is presented.
      ++drawn;
      int width = 0, height = 0;
      SDL_GL_GetDrawableSize(app.window, &width, &height);
      if (outputs.png && !outputs.png->writeFrame(width, height)) return 1;
#ifndef _WIN32
      if (outputs.video && !outputs.video->addFrame(width, height, progress(options, outputs, drawn)))
        return stopSignal ? 128 + stopSignal : 1;
#endif
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
  std::printf("flipp-kroma --bench: %dx%d, %d samples per pixel, %ld frames per order %.1f ms apart, %s\n", app.width,
              app.height, samples, options.frames, 1000.0 / options.fps,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  printBenchTable(stdout, rows);
  std::printf("start-up to the first frame: %.0f ms; peak memory: %.0f MB\n", startupMs, peakMemoryMb());
  if (!options.benchOut.empty() && !writeBenchCsv(options.benchOut, rows)) return 1;
  return 0;
}

#ifndef _WIN32
// The song as the show plays it, for the capture's sound; null when it cannot
// be read.
std::unique_ptr<music::SongRenderer> loadSong(int startOrder) {
  std::ifstream in(dataFile(songFile), std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::byte> data;
  std::transform(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), std::back_inserter(data),
                 [](char c) { return static_cast<std::byte>(c); });
  try {
    auto song = std::make_unique<music::SongRenderer>(std::move(data));
    song->restart(startOrder);
    return song;
  } catch (const std::exception&) {
    return nullptr;
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // The GL driver frees and allocates blocks of megabytes every frame; given
  // back to the system each time, they cost a page fault per page when they
  // return. Up to 32 MB of freed memory stays with the process instead.
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
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

  const bool capturing = !options.captureFile.empty();
  if (capturing || options.bench) catchStopSignals();
  static HeadlessPlatform headless;
  if (options.headless) {
    setPlatform(&headless);
  } else {
    setMessageBoxFunction(desktopMessageBox);
  }
  windowSamples = options.msaa;
  windowWaitsForDisplay = options.vsync;
  if (options.fps > 0) {
    showclock::useFixedStep(options.fps);
    music::useLockstep(&timeGetTime);
  }
  music::setStartOrder(options.startOrder);
  music::setAudioOffset(options.audioOffsetMs);
  bundledFaceFile = dataFile("fonts/anton-latin-400-normal.woff");
  findInstalledFace = installedFace;
  if (!options.fontFile.empty()) {
    // A face the user named must be there: a typo would otherwise pass unseen.
    std::ifstream font(options.fontFile, std::ios::binary);
    if (!font || font.peek() == std::ifstream::traits_type::eof()) {
      std::fprintf(stderr, "flipp-kroma: cannot read the font '%s'\n", options.fontFile.c_str());
      return 2;
    }
    chosenFaceFile = options.fontFile;
  }

  FrameOutputs outputs;
  std::unique_ptr<PngFrames> frames;
  if (!options.pngDirectory.empty()) {
    frames = std::make_unique<PngFrames>(options.pngDirectory);
    if (!frames->open()) return 1;
    outputs.png = frames.get();
  }
#ifndef _WIN32
  std::unique_ptr<music::SongRenderer> captureSong;
  std::unique_ptr<VideoCapture> video;
  if (capturing) {
    captureSong = loadSong(options.startOrder);
    // Without its song the show has no end: it would fill the disk.
    if (!captureSong && options.frames == 0) {
      std::fprintf(stderr, "flipp-kroma: cannot read the song '%s'; a capture without it needs --frames\n", songFile);
      return 1;
    }
    video = std::make_unique<VideoCapture>(options.captureFile, options.width, options.height, options.fps,
                                           captureSong.get());
    video->stop = &stopSignal;
    if (!video->start()) return 1;
    outputs.video = video.get();
  }
#endif

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
  outputs.song = app->song;
  int status = 1;
  if (!drawable) runMessageLoop(*app, options, outputs);
  else if (options.bench) status = runBench(*app, options);
  else status = runMessageLoop(*app, options, outputs);
#ifndef _WIN32
  if (video) {
    if (status == 0 && !video->finish()) status = stopSignal ? 128 + stopSignal : 1;
    if (status != 0) {
      video->abandon();
      if (stopSignal) std::fprintf(stderr, "\nflipp-kroma: capture interrupted (signal %d); '%s' was not written\n",
                                   static_cast<int>(stopSignal), options.captureFile.c_str());
      else std::fprintf(stderr, "flipp-kroma: capture failed; '%s' was not written\n", options.captureFile.c_str());
    }
  }
#endif
  app->shutdown();
  delete app;
  SDL_Quit();
  return status;
}
