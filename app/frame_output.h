// Where the drawn frames go besides the screen: the frame sinks, and PNG files.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FMUSIC_MODULE;
struct Options;

// A frame just drawn, in the back buffer before it is presented.
struct DrawnFrame {
  int width;
  int height;
  long number;          // frames drawn so far, this one included
  FMUSIC_MODULE* song;  // the song the show plays, for where it has come
};

// Takes every drawn frame (PNG files, a video). Opened before the show
// starts; closed with the run's status when the loop has ended.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // False (after saying why) when the frame could not be taken: the run fails.
  virtual bool addFrame(const DrawnFrame& frame) = 0;
  // The status the run ends with, given the one the loop ended with: a sink
  // that cannot finish its output turns success into failure.
  virtual int close(int status) { return status; }
};

// Writes each drawn frame as DIRECTORY/frame-NNNNNN.png, numbered from 0.
class PngFrames : public FrameSink {
 public:
  explicit PngFrames(std::string directory) : directory(std::move(directory)) {}
  // Creates the directory if needed; false (with a message) when it cannot be written.
  bool open();
  // Reads the back buffer once and writes it as the next frame.
  bool addFrame(const DrawnFrame& frame) override;
  // A run that ended well says how many frames it wrote, and where.
  int close(int status) override;

  std::string directory;
  long next = 0;
  bool flashingReduced = false;  // said in that line

 private:
  std::vector<std::uint8_t> pixels;
};

// The video capture the options ask for (--capture, capture.h), its encoder
// started; null (after saying why) when it cannot be. The Windows build has
// none (no_capture.cpp).
std::unique_ptr<FrameSink> openCapture(const Options& options);

// Encodes bottom-up RGB rows as a PNG file.
bool writePng(const std::string& path, const std::uint8_t* rgb, int width, int height);
