#include "app/options.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

bool parseInt(std::string_view text, long min, long max, long& value) {
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && ptr == end && value >= min && value <= max;
}

// WxH or WxHxBITS, bits 16, 24 or 32.
bool parseMode(std::string_view text, Options& options) {
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

}  // namespace

const char* usageText() {
  return "Usage: flipp-kroma [options]\n"
         "Without options the setup dialog asks for the display mode.\n"
         "  --mode WxH[xBITS]   display mode (bits 16, 24 or 32; default 32)\n"
         "  --windowed          run in a window\n"
         "  --fullscreen        run full-screen\n"
         "  --headless          no display needed (offscreen, windowed)\n"
         "  --frames N          quit after N frames\n"
         "  --fps N             fixed-step clock: every frame advances time by 1000/N ms\n"
         "  --png DIR           write each frame as DIR/frame-NNNNNN.png (--fps defaults to 60)\n"
         "  --start-order N     start the music at order N\n"
         "  --help, --version\n";
}

ParseResult parseOptions(int argc, const char* const* argv, Options& options,
                         std::string& message) {
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
    const bool takesValue = arg == "--mode" || arg == "--frames" || arg == "--fps" ||
                            arg == "--png" || arg == "--start-order";
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
      ok = parseInt(value, 0, 255, number);
      options.startOrder = static_cast<int>(number);
    }
    if (!ok) {
      message = "bad value '" + std::string(value) + "' for " + std::string(arg);
      return ParseResult::error;
    }
  }
  // Headless means offscreen: always a window of exactly the chosen size.
  if (options.headless) options.fullscreen = false;
  if (!options.pngDirectory.empty() && options.fps == 0) options.fps = 60;
  return ParseResult::run;
}
