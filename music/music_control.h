// How the module-player calls get their answers: lockstep, start order, scripted positions.
#pragma once
#include <cstdint>

// How the player calls above get their answers (our additions; the show
// itself never calls these).
namespace music {

// Fixed-step runs: the song is rendered in lockstep with the show's clock
// instead of by the audio device. `clock` returns the show timer in ms; at
// song time t (clock minus its value at FMUSIC_PlaySong, wrapping) the
// queries answer for sample floor(t * 44100 / 1000), exactly. Set it before
// FSOUND_Init and no audio device is opened. Applies from the next
// FMUSIC_PlaySong; null goes back to the device.
void useLockstep(std::uint32_t (*clock)());

// The song starts at this order (previews, tests), from the next
// FMUSIC_PlaySong. An order the song lacks starts it at order 0, with one
// line on standard error.
void setStartOrder(int order);

// The sound reaches the listener `ms` milliseconds later (negative: sooner)
// than the output reports: the device's answers are that much earlier.
void setAudioOffset(int ms);

// Live: the frame being drawn will be seen `ns` nanoseconds after the
// player is asked, so the answers (position, levels) are for then: the
// device's, and the timer's when there is none. Lockstep runs never aim.
void aimAhead(std::int64_t ns);

// The song frame the device's answer to the last FMUSIC_GetOrder was for
// (the director asks once at the start of every frame): what that frame was
// drawn for; `askedNs` is when it was asked (monotonic nanoseconds). -1 when
// no such answer came since the last call, or none was the device's. Frames
// count from where the song started.
std::int64_t takeDrawnFrame(std::int64_t& askedNs);

// The audio device `device` (SDL's id) has gone away: if it is the one the
// song plays on, the song goes on silent on the timer from where it stood.
void deviceRemoved(std::uint32_t device);

// A position set by a test: when installed, every query answers from it,
// for any song handle (null included). The channels are the player's
// (volume[i], playing[i]: its channel i), answered as they are set.
struct Script {
  int order = 0;
  int row = 0;
  int channelsPlaying = 0;
  int volume[64] = {};
  bool playing[64] = {};
};
void useScript(const Script* script);  // null: back to the player

}  // namespace music
