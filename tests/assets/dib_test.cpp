// Tests of the bitmap decoder: every depth, compressions, bit fields, refusals.
#include "assets/dib.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/assets/bmp_builder.h"
#include "tests/assets/test_files.h"

namespace {

// A decoded picture, bottom row first; width 0 when refused. Frees the image.
struct Loaded { int width = 0, height = 0; std::vector<Rgb> pixels; };

Loaded take(RgbImage* image) {
  if (!image) return {};
  Loaded result{image->width, image->height, std::vector<Rgb>(std::size_t(image->width) * image->height)};
  std::memcpy(result.pixels.data(), image->pixels, 3 * result.pixels.size());
  std::free(image->pixels);
  std::free(image);
  return result;
}

Loaded load(const std::vector<std::uint8_t>& bytes) {
  TempFile file(".bmp");
  writeFile(file.path, bytes);
  return take(loadDibFile(file.path.c_str()));
}

// Every message a test expects it takes out of `boxes`; no other may be shown.
class AssetsDib : public ::testing::Test {
  void TearDown() override { EXPECT_TRUE(boxes.empty()); }
  RecordBoxes record;
};

// A 9 x 3 picture at every depth but 16 bits (see the bit fields), read
// through an info header in a file; then the core header, the bare DIB (whose
// colour table places the pixels) and the top-down order. 9 pixels cross byte
// boundaries at 1 and 4 bits, and rows of 9 x 3 bytes need padding at 24 bits.
TEST_F(AssetsDib, EveryDepthComesBackAsRgbBottomRowFirst) {
  constexpr int width = 9, height = 3;
  struct Form { int bitCount; bool core = false, fileHeader = true, topDown = false; };
  for (Form form : {Form{1}, {4}, {8}, {24}, {32}, {4, true, false}, {8, false, false}, {32, false, true, true}}) {
    const int bitCount = form.bitCount;
    SCOPED_TRACE(std::to_string(bitCount) + (form.core ? " bits, core" : " bits, info") +
                 (form.fileHeader ? ", file" : "") + (form.topDown ? ", top-down" : ""));
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;
    // The stored value of pixel (x, y), y = 0 at the bottom, and its colour.
    auto pixel = [&](int x, int y) -> std::pair<std::uint32_t, Rgb> {
      if (colours) return {(x * 29 + y * 7) % colours, colour((x * 29 + y * 7) % colours)};
      const Rgb rgb = {std::uint8_t(x * 20 + y), std::uint8_t(y * 60 + x), std::uint8_t(200 - x * 10)};
      return {(bitCount == 32 ? 0xAB000000u : 0) | rgb[2] | rgb[1] << 8 | rgb[0] << 16, rgb};
    };
    std::vector<std::uint32_t> values;
    std::vector<Rgb> expected;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        values.push_back(pixel(x, form.topDown ? height - 1 - y : y).first);
        expected.push_back(pixel(x, y).second);
      }
    const Loaded image = load(Bmp{.width = width, .height = form.topDown ? -height : height,
                                  .bitCount = std::uint16_t(bitCount), .core = form.core,
                                  .fileHeader = form.fileHeader, .palette = palette(colours),
                                  .data = packRows(values, width, bitCount)}
                                  .bytes());
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.pixels, expected);
  }
}

TEST_F(AssetsDib, ColoursUsedSizesTheTableAndTheFileOffsetWins) {
  // A bare DIB's pixels follow all the entries counted, more than 1 bit needs;
  // of the count only the low 16 bits count.
  Bmp bmp{.width = 2, .bitCount = 1, .fileHeader = false, .colorsUsed = 0x10005, .palette = palette(5),
          .data = packRows({1, 0}, 2, 1)};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{colour(1), colour(0)}));
  // Indices past a short table are black.
  bmp = {.width = 2, .bitCount = 8, .colorsUsed = 2, .palette = palette(2), .data = packRows({1, 7}, 2, 8)};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{colour(1), {0, 0, 0}}));
  // A file header's offset wins over where the table ends.
  bmp = {.gap = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, .data = {1, 2, 3, 0}};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{3, 2, 1}}));
}

TEST_F(AssetsDib, Rle8AndRle4RunsLiteralsSkipsAndEnd) {
  Bmp bmp{.width = 6, .height = 5, .bitCount = 8, .compression = 1, .colorsUsed = 16, .palette = palette(16),
          .data = {
              3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: run of three 5s, literal 1 2 3 (padded), end of line
              0, 2, 2, 0, 2, 7, 0, 0,        // row 1: skip two, two 7s, end of line
              8, 1, 0, 0,                    // row 2: six 1s and two more past the edge
              1, 9, 0, 2, 2, 1, 1, 9, 0, 1,  // row 3: one 9, skip to (3, 4), one 9, end of bitmap
              4, 4,                          // after the end: ignored
          }};
  bmp.imageSize = static_cast<std::uint32_t>(bmp.data.size());
  const Rgb k = {0, 0, 0};
  const auto c = colour;
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{c(5), c(5), c(5), c(1), c(2), c(3),  //
                                                        k, k, c(7), c(7), k, k,              //
                                                        c(1), c(1), c(1), c(1), c(1), c(1),  //
                                                        c(9), k, k, k, k, k,                 //
                                                        k, k, k, c(9), k, k}));
  // 1 2 1 2 1, literal 3 4 (5 falls off the edge); literal 6 7 8 9 10 (padded), run 11 12;
  // a skip that the data's end (the file's) cuts off.
  bmp = {.width = 7, .height = 2, .bitCount = 4, .compression = 2, .palette = palette(16),
         .data = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 2, 0xBC, 0, 2}};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{c(1), c(2), c(1), c(2), c(1), c(3), c(4),  //
                                                        c(6), c(7), c(8), c(9), c(10), c(11), c(12)}));
  // A literal cut off by the data's end: nothing of it is drawn.
  bmp.data = {0, 5, 0x67};
  EXPECT_EQ(load(bmp.bytes()).pixels, std::vector<Rgb>(14, k));
}

