// The song's facts: its file, its level as libopenmpt plays it, the kick and bass, and its variety.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numeric>
#include <vector>

#include "tools/itwriter/it_writer.h"
#include "tools/soundtrack/instruments.h"
#include "tools/soundtrack/score.h"

namespace {

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

// The module holds the score as composed: libopenmpt reads every cell back
// (notes, releases and cuts, instruments, volumes, effects: every column of
// the writer's packing, repeated or not).
TEST(SoundtrackFile, IsTheComposersOutputIn22OrdersOf64RowsWithNoClippedSample) {
  const std::vector<std::uint8_t> bytes = builtFile();
  const itw::Song& song = composed();
  EXPECT_TRUE(itw::encode(song) == bytes);
  openmpt::module mod(bytes);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  ASSERT_EQ(mod.get_num_orders(), 22);
  EXPECT_NEAR(mod.get_duration_seconds(), 22 * 7.68, 0.05);  // rows of 120 ms, no jumps
  for (int o = 0; o < 22; ++o) {
    ASSERT_EQ(mod.get_pattern_num_rows(mod.get_order_pattern(o)), 64) << o;
    for (int r = 0; r < 64; ++r)
      for (int c = 0; c < soundtrack::kChannels; ++c) {
        SCOPED_TRACE(::testing::Message() << "order " << o << " row " << r << " channel " << c);
        const itw::Cell& cell = song.patterns[o].at(r, c);
        auto get = [&](int command) { return mod.get_pattern_row_channel_command(o, r, c, command); };
        auto text = [&](int command) { return mod.format_pattern_row_channel_command(o, r, c, command); };
        // libopenmpt counts notes from 1; release and cut keep their codes.
        EXPECT_EQ(get(openmpt::module::command_note), cell.note == itw::kEmpty ? 0 : cell.note + (cell.note < 120));
        EXPECT_EQ(get(openmpt::module::command_instrument), cell.instrument);
        EXPECT_EQ(text(openmpt::module::command_volumeffect), cell.volume == itw::kEmpty ? " " : "v");
        if (cell.volume != itw::kEmpty) { EXPECT_EQ(get(openmpt::module::command_volume), cell.volume); }
        EXPECT_EQ(text(openmpt::module::command_effect), cell.effect ? std::string(1, cell.effect) : ".");
        if (cell.effect) { EXPECT_EQ(get(openmpt::module::command_parameter), cell.param); }
      }
  }
  for (const itw::Sample& s : song.samples)
    for (std::int16_t v : s.pcm16) ASSERT_LT(std::abs(v), 32767) << s.name;
}

// The show's orders as libopenmpt renders them at its defaults, alone or with
// one channel soloed; channel 0's level every 10 ms; and the ITU-R BS.1770
// K-weighted power of both sides, frame by frame. The K-weighting's shelf and
// high-pass for 44.1 kHz: the bilinear transforms of the analogue filters
// behind the standard's 48 kHz coefficients.
struct Render {
  std::vector<float> left, right, vu0;  // vu0[i]: after frame 441 * (i + 1)
  std::vector<double> power;
};

Render render(int solo = -1) {
  openmpt::module_ext mod(builtFile());
  auto* mixer = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
  for (int c = 0; solo >= 0 && c < mod.get_num_channels(); ++c) mixer->set_channel_mute_status(c, c != solo);
  const std::size_t frames = kShowOrders * kOrderFrames;
  Render r{std::vector<float>(frames), std::vector<float>(frames), {}, {}};
  for (std::size_t at = 0; at < r.left.size(); at += 441) {
    EXPECT_EQ(mod.read(kRate, 441, r.left.data() + at, r.right.data() + at), 441u);
    r.vu0.push_back(mod.get_current_channel_vu_mono(0) * 255);
  }
  struct Biquad {
    double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
      const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = x, y2 = y1, y1 = y;
      return y;
    }
  };
  const Biquad shelf{1.53084123005035, -2.65097999515473, 1.16907907992159, -1.66365511325602, 0.712595428073225};
  const Biquad highPass{1, -2, 1, -1.98916967362980, 0.989199035787039};
  Biquad left[2] = {shelf, highPass}, right[2] = {shelf, highPass};
  for (std::size_t i = 0; i < r.left.size(); ++i) {
    const double a = left[1].run(left[0].run(r.left[i])), b = right[1].run(right[0].run(r.right[i]));
    r.power.push_back(a * a + b * b);
  }
  return r;
}

// Gated integrated loudness (LUFS) of orders [from, to): 400 ms blocks every
// 100 ms, absolute gate -70 LUFS, relative gate 10 LU below.
double loudness(const std::vector<double>& power, long from, long to) {
  constexpr long block = kRate * 4 / 10;
  std::vector<double> blocks;
  for (long s = from * kOrderFrames; s + block <= to * kOrderFrames; s += kRate / 10)
    blocks.push_back(std::accumulate(power.begin() + s, power.begin() + s + block, 0.0) / block);
  auto lufs = [](double p) { return -0.691 + 10 * std::log10(p); };
  auto gatedMean = [&](double gate) {
    double sum = 0, n = 0;
    for (double b : blocks)
      if (b > 0 && lufs(b) > gate) sum += b, ++n;
    return n ? sum / n : 0.0;
  };
  return lufs(gatedMean(lufs(gatedMean(-70)) - 10));
}

