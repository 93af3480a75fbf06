// Checks the character model and the picture that the build generated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "tools/contentview/content_files.h"

namespace {

class ContentDino : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    loaded = readObj(DINO_OBJ_PATH, obj, error);
    ASSERT_TRUE(loaded) << error;
    for (std::size_t i = 0; i < obj.vertices.size(); ++i) {
      low[i % 3] = std::min(low[i % 3], obj.vertices[i]);
      high[i % 3] = std::max(high[i % 3], obj.vertices[i]);
    }
  }
  void SetUp() override { ASSERT_TRUE(loaded); }

  static const float* vertex(int v) { return &obj.vertices[3 * v]; }
  static float size(int axis) { return high[axis] - low[axis]; }
  // How many triangles use vertex `v`, all of them in the head; -1 if one is elsewhere.
  static int headTrianglesAt(int v) {
    int uses = 0;
    for (int t = 0; t < obj.triangleCount(); ++t) {
      const int* corners = obj.triangles.data() + 3 * t;
      if (std::find(corners, corners + 3, v) == corners + 3) continue;
      const auto group = std::upper_bound(obj.groupStarts.begin(), obj.groupStarts.end(), t) - obj.groupStarts.begin();
      if (group == 0 || obj.groups[group - 1] != "head") return -1;
      ++uses;
    }
    return uses;
  }

  static inline ObjFile obj;
  static inline float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
  static inline bool loaded = false;
};

TEST_F(ContentDino, ClosedOutwardSurfaceOfValidTrianglesInParts) {
  EXPECT_GE(obj.vertexCount(), 800);
  EXPECT_LE(obj.vertexCount(), 4000);
  EXPECT_LE(obj.groups.size(), 99u);
  ASSERT_FALSE(obj.groupStarts.empty());
  EXPECT_EQ(obj.groupStarts.front(), 0) << "every triangle belongs to a part";
  EXPECT_EQ(std::set<std::string>(obj.groups.begin(), obj.groups.end()).count("head"), 1u);
  std::map<std::pair<int, int>, int> edges;
  double volume = 0;
  for (int t = 0; t < obj.triangleCount(); ++t) {
    const int* c = &obj.triangles[3 * t];
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(c[k] >= 0 && c[k] < obj.vertexCount()) << "triangle " << t;
    for (int k = 0; k < 3; ++k) ++edges[{c[k], c[(k + 1) % 3]}];
    const float *p = vertex(c[0]), *q = vertex(c[1]), *r = vertex(c[2]);
    const float u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]}, w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    ASSERT_GT(std::hypot(n[0], n[1], n[2]), 1e-3f) << "triangle " << t << " has no area";
    volume += p[0] * n[0] + p[1] * n[1] + p[2] * n[2];  // six times the signed volume to the origin
  }
  for (const auto& [edge, count] : edges) {
    ASSERT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " runs the same way twice";
    ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << "edge " << edge.first << "-" << edge.second << " is open";
  }
  EXPECT_GT(volume / 6, 0.05 * size(0) * size(1) * size(2)) << "counter-clockwise triangles enclose a positive volume";
}

// Fifty units tall, mirror symmetric, the snout (the frontmost vertex, towards -y) high up in the head;
// the eyes at vertices 73 and 534 a mirrored pair on the head's surface, high on its front.
TEST_F(ContentDino, StandsFacingMinusYWithItsEyesOnTheHead) {
  EXPECT_NEAR(size(2), 50, 2.5);
  EXPECT_GT(size(2), size(0));
  EXPECT_NEAR(low[0], -high[0], 0.05);
  int front = 0;
  for (int v = 1; v < obj.vertexCount(); ++v)
    if (vertex(v)[1] < vertex(front)[1]) front = v;
  EXPECT_GT(vertex(front)[2], low[2] + 0.6f * size(2));
  EXPECT_GT(headTrianglesAt(front), 0);

  ASSERT_GT(obj.vertexCount(), 534);
  const float *left = vertex(73), *right = vertex(534);
  EXPECT_GT(left[0], 2.0f);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(left[c], c == 0 ? -right[c] : right[c], 1e-3) << "axis " << c;
  EXPECT_GT(left[2], low[2] + 0.75f * size(2));
  EXPECT_LT(left[1], low[1] + 0.3f * size(1));
  EXPECT_GE(headTrianglesAt(73), 3);
  EXPECT_GE(headTrianglesAt(534), 3);
}

TEST(ContentPicture, IsABrightColourful256By256TwentyFourBitBmp) {
  std::ifstream in(KO_BMP_PATH, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 54u + 256 * 256 * 3);
  // "BM", file size, reserved, pixel offset 54, info header of 40, 256 x 256, one plane, 24 bits, uncompressed.
  const std::vector<std::uint8_t> header = {'B', 'M', 0x36, 0, 3, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 0, 1, 0, 0,
                                            0, 1, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 34), header);

  std::set<int> colours;  // the pixels follow the header, rows unpadded; every measure treats B, G, R alike
  int dominant[3] = {0, 0, 0};
  double brightness = 0;
  for (size_t i = 54; i < bytes.size(); i += 3) {
    const std::uint8_t* p = &bytes[i];
    colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    for (int c = 0; c < 3; ++c) dominant[c] += p[c] > p[(c + 1) % 3] + 40 && p[c] > p[(c + 2) % 3] + 40;
    brightness += (p[0] + p[1] + p[2]) / 3.0;
  }
  const int pixels = 256 * 256;
  EXPECT_GT(colours.size(), 5000u);
  for (int c = 0; c < 3; ++c) EXPECT_GT(dominant[c], pixels / 50) << "channel " << c;
  EXPECT_GT(brightness / pixels, 100);
}

}  // namespace
