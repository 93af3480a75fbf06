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
// block it renders and, after each device callback, how many frames it has
// handed to the device and when; the main side asks which block is sounding,
// with the audio rendered ahead and the device's own buffer taken off.
//
// One writer (the audio callback) and any number of readers, without locks:
// each slot is a sequence lock, so a reader never stalls the writer and
// discards a slot that changed while it read it.
class AudibleTimeline {
 public:
  static constexpr int capacity = 128;  // blocks held, about 1.5 s of audio

  // Forgets every block. Only while the writer is stopped or locked out.
  void reset();
  // Frames the device holds in front of a callback's data.
  void setDeviceBuffer(std::uint32_t frames) { deviceBuffer = frames; }

  // Writer: a block has been rendered.
  void record(const BlockRecord& block);
  // Writer: a callback handed `callbackFrames` frames to the device, ending
  // at song frame `handed`, at `atNs` (monotonic nanoseconds).
  void handOver(std::uint64_t handed, std::uint32_t callbackFrames, std::int64_t atNs);

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
    std::atomic<std::uint32_t> callbackFrames{0};
    std::atomic<std::int64_t> atNs{0};
  };

  bool readSlot(std::uint64_t index, BlockRecord& out) const;

  Slot slots[capacity];
  std::atomic<std::uint64_t> recorded{0};  // blocks recorded since reset
  Handover handover;
  std::uint32_t deviceBuffer = 0;
  std::int64_t lastAnswer = -1;  // reader side
};

}  // namespace music
