// A record of when each frame was shown and what it was drawn for, for tests.
#pragma once

#include <cstdint>

// When the environment's FK_FRAME_RECORD names a file, every frame shown
// adds a line to it: the CLOCK_MONOTONIC nanoseconds right after the frame
// was presented, those when the director asked the song's position at the
// start of the frame, the song frame (44,100 a second, from where the song
// started) that it was drawn for, and `songTime`, the song time in ms it was
// drawn for. Frames drawn without the sound device's position (before the
// first sound, on the lockstep clock) are left out. Otherwise it does
// nothing. A test compares the record with the sound heard.
void recordShownFrame(std::int32_t songTime);
