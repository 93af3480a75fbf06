// Flash counting on synthetic frames and light series: the regions' light,
// what makes a transition, and the count in one-second windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "tools/flashscan/flash_count.h"

namespace {

constexpr int fps = 60;

// Grey light of this relative luminance.
Light grey(double luminance) { return {luminance, luminance, luminance}; }

// `frames` frames of a square wave between `low` and `high`, switching every
// `every` frames, starting low.
std::vector<Light> squareWave(Light low, Light high, int every, int frames) {
  std::vector<Light> series;
  for (int i = 0; i < frames; ++i) series.push_back((i / every) % 2 ? high : low);
  return series;
}

int mostInOneSecond(const std::vector<long>& ends, long frames) {
  const std::vector<int> counts = countInWindows(ends, frames, fps);
  return *std::max_element(counts.begin(), counts.end());
}

// A 4x4 frame: the left half white, the right half black, but for one pure
// red pixel at the bottom right. The grid's quarters are 2x2, the centre's
// the middle 2x2; light is sRGB decoded before it is averaged.
TEST(FlashRegions, MeanLightOfTheFrameItsQuartersAndItsCentre) {
  std::vector<std::uint8_t> rgb(4 * 4 * 3, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x)
      for (int c = 0; c < 3; ++c) rgb[(y * 4 + x) * 3 + c] = 255;
  rgb[(3 * 4 + 3) * 3] = 255;
  const FrameLight light = measureFrame(rgb.data(), 4, 4);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[wholeFrame]), 0.5 + 0.2126 / 16);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[topLeft]), 1);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[bottomLeft]), 1);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[topRight]), 0);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[bottomRight]), 0.2126 / 4);
  EXPECT_DOUBLE_EQ(relativeLuminance(light[centre]), 0.5);
  EXPECT_TRUE(saturatedRed(light[bottomRight]));
  EXPECT_DOUBLE_EQ(redness(light[bottomRight]), 320.0 / 4);
  EXPECT_FALSE(saturatedRed(light[wholeFrame]) || saturatedRed(light[topRight]));
  // Mid-grey 128 is 21.6 % of white's light, not half.
  EXPECT_NEAR(linearFromSrgb(128), 0.2158605, 1e-6);
}

// Swings run between adjacent extremes of at least the threshold; smaller
// ripples neither count nor split a swing; each ends where its extreme is first reached.
TEST(FlashSwings, BetweenPeaksAndValleysOfAtLeastTheThreshold) {
  const auto of = [](const std::vector<double>& series) {
    std::vector<std::pair<long, long>> found;
    for (const Swing& swing : swings(series, 0.1)) found.emplace_back(swing.from, swing.to);
    return found;
  };
  using Found = std::vector<std::pair<long, long>>;
  EXPECT_EQ(of({}), Found{});
  EXPECT_EQ(of({0.5, 0.55, 0.5, 0.55, 0.5}), Found{});
  EXPECT_EQ(of({0, 0.1, 0.1, 0}), (Found{{0, 1}, {1, 3}}));
  EXPECT_EQ(of({0.5, 0.5999, 0.5}), Found{});
  // a rise with ripples on the way up, then a fall
  EXPECT_EQ(of({0, 0.3, 0.25, 0.5, 0.45, 0.9, 0.9, 0.2}), (Found{{0, 5}, {5, 7}}));
  // a fall first; the dip of 0.05 before the rise does not end it
  EXPECT_EQ(of({1, 0.4, 0.45, 0.4, 0.35, 0.8}), (Found{{0, 4}, {4, 5}}));
}

// General transitions change the luminance by 0.1 or more with the darker
// side below 0.8; red ones change the redness by more than 20, to or from a
// saturated red.
TEST(FlashTransitions, GeneralAndRed) {
  const int frames = 60;
  EXPECT_EQ(generalTransitions(squareWave(grey(0.7), grey(0.85), 10, frames)).size(), 5u);
  EXPECT_EQ(generalTransitions(squareWave(grey(0.8), grey(1), 10, frames)).size(), 0u);
  EXPECT_EQ(generalTransitions(squareWave(grey(0), grey(0.099), 10, frames)).size(), 0u);
  // A dark red flickering on black: too dark for a general flash, but red.
  const Light darkRed{0.1, 0, 0};
  EXPECT_EQ(generalTransitions(squareWave(grey(0), darkRed, 10, frames)).size(), 0u);
  EXPECT_EQ(redTransitions(squareWave(grey(0), darkRed, 10, frames)), (std::vector<long>{10, 20, 30, 40, 50}));
  // red against white: the white side is not red at all, the red side saturated
  EXPECT_EQ(redTransitions(squareWave(grey(1), Light{1, 0, 0}, 10, frames)).size(), 5u);
  // an orange (R / (R + G + B) = 0.71) is no saturated red; a change of 20 is not more than 20
  EXPECT_EQ(redTransitions(squareWave(grey(0), Light{0.5, 0.2, 0}, 10, frames)).size(), 0u);
  EXPECT_EQ(redTransitions(squareWave(grey(0), Light{0.0625, 0, 0}, 10, frames)).size(), 0u);
}

// More than three flashes (seven transitions) in any one second fail: a
// light switching 6 times a second passes, 7 times fails, wherever the
// second starts; a slow wash counts once.
TEST(FlashCount, InAnyOneSecond) {
  const long frames = 5 * fps;
  const auto most = [&](int every) {
    return mostInOneSecond(generalTransitions(squareWave(grey(0), grey(1), every, frames)), frames);
  };
  EXPECT_EQ(most(10), 6);
  EXPECT_LE(most(10), mostTransitionsPerSecond);
  EXPECT_EQ(most(9), 7);
  EXPECT_GT(most(9), mostTransitionsPerSecond);
  std::vector<Light> wash;
  for (int i = 0; i < frames; ++i) wash.push_back(grey(std::sin(std::numbers::pi * i / frames)));
  EXPECT_EQ(mostInOneSecond(generalTransitions(wash), frames), 1);
  // the windows: the transitions in the `fps` frames from each frame on
  const std::vector<int> counts = countInWindows({0, 10, 59, 60, 119}, 121, fps);
  ASSERT_EQ(counts.size(), 121u);
  for (const auto& [frame, want] : {std::pair{0, 3}, {1, 3}, {11, 2}, {59, 2}, {60, 2}, {61, 1}, {119, 1}, {120, 0}})
    EXPECT_EQ(counts[frame], want) << "from frame " << frame;
}

}  // namespace
