// Writes the show's character, a cartoon dinosaur, in the mesh text format:
// "v x y z" and "f a b c" lines (1-based, counter-clockwise from outside) in
// named "g" parts. Z is up, the character faces -Y and stands about 53 units
// tall, 45 of them to the top of its skull; vertices 73 and 534 (0-based) sit
// on its head where its left and right eyes go. The surface is an implicit
// blend of ellipsoids and tapered capsules, polygonised on a fine grid,
// reduced by edge collapses to the few vertices the show needs, relaxed and
// projected back onto the surface, so the output is the same on every run.
//
// Usage: dino OUTPUT.obj

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/dino/simplify.h"
#include "tools/dino/surface_nets.h"

namespace {

enum Part { Head, Body, Arms, Legs, Tail, PartCount };
const char* const partNames[PartCount] = {"head", "body", "arms", "legs", "tail"};

// How many vertices the character keeps: enough for smooth lighting at the
// largest size the show draws it (about 300 pixels tall).
constexpr int vertexCount = 1500;

// The eyes' vertex numbers, fixed by the show.
constexpr int leftEyeVertex = 73;
constexpr int rightEyeVertex = 534;

// One piece of the body. Mirrored pieces off the centre plane are given for
// the +X side only and evaluated at |x|; the tail, which swings out to one
// side, is placed as given.
struct Piece {
  Part part;
  double blend;  // smooth-union radius with everything before it
  bool capsule;  // tapered capsule from a (radius ra) to b (radius rb); else ellipsoid
  Vec3 a, radii;  // ellipsoid: centre and semi-axes
  double pitch;   // ellipsoid: turn about X, degrees; positive lowers its front (-Y) end
  Vec3 b;
  double ra, rb;
  bool mirrored = true;
};

Piece ellipsoid(Part part, double blend, Vec3 centre, Vec3 radii, double pitch = 0) {
  return {part, blend, false, centre, radii, pitch, {}, 0, 0};
}
Piece capsule(Part part, double blend, Vec3 a, double ra, Vec3 b, double rb) {
  return {part, blend, true, a, {}, 0, b, ra, rb};
}
Piece sided(Piece piece) {
  piece.mirrored = false;
  return piece;
}

const std::vector<Piece>& pieces() {
  static const std::vector<Piece> list = [] {
    std::vector<Piece> all = {
        // Body: an upright trunk leaning back a little, a belly, the neck.
        ellipsoid(Body, 0, {0, 2, 19}, {8.5, 10, 12.5}, -12),
        ellipsoid(Body, 4, {0, -2, 15}, {7.2, 7, 7.5}),
        capsule(Body, 5, {0, 1, 27}, 7, {0, -1, 34}, 6),
        // Head: a round skull, a long snout over a lower jaw that is widest at
        // its hinge (the sharp crease between them is the mouth; from the
        // front the jaw squares off the head's outline), brows over the eyes
        // and two nostril bumps.
        ellipsoid(Head, 4, {0, -2.5, 42}, {8.5, 9, 8.5}),
        ellipsoid(Head, 4, {0, -13, 39.5}, {7, 10, 4.6}, -4),
        ellipsoid(Head, 1, {0, -8, 34.6}, {7.8, 11, 3.4}, 4),
        ellipsoid(Head, 2, {4.6, -7.5, 49}, {3.2, 3, 1.8}, -15),
        ellipsoid(Head, 1.5, {2.2, -21.5, 41.4}, {1.5, 1.5, 1.3}),
        // Tail: thick at the root, sweeping back and out to the character's
        // left, so that it shows beside the legs from the front too.
        sided(capsule(Tail, 4, {0, 8, 14}, 7.5, {2.5, 17, 8.5}, 5.5)),
        sided(capsule(Tail, 3, {2.5, 17, 8.5}, 5.5, {10, 25, 5}, 3.6)),
        sided(capsule(Tail, 2, {10, 25, 5}, 3.6, {21, 28, 6.5}, 1.6)),
        // Legs: heavy thighs, short shins, long flat feet with three toes.
        ellipsoid(Legs, 3, {7, 1, 13}, {4.8, 6.5, 6.5}, -10),
        capsule(Legs, 2.5, {7, 1.5, 10}, 3.8, {7, 0, 3.5}, 3.3),
        ellipsoid(Legs, 2.5, {7, -3, 2.2}, {4.2, 6.5, 2.4}),
        // Arms: small, bent, held forward, with stubby hands.
        capsule(Arms, 3, {7.5, -6, 27}, 2.4, {10, -11.5, 24.5}, 2.1),
        capsule(Arms, 1.5, {10, -11.5, 24.5}, 2.1, {8.5, -15, 27.5}, 1.9),
    };
    for (double x : {4.6, 7.0, 9.4})  // toes
      all.push_back(ellipsoid(Legs, 1.2, {x, -9.3, 1.7}, {1.5, 1.8, 1.5}));
    // Spikes: a crest of three on the skull that stands above the head's
    // outline from the front, then pairs down the back leaning outwards, so
    // that they show beside the neck and shoulders too, and two on the tail.
    const Vec3 spikes[][2] = {{{0, -1, 48}, {0, 1.5, 57.5}},  {{3, 2, 47.5}, {6.5, 5, 55}},
                              {{3.5, 7, 41}, {9.5, 12.5, 46}}, {{4.5, 10, 32}, {12, 15.5, 35}},
                              {{4.5, 12, 23}, {11, 18, 24}}};
    const double bases[] = {2.8, 2.6, 2.8, 2.8, 2.6};
    for (int i = 0; i < 5; ++i) all.push_back(capsule(Body, 2, spikes[i][0], bases[i], spikes[i][1], 1.0));
    all.push_back(sided(capsule(Tail, 2, {1.5, 17, 11}, 2.4, {2, 21, 16}, 1.0)));
    all.push_back(sided(capsule(Tail, 2, {7, 23, 7.5}, 1.9, {8.5, 26, 11.5}, 0.8)));
    return all;
  }();
  return list;
}

double pieceDistance(const Piece& piece, Vec3 p) {
  if (piece.capsule) {
    Vec3 axis = piece.b - piece.a;
    double t = std::clamp(dot(p - piece.a, axis) / dot(axis, axis), 0.0, 1.0);
    Vec3 d = p - (piece.a + axis * t);
    return std::sqrt(dot(d, d)) - (piece.ra + (piece.rb - piece.ra) * t);
  }
  Vec3 q = p - piece.a;
  double angle = piece.pitch * 3.14159265358979323846 / 180;
  double c = std::cos(angle), s = std::sin(angle);
  q = {q.x, c * q.y + s * q.z, -s * q.y + c * q.z};
  // Ellipsoid distance estimate: exact on the surface, smooth around it.
  Vec3 r = piece.radii;
  Vec3 k0{q.x / r.x, q.y / r.y, q.z / r.z};
  Vec3 k1{q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)};
  double l0 = std::sqrt(dot(k0, k0)), l1 = std::sqrt(dot(k1, k1));
  if (l1 < 1e-12) return -std::min({r.x, r.y, r.z});
  return l0 * (l0 - 1) / l1;
}

