// Tests of the 3D outline text: metrics, centring, codes without glyphs, empty fonts, state left by drawing.
#include "fx/outline_font.h"

#include <memory>
#include <vector>

#include "tests/support/gl_test.h"

namespace {

// Only the bundled face, from `file`.
FaceSettings bundledFace(const char* file) {
  FaceSettings faces;
  faces.bundledFaceFile = file;
  return faces;
}

// A font from the bundled face (by default the one the show ships), as the show builds it.
std::unique_ptr<OutlineFont> bundled(bool bold, bool italic, const char* face = FK_TEST_FONT_FILE) {
  return std::make_unique<OutlineFont>(bundledFace(face), "No Such Family Here", bold, italic, true, 0.001f, 0.1f, 255,
                                       0);
}

}  // namespace

TEST(FxTextCentring, HalfTheAdvanceHalfTheMeanHeightAndHalfTheDepth) {
  // No face, and hand-made metrics (advance, height) for 'A', 'B', 'C'.
  OutlineFont font(bundledFace(""), "No Such Family Here", false, false, true, 0.001f, 0.2f, 3, 'A');
  font.metrics = new GLYPHMETRICSFLOAT[3]{{0, 0.75f, 0, 0, 0.5f, 0}, {0, 0.5f, 0, 0, 0.25f, 0}, {0, 1, 0, 0, 0.75f, 0}};
  const double z = 0.2f * 0.5;
  EXPECT_EQ(font.centring("A"), (std::array<double, 3>{-0.25, -0.375, z}));
  EXPECT_EQ(font.centring("AB"), (std::array<double, 3>{-0.375, -0.3125, z}));
  EXPECT_EQ(font.centring("CAB"), font.centring("BCA"));
  // Codes without a glyph count for nothing.
  EXPECT_EQ(font.centring("A@zB\xff"), font.centring("AB"));
  EXPECT_EQ(font.centring(""), (std::array<double, 3>{0, 0, z}));
  EXPECT_EQ(font.centring("xyz"), font.centring(""));
}

class FxOutlineFont : public GlTest {};

// Metrics in em units of Latin-1 codes; italic slants by a quarter of the
// height and bold widens by 1/24 em (the show's text is never bold).
TEST_F(FxOutlineFont, SyntheticItalicAndBold) {
  const auto upright = bundled(false, false), italic = bundled(false, true), bold = bundled(true, false);
  ASSERT_NE(upright->metrics, nullptr);
  EXPECT_GT(upright->metrics[0xC9].gmfBlackBoxY, upright->metrics[int{'E'}].gmfBlackBoxY);  // E acute
  const GLYPHMETRICSFLOAT &u = upright->metrics[int{'I'}], &i = italic->metrics[int{'I'}], &b = bold->metrics[int{'I'}];
  EXPECT_NEAR(i.gmfBlackBoxX, u.gmfBlackBoxX + 0.25f * u.gmfBlackBoxY, 1e-4);
  EXPECT_FLOAT_EQ(i.gmfCellIncX, u.gmfCellIncX);
  EXPECT_NEAR(b.gmfCellIncX, u.gmfCellIncX + 1.0f / 24, 1e-4);
  EXPECT_GT(b.gmfBlackBoxX, u.gmfBlackBoxX + 0.03f);
}

// Code 255 has no glyph with 255 glyphs from 0: the list that happens to
// follow the font's lists must not be called for it. Without a face the font
// stays empty and draws nothing. Either way the matrix and list base are as
// they were and the front face is counter-clockwise.
TEST_F(FxOutlineFont, CodesWithoutGlyphAndEmptyFontsDrawNothingAndStateIsRestored) {
  const auto font = bundled(false, true), empty = bundled(false, true, "/nonexistent/face.woff");
  EXPECT_EQ(empty->metrics, nullptr);
  const GLuint stray = glGenLists(1);
  glNewList(stray, GL_COMPILE);
  glRectf(-0.5f, -0.5f, 0.5f, 0.5f);
  glEndList();
  glRotatef(30, 1, 2, 3);
  glListBase(7);
  const std::vector<GLfloat> before = modelview();
  const std::size_t h = polygons([&] { font->drawText("H"); }).size();
  EXPECT_GT(h, 0u);
  struct Case { std::size_t drawn; OutlineFont* font; const char* text; };
  for (Case c : {Case{h, font.get(), "\xffH\xff"}, {0, font.get(), ""}, {0, empty.get(), "H"}}) {
    glFrontFace(GL_CW);
    EXPECT_EQ(polygons([&] { c.font->drawText(c.text); }).size(), c.drawn) << (c.font == font.get()) << c.text;
    EXPECT_EQ(modelview(), before);
    GLint value = 0;
    glGetIntegerv(GL_LIST_BASE, &value);
    EXPECT_EQ(value, 7);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
  }
  glDeleteLists(stray, 1);
  glListBase(0);
  glLoadIdentity();
}
