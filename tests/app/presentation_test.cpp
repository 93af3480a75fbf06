// Live frames drawn for the moment they are seen: the running estimate and the aimed clock.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "app/clock.h"
#include "app/presentation_delay.h"

namespace {

constexpr std::int64_t ms = 1'000'000;

// The estimate is the median of the last frames' drawing and swap: it takes
// up a new drawing time once most of those frames have it, leaves one stalled
// frame out, and adds the refresh where the display waits for it.
TEST(AppPresentation, DelayIsTheRecentFramesMedianPlusTheRefreshWaitedFor) {
  PresentationDelay delay;
  EXPECT_EQ(delay.ns(), 0);
  std::int64_t at = 0;
  auto frame = [&](std::int64_t took) {
    delay.frameShown(at, at + took);
    at += took + 2 * ms;
  };
  for (int i = 0; i < 40; ++i) frame(30 * ms);
  EXPECT_EQ(delay.ns(), 30 * ms);
  frame(400 * ms);  // the machine was busy for a moment
  EXPECT_EQ(delay.ns(), 30 * ms);
  int frames = 0;
  for (; delay.ns() != 5 * ms; ++frames) frame(5 * ms);  // a lighter scene
  EXPECT_EQ(frames, PresentationDelay::kept / 2 + 1);  // most of the frames kept
  delay.refreshNs = 16'666'666;
  EXPECT_EQ(delay.ns(), 5 * ms + 16'666'666);
}

// The live clock reads the moment the frame being drawn is seen, and never
// goes back when the estimate shrinks.
TEST(AppPresentation, LiveClockReadsAheadAndNeverBack) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
  showclock::aimAhead(500);
  const std::uint32_t ahead = timeGetTime();
  EXPECT_GE(ahead, SDL_GetTicks() + 500);
  showclock::aimAhead(0);
  EXPECT_GE(timeGetTime(), ahead);
  SDL_Delay(600);
  EXPECT_GT(timeGetTime(), ahead);
  EXPECT_LE(timeGetTime(), SDL_GetTicks());
  SDL_QuitSubSystem(SDL_INIT_TIMER);
}

}  // namespace
