// Writes the fuzz targets' seed corpora: small valid files and edge cases of
// the mesh text format and of bitmaps. Usage: fk_fuzz_seeds CORPUS_DIR
// (writes CORPUS_DIR/mesh and CORPUS_DIR/dib; the repository keeps the result
// in tests/fuzz/corpus).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/assets/bmp_builder.h"

namespace {

namespace fs = std::filesystem;

void meshSeeds(const fs::path& dir) {
  const std::vector<std::pair<const char*, std::string>> seeds = {
      {"tetrahedron.obj", "# tetrahedron in two parts\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                          "g base\nf 1 3 2\ng sides\nf 1 2 4\nf 2 3 4\nf 3 1 4\n"},
      {"no-groups.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nf 2 4 3\n"},
      {"crlf-no-last-end.obj", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\ng a\r\nf 1 2 3"},
      {"groups-empty-and-last.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng first\ng second\nf 3 2 1\ng last\n"},
      {"line-forms.obj", "v1 2 3\nv 4e0 -5.5 +6 1\nv\t0.5\t0.5\t0.5\nf 1 2 3 4\n o object\n s 1\nusemtl x\n#f 9 9 9\n"},
      {"degenerate.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nv 2 2 2\nv 3 3 3\n"
                         "f 1 2 3\nf 2 3 4\nf 1 3 4\nf 5 5 7\n"},
      {"long-line.obj", "v 1 2 3\nv 4 5 6\nv 7 8 9\n# " + std::string(97, 'x') + "v 1 1 1\n" + "f 1 2 3" +
                            std::string(92, ' ') + "f 1 2 3\n"},
      {"vertex-normal.obj", "v 0 0 0\nvn 0 0 1\nf 1 1 1\n"},
      {"slashes.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1/1 2/2/2 3/3/3\n"},
      {"indices-out-of-range.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\nf -1 -2 -3\nf 2 3 4\n"},
      {"short-triangle-line.obj", "v 0 0 0\nf\nf 1\n"},
      {"huge-numbers.obj", "v 3e38 -3e38 1e-45\nv nan inf -inf\nv 1 1 1\nf 1 2 3\nf 2147483647 1 2\n"},
  };
  fs::create_directories(dir);
  for (const auto& [name, text] : seeds) std::ofstream(dir / name, std::ios::binary) << text;
}

// A 5 x 3 picture file of `bitCount` bits, palette or direct colours.
Bmp picture(int bitCount, bool core = false) {
  const int colours = bitCount <= 8 ? 1 << bitCount : 0;
  Bmp bmp{.width = 5, .height = 3, .bitCount = std::uint16_t(bitCount), .core = core, .palette = palette(colours)};
  std::vector<std::uint32_t> values;
  for (int i = 0; i < 15; ++i) values.push_back(colours ? i * 7 % colours : 0x01010101u * i * 13);
  bmp.data = packRows(values, 5, bitCount);
  return bmp;
}

// Bare DIBs only where no file seed has the same bytes after its 14-byte
// header: the target loads that part of every file as a bare DIB too.
void dibSeeds(const fs::path& dir) {
  fs::create_directories(dir);
  auto write = [&](const std::string& name, const Bmp& bmp, std::size_t cut = 0) {
    std::vector<std::uint8_t> bytes = bmp.bytes();
    bytes.resize(bytes.size() - cut);
    writeFile((dir / name).string(), bytes);
  };
  for (int bits : {1, 4, 8, 16, 24, 32}) write("info-" + std::to_string(bits) + "-file.bmp", picture(bits));
  for (int bits : {1, 24}) write("core-" + std::to_string(bits) + "-file.bmp", picture(bits, true));
  Bmp bmp = picture(24);
  bmp.height = -3;
  write("top-down.bmp", bmp);
  bmp = picture(8);
  bmp.fileHeader = false;
  bmp.colorsUsed = 4;
  bmp.palette.resize(4);
  write("info-8-short-table-bare.dib", bmp);

  bmp = {.width = 6, .height = 4, .bitCount = 8, .compression = 1, .colorsUsed = 16, .palette = palette(16),
         .data = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 7, 0, 0, 8, 1, 0, 0, 0, 2, 3, 1, 1, 9, 0, 1}};
  bmp.imageSize = static_cast<std::uint32_t>(bmp.data.size());
  write("rle8.bmp", bmp);
  bmp = {.width = 6, .height = 4, .bitCount = 4, .compression = 2, .colorsUsed = 16, .palette = palette(16),
         .data = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 2, 0xBC, 0, 1}};
  write("rle4.bmp", bmp);

  bmp = {.width = 3, .bitCount = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
         .data = packRows({0xFFFF, 0x07E0, 0x0821}, 3, 16)};
  write("bitfields-16.bmp", bmp);
  bmp = {.width = 3, .bitCount = 32, .compression = 3, .fileHeader = false,
         .masks = {0x3FF00000, 0x000FFC00, 0x000003FF}, .data = packRows({0x3FF00000, 0x00802000, 0x0FF}, 3, 32)};
  write("bitfields-32-bare.dib", bmp);

  // Refused: a later header version, and a picture cut short.
  write("last-row-cut.bmp", picture(24), 5);
  std::vector<std::uint8_t> bytes = picture(24).bytes();
  bytes[14] = 108;
  writeFile((dir / "header-108.bmp").string(), bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  meshSeeds(fs::path(argv[1]) / "mesh");
  dibSeeds(fs::path(argv[1]) / "dib");
  return 0;
}
