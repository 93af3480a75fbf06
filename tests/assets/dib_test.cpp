#include "assets/dib.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/assets/bmp_builder.h"
#include "tests/assets/test_files.h"

namespace {

struct Loaded {
  bool ok = false;
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // bottom row first
};

Loaded take(RgbImage* image) {
  Loaded result;
  if (!image) return result;
  result = {true, image->width, image->height, {}};
  for (int i = 0; i < image->width * image->height; ++i)
    result.pixels.push_back({image->pixels[3 * i], image->pixels[3 * i + 1], image->pixels[3 * i + 2]});
  std::free(image->pixels);
  std::free(image);
  return result;
}

Loaded load(const std::vector<std::uint8_t>& bytes) {
  TempFile file(".bmp");
  writeFile(file.path, bytes);
  return take(loadDibFile(file.path.c_str()));
}

Rgb paletteColour(int i) {
  return {static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 91), static_cast<std::uint8_t>(255 - i)};
}

std::vector<Rgb> palette(int count, int first = 0) {
  std::vector<Rgb> colours;
  for (int i = 0; i < count; ++i) colours.push_back(paletteColour(first + i));
  return colours;
}

std::uint8_t widen5(unsigned v) { return static_cast<std::uint8_t>(v << 3 | v >> 2); }

class AssetsDib : public ::testing::Test {
 protected:
  RecordBoxes record;
  const std::vector<RecordedBox>& boxes() { return RecordBoxes::boxes(); }
};

// A 9 x 3 picture at every depth, with either header, with and without the
// file header: 9 pixels cross byte boundaries at 1 and 4 bits, and 9 x 3
// bytes need row padding at 24 bits. Both headers give the same pixels.
TEST_F(AssetsDib, EveryDepthComesBackAsRgbBottomRowFirst) {
  constexpr int width = 9, height = 3;
  for (bool fileHeader : {true, false})
    for (bool core : {false, true})
      for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        if (core && (bitCount == 16 || bitCount == 32)) continue;
        SCOPED_TRACE(std::to_string(bitCount) + (core ? " bits, core" : " bits, info") + (fileHeader ? ", file" : ""));
        Bmp bmp{.width = width, .height = height, .bitCount = std::uint16_t(bitCount), .core = core,
                .fileHeader = fileHeader};
        const int colours = bitCount <= 8 ? 1 << bitCount : 0;
        bmp.palette = palette(colours);
        std::vector<std::uint32_t> values;
        std::vector<Rgb> expected;
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) {
            if (colours) {
              values.push_back((x * 29 + y * 7) % colours);
              expected.push_back(paletteColour(values.back()));
            } else if (bitCount == 16) {
              const unsigned r = (x * 3 + y) % 32, g = (x + y * 5) % 32, b = (x * 7 + 31) % 32;
              values.push_back(r << 10 | g << 5 | b);
              expected.push_back({widen5(r), widen5(g), widen5(b)});
            } else {
              const Rgb rgb = {std::uint8_t(x * 20 + y), std::uint8_t(y * 60 + x), std::uint8_t(200 - x * 10)};
              values.push_back((bitCount == 32 ? 0xAB000000u : 0) | rgb[2] | rgb[1] << 8 | rgb[0] << 16);
              expected.push_back(rgb);
            }
          }
        bmp.data = packRows(values, width, bitCount);
        const Loaded image = load(bmp.bytes());
        ASSERT_TRUE(image.ok);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.pixels, expected);
      }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AssetsDib, ThreeWideRowsLoseTheirPaddingAndTopDownRowsTurnBottomUp) {
  Bmp bmp{.width = 3, .height = 2};
  bmp.data = {0x10, 0x20, 0x30, 1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 0xEE,  //
              7, 8, 9, 10, 11, 12, 13, 14, 15};                      // the last row needs no padding
  EXPECT_EQ(load(bmp.bytes()).pixels,
            (std::vector<Rgb>{{0x30, 0x20, 0x10}, {3, 2, 1}, {6, 5, 4}, {9, 8, 7}, {12, 11, 10}, {15, 14, 13}}));

  bmp.height = -2;
  EXPECT_EQ(load(bmp.bytes()).pixels,
            (std::vector<Rgb>{{9, 8, 7}, {12, 11, 10}, {15, 14, 13}, {0x30, 0x20, 0x10}, {3, 2, 1}, {6, 5, 4}}));
}

