#include <gtest/gtest.h>

#include <utility>

#include "show/procedural_textures.h"

namespace {

int at(const std::vector<std::uint8_t>& image, int x, int y) {
  const std::uint8_t* p = &image[(256 * y + x) * 3];
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
  return p[0];
}

TEST(ShowTextures, GlowFallsOffFromPixel128) {
  std::vector<std::uint8_t> image(256 * 256 * 3, 99);
  makeGlowImage(image);
  EXPECT_EQ(at(image, 128, 128), 255);
  EXPECT_EQ(at(image, 129, 128), 253);
  EXPECT_EQ(at(image, 255, 128), 1);
  for (auto [x, y] : {std::pair{0, 128}, {128, 0}, {0, 0}, {255, 255}}) EXPECT_EQ(at(image, x, y), 0);
  // Symmetric about row and column 128, not about the image's middle.
  for (int d = 1; d < 128; d += 9) {
    EXPECT_EQ(at(image, 128 - d, 100), at(image, 128 + d, 100));
    EXPECT_EQ(at(image, 70, 128 - d), at(image, 70, 128 + d));
  }
}

TEST(ShowTextures, StripesRepeatEvery64ColumnsAndNeverReach255) {
  std::vector<std::uint8_t> image(256 * 256 * 3, 99);
  makeStripeImage(image);
  const int expected[][2] = {{0, 128}, {8, 217}, {16, 254}, {32, 127}, {48, 1}, {64, 128}};
  for (const auto& [x, value] : expected) EXPECT_EQ(at(image, x, 0), value) << x;
  for (int x = 0; x < 256; ++x) {
    EXPECT_NE(at(image, x, 0), 255);
    EXPECT_EQ(at(image, x, 200), at(image, x, 0));
    EXPECT_EQ(at(image, (x + 64) % 256, 7), at(image, x, 7));
  }
}

}  // namespace
