#pragma once
#include <GL/gl.h>

class Drawable {
 public:
  virtual ~Drawable() = default;
  virtual void draw(int) = 0;
};

// The character model: positions, one normal per vertex, triangles in parts,
// drawn through one display list per part.
class Mesh : public Drawable {
 public:
  Mesh();
  ~Mesh() override;
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  void draw(int) override;
  virtual int update(int);
  // Reads the mesh text file; 1 when read, 0 when refused. Reports on stdout.
  virtual int load(const char* fileName, bool centre);
  virtual void clear();
  virtual void computeNormals();
  virtual void centre();

  int getVertexCount() const { return vertexCount; }

  float* vertices = nullptr;
  int partCount = 0;
  GLuint listBase = 0;
  float* normals = nullptr;
  int* triangles = nullptr;
  int vertexCount = 0;
  int triangleCount = 0;
};