// Polynomial smooth minimum: blends two surfaces over a seam of width k.
double smoothMin(double a, double b, double k) {
  if (k <= 0) return std::min(a, b);
  double h = std::max(k - std::abs(a - b), 0.0) / k;
  return std::min(a, b) - h * h * k * 0.25;
}

Vec3 placed(const Piece& piece, Vec3 p) { return piece.mirrored ? Vec3{std::abs(p.x), p.y, p.z} : p; }

double dinoField(Vec3 p) {
  double d = 1e9;
  for (const Piece& piece : pieces()) d = smoothMin(d, pieceDistance(piece, placed(piece, p)), piece.blend);
  return d;
}

// The part whose piece lies nearest to a point of the surface.
Part partAt(Vec3 p) {
  Part best = Body;
  double bestDistance = 1e9;
  for (const Piece& piece : pieces()) {
    double d = pieceDistance(piece, placed(piece, p));
    if (d < bestDistance) {
      bestDistance = d;
      best = piece.part;
    }
  }
  return best;
}

int nearestVertex(const TriMesh& mesh, Vec3 target) {
  int best = 0;
  double bestDistance = 1e30;
  for (size_t v = 0; v < mesh.vertices.size(); ++v) {
    Vec3 d = mesh.vertices[v] - target;
    if (dot(d, d) < bestDistance) {
      bestDistance = dot(d, d);
      best = static_cast<int>(v);
    }
  }
  return best;
}

