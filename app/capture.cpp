// Video capture: frames piped to ffmpeg, the song's sound rendered for exactly their span, muxed at the end.
#include "app/capture.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/data_path.h"
#include "app/options.h"
#include "app/platform.h"
#include "music/music.h"
#include "music/song_renderer.h"
#include "show/scenes.h"

extern char** environ;

namespace {

constexpr const char* program = "ffmpeg";
constexpr const char* songFile = "ko-trampelin.it";
// The show ends at the last row of the farewell.
constexpr int endPosition = farewellOrder * 64 + 63;

// The song as the show plays it, for the capture's sound; null when it cannot
// be read.
std::unique_ptr<music::SongRenderer> loadSong(int startOrder) {
  std::ifstream in(dataFile(songFile), std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::byte> data;
  std::transform(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), std::back_inserter(data),
                 [](char c) { return static_cast<std::byte>(c); });
  try {
    auto song = std::make_unique<music::SongRenderer>(std::move(data));
    song->restart(startOrder);
    return song;
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool endsWithMp4(const std::string& name) {
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".mp4";
}

// Starts ffmpeg with `arguments`, its standard input `input` (-1: none). It
// runs in a process group of its own: the terminal's Ctrl-C is ours to handle.
pid_t spawnEncoder(const std::vector<std::string>& arguments, int input) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, 0);
  else posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);  // ignored here, but not in the encoder
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  const int error = posix_spawnp(&child, program, &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::fprintf(stderr, "flipp-kroma: cannot run %s (%s); it comes with the Debian package ffmpeg\n", program,
                 std::strerror(error));
    return -1;
  }
  return child;
}

double secondsSince(std::chrono::steady_clock::time_point then) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - then).count();
}

// The buffer-object calls that read pixels into one, where the GL has them.
struct PackBufferCalls {
  PFNGLGENBUFFERSARBPROC genBuffers = nullptr;
  PFNGLBINDBUFFERARBPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAARBPROC bufferData = nullptr;
  PFNGLMAPBUFFERARBPROC mapBuffer = nullptr;
  PFNGLUNMAPBUFFERARBPROC unmapBuffer = nullptr;
};
PackBufferCalls gl;

template <typename Call>
void load(Call& call, const char* name) {
  call = reinterpret_cast<Call>(SDL_GL_GetProcAddress(name));
}

bool loadPackBufferCalls() {
  if (!SDL_GL_ExtensionSupported("GL_ARB_pixel_buffer_object")) return false;
  load(gl.genBuffers, "glGenBuffersARB");
  load(gl.bindBuffer, "glBindBufferARB");
  load(gl.bufferData, "glBufferDataARB");
  load(gl.mapBuffer, "glMapBufferARB");
  load(gl.unmapBuffer, "glUnmapBufferARB");
  return gl.genBuffers && gl.bindBuffer && gl.bufferData && gl.mapBuffer && gl.unmapBuffer;
}

