// Tests of the mesh loader: display lists per part, normals, centring, refusals leaving an empty mesh.
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/mesh.h"
#include "tests/assets/test_files.h"
#include "tests/support/gl_test.h"

namespace {

class AssetsMeshLoader : public GlTest {
 protected:
  // Loads `text` as a mesh file (none: the file is missing); returns what the load printed.
  std::string load(const std::optional<std::string>& text, bool centre = false) {
    std::remove(file.path.c_str());
    if (text) std::ofstream(file.path, std::ios::binary) << *text;
    ::testing::internal::CaptureStdout();
    result = mesh.load(file.path.c_str(), centre);
    return ::testing::internal::GetCapturedStdout();
  }
  // What every load that opens the file prints first.
  std::string opened(int vertices, int triangles, int parts) const {
    return "# The file \"" + file.path + "\" was opened\n# vertices = " + std::to_string(vertices) +
           "\n# triangles = " + std::to_string(triangles) + "\n# parts = " + std::to_string(parts) + "\n";
  }
  int inPart(int part) { return int(polygons([&] { glCallList(mesh.listBase + part); }).size()); }

  TempFile file{".obj"};
  Mesh mesh;
  int result = -1;
};

const std::string square = "v 0 0 0\nv 0.5 0 0\nv 0.5 0.5 0\nv 0 0.5 0\n";

TEST_F(AssetsMeshLoader, WithoutGroupsAllTrianglesFormOneListWithNormalsCentredOnRequest) {
  // Vertex 1 stands in a triangle of area 1/8 facing +z and in one of area 1/4
  // facing +x; vertex 6 stands in none but counts for the centre, (0.5, 0.5, 0.5).
  const std::string text =
      "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\nv 0 1 0\nv 0 0 0.5\nv 2.5 1.5 2.5\nf 1 2 3\nf 1 4 5\nf 4 2 4\nf 1 3 3";
  EXPECT_EQ(load(text, true),
            opened(6, 4, 1) + "# Strange Triangle #2 = 4, 2, 4\n# Strange Triangle #3 = 1, 3, 3\n");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(inPart(0), 4);
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 18),
            (std::vector<float>{-.5, -.5, -.5, 0, -.5, -.5, -.5, 0, -.5, -.5, .5, -.5, -.5, -.5, 0, 2, 1, 2}));
  EXPECT_FLOAT_EQ(mesh.reach, 3);  // vertex 6, at (2, 1, 2) once centred
  const float s = static_cast<float>(0.01 / std::sqrt(5.0));
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(mesh.normals[c], (std::array{2 * s, 0.0f, s})[c], 1e-9);
  EXPECT_EQ(std::vector<float>(mesh.normals + 3, mesh.normals + 6), (std::vector<float>{0, 0, 0.01f}));
  EXPECT_EQ(std::vector<float>(mesh.normals + 15, mesh.normals + 18), (std::vector<float>{0, 0, 0}));
}

TEST_F(AssetsMeshLoader, EachPartIsOneListAndTrianglesBeforeTheFirstAreNotDrawn) {
  // A triangle before any group (for the normals only), an empty group, 150
  // groups of two or one triangles, and an empty last group.
  std::string text = square + "v -0.5 -0.5 0.2\nf 1 2 5\ng empty\n";
  for (int i = 0; i < 150; ++i) text += "g part\n" + std::string(i % 2 ? "f 1 2 3\n" : "f 1 3 4\nf 2 3 4\n");
  load(text + "g last");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(mesh.partCount, 152);
  EXPECT_EQ(inPart(0), 0);
  for (int part = 1; part <= 150; ++part) EXPECT_EQ(inPart(part), part % 2 ? 2 : 1) << part;
  EXPECT_EQ(inPart(151), 0);
  EXPECT_EQ(polygons([&] { mesh.draw(0); }).size(), 225u);
  const float* n = mesh.normals + 3 * 4;  // vertex 5 stands only in the first triangle
  EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 0.01, 1e-9);
}

// A refused load says why in its last line, leaves the mesh empty, releases
// the lists of the mesh loaded before, and still sets the front face
// counter-clockwise.
TEST_F(AssetsMeshLoader, RefusedLoadsSayWhyAndLeaveAnEmptyMesh) {
  const std::string triangle = "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\n";
  // The file (none: missing), and the last line the load prints.
  const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
      {std::nullopt, "# The file \"" + file.path + "\" was not opened\n"},
      {triangle + "vn 0 0 1\nf 1 2 3\n", "# error parsing vertex #3\n"},
      {triangle + "f 1/1/1 2/2/2 3/3/3\n", "# error parsing triangle #0\n"},
      {triangle + "f 1 2 3\nf", "# error parsing triangle #1\n"},
      {triangle + "f 0 1 2\n", "# vertex index out of range in triangle #0 = 0, 1, 2\n"},
      {triangle + "f 1 2 3\nf 3 2 4\n", "# vertex index out of range in triangle #1 = 3, 2, 4\n"},
  };
  for (const auto& [text, last] : cases) {
    SCOPED_TRACE(text.value_or("missing"));
    load(square + "g\nf 1 2 3\ng\nf 1 3 4\n");
    const GLuint earlier = mesh.listBase;
    ASSERT_TRUE(glIsList(earlier + 1));
    glFrontFace(GL_CW);
    const std::string output = load(text);
    EXPECT_EQ(output.substr(output.rfind("\n# ") + 1), last);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(glIsList(earlier) || glIsList(earlier + 1));
    EXPECT_TRUE(!mesh.vertices && !mesh.normals && !mesh.triangles);
    EXPECT_EQ(mesh.getVertexCount() + mesh.triangleCount + mesh.partCount, 0);
    EXPECT_EQ(mesh.listBase, 0u);
    EXPECT_EQ(mesh.reach, 0);
    EXPECT_TRUE(polygons([&] { mesh.draw(0); }).empty());
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);
  }
}

}  // namespace
