// Tests of the module-player calls: lockstep timing, the device path, channels, refusals.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

const std::string scratch = ::testing::TempDir() + "music-" + std::to_string(getpid()) + "-";

// Six channels, orders {0, 1, 0, 2, 1} over patterns of 64, 32 and 48 rows.
// Speed 6 and tempo 125 (5,292 frames a row), from order 1 speed 3 and tempo
// 150 (2,205), from row 10 of order 3 speed 5 (3,675), and a break after its
// row 40. Channels 0, 1 and 3 never sound: 0 and 1 only hold effects, 3 is
// empty. Channel 2 holds a looped tone at full volume from row 0 of every
// pattern, channel 4 the same at volume 16, and channel 5 plays from row 0 of
// pattern 0 to its cut at row 8.
itw::Song timingSong() {
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
  song.patterns[1].at(0, 0) = {.effect = 'A', .param = 3};
  song.patterns[1].at(0, 1) = {.effect = 'T', .param = 150};
  song.patterns[2].at(10, 0) = {.effect = 'A', .param = 5};
  song.patterns[2].at(40, 0) = {.effect = 'C', .param = 0};
  song.orders = {0, 1, 0, 2, 1};
  return song;
}

std::uint32_t fakeNow = 0;   // the lockstep clock, in ms
std::int64_t fakeNs = 0;     // the hand device's clock

// Nanoseconds that `frames` frames last, rounded up so that they count whole
// when added to any time.
std::int64_t ns(std::int64_t frames) { return (frames * 1'000'000'000 + music::mixRate - 1) / music::mixRate; }

// Waits until the playing song reaches `row`, for at most five seconds: a
// stalled player fails the test instead of hanging the suite.
bool reachesRow(FMUSIC_MODULE* song, int row) {
  for (const std::uint32_t until = SDL_GetTicks() + 5000; FMUSIC_GetRow(song) < row; SDL_Delay(5))
    if (SDL_GetTicks() >= until) return false;
  return true;
}

// Standard error since CaptureStderr: `lines` lines, among them `words`.
void expectSaid(int lines, const std::string& words) {
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), lines) << said;
  EXPECT_NE(said.find(words), std::string::npos) << said;
}

// The player's channels are the module channels sounding in `heard`, in
// channel order (of the timing song's, 2, 4 and 5 sound), for the count, the
// volumes and the playing flags alike.
void expectChannelsOf(const music::BlockRecord& heard) {
  std::vector<int> levels;
  for (int c : {2, 4, 5})
    if (heard.level[c] > 0) levels.push_back(heard.level[c]);
  ASSERT_EQ(FSOUND_GetChannelsPlaying(), static_cast<int>(levels.size()));
  levels.resize(4);
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(std::pair(FSOUND_GetVolume(i), int{FSOUND_IsPlaying(i)}), std::pair(levels[i], int{levels[i] > 0}))
        << "channel " << i;
}

class MusicPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(itw::save(timingSong(), songPath));
    for (std::uint8_t b : itw::encode(timingSong())) songData.push_back(std::byte{b});
  }
  static void TearDownTestSuite() { std::remove(songPath.c_str()); }
  void TearDown() override {
    FSOUND_Close();
    music::audio::useHandDevice(nullptr, 0);
    music::useLockstep(nullptr);
    music::aimAhead(0);
    SDL_setenv("SDL_AUDIODRIVER", "", 1);  // empty: SDL picks the driver
  }
  static inline const std::string songPath = scratch + "timing.it";
  static inline std::vector<std::byte> songData;
};

TEST_F(MusicPlayer, NullHandlesUnreadableModulesAndNoDeviceAnswerQuietlyWithOneLine) {
  EXPECT_LT(FMUSIC_GetOrder(nullptr), 0);
  EXPECT_EQ(std::tuple(FMUSIC_GetRow(nullptr), FMUSIC_PlaySong(nullptr), FMUSIC_StopSong(nullptr), FMUSIC_FreeSong(nullptr)),
            std::tuple(0, 0, 0, 0));
  for (int channel : {-1, 64}) EXPECT_EQ(FSOUND_GetVolume(channel) + FSOUND_IsPlaying(channel), 0);

  const std::string broken = scratch + "broken.it";
  std::ofstream(broken) << "IMPM but nothing a player could use";
  for (const std::string& path : {scratch + "no-such-song.it", broken}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
    expectSaid(1, path);
  }
  std::remove(broken.c_str());

  SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FSOUND_Init(44100, 16, 0), 0);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  EXPECT_EQ(FMUSIC_PlaySong(song), 1);  // on the timer
  EXPECT_EQ(FMUSIC_GetOrder(song), 0);
  expectSaid(1, "no audio device");
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);  // a handle no longer held is refused, not freed twice
}

TEST_F(MusicPlayer, DeviceLostTheSongGoesOnSilentOnTheTimerFromWhereItStood) {
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);  // consumes audio in real time, plays nothing
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_TRUE(reachesRow(song, 2)) << "stalled at row " << FMUSIC_GetRow(song);
  // SDL numbers its devices from 2; only the song's own device counts.
  for (std::uint32_t id = 1; id < 8; ++id) music::deviceRemoved(id);
  expectSaid(2, "the audio device has gone");
  const int row = FMUSIC_GetRow(song);
  EXPECT_GE(row, 2);
  // The position moves on with the timer: a row lasts 120 ms.
  EXPECT_TRUE(reachesRow(song, row + 1)) << "stalled at row " << FMUSIC_GetRow(song);
}

