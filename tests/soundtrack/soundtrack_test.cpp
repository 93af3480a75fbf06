// The song's facts: its file, its level and arc as libopenmpt plays it, the kick and bass, its
// instruments, its harmony and the lead's voice-leading, and its variety.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <numeric>
#include <set>
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

// The show's orders as libopenmpt renders them at its defaults, all channels
// or only some, from order 0 or from where a preview starts; and each
// channel's level every 10 ms.
struct Render {
  std::vector<float> left, right;
  std::vector<std::vector<float>> vu;  // vu[c][i]: channel c after frame 441 * (i + 1)
};

Render render(const std::set<int>& only = {}, int startOrder = 0, int orders = kShowOrders) {
  openmpt::module_ext mod(builtFile());
  auto* mixer = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
  for (int c = 0; !only.empty() && c < mod.get_num_channels(); ++c) mixer->set_channel_mute_status(c, !only.count(c));
  mod.set_position_order_row(startOrder, 0);
  const std::size_t frames = orders * kOrderFrames;
  Render r{std::vector<float>(frames), std::vector<float>(frames), std::vector<std::vector<float>>(mod.get_num_channels())};
  for (std::size_t at = 0; at < r.left.size(); at += 441) {
    EXPECT_EQ(mod.read(kRate, 441, r.left.data() + at, r.right.data() + at), 441u);
    for (std::size_t c = 0; c < r.vu.size(); ++c) r.vu[c].push_back(mod.get_current_channel_vu_mono(c) * 255);
  }
  return r;
}

const Render& mix() {
  static const Render whole = render();
  return whole;
}

// Orders [from, to) measured by libebur128 as ITU-R BS.1770 has it: the gated
// integrated loudness in LUFS, or (EBUR128_MODE_TRUE_PEAK) the higher true
// peak of the two sides in dBTP.
double measure(const Render& r, long from, long to, int mode = EBUR128_MODE_I) {
  ebur128_state* state = ebur128_init(2, kRate, mode);
  std::vector<float> frames;
  for (long i = from * kOrderFrames; i < to * kOrderFrames; ++i) frames.insert(frames.end(), {r.left[i], r.right[i]});
  ebur128_add_frames_float(state, frames.data(), frames.size() / 2);
  double value = 0, right = 0;
  if (mode == EBUR128_MODE_I) {
    ebur128_loudness_global(state, &value);
  } else {
    ebur128_true_peak(state, 0, &value);
    ebur128_true_peak(state, 1, &right);
    value = 20 * std::log10(std::max(value, right));
  }
  ebur128_destroy(&state);
  return value;
}

double db(double power) { return 10 * std::log10(power + 1e-20); }

// Peak of both sides over an order, in dBFS.
double peakDb(const Render& r, int order) {
  float peak = 0;
  for (long i = order * kOrderFrames; i < (order + 1) * kOrderFrames; ++i)
    peak = std::max({peak, std::abs(r.left[i]), std::abs(r.right[i])});
  return 20 * std::log10(peak + 1e-9);
}

// Power spectrum of n frames of x (a power of two), Hann-windowed unless
// it is a whole sound: bin k is k * rate / n Hz, for k below n / 2.
std::vector<double> spectrum(const float* x, int n, bool window = true) {
  std::vector<std::complex<double>> a(n);
  for (int i = 0; i < n; ++i) a[i] = x[i] * (window ? 0.5 - 0.5 * std::cos(2 * M_PI * i / n) : 1.0);
  for (int i = 1, j = 0; i < n; ++i) {  // radix-2 FFT
    int bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    if (i < (j ^= bit)) std::swap(a[i], a[j]);
  }
  for (int len = 2; len <= n; len <<= 1) {
    const std::complex<double> w = std::polar(1.0, -2 * M_PI / len);
    for (int i = 0; i < n; i += len) {
      std::complex<double> u = 1;
      for (int j = 0; j < len / 2; ++j, u *= w) {
        const std::complex<double> p = a[i + j], q = a[i + j + len / 2] * u;
        a[i + j] = p + q, a[i + j + len / 2] = p - q;
      }
    }
  }
  std::vector<double> power(n / 2);
  for (int k = 0; k < n / 2; ++k) power[k] = std::norm(a[k]);
  return power;
}

