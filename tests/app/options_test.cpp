#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/options.h"

namespace {

ParseResult parse(std::initializer_list<const char*> args, Options& options) {
  std::vector<const char*> argv = {"flipp-kroma"};
  argv.insert(argv.end(), args);
  std::string message;
  return parseOptions(static_cast<int>(argv.size()), argv.data(), options, message);
}

TEST(AppOptions, NoOptionMeansTheDialogAndItsDefaults) {
  Options options;
  EXPECT_EQ(parse({}, options), ParseResult::run);
  EXPECT_TRUE(options.showDialog);
  EXPECT_EQ(options.fps, 0);
}

TEST(AppOptions, ModesAndRunControls) {
  Options options;
  ASSERT_EQ(parse({"--headless", "--mode", "1280x720", "--frames", "60", "--png", "out"}, options),
            ParseResult::run);
  EXPECT_FALSE(options.showDialog);
  EXPECT_FALSE(options.fullscreen);
  EXPECT_EQ(options.width, 1280);
  EXPECT_EQ(options.height, 720);
  EXPECT_EQ(options.bits, 32);
  EXPECT_EQ(options.frames, 60);
  EXPECT_EQ(options.fps, 60);  // frames written to disk run on the fixed step
  Options other;
  ASSERT_EQ(parse({"--mode", "800x600x16", "--fps", "30", "--start-order", "5"}, other),
            ParseResult::run);
  EXPECT_EQ(other.bits, 16);
  EXPECT_TRUE(other.fullscreen);
  EXPECT_EQ(other.fps, 30);
  EXPECT_EQ(other.startOrder, 5);
}

TEST(AppOptions, CaptureRunsHeadlessAt720pAnd60FpsUnlessTold) {
  Options options;
  ASSERT_EQ(parse({"--capture", "show.MKV"}, options), ParseResult::run);
  EXPECT_EQ(options.captureFile, "show.MKV");
  EXPECT_TRUE(options.headless);
  EXPECT_FALSE(options.fullscreen);
  EXPECT_EQ(options.width, 1280);
  EXPECT_EQ(options.height, 720);
  EXPECT_EQ(options.fps, 60);
  Options told;
  ASSERT_EQ(parse({"--mode", "64x48", "--capture", "a.mp4", "--fps", "25", "--start-order", "19", "--frames", "9"},
                  told),
            ParseResult::run);
  EXPECT_EQ(told.width, 64);
  EXPECT_EQ(told.height, 48);
  EXPECT_EQ(told.fps, 25);
}

TEST(AppOptions, BenchTimesEveryOrderHeadlessOnItsOwnStep) {
  Options options;
  ASSERT_EQ(parse({"--bench", "--bench-out", "t.csv"}, options), ParseResult::run);
  EXPECT_TRUE(options.bench);
  EXPECT_TRUE(options.headless);
  EXPECT_EQ(options.benchOut, "t.csv");
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.fps, benchFps);
  EXPECT_EQ(options.frames, benchFramesPerOrder);
  // 230 frames 1/30 s apart stay inside one 7.68 s order.
  EXPECT_LT((benchFramesPerOrder - 1) * 1000 / benchFps, 7680);
  Options told;
  ASSERT_EQ(parse({"--bench", "--frames", "3", "--fps", "60", "--mode", "64x48"}, told), ParseResult::run);
  EXPECT_EQ(told.frames, 3);
  EXPECT_EQ(told.fps, 60);
}

TEST(AppOptions, BadInputIsRefused) {
  for (auto args : {std::vector<const char*>{"--bogus"}, {"--mode", "640"}, {"--mode", "640x480x8"},
                    {"--mode", "0x480"}, {"--mode", "640x480x32x1"}, {"--frames", "-1"},
                    {"--fps", "abc"}, {"--frames"}, {"--start-order", "1x"},
                    // a capture needs a container it knows, and an end
                    {"--capture", "show.avi"}, {"--capture", ".mp4"}, {"--capture"},
                    {"--capture", "a.mkv", "--start-order", "19"},
                    // the benchmark chooses its own orders and outputs
                    {"--bench-out", "t.csv"}, {"--bench", "--capture", "a.mp4"}, {"--bench", "--png", "d"},
                    {"--bench", "--start-order", "3"}}) {
    std::vector<const char*> argv = {"flipp-kroma"};
    argv.insert(argv.end(), args.begin(), args.end());
    Options options;
    std::string message;
    EXPECT_EQ(parseOptions(static_cast<int>(argv.size()), argv.data(), options, message),
              ParseResult::error)
        << args[0];
    EXPECT_FALSE(message.empty());
  }
}

}  // namespace
