// Capture to video: what the file holds, checked with ffprobe, and what is
// left behind when the encoder fails or the user interrupts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/capture.h"
#include "music/song_renderer.h"

namespace {

namespace fs = std::filesystem;

// Runs a shell command; its standard output and error, and its exit status.
int shell(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have(const char* program) {
  std::string ignored;
  return shell(std::string("command -v ") + program, ignored) == 0;
}

// A folder of this test process's own: ctest runs tests side by side.
fs::path freshDirectory(const char* name) {
  const fs::path dir = fs::temp_directory_path() / (name + std::string("-") + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

int filesIn(const fs::path& dir) {
  return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

std::string probe(const fs::path& file, const std::string& what) {
  std::string output;
  shell("ffprobe -v error " + what + " -of default=noprint_wrappers=1:nokey=1 '" + file.string() + "'", output);
  return output;
}

// Sound frames in the file's audio stream, counted by decoding it.
long soundFramesIn(const fs::path& file) {
  std::string output;
  shell("ffprobe -v error -select_streams a -show_entries frame=nb_samples -of csv=p=0 '" + file.string() + "'",
        output);
  long total = 0;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) total += std::stol(line);
  return total;
}

// The file's sound, decoded to stereo 32-bit float.
std::vector<float> soundOf(const fs::path& file) {
  std::vector<float> samples;
  FILE* pipe = popen(("ffmpeg -v error -i '" + file.string() + "' -map 0:a -f f32le -").c_str(), "r");
  if (!pipe) return samples;
  float block[4096];
  for (std::size_t got; (got = std::fread(block, sizeof(float), 4096, pipe)) > 0;)
    samples.insert(samples.end(), block, block + got);
  pclose(pipe);
  return samples;
}

// The song as the show plays it from `order`, `frames` sound frames of it.
std::vector<float> songFrom(int order, std::size_t frames) {
  std::ifstream in(fs::path(FK_PROGRAM).parent_path() / "data" / "ko-trampelin.it", std::ios::binary);
  std::vector<std::byte> data;
  for (char c; in.get(c);) data.push_back(static_cast<std::byte>(c));
  music::SongRenderer song(std::move(data));
  song.restart(order);
  std::vector<float> samples(2 * frames);
  for (std::size_t done = 0; done < frames;) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(frames - done, music::blockFrames));
    song.renderBlock(&samples[2 * done], count);
    done += count;
  }
  return samples;
}

// Picture frames in the file's video stream, counted by decoding it.
long pictureFramesIn(const fs::path& file) {
  return std::stol(probe(file, "-count_frames -select_streams v -show_entries stream=nb_read_frames"));
}

TEST(AppCapture, SoundSpansExactlyThePictures) {
  EXPECT_EQ(soundFramesFor(0, 60), 0u);
  EXPECT_EQ(soundFramesFor(1, 60), 735u);
  EXPECT_EQ(soundFramesFor(8749, 60), 8749u * 735);
  // 44.1 sound frames a picture: never ahead of the pictures' span.
  EXPECT_EQ(soundFramesFor(1, 1000), 44u);
  EXPECT_EQ(soundFramesFor(10, 1000), 441u);
  EXPECT_EQ(soundFramesFor(3, 7), 18900u);
}

class AppCaptureFile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed: no capture to check";
    if (!have("ffprobe")) GTEST_SKIP() << "ffprobe is not installed: the capture's streams cannot be checked";
    dir = freshDirectory("flipp-kroma-capture-test");
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

// From the farewell's first row the show ends by itself at its last row.
TEST_F(AppCaptureFile, MkvEndsWithTheShowAndItsSoundIsExactlyAsLong) {
  const fs::path file = dir / "farewell.mkv";
  std::string output;
  // The frame limit is only a safety net: the show ends long before it.
  ASSERT_EQ(shell(std::string(FK_PROGRAM) + " --capture " + file.string() +
                      " --mode 64x48 --fps 10 --start-order 18 --frames 200",
                  output),
            0)
      << output;
  std::smatch wrote;
  ASSERT_TRUE(std::regex_search(output, wrote, std::regex("wrote '.*': ([0-9]+) frames"))) << output;
  const long frames = std::stol(wrote[1]);
  // The order lasts 7.68 s: the end comes at its last row, not before, not after.
  EXPECT_GT(frames, 70);
  EXPECT_LE(frames, 77);
  EXPECT_EQ(filesIn(dir), 1) << "temporary files left";
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\nflac\n");
  EXPECT_EQ(pictureFramesIn(file), frames);
  EXPECT_EQ(soundFramesIn(file), frames * 4410);
  // The sound is the song from the capture's first frame on, not a sample
  // early or late (FLAC keeps it to 24 bits).
  const std::vector<float> sound = soundOf(file);
  const std::vector<float> song = songFrom(18, static_cast<std::size_t>(frames) * 4410);
  ASSERT_EQ(sound.size(), song.size());
  float worst = 0;
  for (std::size_t i = 0; i < song.size(); ++i) worst = std::max(worst, std::abs(sound[i] - song[i]));
  EXPECT_LT(worst, 1e-5f);
}

TEST_F(AppCaptureFile, Mp4FromAStartOrderHasTheFramesAskedForAndEqualStreams) {
  const fs::path file = dir / "rise.mp4";
  std::string output;
  ASSERT_EQ(shell(std::string(FK_PROGRAM) + " --capture " + file.string() +
                      " --mode 64x48 --fps 30 --start-order 5 --frames 45",
                  output),
            0)
      << output;
  EXPECT_EQ(filesIn(dir), 1) << "temporary files left";
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\naac\n");
  EXPECT_EQ(pictureFramesIn(file), 45);
  // Both streams last 1.5 s to the sample: the movie keeps time in sound frames.
  EXPECT_EQ(probe(file, "-select_streams a -show_entries stream=duration_ts"), "66150\n");
  EXPECT_EQ(probe(file, "-show_entries stream=duration"), "1.500000\n1.500000\n");
}

// A stand-in for ffmpeg; the capture finds it first on the PATH.
class AppCaptureFailure : public ::testing::Test {
 protected:
  void SetUp() override { dir = freshDirectory("flipp-kroma-capture-failure"); }
  void TearDown() override { fs::remove_all(dir); }

  void fakeEncoder(const std::string& script) {
    fs::create_directories(dir / "bin");
    const fs::path path = dir / "bin" / "ffmpeg";
    std::ofstream(path) << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << script << "\n";
    fs::permissions(path, fs::perms::owner_all);
  }
  int capture(std::string& output) {
    return shell("PATH=" + (dir / "bin").string() + " " + FK_PROGRAM + " --capture " + (dir / "out" / "show.mp4").string() +
                     " --mode 64x48 --fps 10 --start-order 18",
                 output);
  }
  fs::path dir;
};

TEST_F(AppCaptureFailure, AFailingOrMissingEncoderLeavesNoFile) {
  fs::create_directories(dir / "out");
  std::string output;
  EXPECT_EQ(capture(output), 1) << output;  // no ffmpeg at all
  EXPECT_NE(output.find("cannot run ffmpeg"), std::string::npos) << output;
  EXPECT_EQ(filesIn(dir / "out"), 0);

  fakeEncoder("head -c 100 >/dev/null; echo 'encoder: out of luck' >&2; exit 3");
  EXPECT_EQ(capture(output), 1) << output;
  EXPECT_NE(output.find("exit status 3"), std::string::npos) << output;
  EXPECT_NE(output.find("was not written"), std::string::npos) << output;
  EXPECT_EQ(filesIn(dir / "out"), 0);
}

TEST_F(AppCaptureFailure, InterruptionLeavesNoFileAndFailingStatus) {
  fs::create_directories(dir / "out");
  // The encoder takes a few frames, then the user presses Ctrl-C.
  fakeEncoder("head -c 20000 >/dev/null; kill -INT $PPID; cat >/dev/null");
  std::string output;
  EXPECT_EQ(capture(output), 130) << output;
  EXPECT_NE(output.find("capture interrupted"), std::string::npos) << output;
  EXPECT_EQ(filesIn(dir / "out"), 0);
}

// A disk that fills: a small tmpfs, mounted in a mount namespace of the run's
// own (a user namespace's for those who are not root), gone when it ends.
class AppCaptureFullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed: no capture to check";
    namespaces = geteuid() == 0 ? "unshare -m " : "unshare -rm ";
    std::string output;
    if (shell(namespaces + "true", output) != 0) GTEST_SKIP() << "no mount namespace to be had: " << output;
    disk = freshDirectory("flipp-kroma-full-disk");
  }
  void TearDown() override { fs::remove_all(disk); }

