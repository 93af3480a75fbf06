// Checks the character model that the build generated.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tools/contentview/content_files.h"

namespace {

// About fifty units tall (the show scales it by 0.02) and light (the show
// draws it dozens of times a frame and a sprite per vertex); the eyes at
// vertices 73 and 534 a mirrored pair high on the front of the head (the
// front faces -y).
TEST(ContentDino, StandsAboutFiftyUnitsTallLightWithItsEyesHighOnTheFront) {
  ObjFile obj;
  std::string error;
  ASSERT_TRUE(readObj(DINO_OBJ_PATH, obj, error)) << error;
  float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
  for (std::size_t i = 0; i < obj.vertices.size(); ++i) {
    low[i % 3] = std::min(low[i % 3], obj.vertices[i]);
    high[i % 3] = std::max(high[i % 3], obj.vertices[i]);
  }
  const float size[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
  EXPECT_NEAR(size[2], 50, 5);
  EXPECT_GT(size[2], size[0]);
  ASSERT_GT(obj.vertexCount(), 534);
  EXPECT_LE(obj.vertexCount(), 2000);
  const float *left = &obj.vertices[3 * 73], *right = &obj.vertices[3 * 534];
  EXPECT_GT(left[0], 2.0f);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(left[c], c == 0 ? -right[c] : right[c], 1e-3) << "axis " << c;
  EXPECT_GT(left[2], low[2] + 0.75f * size[2]);
  EXPECT_LT(left[1], low[1] + 0.3f * size[1]);
}

}  // namespace
