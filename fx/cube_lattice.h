// The cube-lattice effect.
#pragma once

// A 6 x 6 x 6 grid of colour cubes, each spinning about its own grid
// position, all squashed and stretched together over time.
class CubeLattice {
 public:
  virtual ~CubeLattice() = default;
  // `time` in milliseconds; always false.
  virtual bool draw(unsigned time);

  // Reduced flashing: the cubes squash and spin at a quarter of their pace
  // and add 60 % of their light (their alpha, under the show's blending), so
  // that cubes filling the view neither vanish nor flare several times a second.
  bool reduceFlashing = false;

  // The scale all cubes share at `time` ms of their motion.
  struct Scale {
    float x, y, z;
  };
  static Scale scaleAt(double time);
  // The spin in degrees at `time` ms of their motion of the cube at grid position (x, y, z).
  static float angleAt(double time, float x, float y, float z);
};
