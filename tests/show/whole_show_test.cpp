// The whole show, headless at the fixed step with the real soundtrack: it
// ends by itself on the frame that reaches the farewell's last row.
#include <gtest/gtest.h>
#include <unistd.h>

#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(ShowWholeRun, EndsOnTheFrameThatReachesOrder18Row63) {
  std::ifstream file(FK_DATA_DIR "/ko-trampelin.it", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
  openmpt::module module(bytes);
  const double end = module.set_position_order_row(18, 63);
  ASSERT_GT(end, 100.0);
  // Frame n shows song time floor(n * 1000 / 30) ms, the player answers for
  // sample floor(t * 44.1): the last frame is the first to reach the row.
  const auto endSample = static_cast<long>(std::llround(end * 44100));
  long last = 0;
  while (static_cast<long>(std::floor(static_cast<double>(last) * 1000 / 30)) * 441 / 10 < endSample) ++last;

  const fs::path dir =
      fs::temp_directory_path() / ("flipp-kroma-whole-show-" + std::to_string(getpid()));
  fs::remove_all(dir);
  const std::string command = std::string(FK_PROGRAM) +
                              " --headless --fps 30 --mode 64x36 --png " + dir.string() +
                              " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
#ifdef _WIN32
  EXPECT_EQ(status, 0);  // the exit code itself
#else
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
  long frames = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++frames;
  EXPECT_EQ(frames, last + 1);
  fs::remove_all(dir);
}

}  // namespace
