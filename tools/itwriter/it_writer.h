// Writes Impulse Tracker (.it) modules from a song held in memory.
//
//   itw::Song song;
//   song.channels.resize(2);                  // two channels, centred, full volume
//   itw::Sample& s = song.samples.emplace_back();
//   s.name = "beep";
//   s.pcm16 = ...;                             // mono, signed, 16 bit
//   s.loop = true; s.loopStart = 0; s.loopEnd = s.pcm16.size();
//   itw::Pattern& p = song.patterns.emplace_back(64, 2);   // 64 rows, 2 channels
//   p.at(0, 0) = {itw::note("A-5"), 1, 64};   // A-5, sample 1, volume 64
//   p.at(16, 0).note = itw::kNoteOff;
//   p.at(63, 1).effect = 'C';                  // pattern break
//   song.orders = {0, 0};
//   std::string error;
//   if (!itw::save(song, "beep.it", &error)) ...
//
// Without instruments the instrument column names samples (1-based); with
// instruments it names instruments, each of which plays one sample.
// Sample data is stored uncompressed; patterns use IT's packing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace itw {

// Note column. Notes 0..119 are C-0..B-9; a sample plays at its c5Speed on
// C-5 (60), and A-5 (69) is concert A when c5Speed is the sample's rate and
// the sample holds middle C.
constexpr int kEmpty = -1;     // nothing in this column
constexpr int kNoteOff = 255;  // "===": release (envelopes leave their sustain)
constexpr int kNoteCut = 254;  // "^^^": silence at once

// Note number from its tracker name: "C-5", "C#5", "A-4" (octaves 0..9).
// Returns kEmpty for anything else.
int note(const std::string& name);

struct Cell {
  int note = kEmpty;        // 0..119, kNoteOff, kNoteCut or kEmpty
  int instrument = 0;       // 1-based; 0: none
  int volume = kEmpty;      // volume column: 0..64 sets the note volume; other IT
                            // volume-column codes (65..212) are written as they are
  char effect = 0;          // 'A'..'Z' as trackers show them; 0: none
  std::uint8_t param = 0;   // effect parameter
};

struct Pattern {
  Pattern(int rows, int channels);
  // Throws std::out_of_range outside rows × channels.
  Cell& at(int row, int channel);
  const Cell& at(int row, int channel) const;

  int rows;                 // 1..200
  int channels;             // at most the song's channel count
  std::vector<Cell> cells;  // rows × channels, row by row
};

struct Channel {
  int pan = 32;     // 0 (left) .. 64 (right)
  int volume = 64;  // 0..64
};

struct Sample {
  std::string name;                 // up to 25 characters
  std::vector<std::int16_t> pcm16;  // mono, signed; fill exactly one of pcm16 and pcm8
  std::vector<std::int8_t> pcm8;
  std::uint32_t c5Speed = 44100;    // frames per second when played at C-5
  int volume = 64;                  // default note volume, 0..64
  int globalVolume = 64;            // 0..64
  bool loop = false;                // loop [loopStart, loopEnd) while the note plays
  bool pingPong = false;            // loop back and forth
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;        // exclusive, at most the length
  int vibratoSpeed = 0;             // auto-vibrato (sine), each 0..64; depth 0: off
  int vibratoDepth = 0;
  int vibratoSweep = 0;             // how fast the vibrato grows after the note starts
};

struct EnvelopePoint {
  int tick;   // 0 for the first point, then rising, at most 9999
  int value;  // 0..64
};

struct Envelope {
  std::vector<EnvelopePoint> points;  // empty: no envelope; at most 25 points
  int sustainPoint = kEmpty;          // index held until note off; kEmpty: none
};

// What happens to a note still sounding when the next note starts on its channel.
enum class NewNoteAction { Cut = 0, Continue = 1, NoteOff = 2, NoteFade = 3 };

struct Instrument {
  std::string name;         // up to 25 characters
  int sample = 1;           // 1-based sample played on every note
  int globalVolume = 128;   // 0..128
  int fadeout = 0;          // 0..256: how fast a released note fades (0: never)
  NewNoteAction newNoteAction = NewNoteAction::Cut;
  Envelope volumeEnvelope;  // a note ends when its envelope ends at value 0
};

struct Song {
  std::string name;          // up to 25 characters
  int speed = 6;             // ticks per row, 1..255
  int tempo = 125;           // 32..255; a tick lasts 2.5 / tempo seconds
  int globalVolume = 128;    // 0..128
  int mixVolume = 48;        // 0..128
  int rowHighlightMinor = 4; // editor hints: rows per beat and per bar
  int rowHighlightMajor = 16;
  std::vector<Channel> channels;        // 1..64
  std::vector<int> orders;              // pattern index for each position, 1..255 entries
  std::vector<Pattern> patterns;        // at most 200
  std::vector<Sample> samples;          // at most 99
  std::vector<Instrument> instruments;  // at most 99; empty: sample mode
};

// The module's bytes, the same for the same song. Empty when the song breaks
// one of the limits above; `error` (if given) then says which.
std::vector<std::uint8_t> encode(const Song& song, std::string* error = nullptr);

// Encodes and writes the file. False, with `error`, when the song is invalid
// or the file cannot be written.
bool save(const Song& song, const std::string& path, std::string* error = nullptr);

}  // namespace itw
