// Frame choice, headless runs and picture comparison for the reference frames.
#include "tests/show/reference_frames.h"

#include <png.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <libopenmpt/libopenmpt.hpp>

namespace reference {

namespace {

// Sample numbers times 1000 pass 2^31: wider than long, which has 32 bits on Windows.
constexpr long long sampleRate = 44100;

// The sample the player answers for at frame n.
long frameSample(long n) {
  const long ms = n * 1000 / fps;
  return ms * sampleRate / 1000;
}

// The first frame that hears `sample`.
long firstFrameAt(long sample) {
  long n = sample * fps / sampleRate;  // close below; step to the exact one
  while (n > 0 && frameSample(n - 1) >= sample) --n;
  while (frameSample(n) < sample) ++n;
  return n;
}

}  // namespace

Timing::Timing(const std::vector<char>& module) {
  openmpt::module song(module);
  const auto startSample = [&song](int order, int row) {
    return std::lround(song.set_position_order_row(order, row) * sampleRate);
  };
  for (int order = 0; order < orders; ++order) {
    const int startOrder = order <= lastShowOrder ? 0 : order;
    const long from = startSample(startOrder, 0);
    shots.push_back({order, startOrder, firstFrameAt(startSample(order, shotRow) - from)});
  }
  wholeShowFrames = firstFrameAt(startSample(lastShowOrder, 63) - startSample(0, 0)) + 1;
}

bool readPng(const std::filesystem::path& path, Image& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.string().c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  return true;
}

Difference compare(const Image& a, const Image& b) {
  Difference d;
  d.pixels = static_cast<long>(a.width) * a.height;
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
    d.differing = d.pixels;
    d.largest = 255;
    return d;
  }
  for (std::size_t p = 0; p < a.rgb.size(); p += 3) {
    int most = 0;
    for (std::size_t c = p; c < p + 3; ++c) most = std::max(most, std::abs(a.rgb[c] - b.rgb[c]));
    d.largest = std::max(d.largest, most);
    if (most > levels) ++d.differing;
  }
  return d;
}

int runShow(const std::string& program, const std::string& dataDirectory, const std::string& extra,
            const std::filesystem::path& pngDirectory) {
  // Software rendering whatever the machine has, no sound device, and the
  // bundled face even where "Impact" is installed: the same pictures on every machine.
#ifdef _WIN32
  // cmd.exe: `set` ends at the &&, words are quoted in double quotes.
  const std::string environment = "set SDL_AUDIODRIVER=dummy&& ", quote = "\"", nowhere = "NUL";
#else
  const std::string environment = "SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 ", quote = "'", nowhere = "/dev/null";
#endif
  const std::string command = environment + quote + program + quote + " --headless --fps " + std::to_string(fps) +
                              " --mode " + std::to_string(width) + "x" + std::to_string(height) + " --msaa 0 --font " + quote +
                              dataDirectory + "/fonts/anton-latin-400-normal.woff" + quote + " --png " + quote +
                              pngDirectory.string() + quote + " " + extra + " >" + nowhere + " 2>&1";
  const int status = std::system(command.c_str());
#ifdef _WIN32
  return status;  // the exit code itself
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::filesystem::path framePath(const std::filesystem::path& directory, long frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06ld.png", frame);
  return directory / name;
}

std::filesystem::path referencePath(const std::filesystem::path& directory, int order) {
  char name[32];
  std::snprintf(name, sizeof name, "order-%02d.png", order);
  return directory / name;
}

std::filesystem::path runDirectory(const std::filesystem::path& scratch, const Shot& shot) {
  if (shot.startOrder == 0) return scratch / "show";
  char name[32];
  std::snprintf(name, sizeof name, "order-%02d", shot.startOrder);
  return scratch / name;
}

std::filesystem::path shotFrame(const std::filesystem::path& scratch, const Shot& shot) {
  return framePath(runDirectory(scratch, shot), shot.frame);
}

std::string renderShots(const std::string& program, const std::string& dataDirectory, const Timing& timing,
                        const std::filesystem::path& scratch) {
  std::string trouble;
  int status = runShow(program, dataDirectory, "", scratch / "show");
  if (status != 0) trouble += "the whole show ended with status " + std::to_string(status) + "\n";
  for (const Shot& shot : timing.shots) {
    if (shot.startOrder == 0) continue;
    status = runShow(program, dataDirectory,
                     "--start-order " + std::to_string(shot.startOrder) + " --frames " + std::to_string(shot.frame + 1),
                     runDirectory(scratch, shot));
    if (status != 0)
      trouble += "the run from order " + std::to_string(shot.startOrder) + " ended with status " +
                 std::to_string(status) + "\n";
  }
  return trouble;
}

}  // namespace reference
