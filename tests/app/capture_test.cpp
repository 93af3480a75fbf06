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

// The capture goes to "out" in a folder of the test's own. The farewell's
// order ends the show by itself 7.68 s in, at its last row.
class AppCaptureFile : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(out); }
  void TearDown() override { fs::remove_all(dir); }
  const fs::path dir = scratchPath("capture"), out = dir / "out";
  const std::string farewell = " --mode 64x48 --fps 10 --start-order 18";
  std::string output;
};

TEST_F(AppCaptureFile, MkvEndsWithTheShowAndItsSoundIsTheSongToTheSample) {
  const fs::path file = out / "farewell.mkv";
  // The frame limit is only a safety net: the show ends long before it.
  ASSERT_EQ(runProgram("--capture " + file.string() + farewell + " --frames 200", output), 0) << output;
  std::smatch wrote;
  ASSERT_TRUE(std::regex_search(output, wrote, std::regex("wrote '.*': ([0-9]+) frames"))) << output;
  const long frames = std::stol(wrote[1]);
  EXPECT_TRUE(frames > 70 && frames <= 77) << frames;
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1) << "temporary files left";
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\nflac\n");
  EXPECT_EQ(probe(file, "-count_frames -select_streams v -show_entries stream=nb_read_frames"),
            std::to_string(frames) + "\n");
  // The sound, decoded, is exactly as long as the pictures and is the song from
  // the capture's first frame on, not a sample early or late (FLAC keeps it to 24 bits).
  std::string raw;
  shell("ffmpeg -v error -i '" + file.string() + "' -map 0:a -f f32le -", raw, "");
  ASSERT_EQ(raw.size(), static_cast<std::size_t>(frames) * 4410 * 2 * sizeof(float));
  std::vector<float> sound(raw.size() / sizeof(float)), song(2 * music::blockFrames);
  std::memcpy(sound.data(), raw.data(), raw.size());
  std::ifstream in(fs::path(FK_PROGRAM).parent_path() / "data" / "ko-trampelin.it", std::ios::binary);
  std::vector<std::byte> data;
  for (char c; in.get(c);) data.push_back(static_cast<std::byte>(c));
  music::SongRenderer renderer(std::move(data));
  renderer.restart(18);
  float worst = 0;
  for (std::size_t i = 0; i < sound.size(); ++i) {
    if (i % song.size() == 0) renderer.renderBlock(song.data(), music::blockFrames);
    worst = std::max(worst, std::abs(sound[i] - song[i % song.size()]));
  }
  EXPECT_LT(worst, 1e-5f);
}

// The movie keeps time in sound frames: both streams last the 1.5 s asked for, to the sample.
TEST_F(AppCaptureFile, Mp4StreamsLastExactlyTheFramesAskedFor) {
  const fs::path file = out / "rise.mp4";
  ASSERT_EQ(runProgram("--capture " + file.string() + " --mode 64x48 --fps 30 --start-order 5 --frames 45", output), 0)
      << output;
  EXPECT_EQ(probe(file, "-show_entries stream=codec_name"), "h264\naac\n");
  EXPECT_EQ(probe(file, "-select_streams a -show_entries stream=duration_ts"), "66150\n");
  EXPECT_EQ(probe(file, "-show_entries stream=duration"), "1.500000\n1.500000\n");
}

// The video holds the show's frames, each in its place: a frame read back
// while the next is drawn must not come out one early or late, nor be lost
// at the end. Superstar's camera sweeps fast: at 5 frames a second each
// frame differs from its neighbours far more than the encoder's loss. The
// summary says where the time went.
TEST_F(AppCaptureFile, TheVideoHoldsTheShowsFramesInOrderAndSaysWhereTheTimeWent) {
  const fs::path file = out / "superstar.mkv", frames = dir / "frames";
  const std::string run = " --mode 64x48 --fps 5 --start-order 11 --frames 12";
  ASSERT_EQ(runProgram("--capture " + file.string() + run, output), 0) << output;
  EXPECT_TRUE(std::regex_search(output, std::regex("wrote '.*': 12 frames at 5 fps \\(2.40 s\\), in [0-9.]+ s: "
                                                   "drawing [0-9.]+ s, reading back [0-9.]+ s, waiting for the "
                                                   "encoder [0-9.]+ s, finishing [0-9.]+ s; the encoder's CPU time "
                                                   "[0-9.]+ s\n")))
      << output;
  ASSERT_EQ(runProgram("--headless --msaa 4 --png " + frames.string() + run, output), 0) << output;
  std::string video, pictures;
  shell("ffmpeg -v error -i '" + file.string() + "' -f rawvideo -pix_fmt rgb24 -", video, "");
  shell("ffmpeg -v error -i '" + frames.string() + "/frame-%06d.png' -f rawvideo -pix_fmt rgb24 -", pictures, "");
  const std::size_t size = 64 * 48 * 3;
  ASSERT_EQ(video.size(), 12 * size);
  ASSERT_EQ(pictures.size(), 12 * size);
  const auto distance = [&](int v, int p) {
    double sum = 0;
    for (std::size_t i = 0; i < size; ++i)
      sum += std::abs(static_cast<unsigned char>(video[v * size + i]) - static_cast<unsigned char>(pictures[p * size + i]));
    return sum / static_cast<double>(size);
  };
  for (int v = 0; v < 12; ++v) {
    const double own = distance(v, v);
    EXPECT_LT(own, 4) << "frame " << v;
    for (int p : {v - 1, v + 1}) {
      if (p < 0 || p >= 12) continue;
      EXPECT_LT(own, distance(v, p)) << "frame " << v << " is more like frame " << p;
    }
  }
}

