// Tests of the audible-position timeline, alone and under a concurrent writer.
#include "music/audible_timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using music::AudibleTimeline;
using music::BlockRecord;

constexpr std::uint32_t B = music::blockFrames;
constexpr std::int64_t t0 = 5'000'000'000;  // any start on the monotonic clock

// A block whose every field is derived from its index, so that an answer
// shows which block it came from and whether it was read whole.
BlockRecord block(std::uint64_t index, std::uint64_t firstFrame, std::uint32_t frames) {
  BlockRecord b{firstFrame, frames, static_cast<int>(index / 64), static_cast<int>(index % 64)};
  for (int c = 0; c < music::maxChannels; ++c) b.level[c] = static_cast<std::uint8_t>(index + c);
  return b;
}

bool wholeBlock(const BlockRecord& b) {
  const BlockRecord e = block(b.firstFrame / B, b.firstFrame, B);
  return b.frames == e.frames && b.order == e.order && b.row == e.row && std::equal(b.level, b.level + music::maxChannels, e.level);
}

// Nanoseconds that `frames` frames last, rounded up so that they count whole
// when added to any time.
std::int64_t ns(std::int64_t frames) { return (frames * 1'000'000'000 + music::mixRate - 1) / music::mixRate; }

// A device asks for one block per callback, on time, with one block of its own
// buffer in front of the callback's data; then the callbacks stop, and resume.
TEST(MusicTimeline, AnswersTheBlockSoundingNowAndThePositionNeverStepsBack) {
  auto timeline = std::make_unique<AudibleTimeline>();
  timeline->setDeviceBuffer(B);
  auto callback = [&](std::uint64_t k, std::int64_t atNs) {
    timeline->record(block(k, k * B, B));
    timeline->handOver((k + 1) * B, B, atNs);
  };
  BlockRecord answer;
  EXPECT_LT(timeline->audibleFrame(t0), 0);
  EXPECT_FALSE(timeline->blockAt(0, answer));
  for (std::uint64_t k = 0; k < 40; ++k) {
    const std::int64_t at = t0 + ns(static_cast<std::int64_t>(k * B));
    callback(k, at);
    for (std::int64_t into : {0u, B / 2, B - 1}) {
      const std::int64_t frame = timeline->audibleFrame(at + ns(into));
      if (k == 0) {  // block 0 waits behind the device's buffer
        EXPECT_LT(frame, 0);
        continue;
      }
      EXPECT_EQ(frame, static_cast<std::int64_t>((k - 1) * B) + into) << "callback " << k;
      ASSERT_TRUE(timeline->blockAt(frame, answer));
      EXPECT_EQ(answer.firstFrame, (k - 1) * B);  // the device's buffer, not the newest block
      EXPECT_TRUE(wholeBlock(answer));
    }
  }
  // Starved, the device plays out what it holds, then nothing new.
  const std::int64_t lastFrame = 40 * B - 1, starved = t0 + ns(39 * B) + 1'000'000'000;
  EXPECT_EQ(timeline->audibleFrame(starved), lastFrame);
  ASSERT_TRUE(timeline->blockAt(lastFrame, answer));
  EXPECT_EQ(answer.firstFrame, 39 * B);
  // The new block's hand-over alone would put the position back behind what was heard.
  callback(40, starved + 1000);
  EXPECT_EQ(timeline->audibleFrame(starved + 1000), lastFrame);
  EXPECT_EQ(timeline->audibleFrame(starved + 1000 + ns(B)), lastFrame + 1);

  timeline->reset();  // forgets the blocks, the hand-over and the answers given
  EXPECT_LT(timeline->audibleFrame(starved + 1000 + ns(B)), 0);
  EXPECT_FALSE(timeline->blockAt(0, answer));
}

// Blocks of any size answer up to their last frame; frames older than the ring
// get the oldest held block, frames past the newest the newest.
TEST(MusicTimeline, BlockAtFindsBlocksOfAnySizeAndClampsToTheRing) {
  auto timeline = std::make_unique<AudibleTimeline>();
  // A device asking for 441 frames, then 1000 (rendered as 512 + 488).
  timeline->record(block(0, 0, 441));
  timeline->record(block(1, 441, 512));
  timeline->record(block(2, 953, 488));
  BlockRecord answer;
  const std::pair<std::int64_t, std::uint64_t> frameToBlock[] = {
      {0, 0}, {440, 0}, {441, 441}, {952, 441}, {953, 953}, {1440, 953}};
  for (const auto& [frame, first] : frameToBlock) {
    ASSERT_TRUE(timeline->blockAt(frame, answer));
    EXPECT_EQ(answer.firstFrame, first) << "frame " << frame;
  }

  timeline->reset();
  const std::uint64_t count = 3 * AudibleTimeline::capacity + 5, oldest = count - AudibleTimeline::capacity;
  for (std::uint64_t k = 0; k < count; ++k) timeline->record(block(k, k * B, B));
  for (std::uint64_t k = oldest; k < count; ++k) {
    ASSERT_TRUE(timeline->blockAt(static_cast<std::int64_t>(k * B + B / 3), answer));
    EXPECT_EQ(answer.firstFrame, k * B);
    EXPECT_TRUE(wholeBlock(answer));
  }
  ASSERT_TRUE(timeline->blockAt(0, answer));
  EXPECT_EQ(answer.firstFrame, oldest * B);
  ASSERT_TRUE(timeline->blockAt(static_cast<std::int64_t>(count * B + 10'000), answer));
  EXPECT_EQ(answer.firstFrame, (count - 1) * B);
}

}  // namespace
