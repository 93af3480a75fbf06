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
  result.ok = true;
  result.width = image->width;
  result.height = image->height;
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
  return {static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 91),
          static_cast<std::uint8_t>(255 - i)};
}

std::uint8_t widen5(unsigned v) { return static_cast<std::uint8_t>(v << 3 | v >> 2); }

// A 9 x 3 picture at every depth: 9 pixels cross byte boundaries at 1 and 4
// bits, and 9 x 3 bytes need row padding at 24 bits.
struct DepthCase {
  int bitCount;
  bool core;
  bool fileHeader;
};

std::string caseName(const ::testing::TestParamInfo<DepthCase>& info) {
  return std::to_string(info.param.bitCount) + "Bit" + (info.param.core ? "Core" : "Info") +
         (info.param.fileHeader ? "File" : "Bare");
}

class AssetsDibDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(AssetsDibDepth, ComesBackAsRgbBottomRowFirst) {
  const DepthCase c = GetParam();
  constexpr int width = 9, height = 3;
  Bmp bmp;
  bmp.width = width;
  bmp.height = height;
  bmp.bitCount = static_cast<std::uint16_t>(c.bitCount);
  bmp.core = c.core;
  bmp.fileHeader = c.fileHeader;
  std::vector<std::uint32_t> values;
  std::vector<Rgb> expected;
  const int colours = c.bitCount <= 8 ? 1 << c.bitCount : 0;
  for (int i = 0; i < colours; ++i) bmp.palette.push_back(paletteColour(i));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (colours) {
        const int index = (x * 29 + y * 7) % colours;
        values.push_back(index);
        expected.push_back(paletteColour(index));
      } else if (c.bitCount == 16) {
        const unsigned r = (x * 3 + y) % 32, g = (x + y * 5) % 32, b = (x * 7 + 31) % 32;
        values.push_back(r << 10 | g << 5 | b);
        expected.push_back({widen5(r), widen5(g), widen5(b)});
      } else {
        const Rgb rgb = {static_cast<std::uint8_t>(x * 20 + y), static_cast<std::uint8_t>(y * 60 + x),
                         static_cast<std::uint8_t>(200 - x * 10)};
        const std::uint32_t bgr = rgb[2] | rgb[1] << 8 | rgb[0] << 16;
        values.push_back(c.bitCount == 32 ? bgr | 0xAB000000u : bgr);
        expected.push_back(rgb);
      }
    }
  }
  bmp.data = packRows(values, width, c.bitCount);

  const Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.width, width);
  EXPECT_EQ(image.height, height);
  EXPECT_EQ(image.pixels, expected);
}

// Every depth with an info header; the core header's depths; with and
// without the file header. Both headers must give the same pixels.
std::vector<DepthCase> depthCases() {
  std::vector<DepthCase> cases;
  for (bool fileHeader : {true, false}) {
    for (int bitCount : {1, 4, 8, 16, 24, 32}) cases.push_back({bitCount, false, fileHeader});
    for (int bitCount : {1, 4, 8, 24}) cases.push_back({bitCount, true, fileHeader});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(, AssetsDibDepth, ::testing::ValuesIn(depthCases()), caseName);

class AssetsDib : public ::testing::Test {
 protected:
  RecordBoxes record;
  const std::vector<RecordedBox>& boxes() { return RecordBoxes::boxes(); }
};

TEST_F(AssetsDib, ThreeWideRowsLoseTheirPaddingAndTurnBgrIntoRgb) {
  Bmp bmp;
  bmp.width = 3;
  bmp.height = 2;
  bmp.data = {0x10, 0x20, 0x30, 1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 0xEE,
              7,    8,    9,    10, 11, 12, 13, 14, 15, 0xEE, 0xEE, 0xEE};
  TempFile file(".bmp");
  writeFile(file.path, bmp.bytes());
  RgbImage* image = loadDibFile(file.path.c_str());
  ASSERT_NE(image, nullptr);
  const std::vector<std::uint8_t> pixels(image->pixels, image->pixels + 18);
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 3, 2, 1, 6, 5, 4,  //
                                               9, 8, 7, 12, 11, 10, 15, 14, 13}));
  std::free(image->pixels);
  std::free(image);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AssetsDib, TopDownPicturesComeBackBottomRowFirst) {
  Bmp bmp;
  bmp.width = 2;
  bmp.height = -3;
  bmp.data = packRows({0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x808080}, 2, 24);
  const Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{{0, 0, 0}, {128, 128, 128},  // last row in the file
                                            {255, 0, 0}, {255, 255, 255},
                                            {0, 0, 255}, {0, 255, 0}}));

  bmp.bitCount = 8;
  bmp.colorsUsed = 3;
  bmp.palette = {paletteColour(0), paletteColour(1), paletteColour(2)};
  bmp.data = packRows({0, 0, 1, 1, 2, 2}, 2, 8);
  const Loaded indexed = load(bmp.bytes());
  ASSERT_TRUE(indexed.ok);
  EXPECT_EQ(indexed.pixels.front(), paletteColour(2));
  EXPECT_EQ(indexed.pixels.back(), paletteColour(0));
}

