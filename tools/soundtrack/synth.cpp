// Reproducible sound synthesis: oscillators, noise, filters, envelopes.
#include "tools/soundtrack/synth.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

constexpr int kDrumRate = 44100;

// std::floor, std::ldexp and std::sqrt are exact (correctly rounded) in IEEE
// arithmetic, so they keep the results reproducible.
double lowpassGain(double hz, double corner) {
  const double r = hz / corner;
  return 1.0 / (1.0 + r * r);
}

double shapeGain(Shape shape, int k) {
  switch (shape) {
    case Shape::Saw: return 1.0 / k;
    case Shape::Square: return k % 2 ? 1.0 / k : 0.0;
    case Shape::Pulse25: return std::abs(sine(kPi * k / 4)) / k;
  }
  return 0;
}

// Linear fade over the last `frames` frames, so one-shot sounds end at zero.
void fadeTail(std::vector<double>& wave, int frames) {
  const int n = static_cast<int>(wave.size());
  for (int i = std::max(0, n - frames); i < n; ++i) wave[i] *= static_cast<double>(n - 1 - i) / frames;
}

// Metallic cluster of square waves, the classic drum-machine cymbal source.
class Metal {
 public:
  Metal(const std::vector<double>& hz, int rate) {
    for (double f : hz) step_.push_back(f / rate);
    phase_.assign(hz.size(), 0.0);
  }
  double next() {
    double sum = 0;
    for (std::size_t i = 0; i < step_.size(); ++i) {
      phase_[i] += step_[i];
      if (phase_[i] >= 1) phase_[i] -= 1;
      sum += phase_[i] < 0.5 ? 1.0 : -1.0;
    }
    return sum / static_cast<double>(step_.size());
  }

 private:
  std::vector<double> step_, phase_;
};

// A cymbal's raw sound: the partials and noise mixed, then two high-passes
// and `lowPasses` (0 to 2) low-passes, each 12 dB per octave.
class Cymbal {
 public:
  Cymbal(std::uint32_t seed, const std::vector<double>& partials, double metalGain, double noiseGain, double highHz,
         int lowPasses = 0, double lowHz = 0)
      : noise_(seed), metal_(partials, kDrumRate), metalGain_(metalGain), noiseGain_(noiseGain), lowPasses_(lowPasses) {
    for (Biquad& f : high_) f.set(Biquad::HighPass, highHz, 0.7, kDrumRate);
    for (int i = 0; i < lowPasses_; ++i) low_[i].set(Biquad::LowPass, lowHz, 0.7, kDrumRate);
  }
  double next() {
    double x = metalGain_ * metal_.next() + noiseGain_ * noise_.next();
    for (Biquad& f : high_) x = f.run(x);
    for (int i = 0; i < lowPasses_; ++i) x = low_[i].run(x);
    return x;
  }

 private:
  Noise noise_;
  Metal metal_;
  double metalGain_, noiseGain_;
  int lowPasses_;
  Biquad high_[2], low_[2];
};

}  // namespace

double sine(double x) {
  const double twoPi = 2 * kPi;
  double r = x - std::floor(x / twoPi + 0.5) * twoPi;  // [-pi, pi]
  if (r > kPi / 2) r = kPi - r;
  else if (r < -kPi / 2) r = -kPi - r;
  const double r2 = r * r;
  return r * (1 - r2 / 6 * (1 - r2 / 20 * (1 - r2 / 42 * (1 - r2 / 72 * (1 - r2 / 110 * (1 - r2 / 156))))));
}

double expo(double x) {
  if (x < -700) return 0;
  const double ln2 = 0.69314718055994530942;
  const double k = std::floor(x / ln2 + 0.5);
  const double r = x - k * ln2;  // |r| <= ln2 / 2
  double term = 1, sum = 1;
  for (int i = 1; i <= 13; ++i) {
    term *= r / i;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));
}

double noteHz(int note) { return 440 * expo((note - 69) * 0.69314718055994530942 / 12); }

void Biquad::set(Kind kind, double hz, double q, int rate) {
  const double w = 2 * kPi * hz / rate;
  const double c = sine(w + kPi / 2), alpha = sine(w) / (2 * q);
  const double a0 = 1 + alpha;
  switch (kind) {
    case LowPass: b0_ = (1 - c) / 2; b1_ = 1 - c; b2_ = (1 - c) / 2; break;
    case HighPass: b0_ = (1 + c) / 2; b1_ = -(1 + c); b2_ = (1 + c) / 2; break;
    case BandPass: b0_ = alpha; b1_ = 0; b2_ = -alpha; break;
  }
  b0_ /= a0; b1_ /= a0; b2_ /= a0;
  a1_ = -2 * c / a0;
  a2_ = (1 - alpha) / a0;
}

double Biquad::run(double x) {
  const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_; x1_ = x;
  y2_ = y1_; y1_ = y;
  return y;
}

