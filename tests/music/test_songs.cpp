#include "tests/music/test_songs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <stdexcept>

#include "tools/itwriter/it_writer.h"

namespace testsongs {

std::string scratchPath(const std::string& name) {
  return ::testing::TempDir() + "music-" + std::to_string(getpid()) + "-" + name;
}

std::string writeTimingSong(const std::string& path) {
  itw::Song song;
  song.name = "timing";
  song.channels.resize(4);

  itw::Sample& tone = song.samples.emplace_back();
  tone.name = "square";
  for (int i = 0; i < 4400; ++i) tone.pcm16.push_back(i % 100 < 50 ? 12000 : -12000);
  tone.loop = true;
  tone.loopStart = 0;
  tone.loopEnd = 4400;

  const int c5 = itw::note("C-5");
  auto tones = [&](itw::Pattern& p) {
    p.at(0, 0) = {c5, 1, 64};
    p.at(0, 1) = {c5, 1, 16};
  };

  itw::Pattern& p0 = song.patterns.emplace_back(64, 4);
  tones(p0);
  p0.at(0, 3) = {c5, 1, 64};
  p0.at(8, 3).note = itw::kNoteCut;

  itw::Pattern& p1 = song.patterns.emplace_back(32, 4);
  tones(p1);
  p1.at(0, 2).effect = 'A';  // effect columns only: channel 2 stays silent
  p1.at(0, 2).param = 3;
  p1.at(0, 3).effect = 'T';
  p1.at(0, 3).param = 150;

  itw::Pattern& p2 = song.patterns.emplace_back(48, 4);
  tones(p2);
  p2.at(10, 2).effect = 'A';
  p2.at(10, 2).param = 5;
  p2.at(40, 2).effect = 'C';
  p2.at(40, 2).param = 0;

  song.orders = {0, 1, 0, 2, 1};
  std::string error;
  if (!itw::save(song, path, &error)) throw std::runtime_error("cannot write " + path + ": " + error);
  return path;
}

std::vector<RowStart> timingSongRows() {
  // Frames a row = speed * 2.5 s / tempo * 44,100.
  const int slow = 6 * 882, quick = 3 * 735, middle = 5 * 735;
  std::vector<RowStart> starts;
  std::uint64_t frame = 0;
  auto add = [&](int order, int firstRow, int rows, int framesPerRow) {
    for (int r = firstRow; r < firstRow + rows; ++r) {
      starts.push_back({order, r, frame});
      frame += framesPerRow;
    }
  };
  add(0, 0, 64, slow);
  add(1, 0, 32, quick);
  add(2, 0, 64, quick);
  add(3, 0, 10, quick);
  add(3, 10, 31, middle);
  add(4, 0, 32, quick);
  starts.push_back({-1, -1, frame});  // the end
  return starts;
}

}  // namespace testsongs
