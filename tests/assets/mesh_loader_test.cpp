#include <array>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/mesh.h"
#include "tests/assets/gl_fixture.h"
#include "tests/assets/test_files.h"

namespace {

class AssetsMeshLoader : public GlTest {
 protected:
  // Loads `text` as a mesh file; returns what the load printed.
  std::string load(const std::string& text, bool centre = false) {
    std::ofstream(file.path, std::ios::binary) << text;
    ::testing::internal::CaptureStdout();
    result = mesh.load(file.path.c_str(), centre);
    return ::testing::internal::GetCapturedStdout();
  }
  // What every load that opens the file prints first.
  std::string opened(int vertices, int triangles, int parts) const {
    return "# The file \"" + file.path + "\" was opened\n# vertices = " + std::to_string(vertices) +
           "\n# triangles = " + std::to_string(triangles) + "\n# parts = " + std::to_string(parts) + "\n";
  }
  int inPart(int part) { return trianglesDrawn([&] { glCallList(mesh.listBase + part); }); }
  void expectEmpty() {
    EXPECT_TRUE(!mesh.vertices && !mesh.normals && !mesh.triangles);
    EXPECT_EQ(mesh.getVertexCount() + mesh.triangleCount + mesh.partCount, 0);
    EXPECT_EQ(mesh.listBase, 0u);
    EXPECT_EQ(trianglesDrawn([&] { mesh.draw(0); }), 0);
  }

  TempFile file{".obj"};
  Mesh mesh;
  int result = -1;
};

const std::string square = "v 0 0 0\nv 0.5 0 0\nv 0.5 0.5 0\nv 0 0.5 0\n";

TEST_F(AssetsMeshLoader, EmptyFileReadsAsAnEmptyMeshAndAMissingOneIsNotOpened) {
  EXPECT_EQ(load(""), opened(0, 0, 0));
  EXPECT_EQ(result, 1);
  expectEmpty();
  glFrontFace(GL_CW);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mesh.load("/nonexistent/dino.obj", true), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "# The file \"/nonexistent/dino.obj\" was not opened\n");
  expectEmpty();
  GLint frontFace = 0;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(frontFace, GL_CCW);  // even after a load that fails
}

TEST_F(AssetsMeshLoader, WithoutGroupsAllTrianglesFormOnePartCentredOnRequest) {
  // Degenerate triangles are reported and kept; the last line has no line end.
  EXPECT_EQ(load(square + "f 1 2 3\nf 1 3 4\nf 4 2 4\nf 1 3 3", true),
            opened(4, 4, 1) + "# Strange Triangle #2 = 4, 2, 4\n# Strange Triangle #3 = 1, 3, 3\n");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(inPart(0), 4);
  EXPECT_EQ(std::vector<int>(mesh.triangles, mesh.triangles + 12),
            (std::vector<int>{0, 1, 2, 0, 2, 3, 3, 1, 3, 0, 2, 2}));
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 12),
            (std::vector<float>{-0.25f, -0.25f, 0, 0.25f, -0.25f, 0, 0.25f, 0.25f, 0, -0.25f, 0.25f, 0}));
}

TEST_F(AssetsMeshLoader, GroupsSplitTheTrianglesAndEarlierOnesAreNotDrawn) {
  const std::string text = square +
                           "v -0.5 -0.5 0.2\nf 1 2 5\n"  // before any group: normals only
                           "g first\nf 1 2 3\ng second\ng third\nf 1 3 4\nf 2 3 4\ng last";
  EXPECT_EQ(load(text), opened(5, 4, 4));
  EXPECT_EQ(result, 1);
  for (int part = 0; part < 4; ++part) EXPECT_EQ(inPart(part), (std::array{1, 0, 2, 0})[part]) << part;
  EXPECT_EQ(trianglesDrawn([&] { mesh.draw(0); }), 3);
  const float* n = mesh.normals + 3 * 4;  // vertex 5 stands only in the first triangle
  EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 0.01, 1e-9);
}

