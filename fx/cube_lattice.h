// The cube-lattice effect.
#pragma once

// A 6 x 6 x 6 grid of colour cubes, each spinning about its own grid
// position, all squashed and stretched together over time.
class CubeLattice {
 public:
  virtual ~CubeLattice() = default;
  // `time` in milliseconds; always false.
  virtual bool draw(unsigned time);

  // The scale all cubes share at `time`.
  struct Scale {
    float x, y, z;
  };
  static Scale scaleAt(unsigned time);
  // The spin in degrees at `time` of the cube at grid position (x, y, z).
  static float angleAt(unsigned time, float x, float y, float z);
};
