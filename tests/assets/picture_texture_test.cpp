// Tests of the picture texture: upload of odd row sizes, binding, a missing file.
#include "assets/picture_texture.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/assets/bmp_builder.h"
#include "tests/assets/test_files.h"
#include "tests/support/gl_test.h"

namespace {

class AssetsPictureTexture : public GlTest {
  RecordBoxes record;
};

TEST_F(AssetsPictureTexture, RowsOfEveryWidthUploadUnchangedAndBoundAndNoFileGivesNoTexture) {
  // Rows of 3 and 6 bytes are not multiples of 4; GL's default unpacking
  // would read them skewed.
  for (auto [width, height] : {std::pair{1, 4}, {2, 8}, {256, 256}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    std::vector<std::uint32_t> values;
    std::vector<Rgb> expected;
    for (int i = 0; i < width * height; ++i) {
      expected.push_back(colour(i * 7 + i / width));
      values.push_back(expected[i][2] | expected[i][1] << 8 | expected[i][0] << 16);
    }
    TempFile file(".bmp");
    writeFile(file.path, Bmp{.width = width, .height = height, .data = packRows(values, width, 24)}.bytes());
    const unsigned name = makePictureTexture(file.path.c_str());
    GLint bound = 0, alignment = 0, w = 0, h = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(static_cast<unsigned>(bound), name);
    EXPECT_EQ(alignment, 4);  // as it was before
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    ASSERT_EQ(std::pair(w, h), std::pair(width, height));
    std::vector<Rgb> texels(expected.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, expected);
  }
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(makePictureTexture("/nonexistent/ko.bmp"), 0u);
}

}  // namespace
