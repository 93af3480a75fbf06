// How long after its drawing begins a frame is seen.
#pragma once
#include <cstdint>

// How long after its drawing begins (when the show reads its clock and the
// song's position) a frame is seen: the median of the last frames' drawing
// and swap, which holds any wait for the display in the swap or in the next
// frame's first drawing, plus, where the display waits for its refresh, the
// refresh a swapped frame waits for before it goes up. Live runs draw each
// frame for that moment, as video players pace their pictures to the display.
struct PresentationDelay {
  static constexpr int kept = 15;  // a quarter second at 60 fps: follows a new scene, not one slow frame

  // A frame whose drawing began at `drawnNs` was swapped at `swappedNs`.
  void frameShown(std::int64_t drawnNs, std::int64_t swappedNs);
  // The estimate for the next frame; 0 before any was shown.
  std::int64_t ns() const;

  std::int64_t refreshNs = 0;  // the display's refresh period where it waits for it, else 0
  std::int64_t recent[kept] = {};
  int count = 0;  // frames shown, of which the last `kept` are in `recent`
};
