#pragma once

// A flat flower: a triangle fan in z = 0 whose rim radius swings with the angle.
class Rosette {
 public:
  Rosette(int petals, float baseRadius, float amplitude)
      : petals(petals), baseRadius(baseRadius), amplitude(amplitude) {}
  virtual ~Rosette() = default;
  // `value` is ignored; always true.
  virtual bool draw(unsigned value);

  int petals;
  float baseRadius;
  float amplitude;
};