TEST_F(AssetsDib, BitFieldsPickAndWidenEachChannel) {
  // 10-3-3 in a bare DIB, the masks between the header and the pixels: of 10
  // bits the top 8 count, 3 bits are repeated to fill 8.
  Bmp bmp{.width = 3, .bitCount = 16, .compression = 3, .fileHeader = false, .masks = {0xFFC0, 0x0038, 0x0007},
          .data = packRows({0xFFFF, 0x800A, 0x7C1F}, 3, 16)};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{255, 255, 255}, {128, 36, 73}, {124, 109, 255}}));
  // Without bit fields, 16 bits are 5-5-5 and the top bit is unused.
  bmp.compression = 0;
  bmp.masks.clear();
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{255, 255, 255}, {0, 0, 82}, {255, 0, 255}}));
}

// Files whose headers claim more than they hold, or what cannot be decoded:
// one case for each check.
TEST_F(AssetsDib, RefusesWhatTheFileCannotHoldWithOneMessage) {
  auto refused = [](const std::string& name, const std::vector<std::uint8_t>& bytes,
                    const std::string& message = "Image file conversion error.") {
    SCOPED_TRACE(name);
    EXPECT_EQ(load(bytes).width, 0);
    EXPECT_EQ(std::exchange(boxes, {}), std::vector<std::string>{"Error: " + message});
  };
  // A 4 x 4 picture at 24 bits, changed, then cut short by `cut` bytes.
  auto changed = [&](const char* name, auto change, std::size_t cut = 0) {
    Bmp bmp{.width = 4, .height = 4, .data = std::vector<std::uint8_t>(48, 0x55)};
    change(bmp);
    std::vector<std::uint8_t> bytes = bmp.bytes();
    refused(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - cut));
  };
  auto runs = [](Bmp& b) { b.bitCount = 8; b.compression = 1; b.palette.resize(256); b.data = {0, 1}; };
  refused("file header alone", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40});
  std::vector<std::uint8_t> later = Bmp{}.bytes();
  later[14] = 108;
  refused("later header version", later, "Unknown DIB file format.");
  changed("info header cut", [](Bmp&) {}, 48 + 24);  // 16 of its 40 bytes
  changed("embedded JPEG", [](Bmp& b) { b.compression = 4; });
  changed("most negative height", [](Bmp& b) { b.width = 0x7FFFFFFF; b.height = INT32_MIN; });
  changed("colours used past the end", [](Bmp& b) { b.bitCount = 8; b.colorsUsed = 0xFFFF; b.data.clear(); });
  changed("pixel offset past the end", [](Bmp& b) { b.gap = {0}; }, 48 + 1);
  changed("run data shorter than its size", [&](Bmp& b) { runs(b); b.imageSize = 1000; });
  changed("run picture too large for its data", [&](Bmp& b) { runs(b); b.width = b.height = 100000; });
  changed("huge width and height", [](Bmp& b) { b.width = b.height = 0x7FFFFFFF; });
  changed("last row cut", [](Bmp&) {}, 1);
}

// A UTF-16 name reaches the file system, and the message, as UTF-8. Files
// that cannot be opened or read give one message of 255 characters at most.
TEST_F(AssetsDib, WideNamesOpenAsUtf8AndFailuresToOpenSaySo) {
  const std::string folder = ::testing::TempDir();  // plain ASCII
  const std::string name = folder + "fk_assets_bild-\u00FC-\U0001F600.bmp";
  const std::u16string wide = std::u16string(folder.begin(), folder.end()) + u"fk_assets_bild-\u00FC-\U0001F600.bmp";
  writeFile(name, Bmp{.data = {1, 2, 3, 0}}.bytes());
  EXPECT_EQ(take(loadDibImage(wide.c_str(), true)).pixels, (std::vector<Rgb>{{3, 2, 1}}));
  std::remove(name.c_str());
  for (const std::string& path : {name, folder, "/" + std::string(400, 'n')}) {
    EXPECT_EQ(path == name ? loadDibImage(wide.c_str(), true) : loadDibFile(path.c_str()), nullptr);
    EXPECT_EQ(std::exchange(boxes, {}),
              std::vector<std::string>{"Error: " + ("Failed to open DIB file " + path + ".\n").substr(0, 255)});
  }
}

}  // namespace
