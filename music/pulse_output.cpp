// Audio output to a PulseAudio server through libpulse's threaded main loop.
#include "music/sound_server.h"

#include <SDL.h>
#include <pulse/pulseaudio.h>

#include <algorithm>

#include "music/audible_timeline.h"
#include "music/audio_output.h"

namespace music::server {

const char* const sdlDriver = "pulseaudio";

// The one sound-server stream of the process, reached from the player's free
// calls and from the server's own thread: its state is this file's.
namespace {

// The latency the stream asks for when PULSE_LATENCY_MSEC does not say
// (libpulse reads that itself): below it a busy two-core machine, llvmpipe
// drawing on both cores, let the song run dry now and then.
constexpr unsigned defaultLatencyMs = 100;
constexpr std::size_t frameBytes = 2 * sizeof(float);

pa_threaded_mainloop* loop = nullptr;
pa_context* context = nullptr;
pa_stream* stream = nullptr;
Fill fill = nullptr;
AudibleTimeline* timeline = nullptr;
void (*lost)() = nullptr;
bool ready = false;             // lost() is for failures after the stream was ready
std::int64_t lastHanded = -1;  // the song frame the written data ends at; -1: none yet
bool raised = false;           // the server thread's priority

// How often the stream asks for a timing report beyond libpulse's own
// (which come ever further apart, up to seconds): the timeline counts the
// report of the last few that puts the listener furthest into the song, and
// PipeWire's PulseAudio layer counts the data read once per graph cycle.
constexpr std::int64_t askEveryNs = 20'000'000;
std::int64_t lastAskNs = 0;

// The listener is as far behind the written data as the server's last
// timing report says, at the time of the report: the data not yet read and
// the sink's delay. (libpulse's interpolated latency leaves out the sink's
// delay until the stream plays, and an idle sink may hold a second or more
// in front of a new stream.) Until the stream plays, the data read does not
// move: such a report says nothing of when the listener hears what.
void handOver() {
  const pa_timing_info* timing = pa_stream_get_timing_info(stream);
  if (lastHanded < 0 || timing == nullptr || timing->read_index_corrupt || !timing->playing) return;
  const std::int64_t frames = (timing->write_index - timing->read_index) / static_cast<std::int64_t>(frameBytes) +
                              static_cast<std::int64_t>(timing->sink_usec * mixRate / 1'000'000);
  const std::int64_t atNs = audio::nowNs() - static_cast<std::int64_t>(pa_timeval_age(&timing->timestamp)) * 1000;
  timeline->handOver(static_cast<std::uint64_t>(lastHanded), frames, atNs);
}

void onWrite(pa_stream* s, std::size_t bytes, void*) {
  // The server's thread renders the song: as SDL does for its audio thread,
  // it asks for real-time scheduling (granted to root, or through RealtimeKit).
  if (!raised && pa_threaded_mainloop_in_thread(loop)) {
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
    raised = true;
  }
  while (bytes >= frameBytes) {
    void* data = nullptr;
    std::size_t size = bytes;
    if (pa_stream_begin_write(s, &data, &size) < 0 || data == nullptr) return;
    size = std::min(size, bytes) / frameBytes * frameBytes;
    const std::int64_t handed = fill(static_cast<float*>(data), static_cast<std::uint32_t>(size / frameBytes));
    if (handed < 0) {  // no song: nothing is written until one plays
      pa_stream_cancel_write(s);
      return;
    }
    pa_stream_write(s, data, size, nullptr, 0, PA_SEEK_RELATIVE);
    lastHanded = handed;
    bytes -= size;
  }
  handOver();
  if (const std::int64_t now = audio::nowNs(); now - lastAskNs >= askEveryNs) {
    lastAskNs = now;
    if (pa_operation* operation = pa_stream_update_timing_info(s, nullptr, nullptr)) pa_operation_unref(operation);
  }
}

void onLatencyUpdate(pa_stream*, void*) { handOver(); }

void onState(bool good) {
  if (!good && ready && lost != nullptr) lost();
  pa_threaded_mainloop_signal(loop, 0);
}
void onContextState(pa_context* c, void*) { onState(PA_CONTEXT_IS_GOOD(pa_context_get_state(c))); }
void onStreamState(pa_stream* s, void*) { onState(PA_STREAM_IS_GOOD(pa_stream_get_state(s))); }

std::string failure() {
  std::string why = "PulseAudio: ";
  return why + pa_strerror(pa_context_errno(context));
}

}  // namespace

std::string open(Fill fillWith, AudibleTimeline& into, void (*onLost)()) {
  if (isOpen()) return {};
  fill = fillWith;
  timeline = &into;
  lost = onLost;
  loop = pa_threaded_mainloop_new();
  context = pa_context_new(pa_threaded_mainloop_get_api(loop), "FLIPP KROMA");
  pa_context_set_state_callback(context, onContextState, nullptr);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    const std::string why = failure();
    close();
    return why;
  }
  pa_threaded_mainloop_lock(loop);
  pa_threaded_mainloop_start(loop);
  pa_context_state_t state;
  while ((state = pa_context_get_state(context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
    pa_threaded_mainloop_wait(loop);
  std::string why;
  if (state == PA_CONTEXT_READY) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(mixRate), 2};
    stream = pa_stream_new(context, "music", &spec, nullptr);
    pa_stream_set_state_callback(stream, onStreamState, nullptr);
    pa_stream_set_write_callback(stream, onWrite, nullptr);
    pa_stream_set_latency_update_callback(stream, onLatencyUpdate, nullptr);
    const auto unset = static_cast<std::uint32_t>(-1);
    const auto target = static_cast<std::uint32_t>(pa_usec_to_bytes(defaultLatencyMs * 1000, &spec));
    pa_buffer_attr attributes{unset, target, unset, unset, unset};
    // The latency is the whole way to the listener; the timing interpolated between the server's reports.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) == 0) {
      pa_stream_state_t streamState;
      while ((streamState = pa_stream_get_state(stream)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(streamState))
        pa_threaded_mainloop_wait(loop);
      ready = streamState == PA_STREAM_READY;
    }
  }
  if (!ready) why = failure();
  pa_threaded_mainloop_unlock(loop);
  if (!ready) close();
  return why;
}

void close() {
  if (loop == nullptr) return;
  pa_threaded_mainloop_lock(loop);
  ready = false;
  if (stream != nullptr) pa_stream_disconnect(stream);
  pa_context_disconnect(context);
  pa_threaded_mainloop_unlock(loop);
  pa_threaded_mainloop_stop(loop);
  if (stream != nullptr) pa_stream_unref(stream);
  pa_context_unref(context);
  pa_threaded_mainloop_free(loop);
  loop = nullptr;
  context = nullptr;
  stream = nullptr;
  lastHanded = -1;
  raised = false;
}

bool isOpen() { return ready; }

void lock() { pa_threaded_mainloop_lock(loop); }
void unlock() { pa_threaded_mainloop_unlock(loop); }

void cork(bool corked) {
  pa_threaded_mainloop_lock(loop);
  lastHanded = -1;
  if (pa_operation* operation = pa_stream_cork(stream, corked ? 1 : 0, nullptr, nullptr))
    pa_operation_unref(operation);
  // What the server asked for while there was no song is written now.
  if (!corked) {
    const std::size_t writable = pa_stream_writable_size(stream);
    if (writable != static_cast<std::size_t>(-1)) onWrite(stream, writable, nullptr);
  }
  pa_threaded_mainloop_unlock(loop);
}

}  // namespace music::server