// A row of the song in frequency: the power of both sides in the 4,096
// frames (93 ms) centred in the row, bin k at k * 10.77 Hz.
std::vector<double> rowSpectrum(const Render& r, long row) {
  constexpr int n = 4096;
  const long from = row * kRowFrames + (kRowFrames - n) / 2;
  std::vector<double> s = spectrum(r.left.data() + from, n);
  const std::vector<double> right = spectrum(r.right.data() + from, n);
  for (int k = 0; k < n / 2; ++k) s[k] += right[k];
  return s;
}

double band(const std::vector<double>& s, double fromHz, double toHz) {
  const double binHz = static_cast<double>(kRate) / (2 * s.size());
  double sum = 0;
  for (std::size_t k = 1; k < s.size(); ++k)
    if (k * binHz >= fromHz && k * binHz < toHz) sum += s[k];
  return sum;
}

// How different two orders sound, row by row: each row's power in the 18
// half-octave bands from 31 Hz to 16 kHz, in dB (no lower than 60 dB under the
// loudest band of either order), and the mean absolute difference between the
// same rows of the two orders over all rows and bands. (Orders 7 and 8 of an
// earlier version, whose 16 and 17 were near-copies of them, measured 1.7 and
// 2.5 dB; other neighbours differed by 2 to 5 dB.)
double distance(const Render& r, int a, int b) {
  std::vector<double> x, y;  // row by row, band by band
  for (int row = 0; row < 64; ++row) {
    const std::vector<double> sa = rowSpectrum(r, a * 64 + row), sb = rowSpectrum(r, b * 64 + row);
    for (int k = 0; k < 18; ++k) {
      const double lo = 31.25 * std::pow(2, k / 2.0), hi = lo * std::sqrt(2);
      x.push_back(band(sa, lo, hi));
      y.push_back(band(sb, lo, hi));
    }
  }
  const double floor = std::max(*std::max_element(x.begin(), x.end()), *std::max_element(y.begin(), y.end())) * 1e-6;
  double sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) sum += std::abs(db(std::max(x[i], floor)) - db(std::max(y[i], floor)));
  return sum / x.size();
}

TEST(SoundtrackRender, MixIsLoudUnclippedAndWideAndChannelZeroPulses) {
  const Render& mix = ::mix();
  EXPECT_NEAR(measure(mix, 0, kShowOrders), -14.5, 1.5);  // -16 to -13 LUFS
  EXPECT_LE(measure(mix, 0, kShowOrders, EBUR128_MODE_TRUE_PEAK), -1);
  for (int o = 0; o < kShowOrders; ++o) {
    double ll = 0, rr = 0, lr = 0;
    for (long i = o * kOrderFrames; i < (o + 1) * kOrderFrames; ++i)
      ll += mix.left[i] * mix.left[i], rr += mix.right[i] * mix.right[i], lr += mix.left[i] * mix.right[i];
    EXPECT_LT(lr / std::sqrt(ll * rr), 0.9) << "left/right correlation, order " << o;
  }
  // The beat's arrival is a step up.
  EXPECT_GT(measure(mix, 3, 4), measure(mix, 2, 3) + 1);

  // Channel 0 drives the flower, whose alpha wraps above 191, and the pupils:
  // its range in each order is the one the pictures are drawn for (the kick's
  // volumes and envelope set it, the sections' levels leave it alone); it
  // jumps with each kick and sinks near zero, but not to it, before the next
  // kick on the beat.
  const auto vu = [&](long row) { return mix.vu[0].begin() + row * kRowFrames / 441; };  // the song's row
  const auto kickAt = [](long row) { return isNote(composed().patterns[row / 64].at(row % 64, soundtrack::KickCh)); };
  const float range[kShowOrders][2] = {{0, 0}, {0, 0}, {2.817f, 123.965f}, {5.635f, 180.312f}, {5.635f, 180.312f},
      {5.635f, 180.312f}, {5.635f, 180.312f}, {5.635f, 180.312f}, {5.635f, 180.312f}, {5.635f, 180.312f},
      {5.635f, 157.773f}, {5.635f, 180.312f}, {5.635f, 169.043f}, {5.635f, 169.043f}, {5.635f, 174.677f},
      {5.635f, 174.677f}, {5.635f, 180.312f}, {5.635f, 180.312f}, {0, 180.312f}};
  for (long o = 0; o < kShowOrders; ++o) {
    EXPECT_NEAR(*std::min_element(vu(o * 64), vu(o * 64 + 64)), range[o][0], 0.01) << "order " << o;
    EXPECT_NEAR(*std::max_element(vu(o * 64), vu(o * 64 + 64)), range[o][1], 0.01) << "order " << o;
  }
  for (long row = 2 * 64; row < kShowOrders * 64; row += 4) {
    if (!kickAt(row) || !kickAt(row + 4)) continue;
    const float low = *std::min_element(vu(row), vu(row + 4));
    EXPECT_LE(low, 16) << "order " << row / 64 << " row " << row % 64;
    EXPECT_GT(low, 0) << "order " << row / 64 << " row " << row % 64;
  }
}

