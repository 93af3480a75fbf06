// Tests of the Impulse Tracker writer: a round trip through libopenmpt.
#include "tools/itwriter/it_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Three channels; two patterns of unusual lengths with repeated columns, so that
// the packing's "same as before" flags are used, and every column kind. Sample 1
// is a sine of 100 frames a cycle between two silences, its loop the sine alone;
// sample 2 the same sine in 8 bits, looped whole. Order 0 plays them in pattern 2.
itw::Song makeSong() {
  itw::Song song;
  song.name = "round trip";
  song.speed = 3;
  song.tempo = 140;
  song.channels = {{16, 64}, {32, 48}, {48, 64}};
  song.samples.resize(2);
  itw::Sample &a = song.samples[0], &b = song.samples[1];
  a.pcm16.assign(1100, 0);
  for (int n = 0; n < 1000; ++n) {
    const double wave = std::sin(n * 2 * M_PI / 100);
    if (n >= 100) a.pcm16[n] = static_cast<std::int16_t>(12000 * wave);
    b.pcm8.push_back(static_cast<std::int8_t>(100 * wave));
  }
  a.loop = b.loop = true;
  a.loopStart = 100;
  a.loopEnd = b.loopEnd = 1000;
  for (int i = 0; i < 3; ++i)
    song.instruments.push_back({"", i % 2 + 1, 128, 0, itw::NewNoteAction::Cut, {{{0, 0}, {5, 64}, {20, 0}}, 1}});
  for (int p = 0; p < 2; ++p) {
    itw::Pattern& pat = song.patterns.emplace_back(p == 0 ? 64 : 7, 3);
    for (int i = 0; i < pat.rows * 3; ++i) {
      const int k = i + p;
      if (k % 5 == 4) continue;  // some empty cells
      itw::Cell& cell = pat.cells[i];
      if (k % 3 != 0) cell.note = 36 + (k / 4) % 40;  // runs of equal notes
      if (k % 17 == 0) cell.note = itw::kNoteOff;
      if (k % 23 == 0) cell.note = itw::kNoteCut;
      if (k % 2 == 0) cell.instrument = 1 + (k / 6) % 3;
      if (k % 4 != 1) cell.volume = (k / 8) % 65;
      if (k % 7 < 3) {
        cell.effect = "DHJ"[k % 3];
        cell.param = static_cast<std::uint8_t>(k / 5);
      }
    }
  }
  itw::Pattern& tone = song.patterns.emplace_back(32, 3);
  tone.at(0, 0) = {itw::note("C-5"), 1};
  tone.at(10, 0) = {itw::note("C-6"), 2};
  tone.at(20, 0).note = itw::kNoteCut;
  song.orders = {2, 1, 0, 1, 0};
  return song;
}

