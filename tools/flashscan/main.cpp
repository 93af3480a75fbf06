// Counts the flashes in a run of the show, second by second and region by
// region, and names the orders that flash more than three times a second:
//   flashscan [--fps N] [--start-order N] [--song FILE] FRAMES_DIR|VIDEO
// FRAMES_DIR holds a run's PNG frames (--png; --fps as the run had it,
// default 60), VIDEO a capture (--capture; decoded by ffmpeg). The frames'
// orders come from the song's order list: frame n shows the song n / fps
// seconds after the start of --start-order. Ends with status 0 when no
// second is over the limit, 1 when one is, 2 when the input cannot be read.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <string>
#include <vector>

#include "tools/flashscan/flash_count.h"

namespace {

namespace fs = std::filesystem;

struct Run {
  std::vector<FrameLight> frames;
  int width = 0, height = 0;
  double fps = 60;
};

// The PNG frames of a folder in name order; false after saying why.
bool readFrames(const fs::path& folder, Run& run) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
    if (entry->path().extension() == ".png") files.push_back(entry->path());
  std::sort(files.begin(), files.end());
  std::vector<std::uint8_t> rgb;
  for (const fs::path& file : files) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    bool ok = png_image_begin_read_from_file(&png, file.string().c_str());
    if (ok) {
      png.format = PNG_FORMAT_RGB;
      rgb.resize(PNG_IMAGE_SIZE(png));
      ok = png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr);
    }
    if (!ok) {
      std::fprintf(stderr, "flashscan: cannot read %s: %s\n", file.string().c_str(), png.message);
      png_image_free(&png);
      return false;
    }
    run.width = static_cast<int>(png.width);
    run.height = static_cast<int>(png.height);
    run.frames.push_back(measureFrame(rgb.data(), run.width, run.height));
  }
  if (files.empty()) std::fprintf(stderr, "flashscan: no PNG frames in %s\n", folder.string().c_str());
  return !files.empty();
}

// A file name as one word of the shell's command line.
#ifdef _WIN32
std::string quoted(const std::string& word) { return "\"" + word + "\""; }
FILE* openPipe(const std::string& command) { return _popen(command.c_str(), "rb"); }
int closePipe(FILE* pipe) { return _pclose(pipe); }
#else
std::string quoted(const std::string& word) {
  std::string text = "'";
  for (char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}
FILE* openPipe(const std::string& command) { return popen(command.c_str(), "r"); }
int closePipe(FILE* pipe) { return pclose(pipe); }
#endif

// A video's frames, decoded by ffmpeg into raw RGB; its size and rate from
// ffprobe. False after saying why.
bool readVideo(const std::string& file, Run& run) {
  FILE* probe = openPipe("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate "
                         "-of csv=p=0 " + quoted("file:" + file));
  int rateNum = 0, rateDen = 0;
  const bool probed = probe && std::fscanf(probe, "%d,%d,%d/%d", &run.width, &run.height, &rateNum, &rateDen) == 4;
  if (probe) closePipe(probe);
  if (!probed || run.width <= 0 || run.height <= 0 || rateNum <= 0 || rateDen <= 0) {
    std::fprintf(stderr, "flashscan: no video in %s (ffprobe, of the ffmpeg package, reads it)\n",
                 file.c_str());
    return false;
  }
  run.fps = static_cast<double>(rateNum) / rateDen;
  FILE* decoder = openPipe("ffmpeg -v error -i " + quoted("file:" + file) + " -map 0:v:0 -f rawvideo -pix_fmt rgb24 -");
  if (!decoder) return false;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(run.width) * run.height * 3);
  while (std::fread(rgb.data(), 1, rgb.size(), decoder) == rgb.size())
    run.frames.push_back(measureFrame(rgb.data(), run.width, run.height));
  if (closePipe(decoder) != 0 || run.frames.empty()) {
    std::fprintf(stderr, "flashscan: ffmpeg could not decode %s\n", file.c_str());
    return false;
  }
  return true;
}

// Where each order of the song starts, in seconds; empty when the song cannot be read.
std::vector<double> orderStarts(const std::string& songFile) {
  std::ifstream file(songFile, std::ios::binary);
  if (!file) return {};
  try {
    openmpt::module song(file);
    std::vector<double> starts;
    for (int order = 0; order < song.get_num_orders(); ++order) starts.push_back(song.set_position_order_row(order, 0));
    return starts;
  } catch (const openmpt::exception&) {
    return {};
  }
}

// Flashes from a count of transitions: halves show an odd count.
std::string flashes(int transitions) {
  char text[16];
  std::snprintf(text, sizeof text, transitions % 2 ? "%.1f" : "%.0f", transitions / 2.0);
  return text;
}

// A whole number from `text`, or false.
bool readNumber(const char* text, long min, long max, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return *text && !*end && value >= min && value <= max;
}

