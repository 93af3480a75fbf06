// Tests of the audible-position timeline, alone and under a concurrent writer.
#include "music/audible_timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <tuple>

namespace {

using music::AudibleTimeline;
using music::BlockRecord;

constexpr std::uint32_t B = music::blockFrames;

// Block k: frames [k * B, (k + 1) * B), every other field derived from k, so
// that an answer shows which block it came from and whether it was read whole.
BlockRecord block(std::uint64_t k) {
  BlockRecord b{k * B, B, static_cast<int>(k / 64), static_cast<int>(k % 64)};
  for (int c = 0; c < music::maxChannels; ++c) b.level[c] = static_cast<std::uint8_t>(k + c);
  return b;
}

bool wholeBlock(const BlockRecord& b) {
  const BlockRecord e = block(b.firstFrame / B);
  return b.frames == e.frames && b.order == e.order && b.row == e.row && std::equal(b.level, b.level + music::maxChannels, e.level);
}

// Nanoseconds that `frames` frames last, rounded up so that they count whole
// when added to any time.
std::int64_t ns(std::int64_t frames) { return (frames * 1'000'000'000 + music::mixRate - 1) / music::mixRate; }

// An output whose listener is two blocks behind the data handed over (a
// callback's block and one more in the device); then the callbacks stop, and
// resume late. (The player's tests follow the position while the callbacks
// come on time.)
TEST(MusicTimeline, StarvedTheDevicePlaysOutWhatItHoldsAndThePositionNeverStepsBack) {
  auto timeline = std::make_unique<AudibleTimeline>();
  const std::int64_t t0 = 5'000'000'000, late = t0 + 1'000'000'000;  // any start on the monotonic clock
  timeline->handOver(40 * B, 2 * B, t0);
  EXPECT_EQ(timeline->audibleFrame(t0), 38 * B);
  EXPECT_EQ(timeline->audibleFrame(late), 40 * B - 1);  // the last frame handed, no further
  // The late block's hand-over alone would put the position back behind what was heard.
  timeline->handOver(41 * B, 2 * B, late);
  EXPECT_EQ(timeline->audibleFrame(late), 40 * B - 1);
  EXPECT_EQ(timeline->audibleFrame(late + ns(B)), 40 * B);
  timeline->reset();  // forgets the hand-over and the answers given
  EXPECT_LT(timeline->audibleFrame(late + ns(B)), 0);
}

// Reports come late, never early (a callback run late, a server's count of
// the data read made before its report): of those of the last quarter
// second the one that puts the listener furthest counts, so that a late one
// neither holds the position still nor steps it back. Older ones are
// forgotten: the sound may have stalled since.
TEST(MusicTimeline, OfTheRecentReportsTheFurthestCounts) {
  auto timeline = std::make_unique<AudibleTimeline>();
  const std::int64_t t0 = 5'000'000'000, t1 = t0 + ns(B), t2 = t0 + ns(20'000);
  timeline->handOver(40 * B, 2 * B, t0);
  timeline->handOver(41 * B, 2 * B + 441, t1);  // made 10 ms before it came
  EXPECT_EQ(timeline->audibleFrame(t1 + ns(100)), 39 * B + 100);
  timeline->handOver(40 * B + 20'000, 2 * B + 441, t2);  // 450 ms on, the song 10 ms behind
  EXPECT_EQ(timeline->audibleFrame(t2), 38 * B + 20'000 - 441);
}

// The latency as the output reports it, and the listener's own offset on top:
// a later ear hears an earlier frame, an earlier one a later frame.
TEST(MusicTimeline, TheReportedLatencyAndTheOffsetPutTheListenerBehind) {
  const std::int64_t t0 = 5'000'000'000;
  for (auto [latency, offset, heard] : {std::tuple{0, 0, 100 * B - 1}, {8820, 0, 100 * B - 8820},
                                        {8820, 441, 100 * B - 9261}, {8820, -441, 100 * B - 8379}}) {
    auto timeline = std::make_unique<AudibleTimeline>();
    timeline->setOffset(offset);
    timeline->handOver(100 * B, latency, t0);
    EXPECT_EQ(timeline->audibleFrame(t0), heard) << "latency " << latency << ", offset " << offset;
    EXPECT_EQ(timeline->audibleFrame(t0 + ns(441)), std::min<std::int64_t>(heard + 441, 100 * B - 1));
  }
}

// A reader never sees a half-written block, however often the writer laps the
// ring; frames older than the ring get the oldest held block.
TEST(MusicTimeline, ReadWholeUnderAConcurrentWriterAndClampedToTheRing) {
  auto timeline = std::make_unique<AudibleTimeline>();
  // The writer goes on until the reader has read a while, so that a reader
  // the scheduler holds back on a busy machine still races it.
  constexpr std::uint64_t minimum = 200'000;
  std::atomic<std::uint64_t> reads{0};
  std::atomic<bool> done{false};
  std::uint64_t count = 0;
  std::thread writer([&] {
    for (; count < minimum || reads.load(std::memory_order_relaxed) < 10'000; ++count)
      timeline->record(block(count));
    done = true;
  });
  std::uint64_t torn = 0;  // counted, not asserted: the writer must be joined
  BlockRecord answer;
  while (!done)
    for (std::int64_t frame : {std::int64_t{1} << 40, std::int64_t{0}})  // the newest, and one about to go
      if (timeline->blockAt(frame, answer)) {
        reads.fetch_add(1, std::memory_order_relaxed);
        torn += !wholeBlock(answer);
      }
  writer.join();
  EXPECT_EQ(torn, 0u);
  ASSERT_TRUE(timeline->blockAt(0, answer));
  EXPECT_EQ(answer.firstFrame, (count - AudibleTimeline::capacity) * B);
}

}  // namespace
