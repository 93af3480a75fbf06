// The triangle mesh drawn through display lists, and its loader.
#pragma once
#include <GL/gl.h>

class Drawable {
 public:
  virtual ~Drawable() = default;
  virtual void draw(int) = 0;
};

// The character model: positions, one normal per vertex, triangles in parts,
// drawn through one display list per part.
//
// Arrays are exactly as long as their counts; an empty mesh has null arrays,
// zero counts and listBase 0. A load that fails at any point leaves the mesh
// empty, so every vertex below getVertexCount() is always a real one.
class Mesh : public Drawable {
 public:
  Mesh();
  ~Mesh() override;
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Calls every part's list; the argument is ignored.
  void draw(int) override;
  // Reads the mesh text file (readMeshText); 1 when read, 0 when refused.
  // Reports on stdout. Needs the GL context: compiles one display list per
  // part.
  virtual int load(const char* fileName, bool centreMesh);
  virtual void clear();
  // Area-weighted vertex normals of length 0.01; a vertex whose faces sum to
  // nothing (or that no triangle uses) gets the zero vector. Leaves normals
  // null when the memory cannot be had.
  virtual void computeNormals();
  // Moves the mesh so that the mean of its vertices is the origin.
  virtual void centre();

  int getVertexCount() const { return vertexCount; }

  float* vertices = nullptr;
  int partCount = 0;
  GLuint listBase = 0;
  float* normals = nullptr;
  int* triangles = nullptr;
  int vertexCount = 0;
  int triangleCount = 0;
  // The distance of the farthest vertex from the origin, measured by load
  // once the mesh has its final place (0 when empty).
  float reach = 0;
};
