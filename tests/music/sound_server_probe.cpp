// Listens to the show through the sound server: records the sink's monitor,
// finds where in the song each stretch of the recording is by matching it
// against the song rendered alone, and compares that with the show's record
// of what each frame was drawn for.
//
//   sound_server_probe SONG START_ORDER SOURCE FRAME_RECORD SECONDS [--listen-only] [--raw-clock]
//
// Waits for the show's first recorded frame, records SECONDS of SOURCE once
// its timing has settled, then prints how far what each frame was drawn for
// lies from the song heard when it was shown (the median, and the 10th and
// 90th percentiles about it) and when it was asked, how far the song time it
// was drawn for lies from the time since the song's first frame was heard,
// and the gaps in the heard song. Status 0 when the median is within 5 ms
// either way, the percentiles within 8 ms of it (more, by half the spread of
// the frames' own times from asking to showing, which a machine busy with
// other work makes unforeseeable), the song time's median within 5 ms, and
// the heard song never ran dry; 1 when not, 2 when it could not listen.
// --listen-only: status 0 once the song is heard and matched, whatever the
// figures. --raw-clock: the record's times are CLOCK_MONOTONIC_RAW (wine's
// performance counter) rather than CLOCK_MONOTONIC.
#include <time.h>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "music/song_renderer.h"

namespace {

constexpr int rate = music::mixRate;
// What a frame was drawn for against what is heard when it is shown: the
// median, and the 10th and 90th percentiles about it; the song time it was
// drawn for against the time since the song's first frame was heard, when
// it is shown. On a machine busy with other work the frames' own times from
// asking to showing spread, and the spread's limit grows by half of theirs.
constexpr double shownToleranceMs = 5;
constexpr double spreadToleranceMs = 8;
constexpr double songTimeToleranceMs = 5;

std::int64_t nsOf(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// The show's clock (steady_clock) on Linux.
std::int64_t nowNs() { return nsOf(CLOCK_MONOTONIC); }

// At `atNs`, recorded frame `frames` was heard (a timing report), or the
// recording up to it reached the recorder (an arrival).
struct Anchor {
  std::int64_t frames;
  std::int64_t atNs;
};

struct Recording {
  std::vector<float> mono;
  std::vector<Anchor> anchors;
  std::vector<Anchor> arrivals;  // when the data up to `frames` reached the recorder
  bool pipewire = false;         // the server is PipeWire's PulseAudio layer
  bool smoothed = false;         // anchors from libpulse's smoothed latency (see main)
  std::vector<std::pair<std::int64_t, std::int64_t>> lost;  // frame ranges the recorder itself lost
  pa_threaded_mainloop* loop = nullptr;
  std::int64_t lastAskNs = 0;  // when a timing report was last asked for
  // The anchors since `runFrom` agree within 6 ms on when frame 0 was heard,
  // but for the odd late report; five in a row that disagree start a new run.
  // (A new recording stream may change the monitor's latency.)
  double runOrigin = 0;
  std::int64_t runFrom = -1;
  int disagreeing = 0;
};

// When recorded frame 0 was heard, by one anchor.
double originOf(const Anchor& a) { return static_cast<double>(a.atNs) - static_cast<double>(a.frames) * 1e9 / rate; }

// How often a timing report is asked for: libpulse's own come ever further apart.
constexpr std::int64_t askEveryNs = 20'000'000;

void addAnchor(Recording& rec, const Anchor& anchor) {
  rec.anchors.push_back(anchor);
  const double origin = originOf(anchor);
  if (rec.runFrom >= 0 && std::abs(origin - rec.runOrigin) < 6e6) {
    rec.disagreeing = 0;
  } else if (rec.runFrom < 0 || ++rec.disagreeing == 5) {
    rec.runOrigin = origin;
    rec.runFrom = anchor.frames;
    rec.disagreeing = 0;
  }
}

// A timing report as the server made it: the data it has written to the
// stream, ahead by the source's delay and behind by the sink's (which its
// monitor has before it is heard), is the frame heard at the report's time.
// (libpulse's interpolated latency, smoothed over seconds, drifts by
// milliseconds per second for several seconds on a sink with short blocks.)
void onTiming(pa_stream* stream, void* data) {
  auto& rec = *static_cast<Recording*>(data);
  const pa_timing_info* timing = pa_stream_get_timing_info(stream);
  if (rec.pipewire || rec.smoothed || timing == nullptr || timing->write_index_corrupt) return;
  const std::int64_t heard = timing->write_index / static_cast<std::int64_t>(2 * sizeof(float)) +
                             (static_cast<std::int64_t>(timing->source_usec) -
                              static_cast<std::int64_t>(timing->sink_usec)) * rate / 1'000'000;
  addAnchor(rec, {heard, nowNs() - static_cast<std::int64_t>(pa_timeval_age(&timing->timestamp)) * 1000});
}

void onRead(pa_stream* stream, std::size_t, void* data) {
  auto& rec = *static_cast<Recording*>(data);
  const void* samples = nullptr;
  std::size_t bytes = 0;
  while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &samples, &bytes) == 0 && bytes > 0) {
    const std::size_t frames = bytes / (2 * sizeof(float));
    const auto start = static_cast<std::int64_t>(rec.mono.size());
    if (samples == nullptr) {
      rec.mono.resize(rec.mono.size() + frames, 0.0f);
      rec.lost.emplace_back(start, start + static_cast<std::int64_t>(frames));
    } else {
      const auto* f = static_cast<const float*>(samples);
      for (std::size_t i = 0; i < frames; ++i) rec.mono.push_back(0.5f * (f[2 * i] + f[2 * i + 1]));
    }
    pa_stream_drop(stream);
    rec.arrivals.push_back({static_cast<std::int64_t>(rec.mono.size()), nowNs()});
  }
  // On PipeWire the arrivals time the recording (see main): it counts from
  // its first half second on.
  if (rec.pipewire) {
    if (rec.runFrom < 0 && static_cast<std::int64_t>(rec.mono.size()) >= rate / 2)
      rec.runFrom = static_cast<std::int64_t>(rec.mono.size());
    return;
  }
  if (rec.smoothed) {
    // The recording's newest frame was `usec` old (negative for a monitor:
    // the sink plays later what its monitor already has).
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &usec, &negative) == 0) {
      const auto ns = static_cast<std::int64_t>(usec) * 1000;
      addAnchor(rec, {static_cast<std::int64_t>(rec.mono.size()), nowNs() - (negative ? -ns : ns)});
    }
    return;
  }
  if (const std::int64_t now = nowNs(); now - rec.lastAskNs >= askEveryNs) {
    rec.lastAskNs = now;
    if (pa_operation* operation = pa_stream_update_timing_info(stream, nullptr, nullptr)) pa_operation_unref(operation);
  }
}

