#pragma once
#include <string>

// What the command line asks for. With no option at all the show behaves as
// released: the setup dialog, then the show.
struct Options {
  bool showDialog = true;
  int width = 640;
  int height = 480;
  int bits = 32;
  bool fullscreen = true;
  bool headless = false;
  long frames = 0;        // quit after this many drawn frames; 0: no limit
  double fps = 0;         // fixed-step clock at this rate; 0: live clock
  std::string pngDirectory;  // write every drawn frame here as a PNG
  int startOrder = 0;     // the song starts at this order
};

enum class ParseResult { run, help, version, error };

// Reads argv into `options`; on error, `message` says what was wrong.
ParseResult parseOptions(int argc, const char* const* argv, Options& options, std::string& message);

const char* usageText();
