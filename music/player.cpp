// The module-player calls. Each query answers from one source: the scripted
// position of a test, the song rendered in lockstep with a clock (the show's
// fixed-step clock, or the timer when there is no audio device), or the
// audible-position timeline of the device.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <ios>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <string>
#include <vector>

#include "music/audible_timeline.h"
#include "music/audio_output.h"
#include "music/music.h"
#include "music/music_control.h"
#include "music/song_renderer.h"

struct FMUSIC_MODULE {
  explicit FMUSIC_MODULE(std::vector<std::byte> data) : renderer(std::move(data)), held(renderer.current()) {}
  music::SongRenderer renderer;
  music::BlockRecord held;  // the position a song that is not playing reports
};

namespace {

using music::BlockRecord;

static_assert(std::size(music::Script{}.volume) == music::maxChannels);

// The player behind the calls. The module-player calls are free functions
// that take no player (music.h says why their names are kept), like the
// library they stand for, so the state they share is this one object; our
// controls (music_control.h) set it.
struct Player {
  bool started = false;
  signed char initResult = 0;
  std::uint32_t (*lockstepClock)() = nullptr;
  int startOrder = 0;
  const music::Script* script = nullptr;
  std::vector<std::unique_ptr<FMUSIC_MODULE>> songs;
  FMUSIC_MODULE* playing = nullptr;
  std::uint32_t (*songClock)() = nullptr;  // set while the song follows a clock
  std::uint32_t songStart = 0;
  BlockRecord startState;  // the device's answer until the first frame sounds
  music::AudibleTimeline timeline;
  std::int64_t heardFrame = -1;  // of the device's last answer
  std::int64_t heardNs = 0;      // and when it was asked
  std::int64_t drawnFrame = -1;  // heardFrame at the last FMUSIC_GetOrder, until taken
  std::int64_t drawnNs = 0;
  std::int64_t aheadNs = 0;  // the answers are for this long after they are asked
};
Player player;

// A handle the player holds, or null.
FMUSIC_MODULE* known(FMUSIC_MODULE* module) {
  for (const auto& song : player.songs)
    if (song.get() == module) return module;
  return nullptr;
}

// What the listener hears of the playing song now.
BlockRecord heardNow() {
  FMUSIC_MODULE* song = player.playing;
  if (player.songClock != nullptr) {
    const auto aheadMs = static_cast<std::uint32_t>(player.aheadNs / 1'000'000);
    const std::uint32_t t = player.songClock() + aheadMs - player.songStart;  // wraps with the clock
    const std::uint64_t frame = std::uint64_t{t} * music::mixRate / 1000;
    return song->renderer.renderThrough(frame);
  }
  BlockRecord block;
  const std::int64_t now = music::audio::nowNs();
  const std::int64_t frame = player.timeline.audibleFrame(now + player.aheadNs);
  player.heardFrame = frame;
  player.heardNs = now;
  if (frame < 0 || !player.timeline.blockAt(frame, block)) return player.startState;
  return block;
}

BlockRecord position(FMUSIC_MODULE* module) {
  if (module == player.playing) return heardNow();
  return module->held;
}

// The player's channels are the module channels sounding now, in channel
// order: channel i is the i-th of them. The count and every channel's level
// come from this one list, so that channel i < count is always one that sounds.
struct Sounding {
  int count = 0;
  int level[music::maxChannels] = {};
};

Sounding sounding() {
  Sounding now;
  if (player.playing == nullptr) return now;
  for (std::uint8_t level : heardNow().level)
    if (level > 0) now.level[now.count++] = level;
  return now;
}

signed char stop(FMUSIC_MODULE* module) {
  if (module != player.playing) return 1;
  module->held = heardNow();
  music::audio::play(nullptr);
  player.playing = nullptr;
  player.songClock = nullptr;
  return 1;
}

}  // namespace

signed char FSOUND_Init(int, int, unsigned int) {
  // The show asks for 44,100 Hz, 16 channels, no flags: the only set-up this
  // player has. Under the lockstep clock no device is needed.
  if (player.started) return player.initResult;
  player.started = true;
  if (player.lockstepClock == nullptr) {
    const std::string silent = music::audio::open(player.timeline);
    if (!silent.empty())
      std::fprintf(stderr, "music: no audio device (%s); the show runs silent on its timer\n", silent.c_str());
  }
  player.initResult = player.lockstepClock != nullptr || music::audio::isOpen() ? 1 : 0;
  return player.initResult;
}

