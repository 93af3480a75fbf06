#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <vector>

#include "music/music.h"
#include "music/music_control.h"
#include "music/song_renderer.h"
#include "tests/music/test_songs.h"

namespace {

using testsongs::RowStart;

std::uint32_t fakeNow = 0;
std::uint32_t fakeClock() { return fakeNow; }

// The smallest whole millisecond whose sample, floor(t * 44100 / 1000), is at
// or past `frame`.
std::uint32_t firstMsAt(std::uint64_t frame) { return static_cast<std::uint32_t>((frame * 1000 + 44099) / 44100); }

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::byte> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::byte> data;
  for (char c; in.get(c);) data.push_back(static_cast<std::byte>(c));
  return data;
}

class MusicPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { songPath = testsongs::writeTimingSong(testsongs::scratchPath("timing.it")); }
  void TearDown() override {
    FSOUND_Close();
    music::useScript(nullptr);
    music::useLockstep(nullptr);
    music::setStartOrder(0);
    unsetenv("SDL_AUDIODRIVER");
  }
  static std::string songPath;
};
std::string MusicPlayer::songPath;

// The song rendered in lockstep with a clock the test moves.
class MusicLockstep : public MusicPlayer {
 protected:
  void SetUp() override {
    music::useLockstep(&fakeClock);
    FSOUND_Init(44100, 16, 0);
    song = FMUSIC_LoadSong(songPath.c_str());
    ASSERT_NE(song, nullptr);
  }
  // Plays the song with the clock at `start`.
  void play(std::uint32_t start) {
    fakeNow = start;
    ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  }
  void expectAt(std::uint32_t t, int order, int row) {
    fakeNow = playStart + t;
    EXPECT_EQ(FMUSIC_GetOrder(song), order) << "at " << t << " ms";
    EXPECT_EQ(FMUSIC_GetRow(song), row) << "at " << t << " ms";
  }
  FMUSIC_MODULE* song = nullptr;
  std::uint32_t playStart = 0;
};

TEST_F(MusicPlayer, NullHandleReportsNoPositionAndNoSound) {
  EXPECT_LT(FMUSIC_GetOrder(nullptr), 0);
  EXPECT_EQ(FMUSIC_GetRow(nullptr), 0);
  EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
  EXPECT_LT(FMUSIC_GetOrder(nullptr), 0);
  EXPECT_EQ(FMUSIC_StopSong(nullptr), 0);
  EXPECT_EQ(FMUSIC_FreeSong(nullptr), 0);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  for (int channel : {-1, 0, 1, 63, 64, 1000}) {
    EXPECT_EQ(FSOUND_GetVolume(channel), 0);
    EXPECT_EQ(FSOUND_IsPlaying(channel), 0);
  }
}

TEST_F(MusicPlayer, MissingOrBrokenModuleLoadsAsNullWithOneLine) {
  const std::string broken = testsongs::scratchPath("broken.it");
  std::ofstream(broken) << "IMPM but nothing a player could use";
  for (const std::string& path : {testsongs::scratchPath("no-such-song.it"), broken}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(lineCount(said), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
  }
}

TEST_F(MusicPlayer, NoAudioDeviceRunsSilentOnTheTimerWithOneLine) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FSOUND_Init(44100, 16, 0), 0);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_EQ(FMUSIC_GetOrder(song), 0);
  EXPECT_GE(FMUSIC_GetRow(song), 0);
  EXPECT_EQ(FMUSIC_StopSong(song), 1);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lineCount(said), 1) << said;
  EXPECT_NE(said.find("no audio device"), std::string::npos) << said;
}

