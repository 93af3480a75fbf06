// Tests of the module-player calls: lockstep timing, the device path, channels, refusals.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <tuple>
#include <vector>

#include "music/audio_output.h"
#include "music/music.h"
#include "music/music_control.h"
#include "music/song_renderer.h"
#include "tools/itwriter/it_writer.h"

namespace {

std::string scratchPath(const std::string& name) {
  return ::testing::TempDir() + "music-" + std::to_string(getpid()) + "-" + name;
}

// Six channels, orders {0, 1, 0, 2, 1} over patterns of 64, 32 and 48 rows
// (tempo and speed changes: see timingSongRows). Channels 0, 1 and 3 never
// sound: 0 and 1 only hold effects, 3 is empty. Channel 2 holds a
// looped tone at full volume from row 0 of every pattern, channel 4 the same
// at volume 16, and channel 5 plays from row 0 of pattern 0 to its cut at row 8.
std::string writeTimingSong() {
  itw::Song song;
  song.channels.resize(6);
  itw::Sample& tone = song.samples.emplace_back();
  for (int i = 0; i < 4400; ++i) tone.pcm16.push_back(i % 100 < 50 ? 12000 : -12000);
  tone.loop = true;
  tone.loopEnd = 4400;
  const int c5 = itw::note("C-5");
  for (int rows : {64, 32, 48}) {
    itw::Pattern& p = song.patterns.emplace_back(rows, 6);
    p.at(0, 2) = {c5, 1, 64};
    p.at(0, 4) = {c5, 1, 16};
  }
  song.patterns[0].at(0, 5) = {c5, 1, 64};
  song.patterns[0].at(8, 5).note = itw::kNoteCut;
  song.patterns[1].at(0, 0) = {itw::kEmpty, 0, itw::kEmpty, 'A', 3};
  song.patterns[1].at(0, 1) = {itw::kEmpty, 0, itw::kEmpty, 'T', 150};
  song.patterns[2].at(10, 0) = {itw::kEmpty, 0, itw::kEmpty, 'A', 5};
  song.patterns[2].at(40, 0) = {itw::kEmpty, 0, itw::kEmpty, 'C', 0};
  song.orders = {0, 1, 0, 2, 1};
  const std::string path = scratchPath("timing.it");
  std::string error;
  if (!itw::save(song, path, &error)) ADD_FAILURE() << error;
  return path;
}

// Where each order and row starts, in frames; the last entry is the end.
struct RowStart {
  int order, row;
  std::uint64_t frame;
};
std::vector<RowStart> timingSongRows() {
  // Order, first row, rows, frames a row: speed 6 and tempo 125, from order 1
  // speed 3 and tempo 150, from row 10 of order 3 speed 5, and a break after its row 40.
  const int runs[][4] = {{0, 0, 64, 5292}, {1, 0, 32, 2205}, {2, 0, 64, 2205},
                         {3, 0, 10, 2205}, {3, 10, 31, 3675}, {4, 0, 32, 2205}};
  std::vector<RowStart> starts;
  std::uint64_t frame = 0;
  for (const auto& [order, first, rows, framesPerRow] : runs)
    for (int r = first; r < first + rows; ++r, frame += framesPerRow) starts.push_back({order, r, frame});
  starts.push_back({-1, -1, frame});
  return starts;
}

std::vector<std::byte> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::byte> data;
  for (char c; in.get(c);) data.push_back(static_cast<std::byte>(c));
  return data;
}

std::uint32_t fakeNow = 0;
std::uint32_t fakeClock() { return fakeNow; }
std::int64_t fakeNs = 0;
std::int64_t fakeNsClock() { return fakeNs; }

// Nanoseconds that `frames` frames last, rounded up so that they count whole
// when added to any time.
std::int64_t ns(std::int64_t frames) { return (frames * 1'000'000'000 + music::mixRate - 1) / music::mixRate; }

// The smallest whole millisecond whose sample, floor(t * 44100 / 1000), is at or past `frame`.
std::uint32_t firstMsAt(std::uint64_t frame) { return static_cast<std::uint32_t>((frame * 1000 + 44099) / 44100); }

// Waits until the playing song reaches `row`, for at most five seconds: a
// stalled player fails the test instead of hanging the suite.
::testing::AssertionResult reachesRow(FMUSIC_MODULE* song, int row) {
  const std::uint32_t until = SDL_GetTicks() + 5000;
  while (FMUSIC_GetRow(song) < row) {
    if (SDL_GetTicks() >= until)
      return ::testing::AssertionFailure() << "the player stalled at row " << FMUSIC_GetRow(song)
                                           << " for 5 s, waiting for row " << row;
    SDL_Delay(5);
  }
  return ::testing::AssertionSuccess();
}

// Standard error since CaptureStderr: `lines` lines, among them `words`.
void expectSaid(int lines, const std::string& words) {
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), lines) << said;
  EXPECT_NE(said.find(words), std::string::npos) << said;
}

class MusicPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { songPath = writeTimingSong(); }
  static void TearDownTestSuite() { std::remove(songPath.c_str()); }
  void TearDown() override {
    FSOUND_Close();
    music::audio::useHandDevice(nullptr, 0);
    music::useLockstep(nullptr);
    music::setStartOrder(0);
    SDL_setenv("SDL_AUDIODRIVER", "", 1);  // empty: SDL picks the driver
  }
  static inline std::string songPath;
};

// The song rendered in lockstep with a clock the test moves.
class MusicLockstep : public MusicPlayer {
 protected:
  void SetUp() override {
    music::useLockstep(&fakeClock);
    FSOUND_Init(44100, 16, 0);
    song = FMUSIC_LoadSong(songPath.c_str());
    ASSERT_NE(song, nullptr);
  }
  void play(std::uint32_t start) {
    fakeNow = playStart = start;
    ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  }
  void expectAt(std::uint32_t t, int order, int row) {
    fakeNow = playStart + t;
    EXPECT_EQ(std::pair(FMUSIC_GetOrder(song), FMUSIC_GetRow(song)), std::pair(order, row)) << "at " << t << " ms";
  }
  FMUSIC_MODULE* song = nullptr;
  std::uint32_t playStart = 0;
};

TEST_F(MusicPlayer, NullHandleAndChannelsOutOfRangeAnswerNothing) {
  EXPECT_LT(FMUSIC_GetOrder(nullptr), 0);
  EXPECT_EQ(FMUSIC_GetRow(nullptr), 0);
  EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
  EXPECT_EQ(FMUSIC_StopSong(nullptr), 0);
  EXPECT_EQ(FMUSIC_FreeSong(nullptr), 0);
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  for (int channel : {-1, 64}) EXPECT_EQ(FSOUND_GetVolume(channel) + FSOUND_IsPlaying(channel), 0);
}

TEST_F(MusicPlayer, MissingOrBrokenModuleLoadsAsNullWithOneLine) {
  const std::string broken = scratchPath("broken.it");
  std::ofstream(broken) << "IMPM but nothing a player could use";
  for (const std::string& path : {scratchPath("no-such-song.it"), broken}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
    expectSaid(1, path);
  }
  std::remove(broken.c_str());
}

TEST_F(MusicPlayer, NoAudioDeviceRunsSilentOnTheTimerWithOneLine) {
  SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FSOUND_Init(44100, 16, 0), 0);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_EQ(FMUSIC_GetOrder(song), 0);
  EXPECT_EQ(FMUSIC_StopSong(song), 1);
  expectSaid(1, "no audio device");
}

TEST_F(MusicPlayer, DeviceAnswersFromWhatItHasPlayedAndGoesOnWhenLost) {
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);  // consumes audio in real time, plays nothing
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_TRUE(reachesRow(song, 1));
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);  // freed while the device plays it
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);

  song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_TRUE(reachesRow(song, 2));
  // SDL numbers its devices from 2; only the song's own device counts.
  for (std::uint32_t id = 1; id < 8; ++id) music::deviceRemoved(id);
  expectSaid(2, "the audio device has gone");
  const int row = FMUSIC_GetRow(song);
  EXPECT_GE(row, 2);
  // The position moves on with the timer: a row lasts 120 ms.
  EXPECT_TRUE(reachesRow(song, row + 1));
}

// A device driven by hand, asked for one buffer of four blocks at a time, on
// time, and holding as much again in front of each callback's data: the
// answers are those of the block sounding now, a device buffer behind the
// newest rendered one, checked against the song rendered alone at three
// moments between callbacks, through the channel 5 cut and into order 2.
TEST_F(MusicPlayer, DeviceAnswersForTheBlockSoundingNowNotTheNewestRendered) {
  constexpr std::uint32_t B = music::blockFrames, buffer = 4 * B;
  music::audio::useHandDevice(&fakeNsClock, buffer);
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  music::SongRenderer reference(fileBytes(songPath));
  const music::BlockRecord start = reference.current();
  const std::int64_t t0 = 5'000'000'000;
  for (std::int64_t k = 0; k < 220; ++k) {
    fakeNs = t0 + ns(k * buffer);
    music::audio::pull(buffer);
    for (std::int64_t into : {0u, buffer / 2, buffer - 1}) {
      fakeNs = t0 + ns(k * buffer) + ns(into);
      const std::int64_t frame = (k - 1) * buffer + into;
      const music::BlockRecord& heard = frame < 0 ? start : reference.renderThrough(frame / B * B + B - 1);
      SCOPED_TRACE(::testing::Message() << "callback " << k << ", frame " << frame);
      ASSERT_EQ(std::pair(FMUSIC_GetOrder(song), FMUSIC_GetRow(song)), std::pair(heard.order, heard.row));
      // The player's channels: those of module channels 2, 4 and 5 that sound, in that order.
      std::vector<int> levels;
      for (int c : {2, 4, 5})
        if (heard.level[c] > 0) levels.push_back(heard.level[c]);
      ASSERT_EQ(FSOUND_GetChannelsPlaying(), static_cast<int>(levels.size()));
      levels.resize(4);
      for (int i = 0; i < 4; ++i) ASSERT_EQ(FSOUND_GetVolume(i), levels[i]) << "channel " << i;
    }
  }
  EXPECT_EQ(FMUSIC_GetOrder(song), 2);
}

