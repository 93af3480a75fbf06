// Tests of the display-list cache through the sphere drawn with it.
#include "fx/shape_cache.h"

#include <array>
#include <cmath>

#include "tests/support/gl_test.h"

class FxShapeCache : public GlTest {};

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
  EXPECT_EQ(cache.findList(11, std::array{3.0}.data(), 1), 0u);  // a key of another kind
}
