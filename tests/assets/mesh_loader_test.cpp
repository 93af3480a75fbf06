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
  std::string opened() const { return "# The file \"" + file.path + "\" was opened\n"; }
  static std::string counts(int vertices, int triangles, int parts) {
    return "# vertices = " + std::to_string(vertices) + "\n# triangles = " + std::to_string(triangles) +
           "\n# parts = " + std::to_string(parts) + "\n";
  }
  int trianglesInPart(int part) {
    return trianglesDrawn([&] { glCallList(mesh.listBase + part); });
  }
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
  EXPECT_EQ(load(""), opened() + counts(0, 0, 0));
  EXPECT_EQ(result, 1);
  expectEmpty();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mesh.load("/nonexistent/dino.obj", true), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "# The file \"/nonexistent/dino.obj\" was not opened\n");
  expectEmpty();
}

TEST_F(AssetsMeshLoader, WithoutGroupsAllTrianglesFormOnePart) {
  // The last line has no line end.
  EXPECT_EQ(load(square + "f 1 2 3\nf 1 3 4"), opened() + counts(4, 2, 1));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(trianglesInPart(0), 2);
  EXPECT_EQ(std::vector<int>(mesh.triangles, mesh.triangles + 6), (std::vector<int>{0, 1, 2, 0, 2, 3}));
  GLint frontFace = 0;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(frontFace, GL_CCW);
}

TEST_F(AssetsMeshLoader, GroupsSplitTheTrianglesAndEarlierOnesAreNotDrawn) {
  const std::string text = square +
                           "v -0.5 -0.5 0.2\nf 1 2 5\n"  // before any group: normals only
                           "g first\nf 1 2 3\ng second\ng third\nf 1 3 4\nf 2 3 4\ng last";
  EXPECT_EQ(load(text), opened() + counts(5, 4, 4));
  EXPECT_EQ(result, 1);
  for (int part = 0; part < 4; ++part) EXPECT_EQ(trianglesInPart(part), (std::array{1, 0, 2, 0})[part]) << part;
  EXPECT_EQ(trianglesDrawn([&] { mesh.draw(0); }), 3);
  const float* n = mesh.normals + 3 * 4;  // vertex 5 stands only in the first triangle
  EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 0.01, 1e-9);
}

TEST_F(AssetsMeshLoader, LineFormsThatParse) {
  // No space after "v", tabs, a fourth coordinate, CR LF, and a polygon line
  // whose first three corners make the triangle.
  const std::string text =
      "# comment\r\nv0.25 -0.5 0.125\r\nv\t0 0.5\t0\r\nv 0.5 0 0 1\r\nv 0 0 0.5\r\n"
      "o object\r\ns 1\r\n f 9 9 9\r\ng body\r\nf 1 2 3 4\r\n";
  EXPECT_EQ(load(text), opened() + counts(4, 1, 1));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 12),
            (std::vector<float>{0.25f, -0.5f, 0.125f, 0, 0.5f, 0, 0.5f, 0, 0, 0, 0, 0.5f}));
  EXPECT_EQ(std::vector<int>(mesh.triangles, mesh.triangles + 3), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(trianglesInPart(0), 1);
}

TEST_F(AssetsMeshLoader, LongLinesAreReadIn99CharacterPieces) {
  const std::string text = square +
                           "#" + std::string(98, 'x') + "v 0.1 0.1 0.1\n"  // the second piece is a vertex
                           "v 0 0 0" + std::string(150, ' ') + "\n"       // later pieces are blanks
                           "g" + std::string(200, 'a') + "\n"              // one part
                           "f 1 2 3\n";
  EXPECT_EQ(load(text), opened() + counts(6, 1, 1));
  EXPECT_EQ(result, 1);
  EXPECT_FLOAT_EQ(mesh.vertices[12], 0.1f);
}