std::string clockText(double seconds) {
  const long whole = std::lround(std::max(seconds, 0.0));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::unique_ptr<FrameSink> openCapture(const Options& options) {
  auto song = loadSong(options.startOrder);
  // Without its song the show has no end: it would fill the disk.
  if (!song && options.frames == 0) {
    std::fprintf(stderr, "flipp-kroma: cannot read the song '%s'; a capture without it needs --frames\n", songFile);
    return nullptr;
  }
  auto video = std::make_unique<VideoCapture>(options.captureFile, options.width, options.height, options.fps,
                                              std::move(song), options.frames);
  video->flashingReduced = options.reduceFlashing;
  if (!video->start()) return nullptr;
  return video;
}

std::uint64_t soundFramesFor(long frames, double fps) {
  // Exact for the whole frame rates the options allow.
  return static_cast<std::uint64_t>(std::floor(static_cast<long double>(frames) * music::mixRate / fps));
}

VideoCapture::VideoCapture(std::string file, int width, int height, double fps,
                           std::unique_ptr<music::SongRenderer> song, long frameLimit)
    : file(std::move(file)), width(width), height(height), fps(fps), frameLimit(frameLimit), song(std::move(song)) {
  videoPart = this->file + ".video.part";
  soundPart = this->file + ".sound.part";
  filePart = this->file + ".part";
}

VideoCapture::~VideoCapture() { abandon(); }

bool VideoCapture::start() {
  sound = std::fopen(soundPart.c_str(), "wb");
  if (!sound) {
    std::fprintf(stderr, "flipp-kroma: cannot write '%s' (%s)\n", soundPart.c_str(), std::strerror(errno));
    return false;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "flipp-kroma: no pipe to the encoder (%s)\n", std::strerror(errno));
    abandon();
    return false;
  }
  // GL's rows run bottom to top; H.264 in 4:2:0 wants even sizes.
  std::string filter = "vflip";
  if (width % 2 != 0 || height % 2 != 0) filter += ",pad=ceil(iw/2)*2:ceil(ih/2)*2";
  filter += ",scale=out_color_matrix=bt709:out_range=tv,format=yuv420p";
  const int rate = static_cast<int>(std::lround(fps));
  encoder = spawnEncoder({"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                          "-pixel_format", "rgb24", "-video_size", std::to_string(width) + "x" + std::to_string(height),
                          "-framerate", std::to_string(rate), "-i", "pipe:0", "-vf", filter, "-c:v", "libx264",
                          "-preset", "fast", "-crf", "18", "-g", std::to_string(2 * rate), "-colorspace", "bt709",
                          "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv", "-f", "nut",
                          videoPart},
                         ends[0]);
  ::close(ends[0]);
  pipe = ends[1];
  if (encoder < 0) {
    abandon();
    return false;
  }
  // Three pictures: one being filled, one being written, one to spare.
  pictures.assign(3, Picture(static_cast<std::size_t>(width) * height * 3));
  for (Picture& picture : pictures) spares.push_back(&picture);
  // The feeder takes no signal: a stop signal reaches the show's thread.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  feeder = std::thread(&VideoCapture::feed, this);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  startTime = lastFrameEnd = lastProgress = std::chrono::steady_clock::now();
  terminal = isatty(STDERR_FILENO) != 0;
  return true;
}

// How far the show has come, 0 to 1: by its music position, or by the frame
// limit when that comes first.
double VideoCapture::progress(const DrawnFrame& frame) {
  const int position = FMUSIC_GetOrder(frame.song) * 64 + FMUSIC_GetRow(frame.song);
  if (firstPosition < 0) firstPosition = position;
  const int span = endPosition - firstPosition;
  double done = span > 0 ? static_cast<double>(position - firstPosition) / span : 0;
  if (frameLimit > 0) done = std::max(done, static_cast<double>(frame.number) / static_cast<double>(frameLimit));
  return done;
}

bool VideoCapture::addFrame(const DrawnFrame& frame) {
  // The frame finished first: the rasteriser's time is drawing, not reading back.
  glFinish();
  drawingSeconds += secondsSince(lastFrameEnd);
  if (frame.width != width || frame.height != height) {
    std::fprintf(stderr, "flipp-kroma: the frame is %dx%d, the capture %dx%d\n", frame.width, frame.height, width,
                 height);
    return false;
  }
  const double done = progress(frame);
  if (!readBack()) return false;
  ++frames;
  if (!writeSound(soundFramesFor(frames, fps))) return false;
  showProgress(done, false);
  lastFrameEnd = std::chrono::steady_clock::now();
  return true;
}

// Reads the back buffer into a pixel buffer object and takes the frame
// before from the other one; without them, straight into a spare picture.
bool VideoCapture::readBack() {
  const auto begin = std::chrono::steady_clock::now();
  const double waitedBefore = waitingSeconds;
  if (!packBuffersChecked) {
    packBuffersChecked = true;
    if (loadPackBufferCalls()) {
      gl.genBuffers(2, packBuffers);
      for (GLuint buffer : packBuffers) {
        gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, buffer);
        gl.bufferData(GL_PIXEL_PACK_BUFFER_ARB, static_cast<GLsizeiptrARB>(pictures[0].size()), nullptr,
                      GL_STREAM_READ_ARB);
      }
      gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, 0);
    }
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  bool read = true;
  if (packBuffers[0]) {
    const int next = pending == 0 ? 1 : 0;
    gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, packBuffers[next]);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, 0);
    read = takePending();
    pending = next;
  } else if (Picture* picture = spare()) {
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, picture->data());
    queue(picture);
  } else {
    read = false;
  }
  readingSeconds += secondsSince(begin) - (waitingSeconds - waitedBefore);
  return read;
}

