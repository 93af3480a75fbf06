// Tests of the display-list cache and the sphere drawn through it.
#include "fx/shape_cache.h"

#include <array>
#include <cmath>

#include "tests/support/gl_test.h"

class FxShapeCache : public GlTest {};

TEST_F(FxShapeCache, FindsExactKeysOfTheirOwnKind) {
  constexpr int kind = 3;
  ShapeCache cache;
  const double one = 1.0, nearOne = std::nextafter(1.0, 2.0), longer[2] = {1.0, 6.0};
  EXPECT_EQ(cache.findList(kind, &one, 1), 0u);
  const GLuint first = cache.addList(kind, &one, 1);
  const GLuint second = cache.addList(kind, longer, 2);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, first);
  EXPECT_EQ(cache.findList(kind, &one, 1), first);
  EXPECT_EQ(cache.findList(kind, longer, 2), second);
  EXPECT_EQ(cache.findList(kind, &nearOne, 1), 0u);
  EXPECT_EQ(cache.findList(kind, nullptr, 0), 0u);
  EXPECT_EQ(cache.findList(kind + 1, &one, 1), 0u);
}

// Whether a replayed list draws shows on screen (the character's eyes); llvmpipe
// crashes replaying this list in feedback mode, so it is not counted here.
TEST_F(FxShapeCache, SphereIsCompiledOncePerRadius) {
  ShapeCache cache;
  cache.drawSphere(3);
  ASSERT_EQ(cache.lists.size(), 1u);
  const GLuint three = cache.lists.begin()->second;
  EXPECT_TRUE(glIsList(three));
  cache.drawSphere(6.0 / 2);  // the same double: replayed, not rebuilt
  EXPECT_EQ(cache.lists.size(), 1u);
  cache.drawSphere(1);
  cache.drawSphere(std::nextafter(1.0, 0.0));
  EXPECT_EQ(cache.lists.size(), 3u);
  EXPECT_EQ(cache.findList(10, std::array{3.0}.data(), 1), three);
}
