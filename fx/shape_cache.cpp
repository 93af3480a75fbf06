// The display-list cache and the cached sphere.
#include "fx/shape_cache.h"

#include <GL/glu.h>

namespace {
constexpr int sphereKind = 10;
}  // namespace

GLuint ShapeCache::findList(int kind, const double* key, int count) const {
  const auto found = lists.find({kind, std::vector<double>(key, key + count)});
  return found == lists.end() ? 0 : found->second;
}

GLuint ShapeCache::addList(int kind, const double* key, int count) {
  const GLuint list = glGenLists(1);
  lists[{kind, std::vector<double>(key, key + count)}] = list;
  return list;
}

void ShapeCache::drawSphere(double radius) {
  if (const GLuint list = findList(sphereKind, &radius, 1)) {
    glCallList(list);
    return;
  }
  const GLuint list = addList(sphereKind, &radius, 1);
  glNewList(list, GL_COMPILE_AND_EXECUTE);
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricDrawStyle(quadric, GLU_FILL);
  gluQuadricNormals(quadric, GLU_SMOOTH);
  gluSphere(quadric, radius, 16, 16);
  gluDeleteQuadric(quadric);
  glEndList();
}