TEST_F(AssetsDib, PixelDataIsFoundAfterTheTableOrAtTheFileOffset) {
  // Bare DIB: the pixels follow the header and its 256 entries directly.
  Bmp bmp;
  bmp.fileHeader = false;
  bmp.bitCount = 8;
  for (int i = 0; i < 256; ++i) bmp.palette.push_back(paletteColour(i));
  bmp.data = {200, 0, 0, 0};
  std::vector<std::uint8_t> bytes = bmp.bytes();
  ASSERT_EQ(bytes[40 + 1024], 200);
  Loaded image = load(bytes);
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels[0], paletteColour(200));

  bmp.core = true;
  bytes = bmp.bytes();
  ASSERT_EQ(bytes[12 + 768], 200);
  image = load(bytes);
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels[0], paletteColour(200));

  // A colours-used count above what 1 bit needs: all its entries are skipped.
  bmp = Bmp{};
  bmp.fileHeader = false;
  bmp.bitCount = 1;
  bmp.width = 2;
  bmp.colorsUsed = 5;
  for (int i = 0; i < 5; ++i) bmp.palette.push_back(paletteColour(i));
  bmp.data = packRows({1, 0}, 2, 1);
  image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{paletteColour(1), paletteColour(0)}));

  // A file header's offset wins over where the table ends.
  bmp = Bmp{};
  bmp.gap = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  bmp.data = {1, 2, 3, 0};
  image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels[0], (Rgb{3, 2, 1}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AssetsDib, IndicesPastAShortTableAreBlack) {
  Bmp bmp;
  bmp.bitCount = 8;
  bmp.width = 2;
  bmp.colorsUsed = 2;
  bmp.palette = {{10, 20, 30}, {40, 50, 60}};
  bmp.data = packRows({1, 7}, 2, 8);
  const Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{{40, 50, 60}, {0, 0, 0}}));
}

TEST_F(AssetsDib, LastRowNeedsNoPadding) {
  Bmp bmp;
  bmp.width = 3;
  bmp.height = 2;
  bmp.data = packRows({1, 2, 3, 4, 5, 6}, 3, 24);
  bmp.data.resize(bmp.data.size() - 3);
  EXPECT_TRUE(load(bmp.bytes()).ok);
}

std::vector<Rgb> palette16() {
  std::vector<Rgb> palette;
  for (int i = 0; i < 16; ++i) palette.push_back(paletteColour(i + 1));
  return palette;
}

TEST_F(AssetsDib, Rle8RunsLiteralsSkipsAndEnd) {
  Bmp bmp;
  bmp.width = 6;
  bmp.height = 5;
  bmp.bitCount = 8;
  bmp.compression = 1;
  bmp.colorsUsed = 16;
  bmp.palette = palette16();
  bmp.data = {
      3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: run of three 5s, literal 1 2 3 (padded), end of line
      0, 2, 2, 0, 2, 7, 0, 0,        // row 1: skip two, two 7s, end of line
      8, 1, 0, 0,                    // row 2: six 1s and two more past the edge
      0, 2, 3, 1, 1, 9, 0, 1,        // row 3: skip to (3, 4), one 9, end of bitmap
      4, 4,                          // after the end: ignored
  };
  bmp.imageSize = static_cast<std::uint32_t>(bmp.data.size());
  const Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  const Rgb k = {0, 0, 0};
  auto c = [](int i) { return paletteColour(i + 1); };
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{c(5), c(5), c(5), c(1), c(2), c(3),  //
                                            k, k, c(7), c(7), k, k,              //
                                            c(1), c(1), c(1), c(1), c(1), c(1),  //
                                            k, k, k, k, k, k,                    //
                                            k, k, k, c(9), k, k}));
}

