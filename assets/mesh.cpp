// The character mesh: its text-format loader, normals, centring and display lists.
#include "assets/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <new>

#include "assets/mesh_text.h"

namespace {

// Cross product of Q - P and R - Q: twice the area, towards the front side
// of a counter-clockwise triangle.
void faceNormal(const float* p, const float* q, const float* r, float* n) {
  const float u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  const float w[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
  n[0] = u[1] * w[2] - u[2] * w[1];
  n[1] = u[2] * w[0] - u[0] * w[2];
  n[2] = u[0] * w[1] - u[1] * w[0];
}

}  // namespace

Mesh::Mesh() = default;

Mesh::~Mesh() { clear(); }

void Mesh::draw(int) {
  if (listBase == 0) return;
  for (int k = 0; k < partCount; ++k) glCallList(listBase + k);
}

int Mesh::load(const char* fileName, bool centreMesh) {
  clear();
  glFrontFace(GL_CCW);
  MeshText text;
  if (!readMeshText(fileName, text)) return 0;
  vertices = text.vertices.release();
  triangles = text.triangles.release();
  vertexCount = text.vertexCount;
  triangleCount = text.triangleCount;
  partCount = text.partCount();

  // Nothing of the file stays in a mesh that cannot be completed.
  auto outOfMemory = [&] {
    std::printf("# out of memory\n");
    clear();
    return 0;
  };
  if (partCount > 0) {
    listBase = glGenLists(partCount);
    if (listBase == 0) return outOfMemory();
  }
  computeNormals();
  if (vertexCount > 0 && !normals) return outOfMemory();
  if (centreMesh) centre();
  reach = 0;
  for (std::size_t i = 0; i < 3 * std::size_t(vertexCount); i += 3) {
    const float* p = vertices + i;
    reach = std::max(reach, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
  }

  for (int part = 0; part < partCount; ++part) {
    glNewList(listBase + part, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (int i = text.partStarts[part]; i < text.partStarts[part + 1]; ++i) {
      for (int c = 0; c < 3; ++c) {
        const std::size_t corner = 3 * std::size_t(triangles[3 * std::size_t(i) + c]);
        glNormal3fv(normals + corner);
        glVertex3fv(vertices + corner);
      }
    }
    glEnd();
    glEndList();
  }
  return 1;
}

void Mesh::clear() {
  delete[] normals;
  delete[] triangles;
  delete[] vertices;
  if (listBase != 0) glDeleteLists(listBase, partCount);
  normals = nullptr;
  triangles = nullptr;
  vertices = nullptr;
  vertexCount = 0;
  triangleCount = 0;
  partCount = 0;
  listBase = 0;
  reach = 0;
}

void Mesh::computeNormals() {
  delete[] normals;
  normals = nullptr;
  if (!vertices || vertexCount == 0) return;
  const std::size_t size = 3 * std::size_t(vertexCount);
  normals = new (std::nothrow) float[size]();
  if (!normals) return;

  // Each vertex sums the face normals of its triangles in triangle order,
  // once per triangle even when the vertex stands in it twice.
  for (int i = 0; i < triangleCount; ++i) {
    const int* t = triangles + 3 * std::size_t(i);
    float face[3];
    faceNormal(vertices + 3 * std::size_t(t[0]), vertices + 3 * std::size_t(t[1]),
               vertices + 3 * std::size_t(t[2]), face);
    for (int c = 0; c < 3; ++c) {
      if ((c > 0 && t[c] == t[0]) || (c > 1 && t[c] == t[1])) continue;
      float* sum = normals + 3 * std::size_t(t[c]);
      for (int axis = 0; axis < 3; ++axis) sum[axis] += face[axis];
    }
  }
  for (std::size_t i = 0; i < size; i += 3) {
    float* n = normals + i;
    const double length =
        std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]) * 100;
    if (length == 0) continue;  // stays the zero vector
    for (int axis = 0; axis < 3; ++axis) n[axis] = static_cast<float>(n[axis] / length);
  }
}

void Mesh::centre() {
  if (vertexCount <= 0) return;
  const std::size_t size = 3 * std::size_t(vertexCount);
  double sum[3] = {0, 0, 0};
  for (std::size_t i = 0; i < size; ++i) sum[i % 3] += vertices[i];
  float mean[3];
  for (int axis = 0; axis < 3; ++axis) mean[axis] = static_cast<float>(sum[axis] / vertexCount);
  for (std::size_t i = 0; i < size; ++i) vertices[i] -= mean[i % 3];
}
