// Which rendered block the listener hears now.
#pragma once
#include <atomic>
#include <cstdint>

namespace music {

constexpr int mixRate = 44100;
constexpr int maxChannels = 64;
// The mixer renders and notes its position in blocks of at most this many frames.
constexpr std::uint32_t blockFrames = 512;

// What one rendered block sounds like: the position and the module channels'
// levels libopenmpt reports once the block is rendered.
struct BlockRecord {
  std::uint64_t firstFrame = 0;  // song frame the block starts at
  std::uint32_t frames = 0;
  int order = 0;
  int row = 0;
  std::uint8_t level[maxChannels] = {};  // a channel sounds while its level is not 0
};

// Which rendered block the listener hears now. The audio side records every
// block it renders and, after handing audio to the output, how many frames it
// has handed over, how far behind them the listener was then and when; the
// main side asks which block is sounding.
//
// One writer (the audio callback) and any number of readers, without locks:
// each slot is a sequence lock, so a reader never stalls the writer and
// discards a slot that changed while it read it.
class AudibleTimeline {
 public:
  static constexpr int capacity = 128;  // blocks held, about 1.5 s of audio

  // Forgets every block. Only while the writer is stopped or locked out.
  void reset();
  // Reader: the sound reaches the listener this many frames later (or, when
  // negative, sooner) than the output says.
  void setOffset(std::int64_t frames) { offset = frames; }

  // Writer: a block has been rendered.
  void record(const BlockRecord& block);
  // Writer: the output has been handed the song up to frame `handed`, and at
  // `atNs` (monotonic nanoseconds) the listener hears the frame `latency`
  // frames before it. Such a report comes late, never early (a callback run
  // late, a server's count of the data read made before the report is), and
  // so puts the listener behind, never ahead: of the reports of the last
  // quarter second, the one that puts the listener furthest into the song
  // counts.
  void handOver(std::uint64_t handed, std::int64_t latency, std::int64_t atNs);

  // Reader: the song frame sounding at `nowNs`; negative before the first
  // frame sounds. Never beyond the last frame handed over (after that the
  // device has run dry), and never before an earlier answer (a late callback
  // or an underrun would otherwise step the position back).
  std::int64_t audibleFrame(std::int64_t nowNs);
  // The held block that contains `frame` (the newest if the frame lies
  // beyond it, the oldest held if it lies before). False if none is held.
  bool blockAt(std::int64_t frame, BlockRecord& out) const;

 private:
  struct Slot {
    std::atomic<std::uint32_t> sequence{0};  // odd while being written
    std::atomic<std::uint64_t> firstFrame{0};
    std::atomic<std::uint32_t> frames{0};
    std::atomic<int> order{0};
    std::atomic<int> row{0};
    std::atomic<std::uint8_t> level[maxChannels] = {};
  };
  struct Handover {
    std::atomic<std::uint32_t> sequence{0};
    std::atomic<std::uint64_t> handed{0};
    std::atomic<std::int64_t> latency{0};
    std::atomic<std::int64_t> atNs{0};
  };

  // A report of the writer's: the song frame heard at `atNs`.
  struct Heard {
    std::int64_t frame;
    std::int64_t atNs;
  };
  static constexpr std::int64_t reportWindowNs = 250'000'000;
  static constexpr int reportsKept = 32;

  bool readSlot(std::uint64_t index, BlockRecord& out) const;

  Slot slots[capacity];
  Heard reports[reportsKept] = {};  // writer side, oldest first
  int reportCount = 0;
  std::atomic<std::uint64_t> recorded{0};  // blocks recorded since reset
  Handover handover;
  std::int64_t offset = 0;       // reader side
  std::int64_t lastAnswer = -1;  // reader side
};

}  // namespace music