// The arc: the climax (order 11) is the loudest order by at least 1 LU, the
// credits (12-15) sit at least 2 LU under the drops (7, 8, 16, 17), the
// breakdown (10) at least 3 LU under order 9 and no louder than any credits
// order, and each drop (7, 11, 16) lands: its first eight rows carry at least
// 4 dB more below 150 Hz than the eight rows before. The top does not lurch:
// every order with a beat has at least -22 dB of its power above 10 kHz, the
// drops at least -17 dB, and neighbouring beat orders are within 6 dB of each
// other (9 and 11 neighbours across the breakdown). The returning orders 16
// and 17 sound unlike 7 and 8.
TEST(SoundtrackRender, RisesToTheClimaxBreathesInTheCreditsAndLandsItsDrops) {
  const Render& mix = ::mix();
  std::vector<double> lufs;
  for (int o = 0; o < kShowOrders; ++o) lufs.push_back(measure(mix, o, o + 1));
  for (int o = 0; o < kShowOrders; ++o) {
    if (o != 11) { EXPECT_GE(lufs[11], lufs[o] + 1) << "order " << o; }
  }
  EXPECT_LE((lufs[12] + lufs[13] + lufs[14] + lufs[15]) / 4, (lufs[7] + lufs[8] + lufs[16] + lufs[17]) / 4 - 2);
  EXPECT_LE(lufs[10], lufs[9] - 3);
  EXPECT_LE(lufs[10], *std::min_element(lufs.begin() + 12, lufs.begin() + 16));
  const auto rows = [&](long from, double loHz, double hiHz) {
    double sum = 0;
    for (long row = from; row < from + 8; ++row) sum += band(rowSpectrum(mix, row), loHz, hiHz);
    return sum;
  };
  for (int o : {7, 11, 16}) EXPECT_GE(db(rows(o * 64, 0, 150)) - db(rows(o * 64 - 8, 0, 150)), 4) << "into order " << o;
  std::vector<double> top(kShowOrders);  // the share above 10 kHz, dB
  for (int o = 0; o < kShowOrders; ++o) {
    double high = 0, all = 0;
    for (long from = o * 64; from < o * 64 + 64; from += 8) high += rows(from, 10000, kRate), all += rows(from, 0, kRate);
    top[o] = db(high) - db(all);
  }
  for (int o : {7, 8, 11, 16, 17}) EXPECT_GE(top[o], -17) << "order " << o;
  for (int o = 3; o < kShowOrders; ++o) {
    if (o == 10) continue;
    EXPECT_GE(top[o], -22) << "order " << o;
    const int before = o == 11 ? 9 : o - 1;
    if (o > 3) { EXPECT_NEAR(top[o], top[before], 6) << "orders " << before << " and " << o; }
  }
  EXPECT_GE(distance(mix, 7, 16), 4);
  EXPECT_GE(distance(mix, 8, 17), 4);
}