int loopStart(const Tone& tone) { return static_cast<int>(tone.attackSeconds * tone.rate + 0.5); }

std::vector<double> renderTone(const Tone& tone) {
  const int period = tone.rate * tone.loopSeconds;  // frames of the loop
  const int attack = loopStart(tone);
  std::vector<double> table(period);  // one cycle; grid frequencies step through it exactly
  for (int i = 0; i < period; ++i) table[i] = sine(2 * kPi * i / period);
  std::vector<double> glide(attack);  // 1 -> 0 over the attack
  for (int n = 0; n < attack; ++n) glide[n] = expo(-4.0 * n / attack) * (1.0 - static_cast<double>(n) / attack);

  std::vector<double> out(attack + period, 0.0);
  Noise phases(0x5EED);
  for (const Voice& v : tone.voices) {
    const int steps = static_cast<int>(std::floor(v.hz * tone.loopSeconds + 0.5));  // cycles per loop
    for (int k = 1; static_cast<double>(k) * steps / tone.loopSeconds <= tone.maxHz; ++k) {
      const double hz = static_cast<double>(k) * steps / tone.loopSeconds;
      const double base = v.gain * shapeGain(tone.shape, k);
      const std::uint32_t phase = tone.randomPhase ? phases.nextInt() % period : 0;
      if (base == 0) continue;
      const double dark = base * lowpassGain(hz, tone.darkHz);
      const double bright = base * lowpassGain(hz, tone.brightHz);
      const int step = k * steps;
      int index = static_cast<int>(phase);
      for (int n = 0; n < attack + period; ++n) {
        out[n] += (n < attack ? dark + (bright - dark) * glide[n] : dark) * table[index];
        index += step;
        if (index >= period) index -= period;
      }
    }
  }
  return out;
}

void scaleToPeak(std::vector<double>& wave, double peak) {
  double top = 0;
  for (double v : wave) top = std::max(top, std::abs(v));
  if (top > 0)
    for (double& v : wave) v *= peak / top;
}

void scaleToRms(std::vector<double>& wave, double rms) {
  double sum = 0;
  for (double v : wave) sum += v * v;
  if (sum > 0)
    for (double& v : wave) v *= rms / std::sqrt(sum / static_cast<double>(wave.size()));
}

itw::Sample makeSample(const std::string& name, const std::vector<double>& wave, int rate) {
  itw::Sample s;
  s.name = name;
  s.c5Speed = static_cast<std::uint32_t>(rate);
  s.pcm16.reserve(wave.size());
  for (double v : wave) s.pcm16.push_back(static_cast<std::int16_t>(std::clamp(std::floor(v * 32767 + 0.5), -32768.0, 32767.0)));
  return s;
}

std::uint32_t c5SpeedFor(int rate, double hz) {
  const double middleC = 261.62556530059862;  // C-5
  return static_cast<std::uint32_t>(std::floor(rate * middleC / hz + 0.5));
}

std::vector<double> kick() {
  // A sine whose pitch falls from 5 kHz (the click) to a 56 Hz body within a
  // few milliseconds, driven into a soft clipper to be dense and loud for its
  // peak; silent well before the next beat. The instrument loops the last,
  // silent frames.
  const int frames = kDrumRate * 3 / 10;
  std::vector<double> out(frames);
  double phase = 0;
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    phase += 2 * kPi * (56 + 140 * expo(-t / 0.03) + 4800 * expo(-t / 0.0025)) / kDrumRate;
    const double x = 5.0 * sine(phase) * expo(-t / 0.2);
    out[n] = x / std::sqrt(1 + x * x) * std::min(1.0, n / 22.0);
  }
  fadeTail(out, kDrumRate / 10);
  out.resize(frames + kKickTail, 0.0);
  return out;
}

std::vector<double> snare() {
  // A drum-head tone near 190 Hz with a noisy body around 300 Hz, under the
  // crack of the wires at 1-5 kHz; driven into a soft clipper, like the kick,
  // so that it is dense for its peak and the backbeat carries.
  const int frames = kDrumRate * 3 / 10;
  std::vector<double> out(frames);
  Noise noise(2);
  Biquad high, low, body;
  high.set(Biquad::HighPass, 1000, 0.7, kDrumRate);
  low.set(Biquad::LowPass, 6000, 0.7, kDrumRate);
  body.set(Biquad::BandPass, 300, 1.0, kDrumRate);
  double phase = 0;
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    phase += 2 * kPi * (185 + 70 * expo(-t / 0.015)) / kDrumRate;
    const double tone = sine(phase) * expo(-t / 0.08);
    const double white = noise.next();
    const double crack = low.run(high.run(white)) * expo(-t / 0.09);
    const double thump = body.run(white) * expo(-t / 0.06);
    const double x = 2.0 * (1.0 * tone + 1.2 * thump + 1.3 * crack);
    out[n] = x / std::sqrt(1 + x * x) * std::min(1.0, n / 44.0);
  }
  fadeTail(out, kDrumRate / 50);
  return out;
}

