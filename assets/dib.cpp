// The bitmap decoder: BMP files and bare DIBs of every common depth to 24-bit RGB.
#include "assets/dib.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "assets/message_box.h"

namespace {

constexpr const char* conversionError = "Image file conversion error.";
constexpr const char* outOfMemory = "Out of memory.";

enum Compression : std::uint32_t { rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3 };

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

RgbImage* fail(const char* text) {
  showMessageBox(text, "Error");
  return nullptr;
}

// One colour of a packed pixel, widened to 8 bits by repeating its bits.
struct Channel {
  explicit Channel(std::uint32_t m)
      : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::bit_width(m >> shift)) {}

  std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
    std::uint32_t wide = 0;
    int filled = 0;
    for (; filled < 8; filled += bits) wide = wide << bits | value;
    return static_cast<std::uint8_t>(wide >> (filled - 8));
  }

  std::uint32_t mask;
  int shift;
  int bits;
};

// What the headers say, checked against the file.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t rows = 0;
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = rgb;
  std::uint8_t palette[256][3] = {};  // red, green, blue; missing entries black
  std::uint32_t masks[3] = {};        // red, green, blue
  const std::uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

// Bytes from one row of uncompressed pixels to the next: padded to 4.
std::uint64_t rowStride(const Picture& p) { return (std::uint64_t(p.bitCount) * p.width + 31) / 32 * 4; }

void decodeRows(const Picture& p, std::uint8_t* out) {
  const std::size_t stride = rowStride(p);
  const Channel red(p.masks[0]), green(p.masks[1]), blue(p.masks[2]);
  for (std::uint32_t y = 0; y < p.rows; ++y) {
    const std::uint8_t* row = p.data + y * stride;
    std::uint8_t* o = out + std::size_t(p.topDown ? p.rows - 1 - y : y) * p.width * 3;
    for (std::uint32_t x = 0; x < p.width; ++x, o += 3) {
      switch (p.bitCount) {
        case 1:
        case 4:
        case 8: {
          const unsigned perByte = 8 / p.bitCount;
          const unsigned shift = (perByte - 1 - x % perByte) * p.bitCount;
          const unsigned index = row[x / perByte] >> shift & ((1u << p.bitCount) - 1);
          o[0] = p.palette[index][0];
          o[1] = p.palette[index][1];
          o[2] = p.palette[index][2];
          break;
        }
        case 24:
          o[0] = row[3 * x + 2];
          o[1] = row[3 * x + 1];
          o[2] = row[3 * x];
          break;
        default: {
          const std::uint32_t pixel = p.bitCount == 16 ? u16(row + 2 * x) : u32(row + 4 * x);
          o[0] = red(pixel);
          o[1] = green(pixel);
          o[2] = blue(pixel);
        }
      }
    }
  }
}

// Run-length pixels; pixels the runs skip stay black, pixels outside the
// picture are dropped, and the data's end ends the picture.
void decodeRuns(const Picture& p, std::uint8_t* out) {
  const bool nibbles = p.compression == rle4;
  const std::uint8_t* d = p.data;
  const std::size_t size = p.dataSize;
  std::size_t at = 0;
  std::uint64_t x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < p.width && y < p.rows) {
      std::uint8_t* o = out + (y * p.width + x) * 3;
      o[0] = p.palette[index][0];
      o[1] = p.palette[index][1];
      o[2] = p.palette[index][2];
    }
    ++x;
  };
  while (at + 2 <= size && y < p.rows) {
    const unsigned count = d[at], value = d[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i)
        put(nibbles ? (i % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (at + 2 > size) break;
      x += d[at];
      y += d[at + 1];
      at += 2;
    } else {  // `value` literal pixels, padded to a whole 16-bit word
      const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
      if (at + bytes > size) break;
      for (unsigned i = 0; i < value; ++i)
        put(nibbles ? (i % 2 ? d[at + i / 2] & 15 : d[at + i / 2] >> 4) : d[at + i]);
      at += bytes + bytes % 2;
    }
  }
}

