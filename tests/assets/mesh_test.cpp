#include "assets/mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

void fill(Mesh& mesh, const std::vector<float>& vertices, const std::vector<int>& triangles) {
  mesh.clear();
  mesh.vertexCount = static_cast<int>(vertices.size() / 3);
  mesh.vertices = new float[vertices.size()];
  std::copy(vertices.begin(), vertices.end(), mesh.vertices);
  mesh.triangleCount = static_cast<int>(triangles.size() / 3);
  mesh.triangles = new int[triangles.size()];
  std::copy(triangles.begin(), triangles.end(), mesh.triangles);
}

std::vector<float> normalOf(const Mesh& mesh, int i) {
  return {mesh.normals[3 * i], mesh.normals[3 * i + 1], mesh.normals[3 * i + 2]};
}

double length(const std::vector<float>& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

TEST(AssetsMesh, NormalsWeighFacesByAreaAndAreOneHundredthLong) {
  Mesh mesh;
  mesh.computeNormals();
  EXPECT_EQ(mesh.normals, nullptr);  // no vertices
  // Vertex 0 is shared by a triangle of area 1/2 facing +z and one of area 1
  // facing +x; vertex 5 stands in no triangle.
  fill(mesh, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 1, 9, 9, 9}, {0, 1, 2, 0, 3, 4});
  mesh.computeNormals();
  ASSERT_NE(mesh.normals, nullptr);
  const float s = static_cast<float>(0.01 / std::sqrt(5.0));
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(normalOf(mesh, 0)[c], (std::array{2 * s, 0.0f, s})[c], 1e-9);
  EXPECT_EQ(normalOf(mesh, 1), (std::vector<float>{0, 0, 0.01f}));
  EXPECT_NEAR(length(normalOf(mesh, 3)), 0.01, 1e-9);
  EXPECT_EQ(normalOf(mesh, 5), (std::vector<float>{0, 0, 0}));  // no faces: zero

  // A closed, irregular solid: every normal is 0.01 long and points outwards.
  fill(mesh, {0.1f, 0.2f, 0.3f, 5, 0, 0, 0, 7, 0, 0, 0, 3}, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3});
  mesh.computeNormals();
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(length(normalOf(mesh, i)), 0.01, 1e-9);
  EXPECT_LT(mesh.normals[0] + mesh.normals[1] + mesh.normals[2], 0);  // the corner near the origin
}

}  // namespace
