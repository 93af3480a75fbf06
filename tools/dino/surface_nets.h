// Surface nets: a triangle mesh from a scalar field.
#pragma once
#include <array>
#include <functional>
#include <vector>

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Scalar field: negative inside the solid, positive outside.
using Field = std::function<double(Vec3)>;

struct TriMesh {
  std::vector<Vec3> vertices;
  std::vector<std::array<int, 3>> triangles;  // counter-clockwise seen from outside
};

// Polygonises the zero set of `field` inside the box [lo, hi] with cubic cells
// of side `cell` (surface nets: one vertex per cell that the surface crosses,
// one quad per crossed grid edge, split along its shorter diagonal; faces of
// cells that would join four quads at one edge are settled first, so every
// edge joins two triangles). The grid
// is placed symmetrically about x = 0, with x = 0 halfway between grid planes,
// so a field symmetric in x gives a mirror symmetric mesh and thin pieces on
// the centre plane span two grid planes. The solid must not touch the box's
// faces.
TriMesh surfaceNets(const Field& field, Vec3 lo, Vec3 hi, double cell);

// Evens out the triangles and puts every vertex back onto the surface:
// `rounds` times, a half step towards the mean of its neighbours, then Newton
// steps along the field's gradient.
void relax(TriMesh& mesh, const Field& field, int rounds);

// A vertex of an edge that is not shared by exactly two triangles running it
// in opposite directions, or -1 when the surface is closed and consistently
// oriented.
int faultyEdgeVertex(const TriMesh& mesh);

// Signed volume enclosed by the triangles; positive when they face outwards.
double signedVolume(const TriMesh& mesh);
