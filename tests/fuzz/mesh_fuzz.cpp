// libFuzzer target: the bytes are a mesh text file, loaded with centring into
// a mesh that compiles its display lists in a hidden GL context.
#include <cstdio>
#include <cstdlib>

#include "assets/mesh.h"
#include "tests/fuzz/input_file.h"
#include "tests/support/headless_gl.h"

namespace {

// A loaded mesh holds real vertices only; a refused one is empty.
void check(const Mesh& mesh, int result) {
  if (result == 0) {
    if (mesh.vertices || mesh.normals || mesh.triangles || mesh.getVertexCount() != 0 ||
        mesh.triangleCount != 0 || mesh.partCount != 0 || mesh.listBase != 0)
      std::abort();
    return;
  }
  if (mesh.getVertexCount() > 0 && (!mesh.vertices || !mesh.normals)) std::abort();
  if (mesh.triangleCount > 0 && !mesh.triangles) std::abort();
  for (long i = 0; i < 3L * mesh.triangleCount; ++i)
    if (mesh.triangles[i] < 0 || mesh.triangles[i] >= mesh.getVertexCount()) std::abort();
  if ((mesh.partCount > 0) != (mesh.listBase != 0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The context lives until the process ends (the driver keeps allocations
  // of its own past a tear-down).
  static const HeadlessGl* context = new HeadlessGl();
  (void)context;
  // The loader's report lines would drown the fuzzer's own.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static InputFile file("mesh.obj");
  Mesh mesh;
  const int result = mesh.load(file.write(data, size), true);
  check(mesh, result);
  if (glGetError() != GL_NO_ERROR) std::abort();
  return 0;
}
