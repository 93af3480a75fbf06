// The show's one clock: live ticks or the fixed step.
#include "app/clock.h"

#include <SDL.h>

#include <cmath>

namespace {
bool fixedStep = false;
double fps = 60.0;
std::uint32_t base = 0;
std::uint64_t frame = 0;
std::uint32_t aheadMs = 0;
std::uint32_t lastLive = 0;

std::uint32_t now() {
  if (!fixedStep) {
    const std::uint32_t aimed = SDL_GetTicks() + aheadMs;
    if (static_cast<std::int32_t>(aimed - lastLive) > 0) lastLive = aimed;  // wraps with the ticks
    return lastLive;
  }
  return base + static_cast<std::uint32_t>(
                    static_cast<std::uint64_t>(std::floor(static_cast<double>(frame) * 1000.0 / fps)));
}
}  // namespace

std::uint32_t timeGetTime() { return now(); }
std::uint32_t GetTickCount() { return now(); }

namespace showclock {

void useFixedStep(double framesPerSecond) {
  fixedStep = true;
  fps = framesPerSecond;
  base = 0;
  frame = 0;
}

bool isFixedStep() { return fixedStep; }
void nextFrame() { ++frame; }

void set(std::uint32_t ms) {
  base = ms;
  frame = 0;
}

void aimAhead(std::uint32_t ms) { aheadMs = ms; }

}  // namespace showclock