// 4x oversampled peak in dBFS: windowed-sinc interpolation wherever the
// samples come within 6 dB of full scale.
double truePeakDb(const std::vector<float>& x) {
  const auto tap = [](double u) { return std::sin(M_PI * u) / (M_PI * u) * (0.5 + 0.5 * std::cos(M_PI * u / 16)); };
  double peak = 0;
  for (std::size_t i = 16; i + 17 < x.size(); ++i) {
    peak = std::max(peak, static_cast<double>(std::abs(x[i])));
    if (std::max(std::abs(x[i]), std::abs(x[i + 1])) < 0.5f) continue;
    for (double t : {0.25, 0.5, 0.75}) {
      double sum = 0;
      for (int k = -15; k <= 16; ++k) sum += x[i + k] * tap(k - t);
      peak = std::max(peak, std::abs(sum));
    }
  }
  return 20 * std::log10(peak);
}

TEST(SoundtrackRender, MixIsLoudUnclippedAndWideAndChannelZeroPulses) {
  const Render mix = render();
  EXPECT_NEAR(loudness(mix.power, 0, kShowOrders), -14.5, 1.5);  // -16 to -13 LUFS
  EXPECT_LE(std::max(truePeakDb(mix.left), truePeakDb(mix.right)), -1);
  for (int o = 0; o < kShowOrders; ++o) {
    double ll = 0, rr = 0, lr = 0;
    for (long i = o * kOrderFrames; i < (o + 1) * kOrderFrames; ++i)
      ll += mix.left[i] * mix.left[i], rr += mix.right[i] * mix.right[i], lr += mix.left[i] * mix.right[i];
    EXPECT_LT(lr / std::sqrt(ll * rr), 0.9) << "left/right correlation, order " << o;
  }
  // The beat's arrival is a step up.
  EXPECT_GT(loudness(mix.power, 3, 4), loudness(mix.power, 2, 3) + 1);

  // Channel 0 drives the flower, whose alpha wraps above 191, and the pupils:
  // it jumps with each kick and sinks near zero, but not to it, before the
  // next kick on the beat.
  const auto vu = [&](long row) { return mix.vu0.begin() + row * kRowFrames / 441; };  // the song's row
  const auto kickAt = [](long row) { return isNote(composed().patterns[row / 64].at(row % 64, soundtrack::KickCh)); };
  for (long o = 2; o < kShowOrders; ++o) EXPECT_LE(*std::max_element(vu(o * 64), vu(o * 64 + 64)), 191) << "order " << o;
  for (long row = 2 * 64; row < kShowOrders * 64; row += 4) {
    if (!kickAt(row) || !kickAt(row + 4)) continue;
    const float low = *std::min_element(vu(row), vu(row + 4));
    EXPECT_LE(low, 16) << "order " << row / 64 << " row " << row % 64;
    EXPECT_GT(low, 0) << "order " << row / 64 << " row " << row % 64;
  }
}

// The kick, alone, is at least as loud as the bass, alone, in every order with a
// beat; the bass is at least 15 dB quieter on the kick's rows than on the others.
TEST(SoundtrackRender, KickOutweighsTheBassWhichClearsTheKicksRows) {
  const Render kick = render(soundtrack::KickCh), bass = render(soundtrack::BassCh);
  for (int o = 3; o < kShowOrders; ++o) {
    const long start = o * kOrderFrames;
    EXPECT_GE(loudness(kick.power, o, o + 1), loudness(bass.power, o, o + 1)) << "order " << o;
    double sum[2] = {}, rows[2] = {};  // bass energy and rows: [0] between kicks, [1] on them
    for (int row = 0; row < 64; ++row) {
      const bool kickRow = isNote(composed().patterns[o].at(row, soundtrack::KickCh));
      for (long i = start + row * kRowFrames; i < start + (row + 1) * kRowFrames; ++i)
        sum[kickRow] += bass.left[i] * bass.left[i] + bass.right[i] * bass.right[i];
      ++rows[kickRow];
    }
    EXPECT_LE(sum[1] / rows[1], sum[0] / rows[0] / std::pow(10, 1.5)) << "order " << o;
  }
}

// The kick's sample: a click at 2-5 kHz in its first 10 ms and a body that
// ends between 55 and 60 Hz.
TEST(SoundtrackKick, ClicksThenSettlesNear56Hz) {
  const itw::Song& song = composed();
  const std::vector<std::int16_t>& x = song.samples[song.instruments[soundtrack::Kick - 1].sample - 1].pcm16;
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
  EXPECT_NEAR(hz, 57.5, 2.5);  // 55 to 60 Hz
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