// Gives vertex `from` the number `to` (and vertex `to` the number `from`).
void swapVertices(TriMesh& mesh, int from, int to) {
  if (from == to) return;
  std::swap(mesh.vertices[from], mesh.vertices[to]);
  for (auto& t : mesh.triangles)
    for (int& i : t) {
      if (i == from)
        i = to;
      else if (i == to)
        i = from;
    }
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  std::string s = text;
  if (s == "-0.0000") s = "0.0000";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dino OUTPUT.obj\n");
    return 2;
  }
  const double cell = 1.0;
  TriMesh mesh = surfaceNets(dinoField, {-25, -26, -3}, {25, 36, 60}, cell);
  relax(mesh, dinoField, 6);
  if (int v = faultyEdgeVertex(mesh); v >= 0) {
    Vec3 p = mesh.vertices[v];
    std::fprintf(stderr, "dino: the surface is not closed near (%.1f, %.1f, %.1f)\n", p.x, p.y, p.z);
    return 1;
  }
  if (signedVolume(mesh) <= 0) {
    std::fprintf(stderr, "dino: the surface faces inwards\n");
    return 1;
  }

  // Eyes high on the front of the skull, above the snout, looking forward;
  // the head is mirror symmetric, so the right eye lands on the mirror image.
  int left = nearestVertex(mesh, {4.6, -9.5, 46.5});
  Vec3 mirror = mesh.vertices[left];
  mirror.x = -mirror.x;
  int right = nearestVertex(mesh, mirror);

  // Drawn small, the character needs few vertices: the fine surface is
  // reduced to them where it is flattest, the eyes kept.
  std::vector<int> kept = simplify(mesh, vertexCount, {left, right});
  left = kept[left];
  right = kept[right];
  // A few rounds of relaxing even out the triangles that the collapses left,
  // for smooth shading (more would blunt the spikes); the eyes stay put.
  const Vec3 eyes[2] = {mesh.vertices[left], mesh.vertices[right]};
  relax(mesh, dinoField, 3);
  mesh.vertices[left] = eyes[0];
  mesh.vertices[right] = eyes[1];
  swapVertices(mesh, left, leftEyeVertex);
  if (right == leftEyeVertex) right = left;
  swapVertices(mesh, right, rightEyeVertex);

  // Sort the triangles into parts by the piece each one lies on.
  std::vector<std::vector<std::array<int, 3>>> parts(PartCount);
  for (const auto& t : mesh.triangles)
    parts[partAt((mesh.vertices[t[0]] + mesh.vertices[t[1]] + mesh.vertices[t[2]]) * (1.0 / 3))].push_back(t);

  // Stand on z = 0, at the scale that the show's character has always had
  // (the crest stands on top of that).
  double low = 1e30;
  for (const Vec3& v : mesh.vertices) low = std::min(low, v.z);
  const double scale = 0.9;
  for (Vec3& v : mesh.vertices) v = Vec3{v.x, v.y, v.z - low} * scale;

  FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "# Cartoon dinosaur: Z up, facing -Y, about 53 units tall.\n");
  std::fprintf(out, "# Eyes at vertices %d and %d (0-based).\n", leftEyeVertex, rightEyeVertex);
  std::fprintf(out, "# %zu vertices, %zu triangles.\n", mesh.vertices.size(), mesh.triangles.size());
  for (const Vec3& v : mesh.vertices)
    std::fprintf(out, "v %s %s %s\n", number(v.x).c_str(), number(v.y).c_str(), number(v.z).c_str());
  for (int p = 0; p < PartCount; ++p) {
    std::fprintf(out, "g %s\n", partNames[p]);
    for (const auto& t : parts[p]) std::fprintf(out, "f %d %d %d\n", t[0] + 1, t[1] + 1, t[2] + 1);
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