int usage() {
  std::fputs("Usage: flashscan [--fps N] [--start-order N] [--song FILE] FRAMES_DIR|VIDEO\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  int startOrder = 0;
  std::string song = FLASHSCAN_SONG, input;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    long number = 0;
    if (i + 1 < argc && arg == "--fps") {
      if (!readNumber(argv[++i], 1, 1000, number)) return usage();
      run.fps = static_cast<double>(number);
    } else if (i + 1 < argc && arg == "--start-order") {
      if (!readNumber(argv[++i], 0, 255, number)) return usage();
      startOrder = static_cast<int>(number);
    } else if (i + 1 < argc && arg == "--song") {
      song = argv[++i];
    } else if (arg.starts_with("--") || !input.empty()) {
      return usage();
    } else {
      input = arg;
    }
  }
  if (input.empty()) return usage();
  const std::vector<double> starts = orderStarts(song);
  if (starts.empty()) {
    std::fprintf(stderr, "flashscan: cannot read the song %s (--song names it)\n", song.c_str());
    return 2;
  }
  if (startOrder >= static_cast<int>(starts.size())) {
    std::fprintf(stderr, "flashscan: the song %s has no order %d\n", song.c_str(), startOrder);
    return 2;
  }
  std::error_code error;
  if (!(fs::is_directory(input, error) ? readFrames(input, run) : readVideo(input, run))) return 2;

  const long frames = static_cast<long>(run.frames.size());
  const int window = static_cast<int>(run.fps + 0.5);  // frames in one second
  const auto orderAt = [&](long frame) {
    const double at = starts[startOrder] + frame / run.fps;
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
  };
  // Where the transitions of each region end, general and red.
  std::vector<long> general[regionCount], red[regionCount];
  for (int region = 0; region < regionCount; ++region) {
    std::vector<Light> series;
    for (const FrameLight& frame : run.frames) series.push_back(frame[region]);
    general[region] = generalTransitions(series);
    red[region] = redTransitions(series);
  }
  // The most transitions in any one second, from each frame on, of those
  // that end in `order` (all of them when negative).
  const auto mostFrom = [&](const std::vector<long>& ends, int order) {
    std::vector<long> kept;
    for (long end : ends)
      if (order < 0 || orderAt(end) == order) kept.push_back(end);
    return countInWindows(kept, frames, window);
  };
  const auto most = [](const std::vector<int>& counts) { return *std::max_element(counts.begin(), counts.end()); };

  std::printf("flashscan: %ld frames of %dx%d at %g fps from order %d\n", frames, run.width, run.height, run.fps,
              startOrder);
  std::printf("The most flashes in one second from each second on (a flash is two opposing transitions; more than "
              "%d fail):\n",
              mostTransitionsPerSecond / 2);
  std::printf("second order");
  for (const char* name : regionNames) std::printf(" %12s", name);
  std::printf(" %12s\n", "red");
  std::vector<int> counts[regionCount], redCounts(frames);
  for (int region = 0; region < regionCount; ++region) {
    counts[region] = mostFrom(general[region], -1);
    const std::vector<int> redHere = mostFrom(red[region], -1);
    for (long f = 0; f < frames; ++f) redCounts[f] = std::max(redCounts[f], redHere[f]);
  }
  std::vector<int> ordersOver;
  for (long first = 0; first < frames; first += window) {
    const long end = std::min(first + window, frames);
    const auto mostIn = [&](const std::vector<int>& c) {
      return *std::max_element(c.begin() + first, c.begin() + end);
    };
    const int order = orderAt(first);
    std::printf("%6ld %5d", first / window, order);
    bool over = mostIn(redCounts) > mostTransitionsPerSecond;
    for (int region = 0; region < regionCount; ++region) {
      std::printf(" %12s", flashes(mostIn(counts[region])).c_str());
      over = over || mostIn(counts[region]) > mostTransitionsPerSecond;
    }
    std::printf(" %12s%s\n", flashes(mostIn(redCounts)).c_str(), over ? "  over" : "");
    if (over && (ordersOver.empty() || ordersOver.back() != order)) ordersOver.push_back(order);
  }

  // Each order by its own transitions: a second that is over only where two
  // orders meet is named by the order it starts in.
  std::printf("By order, the most flashes in one second:\n");
  std::printf("order %12s %14s %12s\n", "frame", "worst quarter", "red");
  std::vector<int> ownOver;
  for (int order = orderAt(0); order <= orderAt(frames - 1); ++order) {
    const int frame = most(mostFrom(general[wholeFrame], order));
    int quarter = 0, redMost = 0;
    for (int region = 0; region < regionCount; ++region) {
      if (region != wholeFrame) quarter = std::max(quarter, most(mostFrom(general[region], order)));
      redMost = std::max(redMost, most(mostFrom(red[region], order)));
    }
    std::printf("%5d %12s %14s %12s\n", order, flashes(frame).c_str(), flashes(quarter).c_str(),
                flashes(redMost).c_str());
    if (std::max({frame, quarter, redMost}) > mostTransitionsPerSecond) ownOver.push_back(order);
  }
  if (ordersOver.empty()) {
    std::printf("No second flashes more than %d times.\n", mostTransitionsPerSecond / 2);
    return 0;
  }
  std::printf("Over the limit: order");
  for (int order : ownOver.empty() ? ordersOver : ownOver) std::printf(" %d", order);
  std::printf("\n");
  return 1;
}