TEST_F(MusicPlayer, DeviceAnswersFromWhatItHasPlayed) {
  // SDL's dummy device consumes audio in real time and plays nothing.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lineCount(said), 1) << said;
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  int lastRow = 0;
  for (int i = 0; i < 1000; ++i) {  // however fast the device runs, the position only goes forward
    ASSERT_EQ(FMUSIC_GetOrder(song), 0);
    const int row = FMUSIC_GetRow(song);
    ASSERT_GE(row, lastRow);
    lastRow = row;
    ASSERT_LE(FSOUND_GetChannelsPlaying(), 3);
    EXPECT_EQ(FSOUND_GetVolume(2), 0);
  }
  EXPECT_EQ(FMUSIC_StopSong(song), 1);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FMUSIC_PlaySong(song), 1);  // again, then freed while the device runs
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
}

TEST_F(MusicPlayer, LostDeviceLeavesTheSongGoingOnTheTimer) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  while (FMUSIC_GetRow(song) < 2) SDL_Delay(5);
  // SDL numbers its devices from 2; only the song's own device counts.
  for (std::uint32_t id = 1; id < 8; ++id) music::deviceRemoved(id);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("the audio device has gone"), std::string::npos) << said;
  const int row = FMUSIC_GetRow(song);
  EXPECT_GE(row, 2);
  // The position moves on with the timer: a row lasts 120 ms.
  const std::uint32_t until = SDL_GetTicks() + 2000;
  while (FMUSIC_GetRow(song) == row && SDL_GetTicks() < until) SDL_Delay(5);
  EXPECT_GT(FMUSIC_GetRow(song), row);
}

TEST_F(MusicPlayer, ScriptAnswersEveryQueryForAnyHandle) {
  music::Script script;
  script.order = 7;
  script.row = 42;
  script.channelsPlaying = 2;
  script.volume[0] = 200;
  script.playing[0] = true;
  script.volume[5] = 90;
  music::useScript(&script);
  EXPECT_EQ(FMUSIC_GetOrder(nullptr), 7);
  EXPECT_EQ(FMUSIC_GetRow(nullptr), 42);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 2);
  EXPECT_EQ(FSOUND_GetVolume(0), 200);
  EXPECT_EQ(FSOUND_IsPlaying(0), 1);
  EXPECT_EQ(FSOUND_GetVolume(5), 90);
  EXPECT_EQ(FSOUND_IsPlaying(5), 0);
  EXPECT_EQ(FSOUND_GetVolume(64), 0);
  script.row = 43;  // read afresh at every query
  EXPECT_EQ(FMUSIC_GetRow(nullptr), 43);
  music::useScript(nullptr);
  EXPECT_LT(FMUSIC_GetOrder(nullptr), 0);
}

TEST_F(MusicPlayer, RowStartsAreLibopenmptsOwnToTheSample) {
  const std::vector<RowStart> rows = testsongs::timingSongRows();
  // The table agrees with where libopenmpt itself places every row...
  openmpt::module reference(fileBytes(songPath));
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    const double seconds = reference.set_position_order_row(rows[i].order, rows[i].row);
    EXPECT_EQ(std::llround(seconds * 44100), static_cast<long long>(rows[i].frame))
        << "order " << rows[i].order << " row " << rows[i].row;
  }
  // ...and the renderer reports each row from its first frame on, not one
  // frame early or late.
  music::SongRenderer renderer(fileBytes(songPath));
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    const music::BlockRecord& before = renderer.renderThrough(rows[i].frame - 1);
    EXPECT_EQ(before.order, rows[i - 1].order);
    EXPECT_EQ(before.row, rows[i - 1].row);
    const music::BlockRecord& at = renderer.renderThrough(rows[i].frame);
    EXPECT_EQ(at.order, rows[i].order);
    ASSERT_EQ(at.row, rows[i].row) << "order " << rows[i].order;
  }
}

TEST_F(MusicLockstep, QueriesAnswerForTheSampleAtShowTimeAcrossTheClocksWrap) {
  playStart = 0xFFFFF000u;  // the clock wraps about 4 s into the song
  play(playStart);
  expectAt(0, 0, 0);
  const std::vector<RowStart> rows = testsongs::timingSongRows();
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    const std::uint32_t t = firstMsAt(rows[i].frame);
    expectAt(t - 1, rows[i - 1].order, rows[i - 1].row);
    expectAt(t, rows[i].order, rows[i].row);
  }
}

