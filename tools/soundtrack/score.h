// The show's music, "ko-trampelin": A minor, speed 6, tempo 125 (a row is
// 120 ms, an order of 64 rows 7.68 s). Orders 0..18 follow the show's scenes
// and end on the farewell's last row; 19..21 are a quiet epilogue.
#pragma once
#include "tools/itwriter/it_writer.h"

namespace soundtrack {

// Channels and what they play. The kick has channel 0 to itself, so that
// channel's level moves with the beat. The echo channels repeat the lead and
// the arpeggio three rows later, quieter and on the other side; the pad plays
// on both sides, from two points of its loop; the ride opens up the drops.
enum Channel : int {
  KickCh, SnareCh, HatCh, BassCh, LeadCh, PadCh, ArpCh, FxCh, LeadEchoCh, ArpEchoCh, PadRightCh, RideCh, kChannels
};

itw::Song compose();

}  // namespace soundtrack