// Copies the frame read back before into a spare picture for the encoder.
bool VideoCapture::takePending() {
  if (pending < 0) return true;
  Picture* picture = spare();
  if (!picture) return false;
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, packBuffers[pending]);
  const void* data = gl.mapBuffer(GL_PIXEL_PACK_BUFFER_ARB, GL_READ_ONLY_ARB);
  if (data) {
    std::memcpy(picture->data(), data, picture->size());
    gl.unmapBuffer(GL_PIXEL_PACK_BUFFER_ARB);
  }
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER_ARB, 0);
  pending = -1;
  if (!data) {
    std::fprintf(stderr, "flipp-kroma: cannot read the frame back from the GL\n");
    return false;
  }
  queue(picture);
  return true;
}

// A picture to fill, once the feeder has written one; null (after saying
// why) when it has failed or a stop signal came.
VideoCapture::Picture* VideoCapture::spare() {
  const auto begin = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex);
  while (spares.empty() && feedError == 0 && !stopSignal) changed.wait_for(lock, std::chrono::milliseconds(100));
  waitingSeconds += secondsSince(begin);
  if (feedError == 0 && !stopSignal) {
    Picture* picture = spares.back();
    spares.pop_back();
    return picture;
  }
  lock.unlock();
  feedFailed();
  return nullptr;
}

void VideoCapture::queue(Picture* picture) {
  const std::lock_guard lock(mutex);
  full.push_back(picture);
  changed.notify_all();
}

// The feeder: writes the full pictures to the encoder in order until
// closing, or until a write fails.
void VideoCapture::feed() {
  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock, [this] { return closing || !full.empty(); });
    if (full.empty()) return;
    Picture* picture = full.front();
    full.pop_front();
    lock.unlock();
    int error = 0;
    const std::uint8_t* data = picture->data();
    std::size_t left = picture->size();
    while (left > 0 && error == 0) {
      const ssize_t written = write(pipe, data, left);
      if (written < 0) {
        if (errno != EINTR) error = errno;
        continue;
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    lock.lock();
    spares.push_back(picture);
    changed.notify_all();
    if (error != 0) {
      feedError = error;
      return;
    }
  }
}

// Lets the feeder write what is queued, and waits for it to end.
void VideoCapture::endFeeder() {
  if (!feeder.joinable()) return;
  {
    const std::lock_guard lock(mutex);
    closing = true;
    changed.notify_all();
  }
  feeder.join();
}

// Says why the feeder stopped: a dead encoder's status, or the write's error.
void VideoCapture::feedFailed() {
  if (feedError == EPIPE) waitFor(encoder, "encoding the pictures");
  else if (feedError != 0) std::fprintf(stderr, "flipp-kroma: cannot feed the encoder (%s)\n", std::strerror(feedError));
}

bool VideoCapture::writeSound(std::uint64_t untilFrame) {
  while (soundWritten < untilFrame) {
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(untilFrame - soundWritten, music::blockFrames));
    samples.assign(2 * count, 0.0f);
    if (song) song->renderBlock(samples.data(), count);
    if (std::fwrite(samples.data(), sizeof(float), samples.size(), sound) != samples.size()) {
      std::fprintf(stderr, "flipp-kroma: cannot write '%s' (%s)\n", soundPart.c_str(), std::strerror(errno));
      return false;
    }
    soundWritten += count;
  }
  return true;
}

void VideoCapture::showProgress(double done, bool last) {
  const auto now = std::chrono::steady_clock::now();
  if (!terminal || (!last && now - lastProgress < std::chrono::milliseconds(250))) return;
  lastProgress = now;
  const double elapsed = std::chrono::duration<double>(now - startTime).count();
  const double rate = elapsed > 0 ? frames / elapsed : 0;
  done = std::clamp(done, 0.0, 1.0);
  const std::string left = done > 0 ? clockText(elapsed * (1 - done) / done) : "?";
  std::fprintf(stderr, "\rcapture: %5.1f%%  %ld frames  %.1f fps (%.2fx)  %s left   %s", 100 * done, frames, rate,
               rate / fps, left.c_str(), last ? "\n" : "");
  std::fflush(stderr);
}

