// Tests of the display-list cache and the sphere.
#include "fx/shape_cache.h"

#include <cmath>

#include "tests/fx/fx_gl.h"

namespace {
int chainLength(int kind) {
  int n = 0;
  for (const CachedList* e = shapeCache.heads[kind]; e; e = e->next) ++n;
  return n;
}
}  // namespace

class FxShapeCache : public FxGl {};

TEST_F(FxShapeCache, FindsExactKeysNewestFirstAndNeverReadsPastAKey) {
  constexpr int kind = 3;
  const double one = 1.0, nearOne = std::nextafter(1.0, 2.0), longer[2] = {2.0, 6.0};
  EXPECT_EQ(findList(kind, &one, 1), 0u);
  const GLuint first = addList(kind, new double[1]{1.0}, 1);
  const GLuint second = addList(kind, new double[1]{2.0}, 1);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, first);
  EXPECT_EQ(shapeCache.heads[kind]->next->list, first);
  EXPECT_EQ(findList(kind, &one, 1), first);
  EXPECT_EQ(findList(kind, longer, 1), second);
  EXPECT_EQ(findList(kind, &nearOne, 1), 0u);
  EXPECT_EQ(findList(kind, nullptr, 0), second);  // no key values: the newest matches
  EXPECT_EQ(findList(kind, longer, 2), 0u);       // longer than any entry's key
  EXPECT_EQ(findList(kind + 1, &one, 1), 0u);
  // Kinds outside the cache.
  EXPECT_EQ(findList(ShapeCache::kinds, &one, 1), 0u);
  EXPECT_EQ(findList(-1, &one, 1), 0u);
  EXPECT_EQ(addList(ShapeCache::kinds, new double[1]{5.0}, 1), 0u);
}

TEST_F(FxShapeCache, SphereIsCompiledOncePerRadiusAndDrawnEveryTime) {
  constexpr int sphere = 10;
  plainScene(4);
  const int before = chainLength(sphere);
  drawSphere(3);
  ASSERT_EQ(chainLength(sphere), before + 1);
  const CachedList* three = shapeCache.heads[sphere];
  const Lit first = lit();
  // A disc of radius 3 at 16 pixels per unit, as a 16-gon.
  EXPECT_NEAR(first.x1 - first.x0 + 1, 96, 2);
  EXPECT_NEAR(first.count, 3.14159 * 48 * 48, 0.05 * 3.14159 * 48 * 48);

  plainScene(4);
  drawSphere(6.0 / 2);  // the same double: replayed, not rebuilt
  EXPECT_EQ(shapeCache.heads[sphere], three);
  EXPECT_EQ(lit().count, first.count);

  drawSphere(1);
  drawSphere(std::nextafter(1.0, 0.0));
  ASSERT_EQ(chainLength(sphere), before + 3);
  EXPECT_EQ(shapeCache.heads[sphere]->next->next, three);
}
