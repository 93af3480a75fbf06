// The mesh text format read into memory, apart from GL.
#pragma once
#include <memory>
#include <vector>

// What a mesh text file holds: the vertex positions as the file gives them,
// the triangles as 0-based vertex indices, and where each part starts.
// Arrays are exactly as long as their counts (null when empty).
struct MeshText {
  std::unique_ptr<float[]> vertices;  // vertexCount triples (x, y, z)
  std::unique_ptr<int[]> triangles;   // triangleCount triples
  int vertexCount = 0;
  int triangleCount = 0;
  // Entry k: the first triangle of part k; the last entry is triangleCount.
  // Empty when there are no parts.
  std::vector<int> partStarts;
  int partCount() const { return partStarts.empty() ? 0 : static_cast<int>(partStarts.size()) - 1; }
};

// Reads `fileName` in the loader's three passes (count; vertices; triangles
// and parts) and reports on standard output, each line beginning "# ": the
// file opened or not, the counts, and every problem. False, with `text`
// empty, when the file cannot be opened, a line does not parse, an index lies
// outside the vertices or memory runs out. Needs no GL.
bool readMeshText(const char* fileName, MeshText& text);
