// Audio output to the Windows audio engine through WASAPI, in shared mode.
#include <SDL.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "music/audible_timeline.h"
#include "music/audio_output.h"
#include "music/sound_server.h"

namespace music::server {

const char* const sdlDriver = "wasapi";

// The one stream of the process, reached from the player's free calls and
// from the stream's own thread, which alone makes the audio API's calls: its
// state is this file's.
namespace {

// What the stream holds in front of the engine, as with the PulseAudio
// server's stream (see pulse_output.cpp): in 100-ns units.
constexpr REFERENCE_TIME bufferDuration = 1'000'000;

std::thread thread;
std::recursive_mutex mutex;  // held while the thread writes, and by lock()
HANDLE wake = nullptr;       // the thread is to look at `quit` and `corked`
std::atomic<bool> quit{false};
bool corked = true;  // as asked, under the lock
bool ready = false;  // the stream opened; lost() is for failures after that
Fill fill = nullptr;
AudibleTimeline* timeline = nullptr;
void (*lost)() = nullptr;

template <typename T>
void release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// The audio API's objects; the thread's alone.
struct Stream {
  IMMDeviceEnumerator* enumerator = nullptr;
  IMMDevice* device = nullptr;
  IAudioClient* client = nullptr;
  IAudioRenderClient* render = nullptr;
  IAudioClock* clock = nullptr;
  HANDLE wanted = nullptr;  // the engine asks for data
  UINT32 bufferFrames = 0;
  UINT64 frequency = 0;       // of the clock's positions
  bool playing = false;
  std::int64_t written = 0;      // frames written since the stream last started
  std::int64_t lastHanded = -1;  // the song frame the written data ends at; -1: none yet

  ~Stream() {
    if (client != nullptr) client->Stop();
    release(clock);
    release(render);
    release(client);
    release(device);
    release(enumerator);
    if (wanted != nullptr) CloseHandle(wanted);
  }

  // Empty when the stream is ready, else why not.
  std::string open() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = mixRate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    // The engine converts the song's rate to the device's.
    const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                        AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    wanted = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                reinterpret_cast<void**>(&enumerator))))
      return "WASAPI: no device enumerator";
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device))) return "WASAPI: no output device";
    if (FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&client))) ||
        FAILED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, bufferDuration, 0, &format, nullptr)) ||
        FAILED(client->SetEventHandle(wanted)) || FAILED(client->GetBufferSize(&bufferFrames)) ||
        FAILED(client->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render))) ||
        FAILED(client->GetService(__uuidof(IAudioClock), reinterpret_cast<void**>(&clock))) ||
        FAILED(clock->GetFrequency(&frequency)) || frequency == 0)
      return "WASAPI: the output device will not play 44,100 Hz float stereo";
    return {};
  }

  // Writes what the engine has room for; false when the stream has failed.
  bool write() {
    UINT32 padding = 0;
    if (FAILED(client->GetCurrentPadding(&padding))) return false;
    const UINT32 frames = bufferFrames - padding;
    if (frames == 0) return true;
    BYTE* data = nullptr;
    if (FAILED(render->GetBuffer(frames, &data))) return false;
    const std::int64_t handed = fill(reinterpret_cast<float*>(data), frames);
    if (FAILED(render->ReleaseBuffer(frames, handed < 0 ? AUDCLNT_BUFFERFLAGS_SILENT : 0))) return false;
    written += frames;
    if (handed >= 0) lastHanded = handed;
    return true;
  }

  // The listener hears the frame the engine's clock is at (the frame playing
  // through the speakers, which counts the engine's and the device's
  // latency as Windows knows them), when the clock read it: as far behind
  // the written data as that frame is. Until the clock moves nothing plays.
  bool handOver() {
    if (lastHanded < 0) return true;
    UINT64 position = 0, at100ns = 0;
    if (FAILED(clock->GetPosition(&position, &at100ns))) return false;
    if (position == 0) return true;
    LARGE_INTEGER now, counterRate;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&counterRate);
    const std::int64_t ticks = now.QuadPart, perSecond = counterRate.QuadPart;
    const std::int64_t now100ns = ticks / perSecond * 10'000'000 + ticks % perSecond * 10'000'000 / perSecond;
    const auto heard = static_cast<std::int64_t>(position * mixRate / frequency);
    const std::int64_t atNs = audio::nowNs() - (now100ns - static_cast<std::int64_t>(at100ns)) * 100;
    timeline->handOver(static_cast<std::uint64_t>(lastHanded), written - heard, atNs);
    return true;
  }

  // Starts the stream afresh, or stops it, as the caller asked; false when it has failed.
  bool follow(bool stopped) {
    if (stopped == !playing) return true;
    lastHanded = -1;
    if (stopped) {
      playing = false;
      return SUCCEEDED(client->Stop());
    }
    // What the stream held of an earlier song is dropped: the clock starts again at 0.
    if (FAILED(client->Stop()) || FAILED(client->Reset())) return false;
    written = 0;
    playing = true;
    return write() && SUCCEEDED(client->Start());
  }
};

// The stream's thread: opens the stream, says whether it could through
// `opened`, then writes whenever the engine asks, until told to quit or the
// stream fails.
void run(std::promise<std::string>* opened) {
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  {
    Stream stream;
    const std::string why = com ? stream.open() : "WASAPI: COM is not available";
    opened->set_value(why);  // `opened` is gone after this
    if (why.empty()) {
      // The engine's thread renders the song: as SDL does for its audio
      // thread, it asks for the highest priority.
      SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
      bool good = true;
      const HANDLE events[] = {wake, stream.wanted};
      while (good && !quit) {
        WaitForMultipleObjects(2, events, FALSE, 100);
        if (quit) break;
        std::lock_guard hold(mutex);
        good = stream.follow(corked) && (!stream.playing || (stream.write() && stream.handOver()));
      }
      if (!good && lost != nullptr) lost();
    }
  }
  if (com) CoUninitialize();
}

}  // namespace

std::string open(Fill fillWith, AudibleTimeline& into, void (*onLost)()) {
  if (isOpen()) return {};
  fill = fillWith;
  timeline = &into;
  lost = onLost;
  corked = true;
  quit = false;
  wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::promise<std::string> opened;
  std::future<std::string> result = opened.get_future();
  thread = std::thread(run, &opened);
  const std::string why = result.get();
  ready = why.empty();
  if (!ready) close();
  return why;
}

void close() {
  if (!thread.joinable()) return;
  quit = true;
  SetEvent(wake);
  thread.join();
  CloseHandle(wake);
  wake = nullptr;
  ready = false;
}

bool isOpen() { return ready; }

void lock() { mutex.lock(); }
void unlock() { mutex.unlock(); }

void cork(bool stop) {
  std::lock_guard hold(mutex);
  corked = stop;
  SetEvent(wake);
}

}  // namespace music::server
