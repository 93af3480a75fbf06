// Superstar's vertex clouds: a camera-facing glow sprite on every vertex of
// the character, for every copy, computed on the CPU and drawn in one batch.
//
// The straightforward drawing takes each sprite by itself: push; read the
// modelview matrix M; translate by the vertex; palette colour of the vertex;
// scale by 100; one triangle strip of the four corners O + R + U, O - R + U,
// O + R - U, O - R - U (R and U are M's first two rows, O = (0.5, 0.5, 0))
// with texture coordinates (1, 1), (0, 1), (1, 0), (0, 0); pop. Per sprite
// that is a matrix read and an immediate-mode strip: 118 ms a frame at
// 64x48 for the 41,000 sprites of twelve copies.
//
// This computes what GL computes for each corner: the modelview matrix
// translated and scaled, times the projection, times the corner, with the
// same float operations in the same order, and hands GL the resulting clip
// coordinates under identity matrices, with the colours glColor4ub makes of
// the palette bytes and each strip as its two triangles in the strip's own
// winding. The rasteriser receives the same numbers, so the pixels are the
// same, bit for bit (tests/show/sprite_batch_test.cpp draws the scene both
// ways); the arrays are kept from frame to frame.
#pragma once
#include <GL/gl.h>

#include <cstddef>
#include <vector>

class Mesh;

// Multiplies the modelview matrix by copy j's place: a twentieth of the
// size, turned 30 degrees a copy about Y, 20 units out, and the character's
// own upright turn.
void placeCopy(int j);

class SpriteBatch {
 public:
  // A new frame: no sprites yet; the projection is read once.
  void begin();
  // One sprite per vertex of `mesh`, placed by the current modelview matrix.
  void addCopy(const Mesh& mesh);
  // Draws every sprite added since begin with the current texture and
  // blending; leaves the matrices as they were, and the current colour and
  // texture coordinate as the last strip would have.
  void draw();

 private:
  // Colours, texture coordinates and indices depend only on a sprite's
  // number and are made once for the mesh's vertex count.
  void prepare(int vertexCount, std::size_t count);

  GLfloat projection[16] = {};
  std::size_t drawn = 0;
  int lastVertexCount = 0;
  int meshVertices = -1;  // what the constant arrays were made for
  std::size_t sprites = 0;
  std::vector<GLfloat> corners;    // per sprite, 4 corners of (x, y, z, w)
  std::vector<GLfloat> colours;    // per sprite, 4 corners of RGBA
  std::vector<GLfloat> texCoords;  // per sprite, 4 corners of (s, t)
  std::vector<GLuint> indices;     // per sprite, the two triangles of its strip
};
