#pragma once

// A 6 x 6 x 6 grid of colour cubes, each spinning about its own grid
// position, all squashed and stretched together over time.
class CubeLattice {
 public:
  virtual ~CubeLattice() = default;
  // `time` in milliseconds; always false.
  virtual bool draw(unsigned time);
};