RgbImage* decodeDib(const std::uint8_t* file, std::size_t size) {
  const bool fileHeader = size >= 2 && file[0] == 'B' && file[1] == 'M';
  const std::size_t headerAt = fileHeader ? 14 : 0;
  if (size < headerAt + 4) return fail(conversionError);
  const std::uint8_t* header = file + headerAt;
  const std::uint32_t headerSize = u32(header);
  if (headerSize != 12 && headerSize != 40) return fail("Unknown DIB file format.");
  if (size - headerAt < headerSize) return fail(conversionError);

  Picture p;
  std::int64_t width, height;
  std::size_t entrySize, masksSize = 0;
  std::uint32_t imageSize = 0;
  if (headerSize == 12) {
    width = u16(header + 4);
    height = u16(header + 6);
    p.bitCount = u16(header + 10);
    entrySize = 3;
  } else {
    width = static_cast<std::int32_t>(u32(header + 4));
    height = static_cast<std::int32_t>(u32(header + 8));
    p.bitCount = u16(header + 14);
    p.compression = u32(header + 16);
    imageSize = u32(header + 20);
    entrySize = 4;
    if (p.compression == bitFields) masksSize = 12;
  }
  p.topDown = height < 0;
  const std::uint64_t rows = height < 0 ? -height : height;

  const bool known = p.bitCount == 1 || p.bitCount == 4 || p.bitCount == 8 || p.bitCount == 16 ||
                     p.bitCount == 24 || p.bitCount == 32;
  const bool fits = p.compression == rgb ||
                    (p.compression == rle8 && p.bitCount == 8 && !p.topDown) ||
                    (p.compression == rle4 && p.bitCount == 4 && !p.topDown) ||
                    (p.compression == bitFields && (p.bitCount == 16 || p.bitCount == 32));
  if (!known || !fits || width <= 0 || rows == 0 || rows > INT32_MAX)
    return fail(conversionError);
  p.width = static_cast<std::uint32_t>(width);
  p.rows = static_cast<std::uint32_t>(rows);

  // The masks, then the colour table, follow the header.
  const std::size_t count = dibColorCount(header, size - headerAt);
  const std::size_t tableAt = headerAt + headerSize + masksSize;
  const std::size_t tableSize = count * entrySize;
  if (size - headerAt - headerSize < masksSize + tableSize) return fail(conversionError);
  if (p.compression == bitFields) {
    for (int i = 0; i < 3; ++i) p.masks[i] = u32(header + headerSize + 4 * i);
  } else if (p.bitCount == 16) {
    p.masks[0] = 0x7C00, p.masks[1] = 0x03E0, p.masks[2] = 0x001F;
  } else if (p.bitCount == 32) {
    p.masks[0] = 0xFF0000, p.masks[1] = 0xFF00, p.masks[2] = 0xFF;
  }
  for (std::size_t i = 0; i < count && i < 256; ++i) {
    const std::uint8_t* entry = file + tableAt + i * entrySize;
    p.palette[i][0] = entry[2];
    p.palette[i][1] = entry[1];
    p.palette[i][2] = entry[0];
  }

  const std::size_t dataAt = fileHeader ? u32(file + 10) : tableAt + tableSize;
  if (dataAt > size) return fail(conversionError);
  p.data = file + dataAt;
  p.dataSize = size - dataAt;
  const std::uint64_t pixelCount = std::uint64_t(p.width) * p.rows;
  if (p.compression == rle8 || p.compression == rle4) {
    if (imageSize > p.dataSize) return fail(conversionError);
    if (imageSize != 0) p.dataSize = imageSize;
    // A run holds at most 255 pixels in two bytes; skips and an early end may
    // leave more black, up to a small picture's worth.
    if (pixelCount > 65536 + 128 * std::uint64_t(p.dataSize)) return fail(conversionError);
  } else {
    // Every row but the last is padded to a multiple of 4 bytes.
    const std::uint64_t lastRow = (std::uint64_t(p.bitCount) * p.width + 7) / 8;
    if (lastRow > p.dataSize || (p.rows - 1) > (p.dataSize - lastRow) / rowStride(p))
      return fail(conversionError);
  }

  auto* pixels = static_cast<std::uint8_t*>(std::calloc(pixelCount, 3));
  if (!pixels) return fail(outOfMemory);
  if (p.compression == rle8 || p.compression == rle4)
    decodeRuns(p, pixels);
  else
    decodeRows(p, pixels);
  auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
  if (!image) {
    std::free(pixels);
    return fail(outOfMemory);
  }
  image->width = static_cast<std::int32_t>(p.width);
  image->height = static_cast<std::int32_t>(p.rows);
  image->pixels = pixels;
  return image;
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8(const char16_t* name) {
  std::string out;
  for (const char16_t* c = name; *c; ++c) {
    char32_t code = *c;
    if (code >= 0xD800 && code <= 0xDBFF && c[1] >= 0xDC00 && c[1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (c[1] - 0xDC00);
      ++c;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// The whole file; false when it cannot be opened or read, or is empty.
bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  return !in.bad() && !bytes.empty();
}

}  // namespace

int dibColorCount(const std::uint8_t* header, std::size_t available) {
  if (available < 4) return 0;
  int bitCount;
  const std::uint32_t size = u32(header);
  if (size == 12 && available >= 12) {
    bitCount = u16(header + 10);
  } else if (size == 40 && available >= 40) {
    const std::uint32_t used = u32(header + 32);
    if (used != 0) return static_cast<std::uint16_t>(used);
    bitCount = u16(header + 14);
  } else {
    return 0;
  }
  return bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
}

RgbImage* loadDibImage(const void* fileName, bool wideName) {
  const std::string path = wideName ? utf8(static_cast<const char16_t*>(fileName))
                                    : std::string(static_cast<const char*>(fileName));
  std::vector<std::uint8_t> bytes;
  try {
    if (!readFile(path, bytes)) {
      char message[256];
      std::snprintf(message, sizeof message, "Failed to open DIB file %s.\n", path.c_str());
      return fail(message);
    }
  } catch (const std::bad_alloc&) {
    return fail(outOfMemory);
  }
  return decodeDib(bytes.data(), bytes.size());
}

RgbImage* loadDibFile(const char* fileName) { return loadDibImage(fileName, false); }
