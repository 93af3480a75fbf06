// Audio output to the sound server, or through SDL: the song rendered block by block as the output asks.
#include "music/audio_output.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "music/audible_timeline.h"
#include "music/song_renderer.h"
#ifdef FK_SERVER
#include "music/sound_server.h"
#endif

namespace music::audio {

// The one output device of the process, reached from the player's free calls
// and from the device's own thread: its state is this file's.
namespace {
SDL_AudioDeviceID device = 0;
std::uint32_t deviceBuffer = 0;  // frames SDL's device holds in front of a callback's data
bool subsystemStarted = false;
AudibleTimeline* timeline = nullptr;
SongRenderer* song = nullptr;  // read by the callback under the device's lock
std::int64_t (*handClock)() = nullptr;  // a test's device, open when handOpen
std::uint32_t handBuffer = 0;
bool handOpen = false;

// How long a song given to the output may take to be heard: then play()
// returns anyway (an output that starts later, or not at all).
constexpr std::int64_t startLimitNs = 2'500'000'000;

#ifdef _WIN32
constexpr const char* nullDevice = "NUL";
constexpr int noInherit = O_NOINHERIT;
#else
constexpr const char* nullDevice = "/dev/null";
constexpr int noInherit = O_CLOEXEC;
#endif

// Sound libraries under SDL (ALSA above all) write their own complaints to
// standard error when there is no card; the player says it in one line.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved = dup(STDERR_FILENO);
    const int nowhere = ::open(nullDevice, O_WRONLY | noInherit);
    if (saved >= 0 && nowhere >= 0) dup2(nowhere, STDERR_FILENO);
    if (nowhere >= 0) ::close(nowhere);
  }
  ~QuietStderr() {
    if (saved < 0) return;
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved = -1;
};

// Renders `frames` frames of the song into `out`, noting every block in the
// timeline, and returns the song frame they end at; -1 without a song.
std::int64_t render(float* out, std::uint32_t frames) {
  if (song == nullptr) return -1;
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t n = std::min(blockFrames, frames - done);
    timeline->record(song->renderBlock(out + 2 * done, n));
    done += n;
  }
  return static_cast<std::int64_t>(song->framesRendered());
}

// SDL's callback: SDL 2 cannot say how long the sound takes from its buffer
// to the listener, so only its own buffer and this callback's data count.
void fill(void*, Uint8* stream, int length) {
  const std::int64_t calledAt = nowNs();
  auto* out = reinterpret_cast<float*>(stream);
  const auto frames = static_cast<std::uint32_t>(length / static_cast<int>(2 * sizeof(float)));
  const std::int64_t handed = render(out, frames);
  if (handed < 0) {
    std::fill(out, out + 2 * frames, 0.0f);
    return;
  }
  timeline->handOver(static_cast<std::uint64_t>(handed), std::int64_t{frames} + deviceBuffer, calledAt);
}

// Until the listener hears the song's first frame, at most startLimitNs.
void awaitFirstFrame() {
  const std::int64_t until = nowNs() + startLimitNs;
  for (std::int64_t now = nowNs(); timeline->audibleFrame(now) < 0 && now < until; now = nowNs()) SDL_Delay(1);
}

#ifdef FK_SERVER
// The id under which a lost sound server is reported; SDL's own ids are small.
constexpr std::uint32_t serverDevice = 0xFFFFFFFFu;
bool onServer = false;

// The sound server plays unless SDL was told to use another driver.
bool wantServer() {
  const char* driver = SDL_getenv("SDL_AUDIODRIVER");
  return driver == nullptr || *driver == '\0' || std::strcmp(driver, server::sdlDriver) == 0;
}

// The server or the stream has failed: the main loop hears it as a removed device.
void serverLost() {
  SDL_Event event{};
  event.type = SDL_AUDIODEVICEREMOVED;
  event.adevice.which = serverDevice;
  SDL_PushEvent(&event);
}
#endif
}  // namespace

std::string open(AudibleTimeline& into) {
  if (isOpen()) return {};
  if (handClock != nullptr) {
    timeline = &into;
    deviceBuffer = handBuffer;
    handOpen = true;
    return {};
  }
#ifdef FK_SERVER
  // Where no server answers, SDL finds what else there is.
  if (wantServer() && server::open(render, into, serverLost).empty()) {
    timeline = &into;
    onServer = true;
    return {};
  }
#endif
  QuietStderr quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return SDL_GetError();
  subsystemStarted = true;
  SDL_AudioSpec want{};
  want.freq = mixRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = blockFrames;
  want.callback = fill;
  SDL_AudioSpec have{};
  // SDL converts to whatever the card takes; only the buffer size may differ.
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device == 0) {
    std::string why = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemStarted = false;
    return why;
  }
  timeline = &into;
  deviceBuffer = have.samples;
  // The dummy driver keeps time like a card and plays nothing.
  if (std::strcmp(SDL_GetCurrentAudioDriver(), "dummy") == 0) return "SDL's dummy driver";
  return {};
}

void close() {
#ifdef FK_SERVER
  if (onServer) server::close();
  onServer = false;
#endif
  if (device != 0) SDL_CloseAudioDevice(device);
  device = 0;
  handOpen = false;
  song = nullptr;
  timeline = nullptr;
  if (subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  subsystemStarted = false;
}

#ifdef FK_SERVER
bool isOpen() { return device != 0 || handOpen || onServer; }
bool isDevice(std::uint32_t id) { return (device != 0 && id == device) || (onServer && id == serverDevice); }
#else
bool isOpen() { return device != 0 || handOpen; }
bool isDevice(std::uint32_t id) { return device != 0 && id == device; }
#endif

void play(SongRenderer* next) {
  if (!isOpen()) return;
#ifdef FK_SERVER
  if (onServer) {
    server::lock();
    song = next;
    if (song != nullptr) timeline->reset();
    server::cork(next == nullptr);
    server::unlock();
    if (next != nullptr) awaitFirstFrame();
    return;
  }
#endif
  if (device != 0) SDL_LockAudioDevice(device);
  song = next;
  if (song != nullptr) timeline->reset();
  if (device == 0) return;
  SDL_UnlockAudioDevice(device);
  SDL_PauseAudioDevice(device, next == nullptr ? 1 : 0);
  if (next != nullptr) awaitFirstFrame();
}

std::int64_t nowNs() {
  if (handClock != nullptr) return handClock();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t silentClock() { return SDL_GetTicks(); }

void useHandDevice(std::int64_t (*clock)(), std::uint32_t bufferFrames) {
  handClock = clock;
  handBuffer = bufferFrames;
}

void pull(std::uint32_t frames) {
  if (!handOpen) return;
  std::vector<float> buffer(2 * std::size_t{frames});
  fill(nullptr, reinterpret_cast<Uint8*>(buffer.data()), static_cast<int>(buffer.size() * sizeof(float)));
}

}  // namespace music::audio
