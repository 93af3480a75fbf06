// Particles drawn for less filling: trimmed to the glow's disc, and the
// fields drawn small and stretched over a large frame. Each against the
// straightforward drawing, at 1920x1080, the smallest frame whose fields shrink.
#include "show/glow_layer.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "fx/particle.h"
#include "show/procedural_textures.h"
#include "show/show_state.h"
#include "tools/headless_gl/headless_gl.h"

namespace {

constexpr int width = 1920, height = 1080;

class GlowLayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gl = new HeadlessGl(width, height);
    setShowState();
    std::vector<std::uint8_t> image(proceduralTextureSize * proceduralTextureSize * 3);
    makeGlowImage(image);
    glGenTextures(1, &glow);
    glBindTexture(GL_TEXTURE_2D, glow);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, proceduralTextureSize, proceduralTextureSize, GL_RGB, GL_UNSIGNED_BYTE,
                      image.data());
    glMatrixMode(GL_PROJECTION);
    gluPerspective(90, static_cast<double>(width) / height, 0.1, 1000);
    glMatrixMode(GL_MODELVIEW);
  }
  static void TearDownTestSuite() { delete gl; }

  // A particle field as the scenes draw one: additive, unlit, no depth test,
  // on a cleared frame; returned as RGB.
  static std::vector<std::uint8_t> field(const std::function<void()>& particles) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, glow);
    glLoadIdentity();
    gluLookAt(0.3, 0.2, 5, 0, 0, 0, 0, 1, 0);
    particles();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }

  // Pixels whose channels move by more than `levels`, and the largest move.
  static std::pair<long, int> differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                                          int levels) {
    long differing = 0;
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); i += 3) {
      int most = 0;
      for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[i + c] - b[i + c]));
      differing += most > levels;
      largest = std::max(largest, most);
    }
    return {differing, largest};
  }

  static inline HeadlessGl* gl = nullptr;
  static inline GLuint glow = 0;
};

// The quad of a particle at rest, drawn as the four corners P +- R +- U
// moved by 0.5 (R and U the modelview's first two rows).
void wholeQuad(const Particle& p) {
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const double r[3] = {m[0], m[4], m[8]}, u[3] = {m[1], m[5], m[9]};
  const float* q = p.position;
  glColor4ub(p.colour[0], p.colour[1], p.colour[2], p.colour[3]);
  glBegin(GL_TRIANGLE_STRIP);
  for (const auto& [s, t] : {std::pair{1, 1}, {0, 1}, {1, 0}, {0, 0}}) {
    const int a = 2 * s - 1, b = 2 * t - 1;
    glTexCoord2f(static_cast<GLfloat>(s), static_cast<GLfloat>(t));
    glVertex3d(q[0] + a * r[0] + b * u[0] + 0.5 * a, q[1] + a * r[1] + b * u[1] + 0.5, q[2] + a * r[2] + b * u[2]);
  }
  glEnd();
}

// Particles near and far, some half off the frame, turned and scaled.
std::vector<std::unique_ptr<Particle>> someParticles() {
  resetRandom();
  std::vector<std::unique_ptr<Particle>> all;
  for (int i = 0; i < 24; ++i) {
    all.emplace_back(createParticle(i));
    Particle& p = *all.back();
    p.position[0] = static_cast<float>(6 * std::sin(i * 1.7));
    p.position[1] = static_cast<float>(3 * std::cos(i * 2.3));
    p.position[2] = static_cast<float>(-30 + 1.4 * i);
  }
  return all;
}

// A white glow near the origin, in the middle of the frame.
std::unique_ptr<Particle> whiteGlow() {
  resetRandom();
  return std::unique_ptr<Particle>(createParticle(2));
}

void turnFor(int i) {
  glRotatef(static_cast<GLfloat>(7 * i), 0.3f, 1, 0.2f);
  glScalef(1.5f, 1.5f, 1);
}