TEST(ItWriterRoundTrip, PatternsOrdersInstrumentsAndSamplesComeBackAndPlay) {
  const itw::Song song = makeSong();
  std::string error;
  const std::vector<std::uint8_t> bytes = itw::encode(song, &error);
  ASSERT_FALSE(bytes.empty()) << error;
  openmpt::module mod(bytes);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  EXPECT_EQ(mod.get_metadata("title"), "round trip");
  ASSERT_EQ(mod.get_num_orders(), 5);
  for (int o = 0; o < 5; ++o) EXPECT_EQ(mod.get_order_pattern(o), song.orders[o]);
  ASSERT_EQ(mod.get_num_patterns(), 3);
  EXPECT_EQ(mod.get_num_channels(), 3);
  for (int p = 0; p < 3; ++p) {
    ASSERT_EQ(mod.get_pattern_num_rows(p), song.patterns[p].rows);
    for (int r = 0; r < song.patterns[p].rows; ++r)
      for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE("pattern " + std::to_string(p) + " row " + std::to_string(r) + " channel " + std::to_string(c));
        const itw::Cell& cell = song.patterns[p].at(r, c);
        auto get = [&](int command) { return mod.get_pattern_row_channel_command(p, r, c, command); };
        auto text = [&](int command) { return mod.format_pattern_row_channel_command(p, r, c, command); };
        // libopenmpt counts notes from 1; off and cut keep their codes.
        EXPECT_EQ(get(openmpt::module::command_note), cell.note == itw::kEmpty ? 0 : cell.note + (cell.note < 120));
        EXPECT_EQ(get(openmpt::module::command_instrument), cell.instrument);
        EXPECT_EQ(text(openmpt::module::command_volumeffect), cell.volume == itw::kEmpty ? " " : "v");
        if (cell.volume != itw::kEmpty) { EXPECT_EQ(get(openmpt::module::command_volume), cell.volume); }
        EXPECT_EQ(text(openmpt::module::command_effect), cell.effect ? std::string(1, cell.effect) : ".");
        if (cell.effect) { EXPECT_EQ(get(openmpt::module::command_parameter), cell.param); }
      }
  }
  // 32 + 7 + 64 + 7 + 64 rows at 3 ticks of 2.5 / 140 s (the player rounds ticks to whole frames).
  EXPECT_NEAR(mod.get_duration_seconds(), 174 * 3 * 2.5 / 140, 0.01);

  // The loop sounds at 441 Hz on C-5, 882 Hz on C-6; the cut silences it.
  const double rowFrames = 44100 * 3 * 2.5 / 140;
  std::vector<float> audio(static_cast<std::size_t>(30 * rowFrames));
  ASSERT_EQ(mod.read(44100, audio.size(), audio.data()), audio.size());
  auto crossingsPerSecond = [&](int fromRow, int toRow) {
    int crossings = 0;
    for (auto i = static_cast<std::size_t>(fromRow * rowFrames) + 1; i < toRow * rowFrames; ++i)
      crossings += (audio[i - 1] < 0) != (audio[i] < 0);
    return crossings / 2.0 * 44100 / ((toRow - fromRow) * rowFrames);
  };
  EXPECT_NEAR(crossingsPerSecond(2, 9), 441, 3);
  EXPECT_NEAR(crossingsPerSecond(12, 19), 882, 5);
  float tail = 0;
  for (auto i = static_cast<std::size_t>(21 * rowFrames); i < audio.size(); ++i) tail = std::max(tail, std::abs(audio[i]));
  EXPECT_LT(tail, 1e-4f);
}

TEST(ItWriterRejects, SongsOutsideTheFormatsLimitsAndCellsOutsideAPattern) {
  const std::pair<const char*, void (*)(itw::Song&)> cases[] = {
      {"order names a missing pattern", [](itw::Song& s) { s.orders.push_back(3); }},
      {"no orders", [](itw::Song& s) { s.orders.clear(); }},
      {"cell names a missing instrument", [](itw::Song& s) { s.patterns[0].at(3, 1).instrument = 4; }},
      {"note above B-9", [](itw::Song& s) { s.patterns[1].at(0, 0).note = 120; }},
      {"zero rows", [](itw::Song& s) { s.patterns[1] = itw::Pattern(0, 3); }},
      {"pattern wider than the song", [](itw::Song& s) { s.patterns[1] = itw::Pattern(8, 4); }},
      {"loop past the end", [](itw::Song& s) { s.samples[0].loopEnd = 1101; }},
      {"instrument names a missing sample", [](itw::Song& s) { s.instruments[2].sample = 3; }},
      {"sustain point missing", [](itw::Song& s) { s.instruments[0].volumeEnvelope.sustainPoint = 3; }},
      {"name too long", [](itw::Song& s) { s.name = std::string(26, 'x'); }},
  };
  for (const auto& [what, spoil] : cases) {
    itw::Song song = makeSong();
    spoil(song);
    std::string error;
    EXPECT_TRUE(itw::encode(song, &error).empty()) << what;
    EXPECT_FALSE(error.empty()) << what;
  }
  EXPECT_FALSE(itw::save(makeSong(), "/nonexistent-dir/x.it"));

  itw::Pattern p(4, 2);
  EXPECT_THROW(p.at(0, 2), std::out_of_range);  // would land on the next row's cell
}

TEST(ItWriterNote, ReadsTrackerNamesAndNothingElse) {
  EXPECT_EQ(itw::note("C#5"), 61);
  EXPECT_EQ(itw::note("B-9"), 119);
  for (const char* bad : {"C-55", "c-5", "C-x"}) EXPECT_EQ(itw::note(bad), itw::kEmpty) << bad;
}

}  // namespace