void onState(pa_context*, void* data) { pa_threaded_mainloop_signal(static_cast<Recording*>(data)->loop, 0); }
void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
  auto& rec = *static_cast<Recording*>(data);
  rec.pipewire = info != nullptr && std::strstr(info->server_name, "PipeWire") != nullptr;
  pa_threaded_mainloop_signal(rec.loop, 0);
}
void onStreamState(pa_stream*, void* data) { pa_threaded_mainloop_signal(static_cast<Recording*>(data)->loop, 0); }

// Records `source` until one run of agreeing anchors spans `seconds` (or
// for at most `seconds` + 10 s); false if the server would not.
bool record(const char* source, double seconds, pa_usec_t fragmentUs, Recording& rec) {
  rec.loop = pa_threaded_mainloop_new();
  pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(rec.loop), "sound_server_probe");
  pa_context_set_state_callback(context, onState, &rec);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
  pa_threaded_mainloop_lock(rec.loop);
  pa_threaded_mainloop_start(rec.loop);
  while (pa_context_get_state(context) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
    pa_threaded_mainloop_wait(rec.loop);
  if (pa_operation* asked = pa_context_get_server_info(context, onServerInfo, &rec)) {
    while (pa_operation_get_state(asked) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(rec.loop);
    pa_operation_unref(asked);
  }
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, rate, 2};
  pa_stream* stream = pa_stream_new(context, "probe", &spec, nullptr);
  pa_stream_set_state_callback(stream, onStreamState, &rec);
  pa_stream_set_read_callback(stream, onRead, &rec);
  pa_stream_set_latency_update_callback(stream, onTiming, &rec);
  // Fragments of `fragmentUs`, read at once. Room for seconds, so that a
  // busy machine delays the reading rather than losing data.
  const auto unset = static_cast<std::uint32_t>(-1);
  pa_buffer_attr attributes{static_cast<std::uint32_t>(pa_usec_to_bytes(4'000'000, &spec)), unset, unset, unset,
                            static_cast<std::uint32_t>(pa_usec_to_bytes(fragmentUs, &spec))};
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
                                                    (rec.smoothed ? PA_STREAM_INTERPOLATE_TIMING : 0));
  bool ok = pa_context_get_state(context) == PA_CONTEXT_READY &&
            pa_stream_connect_record(stream, source, &attributes, flags) == 0;
  while (ok && pa_stream_get_state(stream) != PA_STREAM_READY) {
    ok = PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
    if (ok) pa_threaded_mainloop_wait(rec.loop);
  }
  pa_threaded_mainloop_unlock(rec.loop);
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds + 10);
  for (bool enough = !ok; !enough && std::chrono::steady_clock::now() < until;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pa_threaded_mainloop_lock(rec.loop);
    enough = rec.runFrom >= 0 &&
             static_cast<double>(static_cast<std::int64_t>(rec.mono.size()) - rec.runFrom) > (seconds + 0.2) * rate;
    pa_threaded_mainloop_unlock(rec.loop);
  }
  pa_threaded_mainloop_lock(rec.loop);
  pa_stream_disconnect(stream);
  pa_context_disconnect(context);
  pa_threaded_mainloop_unlock(rec.loop);
  pa_threaded_mainloop_stop(rec.loop);
  pa_stream_unref(stream);
  pa_context_unref(context);
  pa_threaded_mainloop_free(rec.loop);
  return ok;
}