void FSOUND_Close() {
  if (player.playing != nullptr) stop(player.playing);
  player.songs.clear();
  music::audio::close();
  player.started = false;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
  if (name == nullptr) return nullptr;
  std::vector<std::byte> data;
  try {
    std::ifstream file(name, std::ios::binary);
    if (!file) throw std::ios_base::failure("cannot open");
    // Reading a folder or a failing disk throws from inside the stream.
    std::transform(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(),
                   std::back_inserter(data), [](char c) { return static_cast<std::byte>(c); });
  } catch (const std::exception&) {
    std::fprintf(stderr, "music: cannot read \"%s\"; the show runs silent\n", name);
    return nullptr;
  }
  try {
    player.songs.push_back(std::make_unique<FMUSIC_MODULE>(std::move(data)));
    return player.songs.back().get();
  } catch (const openmpt::exception& e) {
    std::fprintf(stderr, "music: \"%s\" is no module libopenmpt can play (%s); the show runs silent\n", name,
                 e.what());
    return nullptr;
  }
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* module) {
  if (known(module) == nullptr) return 0;
  stop(module);
  std::erase_if(player.songs, [module](const auto& song) { return song.get() == module; });
  return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* module) {
  if (known(module) == nullptr) return 0;
  if (player.playing != nullptr) stop(player.playing);
  if (!module->renderer.restart(player.startOrder))
    std::fprintf(stderr, "music: the song has no order %d; it starts at order 0\n", player.startOrder);
  player.startState = module->renderer.current();
  player.playing = module;
  if (player.lockstepClock != nullptr) {
    player.songClock = player.lockstepClock;
  } else if (music::audio::isOpen()) {
    music::audio::play(&module->renderer);
    return 1;
  } else {
    player.songClock = music::audio::silentClock;
  }
  player.songStart = player.songClock();
  return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* module) {
  if (known(module) == nullptr) return 0;
  return stop(module);
}

int FMUSIC_GetOrder(FMUSIC_MODULE* module) {
  if (player.script != nullptr) return player.script->order;
  if (known(module) == nullptr) return -1;
  player.heardFrame = -1;
  const int order = position(module).order;
  player.drawnFrame = player.heardFrame;
  player.drawnNs = player.heardNs;
  return order;
}

int FMUSIC_GetRow(FMUSIC_MODULE* module) {
  if (player.script != nullptr) return player.script->row;
  if (known(module) == nullptr) return 0;
  return position(module).row;
}

int FSOUND_GetChannelsPlaying() {
  if (player.script != nullptr) return player.script->channelsPlaying;
  return sounding().count;
}

int FSOUND_GetVolume(int channel) {
  if (channel < 0 || channel >= music::maxChannels) return 0;
  if (player.script != nullptr) return player.script->volume[channel];
  return sounding().level[channel];
}

signed char FSOUND_IsPlaying(int channel) {
  if (channel < 0 || channel >= music::maxChannels) return 0;
  if (player.script != nullptr) return player.script->playing[channel] ? 1 : 0;
  return sounding().level[channel] > 0 ? 1 : 0;
}

namespace music {

void useLockstep(std::uint32_t (*clock)()) { player.lockstepClock = clock; }
void setStartOrder(int order) { player.startOrder = order; }
void setAudioOffset(int ms) { player.timeline.setOffset(std::int64_t{ms} * mixRate / 1000); }

void aimAhead(std::int64_t ns) { player.aheadNs = ns; }

std::int64_t takeDrawnFrame(std::int64_t& askedNs) {
  askedNs = player.drawnNs;
  const std::int64_t frame = player.drawnFrame;
  player.drawnFrame = -1;
  return frame;
}
void useScript(const Script* script) { player.script = script; }

void deviceRemoved(std::uint32_t device) {
  if (!audio::isDevice(device)) return;
  std::fputs("music: the audio device has gone; the show goes on silent on its timer\n", stderr);
  FMUSIC_MODULE* song = player.playing;
  // Everything the device was given counts as heard: the song continues from there.
  const std::uint64_t rendered = song != nullptr ? song->renderer.framesRendered() : 0;
  audio::close();
  if (song == nullptr) return;
  player.songClock = audio::silentClock;
  player.songStart = audio::silentClock() - static_cast<std::uint32_t>(rendered * 1000 / mixRate);
}

}  // namespace music
