// Flash counting: region light per frame, swings, transitions, windows.
#include "tools/flashscan/flash_count.h"

#include <algorithm>
#include <cmath>

namespace {

// A general transition: a change of 0.1 or more in relative luminance...
constexpr double luminanceChange = 0.1;
// ... where the darker state is below 0.8.
constexpr double darkerBelow = 0.8;
// A red transition: a change of more than 20 in redness.
const double rednessChange = std::nextafter(20.0, 21.0);

struct LinearTable {
  double value[256];
  LinearTable() {
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      value[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
  }
};

}  // namespace

const char* const regionNames[regionCount] = {"frame", "top-left", "top-right", "bottom-left", "bottom-right",
                                              "centre"};

double linearFromSrgb(std::uint8_t value) {
  static const LinearTable table;
  return table.value[value];
}

double relativeLuminance(const Light& light) { return 0.2126 * light.r + 0.7152 * light.g + 0.0722 * light.b; }

double redness(const Light& light) { return std::max(0.0, (light.r - light.g - light.b) * 320); }

bool saturatedRed(const Light& light) {
  const double sum = light.r + light.g + light.b;
  return sum > 0 && light.r >= 0.8 * sum;
}

FrameLight measureFrame(const std::uint8_t* rgb, int width, int height) {
  // Sums over each quarter of the grid and over the centre quarter; the whole
  // frame is the grid's sum.
  Light sum[regionCount];
  const int halfW = width / 2, halfH = height / 2;
  const int centreX0 = width / 4, centreX1 = centreX0 + halfW;
  const int centreY0 = height / 4, centreY1 = centreY0 + halfH;
  for (int y = 0; y < height; ++y) {
    const bool centreRow = y >= centreY0 && y < centreY1;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = rgb + (static_cast<long>(y) * width + x) * 3;
      const double r = linearFromSrgb(p[0]), g = linearFromSrgb(p[1]), b = linearFromSrgb(p[2]);
      Light& quarter = sum[y < halfH ? (x < halfW ? topLeft : topRight) : (x < halfW ? bottomLeft : bottomRight)];
      quarter.r += r, quarter.g += g, quarter.b += b;
      if (centreRow && x >= centreX0 && x < centreX1) {
        sum[centre].r += r, sum[centre].g += g, sum[centre].b += b;
      }
    }
  }
  for (Region q : {topLeft, topRight, bottomLeft, bottomRight}) {
    sum[wholeFrame].r += sum[q].r, sum[wholeFrame].g += sum[q].g, sum[wholeFrame].b += sum[q].b;
  }
  const double pixels[regionCount] = {
      static_cast<double>(width) * height,
      static_cast<double>(halfW) * halfH,
      static_cast<double>(width - halfW) * halfH,
      static_cast<double>(halfW) * (height - halfH),
      static_cast<double>(width - halfW) * (height - halfH),
      static_cast<double>(halfW) * halfH,
  };
  FrameLight light;
  for (int i = 0; i < regionCount; ++i) {
    if (pixels[i] > 0) light[i] = {sum[i].r / pixels[i], sum[i].g / pixels[i], sum[i].b / pixels[i]};
  }
  return light;
}

std::vector<Swing> swings(const std::vector<double>& series, double threshold) {
  std::vector<Swing> found;
  const long n = static_cast<long>(series.size());
  // Until the first swing the direction is open: the lowest and highest so far.
  long low = 0, high = 0;
  int direction = 0;  // +1 rising, -1 falling
  long from = 0, extreme = 0;
  for (long i = 1; i < n; ++i) {
    const double v = series[i];
    if (direction == 0) {
      if (v < series[low]) low = i;
      if (v > series[high]) high = i;
      if (v - series[low] >= threshold) direction = 1, from = low, extreme = i;
      else if (series[high] - v >= threshold) direction = -1, from = high, extreme = i;
      continue;
    }
    if (direction * (v - series[extreme]) > 0) {
      extreme = i;
    } else if (std::abs(series[extreme] - v) >= threshold) {
      found.push_back({from, extreme});
      from = extreme;
      extreme = i;
      direction = -direction;
    }
  }
  if (direction != 0) found.push_back({from, extreme});
  return found;
}

namespace {

// Where the swings of `measure` along the series end, of at least
// `threshold`, for those whose two ends `counts`.
template <typename Measure, typename Counts>
std::vector<long> transitions(const std::vector<Light>& series, Measure measure, double threshold, Counts counts) {
  std::vector<double> values;
  values.reserve(series.size());
  for (const Light& light : series) values.push_back(measure(light));
  std::vector<long> ends;
  for (const Swing& swing : swings(values, threshold))
    if (counts(series[swing.from], series[swing.to])) ends.push_back(swing.to);
  return ends;
}

}  // namespace

std::vector<long> generalTransitions(const std::vector<Light>& series) {
  return transitions(series, relativeLuminance, luminanceChange, [](const Light& a, const Light& b) {
    return std::min(relativeLuminance(a), relativeLuminance(b)) < darkerBelow;
  });
}

std::vector<long> redTransitions(const std::vector<Light>& series) {
  return transitions(series, redness, rednessChange,
                     [](const Light& a, const Light& b) { return saturatedRed(a) || saturatedRed(b); });
}

std::vector<int> countInWindows(const std::vector<long>& ends, long frames, int window) {
  std::vector<int> counts(static_cast<std::size_t>(std::max(frames, 0L)));
  std::size_t first = 0, last = 0;  // ends[first, last) lie in the window
  for (long start = 0; start < frames; ++start) {
    while (first < ends.size() && ends[first] < start) ++first;
    last = std::max(last, first);
    while (last < ends.size() && ends[last] < start + window) ++last;
    counts[start] = static_cast<int>(last - first);
  }
  return counts;
}
