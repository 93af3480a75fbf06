// The show's one clock, live or fixed-step.
#pragma once
#include <cstdint>

// The show's one clock. Every time the show reads comes from here: live
// (SDL's millisecond ticks) or fixed-step, where frame n sits at exactly
// n * 1000 / fps milliseconds whatever the wall time.
//
// Why two names for one clock: the show was written against a platform with
// two millisecond timers, the multimedia timer for the song time and the
// tick count for the frame-rate title, and its code calls each by its name.
// Both are kept and read the same clock. Like the platform's timers they take
// no context, so the clock's state is this file's own.

// Milliseconds of the show's timer (the scenes' and the music's time base).
// Live, the timer reads the moment the frame being drawn will be seen (see
// showclock::aimAhead).
std::uint32_t timeGetTime();
// Milliseconds of the frame-rate title's timer; the same clock.
std::uint32_t GetTickCount();

namespace showclock {

// From now on time moves only by nextFrame(), starting at 0.
void useFixedStep(double fps);
bool isFixedStep();
// Advances the fixed-step clock by one frame.
void nextFrame();
// Sets the fixed-step clock to a value (tests: wrap-around, chosen times).
void set(std::uint32_t ms);
// Live: the frame being drawn will be seen `ms` after the clock is read, and
// the clock reads that much ahead, never going back when the estimate
// shrinks. The fixed step keeps its own time.
void aimAhead(std::uint32_t ms);

}  // namespace showclock
