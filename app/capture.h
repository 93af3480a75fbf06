// Video capture of the show with its sound, through the ffmpeg program.
#pragma once
#include <sys/types.h>

#include <GL/gl.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_output.h"

namespace music {
class SongRenderer;
}

// Sound frames (44,100 a second) that accompany the first `frames` pictures at
// `fps`: the sound of exactly their time span, rounded down to a whole frame.
std::uint64_t soundFramesFor(long frames, double fps);

// Records the show into one video file with the ffmpeg program. The pictures
// go raw through a pipe to an H.264 encoder, written by a thread of their
// own so that the show draws on while the encoder takes them; where the GL
// has pixel buffer objects, each frame is read back into one while the next
// is drawn, and taken from it after. The song is rendered by its own
// SongRenderer for exactly the pictures' time span, so sound and picture
// start together and run equally long. At the end the two are put into one
// .mp4 (AAC sound) or .mkv (FLAC sound) file. Until then everything is
// written under temporary names beside the file, and removed on failure.
// A stop signal (stopSignal) makes writes and waits give up.
class VideoCapture : public FrameSink {
 public:
  // `song` is positioned at the show's start; null records silence.
  // `frameLimit` (0: none) ends the show early, for the progress line.
  VideoCapture(std::string file, int width, int height, double fps, std::unique_ptr<music::SongRenderer> song,
               long frameLimit);
  ~VideoCapture() override;
  VideoCapture(const VideoCapture&) = delete;
  VideoCapture& operator=(const VideoCapture&) = delete;

  // Starts the encoder; false (with a message) when it cannot.
  bool start();
  // Reads the back buffer and adds it and its span of sound.
  bool addFrame(const DrawnFrame& frame) override;
  // A run that ended well is finished; otherwise, or when finishing fails,
  // nothing is left behind and the message says why.
  int close(int status) override;
  // Finishes the encoding, puts picture and sound together and gives the
  // file its name. False (with a message, nothing left behind) on failure.
  bool finish();
  // Stops the encoder and removes every temporary file.
  void abandon();

  std::string file;
  int width;
  int height;
  double fps;
  long frameLimit;
  long frames = 0;
  bool flashingReduced = false;  // said in the line that names the file

 private:
  using Picture = std::vector<std::uint8_t>;

  double progress(const DrawnFrame& frame);
  bool readBack();
  bool takePending();
  Picture* spare();
  void queue(Picture* picture);
  void feed();
  void endFeeder();
  void feedFailed();
  bool writeSound(std::uint64_t untilFrame);
  void showProgress(double done, bool last);
  bool waitFor(pid_t& child, const char* what);
  void removeTemporaries();

  std::unique_ptr<music::SongRenderer> song;
  int firstPosition = -1;  // order * 64 + row of the first frame
  std::string videoPart;  // the encoded pictures
  std::string soundPart;  // the raw sound, stereo 32-bit float
  std::string filePart;   // the finished file before its renaming
  pid_t encoder = -1;
  int pipe = -1;
  std::FILE* sound = nullptr;
  std::uint64_t soundWritten = 0;
  std::vector<float> samples;

  // Pictures (RGB, rows bottom to top) on their way to the encoder: the
  // show's thread fills spare ones, the feeder writes full ones in order.
  std::vector<Picture> pictures;
  std::vector<Picture*> spares;
  std::deque<Picture*> full;
  std::mutex mutex;
  std::condition_variable changed;
  bool closing = false;
  int feedError = 0;  // errno of the write that failed
  std::thread feeder;

  // Pixel buffer objects: the frame read back into packBuffers[pending]
  // (-1: none) is taken after the next one is read into the other.
  bool packBuffersChecked = false;
  GLuint packBuffers[2] = {0, 0};
  int pending = -1;

  // Where the time went: the show drawing (from the start to each frame),
  // reading frames back, waiting for a spare picture while the encoder is
  // behind; the encoder's CPU time.
  std::chrono::steady_clock::time_point startTime;
  std::chrono::steady_clock::time_point lastFrameEnd;
  std::chrono::steady_clock::time_point lastProgress;
  double drawingSeconds = 0;
  double readingSeconds = 0;
  double waitingSeconds = 0;
  double encoderCpuSeconds = 0;
  bool terminal = false;
};
