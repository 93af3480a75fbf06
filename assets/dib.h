// The bitmap decoder's interface and its image record.
#pragma once
#include <cstddef>
#include <cstdint>

// 24-bit RGB pixels, rows bottom to top without padding. The record and the
// pixel block come from malloc; the receiver frees the pixels, then the record.
// Height is always positive: a top-down file comes back turned bottom-up.
struct RgbImage {
  std::int32_t width;
  std::int32_t height;
  std::uint8_t* pixels;
};

// Reads a BMP file or a bare DIB (12- or 40-byte header; 1, 4, 8, 16, 24 or
// 32 bits; RLE4, RLE8 and bit fields); null (after a message box) on any
// failure. `wideName`: fileName is a zero-terminated UTF-16 (char16_t) string.
RgbImage* loadDibImage(const void* fileName, bool wideName);
RgbImage* loadDibFile(const char* fileName);
// Colour-table entries that follow the DIB header at `header`, of which
// `available` bytes may be read; 0 for a header that is unknown or cut short.
int dibColorCount(const std::uint8_t* header, std::size_t available);
