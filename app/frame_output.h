// PNG frame output for headless runs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes each drawn frame as DIRECTORY/frame-NNNNNN.png, numbered from 0.
class PngFrames {
 public:
  explicit PngFrames(std::string directory) : directory(std::move(directory)) {}
  // Creates the directory if needed; false (with a message) when it cannot be written.
  bool open();
  // Reads the back buffer (width x height) once and writes it as the next frame.
  bool writeFrame(int width, int height);

  std::string directory;
  long next = 0;

 private:
  std::vector<std::uint8_t> pixels;
};

// Encodes bottom-up RGB rows as a PNG file.
bool writePng(const std::string& path, const std::uint8_t* rgb, int width, int height);
