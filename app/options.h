// The command line's options.
#pragma once
#include <string>

// What the command line asks for. With no option at all the show behaves as
// released: the setup dialog, then the show.
struct Options {
  bool showDialog = true;
  int width = 640;   // 0 x 0: the desktop's own size
  int height = 480;
  int bits = 32;
  bool fullscreen = true;
  bool headless = false;
  long frames = 0;        // quit after this many drawn frames (per order with --bench); 0: no limit
  double fps = 0;         // fixed-step clock at this rate; 0: live clock
  std::string pngDirectory;  // write every drawn frame here as a PNG
  int startOrder = 0;     // the song starts at this order
  std::string captureFile;   // encode the show with its sound into this .mp4 or .mkv file
  bool bench = false;        // time every order instead of playing the show
  std::string benchOut;      // with bench: also write the table here as CSV
  std::string fontFile;      // draw the text with this face instead of the installed "Impact"
  int msaa = -1;             // samples per pixel (0, 2, 4, 8); -1: 4 on hardware GL, none in software
  bool vsync = true;         // wait for the display; never in headless or fixed-step runs
  int audioOffsetMs = 0;     // the sound reaches the ear this much later than the output reports
  bool reduceFlashing = false;  // the scenes that strobe flash at most three times a second
};

// The benchmark's defaults: 230 frames 1/30 s apart span each 7.68 s order.
constexpr long benchFramesPerOrder = 230;
constexpr double benchFps = 30;

enum class ParseResult { run, help, version, error };

// Reads argv into `options`; on error, `message` says what was wrong.
ParseResult parseOptions(int argc, const char* const* argv, Options& options, std::string& message);

const char* usageText();
