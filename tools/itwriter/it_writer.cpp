// The Impulse Tracker writer: header, orders, instruments, samples, packed patterns.
#include "tools/itwriter/it_writer.h"

#include <array>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace itw {
namespace {

constexpr std::size_t kInstrumentSize = 554;
constexpr std::size_t kSampleHeaderSize = 80;
constexpr int kFormatVersion = 0x0214;  // Impulse Tracker 2.14
constexpr int kOrderEnd = 255;

class Bytes {
 public:
  explicit Bytes(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(int v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v) { u8(v & 0xFF); u8((v >> 8) & 0xFF); }
  void u32(std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
  void text(const std::string& s, std::size_t size) {  // zero-padded
    for (std::size_t i = 0; i < size; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
  }
  void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
  std::size_t size() const { return out_.size(); }
  void patch32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

 private:
  std::vector<std::uint8_t>& out_;
};

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::string checkCell(const Cell& c, int instrumentCount) {
  if (c.note != kEmpty && c.note != kNoteOff && c.note != kNoteCut && !inRange(c.note, 0, 119))
    return "note out of range";
  if (!inRange(c.instrument, 0, instrumentCount)) return "instrument column names a missing instrument or sample";
  if (c.volume != kEmpty && !inRange(c.volume, 0, 212)) return "volume column out of range";
  if (c.effect != 0 && !inRange(c.effect, 'A', 'Z')) return "effect is not a letter A..Z";
  return {};
}

std::string check(const Song& song) {
  if (song.name.size() > 25) return "song name longer than 25 characters";
  if (!inRange(song.speed, 1, 255)) return "speed out of range";
  if (!inRange(song.tempo, 32, 255)) return "tempo out of range";
  if (!inRange(song.globalVolume, 0, 128)) return "global volume out of range";
  if (!inRange(song.mixVolume, 0, 128)) return "mix volume out of range";
  if (!inRange(song.rowHighlightMinor, 0, 255) || !inRange(song.rowHighlightMajor, 0, 255))
    return "row highlight out of range";
  if (!inRange(static_cast<int>(song.channels.size()), 1, 64)) return "need 1 to 64 channels";
  for (const Channel& c : song.channels)
    if (!inRange(c.pan, 0, 64) || !inRange(c.volume, 0, 64)) return "channel pan or volume out of range";
  if (!inRange(static_cast<int>(song.orders.size()), 1, 255)) return "need 1 to 255 orders";
  if (song.patterns.size() > 200) return "more than 200 patterns";
  for (int o : song.orders)
    if (!inRange(o, 0, static_cast<int>(song.patterns.size()) - 1)) return "order names a missing pattern";
  if (song.samples.size() > 99) return "more than 99 samples";
  if (song.instruments.size() > 99) return "more than 99 instruments";

  const int columnCount = static_cast<int>(song.instruments.empty() ? song.samples.size() : song.instruments.size());
  for (const Pattern& p : song.patterns) {
    if (!inRange(p.rows, 1, 200)) return "pattern rows out of range (1..200)";
    if (!inRange(p.channels, 1, static_cast<int>(song.channels.size())))
      return "pattern has more channels than the song";
    if (p.cells.size() != static_cast<std::size_t>(p.rows) * p.channels) return "pattern cells do not match its size";
    for (const Cell& c : p.cells)
      if (std::string e = checkCell(c, columnCount); !e.empty()) return e;
  }
  for (const Sample& s : song.samples) {
    if (s.name.size() > 25) return "sample name longer than 25 characters";
    if (!s.pcm16.empty() && !s.pcm8.empty()) return "sample has both 8- and 16-bit data";
    const std::size_t length = s.pcm16.empty() ? s.pcm8.size() : s.pcm16.size();
    if (s.loop && !(s.loopStart < s.loopEnd && s.loopEnd <= length)) return "sample loop outside the sample";
    if (!inRange(s.volume, 0, 64) || !inRange(s.globalVolume, 0, 64)) return "sample volume out of range";
    if (s.c5Speed == 0 || s.c5Speed > 9999999) return "sample c5Speed out of range";
    if (!inRange(s.vibratoSpeed, 0, 64) || !inRange(s.vibratoDepth, 0, 64) || !inRange(s.vibratoSweep, 0, 64))
      return "sample vibrato out of range";
  }
  for (const Instrument& in : song.instruments) {
    if (in.name.size() > 25) return "instrument name longer than 25 characters";
    if (!inRange(in.sample, 1, static_cast<int>(song.samples.size()))) return "instrument names a missing sample";
    if (!inRange(in.globalVolume, 0, 128)) return "instrument global volume out of range";
    if (!inRange(in.fadeout, 0, 256)) return "instrument fadeout out of range";
    const Envelope& env = in.volumeEnvelope;
    if (env.points.size() > 25) return "envelope has more than 25 points";
    for (std::size_t i = 0; i < env.points.size(); ++i) {
      const EnvelopePoint& pt = env.points[i];
      if (!inRange(pt.value, 0, 64)) return "envelope value out of range";
      if (i == 0 ? pt.tick != 0 : !inRange(pt.tick, env.points[i - 1].tick + 1, 9999))
        return "envelope ticks must start at 0 and rise";
    }
    if (env.sustainPoint != kEmpty && !inRange(env.sustainPoint, 0, static_cast<int>(env.points.size()) - 1))
      return "envelope sustain point missing";
  }
  return {};
}

// IT packing: per channel, a mask says which columns follow; a column equal to
// the channel's previous one is flagged instead of repeated, and a mask equal
// to the previous mask is not repeated either.
std::vector<std::uint8_t> packPattern(const Pattern& p) {
  struct Last {
    int mask = -1, note = -1, instrument = -1, volume = -1, effect = -1, param = -1;
  };
  std::array<Last, 64> last{};
  std::vector<std::uint8_t> data;
  Bytes out(data);
  for (int row = 0; row < p.rows; ++row) {
    for (int ch = 0; ch < p.channels; ++ch) {
      const Cell& c = p.at(row, ch);
      Last& l = last[ch];
      int mask = 0;
      if (c.note != kEmpty) mask |= c.note == l.note ? 0x10 : 0x01;
      if (c.instrument != 0) mask |= c.instrument == l.instrument ? 0x20 : 0x02;
      if (c.volume != kEmpty) mask |= c.volume == l.volume ? 0x40 : 0x04;
      const int effect = c.effect == 0 ? 0 : c.effect - 'A' + 1;
      if (effect != 0) mask |= (effect == l.effect && c.param == l.param) ? 0x80 : 0x08;
      if (mask == 0) continue;
      if (mask == l.mask) {
        out.u8(ch + 1);
      } else {
        out.u8((ch + 1) | 0x80);
        out.u8(mask);
        l.mask = mask;
      }
      if (mask & 0x01) out.u8(l.note = c.note);
      if (mask & 0x02) out.u8(l.instrument = c.instrument);
      if (mask & 0x04) out.u8(l.volume = c.volume);
      if (mask & 0x08) {
        out.u8(l.effect = effect);
        out.u8(l.param = c.param);
      }
    }
    out.u8(0);  // end of row
  }
  return data;
}

void writeEnvelope(Bytes& out, const Envelope& env) {
  const int n = static_cast<int>(env.points.size());
  const bool sustain = env.sustainPoint != kEmpty;
  out.u8((n > 0 ? 0x01 : 0) | (sustain ? 0x04 : 0));
  out.u8(n);
  out.u8(0);  // loop begin, loop end: no loop
  out.u8(0);
  out.u8(sustain ? env.sustainPoint : 0);
  out.u8(sustain ? env.sustainPoint : 0);
  for (int i = 0; i < 25; ++i) {
    out.u8(i < n ? env.points[i].value : 0);
    out.u16(i < n ? env.points[i].tick : 0);
  }
  out.u8(0);
}

void writeInstrument(Bytes& out, const Instrument& in) {
  const std::size_t start = out.size();
  out.text("IMPI", 4);
  out.zeros(12);  // DOS file name
  out.u8(0);
  out.u8(static_cast<int>(in.newNoteAction));
  out.u8(0);  // duplicate check type and action: off
  out.u8(0);
  out.u16(in.fadeout);
  out.u8(0);    // pitch-pan separation
  out.u8(60);   // pitch-pan centre: C-5
  out.u8(in.globalVolume);
  out.u8(32 | 0x80);  // default pan, not used
  out.u8(0);    // random volume and pan variation
  out.u8(0);
  out.u16(kFormatVersion);
  out.u8(1);    // number of samples
  out.u8(0);
  out.text(in.name, 26);
  out.u8(0);    // filter cutoff and resonance: off
  out.u8(0);
  out.u8(0);    // MIDI channel, program, bank
  out.u8(0);
  out.u16(0);
  for (int n = 0; n < 120; ++n) {  // every note plays itself on the instrument's sample
    out.u8(n);
    out.u8(in.sample);
  }
  writeEnvelope(out, in.volumeEnvelope);
  writeEnvelope(out, {});  // panning
  writeEnvelope(out, {});  // pitch
  out.zeros(kInstrumentSize - (out.size() - start));
}

void writeSampleHeader(Bytes& out, const Sample& s, std::uint32_t dataOffset) {
  const bool wide = !s.pcm16.empty();
  const std::size_t length = wide ? s.pcm16.size() : s.pcm8.size();
  out.text("IMPS", 4);
  out.zeros(12);  // DOS file name
  out.u8(0);
  out.u8(s.globalVolume);
  out.u8((length > 0 ? 0x01 : 0) | (wide ? 0x02 : 0) | (s.loop ? 0x10 : 0) | (s.loop && s.pingPong ? 0x40 : 0));
  out.u8(s.volume);
  out.text(s.name, 26);
  out.u8(0x01);  // signed data
  out.u8(32);    // default pan, not used
  out.u32(static_cast<std::uint32_t>(length));
  out.u32(s.loop ? s.loopStart : 0);
  out.u32(s.loop ? s.loopEnd : 0);
  out.u32(s.c5Speed);
  out.u32(0);  // sustain loop: none
  out.u32(0);
  out.u32(dataOffset);
  out.u8(s.vibratoSpeed);
  out.u8(s.vibratoDepth);
  out.u8(s.vibratoSweep);
  out.u8(0);  // sine
}

}  // namespace

int note(const std::string& name) {
  static const std::string letters = "C-C#D-D#E-F-F#G-G#A-A#B-";
  if (name.size() != 3 || name[2] < '0' || name[2] > '9') return kEmpty;
  for (int i = 0; i < 12; ++i)
    if (letters.compare(2 * i, 2, name, 0, 2) == 0) return (name[2] - '0') * 12 + i;
  return kEmpty;
}

Pattern::Pattern(int rows, int channels)
    : rows(rows), channels(channels), cells(rows > 0 && channels > 0 ? rows * channels : 0) {}

const Cell& Pattern::at(int row, int channel) const {
  if (row < 0 || row >= rows || channel < 0 || channel >= channels) throw std::out_of_range("pattern cell outside the pattern");
  return cells[static_cast<std::size_t>(row) * channels + channel];
}

Cell& Pattern::at(int row, int channel) { return const_cast<Cell&>(std::as_const(*this).at(row, channel)); }

std::vector<std::uint8_t> encode(const Song& song, std::string* error) {
  if (std::string e = check(song); !e.empty()) {
    if (error) *error = e;
    return {};
  }
  std::vector<std::vector<std::uint8_t>> packed;
  for (const Pattern& p : song.patterns) {
    packed.push_back(packPattern(p));
    if (packed.back().size() > 0xFFFF) {
      if (error) *error = "packed pattern larger than 64 KiB";
      return {};
    }
  }

  std::vector<std::uint8_t> file;
  Bytes out(file);
  const int orderCount = static_cast<int>(song.orders.size()) + 1;  // with the end marker
  out.text("IMPM", 4);
  out.text(song.name, 26);
  out.u8(song.rowHighlightMinor);
  out.u8(song.rowHighlightMajor);
  out.u16(orderCount);
  out.u16(static_cast<unsigned>(song.instruments.size()));
  out.u16(static_cast<unsigned>(song.samples.size()));
  out.u16(static_cast<unsigned>(song.patterns.size()));
  out.u16(kFormatVersion);
  out.u16(kFormatVersion);
  out.u16(0x01 | 0x08 | (song.instruments.empty() ? 0 : 0x04));  // stereo, linear slides, instruments
  out.u16(0x04);  // row highlights present
  out.u8(song.globalVolume);
  out.u8(song.mixVolume);
  out.u8(song.speed);
  out.u8(song.tempo);
  out.u8(128);  // stereo separation
  out.u8(0);    // pitch wheel depth
  out.u16(0);   // no message
  out.u32(0);
  out.u32(0);
  for (int ch = 0; ch < 64; ++ch)
    out.u8(ch < static_cast<int>(song.channels.size()) ? song.channels[ch].pan : 32 | 0x80);  // 0x80: unused
  for (int ch = 0; ch < 64; ++ch)
    out.u8(ch < static_cast<int>(song.channels.size()) ? song.channels[ch].volume : 64);

  for (int o : song.orders) out.u8(o);
  out.u8(kOrderEnd);

  const std::size_t instrumentTable = out.size();
  out.zeros(4 * song.instruments.size());
  const std::size_t sampleTable = out.size();
  out.zeros(4 * song.samples.size());
  const std::size_t patternTable = out.size();
  out.zeros(4 * song.patterns.size());

  for (std::size_t i = 0; i < song.instruments.size(); ++i) {
    out.patch32(instrumentTable + 4 * i, static_cast<std::uint32_t>(out.size()));
    writeInstrument(out, song.instruments[i]);
  }
  const std::size_t sampleHeaders = out.size();
  out.zeros(kSampleHeaderSize * song.samples.size());  // written once data offsets are known

  for (std::size_t i = 0; i < song.patterns.size(); ++i) {
    out.patch32(patternTable + 4 * i, static_cast<std::uint32_t>(out.size()));
    out.u16(static_cast<unsigned>(packed[i].size()));
    out.u16(song.patterns[i].rows);
    out.u32(0);
    file.insert(file.end(), packed[i].begin(), packed[i].end());
  }

  std::vector<std::uint8_t> headers;
  Bytes headerOut(headers);
  for (std::size_t i = 0; i < song.samples.size(); ++i) {
    const Sample& s = song.samples[i];
    out.patch32(sampleTable + 4 * i, static_cast<std::uint32_t>(sampleHeaders + kSampleHeaderSize * i));
    writeSampleHeader(headerOut, s, static_cast<std::uint32_t>(out.size()));
    for (std::int16_t v : s.pcm16) out.u16(static_cast<std::uint16_t>(v));
    for (std::int8_t v : s.pcm8) out.u8(static_cast<std::uint8_t>(v));
  }
  std::copy(headers.begin(), headers.end(), file.begin() + static_cast<std::ptrdiff_t>(sampleHeaders));
  return file;
}

bool save(const Song& song, const std::string& path, std::string* error) {
  const std::vector<std::uint8_t> bytes = encode(song, error);
  if (bytes.empty()) return false;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f.good()) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace itw