TEST_F(GlowLayerTest, TheGlowIsBlackOutsideTheDiscParticlesAreTrimmedTo) {
  std::vector<std::uint8_t> image(proceduralTextureSize * proceduralTextureSize * 3);
  makeGlowImage(image);
  const double size = proceduralTextureSize;
  for (int y = 0; y < proceduralTextureSize; ++y)
    for (int x = 0; x < proceduralTextureSize; ++x) {
      // The texel's centre in texture coordinates.
      const double ds = (x + 0.5) / size - particleDiscCentre, dt = (y + 0.5) / size - particleDiscCentre;
      if (std::sqrt(ds * ds + dt * dt) >= particleDiscRadius) {
        ASSERT_EQ(image[(proceduralTextureSize * y + x) * 3], 0) << x << ", " << y;
      }
    }
}

// Trimmed, the particles light the same pixels as their whole quads:
// whatever the trim leaves out was black. Only the farthest, a few pixels
// wide, take mipmap levels coarse enough to blur past the trim's margin, by
// a few levels.
TEST_F(GlowLayerTest, ParticlesTrimmedToTheDiscLightAsTheirWholeQuads) {
  const auto particles = someParticles();
  const auto whole = field([&] {
    for (std::size_t i = 0; i < particles.size(); ++i) {
      glPushMatrix();
      turnFor(static_cast<int>(i));
      wholeQuad(*particles[i]);
      glPopMatrix();
    }
  });
  const auto trimmed = field([&] {
    for (std::size_t i = 0; i < particles.size(); ++i) {
      glPushMatrix();
      turnFor(static_cast<int>(i));
      particles[i]->draw(0);
      glPopMatrix();
    }
  });
  const auto [differing, largest] = differences(whole, trimmed, 1);
  EXPECT_LE(differing, width * height / 10000);
  EXPECT_LE(largest, 8);
}

// Drawn small and stretched, the fields are the same pictures by the
// reference frames' rule (a pixel differs when a channel moves by more than
// 16 levels; at most 0.1 % of them may), and a glow stays where it was.
TEST_F(GlowLayerTest, FieldsDrawnSmallAreTheSamePictures) {
  const auto particles = someParticles();
  const auto round = [&] {
    for (std::size_t i = 0; i < particles.size(); ++i) {
      glPushMatrix();
      turnFor(static_cast<int>(i));
      particles[i]->draw(0);
      glPopMatrix();
    }
  };
  // Streaks that lie across the frame, as in Dino rise.
  const auto streaks = [&] {
    glScalef(32, 1, 1);
    for (const auto& p : particles) p->draw(0);
  };
  GlowLayer layer;
  // Presents' and Dino rise's divisors.
  const struct {
    int across, down;
    std::function<void()> particles;
  } fields[] = {{4, 4, round}, {10, 1, streaks}};
  for (const auto& f : fields) {
    SCOPED_TRACE(f.across);
    const auto direct = field(f.particles);
    const auto small = field([&] {
      layer.begin(f.across, f.down);
      f.particles();
      layer.end();
    });
    EXPECT_EQ(layer.across, f.across);
    EXPECT_EQ(layer.down, f.down);
    const auto [differing, largest] = differences(direct, small, 16);
    EXPECT_LE(differing, width * height / 1000) << "largest difference " << largest;
  }

  // One glow: its light's centre stays put to half a pixel (a field off by
  // half its texel would move it by 2).
  const auto centre = [](const std::vector<std::uint8_t>& rgb) {
    double sum = 0, x = 0, y = 0;
    for (int j = 0; j < height; ++j)
      for (int i = 0; i < width; ++i) {
        const double light = rgb[(static_cast<std::size_t>(j) * width + i) * 3];
        sum += light;
        x += light * i;
        y += light * j;
      }
    return std::pair{x / sum, y / sum};
  };
  const auto one = [&] {
    glTranslatef(-1.3f, 0.7f, 0);
    particles[2]->draw(0);
  };
  const auto [x0, y0] = centre(field(one));
  const auto [x1, y1] = centre(field([&] {
    layer.begin(4, 4);
    one();
    layer.end();
  }));
  EXPECT_NEAR(x1, x0, 0.5);
  EXPECT_NEAR(y1, y0, 0.5);

  // A frame of fewer lines draws its field whole.
  glViewport(0, 0, 1280, 720);
  layer.begin(16, 4);
  EXPECT_EQ(layer.across, 1);
  EXPECT_EQ(layer.down, 1);
  layer.end();
  glViewport(0, 0, width, height);
}