struct Frame {
  std::int64_t shownNs;
  std::int64_t askedNs;
  std::int64_t drawn;
  std::int64_t songTimeMs;
};

std::vector<Frame> readFrames(const char* path) {
  std::vector<Frame> frames;
  std::ifstream in(path);
  Frame f{};
  while (in >> f.shownNs >> f.askedNs >> f.drawn >> f.songTimeMs) frames.push_back(f);
  return frames;
}

// The value `share` of the way up the sorted values (0.5: the median).
double percentile(std::vector<double> v, double share) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[static_cast<std::size_t>(share * static_cast<double>(v.size() - 1) + 0.5)];
}
double median(const std::vector<double>& v) { return percentile(v, 0.5); }

// Mean square of the difference of rec[r, r + n) and song[r + d, ...),
// relative to the recording's own; huge when out of range.
double mismatch(const std::vector<float>& rec, const std::vector<float>& song, std::int64_t r, std::int64_t d,
                std::int64_t n) {
  if (r + d < 0 || r + d + n > static_cast<std::int64_t>(song.size())) return 1e9;
  double diff = 0, energy = 1e-9;
  for (std::int64_t i = 0; i < n; ++i) {
    const double e = rec[r + i] - song[r + d + i];
    diff += e * e;
    energy += static_cast<double>(rec[r + i]) * rec[r + i];
  }
  return diff / energy;
}

double energyOf(const std::vector<float>& v, std::int64_t from, std::int64_t n) {
  double sum = 0;
  for (std::int64_t i = std::max<std::int64_t>(from, 0); i < std::min<std::int64_t>(from + n, v.size()); ++i)
    sum += static_cast<double>(v[i]) * v[i];
  return sum / static_cast<double>(n);
}

