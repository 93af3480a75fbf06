// Audio output to a PulseAudio server (PipeWire's PulseAudio layer answers too).
#pragma once
#include <cstdint>
#include <string>

namespace music {

class AudibleTimeline;

// A playback stream on the sound server, 44,100 Hz float stereo, which says
// after every write how far behind the written data the listener is: its
// buffer, the server's and the sink's latency, as the server reports them.
namespace pulse {

// Renders `frames` frames into `out` (2 floats a frame) and returns the song
// frame the data ends at, or -1 when it is silence.
using Fill = std::int64_t (*)(float* out, std::uint32_t frames);

// Connects to the server if one answers now (never starts one), and opens a
// corked stream whose every write hands over to `timeline`. Empty when it
// plays, else why not. `fill`, the hand-overs and `lost` (the server or the
// stream has failed) run on the server thread.
std::string open(Fill fill, AudibleTimeline& timeline, void (*lost)());
void close();
bool isOpen();

// Holds off the server thread (and so `fill`) while the caller changes what
// it reads. The lock is recursive.
void lock();
void unlock();
// Corked, the stream keeps what it holds and asks for nothing. Either way
// the next hand-over waits for the next write: called when the song changes.
void cork(bool corked);

}  // namespace pulse
}  // namespace music