// A glow larger than the frame lights its outermost lines and columns as
// drawn whole, however the field shrinks, and nothing beyond them: in the
// whole window and in a viewport boxed to 4:3.
TEST_F(GlowLayerTest, TheFieldReachesEveryEdgeOfTheFrameAndNoFurther) {
  const auto glow = whiteGlow();
  const auto huge = [&] {
    glScalef(16, 16, 1);
    glow->draw(0);
  };
  GlowLayer layer;
  for (const auto& [x, y, w, h] : {std::array{0, 0, width, height}, {240, 0, 1440, height}}) {
    glViewport(x, y, w, h);
    const auto direct = field(huge);
    for (const auto& divisors : {std::pair{4, 4}, {4, 1}, {1, 4}}) {
      SCOPED_TRACE(testing::Message() << divisors.first << "x" << divisors.second << " in " << w << "x" << h);
      const auto small = field([&] {
        layer.begin(divisors.first, divisors.second);
        huge();
        layer.end();
      });
      int largest = 0;
      for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
          const bool inside = i >= x && i < x + w && j >= y && j < y + h;
          const bool edge = inside && (i == x || i == x + w - 1 || j == y || j == y + h - 1);
          if (inside && !edge) continue;
          const std::size_t at = (static_cast<std::size_t>(j) * width + i) * 3;
          if (edge) {
            ASSERT_GT(direct[at], 16) << i << ", " << j;  // lit to the edges
          }
          for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(direct[at + c] - small[at + c]));
        }
      EXPECT_LE(largest, 16);
    }
  }
  glViewport(0, 0, width, height);
}

// The state a scene goes on with after the field is the state it had before.
TEST_F(GlowLayerTest, LeavesTheStateAsFound) {
  const auto state = [] {
    std::vector<GLfloat> values(16 * 2 + 4 + 4 + 4);
    glGetFloatv(GL_PROJECTION_MATRIX, &values[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, &values[16]);
    glGetFloatv(GL_VIEWPORT, &values[32]);
    glGetFloatv(GL_CURRENT_COLOR, &values[36]);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, &values[40]);
    for (GLenum cap :
         {GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_SCISSOR_TEST,
          GL_MULTISAMPLE})
      values.push_back(glIsEnabled(cap));
    GLint value = 0, box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    values.insert(values.end(), box, box + 4);
    for (GLenum name : {GL_TEXTURE_BINDING_2D, GL_MATRIX_MODE}) {
      glGetIntegerv(name, &value);
      values.push_back(static_cast<GLfloat>(value));
    }
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    values.push_back(static_cast<GLfloat>(value));
    return values;
  };
  const auto glow = whiteGlow();
  field([&] {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_CULL_FACE);
    glScissor(10, 20, 30, 40);
    // What the particles leave current, end keeps.
    const auto leftByParticles = [] {
      glColor4ub(1, 2, 3, 4);
      glTexCoord2f(0.25f, 0.75f);
    };
    leftByParticles();
    const auto before = state();
    GlowLayer layer;
    layer.begin(4, 4);
    glow->draw(0);
    leftByParticles();
    layer.end();
    EXPECT_EQ(state(), before);
    glDisable(GL_TEXTURE_GEN_S);
  });
}

}  // namespace
