#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Small modules for the player's tests, written by the module writer.
namespace testsongs {

// Four channels, five orders over three patterns of 64, 32 and 48 rows, with
// speed and tempo changes and a pattern break, so that rows last 5292, 2205
// and 3675 frames in turn:
//   order 0: pattern 0, speed 6, tempo 125 (882 frames a tick)
//   order 1: pattern 1, speed 3 and tempo 150 (735 frames a tick) from row 0
//   order 2: pattern 0 again, still speed 3, tempo 150
//   order 3: pattern 2, speed 5 from row 10, breaks to the next order after row 40
//   order 4: pattern 1 again; then the song ends
// Channel 0 holds a looped tone at full volume from row 0 of every pattern,
// channel 1 the same tone at volume 16, channel 2 is never used, and
// channel 3 plays at row 0 of pattern 0 and is cut at row 8.
std::string writeTimingSong(const std::string& path);

// Where order `order`, row `row` starts, in frames from the song's start, by
// the tempo and speed the song was written with.
struct RowStart {
  int order;
  int row;
  std::uint64_t frame;
};
std::vector<RowStart> timingSongRows();

// A path in the scratch folder, unique to this test process.
std::string scratchPath(const std::string& name);

}  // namespace testsongs