TEST_F(AssetsMeshLoader, LineFormsThatParse) {
  // No space after "v", tabs, a fourth coordinate, CR LF, a polygon line whose
  // first three corners make the triangle, and a line read in pieces of 99
  // characters whose second piece is a vertex.
  const std::string text = "# comment\r\nv0.25 -0.5 0.125\r\nv\t0 0.5\t0\r\nv 0.5 0 0 1\r\nv 0 0 0.5\r\n"
                           "o object\r\ns 1\r\n f 9 9 9\r\ng body\r\nf 1 2 3 4\r\n#" +
                           std::string(98, 'x') + "v 0.1 0.1 0.1\n";
  EXPECT_EQ(load(text), opened(5, 1, 1));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 15),
            (std::vector<float>{0.25f, -0.5f, 0.125f, 0, 0.5f, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0.1f, 0.1f, 0.1f}));
  EXPECT_EQ(std::vector<int>(mesh.triangles, mesh.triangles + 3), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(inPart(0), 1);
}

TEST_F(AssetsMeshLoader, LinesThatDoNotParseOrIndicesOutsideTheVerticesRefuseTheFile) {
  const std::string triangle = "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\n";
  // The file, and the last line the load prints.
  std::vector<std::pair<std::string, std::string>> cases = {
      {triangle + "vn 0 0 1\nf 1 2 3\n", "# error parsing vertex #3\n"},
      {"vt 0.5 0.5\n" + triangle, "# error parsing vertex #0\n"},
      {"v 1 2\n", "# error parsing vertex #0\n"},
      {triangle + "f 1/1/1 2/2/2 3/3/3\n", "# error parsing triangle #0\n"},
      {triangle + "f 1 2 3\nf 1 2\n", "# error parsing triangle #1\n"},
      {triangle + "f 1 2 3\nf", "# error parsing triangle #1\n"},
      {"g\nf 1 2 3\n", "# vertex index out of range in triangle #0 = 1, 2, 3\n"},
  };
  for (std::string corners : {"1 2 4", "0 1 2", "-1 2 3", "3 2 2147483647"}) {
    const std::string file = triangle + "g\nf 1 2 3\nf " + corners + "\n";
    for (std::size_t at = 0; (at = corners.find(' ', at)) != std::string::npos; at += 2) corners.insert(at, ",");
    cases.push_back({file, "# vertex index out of range in triangle #1 = " + corners + "\n"});
  }
  for (const auto& [text, last] : cases) {
    SCOPED_TRACE(text);
    const std::string output = load(text);
    EXPECT_EQ(output.substr(output.rfind("\n# ") + 1), last);
    EXPECT_EQ(result, 0);
    expectEmpty();
  }
}

TEST_F(AssetsMeshLoader, AnyNumberOfGroupsFits) {
  std::string text = square;
  for (int i = 0; i < 150; ++i) text += "g part\n" + std::string(i % 2 ? "f 1 2 3\n" : "f 1 3 4\nf 2 3 4\n");
  EXPECT_EQ(load(text), opened(4, 225, 150));
  EXPECT_EQ(result, 1);
  for (int part = 0; part < 150; ++part) EXPECT_EQ(inPart(part), part % 2 ? 1 : 2) << part;
  EXPECT_EQ(trianglesDrawn([&] { mesh.draw(0); }), 225);
}

TEST_F(AssetsMeshLoader, ReloadingAndClearingReleaseTheLists) {
  load(square + "g\nf 1 2 3\ng\nf 1 3 4\n");
  ASSERT_EQ(result, 1);
  const GLuint first = mesh.listBase;
  EXPECT_TRUE(glIsList(first + 1));
  load(square + "f 1 2 5\n");  // refused: the earlier mesh is gone too
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(glIsList(first) || glIsList(first + 1));
  expectEmpty();
  load(square + "f 1 2 3\n");
  const GLuint second = mesh.listBase;
  mesh.clear();
  mesh.clear();
  EXPECT_FALSE(glIsList(second));
  expectEmpty();
}

}  // namespace