// In every order with a beat the kick leads and the backbeat answers: the
// kick alone is within 6 LU of the whole mix and channel 1 (snare, clap,
// toms) alone within 6 LU of the kick; the kick's peaks reach at least as
// high as the snare's and the hats', and 2 dB above the ride's; the lead with
// its echo is no louder than kick and bass together. The bass is at least
// 15 dB quieter on the kick's rows than on the others.
TEST(SoundtrackRender, KickLeadsTheBeatTheBackbeatAnswersAndTheBassClearsItsRows) {
  using namespace soundtrack;
  const Render kick = render({KickCh}), snare = render({SnareCh}), hats = render({HatCh}), bass = render({BassCh}),
               lead = render({LeadCh, LeadEchoCh}), low = render({KickCh, BassCh}), ride = render({RideCh});
  for (int o = 3; o < kShowOrders; ++o) {
    SCOPED_TRACE(::testing::Message() << "order " << o);
    if (o != 10) {  // the breakdown's half-time kick stays back
      const double kickLufs = measure(kick, o, o + 1);
      EXPECT_GE(kickLufs, measure(mix(), o, o + 1) - 6);
      EXPECT_NEAR(measure(snare, o, o + 1), kickLufs, 6) << "the backbeat against the kick";
      EXPECT_GE(peakDb(kick, o), std::max(peakDb(snare, o), peakDb(hats, o)));
      EXPECT_LE(peakDb(ride, o), peakDb(kick, o) - 2);
      EXPECT_LE(measure(lead, o, o + 1), measure(low, o, o + 1));
    }
    const long start = o * kOrderFrames;
    double sum[2] = {}, rows[2] = {};  // bass energy and rows: [0] between kicks, [1] on them
    for (int row = 0; row < 64; ++row) {
      const bool kickRow = isNote(composed().patterns[o].at(row, KickCh));
      for (long i = start + row * kRowFrames; i < start + (row + 1) * kRowFrames; ++i)
        sum[kickRow] += bass.left[i] * bass.left[i] + bass.right[i] * bass.right[i];
      ++rows[kickRow];
    }
    EXPECT_LE(sum[1] / rows[1], sum[0] / rows[0] / std::pow(10, 1.5));
  }
}

