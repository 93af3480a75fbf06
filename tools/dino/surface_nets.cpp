// Surface nets: a triangle mesh from a sampled scalar field.
#include "tools/dino/surface_nets.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The 12 edges of a cell as pairs of corner numbers; corner c sits at
// (c & 1, (c >> 1) & 1, (c >> 2) & 1).
constexpr int cellEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                  {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

struct Grid {
  int n[3];
  Vec3 origin;
  double cell;
  std::vector<double> values;

  int index(int i, int j, int k) const { return (k * n[1] + j) * n[0] + i; }
  Vec3 point(int i, int j, int k) const {
    return {origin.x + i * cell, origin.y + j * cell, origin.z + k * cell};
  }
};

Vec3 gradient(const Field& field, Vec3 p) {
  const double e = 1e-4;
  return Vec3{field({p.x + e, p.y, p.z}) - field({p.x - e, p.y, p.z}),
              field({p.x, p.y + e, p.z}) - field({p.x, p.y - e, p.z}),
              field({p.x, p.y, p.z + e}) - field({p.x, p.y, p.z - e})} *
         (0.5 / e);
}

// Newton steps towards the zero set, each at most `limit` long.
Vec3 project(const Field& field, Vec3 p, double limit) {
  for (int step = 0; step < 4; ++step) {
    double f = field(p);
    Vec3 g = gradient(field, p);
    double gg = dot(g, g);
    if (gg < 1e-12) break;
    Vec3 move = g * (-f / gg);
    double length = std::sqrt(dot(move, move));
    if (length > limit) move = move * (limit / length);
    p = p + move;
  }
  return p;
}

// A cell face whose corners alternate inside, outside, inside, outside would
// put four quads on one edge. Such a face is settled by taking its outside
// corner nearest the surface (both, when equally near) inside, which joins the
// two inside corners: a thin piece stays whole, a thin gap closes. All faces
// are judged before any change, so mirrored faces change alike.
void joinDiagonals(Grid& grid) {
  for (;;) {
    std::vector<int> flips;
    for (int k = 0; k < grid.n[2]; ++k)
      for (int j = 0; j < grid.n[1]; ++j)
        for (int i = 0; i < grid.n[0]; ++i)
          for (int a = 0; a < 3; ++a) {
            int b = (a + 1) % 3, c = (a + 2) % 3;
            int p[3] = {i, j, k};
            if (p[b] + 1 >= grid.n[b] || p[c] + 1 >= grid.n[c]) continue;
            int corner[4];
            for (int q = 0; q < 4; ++q) {
              int r[3] = {i, j, k};
              r[b] += q == 1 || q == 2;
              r[c] += q >= 2;
              corner[q] = grid.index(r[0], r[1], r[2]);
            }
            bool in[4];
            for (int q = 0; q < 4; ++q) in[q] = grid.values[corner[q]] < 0;
            if (in[0] != in[2] || in[1] != in[3] || in[0] == in[1]) continue;
            int u = in[0] ? corner[1] : corner[0], w = in[0] ? corner[3] : corner[2];
            if (grid.values[u] <= grid.values[w]) flips.push_back(u);
            if (grid.values[w] <= grid.values[u]) flips.push_back(w);
          }
    if (flips.empty()) return;
    for (int f : flips) grid.values[f] = -1e-9;
  }
}

}  // namespace

