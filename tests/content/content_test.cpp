// Checks the character model and the picture that the build generated.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "tools/contentview/content_files.h"
#include "tests/support/headless_gl.h"

namespace {

struct Bounds {
  float low[3] = {1e30f, 1e30f, 1e30f};
  float high[3] = {-1e30f, -1e30f, -1e30f};
  float size(int axis) const { return high[axis] - low[axis]; }
};

class ContentDino : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    loaded = readObj(DINO_OBJ_PATH, obj, error);
    ASSERT_TRUE(loaded) << error;
    for (int v = 0; v < obj.vertexCount(); ++v)
      for (int c = 0; c < 3; ++c) {
        bounds.low[c] = std::min(bounds.low[c], obj.vertices[3 * v + c]);
        bounds.high[c] = std::max(bounds.high[c], obj.vertices[3 * v + c]);
      }
  }
  void SetUp() override { ASSERT_TRUE(loaded); }

  const float* vertex(int v) const { return &obj.vertices[3 * v]; }
  // The group a triangle belongs to.
  std::string groupOf(int triangle) const {
    int g = static_cast<int>(std::upper_bound(obj.groupStarts.begin(), obj.groupStarts.end(), triangle) -
                             obj.groupStarts.begin()) -
            1;
    return g < 0 ? "" : obj.groups[g];
  }

  static inline ObjFile obj;
  static inline Bounds bounds;
  static inline bool loaded = false;
};

TEST_F(ContentDino, HasTheSizeAndPartsTheShowNeeds) {
  EXPECT_GE(obj.vertexCount(), 800);
  EXPECT_LE(obj.vertexCount(), 4000);
  EXPECT_GE(obj.triangleCount(), obj.vertexCount());
  EXPECT_GE(obj.groups.size(), 4u);
  EXPECT_LE(obj.groups.size(), 99u);
  ASSERT_FALSE(obj.groupStarts.empty());
  EXPECT_EQ(obj.groupStarts.front(), 0) << "every triangle belongs to a part";
  for (size_t g = 0; g < obj.groups.size(); ++g) {
    int end = g + 1 < obj.groups.size() ? obj.groupStarts[g + 1] : obj.triangleCount();
    EXPECT_GT(end, obj.groupStarts[g]) << "part " << obj.groups[g] << " is empty";
  }
  EXPECT_EQ(std::set<std::string>(obj.groups.begin(), obj.groups.end()).count("head"), 1u);
}

TEST_F(ContentDino, TrianglesAreValidAndNotDegenerate) {
  for (int t = 0; t < obj.triangleCount(); ++t) {
    const int* c = &obj.triangles[3 * t];
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(c[k] >= 0 && c[k] < obj.vertexCount()) << "triangle " << t;
    ASSERT_TRUE(c[0] != c[1] && c[1] != c[2] && c[0] != c[2]) << "triangle " << t;
    const float *p = vertex(c[0]), *q = vertex(c[1]), *r = vertex(c[2]);
    float u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]}, w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    ASSERT_GT(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-3f) << "triangle " << t << " has no area";
  }
}

TEST_F(ContentDino, SurfaceIsClosedAndFacesOutwards) {
  std::map<std::pair<int, int>, int> edges;
  for (int t = 0; t < obj.triangleCount(); ++t)
    for (int k = 0; k < 3; ++k) ++edges[{obj.triangles[3 * t + k], obj.triangles[3 * t + (k + 1) % 3]}];
  for (const auto& [edge, count] : edges) {
    ASSERT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " runs the same way twice";
    ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << "edge " << edge.first << "-" << edge.second << " is open";
  }
  double volume = 0;
  for (int t = 0; t < obj.triangleCount(); ++t) {
    const float *p = vertex(obj.triangles[3 * t]), *q = vertex(obj.triangles[3 * t + 1]),
                *r = vertex(obj.triangles[3 * t + 2]);
    volume += p[0] * (q[1] * r[2] - q[2] * r[1]) + p[1] * (q[2] * r[0] - q[0] * r[2]) +
              p[2] * (q[0] * r[1] - q[1] * r[0]);
  }
  EXPECT_GT(volume / 6, 0.05 * bounds.size(0) * bounds.size(1) * bounds.size(2))
      << "counter-clockwise triangles enclose a positive volume";
}