TEST_F(AssetsMeshLoader, DegenerateTriangleIsReportedAndKept) {
  const std::string text = square +
                           "v 0.25 0.25 0\nv 0.3 0.1 0\nv 0.1 0.3 0\n"
                           "g\n"
                           "f 1 2 3\nf 1 3 4\nf 2 3 4\nf 5 5 7\n";
  EXPECT_EQ(load(text), opened() + counts(7, 4, 1) + "# Strange Triangle #3 = 5, 5, 7\n");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(mesh.triangleCount, 4);
  EXPECT_EQ(std::vector<int>(mesh.triangles + 9, mesh.triangles + 12), (std::vector<int>{4, 4, 6}));
  EXPECT_EQ(trianglesInPart(0), 4);
}

TEST_F(AssetsMeshLoader, LinesThatDoNotParseRefuseTheFile) {
  struct Case {
    std::string text;
    std::string output;  // after the opened line and the counts
  };
  const std::string triangle = "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\n";
  const std::vector<Case> cases = {
      {triangle + "vn 0 0 1\nf 1 2 3\n", "# error parsing vertex #3\n"},
      {"vt 0.5 0.5\n" + triangle, "# error parsing vertex #0\n"},
      {"v 1 2\n", "# error parsing vertex #0\n"},
      {triangle + "f 1/1/1 2/2/2 3/3/3\n", "# error parsing triangle #0\n"},
      {triangle + "f 1 2 3\nf 1 2\n", "# error parsing triangle #1\n"},
      {triangle + "f 1 2 3\nf", "# error parsing triangle #1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string output = load(c.text);
    EXPECT_EQ(output.substr(output.rfind("\n# ") + 1), c.output);
    EXPECT_EQ(result, 0);
    expectEmpty();
  }
}

TEST_F(AssetsMeshLoader, IndicesOutsideTheVerticesRefuseTheFile) {
  const std::string triangle = "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\ng\nf 1 2 3\n";
  for (const char* line : {"f 1 2 4\n", "f 0 1 2\n", "f -1 2 3\n", "f 3 2 2147483647\n"}) {
    SCOPED_TRACE(line);
    const std::string output = load(triangle + line);
    int a, b, c;
    ASSERT_EQ(std::sscanf(line, "f %d %d %d", &a, &b, &c), 3);
    EXPECT_EQ(output, opened() + counts(3, 2, 1) + "# vertex index out of range in triangle #1 = " +
                          std::to_string(a) + ", " + std::to_string(b) + ", " + std::to_string(c) +
                          "\n");
    EXPECT_EQ(result, 0);
    expectEmpty();
  }
  load("g\nf 1 2 3\n");
  EXPECT_EQ(result, 0);
  expectEmpty();
}

TEST_F(AssetsMeshLoader, AnyNumberOfGroupsFits) {
  std::string text = square;
  for (int i = 0; i < 150; ++i) text += "g part\n" + std::string(i % 2 ? "f 1 2 3\n" : "f 1 3 4\nf 2 3 4\n");
  EXPECT_EQ(load(text), opened() + counts(4, 225, 150));
  EXPECT_EQ(result, 1);
  for (int part = 0; part < 150; ++part) EXPECT_EQ(trianglesInPart(part), part % 2 ? 1 : 2) << part;
  EXPECT_EQ(trianglesDrawn([&] { mesh.draw(0); }), 225);
}

TEST_F(AssetsMeshLoader, CentringIsOptional) {
  const std::string text = square + "f 1 2 3\n";
  load(text, false);
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 3), (std::vector<float>{0, 0, 0}));
  load(text, true);
  EXPECT_EQ(std::vector<float>(mesh.vertices, mesh.vertices + 3), (std::vector<float>{-0.25f, -0.25f, 0}));
}

TEST_F(AssetsMeshLoader, ReloadingAndClearingReleaseTheLists) {
  load(square + "g\nf 1 2 3\ng\nf 1 3 4\n");
  ASSERT_EQ(result, 1);
  const GLuint first = mesh.listBase;
  EXPECT_TRUE(glIsList(first + 1));
  load(square + "f 1 2 5\n");  // refused: the earlier mesh is gone too
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(glIsList(first));
  EXPECT_FALSE(glIsList(first + 1));
  expectEmpty();

  load(square + "f 1 2 3\n");
  const GLuint second = mesh.listBase;
  mesh.clear();
  mesh.clear();
  EXPECT_FALSE(glIsList(second));
  expectEmpty();
}

}  // namespace
