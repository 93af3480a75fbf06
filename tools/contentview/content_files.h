// Plain readers for the generated content, independent of the show's own
// loaders, and a drawing of the character the way the show draws it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ObjFile {
  std::vector<float> vertices;  // x, y, z per vertex, as in the file
  std::vector<int> triangles;   // 0-based, three per triangle
  std::vector<std::string> groups;
  std::vector<int> groupStarts;  // first triangle of each group
  int vertexCount() const { return static_cast<int>(vertices.size() / 3); }
  int triangleCount() const { return static_cast<int>(triangles.size() / 3); }
};

// Reads "v", "f" and "g" lines; false on anything it does not understand.
bool readObj(const std::string& path, ObjFile& obj, std::string& error);

struct BmpFile {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // bottom row first, no padding
};

// Reads an uncompressed 24-bit BMP with a 40-byte info header.
bool readBmp24(const std::string& path, BmpFile& bmp, std::string& error);

// Uploads an image as a linear-filtered texture; returns its name.
unsigned uploadTexture(const BmpFile& bmp);

// Draws the model as the show's character: centred on its mean vertex, placed
// by the show's own standUpright, with white eyes at vertices 73 and 534
// whose black pupils roll with `level` (0 … 255). Uses the current colour for
// the body.
void drawCharacter(const ObjFile& obj, int level);
