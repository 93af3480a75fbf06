// The whole show, headless at the fixed step with the real soundtrack: it
// ends by itself on the frame that reaches the farewell's last row, and one
// frame of every order (row 32; orders 0 to 18 from that one run, so each
// carries what the orders before it left, the epilogue's from runs started
// there) is the picture kept in references/. With FK_UPDATE_REFERENCES set
// (`cmake --build build --target update-references`) the frames that differ
// are written there instead, and each order says what became of it.
//
// The tolerance (a pixel differs when a channel moves by more than 16
// levels; a frame is the same picture while at most 0.1 % of its pixels, 14
// of 14,400, differ) was measured on these frames:
// - Mesa settings that should not matter change nothing: LP_NUM_THREADS=1,
//   and LP_NATIVE_VECTOR_WIDTH=128 (SSE code instead of AVX), give
//   byte-identical frames. Softpipe, a different rasteriser altogether,
//   moves at most 0.03 % of the pixels of any order (edge pixels): more than
//   another Mesa or LLVM version is likely to.
// - Planted faults move more: the Dino rise camera 10 % further away 27-28 %
//   (orders 5, 6); the Greetings drum turning at 1/14 degree per ms 71 %;
//   the Main title's colour (255, 255, 196) as (255, 196, 255) 0.34 %; the
//   digit cloud's red and green from palette entry k + 2 10 % (order 14) and
//   0.5 % (15, by the state it leaves); eleven dancers instead of twelve
//   0.13-0.14 % (orders 7, 8); the channel row following channel 0 instead of
//   its own 0.19-0.79 % (orders 3 to 17); the channel flower following channel
//   1 instead of 0 0.10-0.43 % (orders 2 to 16).
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int width = 160, height = 90, fps = 30;
constexpr int levels = 16;
constexpr long maxDiffering = width * height / 1000;
// Sample numbers times 1000 pass 2^31: wider than long, which has 32 bits on Windows.
constexpr long long sampleRate = 44100;

// The first frame that hears `sample`: frame n shows song time
// floor(n * 1000 / fps) ms, heard at sample floor(t * 44.1).
long firstFrameAt(long long sample) {
  const auto heard = [](long n) { return n * 1000LL / fps * sampleRate / 1000; };
  auto n = static_cast<long>(sample * fps / sampleRate);  // close below; step to the exact one
  while (n > 0 && heard(n - 1) >= sample) --n;
  while (heard(n) < sample) ++n;
  return n;
}

// RGB rows of a PNG file; empty when it cannot be read.
std::vector<std::uint8_t> readRgb(const fs::path& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  std::vector<std::uint8_t> rgb;
  if (!png_image_begin_read_from_file(&png, path.string().c_str())) return rgb;
  png.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
  return rgb;
}

// Pixels that differ by more than `levels` in a channel (all of them when
// the sizes differ), and the largest difference.
std::pair<long, int> compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return {width * height, 255};
  long differing = 0;
  int largest = 0;
  for (std::size_t p = 0; p < a.size(); p += 3) {
    int most = 0;
    for (std::size_t c = p; c < p + 3; ++c) most = std::max(most, std::abs(a[c] - b[c]));
    largest = std::max(largest, most);
    differing += most > levels;
  }
  return {differing, largest};
}

// Runs the show at the reference size with every frame written to `pngs`:
// software rendering, no sound device, the bundled face even where "Impact"
// is installed, so that every machine draws the same pictures.
int runShow(const std::string& extra, const fs::path& pngs) {
  // scripts/windows names the program unpacked from its zip.
  const char* program = std::getenv("FK_PROGRAM");
#ifdef _WIN32
  // cmd.exe: `set` ends at the &&, words are quoted in double quotes.
  const std::string environment = "set SDL_AUDIODRIVER=dummy&& ", quote = "\"", nowhere = "NUL";
#else
  const std::string environment = "SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 ", quote = "'", nowhere = "/dev/null";
#endif
  const std::string command = environment + quote + (program ? program : FK_PROGRAM) + quote + " --headless --fps " +
                              std::to_string(fps) + " --mode " + std::to_string(width) + "x" + std::to_string(height) +
                              " --msaa 0 --font " + quote + FK_DATA_DIR "/fonts/anton-latin-400-normal.woff" + quote +
                              " --png " + quote + pngs.string() + quote + " " + extra + " >" + nowhere + " 2>&1";
  const int status = std::system(command.c_str());
#ifdef _WIN32
  return status;  // the exit code itself
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string numbered(const char* format, long n) {
  char name[32];
  std::snprintf(name, sizeof name, format, n);
  return name;
}

TEST(ShowWholeRun, EndsOnTheLastRowAndEveryOrderLooksAsKept) {
  std::ifstream file(FK_DATA_DIR "/ko-trampelin.it", std::ios::binary);
  openmpt::module song(std::vector<char>{std::istreambuf_iterator<char>(file), {}});
  const auto startSample = [&song](int order, int row) {
    return std::llround(song.set_position_order_row(order, row) * sampleRate);
  };
  const bool update = std::getenv("FK_UPDATE_REFERENCES") != nullptr;
  const fs::path scratch = fs::temp_directory_path() / ("flipp-kroma-whole-show-" + std::to_string(getpid()));
  fs::remove_all(scratch);

  ASSERT_EQ(runShow("", scratch / "show"), 0);
  long frames = 0;
  for (auto it = fs::directory_iterator(scratch / "show"); it != fs::directory_iterator(); ++it) ++frames;
  EXPECT_EQ(frames, firstFrameAt(startSample(18, 63) - startSample(0, 0)) + 1) << "the show ends on order 18 row 63";

  bool keep = false;
  for (int order = 0; order < 22; ++order) {
    SCOPED_TRACE("order " + std::to_string(order));
    // The epilogue follows only when the farewell's end is missed: runs of its own.
    const int from = order <= 18 ? 0 : order;
    const long frame = firstFrameAt(startSample(order, 32) - startSample(from, 0));
    const fs::path run = from == 0 ? scratch / "show" : scratch / numbered("order-%02ld", order);
    if (from != 0) {
      ASSERT_EQ(runShow("--start-order " + std::to_string(from) + " --frames " + std::to_string(frame + 1), run), 0);
    }
    const fs::path drawnAs = run / numbered("frame-%06ld.png", frame);
    const fs::path keptAs = fs::path(FK_REFERENCE_DIR) / numbered("order-%02ld.png", order);
    const auto drawn = readRgb(drawnAs), kept = readRgb(keptAs);
    ASSERT_EQ(drawn.size(), std::size_t{width * height * 3}) << drawnAs;
    const auto [differing, largest] = compare(drawn, kept);
    if (update) {
      if (largest > 0) fs::copy_file(drawnAs, keptAs, fs::copy_options::overwrite_existing);
      std::printf("order %2d: %s (%ld pixels past %d levels, largest %d)\n", order,
                  kept.empty() ? "new" : largest == 0 ? "unchanged" : differing <= maxDiffering ? "within the tolerance" : "CHANGED",
                  differing, levels, largest);
      continue;
    }
    EXPECT_LE(differing, maxDiffering) << differing << " pixels differ by more than " << levels << " levels (at most "
                                       << largest << "); drawn: " << drawnAs << ", kept: " << keptAs;
    keep = keep || differing > maxDiffering;
  }
  // The frames stay for a look when a picture has changed.
  if (!keep) fs::remove_all(scratch);
}

}  // namespace
