// The soundtrack's score: every order's notes, channel by channel.
#include "tools/soundtrack/score.h"

#include <array>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tools/soundtrack/instruments.h"

namespace soundtrack {
namespace {

using itw::kEmpty;
using itw::kNoteCut;
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
  int padNote = n("C-5");    // the pad's note: C-5 plays the chord as made
};
using Progression = std::array<Chord, 4>;  // one chord per bar

Chord am() { return {n("A-2"), PadAm, {n("A-4"), n("C-5"), n("E-5"), n("A-5")}}; }
Chord f() { return {n("F-2"), PadF, {n("F-4"), n("A-4"), n("C-5"), n("F-5")}}; }
Chord c() { return {n("C-3"), PadC, {n("G-4"), n("C-5"), n("E-5"), n("G-5")}}; }
Chord g() { return {n("G-2"), PadG, {n("G-4"), n("B-4"), n("D-5"), n("G-5")}}; }
Chord dm() { return {n("D-3"), PadAm, {n("F-4"), n("A-4"), n("D-5"), n("F-5")}, n("F-5")}; }  // the Am pad a fourth up
Chord em() { return {n("E-2"), PadEm, {n("E-4"), n("G-4"), n("B-4"), n("E-5")}}; }
Chord e() { return {n("E-2"), PadE, {n("E-4"), n("G#4"), n("B-4"), n("E-5")}}; }
Chord fmaj7() { return {n("F-2"), PadFmaj7, {n("F-4"), n("A-4"), n("C-5"), n("E-5")}}; }
Chord amWide() { return {n("A-2"), PadAmWide, {n("A-4"), n("C-5"), n("E-5"), n("A-5")}}; }

Progression home() { return {am(), f(), c(), g()}; }           // i VI III VII
Progression drift() { return {am(), em(), f(), g()}; }         // i v VI VII
Progression turn() { return {dm(), f(), c(), g()}; }           // iv VI III VII
Progression climb() { return {am(), dm(), c(), e()}; }         // i iv III V
Progression build() { return {am(), f(), g(), e()}; }          // ends on the dominant
Progression answer() { return {am(), f(), dm(), e()}; }        // i VI iv V
Progression ring() { return {f(), g(), em(), am()}; }          // VI VII v i
Progression breakdown() { return {fmaj7(), em(), dm(), e()}; }  // falling to the dominant
Progression credits() { return {fmaj7(), g(), am(), am()}; }   // the brighter turn
Progression creditsTurn() { return {fmaj7(), g(), am(), e()}; }
Progression farewell() { return {f(), g(), e(), amWide()}; }   // ends V -> i

// A progression a whole tone up (B minor), for the hook's return.
Progression lifted(Progression prog) {
  for (Chord& chord : prog) {
    chord.root += 2;
    chord.padNote += 2;
    for (int& tone : chord.tones) tone += 2;
  }
  return prog;
}

// The return's second half ends on a chord of both keys (Em: iv of B minor,
// v of A minor), the way home to the farewell.
Progression pivot() { return lifted({am(), f(), c(), dm()}); }

// Melodies, one bar of sixteen rows per string: a note, "." to hold, "===" to release.
using Phrase = std::array<const char*, 4>;  // nullptr: a bar of rest (the last note released)
const Phrase kCall{  // the hook, over Am F C G
    "E-6 . . C-6 . . A-5 . B-5 . C-6 . B-5 . A-5 .",
    "C-6 . . A-5 . . F-5 . G-5 . A-5 . G-5 . F-5 .",
    "E-6 . . C-6 . . G-5 . A-5 . C-6 . D-6 . . .",
    "D-6 . . . . . C-6 . B-5 . . . G-5 . . ===",
};
const Phrase kAnswer{  // starts as the call, over Am F Dm E: climbs, and stops on the dominant
    kCall[0],
    kCall[1],
    "F-6 . . A-6 . . F-6 . E-6 . D-6 . E-6 . F-6 .",
    "E-6 . . B-5 . . G#5 . A-5 . B-5 . . . . ===",
};
const Phrase kCallHigh{  // the hook's return: higher, in wider steps
    "A-6 . . E-6 . . C-6 . . . E-6 . D-6 . C-6 .",
    "F-6 . . C-6 . . A-5 . . . C-6 . D-6 . C-6 .",
    "G-6 . . E-6 . . C-6 . . . D-6 . E-6 . G-6 .",
    "B-6 . . . A-6 . G-6 . . . D-6 . . . . ===",
};
const Phrase kAnswerHigh{  // and its answer, climbing to the top, then down over the pivot (Dm as written)
    kCallHigh[0],
    kCallHigh[1],
    "E-6 . . G-6 . . C-7 . . . B-6 . G-6 . E-6 .",
    "A-6 . . F-6 . . D-6 . . . C-6 . D-6 . . ===",
};
const Phrase kClimax{  // the hook turned over: its falling thirds rise, bar by bar higher
    "A-5 . . C-6 . . E-6 . A-6 . G-6 . E-6 . C-6 .",
    "F-5 . . A-5 . . C-6 . F-6 . D-6 . C-6 . A-5 .",
    "G-5 . . C-6 . . E-6 . G-6 . A-6 . G-6 . E-6 .",
    "G-5 . . B-5 . . D-6 . G-6 . . . F-6 . D-6 ===",
};
const Phrase kCounter{  // over F G Em Am
    "A-5 . . C-6 . . F-6 . G-6 . . . C-6 . . .",
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

const Phrase kCredits{  // the credits' own tune, over Fmaj7 G Am Am
    "A-5 . C-6 . E-6 . . . . . D-6 . C-6 . . .",
    "B-5 . D-6 . G-6 . . . . . F-6 . D-6 . . .",
    "E-6 . . . C-6 . . . A-5 . . . B-5 . C-6 .",
    "A-5 . . . . . . . . . . . . . . ===",
};
const Phrase kCreditsAnswer{
    kCredits[0],
    "B-5 . D-6 . G-6 . . . A-6 . G-6 . F-6 . D-6 .",
    "E-6 . . . . . C-6 . D-6 . E-6 . G-6 . E-6 .",
    "A-6 . . . . . . . E-6 . . . C-6 . . ===",
};
const Phrase kCreditsHigh{  // long notes over the same chords
    "E-6 . . . . . . . F-6 . . . E-6 . . .",
    "D-6 . . . . . . . G-6 . . . F-6 . . .",
    "E-6 . . . . . C-6 . . . D-6 . . . C-6 .",
    "A-5 . . . . . . . . . . . . . . ===",
};
const Phrase kLowLine{  // a slow line under the answer, over Am F C Dm
    "E-5 . . . . . . . D-5 . . . C-5 . . .",
    "C-5 . . . . . . . A-4 . . . . . . .",
    "G-4 . . . . . . . C-5 . . . E-5 . . .",
    "D-5 . . . . . . . . . . . A-4 . . ===",
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

// The beat: a kick on every beat, and snare or clap on two and four up to
// row `to`, where a fill takes over.
void fourOnTheFloor(Pattern& p, int kickVol, int snare, int snareVol, int to = kRows) {
  kickFloor(p, kickVol);
  backbeat(p, snare, snareVol, 0, to);
}

// Quiet snares on the last sixteenth of beats two and four.
void ghostSnares(Pattern& p, int vol, int from = 0, int to = kRows) {
  for (int r = from; r < to; ++r)
    if (r % 8 == 7) put(p, r, SnareCh, n("C-5"), Snare, vol);
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
  put(p, from + 6, SnareCh, n("C-5"), Snare, 46);
  put(p, from + 7, SnareCh, n("C-5"), Snare, 50);
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

// A ride every `step` rows from row `first`, the beat's accents louder.
void ride(Pattern& p, int first, int step, int vol) {
  for (int r = first; r < kRows; r += step) put(p, r, RideCh, n("C-5"), Ride, r % 4 == 0 ? vol : vol - 8);
}

// ---- bass ----

// One bar of bass, a character a row: r root, o octave up, f fifth up, held
// until the next note (or released before the next kick); upper case plays
// the short note that ends within its row. "." leaves the row alone.
const char* const kOffbeat = "..r...r...o...r.";
const char* const kRolling = "..rO..rO..oR..rO";
const char* const kPush = "..rO..rF..oR..rF";
const char* const kGrooveBroken = "..rO...ro...rF.O";
const char* const kGrooveBrokenToo = ".r.o.r.Or..r.f.O";
const char* const kGrooveFloor = ".r.O..r..rO...rO";
const char* const kBreakdown = "..r.........o...";

void bass(Pattern& p, const Progression& prog, const char* line, int vol, int fromBar = 0, int toBar = 4) {
  for (int b = fromBar; b < toBar; ++b)
    for (int r = 0; r < kBar; ++r) {
      const char c = line[r];
      if (c == '.') continue;
      const char lower = static_cast<char>(c | 0x20);
      const int step = lower == 'o' ? 12 : lower == 'f' ? 7 : 0;
      put(p, b * kBar + r, BassCh, prog[b].root + step, c == lower ? Ins::Bass : BassShort, vol);
    }
}

// ---- pad ----

void pad(Pattern& p, const Progression& prog, int vol, int fromBar = 0, int toBar = 4) {
  for (int b = fromBar; b < toBar; ++b) put(p, b * kBar, PadCh, prog[b].padNote, prog[b].pad, vol);
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

// Under the beat: the bass line, and the chords on the pad ducking under
// every kick.
void backing(Pattern& p, const Progression& prog, const char* bassLine, int bassVol, int padVol) {
  bass(p, prog, bassLine, bassVol);
  pad(p, prog, padVol);
  padPump(p, padVol);
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

// Bars [fromBar, toBar) of a phrase.
void melody(Pattern& p, int ch, int ins, const Phrase& phrase, int transpose, int vol, int fromBar = 0, int toBar = 4) {
  for (int b = fromBar; b < toBar; ++b) {
    if (!phrase[b]) {
      p.at(b * kBar, ch).note = kNoteOff;
      continue;
    }
    std::istringstream tokens(phrase[b]);
    std::string token;
    int r = b * kBar;
    for (; tokens >> token; ++r) {
      if (r == (b + 1) * kBar) throw std::invalid_argument(std::string("bar longer than 16 rows: ") + phrase[b]);
      if (token == "===") p.at(r, ch).note = kNoteOff;
      else if (token != ".") put(p, r, ch, n(token) + transpose, ins, vol);
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

// The bar before a drop: kick and bass drop out from `row` on, so that the
// low end comes back with the drop's first beat.
void dropOut(Pattern& p, int row) {
  for (int r = row; r < kRows; ++r) p.at(r, KickCh) = p.at(r, BassCh) = itw::Cell{};
  p.at(row, BassCh).note = kNoteOff;
}

// ---- the orders ----

// Global volume of each order: the arc from the quiet opening to the climax,
// down for the breakdown before it and for the credits, up again for the
// return. It leaves channel levels (and so the pictures) alone.
const std::uint8_t kLevel[22] = {128, 128, 112, 116, 116, 112, 112, 108, 108, 108, 90, 128,
                                 92, 92, 92, 92, 108, 106, 112, 128, 128, 128};

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
    case 2:  // presents: a soft kick on one and three, hats come in, the chords drift
      crash(p, 0, 28);
      kickOneThree(p, 44);
      hats(p, Hats::Eighths, 26);
      pad(p, drift(), 46);
      arp(p, drift(), kUp, 0, 22, 30);
      snareFill(p, 56, 64, 12, 44);
      riser(p, 56, 40);
      break;
    case 3:  // main title: the beat arrives
      crash(p, 0, 60);
      fourOnTheFloor(p, 64, Snare, 50, 60);
      snareFill(p, 60, 64, 36, 52);
      hats(p, Hats::EighthsOpen, 34);
      backing(p, home(), kOffbeat, 52, 40);
      break;
    case 4:  // main title with subtitle: a turn to D minor, claps, the arpeggio returns
      fourOnTheFloor(p, 64, Clap, 50, 56);
      tomFill(p, 56);
      hats(p, Hats::EighthsOpen, 38);
      backing(p, turn(), kOffbeat, 52, 40);
      arp(p, turn(), kUp, 0, 20, 26);
      break;
    case 5:  // dino rise: climbing to the dominant, arpeggio an octave up, the lead teases the hook
      fourOnTheFloor(p, 64, Snare, 50, 60);
      snareFill(p, 60, 64, 30, 46);
      hats(p, Hats::SixteenthsOpen, 40);
      backing(p, climb(), kOffbeat, 52, 40);
      arp(p, climb(), kUp, 1, 24, 28);
      ride(p, 2, 4, 30);
      melody(p, LeadCh, Lead, {kCall[0], nullptr, kCall[2], nullptr}, 0, 40);
      break;
    case 6:  // dino rise: up to the dominant, half the hook; the last bar holds its breath
      fourOnTheFloor(p, 64, Snare, 50, 48);
      snareFill(p, 48, 56, 20, 36);
      snareRoll(p, 56, 64, 28, 48);
      hats(p, Hats::SixteenthsOpen, 38);
      backing(p, build(), kRolling, 52, 42);
      arp(p, build(), kUpDown, 1, 24, 32);
      ride(p, 2, 4, 36);
      melody(p, LeadCh, Lead, {kCall[0], kCall[1], nullptr, nullptr}, 0, 44);
      riser(p, 48, 52);
      dropOut(p, 56);
      break;
    case 7:  // dino dance, the drop: everything, the hook over an off-beat bass
      crash(p, 0, 56);
      fourOnTheFloor(p, 64, Snare, 52, 60);
      snareFill(p, 60, 64, 34, 52);
      hats(p, Hats::SixteenthsOpen, 36);
      backing(p, home(), kOffbeat, 54, 42);
      arp(p, home(), kUp, 1, 18, 20);
      ride(p, 4, 4, 48);
      melody(p, LeadCh, Lead, kCall, 0, 48);
      break;
    case 8:  // and its answer, turning to the dominant: claps with ghost snares, rolling bass, the arpeggio falling
      fourOnTheFloor(p, 64, Clap, 50, 56);
      ghostSnares(p, 22, 0, 56);
      tomFill(p, 56);
      hats(p, Hats::EighthsOpen, 38);
      backing(p, answer(), kRolling, 54, 42);
      arp(p, answer(), kDown, 1, 22, 24);
      ride(p, 2, 4, 58);
      melody(p, LeadCh, Lead, kAnswer, 0, 48);
      break;
    case 9:  // dino ring: a turn to F G Em Am, the counter-melody
      crash(p, 0, 48);
      fourOnTheFloor(p, 64, Clap, 48, 56);
      tomFill(p, 56);
      hats(p, Hats::SixteenthsOpen, 38);
      bass(p, ring(), kRolling, 50);
      pad(p, ring(), 42);
      arp(p, ring(), kUpDown, 0, 20, 24);
      melody(p, LeadCh, Lead, kCounter, 0, 46);
      break;
    case 10:  // lattice flight: breakdown down to the dominant, half-time kick, the pad in front
      downer(p, 0, 48);
      kickHalfTime(p, 56);
      for (int bar = 0; bar < 48; bar += kBar) put(p, bar + 8, SnareCh, n("C-5"), Clap, 30);
      snareRoll(p, 56, 64, 20, 52);
      hats(p, Hats::Sixteenths, 12, 48, 64);
      fade(p, HatCh, 48, 63, 10, 30);
      bass(p, breakdown(), kBreakdown, 36);
      pad(p, breakdown(), 52);
      arp(p, breakdown(), kEighths, 0, 8, 30, 32, 64);
      riser(p, 48, 60);
      dropOut(p, 56);
      break;
    case 11:  // superstar: the climax, the hook turned over an octave up
      crash(p, 0, 64);
      fourOnTheFloor(p, 64, Snare, 54, 56);
      tomFill(p, 56);
      hats(p, Hats::SixteenthsOpen, 38);
      backing(p, home(), kPush, 56, 38);
      arp(p, home(), kWide, 1, 18, 22);
      ride(p, 2, 2, 40);
      melody(p, LeadCh, LeadHigh, kClimax, 12, 46);
      break;
    case 12:  // credits: a broken groove in the brighter progression, a tune of their own
      kickBroken(p, 60);
      backbeat(p, Clap, 44);
      hats(p, Hats::SixteenthsOpen, 40);
      bass(p, credits(), kGrooveBroken, 50);
      pad(p, credits(), 40);
      melody(p, LeadCh, Pluck, kCredits, 0, 44);
      break;
    case 13:  // its answer: snare and ghost notes, open hats, a busier bass, an arpeggio
      kickBroken(p, 60);
      backbeat(p, Snare, 52, 0, 60);
      ghostSnares(p, 22, 0, 60);
      snareFill(p, 61, 64, 28, 44);
      hats(p, Hats::SixteenthsOpen, 40);
      bass(p, credits(), kGrooveBrokenToo, 40);
      pad(p, credits(), 34);
      arp(p, credits(), kEighths, 1, 14, 20);
      melody(p, LeadCh, Pluck, kCreditsAnswer, 0, 40);
      break;
    case 14:  // credits: four to the floor again, the tune in long notes
      fourOnTheFloor(p, 62, Clap, 46);
      hats(p, Hats::EighthsOpen, 42);
      backing(p, credits(), kGrooveFloor, 50, 40);
      arp(p, credits(), kDown, 0, 18, 22);
      melody(p, LeadCh, Pluck, kCreditsHigh, 0, 44);
      break;
    case 15:  // the tune once more, up to the dominant; the lead's teaser in the new key, a held breath
      fourOnTheFloor(p, 62, Snare, 46, 56);
      snareRoll(p, 56, 64, 24, 50);
      hats(p, Hats::SixteenthsOpen, 40);
      backing(p, creditsTurn(), kPush, 50, 40);
      arp(p, creditsTurn(), kUpDown, 1, 16, 20);
      ride(p, 2, 4, 30);
      melody(p, LeadCh, Pluck, kCredits, 0, 44, 0, 3);
      melody(p, LeadCh, Lead, {nullptr, nullptr, nullptr, "F#6 . . D-6 . . B-5 . C#6 . D-6 . E-6 . F#6 ."}, 0, 40, 3, 4);
      riser(p, 48, 56);
      dropOut(p, 56);
      break;
    case 16:  // greetings: the hook returns a whole tone up, over a pushing bass and busy hats
      crash(p, 0, 60);
      fourOnTheFloor(p, 64, Clap, 52, 60);
      ghostSnares(p, 24, 0, 60);
      snareFill(p, 60, 64, 34, 52);
      hats(p, Hats::EighthsOpen, 34);
      backing(p, lifted(home()), kPush, 54, 42);
      arp(p, lifted(home()), kWide, 1, 18, 22);
      ride(p, 2, 4, 58);
      melody(p, LeadCh, Lead, kCallHigh, 2, 46);
      break;
    case 17:  // invitation: the answer in the new key, over an off-beat bass and a slow low line, then a fill; Em leads home
      fourOnTheFloor(p, 64, Snare, 52, 56);
      snareFill(p, 56, 64, 30, 56);
      hats(p, Hats::Sixteenths, 34);
      backing(p, pivot(), kOffbeat, 54, 36);
      melody(p, ArpCh, Pluck, kLowLine, 2, 34);
      ride(p, 0, 2, 50);
      melody(p, LeadCh, Lead, kAnswerHigh, 2, 46);
      break;
    case 18:  // farewell: F G E, home to A minor on row 48, then it fades out
      crash(p, 0, 48);
      kickFloor(p, 62, 0, 48);
      backbeat(p, Snare, 48, 0, 44);
      snareFill(p, 44, 48, 36, 52);
      hats(p, Hats::SixteenthsOpen, 32, 0, 48);
      bass(p, farewell(), kOffbeat, 52, 0, 3);
      pad(p, farewell(), 42, 0, 3);
      padPump(p, 42, 0, 48);
      arp(p, farewell(), kUp, 0, 18, 20, 0, 48);
      melody(p, LeadCh, Lead, kFarewell, 0, 46);
      // the landing: one last kick and crash, the chord rings and fades
      put(p, 48, KickCh, n("C-5"), Kick, 64);
      crash(p, 48, 52);
      put(p, 50, BassCh, n("A-2"), Ins::Bass, 52);
      put(p, 48, PadCh, n("C-5"), PadAmWide, 56);
      for (int i = 0; i < 4; ++i) put(p, 48 + 2 * i, ArpCh, amWide().tones[i] + 12, Arp, 30 - 4 * i);
      fade(p, BassCh, 51, 63, 48, 2);
      fade(p, PadCh, 49, 63, 54, 6);
      fade(p, LeadCh, 49, 62, 44, 4);
      p.at(56, KickCh).note = kNoteCut;  // the beat is over: channel 0 falls silent
      p.at(63, BassCh).note = kNoteOff;
      break;
    case 19:  // epilogue: the pad alone
      put(p, 0, PadCh, n("C-5"), PadAmWide, 10);
      padSwell(p, 2, 62, 12, 20);
      break;
    case 20:  // and out: struck once more, so that it sounds from here too
      put(p, 0, PadCh, n("C-5"), PadAmWide, 18);
      padSwell(p, 2, 40, 18, 0);
      p.at(42, PadCh).note = kNoteOff;
      break;
    default:  // 21: silence
      break;
  }
}

bool isNote(const itw::Cell& c) { return c.note >= 0 && c.note < 120; }

// The cell `rows` rows after (order, row), or null past the song's end.
itw::Cell* cellAfter(std::vector<Pattern>& song, int order, int row, int rows, int ch) {
  const int at = order * kRows + row + rows;
  if (at < 0 || at >= static_cast<int>(song.size()) * kRows) return nullptr;
  return &song[at / kRows].at(at % kRows, ch);
}

// Clears the bass out of the kick's way: a held bass note is let go on the
// row before a kick, three ticks in, so that it has faded when the kick hits;
// a held note that starts on that row is played short instead.
void duckBass(std::vector<Pattern>& song) {
  bool held = false;
  for (int order = 0; order < static_cast<int>(song.size()); ++order)
    for (int row = 0; row < kRows; ++row) {
      itw::Cell& b = song[order].at(row, BassCh);
      if (isNote(song[order].at(row, KickCh)) && held) {
        if (isNote(b)) throw std::logic_error("bass note on a kick row");
        itw::Cell& before = *cellAfter(song, order, row, -1, BassCh);
        if (isNote(before)) {
          before.instrument = BassShort;
        } else {
          before.note = kNoteOff;
          before.effect = 'S';
          before.param = 0xD3;  // note delay: three ticks into the row
        }
        held = false;
      }
      if (b.note != kEmpty) held = isNote(b) && b.instrument == Ins::Bass;
    }
}

// Copies a channel onto another `rows` later, at `percent` of its volume.
void echo(std::vector<Pattern>& song, int from, int to, int rows, int percent) {
  for (int order = 0; order < static_cast<int>(song.size()); ++order)
    for (int row = 0; row < kRows; ++row) {
      const itw::Cell& c = song[order].at(row, from);
      itw::Cell* e = cellAfter(song, order, row, rows, to);
      if (!e || (c.note == kEmpty && c.volume == kEmpty)) continue;
      e->note = c.note;
      e->instrument = c.instrument;
      const int volume = c.volume != kEmpty ? c.volume : isNote(c) ? 64 : kEmpty;
      e->volume = volume == kEmpty ? kEmpty : volume * percent / 100;
    }
}

// Lets an echo note go where it would sound a semitone against the lead.
void clearEchoClashes(std::vector<Pattern>& song) {
  int lead = -1, echo = -1;
  for (Pattern& p : song)
    for (int row = 0; row < kRows; ++row) {
      const itw::Cell& l = p.at(row, LeadCh);
      itw::Cell& e = p.at(row, LeadEchoCh);
      if (l.note != kEmpty) lead = isNote(l) ? l.note : -1;
      if (e.note != kEmpty) echo = isNote(e) ? e.note : -1;
      const int interval = (lead - echo + 120) % 12;
      if (lead >= 0 && echo >= 0 && (interval == 1 || interval == 11)) {
        e = itw::Cell{};
        e.note = kNoteOff;
        echo = -1;
      }
    }
}

// The pad again on the right, from 0.37 s further into its loop: the same
// chord, but its detuned voices beat differently on each side.
void widenPad(std::vector<Pattern>& song) {
  for (Pattern& p : song)
    for (int row = 0; row < kRows; ++row) {
      itw::Cell& right = p.at(row, PadRightCh);
      right = p.at(row, PadCh);
      if (isNote(right)) {
        right.effect = 'O';
        right.param = 0x20;  // 0x20 * 256 frames
      }
    }
}

}  // namespace

itw::Song compose() {
  itw::Song song;
  song.name = "ko-trampelin";
  song.speed = 6;
  song.tempo = 125;
  song.mixVolume = 128;
  // Pans, 0 left to 64 right: drums and bass in the middle, the hats right,
  // the lead a little left and its echo right, the arpeggio left and its echo
  // right, the pad's two sides, the ride a little right.
  song.channels = {{32, 64}, {32, 64}, {44, 64}, {32, 64}, {26, 64}, {14, 64},
                   {16, 64}, {36, 64}, {46, 64}, {50, 64}, {50, 64}, {40, 64}};
  addInstruments(song);
  for (int order = 0; order < 22; ++order) {
    Pattern& p = song.patterns.emplace_back(kRows, kChannels);
    arrange(order, p);
    p.at(0, FxCh).effect = 'V';  // the section's level
    p.at(0, FxCh).param = kLevel[order];
    song.orders.push_back(order);
  }
  duckBass(song.patterns);
  echo(song.patterns, LeadCh, LeadEchoCh, 3, 40);
  clearEchoClashes(song.patterns);
  echo(song.patterns, ArpCh, ArpEchoCh, 3, 45);
  widenPad(song.patterns);
  return song;
}

}  // namespace soundtrack
