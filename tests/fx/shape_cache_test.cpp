// Tests of the display-list cache and the sphere drawn through it.
#include "fx/shape_cache.h"

#include <cmath>

#include "tests/support/gl_test.h"

class FxShapeCache : public GlTest {};

TEST_F(FxShapeCache, FindsExactKeysNewestFirstAndNeverReadsPastAKey) {
  constexpr int kind = 3;
  const double one = 1.0, nearOne = std::nextafter(1.0, 2.0), longer[2] = {2.0, 6.0};
  EXPECT_EQ(findList(kind, &one, 1), 0u);
  const GLuint first = addList(kind, new double[1]{1.0}, 1);
  const GLuint second = addList(kind, new double[1]{2.0}, 1);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, first);
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

// Whether a replayed list draws shows on screen (the character's eyes); llvmpipe
// crashes replaying this list in feedback mode, so it is not counted here.
TEST_F(FxShapeCache, SphereIsCompiledOncePerRadius) {
  constexpr int sphere = 10;
  drawSphere(3);
  const CachedList* three = shapeCache.heads[sphere];
  ASSERT_NE(three, nullptr);
  drawSphere(6.0 / 2);  // the same double: replayed, not rebuilt
  EXPECT_EQ(shapeCache.heads[sphere], three);
  drawSphere(1);
  drawSphere(std::nextafter(1.0, 0.0));
  EXPECT_EQ(shapeCache.heads[sphere]->next->next, three);
}
