// The command line: parsing, checking and the usage text.
#include "app/options.h"

#include <charconv>
#include <cctype>
#include <cstring>
#include <string_view>

#include "show/scenes.h"

namespace {

bool parseInt(std::string_view text, long min, long max, long& value) {
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && ptr == end && value >= min && value <= max;
}

// WxH or WxHxBITS, bits 16, 24 or 32; or "desktop", the desktop's own size (0 x 0).
bool parseMode(std::string_view text, Options& options) {
  if (text == "desktop") {
    options.width = options.height = 0;
    return true;
  }
  long parts[3] = {0, 0, 32};
  int count = 0;
  while (count < 3) {
    const size_t x = text.find('x');
    const long max = count < 2 ? 16384 : 32;
    if (!parseInt(text.substr(0, x), count < 2 ? 1 : 16, max, parts[count])) return false;
    ++count;
    if (x == std::string_view::npos) break;
    text.remove_prefix(x + 1);
    if (count == 3) return false;
  }
  if (count < 2 || (parts[2] != 16 && parts[2] != 24 && parts[2] != 32)) return false;
  options.width = static_cast<int>(parts[0]);
  options.height = static_cast<int>(parts[1]);
  options.bits = static_cast<int>(parts[2]);
  return true;
}

// The container comes from the extension: .mp4 or .mkv, in any case.
bool isVideoFile(std::string_view name) {
  if (name.size() < 5) return false;
  std::string extension(name.substr(name.size() - 4));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".mp4" || extension == ".mkv";
}

}  // namespace

const char* usageText() {
  return "Usage: flipp-kroma [options]\n"
         "Warning: the show contains flashing lights. --reduce-flashing (\"Reduce flashing\"\n"
         "in the setup dialog) holds them to at most three flashes a second.\n"
         "\n"
         "Without options the setup dialog asks for the display mode.\n"
         "  --mode WxH[xBITS]   display mode (bits 16, 24 or 32; default 32)\n"
         "  --mode desktop      the desktop's own size: full-screen without a mode change\n"
         "  --windowed          run in a window\n"
         "  --fullscreen        run full-screen\n"
         "  --headless          no display needed (offscreen, windowed)\n"
         "  --frames N          quit after N frames\n"
         "  --fps N             fixed-step clock: every frame advances time by 1000/N ms\n"
         "  --png DIR           write each frame as DIR/frame-NNNNNN.png (--fps defaults to 60)\n"
         "  --start-order N     start the music at order N (0 to 21)\n"
         "  --capture FILE      render the show headless into a video with its sound\n"
         "                      (FILE .mp4 or .mkv; default 1280x720 at 60 fps; needs ffmpeg)\n"
         "  --bench             time every order headless and print a table (--frames per\n"
         "                      order, default 230; --fps step, default 30)\n"
         "  --bench-out FILE    with --bench: also write the table as CSV\n"
         "  --msaa N            N samples per pixel for smooth edges: 0, 2, 4 or 8 (default\n"
         "                      4, none on a software rasteriser; 4 for --capture)\n"
         "  --vsync on|off      wait for the display before showing each frame (default on;\n"
         "                      headless, fixed-step, capture and benchmark runs never wait)\n"
         "  --font FILE         draw the text with this font file instead of the\n"
         "                      installed \"Impact\" (or the bundled face)\n"
         "  --audio-offset MS   the sound reaches the ear MS ms later than the sound\n"
         "                      output reports (negative: sooner); -1000 to 1000\n"
         "  --reduce-flashing   the scenes that strobe flash at most three times a second\n"
         "  --help, --version\n";
}

