// The rosette effect.
#pragma once
#include <array>

// A flat flower: a triangle fan in z = 0 whose rim radius swings with the angle.
class Rosette {
 public:
  Rosette(int petals, float baseRadius, float amplitude)
      : petals(petals), baseRadius(baseRadius), amplitude(amplitude) {}
  virtual ~Rosette() = default;
  // `value` is ignored; always true.
  virtual bool draw(unsigned value);

  // The rim point (x, y) at `degrees` from the x axis.
  std::array<float, 2> rimPoint(float degrees) const;

  int petals;
  float baseRadius;
  float amplitude;
};