TEST_F(MusicLockstep, LevelsFollowTheChannelsAndSilentChannelsReadZero) {
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);  // loaded, not playing
  play(0);
  const std::vector<RowStart> rows = testsongs::timingSongRows();
  const std::uint32_t end = firstMsAt(rows.back().frame);
  for (std::uint32_t t = 10; t < end + 2000; t += 10) {
    fakeNow = t;
    const int order = FMUSIC_GetOrder(song), row = FMUSIC_GetRow(song);
    SCOPED_TRACE(::testing::Message() << "t " << t << " order " << order << " row " << row);
    int sounding = 0;
    for (int c = 0; c < 64; ++c) {
      const int volume = FSOUND_GetVolume(c);
      ASSERT_GE(volume, 0);
      ASSERT_LE(volume, 255);
      ASSERT_EQ(FSOUND_IsPlaying(c), volume > 0 ? 1 : 0);
      sounding += FSOUND_IsPlaying(c);
    }
    EXPECT_EQ(FSOUND_GetChannelsPlaying(), sounding);
    EXPECT_EQ(FSOUND_GetVolume(2), 0);
    if (t >= end) {  // the song is over: silent, at its last row
      EXPECT_EQ(sounding, 0);
      EXPECT_EQ(order, 4);
      EXPECT_EQ(row, 31);
      continue;
    }
    EXPECT_GT(FSOUND_GetVolume(1), 0);
    EXPECT_GT(FSOUND_GetVolume(0), FSOUND_GetVolume(1));
    if (order == 0 && row < 8) {
      EXPECT_EQ(FSOUND_IsPlaying(3), 1);
    }
    // Cut at row 8: its meter falls to 0 within about a quarter second.
    if ((order == 0 || order == 2) && row >= 16) {
      EXPECT_EQ(FSOUND_IsPlaying(3), 0);
    }
  }
}

TEST_F(MusicLockstep, SongStartsAtTheChosenOrder) {
  music::setStartOrder(3);
  play(500);
  playStart = 500;
  expectAt(0, 3, 0);
  // Row 10 of order 3 starts 10 rows of 2,205 frames in: 500 ms.
  expectAt(499, 3, 9);
  expectAt(500, 3, 10);

  music::setStartOrder(99);
  ::testing::internal::CaptureStderr();
  play(500);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lineCount(said), 1) << said;
  expectAt(0, 0, 0);
}

TEST_F(MusicLockstep, StopHoldsThePositionAndAReplaySoundsTheSame) {
  play(100);
  playStart = 100;
  expectAt(3000, 0, 25);
  const int volume0 = FSOUND_GetVolume(0), volume1 = FSOUND_GetVolume(1);
  EXPECT_GT(volume0, 0);

  EXPECT_EQ(FMUSIC_StopSong(song), 1);
  fakeNow += 5000;
  EXPECT_EQ(FMUSIC_GetOrder(song), 0);
  EXPECT_EQ(FMUSIC_GetRow(song), 25);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FSOUND_GetVolume(0), 0);

  play(20000);
  playStart = 20000;
  expectAt(0, 0, 0);
  expectAt(3000, 0, 25);
  EXPECT_EQ(FSOUND_GetVolume(0), volume0);
  EXPECT_EQ(FSOUND_GetVolume(1), volume1);
}

TEST_F(MusicLockstep, FreeAndReload) {
  play(0);
  expectAt(1000, 0, 8);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);  // frees a playing song
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);  // a handle no longer held is refused, not freed twice

  song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  play(0);
  expectAt(1000, 0, 8);

  // Closing ends playback and releases every song.
  FSOUND_Close();
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
}

}  // namespace
