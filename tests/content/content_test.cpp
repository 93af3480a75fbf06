// Checks the character model and the picture that the build generated.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "show/show_state.h"
#include "tests/support/headless_gl.h"
#include "tools/contentview/content_files.h"

namespace {

class ContentDino : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    loaded = readObj(DINO_OBJ_PATH, obj, error);
    ASSERT_TRUE(loaded) << error;
    for (int v = 0; v < obj.vertexCount(); ++v)
      for (int c = 0; c < 3; ++c) {
        low[c] = std::min(low[c], obj.vertices[3 * v + c]);
        high[c] = std::max(high[c], obj.vertices[3 * v + c]);
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
    volume += p[0] * (q[1] * r[2] - q[2] * r[1]) + p[1] * (q[2] * r[0] - q[0] * r[2]) +
              p[2] * (q[0] * r[1] - q[1] * r[0]);
  }
  for (const auto& [edge, count] : edges) {
    ASSERT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " runs the same way twice";
    ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << "edge " << edge.first << "-" << edge.second << " is open";
  }
  EXPECT_GT(volume / 6, 0.05 * size(0) * size(1) * size(2)) << "counter-clockwise triangles enclose a positive volume";
}

TEST_F(ContentDino, StandsFiftyUnitsTallFacingMinusYWithItsSnoutInTheHead) {
  EXPECT_NEAR(size(2), 50, 2.5);
  EXPECT_GT(size(2), size(0));
  EXPECT_NEAR(low[0], -high[0], 0.05);  // mirror symmetric
  int front = 0;
  for (int v = 1; v < obj.vertexCount(); ++v)
    if (vertex(v)[1] < vertex(front)[1]) front = v;
  EXPECT_GT(vertex(front)[2], low[2] + 0.6f * size(2));
  EXPECT_GT(headTrianglesAt(front), 0);
}

TEST_F(ContentDino, EyeVerticesAreAMirroredPairHighOnTheFrontOfTheHead) {
  ASSERT_GT(obj.vertexCount(), 534);
  const float *left = vertex(73), *right = vertex(534);
  EXPECT_GT(left[0], 2.0f);
  EXPECT_NEAR(left[0], -right[0], 1e-3);
  EXPECT_NEAR(left[1], right[1], 1e-3);
  EXPECT_NEAR(left[2], right[2], 1e-3);
  EXPECT_GT(left[2], low[2] + 0.75f * size(2));
  EXPECT_LT(left[1], low[1] + 0.3f * size(1));
  EXPECT_GE(headTrianglesAt(73), 3) << "the eye lies on the head's surface";
  EXPECT_GE(headTrianglesAt(534), 3) << "the eye lies on the head's surface";
}

// Drawn as the show draws the character, unlit, the eyes' whites and pupils
// show from the front, above the middle of the figure.
TEST_F(ContentDino, EyesAndPupilsShowFromTheFront) {
  HeadlessGl gl(160, 120);
  setShowState();
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(30, 160.0 / 120.0, 0.1, 1000);
  glMatrixMode(GL_MODELVIEW);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glColor4ub(0, 255, 0, 255);
  drawCharacter(obj, 0);
  const std::vector<std::uint8_t> rgb = gl.readRgb();
  int body = 0, white = 0, pupil = 0, whiteAboveMiddle = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    const int colour = rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2];
    body += colour == 0x00FF00;
    pupil += colour == 0;
    white += colour == 0xFFFFFF;
    whiteAboveMiddle += colour == 0xFFFFFF && i / 3 / gl.width > size_t(gl.height / 2);
  }
  EXPECT_GT(body, 1000);
  EXPECT_GT(white, 50);
  EXPECT_EQ(whiteAboveMiddle, white);
  EXPECT_GT(pupil, 10);
}

TEST(ContentPicture, IsABrightColourful256By256TwentyFourBitBmp) {
  std::ifstream in(KO_BMP_PATH, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 54u + 256 * 256 * 3);
  auto le = [&](size_t at, int size) {
    unsigned v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | bytes[at + i];
    return v;
  };
  EXPECT_EQ(le(0, 2), 'B' | 'M' << 8);
  // File size, offset of the pixels, header size, width, height, planes, depth, compression.
  const std::pair<size_t, int> fields[] = {{2, 4}, {10, 4}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}, {30, 4}};
  const unsigned expected[] = {static_cast<unsigned>(bytes.size()), 54, 40, 256, 256, 1, 24, 0};
  for (int f = 0; f < 8; ++f) EXPECT_EQ(le(fields[f].first, fields[f].second), expected[f]) << "at " << fields[f].first;

  BmpFile bmp;
  std::string error;
  ASSERT_TRUE(readBmp24(KO_BMP_PATH, bmp, error)) << error;
  std::set<int> colours;
  int dominant[3] = {0, 0, 0};
  double brightness = 0;
  for (size_t i = 0; i < bmp.rgb.size(); i += 3) {
    const std::uint8_t* p = &bmp.rgb[i];
    colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    for (int c = 0; c < 3; ++c) dominant[c] += p[c] > p[(c + 1) % 3] + 40 && p[c] > p[(c + 2) % 3] + 40;
    brightness += (p[0] + p[1] + p[2]) / 3.0;
  }
  const int pixels = bmp.width * bmp.height;
  EXPECT_GT(colours.size(), 5000u);
  for (int c = 0; c < 3; ++c) EXPECT_GT(dominant[c], pixels / 50) << "channel " << c;
  EXPECT_GT(brightness / pixels, 100);
}

}  // namespace
