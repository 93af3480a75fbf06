// Audio output to the system's sound server, which reports its whole latency.
#pragma once
#include <cstdint>
#include <string>

namespace music {

class AudibleTimeline;

// A playback stream on the system's sound server, 44,100 Hz float stereo,
// which says after every write how far behind the written data the listener
// is, as the server reports it: on Linux a PulseAudio server (PipeWire's
// PulseAudio layer answers too: pulse_output.cpp), on Windows the audio
// engine through WASAPI (wasapi_output.cpp).
namespace server {

// SDL's name for its own driver of this server: SDL_AUDIODRIVER naming it,
// or nothing, asks for the server.
extern const char* const sdlDriver;

// Renders `frames` frames into `out` (2 floats a frame) and returns the song
// frame the data ends at, or -1 when it is silence.
using Fill = std::int64_t (*)(float* out, std::uint32_t frames);

// Connects to the server if one answers now (never starts one), and opens a
// corked stream whose every write hands over to `timeline`. Empty when it
// plays, else why not. `fill`, the hand-overs and `lost` (the server or the
// stream has failed) run on the server's thread.
std::string open(Fill fill, AudibleTimeline& timeline, void (*lost)());
void close();
bool isOpen();

// Holds off the server's thread (and so `fill`) while the caller changes
// what it reads. The lock is recursive.
void lock();
void unlock();
// Corked, the stream plays nothing and asks for nothing. Either way the next
// hand-over waits for the next write: called when the song changes.
void cork(bool corked);

}  // namespace server
}  // namespace music
