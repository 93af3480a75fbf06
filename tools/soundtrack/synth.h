// Sound synthesis for the soundtrack's instruments. Everything here uses only
// IEEE additions, multiplications and divisions (no libm), so the samples come
// out bit for bit the same on every build and machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/itwriter/it_writer.h"

namespace synth {

constexpr double kPi = 3.14159265358979323846;

double sine(double x);  // sin(x), absolute error below 1e-7
double expo(double x);  // e^x for |x| < 700, relative error below 1e-12
double noteHz(int note);  // equal-tempered pitch of an IT note, A-5 (69) = 440 Hz

// Fixed-seed noise in [-1, 1).
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }
  std::uint32_t nextInt() { return static_cast<std::uint32_t>((next() + 1.0) * 1073741824.0); }

 private:
  std::uint32_t state_;
};

// Second-order filter (RBJ cookbook), direct form I.
class Biquad {
 public:
  enum Kind { LowPass, HighPass, BandPass };
  void set(Kind kind, double hz, double q, int rate);
  double run(double x);

 private:
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A looped tone built from harmonic series of voices whose frequencies are
// whole multiples of 1 / loopSeconds Hz (they are rounded to that grid): the
// sound then repeats exactly after loopSeconds, and the loop
// [loopStart, loopStart + loopSeconds * rate) has no seam. Each voice adds
// harmonics k = 1, 2, ... of its frequency up to maxHz, with amplitude
// gain * shape(k) * lowpass(k * hz). The lowpass corner glides from brightHz
// down to darkHz over the attack and stays there in the loop.
struct Voice {
  double hz;
  double gain;
};
enum class Shape { Saw, Square, Pulse25 };
struct Tone {
  std::vector<Voice> voices;
  Shape shape = Shape::Saw;
  int rate = 44100;
  int loopSeconds = 1;
  double maxHz = 16000;  // below rate / 2
  double brightHz = 4000;
  double darkHz = 4000;
  double attackSeconds = 0;  // 0: the whole sample is the loop
  bool randomPhase = true;   // spreads peaks, for a lower crest factor
};
std::vector<double> renderTone(const Tone& tone);
int loopStart(const Tone& tone);  // first frame of the seamless loop

// Scale a wave so that its peak, or its RMS level, is the given share of full scale.
void scaleToPeak(std::vector<double>& wave, double peak);
void scaleToRms(std::vector<double>& wave, double rms);

// A 16-bit sample of a wave in [-1, 1] (clamped) at `rate` frames per second.
itw::Sample makeSample(const std::string& name, const std::vector<double>& wave, int rate);

// c5Speed for a sample whose tone sounds at `hz` when played at `rate`, so
// that every note plays at its equal-tempered pitch (A-5 = 440 Hz).
std::uint32_t c5SpeedFor(int rate, double hz);

// The drum and effect sounds, at 44100 Hz.
constexpr int kKickTail = 256;  // silent frames that end the kick
std::vector<double> kick();
std::vector<double> snare();
std::vector<double> clap();
std::vector<double> hat(double seconds);
std::vector<double> tom();
std::vector<double> crash();
std::vector<double> ride();
std::vector<double> riser(int frames);
std::vector<double> downer(int frames);

}  // namespace synth
