#pragma once
#include <cstdint>

// 24-bit RGB pixels, rows bottom to top without padding. The record and the
// pixel block come from malloc; the receiver frees the pixels, then the record.
struct RgbImage {
  std::int32_t width;
  std::int32_t height;
  std::uint8_t* pixels;
};

// Reads a BMP file or a bare DIB; null (after a message box) on any failure.
// `wideName`: fileName is a UTF-16 (char16_t) string.
RgbImage* loadDibImage(const void* fileName, bool wideName);
RgbImage* loadDibFile(const char* fileName);
// Colour-table entries that follow the DIB header at `header`.
int dibColorCount(const std::uint8_t* header);
