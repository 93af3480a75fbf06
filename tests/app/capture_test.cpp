// Capture to video: what the file holds, checked with ffprobe, and what is
// left behind when the encoder fails, the user interrupts or the disk fills.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "music/song_renderer.h"
#include "shell.h"

namespace {

namespace fs = std::filesystem;

std::string probe(const fs::path& file, const std::string& what) {
  std::string output;
  shell("ffprobe -v error " + what + " -of default=noprint_wrappers=1:nokey=1 '" + file.string() + "'", output);
  return output;
}

// The capture goes to "out" in a folder of the test's own.
class AppCaptureFile : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(out); }
  void TearDown() override { fs::remove_all(dir); }
  bool haveFfmpeg() { return shell("command -v ffmpeg && command -v ffprobe", output) == 0; }
  int run(const std::string& arguments, const std::string& environment = "") {
    return shell(environment + " " + FK_PROGRAM + " " + arguments, output);
  }
  const fs::path dir = scratchPath("capture"), out = dir / "out";
  std::string output;
};

// From the farewell's first row the show ends by itself at its last row.
TEST_F(AppCaptureFile, MkvEndsWithTheShowAndItsSoundIsTheSongToTheSample) {
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg and ffprobe: no capture to check";
  const fs::path file = out / "farewell.mkv";
  // The frame limit is only a safety net: the show ends long before it.
  ASSERT_EQ(run("--capture " + file.string() + " --mode 64x48 --fps 10 --start-order 18 --frames 200"), 0) << output;
  std::smatch wrote;
  ASSERT_TRUE(std::regex_search(output, wrote, std::regex("wrote '.*': ([0-9]+) frames"))) << output;
  const long frames = std::stol(wrote[1]);
  // The order lasts 7.68 s: the end comes at its last row, not before, not after.
  EXPECT_GT(frames, 70);
  EXPECT_LE(frames, 77);
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1) << "temporary files left";
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\nflac\n");
  EXPECT_EQ(probe(file, "-count_frames -select_streams v -show_entries stream=nb_read_frames"),
            std::to_string(frames) + "\n");
  // The sound, decoded, is exactly as long as the pictures and is the song from
  // the capture's first frame on, not a sample early or late (FLAC keeps it to 24 bits).
  std::string raw;
  shell("ffmpeg -v error -i '" + file.string() + "' -map 0:a -f f32le -", raw, "");
  ASSERT_EQ(raw.size(), static_cast<std::size_t>(frames) * 4410 * 2 * sizeof(float));
  std::vector<float> sound(raw.size() / sizeof(float)), song(sound.size());
  std::memcpy(sound.data(), raw.data(), raw.size());
  std::ifstream in(fs::path(FK_PROGRAM).parent_path() / "data" / "ko-trampelin.it", std::ios::binary);
  std::vector<std::byte> data;
  for (char c; in.get(c);) data.push_back(static_cast<std::byte>(c));
  music::SongRenderer renderer(std::move(data));
  renderer.restart(18);
  for (std::size_t done = 0; done < song.size(); done += 2 * music::blockFrames) {
    const std::size_t count = std::min<std::size_t>((song.size() - done) / 2, music::blockFrames);
    renderer.renderBlock(&song[done], static_cast<std::uint32_t>(count));
  }
  float worst = 0;
  for (std::size_t i = 0; i < song.size(); ++i) worst = std::max(worst, std::abs(sound[i] - song[i]));
  EXPECT_LT(worst, 1e-5f);
}

// The movie keeps time in sound frames: both streams last the 1.5 s asked for, to the sample.
TEST_F(AppCaptureFile, Mp4StreamsLastExactlyTheFramesAskedFor) {
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg and ffprobe: no capture to check";
  const fs::path file = out / "rise.mp4";
  ASSERT_EQ(run("--capture " + file.string() + " --mode 64x48 --fps 30 --start-order 5 --frames 45"), 0) << output;
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\naac\n");
  EXPECT_EQ(probe(file, "-select_streams a -show_entries stream=duration_ts"), "66150\n");
  EXPECT_EQ(probe(file, "-show_entries stream=duration"), "1.500000\n1.500000\n");
}

