// The audible-position timeline: a lock-free ring of rendered blocks and the device's hand-overs.
#include "music/audible_timeline.h"

#include <algorithm>

namespace music {

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}

void AudibleTimeline::reset() {
  for (Slot& slot : slots) slot.sequence.store(0, relaxed);
  recorded.store(0, relaxed);
  reportCount = 0;
  handover.sequence.store(0, std::memory_order_release);
  lastAnswer = -1;
}

// Sequence lock, writer side: the sequence is odd while the fields change.
// After the n-th write to a slot its sequence is 2n, which also tells a
// reader which lap of the ring the slot holds.
void AudibleTimeline::record(const BlockRecord& block) {
  const std::uint64_t index = recorded.load(relaxed);
  Slot& slot = slots[index % capacity];
  const std::uint32_t sequence = slot.sequence.load(relaxed);
  slot.sequence.store(sequence + 1, relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  slot.firstFrame.store(block.firstFrame, relaxed);
  slot.frames.store(block.frames, relaxed);
  slot.order.store(block.order, relaxed);
  slot.row.store(block.row, relaxed);
  for (int c = 0; c < maxChannels; ++c) slot.level[c].store(block.level[c], relaxed);
  slot.sequence.store(sequence + 2, std::memory_order_release);
  recorded.store(index + 1, std::memory_order_release);
}

bool AudibleTimeline::readSlot(std::uint64_t index, BlockRecord& out) const {
  const Slot& slot = slots[index % capacity];
  const std::uint32_t expected = static_cast<std::uint32_t>(2 * (index / capacity + 1));
  if (slot.sequence.load(std::memory_order_acquire) != expected) return false;
  out.firstFrame = slot.firstFrame.load(relaxed);
  out.frames = slot.frames.load(relaxed);
  out.order = slot.order.load(relaxed);
  out.row = slot.row.load(relaxed);
  for (int c = 0; c < maxChannels; ++c) out.level[c] = slot.level[c].load(relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  return slot.sequence.load(relaxed) == expected;
}

void AudibleTimeline::handOver(std::uint64_t handed, std::int64_t latency, std::int64_t atNs) {
  int kept = 0;
  for (int i = 0; i < reportCount; ++i)
    if (atNs - reports[i].atNs < reportWindowNs && reportCount - i < reportsKept) reports[kept++] = reports[i];
  reports[kept] = {static_cast<std::int64_t>(handed) - latency, atNs};
  reportCount = kept + 1;
  std::int64_t heard = reports[kept].frame;
  for (int i = 0; i < kept; ++i)
    heard = std::max(heard, reports[i].frame + (atNs - reports[i].atNs) * mixRate / 1'000'000'000);
  latency = static_cast<std::int64_t>(handed) - heard;

  const std::uint32_t sequence = handover.sequence.load(relaxed);
  handover.sequence.store(sequence + 1, relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  handover.handed.store(handed, relaxed);
  handover.latency.store(latency, relaxed);
  handover.atNs.store(atNs, relaxed);
  handover.sequence.store(sequence + 2, std::memory_order_release);
}

std::int64_t AudibleTimeline::audibleFrame(std::int64_t nowNs) {
  const std::uint32_t before = handover.sequence.load(std::memory_order_acquire);
  const auto handed = static_cast<std::int64_t>(handover.handed.load(relaxed));
  const std::int64_t latency = handover.latency.load(relaxed);
  const std::int64_t atNs = handover.atNs.load(relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  // Nothing handed over yet, or a hand-over being written right now: the
  // previous answer stands rather than waiting for the audio thread.
  if (before == 0 || (before & 1) != 0 || handover.sequence.load(relaxed) != before) return lastAnswer;

  // Ten seconds bound the product below; the answer is clamped long before.
  const std::int64_t elapsedNs = std::clamp<std::int64_t>(nowNs - atNs, 0, 10'000'000'000);
  const std::int64_t elapsed = elapsedNs * mixRate / 1'000'000'000;
  const std::int64_t frame = handed - latency - offset + elapsed;
  lastAnswer = std::max(lastAnswer, std::min(frame, handed - 1));
  return lastAnswer;
}

bool AudibleTimeline::blockAt(std::int64_t frame, BlockRecord& out) const {
  const std::uint64_t count = recorded.load(std::memory_order_acquire);
  const std::uint64_t oldest = count > capacity ? count - capacity : 0;
  bool found = false;
  BlockRecord block;
  for (std::uint64_t index = count; index-- > oldest;) {
    if (!readSlot(index, block)) break;  // lapped by the writer: the nearest block read stands
    out = block;
    found = true;
    if (static_cast<std::int64_t>(block.firstFrame) <= frame) break;
  }
  return found;
}

}  // namespace music
