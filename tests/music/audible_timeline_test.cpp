#include "music/audible_timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

using music::AudibleTimeline;
using music::BlockRecord;

// A block whose every field is derived from its index, so that an answer
// shows which block it came from and whether it was read whole.
BlockRecord block(std::uint64_t index, std::uint64_t firstFrame, std::uint32_t frames) {
  BlockRecord b{firstFrame, frames, static_cast<int>(index / 64), static_cast<int>(index % 64),
                static_cast<int>(index % 7)};
  for (int c = 0; c < music::maxChannels; ++c) b.level[c] = static_cast<std::uint8_t>(index + c);
  return b;
}

bool wholeBlock(const BlockRecord& b) {
  const BlockRecord e = block(b.firstFrame / music::blockFrames, b.firstFrame, music::blockFrames);
  return b.frames == e.frames && b.order == e.order && b.row == e.row && b.channelsPlaying == e.channelsPlaying &&
         std::equal(b.level, b.level + music::maxChannels, e.level);
}

// Nanoseconds that `frames` frames last, rounded up so that they count whole
// when added to any time.
std::int64_t ns(std::int64_t frames) { return (frames * 1'000'000'000 + music::mixRate - 1) / music::mixRate; }

constexpr std::uint32_t B = music::blockFrames;
constexpr std::int64_t t0 = 5'000'000'000;  // any start on the monotonic clock

// A device that asks for one block per callback, on time, with one block of
// its own buffer in front of the callback's data.
struct SteadyDevice {
  std::unique_ptr<AudibleTimeline> timeline = std::make_unique<AudibleTimeline>();
  std::uint64_t handed = 0;
  SteadyDevice() { timeline->setDeviceBuffer(B); }
  // Callback k comes at t0 + k block periods.
  void callback(std::uint64_t k) {
    timeline->record(block(k, handed, B));
    handed += B;
    timeline->handOver(handed, B, t0 + ns(static_cast<std::int64_t>(k * B)));
  }
};

TEST(MusicTimeline, AnswersTheBlockSoundingNowNotTheNewestRendered) {
  SteadyDevice device;
  BlockRecord answer;
  EXPECT_LT(device.timeline->audibleFrame(t0), 0);
  EXPECT_FALSE(device.timeline->blockAt(0, answer));
  for (std::uint64_t k = 0; k < 40; ++k) {
    device.callback(k);
    for (std::int64_t into : {std::int64_t{0}, std::int64_t{B / 2}, std::int64_t{B - 1}}) {
      const std::int64_t now = t0 + ns(static_cast<std::int64_t>(k * B)) + ns(into);
      const std::int64_t frame = device.timeline->audibleFrame(now);
      if (k == 0) {  // block 0 waits behind the device's buffer
        EXPECT_LT(frame, 0);
        continue;
      }
      EXPECT_EQ(frame, static_cast<std::int64_t>((k - 1) * B) + into) << "callback " << k;
      ASSERT_TRUE(device.timeline->blockAt(frame, answer));
      EXPECT_EQ(answer.firstFrame, (k - 1) * B);  // the device's buffer, not the newest block
      EXPECT_TRUE(wholeBlock(answer));
    }
  }
}

TEST(MusicTimeline, UnderrunHoldsTheLastBlockAndThePositionNeverStepsBack) {
  SteadyDevice device;
  for (std::uint64_t k = 0; k < 10; ++k) device.callback(k);
  const std::int64_t lastFrame = static_cast<std::int64_t>(device.handed) - 1;

  // The callbacks stop: the device plays out what it holds, then nothing new.
  const std::int64_t starved = t0 + ns(9 * B) + 1'000'000'000;
  EXPECT_EQ(device.timeline->audibleFrame(starved), lastFrame);
  BlockRecord answer;
  ASSERT_TRUE(device.timeline->blockAt(lastFrame, answer));
  EXPECT_EQ(answer.firstFrame, 9 * B);

  // They resume: the new block's hand-over alone would put the position back
  // behind what was already heard.
  device.timeline->record(block(10, device.handed, B));
  device.handed += B;
  device.timeline->handOver(device.handed, B, starved + 1000);
  EXPECT_EQ(device.timeline->audibleFrame(starved + 1000), lastFrame);
  EXPECT_EQ(device.timeline->audibleFrame(starved + 1000 + ns(B)), lastFrame + 1);
}

TEST(MusicTimeline, RingWrapsAndKeepsTheNewestBlocks) {
  auto timeline = std::make_unique<AudibleTimeline>();
  const std::uint64_t count = 3 * AudibleTimeline::capacity + 5;
  for (std::uint64_t k = 0; k < count; ++k) timeline->record(block(k, k * B, B));

  BlockRecord answer;
  for (std::uint64_t k = count - AudibleTimeline::capacity; k < count; ++k) {
    ASSERT_TRUE(timeline->blockAt(static_cast<std::int64_t>(k * B + B / 3), answer));
    EXPECT_EQ(answer.firstFrame, k * B);
    EXPECT_TRUE(wholeBlock(answer));
  }
  // Frames older than the ring get the oldest held block; frames past the
  // newest get the newest.
  ASSERT_TRUE(timeline->blockAt(0, answer));
  EXPECT_EQ(answer.firstFrame, (count - AudibleTimeline::capacity) * B);
  ASSERT_TRUE(timeline->blockAt(static_cast<std::int64_t>(count * B + 10'000), answer));
  EXPECT_EQ(answer.firstFrame, (count - 1) * B);

  timeline->reset();
  EXPECT_FALSE(timeline->blockAt(0, answer));
  EXPECT_LT(timeline->audibleFrame(t0), 0);
}

TEST(MusicTimeline, BlocksOfAnySizeAnswerUpToTheirLastFrame) {
  AudibleTimeline timeline;
  // A device asking for 441 frames, then 1000 (rendered as 512 + 488).
  timeline.record(block(0, 0, 441));
  timeline.record(block(1, 441, 512));
  timeline.record(block(2, 953, 488));
  BlockRecord answer;
  const std::pair<std::int64_t, std::uint64_t> frameToBlock[] = {
      {0, 0}, {440, 0}, {441, 441}, {952, 441}, {953, 953}, {1440, 953}};
  for (const auto& [frame, first] : frameToBlock) {
    ASSERT_TRUE(timeline.blockAt(frame, answer));
    EXPECT_EQ(answer.firstFrame, first) << "frame " << frame;
  }
}

TEST(MusicTimeline, ReaderNeverSeesAHalfWrittenBlock) {
  auto timeline = std::make_unique<AudibleTimeline>();
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::uint64_t k = 0; k < 200'000; ++k) timeline->record(block(k, k * B, B));
    done = true;
  });
  std::uint64_t reads = 0;
  BlockRecord answer;
  while (!done) {
    // The newest block, and one the writer is about to overwrite.
    for (std::int64_t frame : {std::int64_t{1} << 40, std::int64_t{0}}) {
      if (!timeline->blockAt(frame, answer)) continue;
      ++reads;
      ASSERT_TRUE(wholeBlock(answer)) << "block at frame " << answer.firstFrame;
    }
  }
  writer.join();
  EXPECT_GT(reads, 0u);
}

}  // namespace