TEST_F(ContentDino, StandsFiftyUnitsTallFacingMinusYAndIsMirrorSymmetric) {
  EXPECT_NEAR(bounds.size(2), 50, 2.5);
  EXPECT_GT(bounds.size(2), bounds.size(0));
  EXPECT_NEAR(bounds.low[0], -bounds.high[0], 0.05);
  // The snout is the foremost point: high up, in the head.
  int front = 0;
  for (int v = 1; v < obj.vertexCount(); ++v)
    if (vertex(v)[1] < vertex(front)[1]) front = v;
  EXPECT_GT(vertex(front)[2], bounds.low[2] + 0.6f * bounds.size(2));
  for (int t = 0; t < obj.triangleCount(); ++t)
    for (int k = 0; k < 3; ++k)
      if (obj.triangles[3 * t + k] == front) {
        EXPECT_EQ(groupOf(t), "head");
      }
  // The rearmost point is low down: the tip of the tail.
  int back = 0;
  for (int v = 1; v < obj.vertexCount(); ++v)
    if (vertex(v)[1] > vertex(back)[1]) back = v;
  EXPECT_LT(vertex(back)[2], bounds.low[2] + 0.4f * bounds.size(2));
}

TEST_F(ContentDino, EyeVerticesAreAMirroredPairHighOnTheFrontOfTheHead) {
  ASSERT_GT(obj.vertexCount(), 534);
  const float *left = vertex(73), *right = vertex(534);
  EXPECT_GT(left[0], 2.0f);
  EXPECT_NEAR(left[0], -right[0], 1e-3);
  EXPECT_NEAR(left[1], right[1], 1e-3);
  EXPECT_NEAR(left[2], right[2], 1e-3);
  EXPECT_GT(left[2], bounds.low[2] + 0.75f * bounds.size(2));
  EXPECT_LT(left[1], bounds.low[1] + 0.3f * bounds.size(1));
  int uses = 0;
  for (int t = 0; t < obj.triangleCount(); ++t)
    for (int k = 0; k < 3; ++k)
      if (obj.triangles[3 * t + k] == 73 || obj.triangles[3 * t + k] == 534) {
        EXPECT_EQ(groupOf(t), "head") << "triangle " << t;
        ++uses;
      }
  EXPECT_GE(uses, 6) << "both eyes lie on the surface";
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
  std::vector<std::uint8_t> rgb = gl.readRgb();
  int body = 0, white = 0, pupil = 0, whiteAboveMiddle = 0;
  for (int y = 0; y < gl.height; ++y)
    for (int x = 0; x < gl.width; ++x) {
      const std::uint8_t* p = &rgb[(y * gl.width + x) * 3];
      if (p[0] == 0 && p[1] == 255 && p[2] == 0) ++body;
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) {
        ++white;
        whiteAboveMiddle += y > gl.height / 2;
      }
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) ++pupil;
    }
  EXPECT_GT(body, 1000);
  EXPECT_GT(white, 50);
  EXPECT_EQ(whiteAboveMiddle, white);
  EXPECT_GT(pupil, 10);
}

TEST(ContentPicture, IsA256By256TwentyFourBitBmp) {
  std::ifstream in(KO_BMP_PATH, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 54u + 256 * 256 * 3);
  auto le = [&](size_t at, int size) {
    unsigned v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | bytes[at + i];
    return v;
  };
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(le(2, 4), bytes.size());
  EXPECT_EQ(le(6, 4), 0u);
  EXPECT_EQ(le(10, 4), 54u);
  EXPECT_EQ(le(14, 4), 40u);
  EXPECT_EQ(le(18, 4), 256u);
  EXPECT_EQ(le(22, 4), 256u);
  EXPECT_EQ(le(26, 2), 1u);
  EXPECT_EQ(le(28, 2), 24u);
  EXPECT_EQ(le(30, 4), 0u);
  EXPECT_EQ(le(34, 4), 256u * 256 * 3);
}

TEST(ContentPicture, IsBrightAndColourful) {
  BmpFile bmp;
  std::string error;
  ASSERT_TRUE(readBmp24(KO_BMP_PATH, bmp, error)) << error;
  std::set<int> colours;
  int dominant[3] = {0, 0, 0};
  double brightness = 0;
  for (size_t i = 0; i < bmp.rgb.size(); i += 3) {
    const std::uint8_t* p = &bmp.rgb[i];
    colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    for (int c = 0; c < 3; ++c)
      if (p[c] > p[(c + 1) % 3] + 40 && p[c] > p[(c + 2) % 3] + 40) ++dominant[c];
    brightness += (p[0] + p[1] + p[2]) / 3.0;
  }
  const int pixels = bmp.width * bmp.height;
  EXPECT_GT(colours.size(), 5000u);
  for (int c = 0; c < 3; ++c) EXPECT_GT(dominant[c], pixels / 50) << "channel " << c;
  EXPECT_GT(brightness / pixels, 100);
}

}  // namespace