TEST_F(AssetsDib, PixelDataIsFoundAfterTheTableOrAtTheFileOffset) {
  // Bare DIBs: the pixels follow the header and its 256 entries directly, 40 +
  // 1024 bytes in with the info header, 12 + 768 with the core header.
  for (bool core : {false, true}) {
    Bmp bmp{.bitCount = 8, .core = core, .fileHeader = false};
    bmp.palette = palette(256);
    bmp.data = {200, 0, 0, 0};
    EXPECT_EQ(load(bmp.bytes()).pixels, std::vector<Rgb>{paletteColour(200)});
  }
  // A colours-used count above what 1 bit needs: all its entries are skipped.
  Bmp bmp{.width = 2, .bitCount = 1, .fileHeader = false, .colorsUsed = 5};
  bmp.palette = palette(5);
  bmp.data = packRows({1, 0}, 2, 1);
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{paletteColour(1), paletteColour(0)}));

  // A file header's offset wins over where the table ends.
  bmp = Bmp{};
  bmp.gap = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  bmp.data = {1, 2, 3, 0};
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{3, 2, 1}}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AssetsDib, IndicesPastAShortTableAreBlack) {
  Bmp bmp{.width = 2, .bitCount = 8, .colorsUsed = 2};
  bmp.palette = {{10, 20, 30}, {40, 50, 60}};
  bmp.data = packRows({1, 7}, 2, 8);
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{40, 50, 60}, {0, 0, 0}}));
}

TEST_F(AssetsDib, Rle8RunsLiteralsSkipsAndEnd) {
  Bmp bmp{.width = 6, .height = 5, .bitCount = 8, .compression = 1, .colorsUsed = 16};
  bmp.palette = palette(16, 1);
  bmp.data = {
      3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: run of three 5s, literal 1 2 3 (padded), end of line
      0, 2, 2, 0, 2, 7, 0, 0,        // row 1: skip two, two 7s, end of line
      8, 1, 0, 0,                    // row 2: six 1s and two more past the edge
      0, 2, 3, 1, 1, 9, 0, 1,        // row 3: skip to (3, 4), one 9, end of bitmap
      4, 4,                          // after the end: ignored
  };
  bmp.imageSize = static_cast<std::uint32_t>(bmp.data.size());
  const Rgb k = {0, 0, 0};
  auto c = [](int i) { return paletteColour(i + 1); };
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{c(5), c(5), c(5), c(1), c(2), c(3),  //
                                                        k, k, c(7), c(7), k, k,              //
                                                        c(1), c(1), c(1), c(1), c(1), c(1),  //
                                                        k, k, k, k, k, k,                    //
                                                        k, k, k, c(9), k, k}));
  bmp = Bmp{.width = 7, .height = 2, .bitCount = 4, .compression = 2};
  bmp.palette = palette(16, 1);
  bmp.data = {
      5, 0x12, 0, 3, 0x34, 0x50, 0, 0,           // 1 2 1 2 1, literal 3 4 (5 falls off the edge)
      0, 5, 0x67, 0x89, 0xA0, 0, 2, 0xBC, 0, 1,  // literal 6 7 8 9 10 (padded), run 11 12
  };
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{c(1), c(2), c(1), c(2), c(1), c(3), c(4),  //
                                                        c(6), c(7), c(8), c(9), c(10), c(11), c(12)}));
}

TEST_F(AssetsDib, BitFieldsPickAndWidenEachChannel) {
  Bmp bmp{.width = 3, .bitCount = 16, .compression = 3};
  bmp.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
  bmp.data = packRows({0xFFFF, 0x07E0, 1 << 11 | 1 << 5 | 1}, 3, 16);
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{255, 255, 255}, {0, 255, 0}, {8, 4, 8}}));

  bmp.fileHeader = false;  // masks sit between header and pixels
  bmp.bitCount = 32;
  bmp.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits each: the top 8 count
  bmp.data = packRows({0x3FF00000, 0x00800000 | 0x200 << 10, 0x0FF}, 3, 32);
  EXPECT_EQ(load(bmp.bytes()).pixels, (std::vector<Rgb>{{255, 0, 0}, {2, 128, 0}, {0, 0, 63}}));
  EXPECT_TRUE(boxes().empty());
}