// A device driven by hand, asked for 1,000 frames at a time (rendered as
// blocks of 512 and 488), on time, and holding as much again in front of each
// callback's data: the answers are those of the block sounding now, a device
// buffer behind the newest rendered one, checked against the song rendered
// alone at block starts and ends, to past the song's end. Aimed ahead (the
// frame being drawn is seen that much later), they are those of the block
// sounding then, and the frame taken for the record is that answer, asked now.
TEST_F(MusicPlayer, DeviceAnswersForTheBlockSoundingWhenTheFrameIsSeen) {
  constexpr std::int64_t B = music::blockFrames, buffer = 1000, t0 = 5'000'000'000;
  music::audio::useHandDevice([] { return fakeNs; }, buffer);
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  for (std::int64_t ahead : {0, 700}) {
    music::aimAhead(ns(ahead));
    ASSERT_EQ(FMUSIC_PlaySong(song), 1);
    music::SongRenderer reference(songData);
    const std::int64_t start = fakeNs = t0 + (ahead > 0 ? ns(1000 * buffer) : 0);  // the aimed pass after the other
    for (std::int64_t k = 0; k < 800; ++k) {
      fakeNs = start + ns(k * buffer);
      music::audio::pull(buffer);
      // When the frames at block starts and ends sound, in time order.
      std::vector<std::int64_t> moments;
      for (std::int64_t at : {std::int64_t{0}, B - 1, B, buffer - 1})
        moments.push_back((at - ahead + buffer) % buffer);
      std::sort(moments.begin(), moments.end());
      for (std::int64_t into : moments) {
        fakeNs = start + ns(k * buffer) + ns(into);
        const std::int64_t frame = (k - 1) * buffer + into + ahead;
        const std::int64_t end = frame / buffer * buffer + (frame % buffer < B ? B : buffer) - 1;
        const music::BlockRecord& heard = frame < 0 ? reference.current() : reference.renderThrough(end);
        SCOPED_TRACE(::testing::Message() << "ahead " << ahead << ", callback " << k << ", frame " << frame);
        ASSERT_EQ(std::pair(FMUSIC_GetOrder(song), FMUSIC_GetRow(song)), std::pair(heard.order, heard.row));
        ASSERT_NO_FATAL_FAILURE(expectChannelsOf(heard));
        std::int64_t askedNs = 0;
        if (frame >= 0) {
          ASSERT_EQ(std::pair(music::takeDrawnFrame(askedNs), askedNs), std::pair(frame, fakeNs));
        }
      }
    }
    // Over, the song keeps its last row, silent.
    EXPECT_EQ(std::tuple(FMUSIC_GetOrder(song), FMUSIC_GetRow(song), FSOUND_GetChannelsPlaying()),
              std::tuple(4, 31, 0));
  }
}

// In lockstep with a clock the test moves, the rows start where libopenmpt
// itself places them: the renderer reports each row from its first frame on,
// and the queries from the first millisecond whose sample is in it, across
// the clock's wrap; the channels there are those the song sounds at that
// sample (rendered in the same steps as the player renders them).
TEST_F(MusicPlayer, InLockstepRowsStartAtLibopenmptsOwnSampleAndQueriesAnswerForShowTime) {
  music::useLockstep([] { return fakeNow; });
  ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  const std::uint32_t start = fakeNow = 0xFFFFF000u;  // the clock wraps about 4 s into the song
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  music::SongRenderer renderer(songData), sounding(songData);
  // The player's position t ms into the song, and what the song sounds there.
  auto expectAt = [&](std::uint32_t t, std::pair<int, int> position) {
    fakeNow = start + t;
    EXPECT_EQ(std::pair(FMUSIC_GetOrder(song), FMUSIC_GetRow(song)), position) << "at " << t << " ms";
    return sounding.renderThrough(std::uint64_t{t} * 44100 / 1000);
  };
  std::pair<int, int> previous{0, 0};
  expectAt(0, previous);
  openmpt::module reference(songData);
  // The rows the song plays: order 3 breaks after its row 40.
  for (auto [order, rows] : {std::pair{0, 64}, {1, 32}, {2, 64}, {3, 41}, {4, 32}})
    for (int row = order == 0 ? 1 : 0; row < rows; ++row) {
      SCOPED_TRACE(::testing::Message() << "order " << order << " row " << row);
      const auto frame = static_cast<std::uint64_t>(std::llround(reference.set_position_order_row(order, row) * 44100));
      const music::BlockRecord& before = renderer.renderThrough(frame - 1);
      EXPECT_EQ(std::pair(before.order, before.row), previous);
      const music::BlockRecord& at = renderer.renderThrough(frame);
      ASSERT_EQ(std::pair(at.order, at.row), std::pair(order, row));
      // The smallest whole millisecond whose sample, floor(t * 44100 / 1000), is at or past the frame.
      const auto t = static_cast<std::uint32_t>((frame * 1000 + 44099) / 44100);
      expectAt(t - 1, previous);
      previous = {order, row};
      ASSERT_NO_FATAL_FAILURE(expectChannelsOf(expectAt(t, previous)));
    }
}

}  // namespace
