// The soundtrack's instruments, synthesised in code: one sample each.
#pragma once
#include <vector>

#include "tools/itwriter/it_writer.h"

namespace soundtrack {

// Instrument numbers as the instrument column names them.
enum Ins : int {
  Kick = 1, Snare, Clap, HatClosed, HatOpen, Tom, Crash, Riser, Downer,
  Bass, BassShort, Lead, LeadHigh, Arp, Pluck,
  PadAm, PadF, PadC, PadG, PadEm, PadE, PadFmaj7, PadAmWide, Ride,
};

// Frames of the riser sample: it spans 16 rows at speed 6, tempo 125.
constexpr int kRiserFrames = 16 * 5292;

// The notes of a pad's chord as it sounds on C-5, lowest first; empty for an
// instrument that is not a pad.
std::vector<int> padChord(int instrument);

// Appends the samples and instruments in the order of Ins.
void addInstruments(itw::Song& song);

}  // namespace soundtrack
