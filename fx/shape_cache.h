// A display-list cache keyed by shape and parameters, and the sphere drawn through it.
#pragma once
#include <GL/gl.h>

#include <map>
#include <utility>
#include <vector>

// Display lists keyed by a shape kind and its parameters (doubles, compared
// exactly). Entries are never removed, nor their lists deleted: they end with
// the GL context they were made in, so the cache belongs to whoever owns that
// context. Kind 10 is the sphere.
struct ShapeCache {
  // The list of `kind` whose key is key[0] .. key[count - 1]; 0 if none.
  GLuint findList(int kind, const double* key, int count) const;
  // A new list name (no contents yet) for `kind` and a copy of the key.
  GLuint addList(int kind, const double* key, int count);
  // A filled, smooth-shaded sphere (16 slices, 16 stacks) at the origin,
  // compiled the first time a radius is drawn and replayed after that.
  void drawSphere(double radius);

  std::map<std::pair<int, std::vector<double>>, GLuint> lists;
};
