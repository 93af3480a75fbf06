// The mesh text format: "v", "f" and "g" lines read in three passes.
#include "assets/mesh_text.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <new>

namespace {

// Every read takes at most 99 characters; a longer line comes in pieces, and
// each piece is a line of its own.
constexpr int lineSize = 100;

// More lines of one kind than this cannot be held as int-indexed triples.
constexpr long long maxCount = INT_MAX / 3;

}  // namespace

bool readMeshText(const char* fileName, MeshText& text) {
  text = MeshText{};
  std::FILE* file = std::fopen(fileName, "r");
  if (!file) {
    std::printf("# The file \"%s\" was not opened\n", fileName);
    return false;
  }
  std::printf("# The file \"%s\" was opened\n", fileName);

  // The reason has been printed; nothing of the file is kept.
  auto refuse = [&] {
    std::fclose(file);
    text = MeshText{};
    return false;
  };
  auto outOfMemory = [&] {
    std::printf("# out of memory\n");
    return refuse();
  };
  // The passes must see the same lines, or the arrays sized by the first
  // would overflow.
  auto changed = [&] {
    std::printf("# The file \"%s\" changed while it was read\n", fileName);
    return refuse();
  };

  char line[lineSize];
  long long vertexLines = 0, triangleLines = 0, groupLines = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] == 'v')
      ++vertexLines;
    else if (line[0] == 'f')
      ++triangleLines;
    else if (line[0] == 'g')
      ++groupLines;
  }
  if (vertexLines > maxCount || triangleLines > maxCount || groupLines >= maxCount) return outOfMemory();
  const int vertexCount = static_cast<int>(vertexLines);
  const int triangleCount = static_cast<int>(triangleLines);
  int partCount = static_cast<int>(groupLines);
  if (partCount == 0 && triangleCount > 0) partCount = 1;  // one implicit part
  std::printf("# vertices = %d\n", vertexCount);
  std::printf("# triangles = %d\n", triangleCount);
  std::printf("# parts = %d\n", partCount);

  // Sized from the counts, so any number of "g" lines fits.
  try {
    if (partCount > 0) text.partStarts.assign(static_cast<std::size_t>(partCount) + 1, 0);
  } catch (const std::bad_alloc&) {
    return outOfMemory();
  }
  if (vertexCount > 0) text.vertices.reset(new (std::nothrow) float[3 * std::size_t(vertexCount)]);
  if (triangleCount > 0) text.triangles.reset(new (std::nothrow) int[3 * std::size_t(triangleCount)]);
  if ((vertexCount > 0 && !text.vertices) || (triangleCount > 0 && !text.triangles)) return outOfMemory();
  text.vertexCount = vertexCount;
  text.triangleCount = triangleCount;

  std::fseek(file, 0, SEEK_SET);
  int n = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] != 'v') continue;
    if (n == vertexCount) return changed();
    float* v = text.vertices.get() + 3 * std::size_t(n);
    if (std::sscanf(line, "v %f %f %f", &v[0], &v[1], &v[2]) != 3) {
      std::printf("# error parsing vertex #%d\n", n);
      return refuse();
    }
    ++n;
  }
  if (n != vertexCount) return changed();

  std::fseek(file, 0, SEEK_SET);
  int k = 0;
  n = 0;
  while (std::fgets(line, lineSize, file)) {
    if (line[0] == 'g') {
      if (k == groupLines) return changed();
      text.partStarts[k++] = n;
    } else if (line[0] == 'f') {
      if (n == triangleCount) return changed();
      int* t = text.triangles.get() + 3 * std::size_t(n);
      // The numbers start at the third character; "f" alone has none.
      if (line[1] == '\0' || std::sscanf(line + 2, "%d %d %d", &t[0], &t[1], &t[2]) != 3) {
        std::printf("# error parsing triangle #%d\n", n);
        return refuse();
      }
      for (int c = 0; c < 3; ++c) {
        if (t[c] < 1 || t[c] > vertexCount) {
          std::printf("# vertex index out of range in triangle #%d = %d, %d, %d\n", n, t[0], t[1], t[2]);
          return refuse();
        }
      }
      ++n;
    }
  }
  if (n != triangleCount || k != groupLines) return changed();
  if (partCount > 0) text.partStarts[partCount] = triangleCount;

  for (int i = 0; i < triangleCount; ++i) {
    const int* t = text.triangles.get() + 3 * std::size_t(i);
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
      std::printf("# Strange Triangle #%d = %d, %d, %d\n", i, t[0], t[1], t[2]);
  }
  for (std::size_t i = 0; i < 3 * std::size_t(triangleCount); ++i) --text.triangles[i];

  if (std::fclose(file) != 0) std::printf("# The file \"%s\" was not closed\n", fileName);
  return true;
}
