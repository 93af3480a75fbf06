// The running estimate of the time from a frame's drawing to its being seen.
#include "app/presentation_delay.h"

#include <algorithm>

void PresentationDelay::frameShown(std::int64_t drawnNs, std::int64_t swappedNs) {
  recent[count % kept] = swappedNs - drawnNs;
  ++count;
}

std::int64_t PresentationDelay::ns() const {
  if (count == 0) return 0;
  const int held = std::min(count, kept);
  std::int64_t sorted[kept];
  std::copy(recent, recent + held, sorted);
  std::nth_element(sorted, sorted + held / 2, sorted + held);
  return sorted[held / 2] + refreshNs;
}