// The lag in [from, to] where the recording at r (n frames) best matches the song.
std::int64_t bestLag(const std::vector<float>& rec, const std::vector<float>& song, std::int64_t r, std::int64_t from,
                     std::int64_t to, std::int64_t n, double& error) {
  std::int64_t best = from;
  error = 1e9;
  for (std::int64_t d = from; d <= to; ++d) {
    const double e = mismatch(rec, song, r, d, n);
    if (e < error) error = e, best = d;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  bool listenOnly = false;
  bool rawClock = false;
  for (int i = 6; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--listen-only") listenOnly = true;
    else if (option == "--raw-clock") rawClock = true;
    else argc = 0;
  }
  if (argc < 6) {
    std::fputs("usage: sound_server_probe SONG START_ORDER SOURCE FRAME_RECORD SECONDS [--listen-only] "
               "[--raw-clock]\n",
               stderr);
    return 2;
  }
  const char* recordPath = argv[4];
  // The raw clock against ours, now and once recorded: between, the line through both.
  const std::int64_t rawBefore = nsOf(CLOCK_MONOTONIC_RAW), ourBefore = nsOf(CLOCK_MONOTONIC);
  // The show is up once it has drawn a frame with the sound's position.
  for (int i = 0; i < 300 && readFrames(recordPath).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (readFrames(recordPath).empty()) {
    std::fputs("probe: the show recorded no frame drawn to its sound\n", stderr);
    return 1;
  }
  Recording rec;
  const double seconds = std::stod(argv[5]);
  // The monitor's timing reports hold only to the size of the blocks it
  // passes on: with 10 ms fragments they put what is heard some 4.5 ms late
  // behind a stream asking for 60 ms (40 ms: 10 ms late at the default
  // latency), with 2 ms the three latencies agree. But the sink then runs
  // in blocks as short, and wine's driver, on a 10 ms timer of its own,
  // runs dry behind them. Only listened to, it keeps 10 ms and libpulse's
  // smoothed latency, as this probe first did: with the server's own
  // reports, wine's 200 ms stream settled a second off.
  const pa_usec_t fragmentUs = listenOnly ? 10'000 : 2'000;
  rec.smoothed = listenOnly;
  if (!record(argv[3], seconds, fragmentUs, rec) || (rec.pipewire ? rec.arrivals : rec.anchors).size() < 10) {
    std::fputs("probe: could not record the sound server's monitor\n", stderr);
    return 2;
  }
  std::vector<Frame> frames = readFrames(recordPath);
  if (rawClock) {
    const std::int64_t rawAfter = nsOf(CLOCK_MONOTONIC_RAW), ourAfter = nsOf(CLOCK_MONOTONIC);
    const double rate = static_cast<double>(ourAfter - ourBefore) / static_cast<double>(rawAfter - rawBefore);
    auto ours = [&](std::int64_t raw) {
      return ourBefore + static_cast<std::int64_t>(std::llround(static_cast<double>(raw - rawBefore) * rate));
    };
    for (Frame& f : frames) f.shownNs = ours(f.shownNs), f.askedNs = ours(f.askedNs);
  }

  // Recorded frame k was heard at origin + k / rate, from where the recorder
  // found its timing settled.
  const std::int64_t settled = rec.runFrom;
  double origin = 1e300;
  if (rec.pipewire) {
    // PipeWire's null sink takes a graph cycle's data as it plays it, and
    // its monitor passes that on in the same cycle, so each sample is heard
    // when it reaches the recorder; the data that came soonest after its
    // cycle times the recording. (The monitor's timing reports, counted once
    // per cycle, shift by several ms from one recording stream to the next.)
    for (const Anchor& a : rec.arrivals)
      if (a.frames > settled)
        origin = std::min(origin, static_cast<double>(a.atNs) - static_cast<double>(a.frames) * 1e9 / rate);
  } else {
    // The median over the anchors once settled (each anchor's own origin
    // shows the reports' jitter): a late report here and there is outvoted.
    std::vector<double> origins;
    for (const Anchor& a : rec.anchors)
      if (a.frames >= settled) origins.push_back(originOf(a));
    origin = median(origins);
  }
  if (settled < 0 || static_cast<double>(static_cast<std::int64_t>(rec.mono.size()) - settled) < seconds * rate) {
    std::fprintf(stderr, "probe: the recorder's timing never settled\n");
    return 2;
  }
  auto heardAt = [&](std::int64_t k) { return origin + static_cast<double>(k) * 1e9 / rate; };
  auto recordedAt = [&](double ns) { return static_cast<std::int64_t>(std::llround((ns - origin) * rate / 1e9)); };

  // The song alone, rendered as the show renders it, as far as the frames drawn reach and 2 s more.
  std::ifstream songFile(argv[1], std::ios::binary);
  std::vector<std::byte> data;
  std::transform(std::istreambuf_iterator<char>(songFile), std::istreambuf_iterator<char>(), std::back_inserter(data),
                 [](char c) { return static_cast<std::byte>(c); });
  music::SongRenderer renderer(std::move(data));
  renderer.restart(std::stoi(argv[2]));
  std::int64_t last = 0;
  for (const Frame& f : frames) last = std::max(last, f.drawn);
  std::vector<float> song;
  float block[2 * music::blockFrames];
  while (static_cast<std::int64_t>(song.size()) < last + 2 * rate) {
    renderer.renderBlock(block, music::blockFrames);
    for (std::uint32_t i = 0; i < music::blockFrames; ++i) song.push_back(0.5f * (block[2 * i] + block[2 * i + 1]));
  }

  // The lag song - recording, 10 ms at a time. It starts near what the show
  // said it drew when the recording began, and stays until the song runs dry
  // (the lag falls by the gap) or the recorder loses data (it rises).
  constexpr std::int64_t step = rate / 100, window = 4096;
  const auto recorded = static_cast<std::int64_t>(rec.mono.size());
  // A song that keeps running dry may take a few tries to be found.
  std::int64_t start = settled, lag = 0;
  double error = 1e9;
  for (int tries = 0; tries < 10 && error > 0.05; ++tries, start += rate / 10) {
    while (start + window < recorded && energyOf(rec.mono, start, window) < 1e-6) start += step;
    const double startNs = heardAt(start);
    const Frame* near = &frames.front();
    for (const Frame& f : frames)
      if (std::abs(f.shownNs - startNs) < std::abs(near->shownNs - startNs)) near = &f;
    const std::int64_t guess = near->drawn + static_cast<std::int64_t>((startNs - near->shownNs) * rate / 1e9) - start;
    lag = bestLag(rec.mono, song, start, guess - rate, guess + rate, window / 2, error);
  }
  start -= rate / 10;
  if (error > 0.05) {
    std::fprintf(stderr, "probe: the recording matches no part of the song (best %.3f)\n", error);
    return 1;
  }
  std::vector<std::int64_t> lagAt(static_cast<std::size_t>(recorded / step + 1), lag);
  std::vector<double> gapsMs, recorderMs;
  int unmatched = 0;
  for (std::int64_t r = start, quietUntil = 0; r + window < recorded; r += step) {
    lagAt[static_cast<std::size_t>(r / step)] = lag;
    // Silence in the song says nothing about where it is.
    if (r < quietUntil || energyOf(song, r + lag, step) < 1e-6 || mismatch(rec.mono, song, r, lag, step) < 0.05)
      continue;
    const std::int64_t found = bestLag(rec.mono, song, r + step, lag - rate, lag + rate / 5, window / 2, error);
    if (error > 0.05 || found == lag) {  // nothing better: noise, or still dry; look again a little later
      quietUntil = r + 5 * step;
      ++unmatched;
      continue;
    }
    const bool recorders = std::any_of(rec.lost.begin(), rec.lost.end(), [&](auto range) {
      return range.first < r + 2 * step && range.second > r - step;
    });
    (found < lag && !recorders ? gapsMs : recorderMs).push_back(static_cast<double>(lag - found) * 1000.0 / rate);
    lag = found;
  }

  // The song heard at a time, in frames; -1 outside what was matched.
  auto heardSongAt = [&](std::int64_t ns) -> std::int64_t {
    const std::int64_t k = recordedAt(static_cast<double>(ns));
    if (k < start || k + window >= recorded) return -1;
    return k + lagAt[static_cast<std::size_t>(k / step)];
  };
  // When a frame is shown, what it was drawn for should be what is heard
  // then, and its song time the time since the song's first frame was heard.
  // (When the position was asked, the answer was for the moment the frame
  // would be seen: that difference is the show's own estimate of the wait.)
  std::vector<double> shown, asked, songTime, toShowing;
  for (const Frame& f : frames) {
    const std::int64_t atShow = heardSongAt(f.shownNs), atAsk = heardSongAt(f.askedNs);
    if (atShow < 0 || atAsk < 0) continue;
    toShowing.push_back(static_cast<double>(f.shownNs - f.askedNs) / 1e6);
    shown.push_back(static_cast<double>(f.drawn - atShow) * 1000.0 / rate);
    asked.push_back(static_cast<double>(f.drawn - atAsk) * 1000.0 / rate);
    songTime.push_back(static_cast<double>(f.songTimeMs) - static_cast<double>(atShow) * 1000.0 / rate);
  }
  const double offset = median(shown), low = percentile(shown, 0.1) - offset, high = percentile(shown, 0.9) - offset;
  // Half the frames' own spread from asking to showing: what no estimate of
  // the next frame's time can foresee.
  const double spreadAllowed = spreadToleranceMs + (percentile(toShowing, 0.9) - percentile(toShowing, 0.1)) / 2;
  std::printf("drawn for minus heard when shown: median %+.1f ms (10-90 %%: %+.1f %+.1f, allowed %.1f) over %zu "
              "frames, when asked %+.1f ms; song time minus heard when shown: median %+.1f ms; gaps in the heard "
              "song: %zu",
              offset, low, high, spreadAllowed, shown.size(), median(asked), median(songTime), gapsMs.size());
  for (double g : gapsMs) std::printf(" %.1f ms", g);
  std::printf("; %d unmatched; recorder: %zu holes, %zu jumps\n", unmatched, rec.lost.size(), recorderMs.size());
  const bool heard = shown.size() >= 20 && unmatched < 20;
  if (listenOnly) return heard ? 0 : 1;
  return heard && std::abs(offset) <= shownToleranceMs && -low <= spreadAllowed && high <= spreadAllowed &&
                 std::abs(median(songTime)) <= songTimeToleranceMs && gapsMs.empty()
             ? 0
             : 1;
}
