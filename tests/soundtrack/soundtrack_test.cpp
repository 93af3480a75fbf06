// The song's facts: its file, its level as libopenmpt plays it, the kick and bass, and its variety.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/itwriter/it_writer.h"
#include "tools/soundtrack/instruments.h"
#include "tools/soundtrack/score.h"

namespace {

constexpr int kOrders = 22;
constexpr int kShowOrders = 19;  // 0..18; the show ends on the last row of 18
constexpr int kRate = 44100;
constexpr long kRowFrames = 5292;  // 120 ms; the file test checks that rows keep this length
constexpr long kOrderFrames = 64 * kRowFrames;

std::vector<std::uint8_t> builtFile() {
  std::ifstream f(FK_SOUNDTRACK_FILE, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

const itw::Song& composed() {
  static const itw::Song song = soundtrack::compose();
  return song;
}

bool isNote(const itw::Cell& c) { return c.note >= 0 && c.note < 120; }

TEST(SoundtrackFile, IsTheComposersOutputIn22OrdersOf64RowsWithNoClippedSample) {
  const std::vector<std::uint8_t> bytes = builtFile();
  ASSERT_FALSE(bytes.empty()) << FK_SOUNDTRACK_FILE;
  const itw::Song& song = composed();
  EXPECT_TRUE(itw::encode(song) == bytes);
  openmpt::module mod(bytes);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  ASSERT_EQ(mod.get_num_orders(), kOrders);
  for (int o = 0; o < kOrders; ++o) EXPECT_EQ(mod.get_pattern_num_rows(mod.get_order_pattern(o)), 64) << o;
  EXPECT_NEAR(mod.get_duration_seconds(), kOrders * 7.68, 0.05);  // rows of 120 ms, no jumps
  for (const itw::Sample& s : song.samples)
    for (std::int16_t v : s.pcm16) ASSERT_LT(std::abs(v), 32767) << s.name;
}

// The show's orders as libopenmpt renders them at its defaults, alone or with
// one channel soloed, and channel 0's level every 10 ms.
struct Render {
  std::vector<float> left, right, vu0;  // vu0[i]: after frame 441 * (i + 1)
};

Render render(int solo = -1) {
  openmpt::module_ext mod(builtFile());
  auto* mixer = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
  for (int c = 0; solo >= 0 && c < mod.get_num_channels(); ++c) mixer->set_channel_mute_status(c, c != solo);
  Render r;
  r.left.resize(kShowOrders * kOrderFrames);
  r.right.resize(r.left.size());
  for (std::size_t at = 0; at < r.left.size(); at += 441) {
    EXPECT_EQ(mod.read(kRate, 441, r.left.data() + at, r.right.data() + at), 441u);
    r.vu0.push_back(mod.get_current_channel_vu_mono(0) * 255);
  }
  return r;
}

// ITU-R BS.1770 K-weighting (pre-filter and RLB high-pass at 44.1 kHz), then
// the summed power of both sides, frame by frame.
std::vector<double> kWeightedPower(const Render& r) {
  struct Biquad {
    double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
      const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = x, y2 = y1, y1 = y;
      return y;
    }
  };
  double k = std::tan(M_PI * 1681.974450955533 / kRate), q = 0.7071752369554196;
  const double vh = std::pow(10, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416), a0 = 1 + k / q + k * k;
  const Biquad shelf{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                     2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
  k = std::tan(M_PI * 38.13547087602444 / kRate), q = 0.5003270373238773;
  const double d = 1 + k / q + k * k;
  const Biquad highPass{1, -2, 1, 2 * (k * k - 1) / d, (1 - k / q + k * k) / d};
  Biquad l[2] = {shelf, highPass}, r2[2] = {shelf, highPass};
  std::vector<double> power(r.left.size());
  for (std::size_t i = 0; i < power.size(); ++i) {
    const double a = l[1].run(l[0].run(r.left[i])), b = r2[1].run(r2[0].run(r.right[i]));
    power[i] = a * a + b * b;
  }
  return power;
}

// Gated integrated loudness (LUFS) of frames [from, to): 400 ms blocks every
// 100 ms, absolute gate -70 LUFS, relative gate 10 LU below.
double loudness(const std::vector<double>& power, long from, long to) {
  std::vector<double> blocks;
  for (long s = from; s + kRate * 4 / 10 <= to; s += kRate / 10) {
    double sum = 0;
    for (long i = s; i < s + kRate * 4 / 10; ++i) sum += power[i];
    blocks.push_back(sum / (kRate * 4 / 10));
  }
  auto lufs = [](double p) { return -0.691 + 10 * std::log10(p); };
  auto gatedMean = [&](double gate) {
    double sum = 0;
    int n = 0;
    for (double b : blocks)
      if (b > 0 && lufs(b) > gate) sum += b, ++n;
    return n ? sum / n : 0.0;
  };
  return lufs(gatedMean(lufs(gatedMean(-70)) - 10));
}

// 4x oversampled peak in dBFS: windowed-sinc interpolation wherever the
// samples come within 6 dB of full scale.
double truePeakDb(const std::vector<float>& x) {
  double peak = 0;
  for (std::size_t i = 16; i + 17 < x.size(); ++i) {
    peak = std::max(peak, static_cast<double>(std::abs(x[i])));
    if (std::max(std::abs(x[i]), std::abs(x[i + 1])) < 0.5f) continue;
    for (double t : {0.25, 0.5, 0.75}) {
      double sum = 0;
      for (int k = -15; k <= 16; ++k) {
        const double u = k - t;
        sum += x[i + k] * std::sin(M_PI * u) / (M_PI * u) * (0.5 + 0.5 * std::cos(M_PI * u / 16));
      }
      peak = std::max(peak, std::abs(sum));
    }
  }
  return 20 * std::log10(peak);
}

TEST(SoundtrackRender, MixIsLoudUnclippedAndWideAndChannelZeroPulses) {
  const Render mix = render();
  const std::vector<double> power = kWeightedPower(mix);
  const double whole = loudness(power, 0, kShowOrders * kOrderFrames);
  EXPECT_GE(whole, -16);
  EXPECT_LE(whole, -13);
  EXPECT_LE(std::max(truePeakDb(mix.left), truePeakDb(mix.right)), -1);
  for (int o = 0; o < kShowOrders; ++o) {
    double ll = 0, rr = 0, lr = 0;
    float peak = 0;
    for (long i = o * kOrderFrames; i < (o + 1) * kOrderFrames; ++i) {
      ll += mix.left[i] * mix.left[i], rr += mix.right[i] * mix.right[i], lr += mix.left[i] * mix.right[i];
      peak = std::max({peak, std::abs(mix.left[i]), std::abs(mix.right[i])});
    }
    EXPECT_GT(10 * std::log10((ll + rr) / 2 / kOrderFrames), -40) << "order " << o;
    EXPECT_LT(peak, 1.0f) << "order " << o;
    EXPECT_LT(lr / std::sqrt(ll * rr), 0.9) << "left/right correlation, order " << o;
  }
  // The beat's arrival is a step up.
  EXPECT_GT(loudness(power, 3 * kOrderFrames, 4 * kOrderFrames), loudness(power, 2 * kOrderFrames, 3 * kOrderFrames) + 1);

  // Channel 0 drives the flower, whose alpha wraps above 191, and the pupils:
  // it jumps with each kick, sinks near zero before the next one on the beat,
  // and keeps sounding while the beat plays.
  const itw::Song& song = composed();
  for (int o = 2; o < kShowOrders; ++o) {
    const itw::Pattern& p = song.patterns[o];
    float top = 0;
    for (long i = o * kOrderFrames / 441; i < (o + 1) * kOrderFrames / 441; ++i) top = std::max(top, mix.vu0[i]);
    EXPECT_LE(top, 191) << "order " << o;
    EXPECT_GT(top, 100) << "order " << o;
    for (int row = 0; row < 64; row += 4) {
      const itw::Pattern& next = row < 60 ? p : song.patterns[o + 1];
      if (!isNote(p.at(row, soundtrack::KickCh)) || !isNote(next.at((row + 4) % 64, soundtrack::KickCh))) continue;
      const long from = (o * kOrderFrames + row * kRowFrames) / 441, to = from + 4 * kRowFrames / 441;
      const float low = *std::min_element(mix.vu0.begin() + from, mix.vu0.begin() + to);
      EXPECT_LE(low, 16) << "order " << o << " row " << row;
      EXPECT_GT(low, 0) << "order " << o << " row " << row;
    }
  }
}

// The kick, alone, is at least as loud as the bass, alone, in every order with a
// beat; the bass is at least 15 dB quieter on the kick's rows than on the others.
TEST(SoundtrackRender, KickOutweighsTheBassWhichClearsTheKicksRows) {
  const Render kick = render(soundtrack::KickCh), bass = render(soundtrack::BassCh);
  const std::vector<double> kickPower = kWeightedPower(kick), bassPower = kWeightedPower(bass);
  const itw::Song& song = composed();
  for (int o = 3; o < kShowOrders; ++o) {
    const long start = o * kOrderFrames;
    EXPECT_GE(loudness(kickPower, start, start + kOrderFrames), loudness(bassPower, start, start + kOrderFrames))
        << "order " << o;
    double onKick = 0, between = 0;
    int kickRows = 0;
    for (int row = 0; row < 64; ++row) {
      double sum = 0;
      for (long i = start + row * kRowFrames; i < start + (row + 1) * kRowFrames; ++i)
        sum += bass.left[i] * bass.left[i] + bass.right[i] * bass.right[i];
      const bool kickRow = isNote(song.patterns[o].at(row, soundtrack::KickCh));
      (kickRow ? onKick : between) += sum;
      kickRows += kickRow;
    }
    EXPECT_LE(onKick / kickRows, between / (64 - kickRows) / std::pow(10, 1.5)) << "order " << o;
  }
}

// The kick's sample: a click at 2-5 kHz in its first 10 ms, a body that ends
// between 55 and 60 Hz, and quiet (-60 dB) well before the next beat, with a
// silent loop.
TEST(SoundtrackKick, ClicksThenSettlesNear56HzAndEndsWithinABeat) {
  const itw::Song& song = composed();
  const itw::Sample& kick = song.samples[song.instruments[soundtrack::Kick - 1].sample - 1];
  const std::vector<std::int16_t>& x = kick.pcm16;
  double band = 0, all = 0;  // spectrum of the first 441 frames, 100 Hz a bin
  for (int bin = 1; bin < 220; ++bin) {
    double re = 0, im = 0;
    for (int i = 0; i < 441; ++i) re += x[i] * std::cos(2 * M_PI * bin * i / 441), im += x[i] * std::sin(2 * M_PI * bin * i / 441);
    all += re * re + im * im;
    if (bin >= 20 && bin <= 50) band += re * re + im * im;
  }
  EXPECT_GT(band / all, 0.05);
  std::vector<double> crossings;  // from 150 to 250 ms, interpolated
  for (int i = kRate * 15 / 100; i < kRate * 25 / 100; ++i)
    if ((x[i - 1] < 0) != (x[i] < 0)) crossings.push_back(i - 1 + x[i - 1] / static_cast<double>(x[i - 1] - x[i]));
  ASSERT_GT(crossings.size(), 2u);
  const double hz = (crossings.size() - 1) / 2.0 * kRate / (crossings.back() - crossings.front());
  EXPECT_GE(hz, 55);
  EXPECT_LE(hz, 60);
  std::size_t last = 0;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::abs(x[i]) > 32) last = i;
  EXPECT_LT(last, kRate * 40 / 100u);
  ASSERT_TRUE(kick.loop);
  for (std::size_t i = kick.loopStart; i < kick.loopEnd; ++i) ASSERT_EQ(x[i], 0) << i;
}

// Each order of the pairs 7/8, 12/13, 14/15 and 16/17 changes at least a quarter
// of the notes in three of its four main parts.
TEST(SoundtrackScore, PairedOrdersDifferInMostParts) {
  const itw::Song& song = composed();
  for (auto [a, b] : {std::pair{7, 8}, {12, 13}, {14, 15}, {16, 17}}) {
    int changed = 0;
    for (int ch : {soundtrack::SnareCh, soundtrack::HatCh, soundtrack::BassCh, soundtrack::LeadCh}) {
      int notes = 0, differ = 0;
      for (int row = 0; row < 64; ++row) {
        const itw::Cell &x = song.patterns[a].at(row, ch), &y = song.patterns[b].at(row, ch);
        if (!isNote(x) && !isNote(y)) continue;
        ++notes;
        differ += x.note != y.note || x.instrument != y.instrument;
      }
      changed += 4 * differ >= notes;
    }
    EXPECT_GE(changed, 3) << "orders " << a << " and " << b;
  }
}

}  // namespace
