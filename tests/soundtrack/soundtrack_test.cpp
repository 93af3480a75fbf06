#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/itwriter/it_writer.h"
#include "tools/soundtrack/score.h"

namespace {

constexpr int kOrders = 22;
constexpr int kShowOrders = 19;  // 0..18; the show ends on the last row of 18

std::vector<std::uint8_t> builtFile() {
  std::ifstream f(FK_SOUNDTRACK_FILE, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

TEST(SoundtrackFile, IsTheComposersOutputIn22OrdersOf64Rows) {
  const std::vector<std::uint8_t> bytes = builtFile();
  ASSERT_FALSE(bytes.empty()) << FK_SOUNDTRACK_FILE;
  EXPECT_TRUE(itw::encode(soundtrack::compose()) == bytes);
  openmpt::module mod(bytes);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  ASSERT_EQ(mod.get_num_orders(), kOrders);
  for (int o = 0; o < kOrders; ++o) EXPECT_EQ(mod.get_pattern_num_rows(mod.get_order_pattern(o)), 64) << o;
  EXPECT_NEAR(mod.get_duration_seconds(), kOrders * 7.68, 0.05);  // rows of 120 ms, no jumps
}

// Rendered by libopenmpt at its defaults in steps of 10 ms (fine enough to see the kick's level move).
TEST(SoundtrackRender, ShowOrdersSoundNothingClipsAndTheKickMoves) {
  struct Order {
    double sumSquares = 0, startSeconds = -1;
    long frames = 0;
    float peak = 0, vuMin = 1e9f, vuMax = 0;  // vu: channel 0
  };
  std::vector<Order> orders(kOrders);
  openmpt::module mod(builtFile());
  std::vector<float> left(441), right(441);
  for (std::size_t got = 1; got > 0;) {
    const int order = mod.get_current_order();
    const double at = mod.get_position_seconds();
    got = mod.read(44100, left.size(), left.data(), right.data());
    if (got == 0 || order < 0 || order >= kOrders) continue;
    Order& o = orders[order];
    if (o.startSeconds < 0) o.startSeconds = at;
    for (std::size_t i = 0; i < got; ++i) {
      o.sumSquares += (left[i] * left[i] + right[i] * right[i]) / 2;
      o.peak = std::max({o.peak, std::abs(left[i]), std::abs(right[i])});
    }
    o.frames += static_cast<long>(got);
    o.vuMin = std::min(o.vuMin, mod.get_current_channel_vu_mono(0));
    o.vuMax = std::max(o.vuMax, mod.get_current_channel_vu_mono(0));
  }
  for (int o = 0; o < kShowOrders; ++o) {
    EXPECT_GT(10 * std::log10(orders[o].sumSquares / orders[o].frames), -40) << "order " << o;
    EXPECT_LT(orders[o].peak, 1.0f) << "order " << o;
  }
  // Channel 0 drives the rosettes and the pupils from order 2 on.
  for (int o = 2; o <= 18; ++o) EXPECT_GT(orders[o].vuMax - orders[o].vuMin, 0.3f) << "order " << o;
  EXPECT_LT(orders[21].peak, 1e-4f) << "the epilogue ends in silence";
  EXPECT_NEAR(orders[19].startSeconds, kShowOrders * 7.68, 0.05);  // the show: about two and a half minutes
}

}  // namespace