// Files whose headers claim more than they hold, or what cannot be decoded.
std::vector<std::pair<const char*, std::vector<std::uint8_t>>> badFiles() {
  std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files;
  auto add = [&](const char* name, const Bmp& bmp, std::size_t cut = 0) {
    std::vector<std::uint8_t> bytes = bmp.bytes();
    bytes.resize(bytes.size() - cut);
    files.push_back({name, bytes});
  };
  auto picture = [](auto change) {
    Bmp bmp{.width = 4, .height = 4};
    bmp.data = std::vector<std::uint8_t>(48, 0x55);
    change(bmp);
    return bmp;
  };
  files.push_back({"one byte", {'X'}});
  files.push_back({"file header alone", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40}});
  add("info header cut", picture([](Bmp&) {}), 48 + 10);
  add("last row cut", picture([](Bmp&) {}), 1);
  add("colour table cut", picture([](Bmp& b) { b.bitCount = 8; b.palette.resize(10); b.data.clear(); }));
  add("colours used past the end", picture([](Bmp& b) { b.bitCount = 8; b.colorsUsed = 0xFFFF; b.data.clear(); }));
  add("masks cut",
      picture([](Bmp& b) { b.bitCount = 16; b.compression = 3; b.masks = {0xF800, 0x07E0}; b.data.clear(); }));
  add("huge width and height", picture([](Bmp& b) { b.width = b.height = 0x7FFFFFFF; }));
  add("most negative height", picture([](Bmp& b) { b.width = 0x7FFFFFFF; b.height = INT_MIN; }));
  add("negative width", picture([](Bmp& b) { b.width = -4; }));
  add("zero width", picture([](Bmp& b) { b.width = 0; }));
  add("zero height", picture([](Bmp& b) { b.height = 0; }));
  add("core header too large",
      picture([](Bmp& b) { b.core = true; b.bitCount = 1; b.palette.resize(2); b.width = b.height = 0xFFFF; }));
  auto runs = [](Bmp& b) { b.bitCount = 8; b.compression = 1; b.palette.resize(256); b.data = {0, 1}; };
  add("run data shorter than its size", picture([&](Bmp& b) { runs(b); b.imageSize = 1000; }));
  add("run picture too large for its data", picture([&](Bmp& b) { runs(b); b.width = b.height = 100000; }));
  add("top-down runs", picture([&](Bmp& b) { runs(b); b.height = -4; }));
  add("bit fields at 24 bits", picture([](Bmp& b) { b.compression = 3; b.masks = {1, 2, 4}; }));
  add("embedded JPEG", picture([](Bmp& b) { b.compression = 4; }));
  add("two bits", picture([](Bmp& b) { b.bitCount = 2; }));
  std::vector<std::uint8_t> far = picture([](Bmp&) {}).bytes();
  far[10] = far[11] = 0xFF;
  files.push_back({"pixel offset past the end", far});
  return files;
}

TEST_F(AssetsDib, RefusesWhatTheFileCannotHoldWithOneMessage) {
  auto expectRefused = [&](const std::vector<std::uint8_t>& bytes, const char* message) {
    RecordBoxes::boxes().clear();
    EXPECT_FALSE(load(bytes).ok);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, message);
    EXPECT_EQ(boxes()[0].caption, "Error");
  };
  for (const auto& [name, bytes] : badFiles()) {
    SCOPED_TRACE(name);
    expectRefused(bytes, "Image file conversion error.");
  }
  for (std::uint8_t size : {108, 124, 64, 0}) {
    SCOPED_TRACE(size);
    std::vector<std::uint8_t> bytes = Bmp{}.bytes();
    bytes.resize(bytes.size() + 128);
    bytes[14] = size;
    expectRefused(bytes, "Unknown DIB file format.");
  }
}

TEST_F(AssetsDib, MissingEmptyOrUnreadableFilesFailToOpen) {
  TempFile empty(".bmp");
  std::ofstream{empty.path};
  const std::string longName = "/" + std::string(400, 'n');
  for (const std::string& name : {::testing::TempDir() + "fk_assets_no_such_file.bmp", empty.path,
                                   ::testing::TempDir(), longName}) {
    RecordBoxes::boxes().clear();
    EXPECT_EQ(loadDibFile(name.c_str()), nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    // The message holds 255 characters at most.
    EXPECT_EQ(boxes()[0].text, ("Failed to open DIB file " + name + ".\n").substr(0, 255));
    EXPECT_EQ(boxes()[0].caption, "Error");
  }
}

TEST_F(AssetsDib, WideNamesAreOpenedAndShownAsUtf8) {
  const std::string suffix = "-bild-\xC3\xBC-\xF0\x9F\x98\x80.bmp";  // ü and U+1F600
  TempFile file(suffix);
  Bmp bmp;
  bmp.data = {1, 2, 3, 0};
  writeFile(file.path, bmp.bytes());
  std::u16string wide;  // the temporary folder's name is plain ASCII
  for (char c : file.path.substr(0, file.path.size() - suffix.size())) wide += static_cast<char16_t>(c);
  wide += u"-bild-\u00FC-\U0001F600.bmp";
  EXPECT_EQ(take(loadDibImage(wide.c_str(), true)).pixels, (std::vector<Rgb>{{3, 2, 1}}));

  wide += u"x";
  EXPECT_EQ(loadDibImage(wide.c_str(), true), nullptr);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Failed to open DIB file " + file.path + "x.\n");
}

TEST(AssetsDibColorCount, ColoursUsedLow16BitsOrByBitCountAndNothingFromAShortHeader) {
  const std::vector<std::uint8_t> info = Bmp{.bitCount = 8, .fileHeader = false, .colorsUsed = 0x12345}.bytes();
  EXPECT_EQ(dibColorCount(info.data(), info.size()), 0x2345);
  EXPECT_EQ(dibColorCount(info.data(), 39), 0);
  const std::vector<std::uint8_t> core = Bmp{.bitCount = 4, .core = true, .fileHeader = false}.bytes();
  EXPECT_EQ(dibColorCount(core.data(), core.size()), 16);
  EXPECT_EQ(dibColorCount(core.data(), 11), 0);
}

}  // namespace
