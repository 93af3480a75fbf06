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

TEST(AppOptions, BadInputIsRefused) {
  for (auto args : {std::vector<const char*>{"--bogus"}, {"--mode", "640"}, {"--mode", "640x480x8"},
                    {"--mode", "0x480"}, {"--mode", "640x480x32x1"}, {"--frames", "-1"},
                    {"--fps", "abc"}, {"--frames"}, {"--start-order", "1x"}}) {
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