bool VideoCapture::waitFor(pid_t& child, const char* what) {
  if (child <= 0) return false;
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      child = -1;
      return false;
    }
    if (stopSignal) {
      kill(child, SIGTERM);
    }
  }
  child = -1;
  encoderCpuSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (stopSignal) return false;
  if (WIFEXITED(status))
    std::fprintf(stderr, "flipp-kroma: %s failed while %s (exit status %d)\n", program, what, WEXITSTATUS(status));
  else
    std::fprintf(stderr, "flipp-kroma: %s died while %s (signal %d)\n", program, what, WTERMSIG(status));
  return false;
}

bool VideoCapture::finish() {
  showProgress(1.0, true);
  if (frames == 0) {
    std::fprintf(stderr, "flipp-kroma: no frame was drawn; '%s' was not written\n", file.c_str());
    abandon();
    return false;
  }
  const auto lastFrame = lastFrameEnd;
  if (!takePending()) {
    abandon();
    return false;
  }
  endFeeder();
  if (feedError != 0) {
    feedFailed();
    abandon();
    return false;
  }
  ::close(pipe);
  pipe = -1;
  const bool closed = std::fclose(sound) == 0;
  sound = nullptr;
  if (!closed) std::fprintf(stderr, "flipp-kroma: cannot write '%s'\n", soundPart.c_str());
  if (!waitFor(encoder, "encoding the pictures") || !closed) {
    abandon();
    return false;
  }
  std::vector<std::string> arguments = {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", videoPart,
                                        "-f", std::endian::native == std::endian::little ? "f32le" : "f32be",
                                        "-ar", std::to_string(music::mixRate), "-ac", "2", "-i", soundPart,
                                        "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
  const std::vector<std::string> container =
      endsWithMp4(file)
          // The movie's time scale is the sound's, so that the two streams' lengths are exact.
          ? std::vector<std::string>{"-c:a", "aac", "-b:a", "256k", "-movie_timescale",
                                     std::to_string(music::mixRate), "-movflags", "+faststart", "-f", "mp4"}
          : std::vector<std::string>{"-c:a", "flac", "-f", "matroska"};
  arguments.insert(arguments.end(), container.begin(), container.end());
  arguments.push_back(filePart);
  encoder = spawnEncoder(arguments, -1);
  if (encoder < 0 || !waitFor(encoder, "putting picture and sound together")) {
    abandon();
    return false;
  }
  std::error_code error;
  std::filesystem::rename(filePart, file, error);
  if (error) {
    std::fprintf(stderr, "flipp-kroma: cannot name the capture '%s' (%s)\n", file.c_str(), error.message().c_str());
    abandon();
    return false;
  }
  removeTemporaries();
  std::fprintf(stderr,
               "flipp-kroma: wrote '%s': %ld frames at %g fps (%.2f s), in %.1f s: drawing %.1f s, reading back "
               "%.1f s, waiting for the encoder %.1f s, finishing %.1f s; the encoder's CPU time %.1f s%s\n",
               file.c_str(), frames, fps, frames / fps, secondsSince(startTime), drawingSeconds, readingSeconds,
               waitingSeconds, secondsSince(lastFrame), encoderCpuSeconds, flashingReduced ? ", flashing reduced" : "");
  return true;
}

int VideoCapture::close(int status) {
  if (status == 0 && !finish()) status = stopSignal ? 128 + stopSignal : 1;
  if (status == 0) return 0;
  abandon();
  if (stopSignal)
    std::fprintf(stderr, "\nflipp-kroma: capture interrupted (signal %d); '%s' was not written\n",
                 static_cast<int>(stopSignal), file.c_str());
  else
    std::fprintf(stderr, "flipp-kroma: capture failed; '%s' was not written\n", file.c_str());
  return status;
}

void VideoCapture::abandon() {
  if (encoder > 0) {
    // Its output is thrown away: no trailer to write, no complaints about it.
    kill(encoder, SIGKILL);
    int status = 0;
    while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
    }
    encoder = -1;
  }
  // Its pipe has no reader now: whatever the feeder still writes fails at once.
  endFeeder();
  if (pipe >= 0) {
    ::close(pipe);
    pipe = -1;
  }
  if (sound) {
    std::fclose(sound);
    sound = nullptr;
  }
  removeTemporaries();
}

void VideoCapture::removeTemporaries() {
  std::error_code ignored;
  for (const std::string* name : {&videoPart, &soundPart, &filePart}) std::filesystem::remove(*name, ignored);
}