// A stand-in for ffmpeg comes first on the PATH (none at all in the first case).
TEST_F(AppCaptureFile, AFailingMissingOrInterruptedEncoderLeavesNoFile) {
  const struct {
    const char* encoder;
    int status;
    std::vector<const char*> said;
  } cases[] = {
      {nullptr, 1, {"cannot run ffmpeg"}},
      {"head -c 100 >/dev/null; echo 'encoder: out of luck' >&2; exit 3", 1, {"exit status 3", "was not written"}},
      // The encoder takes a few frames, then the user presses Ctrl-C.
      {"head -c 20000 >/dev/null; kill -INT $PPID; cat >/dev/null", 130, {"capture interrupted"}},
  };
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoder ? c.encoder : "no encoder");
    if (c.encoder) {
      std::ofstream(bin / "ffmpeg") << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << c.encoder << "\n";
      fs::permissions(bin / "ffmpeg", fs::perms::owner_all);
    }
    EXPECT_EQ(run("--capture " + (out / "show.mp4").string() + " --mode 64x48 --fps 10 --start-order 18",
                  "PATH=" + bin.string()),
              c.status) << output;
    for (const char* words : c.said) EXPECT_NE(output.find(words), std::string::npos) << output;
    EXPECT_TRUE(fs::is_empty(out));
  }
}

// A disk that fills: a small tmpfs, mounted in a mount namespace of the run's
// own (a user namespace's for those who are not root), gone when it ends.
// The output ends with what was left on it.
TEST_F(AppCaptureFile, AFullDiskLeavesNoPartialFile) {
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg and ffprobe: no capture to check";
  const std::string unshare = geteuid() == 0 ? "unshare -m " : "unshare -rm ";
  if (shell(unshare + "true", output) != 0) GTEST_SKIP() << "no mount namespace to be had: " << output;
  const std::string disk = out.string();
  const auto runOnDisk = [&](const std::string& size, const std::string& options) {
    return shell(unshare + "sh -c 'mount -t tmpfs -o size=" + size + " tmpfs " + disk + " && " + FK_PROGRAM + " " +
                     options + "; status=$?; echo left: $(ls -A " + disk + "); exit $status'",
                 output);
  };
  const std::string farewell = "--capture " + disk + "/show.mkv --mode 64x48 --fps 10 --start-order 18";
  // 7.7 s of sound is 2.7 MB before it is packed: the disk fills mid-show.
  EXPECT_EQ(runOnDisk("400k", farewell), 1) << output;
  EXPECT_NE(output.find("No space left on device"), std::string::npos) << output;
  EXPECT_NE(output.find("was not written"), std::string::npos) << output;
  EXPECT_EQ(output.find("Error "), std::string::npos) << "the abandoned encoder still spoke:\n" << output;
  EXPECT_NE(output.find("left:\n"), std::string::npos) << output;

  // The parts fit, the finished file beside them does not.
  EXPECT_EQ(runOnDisk("3m", farewell), 1) << output;
  EXPECT_NE(output.find("failed while putting picture and sound together"), std::string::npos) << output;
  EXPECT_NE(output.find("left:\n"), std::string::npos) << output;

  // PNG frames: the ones written stay whole, the one that did not fit is gone.
  EXPECT_EQ(runOnDisk("40k", "--headless --png " + disk + " --mode 64x48 --fps 10 --frames 100"), 1) << output;
  std::smatch failed;
  ASSERT_TRUE(std::regex_search(output, failed, std::regex("cannot write '.*/(frame-[0-9]+\\.png)' \\(No space left")))
      << output;
  EXPECT_EQ(output.find(failed[1].str(), output.find("left:")), std::string::npos) << output;
}

}  // namespace