// Started at order 19 or 20, as a preview does, the song sounds within the
// first eight rows, so that the overlay and the rosette wheel have a level to
// draw.
TEST(SoundtrackRender, EpilogueOrdersSoundWhenStartedThere) {
  for (int o : {19, 20}) {
    const Render r = render({}, o, 1);
    float loudest = 0;
    for (const std::vector<float>& channel : r.vu)
      loudest = std::max(loudest, *std::max_element(channel.begin(), channel.begin() + 8 * kRowFrames / 441));
    EXPECT_GT(loudest, 0) << "order " << o;
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

// The tonal samples are made at 44.1 kHz: played at the note they are tuned
// to, their loops reach past 12 kHz. The snare has body: at least a quarter
// of its energy lies between 150 and 500 Hz, and its energy centres below
// 1.5 kHz (a thin, hissing snare centres at 2 to 3 kHz); and it cracks: its
// 1-5 kHz band is no more than 10 dB under its loudest band.
TEST(SoundtrackInstruments, TonesReachPast12kHzAndTheSnareHasBody) {
  using namespace soundtrack;
  const itw::Song& song = composed();
  const auto sample = [&](int instrument) -> const itw::Sample& {
    return song.samples[song.instruments[instrument - 1].sample - 1];
  };
  std::vector<std::pair<int, int>> tuned{{Lead, 69}, {LeadHigh, 81}, {Arp, 69}, {Pluck, 69}};
  for (int pad = PadAm; pad <= PadAmWide; ++pad) tuned.emplace_back(pad, 60);
  for (auto [instrument, note] : tuned) {
    const itw::Sample& s = sample(instrument);
    ASSERT_TRUE(s.loop) << s.name;
    constexpr int n = 16384;
    ASSERT_GE(s.loopEnd - s.loopStart, static_cast<std::uint32_t>(n)) << s.name;
    const std::vector<float> loop(s.pcm16.begin() + s.loopStart, s.pcm16.begin() + s.loopStart + n);
    const std::vector<double> power = spectrum(loop.data(), n);
    const double rate = s.c5Speed * std::pow(2, (note - 60) / 12.0);
    const double all = std::accumulate(power.begin(), power.end(), 0.0);
    double high = 0;
    for (int k = 0; k < n / 2; ++k) high += k * rate / n >= 12000 ? power[k] : 0;
    EXPECT_GE(db(high) - db(all), -50) << s.name;
  }
  const itw::Sample& snare = sample(Snare);
  std::vector<float> hit(16384, 0.0f);
  ASSERT_LE(snare.pcm16.size(), hit.size());
  std::copy(snare.pcm16.begin(), snare.pcm16.end(), hit.begin());
  const std::vector<double> power = spectrum(hit.data(), hit.size(), false);
  double all = 0, moment = 0;
  for (std::size_t k = 0; k < power.size(); ++k) all += power[k], moment += power[k] * k * kRate / hit.size();
  EXPECT_GE(db(band(power, 150, 500)) - db(all), -6);
  EXPECT_LE(moment / all, 1500) << "Hz, the snare's centre of energy";
  std::vector<double> bands;  // 0-150, 150-300, 300-1k, 1-5k and 5-22 kHz
  const double edges[] = {0, 150, 300, 1000, 5000, kRate / 2.0};
  for (int b = 0; b < 5; ++b) bands.push_back(db(band(power, edges[b], edges[b + 1])));
  EXPECT_GE(bands[3], *std::max_element(bands.begin(), bands.end()) - 10) << "dB, the snare's crack at 1-5 kHz";
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

// The credits' tune keeps its downbeats: every bar of the lead in 12-15
// opens on a struck note (a release written over the first note of a bar
// cuts it). The climax has a line of its own: at no one transposition does
// order 8's lead strike the same note on more than half of the rows where
// order 11's lead strikes one.
TEST(SoundtrackScore, CreditsTuneKeepsItsDownbeatsAndTheClimaxHasALineOfItsOwn) {
  using soundtrack::LeadCh;
  const itw::Song& song = composed();
  for (int o = 12; o < 16; ++o)
    for (int bar = 0; bar < 64; bar += 16) EXPECT_TRUE(isNote(song.patterns[o].at(bar, LeadCh))) << "order " << o << " row " << bar;
  int notes = 0, same[49] = {};
  for (int row = 0; row < 64; ++row) {
    const itw::Cell &climax = song.patterns[11].at(row, LeadCh), &answer = song.patterns[8].at(row, LeadCh);
    if (!isNote(climax)) continue;
    ++notes;
    if (isNote(answer) && std::abs(climax.note - answer.note) <= 24) ++same[climax.note - answer.note + 24];
  }
  EXPECT_LE(2 * *std::max_element(std::begin(same), std::end(same)), notes);
}

// What sounds on a channel at each row of the song (orders after one another):
// a note from its row until the channel's next note, release or cut; -1 where
// nothing does.
struct Sounding {
  int note = -1, instrument = 0;
};
std::vector<Sounding> sounding(int channel) {
  std::vector<Sounding> rows;
  Sounding now;
  for (const itw::Pattern& p : composed().patterns)
    for (int row = 0; row < 64; ++row) {
      const itw::Cell& c = p.at(row, channel);
      if (isNote(c)) now = {c.note, c.instrument};
      else if (c.note != itw::kEmpty) now = {};
      rows.push_back(now);
    }
  return rows;
}

// The harmony moves: no more than four orders in a row strike the same chords
// on the same bars, the home progression does not sit under most of the show,
// and the return home has a pivot. The lead leads cleanly: no note of it lasts
// longer than a bar; it forms a semitone with a tone of the pad's chord (other
// than its own note, as over a major seventh) for no more than two rows at a
// time; and its echo forms a semitone with it on no more than four rows of an
// order.
TEST(SoundtrackScore, HarmonyMovesAndTheLeadIsCleanAgainstPadAndEcho) {
  using namespace soundtrack;
  const itw::Song& song = composed();
  int run = 1;
  for (int o = 1; o < kShowOrders; ++o) {
    bool same = true;
    for (int bar = 0; bar < 64; bar += 16) {
      const itw::Cell &x = song.patterns[o].at(bar, PadCh), &y = song.patterns[o - 1].at(bar, PadCh);
      same = same && x.note == y.note && x.instrument == y.instrument;
    }
    run = same ? run + 1 : 1;
    EXPECT_LE(run, 4) << "orders up to " << o;
  }

  const std::vector<Sounding> lead = sounding(LeadCh), pad = sounding(PadCh), echo = sounding(LeadEchoCh);

  // The pad's chord on each bar, as pitch classes, raised by `up` semitones.
  const auto chordAt = [&](int order, int bar, int up = 0) {
    std::set<int> chord;
    const Sounding& s = pad[order * 64 + bar * 16];
    if (s.note >= 0)
      for (int tone : padChord(s.instrument)) chord.insert((tone + s.note - 60 + up + 120) % 12);
    return chord;
  };
  // The home progression, Am F C G, in any key: how many bars of an order
  // play it at the best transposition. It sounds whole under at most six
  // orders, and no more than three orders in a row share three of its chords.
  const std::set<int> home[4] = {{9, 0, 4}, {5, 9, 0}, {0, 4, 7}, {7, 11, 2}};
  int homeOrders = 0, sharing = 0;
  for (int o = 0; o < kShowOrders; ++o) {
    int best = 0;
    for (int up = 0; up < 12; ++up) {
      int bars = 0;
      for (int bar = 0; bar < 4; ++bar) bars += chordAt(o, bar, up) == home[bar];
      best = std::max(best, bars);
    }
    homeOrders += best == 4;
    sharing = best >= 3 ? sharing + 1 : 0;
    EXPECT_LE(sharing, 3) << "orders up to " << o << " share three chords of the home progression";
  }
  EXPECT_LE(homeOrders, 6) << "orders on the home progression";
  // The return home from B minor (16-17) to A minor (18) goes through a chord
  // of both keys.
  EXPECT_FALSE(chordAt(17, 3).empty());
  for (int tone : chordAt(17, 3)) {
    EXPECT_TRUE(std::set<int>({9, 11, 0, 2, 4, 5, 7}).count(tone)) << tone << " is not in A minor";
    EXPECT_TRUE(std::set<int>({11, 1, 2, 4, 6, 7, 9}).count(tone)) << tone << " is not in B minor";
  }
  for (std::size_t row = 0, held = 0; row < lead.size(); ++row) {
    held = isNote(song.patterns[row / 64].at(row % 64, LeadCh)) ? 1 : lead[row].note >= 0 ? held + 1 : 0;
    if (held == 17) ADD_FAILURE() << "lead note longer than a bar at order " << row / 64 << " row " << row % 64;
  }
  int clash = 0;
  std::vector<int> echoClashes(kShowOrders);
  for (std::size_t row = 0; row < kShowOrders * 64u; ++row) {
    const int note = lead[row].note;
    bool semitone = false;
    if (note >= 0 && pad[row].note >= 0) {
      std::set<int> chord;
      for (int tone : padChord(pad[row].instrument)) chord.insert((tone + pad[row].note - 60) % 12);
      semitone = !chord.count(note % 12) && (chord.count((note + 1) % 12) || chord.count((note + 11) % 12));
    }
    clash = semitone ? clash + 1 : 0;
    if (clash == 3) ADD_FAILURE() << "lead a semitone off the pad's chord at order " << row / 64 << " rows " << row % 64 - 2 << "-" << row % 64;
    if (note >= 0 && echo[row].note >= 0) echoClashes[row / 64] += (note - echo[row].note + 120) % 12 == 1 || (echo[row].note - note + 120) % 12 == 1;
  }
  for (int o = 0; o < kShowOrders; ++o) EXPECT_LE(echoClashes[o], 4) << "echo against the lead, order " << o;
}

}  // namespace
