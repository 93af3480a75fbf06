#include "tools/dino/simplify.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

namespace {

struct Traits : OpenMesh::DefaultTraits {
  using Point = OpenMesh::Vec3d;
  using Normal = OpenMesh::Vec3d;
};
using Mesh = OpenMesh::TriMesh_ArrayKernelT<Traits>;
namespace Decimater = OpenMesh::Decimater;

}  // namespace

std::vector<int> simplify(TriMesh& mesh, int vertexCount, const std::vector<int>& keep) {
  Mesh om;
  om.request_vertex_status();
  om.request_edge_status();
  om.request_face_status();
  om.request_face_normals();
  for (const Vec3& v : mesh.vertices) om.add_vertex({v.x, v.y, v.z});
  for (const auto& t : mesh.triangles) om.add_face(om.vertex_handle(t[0]), om.vertex_handle(t[1]), om.vertex_handle(t[2]));
  om.update_face_normals();
  for (int v : keep) om.status(om.vertex_handle(v)).set_locked(true);

  Decimater::DecimaterT<Mesh> decimater(om);
  Decimater::ModQuadricT<Mesh>::Handle quadric;
  Decimater::ModNormalFlippingT<Mesh>::Handle flipping;
  Decimater::ModAspectRatioT<Mesh>::Handle aspect;
  decimater.add(quadric);
  decimater.add(flipping);
  decimater.add(aspect);
  decimater.module(flipping).set_max_normal_deviation(45);
  decimater.module(aspect).set_aspect_ratio(6);
  decimater.initialize();
  decimater.decimate_to(static_cast<size_t>(vertexCount));

  // Renumber the vertices that are left in their input order.
  std::vector<int> number(mesh.vertices.size(), -1);
  TriMesh out;
  for (Mesh::VertexHandle v : om.vertices())
    if (!om.status(v).deleted()) {
      number[v.idx()] = static_cast<int>(out.vertices.size());
      out.vertices.push_back(mesh.vertices[v.idx()]);
    }
  for (Mesh::FaceHandle f : om.faces()) {
    if (om.status(f).deleted()) continue;
    std::array<int, 3> t{};
    int corner = 0;
    for (Mesh::VertexHandle v : om.fv_range(f)) t[corner++] = number[v.idx()];
    out.triangles.push_back(t);
  }
  mesh = std::move(out);
  return number;
}
