// The sound output: the sound server, SDL audio, or a hand-driven stand-in for tests.
#pragma once
#include <cstdint>
#include <string>

namespace music {

class AudibleTimeline;
class SongRenderer;

// The sound output, 44,100 Hz stereo: the system's sound server (a PulseAudio
// server or PipeWire's PulseAudio layer on Linux, the audio engine on
// Windows) where one answers and SDL_AUDIODRIVER names no other driver,
// which reports its whole latency, else the sound card through SDL audio, of
// which only SDL's own buffer is known. The output renders the
// playing song block by block as it asks for audio and notes every block and
// hand-over in the timeline. The only part of the player that knows SDL.
namespace audio {

// Opens the output, paused. Returns why nothing will be heard: empty when
// it plays, else the reason (no device opened, or SDL's dummy driver, which
// is open and keeps time but plays nothing).
std::string open(AudibleTimeline& timeline);
void close();
bool isOpen();
// Whether the removed audio device `id` (SDL's) is the one this output
// opened; a lost sound server comes as a removed device too.
bool isDevice(std::uint32_t id);

// The output plays `song` from where it stands, or pauses for null. The
// timeline is cleared when a song is given. Takes the output's lock only
// to swap a pointer, so rendering never waits longer than that. Given a
// song, returns once the timeline says its first frame is heard, or after
// 2.5 s; at once on the hand device.
void play(SongRenderer* song);

// Monotonic nanoseconds, the time base of the timeline.
std::int64_t nowNs();
// Milliseconds of the timer a song follows when there is no device.
std::uint32_t silentClock();

// Tests stand in for the card: with a clock set, open() opens no SDL device
// but one whose callback runs only in pull(), which holds `bufferFrames`
// frames in front of each callback's data, and whose time (nowNs) is
// `clock`. Set before open; null goes back to the card.
void useHandDevice(std::int64_t (*clock)(), std::uint32_t bufferFrames);
// The hand device's callback is asked for `frames` frames now.
void pull(std::uint32_t frames);

}  // namespace audio
}  // namespace music
