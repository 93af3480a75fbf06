#include "assets/picture_texture.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/assets/bmp_builder.h"
#include "tests/assets/gl_fixture.h"
#include "tests/assets/test_files.h"

namespace {

class AssetsPictureTexture : public GlTest {
 protected:
  // Makes a texture of a 24-bit picture whose pixel (x, y), y = 0 at the
  // bottom, is `colour(x, y)`; returns the pixels as RGB bytes.
  template <typename Colour>
  std::vector<std::uint8_t> makeTexture(int width, int height, Colour colour) {
    std::vector<std::uint32_t> values;
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const Rgb c = colour(x, y);
        values.push_back(c[2] | c[1] << 8 | c[0] << 16);
        rgb.insert(rgb.end(), c.begin(), c.end());
      }
    TempFile file(".bmp");
    writeFile(file.path, Bmp{.width = width, .height = height, .data = packRows(values, width, 24)}.bytes());
    name = makePictureTexture(file.path.c_str());
    return rgb;
  }
  // The bound texture's level 0: its size and its texels.
  static std::vector<std::uint8_t> texels(int& width, int& height) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<std::uint8_t> out(std::size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    return out;
  }

  RecordBoxes record;
  unsigned name = 0;
};

TEST_F(AssetsPictureTexture, RowsOfEveryWidthUploadUnchangedAndBound) {
  // Rows of 3 and 6 bytes are not multiples of 4; GL's default unpacking
  // would read them skewed.
  for (auto [width, height] : {std::pair{1, 4}, {2, 8}, {256, 256}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    const std::vector<std::uint8_t> expected = makeTexture(width, height, [](int x, int y) {
      return Rgb{std::uint8_t(x * 40 + y), std::uint8_t(y * 50 + x * 3), std::uint8_t(x ^ y * 7)};
    });
    ASSERT_NE(name, 0u);
    GLint bound = 0, alignment = 0, w, h;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(static_cast<unsigned>(bound), name);
    EXPECT_EQ(alignment, 4);  // as it was before
    EXPECT_EQ(texels(w, h), expected);
    EXPECT_EQ(std::pair(w, h), std::pair(width, height));
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(AssetsPictureTexture, OtherSidesAreScaledToPowersOfTwo) {
  // Red left half, blue right half, 301 pixels wide: any skew between rows
  // would move bytes into the green channel.
  makeTexture(301, 200, [](int x, int) { return x < 150 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
  ASSERT_NE(name, 0u);
  int width, height;
  const std::vector<std::uint8_t> rgb = texels(width, height);
  EXPECT_EQ((width & (width - 1)) | (height & (height - 1)), 0) << width << " x " << height;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rgb.data() + std::size_t(y) * width * 3;
    ASSERT_TRUE(row[0] == 255 && row[(width - 1) * 3 + 2] == 255) << y;
    for (int x = 0; x < width; ++x) ASSERT_EQ(row[3 * x + 1], 0) << x << ", " << y;
  }
}

TEST_F(AssetsPictureTexture, MissingPictureGivesNoTexture) {
  GLuint before = 0, after = 0;
  glGenTextures(1, &before);
  EXPECT_EQ(makePictureTexture("/nonexistent/ko.bmp"), 0u);
  glGenTextures(1, &after);
  EXPECT_EQ(after, before + 1);  // no name was taken in between
  EXPECT_EQ(boxes, std::vector<std::string>{"Error: Failed to open DIB file /nonexistent/ko.bmp.\n"});
}

}  // namespace