TEST_F(AssetsDib, Rle4RunsAlternateNibbles) {
  Bmp bmp;
  bmp.width = 7;
  bmp.height = 2;
  bmp.bitCount = 4;
  bmp.compression = 2;
  bmp.palette = palette16();
  bmp.data = {
      5, 0x12, 0, 3, 0x34, 0x50, 0, 0,         // 1 2 1 2 1, literal 3 4 (5 falls off the edge)
      0, 5, 0x67, 0x89, 0xA0, 0, 2, 0xBC, 0, 1,  // literal 6 7 8 9 10 (padded), run 11 12
  };
  const Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  auto c = [](int i) { return paletteColour(i + 1); };
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{c(1), c(2), c(1), c(2), c(1), c(3), c(4),  //
                                            c(6), c(7), c(8), c(9), c(10), c(11), c(12)}));
}

TEST_F(AssetsDib, BitFieldsPickAndWidenEachChannel) {
  Bmp bmp;
  bmp.width = 3;
  bmp.bitCount = 16;
  bmp.compression = 3;
  bmp.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
  bmp.data = packRows({0xFFFF, 0x07E0, 1 << 11 | 1 << 5 | 1}, 3, 16);
  Loaded image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{{255, 255, 255}, {0, 255, 0}, {8, 4, 8}}));

  bmp.fileHeader = false;  // masks sit between header and pixels
  bmp.bitCount = 32;
  bmp.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  bmp.data = packRows({0x00332211, 0xFF000000, 0x00FFFFFF}, 3, 32);
  image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{{0x11, 0x22, 0x33}, {0, 0, 0}, {255, 255, 255}}));

  bmp.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits each: the top 8 count
  bmp.data = packRows({0x3FF00000, 0x00800000 | 0x200 << 10, 0x0FF}, 3, 32);
  image = load(bmp.bytes());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels, (std::vector<Rgb>{{255, 0, 0}, {2, 128, 0}, {0, 0, 63}}));
  EXPECT_TRUE(boxes().empty());
}

// Files whose headers claim more than they hold, or what cannot be decoded.
struct BadCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  const char* message;
};

std::vector<BadCase> badCases() {
  const char* conversion = "Image file conversion error.";
  std::vector<BadCase> cases;
  auto add = [&](const char* name, const Bmp& bmp, const char* message, std::size_t cut = 0) {
    std::vector<std::uint8_t> bytes = bmp.bytes();
    bytes.resize(bytes.size() - cut);
    cases.push_back({name, bytes, message});
  };
  Bmp picture;
  picture.width = 4;
  picture.height = 4;
  picture.data = std::vector<std::uint8_t>(48, 0x55);

  cases.push_back({"one byte", {'X'}, conversion});
  cases.push_back({"file header alone", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40}, conversion});
  add("info header cut", picture, conversion, 48 + 10);
  add("last row cut", picture, conversion, 1);
  Bmp bmp = picture;
  bmp.bitCount = 8;
  bmp.palette = std::vector<Rgb>(10);  // 256 claimed
  bmp.data.clear();
  add("colour table cut", bmp, conversion);
  bmp.palette.clear();
  bmp.colorsUsed = 0xFFFF;
  add("colours used past the end", bmp, conversion);
  bmp = picture;
  bmp.bitCount = 16;
  bmp.compression = 3;
  bmp.masks = {0xF800, 0x07E0};
  bmp.data.clear();
  add("masks cut", bmp, conversion);
  bmp = picture;
  bmp.width = bmp.height = 0x7FFFFFFF;
  add("huge width and height", bmp, conversion);
  bmp.height = INT_MIN;
  add("most negative height", bmp, conversion);
  bmp = picture;
  bmp.width = -4;
  add("negative width", bmp, conversion);
  bmp.width = 0;
  add("zero width", bmp, conversion);
  bmp = picture;
  bmp.height = 0;
  add("zero height", bmp, conversion);
  bmp = picture;
  bmp.core = true;
  bmp.bitCount = 1;
  bmp.palette = std::vector<Rgb>(2);
  bmp.width = bmp.height = 0xFFFF;
  add("core header too large", bmp, conversion);
  bmp = picture;
  bmp.bitCount = 8;
  bmp.compression = 1;
  bmp.palette = std::vector<Rgb>(256);
  bmp.data = {0, 1};
  bmp.imageSize = 1000;
  add("run data shorter than its size", bmp, conversion);
  bmp.imageSize = 0;
  bmp.width = bmp.height = 100000;
  add("run picture too large for its data", bmp, conversion);
  bmp = picture;
  bmp.height = -4;
  bmp.bitCount = 8;
  bmp.compression = 1;
  bmp.palette = std::vector<Rgb>(256);
  bmp.data = {0, 1};
  add("top-down runs", bmp, conversion);
  bmp = picture;
  bmp.compression = 3;
  bmp.masks = {1, 2, 4};
  add("bit fields at 24 bits", bmp, conversion);
  bmp = picture;
  bmp.compression = 4;
  add("embedded JPEG", bmp, conversion);
  bmp = picture;
  bmp.bitCount = 2;
  add("two bits", bmp, conversion);
  bmp = picture;
  std::vector<std::uint8_t> far = bmp.bytes();
  far[10] = 0xFF;
  far[11] = 0xFF;
  cases.push_back({"pixel offset past the end", far, conversion});
  for (std::uint8_t size : {108, 124, 64, 0}) {
    std::vector<std::uint8_t> bytes = picture.bytes();
    bytes.resize(bytes.size() + 128);
    bytes[14] = size;
    cases.push_back({"other header size", bytes, "Unknown DIB file format."});
  }
  return cases;
}

