#pragma once
#include <cstdint>

// How the player calls above get their answers (our additions; the show
// itself never calls these).
namespace music {

// Fixed-step runs: the song is rendered in lockstep with the show's clock
// instead of by the audio device. `clock` returns the show timer in ms; at
// song time t the queries answer for sample floor(t * 44100 / 1000).
void useLockstep(std::uint32_t (*clock)());

// The song starts at this order (previews, tests).
void setStartOrder(int order);

// A position set by a test: when installed, every query answers from it,
// for any song handle (null included).
struct Script {
  int order = 0;
  int row = 0;
  int channelsPlaying = 0;
  int volume[64] = {};
  bool playing[64] = {};
};
void useScript(const Script* script);  // null: back to the player

}  // namespace music
