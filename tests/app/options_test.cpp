// Tests of the command line: what each line of options makes or why it is refused.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"

namespace {

// The fields the parser decides, in one line. (Texts pass through as given:
// the runs that write them catch a slip.)
std::string describe(const Options& o) {
  std::ostringstream s;
  s << o.width << 'x' << o.height << 'x' << o.bits << (o.showDialog ? " dialog" : "")
    << (o.fullscreen ? " fullscreen" : "") << (o.headless ? " headless" : "") << (o.bench ? " bench" : "")
    << (o.vsync ? " vsync" : "") << (o.reduceFlashing ? " reduce-flashing" : "")
    << (o.audioOffsetMs ? " offset=" + std::to_string(o.audioOffsetMs) : "")
    << " frames=" << o.frames << " fps=" << o.fps << " order=" << o.startOrder << " msaa=" << o.msaa;
  return s.str();
}

// Parses a command line given as one string of words.
ParseResult parse(const char* args, Options& options, std::string& message) {
  std::istringstream words(args);
  const std::vector<std::string> split{std::istream_iterator<std::string>(words), {}};
  std::vector<const char*> argv = {"flipp-kroma"};
  for (const std::string& arg : split) argv.push_back(arg.c_str());
  return parseOptions(static_cast<int>(argv.size()), argv.data(), options, message);
}

// Each command line and the options it makes; null where it is refused.
TEST(AppOptions, CommandLines) {
  const struct {
    const char* args;
    const char* want = nullptr;
  } cases[] = {
      {"", "640x480x32 dialog fullscreen vsync frames=0 fps=0 order=0 msaa=-1"},
      // frames written to disk run on the fixed step, at 60 fps unless told
      {"--headless --mode 1280x720 --frames 60 --png out", "1280x720x32 headless frames=60 fps=60 order=0 msaa=-1"},
      {"--mode 800x600x16 --fps 30 --start-order 5", "800x600x16 fullscreen frames=0 fps=30 order=5 msaa=-1"},
#ifdef _WIN32
      // the Windows build has no capture
      {"--capture show.MKV"},
#else
      // a capture runs headless at 720p and 60 fps unless told
      {"--capture show.MKV", "1280x720x32 headless frames=0 fps=60 order=0 msaa=4"},
      {"--capture show.mp4 --msaa 0 --mode 320x240", "320x240x32 headless frames=0 fps=60 order=0 msaa=0"},
#endif
      {"--headless --msaa 8", "640x480x32 headless frames=0 fps=0 order=0 msaa=8"}, {"--msaa 3"}, {"--msaa 16"},
      // the benchmark times every order headless, 230 frames 1/30 s apart unless
      // told; it chooses its own orders and outputs
      {"--bench --bench-out t.csv", "640x480x32 headless bench frames=230 fps=30 order=0 msaa=-1"},
      {"--bench-out t.csv"}, {"--bench --png d"}, {"--bogus"}, {"--frames"}, {"--start-order 1x"}, {"--start-order 22"},
      {"--mode 640"}, {"--mode 640x480x20"}, {"--mode 640x480x32x1"},
      // the desktop's own size (0 x 0), which an offscreen run does not have
      {"--mode desktop --windowed", "0x0x32 vsync frames=0 fps=0 order=0 msaa=-1"},
      {"--mode desktop --headless"}, {"--capture a.mkv --mode desktop"}, {"--bench --mode desktop"}, {"--mode Desktop"},
      // a capture needs a container it knows, and an end
      {"--capture show.avi"}, {"--capture .mp4"}, {"--capture a.mkv --start-order 19"},
      // live runs wait for the display unless told not to; runs that are not
      // live never do, and refuse to be told to
      {"--vsync off", "640x480x32 fullscreen frames=0 fps=0 order=0 msaa=-1"},
      {"--vsync on --windowed", "640x480x32 vsync frames=0 fps=0 order=0 msaa=-1"},
      {"--headless --vsync off", "640x480x32 headless frames=0 fps=0 order=0 msaa=-1"}, {"--vsync maybe"},
      {"--headless --vsync on"}, {"--fps 30 --vsync on"}, {"--bench --vsync on"},
      // the sound's offset in whole milliseconds, either way, up to a second
      {"--audio-offset -1000", "640x480x32 fullscreen vsync offset=-1000 frames=0 fps=0 order=0 msaa=-1"},
      {"--audio-offset 1000", "640x480x32 fullscreen vsync offset=1000 frames=0 fps=0 order=0 msaa=-1"},
      {"--audio-offset 1001"}, {"--audio-offset 12ms"}, {"--audio-offset +-3"}, {"--audio-offset"},
      // reduced flashing goes with every kind of run; it takes no value
      {"--reduce-flashing", "640x480x32 fullscreen vsync reduce-flashing frames=0 fps=0 order=0 msaa=-1"},
      {"--bench --reduce-flashing", "640x480x32 headless bench reduce-flashing frames=230 fps=30 order=0 msaa=-1"},
      {"--reduce-flashing --png d --start-order 18",
       "640x480x32 fullscreen reduce-flashing frames=0 fps=60 order=18 msaa=-1"},
#ifndef _WIN32
      {"--capture a.mp4 --reduce-flashing --start-order 10",
       "1280x720x32 headless reduce-flashing frames=0 fps=60 order=10 msaa=4"},
#endif
      {"--reduce-flashing on"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    Options options;
    std::string message;
    EXPECT_EQ(parse(c.args, options, message), c.want ? ParseResult::run : ParseResult::error) << message;
    if (c.want) EXPECT_EQ(describe(options), c.want);
    else EXPECT_FALSE(message.empty());
  }
}

}  // namespace