ParseResult parseOptions(int argc, const char* const* argv, Options& options,
                         std::string& message) {
  bool modeGiven = false;
  bool startOrderGiven = false;
  bool vsyncGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    options.showDialog = false;
    if (arg == "--help") return ParseResult::help;
    if (arg == "--version") return ParseResult::version;
    if (arg == "--windowed" || arg == "--fullscreen") {
      options.fullscreen = arg == "--fullscreen";
      continue;
    }
    if (arg == "--headless") {
      options.headless = true;
      continue;
    }
    if (arg == "--bench") {
      options.bench = true;
      continue;
    }
    if (arg == "--reduce-flashing") {
      options.reduceFlashing = true;
      continue;
    }
    const bool takesValue = arg == "--mode" || arg == "--frames" || arg == "--fps" ||
                            arg == "--png" || arg == "--start-order" || arg == "--capture" ||
                            arg == "--bench-out" || arg == "--font" || arg == "--msaa" ||
                            arg == "--vsync" || arg == "--audio-offset";
    if (!takesValue) {
      message = "unknown option '" + std::string(arg) + "'";
      return ParseResult::error;
    }
    if (i + 1 >= argc) {
      message = "option '" + std::string(arg) + "' needs a value";
      return ParseResult::error;
    }
    const std::string_view value = argv[++i];
    long number = 0;
    bool ok = true;
    if (arg == "--mode") {
      ok = parseMode(value, options);
      modeGiven = true;
    } else if (arg == "--frames") {
      ok = parseInt(value, 1, 1000000000L, number);
      options.frames = number;
    } else if (arg == "--fps") {
      ok = parseInt(value, 1, 1000, number);
      options.fps = static_cast<double>(number);
    } else if (arg == "--png") {
      ok = !value.empty();
      options.pngDirectory = value;
    } else if (arg == "--start-order") {
      ok = parseInt(value, 0, lastOrder, number);
      options.startOrder = static_cast<int>(number);
      startOrderGiven = true;
    } else if (arg == "--capture") {
#ifdef _WIN32
      // The encoder is started through POSIX calls this build does not have.
      message = "capture is not available in this build";
      return ParseResult::error;
#endif
      if (!isVideoFile(value)) {
        message = "--capture writes .mp4 or .mkv files, not '" + std::string(value) + "'";
        return ParseResult::error;
      }
      options.captureFile = value;
    } else if (arg == "--bench-out") {
      ok = !value.empty();
      options.benchOut = value;
    } else if (arg == "--msaa") {
      ok = value == "0" || value == "2" || value == "4" || value == "8";
      if (ok) options.msaa = value[0] - '0';
    } else if (arg == "--vsync") {
      ok = value == "on" || value == "off";
      options.vsync = value == "on";
      vsyncGiven = true;
    } else if (arg == "--audio-offset") {
      ok = parseInt(value, -1000, 1000, number);
      options.audioOffsetMs = static_cast<int>(number);
    } else if (arg == "--font") {
      ok = !value.empty();
      options.fontFile = value;
    }
    if (!ok) {
      message = "bad value '" + std::string(value) + "' for " + std::string(arg);
      return ParseResult::error;
    }
  }
  const bool capture = !options.captureFile.empty();
  if (options.bench && (capture || !options.pngDirectory.empty() || startOrderGiven)) {
    message = "--bench runs every order on its own: no --capture, --png or --start-order with it";
    return ParseResult::error;
  }
  if (!options.benchOut.empty() && !options.bench) {
    message = "--bench-out needs --bench";
    return ParseResult::error;
  }
  // The show ends in the farewell's order; from a later order it would run for ever.
  if (capture && options.startOrder > farewellOrder && options.frames == 0) {
    message = "a capture from order " + std::to_string(options.startOrder) +
              " never reaches the show's end (order " + std::to_string(farewellOrder) + "): give --frames";
    return ParseResult::error;
  }
  if (capture || options.bench) options.headless = true;
  // A video is watched at leisure: smooth edges whatever the rasteriser costs.
  if (capture && options.msaa < 0) options.msaa = 4;
  // Offscreen there is no desktop to take the size of.
  if (options.width == 0 && options.headless) {
    message = "--mode desktop needs a display: headless, capture and benchmark runs need WxH";
    return ParseResult::error;
  }
  if (capture && !modeGiven) {
    options.width = 1280;
    options.height = 720;
  }
  if (options.bench) {
    if (options.fps == 0) options.fps = benchFps;
    if (options.frames == 0) options.frames = benchFramesPerOrder;
  }
  // Headless means offscreen: always a window of exactly the chosen size.
  if (options.headless) options.fullscreen = false;
  if ((!options.pngDirectory.empty() || capture) && options.fps == 0) options.fps = 60;
  // Offscreen, or on a fixed step, there is no display to keep pace with.
  const bool live = !options.headless && options.fps == 0;
  if (vsyncGiven && options.vsync && !live) {
    message = "--vsync on is for live runs: headless, fixed-step, capture and benchmark runs never wait";
    return ParseResult::error;
  }
  options.vsync = options.vsync && live;
  return ParseResult::run;
}
