// Counting flashes in a run of frames by the general flash and red flash
// thresholds of WCAG 2.x (success criterion 2.3.1, the rule broadcast flash
// tests follow): per frame the mean light of the whole frame and of each
// quarter-screen window, then the transitions between adjacent peaks and
// valleys of each region's light over time, counted in one-second windows.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

// Mean linear light of a region, each channel 0 to 1.
struct Light {
  double r = 0, g = 0, b = 0;
};

// An sRGB-encoded channel (0 to 255) as linear light, 0 to 1.
double linearFromSrgb(std::uint8_t value);
// 0.2126 R + 0.7152 G + 0.0722 B.
double relativeLuminance(const Light& light);
// (R - G - B) x 320, negative values as 0: what a red transition changes.
double redness(const Light& light);
// R / (R + G + B) of 0.8 or more.
bool saturatedRed(const Light& light);

// The whole frame, the 2 x 2 grid of quarters, and the quarter at the centre.
enum Region { wholeFrame, topLeft, topRight, bottomLeft, bottomRight, centre, regionCount };
extern const char* const regionNames[regionCount];
using FrameLight = std::array<Light, regionCount>;

// The regions' mean light of one frame: `rgb` holds `height` rows of
// `width` pixels, 3 bytes each, top to bottom.
FrameLight measureFrame(const std::uint8_t* rgb, int width, int height);

// A change between adjacent extremes of a series: the frames of the extreme
// it leaves and of the one it reaches.
struct Swing {
  long from, to;
};
// The series' swings of at least `threshold`: a peak or valley counts once
// the series has turned from it by `threshold`, so ripples smaller than that
// neither make swings nor split one. A swing ends where the series first
// reaches its extreme.
std::vector<Swing> swings(const std::vector<double>& series, double threshold);

// Where the transitions of one region's light end (frame numbers, rising):
// general ones change the relative luminance by 0.1 or more with the darker
// state below 0.8; red ones change the redness by more than 20, to or from
// a saturated red.
std::vector<long> generalTransitions(const std::vector<Light>& series);
std::vector<long> redTransitions(const std::vector<Light>& series);

// For each of `frames` frames, how many of `ends` (rising) lie in the
// `window` frames that start with it.
std::vector<int> countInWindows(const std::vector<long>& ends, long frames, int window);

// A flash is a pair of opposing transitions; more than three flashes (seven
// transitions) in any one second fail.
constexpr int mostTransitionsPerSecond = 6;