std::vector<double> clap() {
  // Hands: three quick bursts and a longer one of band-passed noise, softly
  // clipped so that the last burst's tail carries.
  const int frames = kDrumRate * 35 / 100;
  std::vector<double> out(frames);
  Noise noise(3);
  Biquad band, high;
  band.set(Biquad::BandPass, 1300, 1.2, kDrumRate);
  high.set(Biquad::HighPass, 600, 0.7, kDrumRate);
  const double bursts[] = {0.0, 0.011, 0.022, 0.033};
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    double env = 0;
    for (int b = 0; b < 4; ++b)
      if (t >= bursts[b] && (b == 3 || t < bursts[b + 1])) env = b < 3 ? expo(-(t - bursts[b]) / 0.004) : expo(-(t - bursts[b]) / 0.15);
    const double x = 5.0 * high.run(band.run(noise.next())) * env;
    out[n] = x / std::sqrt(1 + x * x);
  }
  fadeTail(out, kDrumRate / 50);
  return out;
}

std::vector<double> hat(double seconds) {
  // Band-limited to 7-16 kHz, where a hat sits and the mix gets its air.
  const int frames = static_cast<int>(seconds * kDrumRate);
  std::vector<double> out(frames);
  Cymbal cymbal(4, {447, 680, 716, 806, 998, 1436}, 0.6, 0.5, 7000, 2, 16000);
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    out[n] = cymbal.next() * expo(-t / (seconds / 5)) * std::min(1.0, n / 22.0);
  }
  fadeTail(out, frames / 10);
  return out;
}

std::vector<double> tom() {
  const int frames = kDrumRate / 2;
  std::vector<double> out(frames);
  Noise noise(5);
  Biquad low;
  low.set(Biquad::LowPass, 2500, 0.7, kDrumRate);
  double phase = 0;
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    phase += 2 * kPi * (95 + 70 * expo(-t / 0.06)) / kDrumRate;
    out[n] = (sine(phase) * expo(-t / 0.16) + 0.25 * low.run(noise.next()) * expo(-t / 0.02)) * std::min(1.0, n / 22.0);
  }
  fadeTail(out, kDrumRate / 20);
  return out;
}

std::vector<double> crash() {
  const int frames = kDrumRate * 2;
  std::vector<double> out(frames);
  Cymbal cymbal(6, {523, 737, 1047, 1383, 1749, 2213}, 0.5, 0.7, 3500);
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    out[n] = cymbal.next() * expo(-t / 0.5) * std::min(1.0, n / 88.0);
  }
  fadeTail(out, kDrumRate / 5);
  return out;
}

std::vector<double> ride() {
  // A thin, long shimmer above 8 kHz: the drops' air, steady, with no
  // sharper strike on top, so that it fills the top with its peaks well under
  // the kick's.
  const int frames = kDrumRate * 6 / 5;
  std::vector<double> out(frames);
  Cymbal cymbal(9, {1520, 2140, 2980, 3610, 4470, 5230}, 0.6, 0.6, 8000, 1, 17000);
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kDrumRate;
    out[n] = cymbal.next() * expo(-t / 0.35) * std::min(1.0, n / 88.0);
  }
  fadeTail(out, kDrumRate / 5);
  return out;
}

std::vector<double> riser(int frames) {
  std::vector<double> out(frames);
  Noise noise(7);
  Biquad band;
  double phase = 0;
  for (int n = 0; n < frames; ++n) {
    const double x = static_cast<double>(n) / frames;  // 0 -> 1
    if (n % 16 == 0) band.set(Biquad::BandPass, 400 * expo(x * 3.1135153092103742), 2.0, kDrumRate);  // 400 Hz -> 9 kHz
    phase += 2 * kPi * 200 * expo(x * 2.0794415416798357) / kDrumRate;                                  // 200 -> 1600 Hz
    out[n] = (band.run(noise.next()) + 0.08 * sine(phase)) * (0.9 * x * x + 0.1 * x);
  }
  fadeTail(out, kDrumRate / 200);
  return out;
}

std::vector<double> downer(int frames) {
  std::vector<double> out(frames);
  Noise noise(8);
  Biquad band;
  for (int n = 0; n < frames; ++n) {
    const double x = static_cast<double>(n) / frames;  // 0 -> 1
    if (n % 16 == 0) band.set(Biquad::BandPass, 7000 * expo(-x * 3.8430301339411947), 1.5, kDrumRate);  // 7 kHz -> 150 Hz
    out[n] = band.run(noise.next()) * (1 - x) * (1 - x) * std::min(1.0, n / 220.0);
  }
  return out;
}

}  // namespace synth
