// The display-list cache and the cached sphere.
#include "fx/shape_cache.h"

#include <GL/glu.h>

ShapeCache shapeCache;

namespace {
constexpr int sphereKind = 10;
bool knownKind(int kind) { return kind >= 0 && kind < ShapeCache::kinds; }
}  // namespace

GLuint findList(int kind, const double* key, int count) {
  if (!knownKind(kind)) return 0;
  for (const CachedList* entry = shapeCache.heads[kind]; entry; entry = entry->next) {
    // An entry with a shorter key cannot match (and its key must not be read past its end).
    if (entry->keyCount < count) continue;
    int i = 0;
    while (i < count && entry->key[i] == key[i]) ++i;
    if (i >= count) return entry->list;
  }
  return 0;
}

GLuint addList(int kind, double* key, int count) {
  if (!knownKind(kind)) {
    delete[] key;
    return 0;
  }
  shapeCache.heads[kind] = new CachedList{glGenLists(1), shapeCache.heads[kind], count, key};
  return shapeCache.heads[kind]->list;
}

void drawSphere(double radius) {
  if (const GLuint list = findList(sphereKind, &radius, 1)) {
    glCallList(list);
    return;
  }
  const GLuint list = addList(sphereKind, new double[1]{radius}, 1);
  glNewList(list, GL_COMPILE_AND_EXECUTE);
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricDrawStyle(quadric, GLU_FILL);
  gluQuadricNormals(quadric, GLU_SMOOTH);
  gluSphere(quadric, radius, 16, 16);
  gluDeleteQuadric(quadric);
  glEndList();
}
