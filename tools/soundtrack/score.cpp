#include "tools/soundtrack/score.h"

#include <array>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tools/soundtrack/instruments.h"

namespace soundtrack {
namespace {

using itw::kEmpty;
using itw::kNoteOff;
using Pattern = itw::Pattern;

constexpr int kRows = 64;  // four bars of sixteen rows (sixteenth notes)
constexpr int kBar = 16;

// A note by its tracker name; a misspelt name stops the composer.
int n(const std::string& name) {
  const int note = itw::note(name);
  if (note == kEmpty) throw std::invalid_argument("not a note: " + name);
  return note;
}

struct Chord {
  int root;                  // bass note
  int pad;                   // pad instrument holding the chord
  std::array<int, 4> tones;  // arpeggio notes, rising
};
using Progression = std::array<Chord, 4>;  // one chord per bar

Chord am() { return {n("A-2"), PadAm, {n("A-4"), n("C-5"), n("E-5"), n("A-5")}}; }
Chord f() { return {n("F-2"), PadF, {n("F-4"), n("A-4"), n("C-5"), n("F-5")}}; }
Chord c() { return {n("C-3"), PadC, {n("G-4"), n("C-5"), n("E-5"), n("G-5")}}; }
Chord g() { return {n("G-2"), PadG, {n("G-4"), n("B-4"), n("D-5"), n("G-5")}}; }
Chord em() { return {n("E-2"), PadEm, {n("E-4"), n("G-4"), n("B-4"), n("E-5")}}; }
Chord e() { return {n("E-2"), PadE, {n("E-4"), n("G#4"), n("B-4"), n("E-5")}}; }
Chord fmaj7() { return {n("F-2"), PadFmaj7, {n("F-4"), n("A-4"), n("C-5"), n("E-5")}}; }
Chord amWide() { return {n("A-2"), PadAmWide, {n("A-4"), n("C-5"), n("E-5"), n("A-5")}}; }

Progression home() { return {am(), f(), c(), g()}; }           // i VI III VII
Progression ring() { return {f(), g(), em(), am()}; }          // VI VII v i
Progression credits() { return {fmaj7(), g(), am(), am()}; }  // the brighter turn
Progression farewell() { return {f(), g(), e(), amWide()}; }   // ends V -> i

// Melodies, one bar of sixteen rows per string: a note, "." to hold, "===" to release.
using Phrase = std::array<const char*, 4>;  // nullptr: a bar of rest
const Phrase kCall{  // the hook, over Am F C G
    "E-6 . . C-6 . . A-5 . B-5 . C-6 . B-5 . A-5 .",
    "C-6 . . A-5 . . F-5 . G-5 . A-5 . G-5 . F-5 .",
    "E-6 . . C-6 . . G-5 . A-5 . C-6 . D-6 . . .",
    "D-6 . . . . . C-6 . B-5 . . . G-5 . . ===",
};
const Phrase kAnswer{  // starts as the call, climbs and comes home to A
    kCall[0],
    kCall[1],
    "E-6 . . G-6 . . E-6 . D-6 . C-6 . D-6 . E-6 .",
    "D-6 . . C-6 . . B-5 . G-5 . B-5 . A-5 . . ===",
};
const Phrase kClimax{kCall[0], kCall[1], kAnswer[2], kAnswer[3]};
const Phrase kCounter{  // over F G Em Am
    "A-5 . . C-6 . . F-6 . E-6 . . . C-6 . . .",
    "B-5 . . D-6 . . G-6 . F-6 . . . D-6 . . .",
    "E-6 . . . G-6 . . . B-6 . . . G-6 . E-6 .",
    "A-6 . . . . . . . E-6 . C-6 . A-5 . . ===",
};
const Phrase kFarewell{  // over F G E Am
    kCall[1],
    "D-6 . . . . . C-6 . B-5 . . . G-5 . . .",
    "B-5 . . . G#5 . . . E-5 . . . G#5 . B-5 .",
    "A-5 . . . . . . . . . . . . . . ===",
};

// Arpeggio orders over the chord's tones: 0..3 rising, 4 and 5 are 0 and 1 an
// octave up, "." rests.
const char* const kUp = "0123012301230123";
const char* const kUpDown = "0123210123210123";
const char* const kWide = "0123454321234543";
const char* const kDown = "3210321032103210";
const char* const kEighths = "0.1.2.3.2.1.0.1.";

int ramp(int row, int from, int to, int v0, int v1) {
  return to == from ? v1 : v0 + (v1 - v0) * (row - from) / (to - from);
}

void put(Pattern& p, int row, int ch, int note, int ins, int vol = kEmpty) {
  itw::Cell& cell = p.at(row, ch);
  cell.note = note;
  cell.instrument = ins;
  cell.volume = vol;
}

// ---- drums ----

void kickFloor(Pattern& p, int vol, int from = 0, int to = kRows) {
  for (int r = from; r < to; r += 4) put(p, r, KickCh, n("C-5"), Kick, r % kBar == 0 ? vol : vol - 6);
}

void kickOneThree(Pattern& p, int vol) {
  for (int r = 0; r < kRows; r += 8) put(p, r, KickCh, n("C-5"), Kick, r % kBar == 0 ? vol : vol - 8);
}

void kickHalfTime(Pattern& p, int vol) {
  for (int bar = 0; bar < kRows; bar += kBar) {
    put(p, bar, KickCh, n("C-5"), Kick, vol);
    put(p, bar + 10, KickCh, n("C-5"), Kick, vol - 12);
  }
}

void kickBroken(Pattern& p, int vol) {
  for (int bar = 0; bar < kRows; bar += kBar) {
    put(p, bar, KickCh, n("C-5"), Kick, vol);
    put(p, bar + 6, KickCh, n("C-5"), Kick, vol - 10);
    put(p, bar + 10, KickCh, n("C-5"), Kick, vol - 4);
    if (bar == 48) put(p, bar + 14, KickCh, n("C-5"), Kick, vol - 10);
  }
}

void backbeat(Pattern& p, int ins, int vol, int from = 0, int to = kRows) {
  for (int r = from; r < to; ++r)
    if (r % 8 == 4) put(p, r, SnareCh, n("C-5"), ins, vol);
}

void snareFill(Pattern& p, int from, int to, int v0, int v1) {
  for (int r = from; r < to; ++r) put(p, r, SnareCh, n("C-5"), Snare, ramp(r, from, to - 1, v0, v1));
}

// Two hits a row, by retrigger.
void snareRoll(Pattern& p, int from, int to, int v0, int v1) {
  for (int r = from; r < to; ++r) {
    put(p, r, SnareCh, n("C-5"), Snare, ramp(r, from, to - 1, v0, v1));
    p.at(r, SnareCh).effect = 'Q';
    p.at(r, SnareCh).param = 0x03;
  }
}

// Eight rows: high, middle and low toms, then two snares.
void tomFill(Pattern& p, int from) {
  const char* notes[] = {"G-5", "G-5", "D-5", "D-5", "A-4", "A-4"};
  for (int i = 0; i < 6; ++i) put(p, from + i, SnareCh, n(notes[i]), Tom, i % 2 ? 44 : 52);
  put(p, from + 6, SnareCh, n("C-5"), Snare, 52);
  put(p, from + 7, SnareCh, n("C-5"), Snare, 60);
}

enum class Hats { Eighths, EighthsOpen, Sixteenths, SixteenthsOpen };

void hats(Pattern& p, Hats style, int vol, int from = 0, int to = kRows) {
  const bool sixteenths = style == Hats::Sixteenths || style == Hats::SixteenthsOpen;
  const bool open = style == Hats::EighthsOpen || style == Hats::SixteenthsOpen;
  for (int r = from; r < to; ++r) {
    const int beat = r % 4;
    if (beat == 2) put(p, r, HatCh, n("C-5"), open ? HatOpen : HatClosed, vol);
    else if (beat == 0) put(p, r, HatCh, n("C-5"), HatClosed, vol - 8);
    else if (sixteenths && !(open && beat == 3)) put(p, r, HatCh, n("C-5"), HatClosed, vol - 16);
  }
}

// ---- bass ----

enum class BassLine { Offbeat, Rolling, Long, Groove };

// Off-beat styles leave the kick's rows empty (note off), which gives the
// bass its pumping, side-chained feel.
void bass(Pattern& p, const Progression& prog, BassLine style, int vol, int fromBar = 0, int toBar = 4) {
  for (int b = fromBar; b < toBar; ++b) {
    const int r0 = b * kBar, root = prog[b].root;
    auto hit = [&](int r, int note) { put(p, r0 + r, BassCh, note, Ins::Bass, vol); };
    auto off = [&](int r) { p.at(r0 + r, BassCh).note = kNoteOff; };
    switch (style) {
      case BassLine::Offbeat:
        for (int r = 0; r < kBar; r += 4) off(r);
        hit(2, root); hit(6, root); hit(10, root + 12); hit(14, root);
        break;
      case BassLine::Rolling:
        for (int r = 0; r < kBar; r += 4) {
          off(r);
          hit(r + 2, root);
          hit(r + 3, root + 12);
        }
        break;
      case BassLine::Long:
        hit(0, root);
        break;
      case BassLine::Groove:
        hit(0, root); off(2); hit(3, root); off(5); hit(6, root + 12); off(7);
        hit(10, root); hit(11, root + 7); off(12); hit(14, root + 12); off(15);
        break;
    }
  }
}

// ---- pad ----

void pad(Pattern& p, const Progression& prog, int vol, int fromBar = 0, int toBar = 4) {
  for (int b = fromBar; b < toBar; ++b) put(p, b * kBar, PadCh, n("C-5"), prog[b].pad, vol);
}

// Volume column every other row, from v0 to v1.
void padSwell(Pattern& p, int from, int to, int v0, int v1) {
  for (int r = from; r <= to; r += 2) p.at(r, PadCh).volume = ramp(r, from, to, v0, v1);
}

// Ducks under every kick and comes back within the beat.
void padPump(Pattern& p, int vol, int from = 0, int to = kRows) {
  const int shape[4] = {40, 65, 85, 100};
  for (int r = from; r < to; ++r) p.at(r, PadCh).volume = vol * shape[r % 4] / 100;
}

// ---- arpeggio ----

void arp(Pattern& p, const Progression& prog, const char* order, int octave, int v0, int v1, int from = 0,
         int to = kRows) {
  for (int r = from; r < to; ++r) {
    const char step = order[r % kBar];
    if (step == '.') continue;
    const std::array<int, 4>& t = prog[r / kBar].tones;
    const int i = step - '0';
    const int note = (i < 4 ? t[i] : t[i - 4] + 12) + 12 * octave;
    const int accent = r % 4 == 0 ? 0 : 6;
    put(p, r, ArpCh, note, Arp, ramp(r, from, to - 1, v0, v1) - accent);
  }
}

// ---- melody ----

void melody(Pattern& p, int ins, const Phrase& phrase, int transpose, int vol) {
  for (int b = 0; b < 4; ++b) {
    if (!phrase[b]) continue;
    std::istringstream tokens(phrase[b]);
    std::string token;
    int r = b * kBar;
    for (; tokens >> token; ++r) {
      if (r == (b + 1) * kBar) throw std::invalid_argument(std::string("bar longer than 16 rows: ") + phrase[b]);
      if (token == "===") p.at(r, LeadCh).note = kNoteOff;
      else if (token != ".") put(p, r, LeadCh, n(token) + transpose, ins, vol);
    }
    if (r != (b + 1) * kBar) throw std::invalid_argument(std::string("bar shorter than 16 rows: ") + phrase[b]);
  }
}

// ---- effects ----

void crash(Pattern& p, int row, int vol) { put(p, row, FxCh, n("C-5"), Crash, vol); }

// The riser spans 16 rows; the 8-row one starts halfway in.
void riser(Pattern& p, int row, int vol) {
  put(p, row, FxCh, n("C-5"), Riser, vol);
  if (kRows - row <= 8) {
    p.at(row, FxCh).effect = 'O';
    p.at(row, FxCh).param = kRiserFrames / 2 / 256;
  }
}

void downer(Pattern& p, int row, int vol) { put(p, row, FxCh, n("C-5"), Downer, vol); }

// Volume column of a channel sliding from v0 to v1, one step a row.
void fade(Pattern& p, int ch, int from, int to, int v0, int v1) {
  for (int r = from; r <= to; ++r) p.at(r, ch).volume = ramp(r, from, to, v0, v1);
}

// ---- the orders ----

// Global volume of each order: the arc from the quiet opening to the climax
// and down again.
const std::uint8_t kLevel[22] = {128, 128, 128, 96, 96, 104, 108, 114, 114, 110, 112, 128,
                                 100, 100, 104, 104, 114, 114, 110, 128, 128, 128};

void arrange(int order, Pattern& p) {
  switch (order) {
    case 0:  // logo echo: the pad alone, swelling
      pad(p, home(), 6);
      padSwell(p, 0, 62, 6, 44);
      break;
    case 1:  // logo spiral: pad and a slow arpeggio; a riser into the beat
      pad(p, home(), 44);
      padSwell(p, 0, 62, 44, 50);
      arp(p, home(), kEighths, 0, 14, 34);
      riser(p, 56, 48);
      break;
    case 2:  // presents: a soft kick on one and three, hats come in
      crash(p, 0, 28);
      kickOneThree(p, 44);
      hats(p, Hats::Eighths, 26);
      pad(p, home(), 46);
      arp(p, home(), kUp, 0, 22, 30);
      snareFill(p, 56, 64, 12, 44);
      break;
    case 3:  // main title: the beat arrives
      crash(p, 0, 52);
      kickFloor(p, 64);
      backbeat(p, Snare, 50, 0, 60);
      snareFill(p, 60, 64, 36, 52);
      hats(p, Hats::EighthsOpen, 34);
      bass(p, home(), BassLine::Offbeat, 50);
      pad(p, home(), 40);
      padPump(p, 42);
      break;
    case 4:  // main title with subtitle: claps, the arpeggio returns
      kickFloor(p, 64);
      backbeat(p, Clap, 50, 0, 56);
      tomFill(p, 56);
      hats(p, Hats::EighthsOpen, 34);
      bass(p, home(), BassLine::Offbeat, 50);
      pad(p, home(), 40);
      padPump(p, 42);
      arp(p, home(), kUp, 0, 20, 26);
      break;
    case 5:  // dino rise: arpeggio an octave up, the lead teases the hook
      kickFloor(p, 64);
      backbeat(p, Snare, 50, 0, 60);
      snareFill(p, 60, 64, 30, 46);
      hats(p, Hats::Sixteenths, 32);
      bass(p, home(), BassLine::Offbeat, 52);
      pad(p, home(), 40);
      padPump(p, 42);
      arp(p, home(), kUp, 1, 24, 28);
      melody(p, Lead, {kCall[0], nullptr, kCall[2], nullptr}, 0, 40);
      break;
    case 6:  // dino rise: rolling bass, half the hook, a snare roll and a riser
      kickFloor(p, 64, 0, 60);
      backbeat(p, Snare, 50, 0, 48);
      snareFill(p, 48, 56, 20, 36);
      snareRoll(p, 56, 64, 36, 60);
      hats(p, Hats::SixteenthsOpen, 34);
      bass(p, home(), BassLine::Rolling, 52);
      pad(p, home(), 42);
      padPump(p, 44);
      arp(p, home(), kUpDown, 1, 24, 32);
      melody(p, Lead, {kCall[0], kCall[1], nullptr, nullptr}, 0, 44);
      riser(p, 48, 52);
      break;
    case 7:  // dino dance: everything, the hook
    case 8:  // and its answer
      if (order == 7) crash(p, 0, 56);
      kickFloor(p, 64);
      backbeat(p, Snare, 52, 0, order == 8 ? 56 : 60);
      if (order == 7) snareFill(p, 60, 64, 34, 52);
      if (order == 8) tomFill(p, 56);
      hats(p, Hats::SixteenthsOpen, 36);
      bass(p, home(), BassLine::Offbeat, 54);
      pad(p, home(), 44);
      padPump(p, 44);
      arp(p, home(), kUp, 1, 18, 20);
      melody(p, Lead, order == 7 ? kCall : kAnswer, 0, 48);
      break;
    case 9:  // dino ring: a turn to F G Em Am, the counter-melody
      crash(p, 0, 48);
      kickFloor(p, 64);
      backbeat(p, Clap, 48, 0, 56);
      tomFill(p, 56);
      hats(p, Hats::SixteenthsOpen, 30);
      bass(p, ring(), BassLine::Rolling, 50);
      pad(p, ring(), 44);
      arp(p, ring(), kUpDown, 0, 20, 24);
      melody(p, Lead, kCounter, 0, 46);
      break;
    case 10:  // lattice flight: breakdown, half-time kick, the pad in front
      downer(p, 0, 48);
      kickHalfTime(p, 56);
      for (int bar = 0; bar < 48; bar += kBar) put(p, bar + 8, SnareCh, n("C-5"), Clap, 30);
      snareRoll(p, 56, 64, 20, 56);
      hats(p, Hats::Sixteenths, 12, 48, 64);
      fade(p, HatCh, 48, 63, 10, 30);
      bass(p, home(), BassLine::Long, 46);
      pad(p, home(), 52);
      arp(p, home(), kEighths, 0, 8, 30, 32, 64);
      riser(p, 48, 56);
      break;
    case 11:  // superstar: the climax, the hook an octave up
      crash(p, 0, 60);
      kickFloor(p, 64);
      backbeat(p, Snare, 54, 0, 56);
      tomFill(p, 56);
      hats(p, Hats::SixteenthsOpen, 38);
      bass(p, home(), BassLine::Rolling, 54);
      pad(p, home(), 46);
      padPump(p, 46);
      arp(p, home(), kWide, 1, 18, 22);
      melody(p, LeadHigh, kClimax, 12, 46);
      break;
    case 12:  // credits: a broken groove in the brighter progression, no lead
    case 13:
      kickBroken(p, 60);
      backbeat(p, Clap, order == 12 ? 30 : 36, 0, order == 13 ? 60 : kRows);
      if (order == 13) snareFill(p, 61, 64, 28, 44);
      hats(p, order == 12 ? Hats::Sixteenths : Hats::SixteenthsOpen, 26);
      bass(p, credits(), BassLine::Groove, 50);
      pad(p, credits(), 42);
      if (order == 13) arp(p, credits(), kEighths, 1, 14, 20);
      break;
    case 14:  // credits: four to the floor again
    case 15:
      kickFloor(p, 62);
      backbeat(p, Clap, 42, 0, order == 15 ? 56 : kRows);
      hats(p, Hats::EighthsOpen, 32);
      bass(p, credits(), BassLine::Groove, 50);
      pad(p, credits(), 42);
      padPump(p, 42);
      arp(p, credits(), kDown, 0, 18, 22);
      if (order == 15) {
        tomFill(p, 56);
        melody(p, Lead, {nullptr, nullptr, nullptr, "E-6 . . C-6 . . A-5 . B-5 . C-6 . D-6 . E-6 ."}, 0, 36);
        riser(p, 56, 44);
      }
      break;
    case 16:  // greetings: the hook returns over a rolling bass
    case 17:  // invitation: its answer, then a fill into the farewell
      if (order == 16) crash(p, 0, 56);
      kickFloor(p, 64);
      backbeat(p, Snare, 52, 0, order == 17 ? 56 : 60);
      if (order == 16) snareFill(p, 60, 64, 34, 52);
      if (order == 17) snareFill(p, 56, 64, 30, 56);
      hats(p, Hats::SixteenthsOpen, 36);
      bass(p, home(), BassLine::Rolling, 52);
      pad(p, home(), 44);
      padPump(p, 44);
      arp(p, home(), kWide, 0, 18, 20);
      melody(p, Lead, order == 16 ? kCall : kAnswer, 0, 48);
      break;
    case 18:  // farewell: F G E, home to A minor on row 48, then it fades out
      crash(p, 0, 48);
      kickFloor(p, 62, 0, 48);
      backbeat(p, Snare, 48, 0, 44);
      snareFill(p, 44, 48, 36, 52);
      hats(p, Hats::SixteenthsOpen, 32, 0, 48);
      bass(p, farewell(), BassLine::Offbeat, 52, 0, 3);
      pad(p, farewell(), 44, 0, 3);
      padPump(p, 44, 0, 48);
      arp(p, farewell(), kUp, 0, 18, 20, 0, 48);
      melody(p, Lead, kFarewell, 0, 46);
      // the landing: one last kick and crash, the chord rings and fades
      put(p, 48, KickCh, n("C-5"), Kick, 64);
      crash(p, 48, 52);
      put(p, 48, BassCh, n("A-2"), Ins::Bass, 52);
      put(p, 48, PadCh, n("C-5"), PadAmWide, 56);
      for (int i = 0; i < 4; ++i) put(p, 48 + 2 * i, ArpCh, amWide().tones[i] + 12, Arp, 30 - 4 * i);
      fade(p, BassCh, 49, 63, 48, 2);
      fade(p, PadCh, 49, 63, 54, 6);
      fade(p, LeadCh, 49, 62, 44, 4);
      p.at(63, BassCh).note = kNoteOff;
      break;
    case 19:  // epilogue: the pad alone
      put(p, 0, PadCh, n("C-5"), PadAmWide, 10);
      padSwell(p, 2, 62, 12, 20);
      break;
    case 20:  // and out
      padSwell(p, 0, 40, 18, 0);
      p.at(42, PadCh).note = kNoteOff;
      break;
    default:  // 21: silence
      break;
  }
}

}  // namespace

itw::Song compose() {
  itw::Song song;
  song.name = "ko-trampelin";
  song.speed = 6;
  song.tempo = 125;
  song.mixVolume = 92;
  song.channels = {{32, 64}, {30, 64}, {40, 64}, {32, 64}, {28, 64}, {32, 64}, {22, 64}, {36, 64}};
  addInstruments(song);
  for (int order = 0; order < 22; ++order) {
    Pattern& p = song.patterns.emplace_back(kRows, kChannels);
    arrange(order, p);
    p.at(0, FxCh).effect = 'V';  // the section's level
    p.at(0, FxCh).param = kLevel[order];
    song.orders.push_back(order);
  }
  return song;
}

}  // namespace soundtrack