TriMesh surfaceNets(const Field& field, Vec3 lo, Vec3 hi, double cell) {
  Grid grid;
  grid.cell = cell;
  int halfX = static_cast<int>(std::ceil(std::max(-lo.x, hi.x) / cell));
  grid.n[0] = 2 * halfX;
  grid.n[1] = static_cast<int>(std::ceil((hi.y - lo.y) / cell)) + 1;
  grid.n[2] = static_cast<int>(std::ceil((hi.z - lo.z) / cell)) + 1;
  grid.origin = {(0.5 - halfX) * cell, lo.y, lo.z};
  grid.values.resize(static_cast<size_t>(grid.n[0]) * grid.n[1] * grid.n[2]);
  for (int k = 0; k < grid.n[2]; ++k)
    for (int j = 0; j < grid.n[1]; ++j)
      for (int i = 0; i < grid.n[0]; ++i) grid.values[grid.index(i, j, k)] = field(grid.point(i, j, k));
  joinDiagonals(grid);

  TriMesh mesh;
  // One vertex per crossed cell, at the mean of its edges' crossing points.
  std::vector<int> cellVertex(grid.values.size(), -1);
  for (int k = 0; k + 1 < grid.n[2]; ++k)
    for (int j = 0; j + 1 < grid.n[1]; ++j)
      for (int i = 0; i + 1 < grid.n[0]; ++i) {
        double value[8];
        Vec3 corner[8];
        int inside = 0;
        for (int c = 0; c < 8; ++c) {
          int ci = i + (c & 1), cj = j + ((c >> 1) & 1), ck = k + ((c >> 2) & 1);
          value[c] = grid.values[grid.index(ci, cj, ck)];
          corner[c] = grid.point(ci, cj, ck);
          inside += value[c] < 0;
        }
        if (inside == 0 || inside == 8) continue;
        Vec3 sum;
        int crossings = 0;
        for (const auto& edge : cellEdges) {
          double a = value[edge[0]], b = value[edge[1]];
          if ((a < 0) == (b < 0)) continue;
          double t = a / (a - b);
          sum = sum + corner[edge[0]] + (corner[edge[1]] - corner[edge[0]]) * t;
          ++crossings;
        }
        cellVertex[grid.index(i, j, k)] = static_cast<int>(mesh.vertices.size());
        mesh.vertices.push_back(sum * (1.0 / crossings));
      }

  // One quad per crossed grid edge, joining the four cells around it; the
  // quad faces from the inside end of the edge towards the outside end.
  for (int k = 1; k + 1 < grid.n[2]; ++k)
    for (int j = 1; j + 1 < grid.n[1]; ++j)
      for (int i = 1; i + 1 < grid.n[0]; ++i) {
        const int p[3] = {i, j, k};
        bool insideHere = grid.values[grid.index(i, j, k)] < 0;
        for (int a = 0; a < 3; ++a) {
          int b = (a + 1) % 3, c = (a + 2) % 3;
          int q[3] = {i, j, k};
          ++q[a];
          if ((grid.values[grid.index(q[0], q[1], q[2])] < 0) == insideHere) continue;
          auto cellAt = [&](int db, int dc) {
            int r[3] = {p[0], p[1], p[2]};
            r[b] += db;
            r[c] += dc;
            return cellVertex[grid.index(r[0], r[1], r[2])];
          };
          int quad[4] = {cellAt(-1, -1), cellAt(0, -1), cellAt(0, 0), cellAt(-1, 0)};
          if (!insideHere) std::swap(quad[1], quad[3]);
          Vec3 d02 = mesh.vertices[quad[2]] - mesh.vertices[quad[0]];
          Vec3 d13 = mesh.vertices[quad[3]] - mesh.vertices[quad[1]];
          if (dot(d02, d02) <= dot(d13, d13)) {
            mesh.triangles.push_back({quad[0], quad[1], quad[2]});
            mesh.triangles.push_back({quad[0], quad[2], quad[3]});
          } else {
            mesh.triangles.push_back({quad[0], quad[1], quad[3]});
            mesh.triangles.push_back({quad[1], quad[2], quad[3]});
          }
        }
      }
  return mesh;
}

void relax(TriMesh& mesh, const Field& field, int rounds) {
  std::vector<std::vector<int>> neighbours(mesh.vertices.size());
  for (const auto& t : mesh.triangles)
    for (int e = 0; e < 3; ++e) {
      neighbours[t[e]].push_back(t[(e + 1) % 3]);
      neighbours[t[e]].push_back(t[(e + 2) % 3]);
    }
  for (auto& list : neighbours) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  double limit = 0.5;
  for (int round = 0; round < rounds; ++round) {
    std::vector<Vec3> moved(mesh.vertices.size());
    for (size_t v = 0; v < mesh.vertices.size(); ++v) {
      Vec3 mean;
      for (int n : neighbours[v]) mean = mean + mesh.vertices[n];
      mean = mean * (1.0 / static_cast<double>(neighbours[v].size()));
      moved[v] = project(field, (mesh.vertices[v] + mean) * 0.5, limit);
    }
    mesh.vertices = std::move(moved);
  }
}

int faultyEdgeVertex(const TriMesh& mesh) {
  std::vector<std::pair<int, int>> edges;
  for (const auto& t : mesh.triangles)
    for (int e = 0; e < 3; ++e) edges.emplace_back(t[e], t[(e + 1) % 3]);
  std::sort(edges.begin(), edges.end());
  for (size_t e = 0; e < edges.size(); ++e) {
    std::pair<int, int> back{edges[e].second, edges[e].first};
    if ((e + 1 < edges.size() && edges[e] == edges[e + 1]) ||
        !std::binary_search(edges.begin(), edges.end(), back))
      return edges[e].first;
  }
  return -1;
}

double signedVolume(const TriMesh& mesh) {
  double volume = 0;
  for (const auto& t : mesh.triangles)
    volume += dot(mesh.vertices[t[0]], cross(mesh.vertices[t[1]], mesh.vertices[t[2]]));
  return volume / 6;
}
