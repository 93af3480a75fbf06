// A display-list cache keyed by shape and parameters, and the sphere drawn through it.
#pragma once
#include <GL/gl.h>

// Display lists keyed by a shape kind and an array of doubles; entries are
// never removed. Kind 10 is the sphere.
struct CachedList {
  GLuint list;
  CachedList* next;
  int keyCount;
  double* key;
};

struct ShapeCache {
  static constexpr int kinds = 16;
  CachedList* heads[kinds] = {};
};

extern ShapeCache shapeCache;

// The newest list of `kind` whose first `count` key values equal `key`; 0 if none.
GLuint findList(int kind, const double* key, int count);
// A new list name heading the chain of `kind`. Takes ownership of `key`
// (allocated with new[]). 0 for a kind outside the cache.
GLuint addList(int kind, double* key, int count);
// A filled, smooth-shaded sphere (16 slices, 16 stacks), compiled once per radius.
void drawSphere(double radius);