  // Runs the show with `options` (where "DISK" stands for the disk) on a disk
  // of `size`; the output ends with what was left on the disk.
  int run(const std::string& size, const std::string& options, std::string& output) {
    const std::string d = disk.string();
    return shell(namespaces + "sh -c 'mount -t tmpfs -o size=" + size + " tmpfs " + d + " && " + FK_PROGRAM + " " +
                     std::regex_replace(options, std::regex("DISK"), d) + "; status=$?; echo left: $(ls -A " + d +
                     "); exit $status'",
                 output);
  }
  std::string namespaces;
  fs::path disk;
};

TEST_F(AppCaptureFullDisk, FillingWhileWritingFramesLeavesNoPartialFile) {
  const std::string farewell = "--capture DISK/show.mkv --mode 64x48 --fps 10 --start-order 18";
  std::string output;
  // 7.7 s of sound is 2.7 MB before it is packed: the disk fills mid-show.
  EXPECT_EQ(run("400k", farewell, output), 1) << output;
  EXPECT_NE(output.find("No space left on device"), std::string::npos) << output;
  EXPECT_NE(output.find("was not written"), std::string::npos) << output;
  EXPECT_EQ(output.find("Error "), std::string::npos) << "the abandoned encoder still spoke:\n" << output;
  EXPECT_NE(output.find("left:\n"), std::string::npos) << output;

  // The parts fit, the finished file beside them does not.
  EXPECT_EQ(run("3m", farewell, output), 1) << output;
  EXPECT_NE(output.find("failed while putting picture and sound together"), std::string::npos) << output;
  EXPECT_NE(output.find("left:\n"), std::string::npos) << output;

  // PNG frames: the ones written stay whole, the one that did not fit is gone.
  EXPECT_EQ(run("40k", "--headless --png DISK --mode 64x48 --fps 10 --frames 100", output), 1) << output;
  std::smatch failed;
  ASSERT_TRUE(std::regex_search(output, failed, std::regex("cannot write '.*/(frame-[0-9]+\\.png)' \\(No space left"))) << output;
  EXPECT_EQ(output.find(failed[1].str(), output.find("left:")), std::string::npos) << output;
}

}  // namespace
