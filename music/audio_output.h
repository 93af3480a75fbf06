// The sound card, through SDL audio, and a hand-driven stand-in for tests.
#pragma once
#include <cstdint>
#include <string>

namespace music {

class AudibleTimeline;
class SongRenderer;

// The sound card, through SDL audio: 44,100 Hz stereo. Its callback renders
// the playing song block by block and notes every block and hand-over in
// the timeline. The only part of the player that knows SDL.
namespace audio {

// Opens the default device, paused. Returns why nothing will be heard: empty
// when a card plays, else the reason (no device opened, or SDL's dummy
// driver, which is open and keeps time but plays nothing).
std::string open(AudibleTimeline& timeline);
void close();
bool isOpen();
// Whether SDL's audio device `id` is the one this output opened.
bool isDevice(std::uint32_t id);

// The device plays `song` from where it stands, or silence for null. The
// timeline is cleared when a song is given. Takes the device's lock only
// to swap a pointer, so the callback never waits longer than that.
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
