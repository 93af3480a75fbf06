// The show's reference frames: which frame of a headless run stands for each
// order, how those runs are made, and when two frames count as one picture.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace reference {

// Small enough to keep in the repository, large enough that a title, a
// character or a rosette covers many pixels.
constexpr int width = 160;
constexpr int height = 90;
constexpr int fps = 30;
constexpr int orders = 22;
// Orders 0..18 are taken from one run of the whole show, so each frame
// carries what the orders before it left (particles, latches, GL state).
// The epilogue's orders are never reached by it: each is its own run.
constexpr int lastShowOrder = 18;
// Well inside the order: half of its 64 rows have played.
constexpr int shotRow = 32;

// Frame `frame` (from 0) of a run started at `startOrder` shows `order`.
struct Shot {
  int order;
  int startOrder;
  long frame;
};

// The module's row start times fix every frame: frame n shows song time
// floor(n * 1000 / fps) ms, heard at sample floor(t * 44.1).
struct Timing {
  explicit Timing(const std::vector<char>& module);
  std::vector<Shot> shots;
  long wholeShowFrames = 0;  // the whole show ends on the frame that reaches order 18 row 63
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};
bool readPng(const std::filesystem::path& path, Image& image);

// Two renderings of one frame count as the same picture when no more than
// `maxShare` of their pixels differ by more than `levels` in any channel
// (why these numbers: whole_show_test.cpp).
constexpr int levels = 16;
constexpr double maxShare = 0.001;
struct Difference {
  long differing = 0;  // pixels past `levels`; all of them when the sizes differ
  long pixels = 0;
  int largest = 0;  // the largest channel difference
  double share() const { return pixels > 0 ? static_cast<double>(differing) / pixels : 1.0; }
  bool samePicture() const { return pixels > 0 && share() <= maxShare; }
};
Difference compare(const Image& a, const Image& b);

// Runs the program headless at the reference size on the fixed step with the
// bundled face, writing every frame to `pngDirectory`; `extra` adds options.
// Returns the exit status (-1 when it did not exit).
int runShow(const std::string& program, const std::string& dataDirectory, const std::string& extra,
            const std::filesystem::path& pngDirectory);

std::filesystem::path framePath(const std::filesystem::path& directory, long frame);
std::filesystem::path referencePath(const std::filesystem::path& directory, int order);

// Renders the whole show into `scratch`/show and each epilogue order into
// `scratch`/order-NN; the frame of each shot is then at shotFrame(scratch, shot).
// Returns what went wrong, empty when every run ended as it should.
std::string renderShots(const std::string& program, const std::string& dataDirectory, const Timing& timing,
                        const std::filesystem::path& scratch);
std::filesystem::path shotFrame(const std::filesystem::path& scratch, const Shot& shot);

}  // namespace reference