TEST_F(AssetsDib, RefusesWhatTheFileCannotHoldWithOneMessage) {
  for (const BadCase& c : badCases()) {
    SCOPED_TRACE(c.name);
    RecordBoxes::boxes().clear();
    EXPECT_FALSE(load(c.bytes).ok);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, c.message);
    EXPECT_EQ(boxes()[0].caption, "Error");
  }
}

TEST_F(AssetsDib, MissingEmptyOrUnreadableFilesFailToOpen) {
  const std::string missing = ::testing::TempDir() + "fk_assets_no_such_file.bmp";
  TempFile empty(".bmp");
  std::ofstream{empty.path};
  const std::string folder = ::testing::TempDir();
  for (const std::string& name : {missing, empty.path, folder}) {
    RecordBoxes::boxes().clear();
    EXPECT_EQ(loadDibFile(name.c_str()), nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Failed to open DIB file " + name + ".\n");
    EXPECT_EQ(boxes()[0].caption, "Error");
  }

  // The message holds 255 characters at most.
  RecordBoxes::boxes().clear();
  const std::string longName = "/" + std::string(400, 'n');
  EXPECT_EQ(loadDibFile(longName.c_str()), nullptr);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, ("Failed to open DIB file " + longName).substr(0, 255));
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
  const Loaded image = take(loadDibImage(wide.c_str(), true));
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels[0], (Rgb{3, 2, 1}));

  wide += u"x";
  EXPECT_EQ(loadDibImage(wide.c_str(), true), nullptr);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Failed to open DIB file " + file.path + "x.\n");
}

TEST(AssetsDibColorCount, ByBitCountOrColoursUsedLow16Bits) {
  Bmp bmp;
  bmp.fileHeader = false;
  bmp.bitCount = 8;
  std::vector<std::uint8_t> info = bmp.bytes();
  EXPECT_EQ(dibColorCount(info.data(), info.size()), 256);
  EXPECT_EQ(dibColorCount(info.data(), 39), 0);  // cut short
  bmp.colorsUsed = 0x12345;
  info = bmp.bytes();
  EXPECT_EQ(dibColorCount(info.data(), info.size()), 0x2345);
  bmp.colorsUsed = 0;
  bmp.bitCount = 24;
  info = bmp.bytes();
  EXPECT_EQ(dibColorCount(info.data(), info.size()), 0);

  bmp.core = true;
  bmp.bitCount = 4;
  const std::vector<std::uint8_t> core = bmp.bytes();
  EXPECT_EQ(dibColorCount(core.data(), core.size()), 16);
  EXPECT_EQ(dibColorCount(core.data(), 11), 0);
}

}  // namespace
