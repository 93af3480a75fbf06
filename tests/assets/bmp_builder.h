// Builds BMP files and bare DIBs byte by byte for the loader tests.
#pragma once
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

using Rgb = std::array<std::uint8_t, 3>;

struct Bmp {
  std::int32_t width = 1, height = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  bool core = false;  // 12-byte header instead of 40
  bool fileHeader = true;
  std::uint32_t colorsUsed = 0, imageSize = 0;
  std::vector<std::uint32_t> masks = {};  // right after the header
  std::vector<Rgb> palette = {};          // stored as blue, green, red (, 0)
  std::vector<std::uint8_t> gap = {};     // between the colour table and the pixels
  std::vector<std::uint8_t> data = {};    // the pixel data as stored

  std::vector<std::uint8_t> bytes() const {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint32_t value, int size) {
      for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    };
    const std::uint32_t headerSize = core ? 12 : 40;
    const auto dataAt = static_cast<std::uint32_t>((fileHeader ? 14 : 0) + headerSize + 4 * masks.size() +
                                                   (core ? 3 : 4) * palette.size() + gap.size());
    if (fileHeader) {
      put('B' | 'M' << 8, 2);
      for (std::uint32_t value : {dataAt + std::uint32_t(data.size()), 0u, dataAt}) put(value, 4);
    }
    put(headerSize, 4);
    put(static_cast<std::uint32_t>(width), core ? 2 : 4);
    put(static_cast<std::uint32_t>(height), core ? 2 : 4);
    put(1, 2);  // planes
    put(bitCount, 2);
    if (!core)
      for (std::uint32_t value : {compression, imageSize, 2835u, 2835u, colorsUsed, 0u}) put(value, 4);
    for (std::uint32_t mask : masks) put(mask, 4);
    for (const Rgb& c : palette) put(c[2] | c[1] << 8 | c[0] << 16, core ? 3 : 4);
    out.insert(out.end(), gap.begin(), gap.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
};

// Distinct colours for a colour table: entry i is colour(i).
inline Rgb colour(int i) { return {std::uint8_t(i * 37), std::uint8_t(i * 91), std::uint8_t(255 - i)}; }
inline std::vector<Rgb> palette(int count) {
  std::vector<Rgb> colours;
  for (int i = 0; i < count; ++i) colours.push_back(colour(i));
  return colours;
}

// Pixel values (rows in file order) of `bitCount` bits each, packed into rows
// padded to 4 bytes: indices most significant first, wider values little-endian.
inline std::vector<std::uint8_t> packRows(const std::vector<std::uint32_t>& values, int width, int bitCount) {
  const std::size_t stride = (std::size_t(bitCount) * width + 31) / 32 * 4;
  std::vector<std::uint8_t> out(stride * (values.size() / width));
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::uint8_t* at = out.data() + i / width * stride + i % width * bitCount / 8;
    const int bit = i % width * bitCount % 8;
    if (bitCount < 8) *at |= static_cast<std::uint8_t>(values[i] << (8 - bitCount - bit));
    for (int b = 0; b < bitCount / 8; ++b) at[b] = static_cast<std::uint8_t>(values[i] >> 8 * b);
  }
  return out;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