// A capture asks for 4 samples per pixel; a GL that has no multisampled
// configuration at all (Mesa's softpipe) captures without, and says so once.
TEST_F(AppCaptureFile, WithoutMultisamplingWhereTheGlHasNone) {
  const fs::path file = out / "plain.mkv";
  ASSERT_EQ(runProgram("--capture " + file.string() + " --mode 64x48 --fps 30 --start-order 3 --frames 2", output,
                       "GALLIUM_DRIVER=softpipe "),
            0)
      << output;
  EXPECT_NE(output.find("Multisampling: 4 samples per pixel asked for, the GL gives none\n"), std::string::npos)
      << output;
  EXPECT_EQ(probe(file, "-count_frames -select_streams v -show_entries stream=nb_read_frames"), "2\n");
}

// What is said, and no file left, when the encoder fails or the user
// interrupts (a stand-in for ffmpeg first on the PATH, in the test's folder;
// none at all in the first case), and when the disk fills (a small tmpfs,
// mounted in a mount namespace of the run's own, gone when it ends: the
// output ends with what was left on it).
TEST_F(AppCaptureFile, AFailingEncoderOrAFullDiskLeavesNoFile) {
  const std::string unshare = geteuid() == 0 ? "unshare -m " : "unshare -rm ";
  const std::string disk = out.string(), capture = "--capture " + disk + "/show.mkv" + farewell;
  const auto onDisk = [&](const char* size) {
    return shell(unshare + "sh -c 'mount -t tmpfs -o size=" + size + " tmpfs " + disk + " && " FK_PROGRAM " " +
                     capture + "; status=$?; echo left: $(ls -A " + disk + "); exit $status'", output);
  };
  const struct {
    const char* disk;     // a disk of this size that fills, with ffmpeg; or
    const char* encoder;  // the stand-in's script (null: none)
    int status;
    std::vector<const char*> said;
    bool encoderQuiet = true;  // an encoder abandoned mid-show says nothing more
  } cases[] = {
      {nullptr, nullptr, 1, {"cannot run ffmpeg"}},
      {nullptr, "head -c 100 >/dev/null; echo 'out of luck' >&2; exit 3", 1, {"exit status 3", "was not written"}},
      // The encoder takes a few frames, then the user presses Ctrl-C.
      {nullptr, "head -c 20000 >/dev/null; kill -INT $PPID; cat >/dev/null", 130, {"capture interrupted"}},
      // 7.7 s of sound is 2.7 MB before it is packed: the disk fills mid-show.
      {"400k", nullptr, 1, {"No space left on device", "was not written", "left:\n"}},
      // The parts fit, the finished file beside them does not.
      {"3m", nullptr, 1, {"failed while putting picture and sound together", "left:\n"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disk ? c.disk : c.encoder ? c.encoder : "no encoder");
    if (c.encoder) {
      std::ofstream(dir / "ffmpeg") << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << c.encoder << "\n";
      fs::permissions(dir / "ffmpeg", fs::perms::owner_all);
    }
    if (c.disk && shell(unshare + "true", output) != 0) GTEST_SKIP() << "no mount namespace to be had: " << output;
    const int status = c.disk ? onDisk(c.disk) : runProgram(capture, output, "PATH=" + dir.string() + " ");
    EXPECT_EQ(status, c.status) << output;
    for (const char* words : c.said) EXPECT_NE(output.find(words), std::string::npos) << output;
    EXPECT_TRUE(!c.encoderQuiet || output.find("Error ") == std::string::npos) << "the encoder spoke:\n" << output;
    EXPECT_TRUE(fs::is_empty(out));
  }
}

}  // namespace
