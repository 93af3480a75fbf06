// libFuzzer target: the bytes are a mesh text file, loaded with centring into
// a mesh that compiles its display lists in a hidden GL context.
#include <cstdio>
#include <cstdlib>

#include "assets/mesh.h"
#include "tests/fuzz/input_file.h"
#include "tools/headless_gl/headless_gl.h"

// A refused load leaves the mesh empty; a loaded one holds every array it
// counts. (An index outside the vertices is caught by the address sanitizer
// when the normals are computed.)
static void check(const Mesh& mesh, int result) {
  const int vertices = mesh.getVertexCount();
  if (result == 0 && (mesh.vertices || mesh.normals || mesh.triangles || vertices != 0 || mesh.triangleCount != 0 ||
                      mesh.partCount != 0 || mesh.listBase != 0))
    std::abort();
  if ((vertices > 0 && (!mesh.vertices || !mesh.normals)) || (mesh.triangleCount > 0 && !mesh.triangles))
    std::abort();
  if ((mesh.partCount > 0) != (mesh.listBase != 0)) std::abort();
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Never torn down: the driver's own allocations would be reported as leaks.
  [[maybe_unused]] static const HeadlessGl* context = new HeadlessGl();
  // The loader's report lines would drown the fuzzer's own.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static InputFile file("mesh.obj");
  Mesh mesh;
  check(mesh, mesh.load(file.write(data, size), true));
  if (glGetError() != GL_NO_ERROR) std::abort();
  return 0;
}
