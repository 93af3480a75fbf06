// The character mesh: its text-format loader, normals, centring and display lists.
#include "assets/mesh.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// Every read takes at most 99 characters; a longer line comes in pieces, and
// each piece is a line of its own.
constexpr int lineSize = 100;

// More lines of one kind than this cannot be held as int-indexed triples.
constexpr long long maxCount = INT_MAX / 3;

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

int Mesh::update(int) { return 0; }

int Mesh::load(const char* fileName, bool centreMesh) {
  clear();
  glFrontFace(GL_CCW);

  std::FILE* file = std::fopen(fileName, "r");
  if (!file) {
    std::printf("# The file \"%s\" was not opened\n", fileName);
    return 0;
  }
  std::printf("# The file \"%s\" was opened\n", fileName);

  // The reason has been printed; nothing of the file stays in the mesh.
  auto refuse = [&] {
    std::fclose(file);
    clear();
    return 0;
  };
  auto outOfMemory = [&] {
    std::printf("# out of memory\n");
    return refuse();
  };
  // The passes must see the same lines, or the arrays sized by the first
  // would overflow.
  auto changed = [&] {
    std::printf("# The file \"%s\" changed while it was read\n", fileName);
    return refuse();
  };

  char line[lineSize];
  long long vertexLines = 0, triangleLines = 0, groupLines = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] == 'v')
      ++vertexLines;
    else if (line[0] == 'f')
      ++triangleLines;
    else if (line[0] == 'g')
      ++groupLines;
  }
  if (vertexLines > maxCount || triangleLines > maxCount || groupLines >= maxCount)
    return outOfMemory();
  vertexCount = static_cast<int>(vertexLines);
  triangleCount = static_cast<int>(triangleLines);
  partCount = static_cast<int>(groupLines);
  if (partCount == 0 && triangleCount > 0) partCount = 1;  // one implicit part

  if (partCount > 0) listBase = glGenLists(partCount);
  std::printf("# vertices = %d\n", vertexCount);
  std::printf("# triangles = %d\n", triangleCount);
  std::printf("# parts = %d\n", partCount);

  // Entry k: the first triangle of part k; entry partCount: the end mark.
  // Sized from the count, so any number of "g" lines fits.
  std::unique_ptr<int[]> partStarts(new (std::nothrow) int[partCount + 1]());
  if (vertexCount > 0) vertices = new (std::nothrow) float[3 * std::size_t(vertexCount)];
  if (triangleCount > 0) triangles = new (std::nothrow) int[3 * std::size_t(triangleCount)];
  if (!partStarts || (vertexCount > 0 && !vertices) || (triangleCount > 0 && !triangles) ||
      (partCount > 0 && listBase == 0))
    return outOfMemory();

  std::fseek(file, 0, SEEK_SET);
  int n = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] != 'v') continue;
    if (n == vertexCount) return changed();
    float* v = vertices + 3 * std::size_t(n);
    if (std::sscanf(line, "v %f %f %f", &v[0], &v[1], &v[2]) != 3) {
      std::printf("# error parsing vertex #%d\n", n);
      return refuse();
    }
    ++n;
  }
  if (n != vertexCount) return changed();

  std::fseek(file, 0, SEEK_SET);
  int k = 0;
  n = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] == 'g') {
      if (k == groupLines) return changed();
      partStarts[k++] = n;
    } else if (line[0] == 'f') {
      if (n == triangleCount) return changed();
      int* t = triangles + 3 * std::size_t(n);
      // The numbers start at the third character; "f" alone has none.
      if (line[1] == '\0' || std::sscanf(line + 2, "%d %d %d", &t[0], &t[1], &t[2]) != 3) {
        std::printf("# error parsing triangle #%d\n", n);
        return refuse();
      }
      for (int c = 0; c < 3; ++c) {
        if (t[c] < 1 || t[c] > vertexCount) {
          std::printf("# vertex index out of range in triangle #%d = %d, %d, %d\n", n, t[0], t[1],
                      t[2]);
          return refuse();
        }
      }
      ++n;
    }
  }
  if (n != triangleCount || k != groupLines) return changed();
  partStarts[partCount] = triangleCount;

  for (int i = 0; i < triangleCount; ++i) {
    const int* t = triangles + 3 * std::size_t(i);
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
      std::printf("# Strange Triangle #%d = %d, %d, %d\n", i, t[0], t[1], t[2]);
  }
  for (std::size_t i = 0; i < 3 * std::size_t(triangleCount); ++i) --triangles[i];

  computeNormals();
  if (vertexCount > 0 && !normals) return outOfMemory();
  if (centreMesh) centre();

  for (int part = 0; part < partCount; ++part) {
    glNewList(listBase + part, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (int i = partStarts[part]; i < partStarts[part + 1]; ++i) {
      for (int c = 0; c < 3; ++c) {
        const std::size_t corner = 3 * std::size_t(triangles[3 * std::size_t(i) + c]);
        glNormal3fv(normals + corner);
        glVertex3fv(vertices + corner);
      }
    }
    glEnd();
    glEndList();
  }

  if (std::fclose(file) != 0) std::printf("# The file \"%s\" was not closed\n", fileName);
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