// The rows start where libopenmpt itself places them; the renderer reports each
// row from its first frame on, and the queries from the first millisecond whose
// sample is in it, across the clock's wrap.
TEST_F(MusicLockstep, RowsStartAtLibopenmptsOwnSampleAndQueriesAnswerForShowTime) {
  const std::vector<std::byte> data = fileBytes(songPath);
  openmpt::module reference(data);
  music::SongRenderer renderer(data);
  const std::vector<RowStart> rows = timingSongRows();
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    const RowStart &row = rows[i], &previous = rows[i - 1];
    SCOPED_TRACE(::testing::Message() << "order " << row.order << " row " << row.row);
    EXPECT_EQ(std::llround(reference.set_position_order_row(row.order, row.row) * 44100),
              static_cast<long long>(row.frame));
    const music::BlockRecord& before = renderer.renderThrough(row.frame - 1);
    EXPECT_EQ(std::pair(before.order, before.row), std::pair(previous.order, previous.row));
    const music::BlockRecord& at = renderer.renderThrough(row.frame);
    ASSERT_EQ(std::pair(at.order, at.row), std::pair(row.order, row.row));
  }

  play(0xFFFFF000u);  // the clock wraps about 4 s into the song
  expectAt(0, 0, 0);
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    const std::uint32_t t = firstMsAt(rows[i].frame);
    expectAt(t - 1, rows[i - 1].order, rows[i - 1].row);
    expectAt(t, rows[i].order, rows[i].row);
  }
}

// The player's channels are the module channels sounding now, in channel
// order, for the count, the volumes and the playing flags alike: channel 0 is
// module channel 2 (full volume), 1 is module channel 4 (volume 16), and 2 is
// module channel 5 until its cut has died away.
TEST_F(MusicLockstep, ChannelsAreTheSoundingOnesInChannelOrder) {
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);  // loaded, not playing
  play(0);
  const std::uint32_t end = firstMsAt(timingSongRows().back().frame);
  for (std::uint32_t t = 10; t < end + 2000; t += 10) {
    fakeNow = t;
    const int order = FMUSIC_GetOrder(song), row = FMUSIC_GetRow(song), count = FSOUND_GetChannelsPlaying();
    SCOPED_TRACE(::testing::Message() << "t " << t << " order " << order << " row " << row);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(int{FSOUND_IsPlaying(i)}, i < count ? 1 : 0) << "channel " << i;
      ASSERT_EQ(FSOUND_GetVolume(i) > 0, i < count) << "channel " << i;
    }
    if (t >= end) {  // the song is over: silent, at its last row
      EXPECT_EQ(std::tuple(count, order, row), std::tuple(0, 4, 31));
      continue;
    }
    EXPECT_GT(FSOUND_GetVolume(0), FSOUND_GetVolume(1));
    // Channel 5 plays in orders 0 and 2 and is cut at row 8: its meter falls
    // to 0 within about a quarter second.
    const bool channel5Plays = order == 0 || order == 2;
    if (channel5Plays && row < 8) { EXPECT_EQ(count, 3); }
    if (!channel5Plays || row >= 16) { EXPECT_EQ(count, 2); }
  }
}

TEST_F(MusicLockstep, SongStartsAtTheChosenOrderOrAtOrder0IfItHasNone) {
  music::setStartOrder(3);
  play(500);
  expectAt(0, 3, 0);
  expectAt(499, 3, 9);  // row 10 starts 10 rows of 2,205 frames in
  expectAt(500, 3, 10);

  music::setStartOrder(99);
  ::testing::internal::CaptureStderr();
  play(500);
  expectSaid(1, "no order 99");
  expectAt(0, 0, 0);
}

TEST_F(MusicLockstep, StopHoldsThePositionReplaySoundsTheSameAndFreeIsOnce) {
  play(100);
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
  expectAt(0, 0, 0);
  expectAt(3000, 0, 25);
  EXPECT_EQ(FSOUND_GetVolume(0), volume0);
  EXPECT_EQ(FSOUND_GetVolume(1), volume1);

  EXPECT_EQ(FMUSIC_FreeSong(song), 1);  // frees a playing song
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);  // a handle no longer held is refused, not freed twice
  song = FMUSIC_LoadSong(songPath.c_str());
  play(0);
  expectAt(1000, 0, 8);
  FSOUND_Close();  // ends playback and releases every song
  EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
}

}  // namespace
