// Tests of the mesh text reader: counts, parts, 0-based triangles, refusals; no GL.
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/mesh_text.h"
#include "tests/assets/test_files.h"

namespace {

class AssetsMeshText : public ::testing::Test {
 protected:
  // Reads `text` as a mesh file (none: the file is missing); returns what the reader printed.
  std::string read(const std::optional<std::string>& text) {
    std::remove(file.path.c_str());
    if (text) std::ofstream(file.path, std::ios::binary) << *text;
    ::testing::internal::CaptureStdout();
    result = readMeshText(file.path.c_str(), mesh);
    return ::testing::internal::GetCapturedStdout();
  }
  // What every read that opens the file prints first.
  std::string opened(int vertices, int triangles, int parts) const {
    return "# The file \"" + file.path + "\" was opened\n# vertices = " + std::to_string(vertices) +
           "\n# triangles = " + std::to_string(triangles) + "\n# parts = " + std::to_string(parts) + "\n";
  }

  TempFile file{".obj"};
  MeshText mesh;
  bool result = false;
};

const std::string square = "v 0 0 0\nv 0.5 0 0\nv 0.5 0.5 0\nv 0 0.5 0\n";

TEST_F(AssetsMeshText, WithoutGroupsAllTrianglesFormOnePart) {
  // Degenerate triangles are reported and kept; the last line has no line end;
  // CR LF line ends and a fourth coordinate are harmless.
  const std::string text = "v 0 0 0\r\nv 0.5 0 0 1\nv 0 0.5 0\nv 0 1 0\nv 0 0 0.5\nf 1 2 3\nf 1 4 5\nf 4 2 4\nf 1 3 3";
  EXPECT_EQ(read(text), opened(5, 4, 1) + "# Strange Triangle #2 = 4, 2, 4\n# Strange Triangle #3 = 1, 3, 3\n");
  ASSERT_TRUE(result);
  EXPECT_EQ(std::vector<int>(mesh.triangles.get(), mesh.triangles.get() + 12),
            (std::vector<int>{0, 1, 2, 0, 3, 4, 3, 1, 3, 0, 2, 2}));
  EXPECT_EQ(std::vector<float>(mesh.vertices.get(), mesh.vertices.get() + 15),
            (std::vector<float>{0, 0, 0, .5, 0, 0, 0, .5, 0, 0, 1, 0, 0, 0, .5}));
  EXPECT_EQ(mesh.partStarts, (std::vector<int>{0, 4}));
}

TEST_F(AssetsMeshText, GroupsSplitTheTrianglesIntoParts) {
  // A triangle before any group (no part's), an empty group, 150 groups of
  // two or one triangles, and an empty last group with no line end.
  std::string text = square + "v -0.5 -0.5 0.2\nf 1 2 5\ng empty\n";
  for (int i = 0; i < 150; ++i) text += "g part\n" + std::string(i % 2 ? "f 1 2 3\n" : "f 1 3 4\nf 2 3 4\n");
  EXPECT_EQ(read(text + "g last"), opened(5, 226, 152));
  ASSERT_TRUE(result);
  ASSERT_EQ(mesh.partCount(), 152);
  EXPECT_EQ(mesh.partStarts[0], 1);
  for (int part = 1; part <= 150; ++part)
    EXPECT_EQ(mesh.partStarts[part + 1] - mesh.partStarts[part], part % 2 ? 2 : 1) << part;
  EXPECT_EQ(mesh.partStarts[151], 226);
  EXPECT_EQ(mesh.partStarts[152], 226);
}

TEST_F(AssetsMeshText, MissingFilesBadLinesAndIndicesAreRefused) {
  const std::string triangle = "v 0 0 0\nv 0.5 0 0\nv 0 0.5 0\n";
  // The file (none: missing), and the last line the reader prints.
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
    const std::string output = read(text);
    EXPECT_EQ(output.substr(output.rfind("\n# ") + 1), last);
    EXPECT_FALSE(result);
    EXPECT_TRUE(!mesh.vertices && !mesh.triangles && mesh.partStarts.empty());
    EXPECT_EQ(mesh.vertexCount + mesh.triangleCount, 0);
  }
}

}  // namespace
