// Tests of the Impulse Tracker writer: a round trip through libopenmpt.
#include "tools/itwriter/it_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Sample 1 is a sine of 100 frames a cycle between two silences, its loop the
// sine alone; sample 2 the same sine in 8 bits, looped whole. Pattern 1 plays
// them, on C-5 and C-6; pattern 0, of 7 rows, halves the tempo in its second
// row with the effect letter of its first row: packed whole, not "as before".
// (Every other kind of cell, instruments and envelopes come back in the
// soundtrack's own module: see the soundtrack tests.)
itw::Song makeSong() {
  itw::Song song;
  song.speed = 3;
  song.tempo = 140;
  song.channels.resize(2);
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
  itw::Pattern& slower = song.patterns.emplace_back(7, 2);
  slower.at(0, 1) = {.effect = 'T', .param = 140};
  slower.at(1, 1) = {.effect = 'T', .param = 70};
  itw::Pattern& tone = song.patterns.emplace_back(32, 2);
  tone.at(0, 0) = {itw::note("C-5"), 1};
  tone.at(10, 0) = {itw::note("C-6"), 2};
  song.orders = {1, 0, 1};
  return song;
}

TEST(ItWriterRoundTrip, OrdersPatternsAndSamplesComeBackAndPlayAtPitch) {
  const itw::Song song = makeSong();
  std::string error;
  const std::vector<std::uint8_t> bytes = itw::encode(song, &error);
  ASSERT_FALSE(bytes.empty()) << error;
  openmpt::module mod(bytes);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  ASSERT_EQ(mod.get_num_orders(), 3);
  for (int o = 0; o < 3; ++o) EXPECT_EQ(mod.get_order_pattern(o), song.orders[o]);
  for (int p = 0; p < 2; ++p) EXPECT_EQ(mod.get_pattern_num_rows(p), song.patterns[p].rows);
  // 33 rows at tempo 140 and 38 at 70, of 3 ticks of 2.5 / tempo s (the player rounds ticks to whole frames).
  EXPECT_NEAR(mod.get_duration_seconds(), (33 + 38 * 2) * 3 * 2.5 / 140, 0.01);

  // The loop sounds at 441 Hz on C-5, 882 Hz on C-6: rows of 3 ticks of 2.5 / 140 s.
  const double rowFrames = 44100 * 3 * 2.5 / 140;
  std::vector<float> audio(static_cast<std::size_t>(20 * rowFrames));
  ASSERT_EQ(mod.read(44100, audio.size(), audio.data()), audio.size());
  auto crossingsPerSecond = [&](int fromRow, int toRow) {
    int crossings = 0;
    for (auto i = static_cast<std::size_t>(fromRow * rowFrames) + 1; i < toRow * rowFrames; ++i)
      crossings += (audio[i - 1] < 0) != (audio[i] < 0);
    return crossings / 2.0 * 44100 / ((toRow - fromRow) * rowFrames);
  };
  EXPECT_NEAR(crossingsPerSecond(2, 9), 441, 3);
  EXPECT_NEAR(crossingsPerSecond(12, 19), 882, 5);
}

// A song that breaks the format's limits is refused, saying why; so is a cell
// outside a pattern, and a note by any but its tracker name.
TEST(ItWriterRejects, SongsOutsideTheFormatsLimitsCellsOutsideAPatternAndMisspeltNotes) {
  itw::Song song = makeSong();
  song.orders.push_back(2);
  std::string error;
  EXPECT_TRUE(itw::encode(song, &error).empty());
  EXPECT_EQ(error, "order names a missing pattern");
  EXPECT_FALSE(itw::save(makeSong(), "/nonexistent-dir/x.it"));
  EXPECT_THROW(itw::Pattern(4, 2).at(0, 2), std::out_of_range);  // would land on the next row's cell

  EXPECT_EQ(itw::note("C#5"), 61);
  EXPECT_EQ(itw::note("B-9"), 119);
  for (const char* bad : {"C-55", "c-5", "C-x"}) EXPECT_EQ(itw::note(bad), itw::kEmpty) << bad;
}

}  // namespace
